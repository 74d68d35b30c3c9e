// SPDX-License-Identifier: GPL-3.0-or-later
// Legacy .xls (BIFF in an OLE2 compound file), read by our own record
// reader (XlsRecords) in this process: Excel 5.0/95 files and rich-text
// strings are read, nothing runs in a child of a threaded program, and a
// fault in the reader is one the sanitizers and the fuzzers see.
#include "core/statement/SheetCells.h"
#include "core/statement/StatementBook.h"
#include "core/statement/XlsRecords.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace quill {

StatementReadResult ReadXlsStatement(const std::string& path, const StatementReadOptions& options)
{
    using Kind = StatementReadError::Kind;
    StatementReadResult result;
    result.book.format = StatementFormat::Xls;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = {Kind::NotFound, "파일을 찾을 수 없습니다"};
        return result;
    }
    if (static_cast<std::uint64_t>(st.st_size) > options.sizeLimit) {
        result.error = {Kind::TooBig,
                        "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20) + " MB까지)"};
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (statement::IsEncryptedOfficeFile(bytes) || statement::XlsHasPassword(bytes)) {
        result.error = {Kind::Encrypted, statement::EncryptedMessage()};
        return result;
    }
    statement::ReadXlsWorkbook(bytes, options, result);
    if (result.error)
        result.book.sheets.clear();
    return result;
}

} // namespace quill
