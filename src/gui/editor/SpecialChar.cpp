// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SpecialChar.h"

#include "app/UserDialogs.h"
#include "support/HelperLibrary.h"

void PickSpecialChar(UserDialogs& dialogs)
{
    CallHelperLibrary(dialogs, QStringLiteral("Glyphpad.dll"), "PickGlyph",
                      [](void* entry) { reinterpret_cast<void (*)()>(entry)(); });
}
