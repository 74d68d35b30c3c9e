// SPDX-License-Identifier: GPL-3.0-or-later
// Legacy xls: any bytes as a file through the xls record reader.
#include "FuzzFiles.h"
#include "FuzzStatement.h"

#include <string_view>

QB_FUZZ_TARGET(fuzzXls)
{
    const quill::StatementReadOptions o = fuzzstatement::options();
    const std::string path = fuzzfiles::file("statement.xls");
    if (!fuzzfiles::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    fuzzstatement::checkResult(quill::ReadXlsStatement(path, o), o);
    return 0;
}
