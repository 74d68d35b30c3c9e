// SPDX-License-Identifier: GPL-3.0-or-later
// A bank's HTML ".xls": any bytes through the HTML table reader.
#include "FuzzStatement.h"

#include <string>

QB_FUZZ_TARGET(fuzzHtml)
{
    const quill::StatementReadOptions o = fuzzstatement::options();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    fuzzstatement::checkResult(quill::ReadHtmlStatement(bytes, o), o);
    return 0;
}
