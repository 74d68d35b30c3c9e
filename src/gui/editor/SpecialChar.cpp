// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor/SpecialChar.h"

#include "gui/app/UserDialogs.h"
#include "gui/support/HelperLibrary.h"

void PickSpecialChar(UserDialogs& dialogs)
{
    CallHelperLibrary(dialogs, QStringLiteral("Glyphpad.dll"), "PickGlyph",
                      [](void* entry) { reinterpret_cast<void (*)()>(entry)(); });
}
