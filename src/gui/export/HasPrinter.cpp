#include "export/HasPrinter.h"

#include <QPrinterInfo>

bool HasPrinter()
{
    return !QPrinterInfo::defaultPrinterName().isEmpty();
}
