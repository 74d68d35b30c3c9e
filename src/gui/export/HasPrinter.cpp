// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/HasPrinter.h"

#include <QPrinterInfo>

bool HasPrinter()
{
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}
