// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/HasPrinter.h"

#include <QPrinterInfo>

bool HasPrinter()
{
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}
