// SPDX-License-Identifier: GPL-3.0-or-later
#include "statement/StatementBook.h"

#include <fstream>
#include <sys/stat.h>

namespace quill {

StatementFormat DetectStatementFormat(const std::string& head)
{
    if (head.rfind("PK\x03\x04", 0) == 0)
        return StatementFormat::Xlsx;
    if (head.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) == 0)
        return StatementFormat::Xls;
    // HTML saved as ".xls" by some banks: markup within the first bytes.
    std::string lower;
    for (char c : head.substr(0, 1024))
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* tag : {"<html", "<table", "<!doctype html", "<meta"})
        if (lower.find(tag) != std::string::npos)
            return StatementFormat::HtmlTable;
    return StatementFormat::Delimited;
}

StatementReadResult ReadStatementFile(const std::string& path, const StatementReadOptions& options)
{
    StatementReadResult result;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        result.error = {StatementReadError::Kind::NotFound, "파일을 찾을 수 없습니다: " + path};
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = {StatementReadError::Kind::NotRegularFile, "일반 파일이 아니어서 읽을 수 없습니다: " + path};
        return result;
    }
    if (static_cast<std::uint64_t>(st.st_size) > options.sizeLimit) {
        result.error = {StatementReadError::Kind::TooBig,
                        "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20)
                            + " MB까지): " + path};
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        result.error = {StatementReadError::Kind::Io, "파일을 읽지 못했습니다: " + path};
        return result;
    }
    switch (DetectStatementFormat(bytes.substr(0, 1024))) {
    case StatementFormat::Xlsx: result = ReadXlsxStatement(bytes, options); break;
    case StatementFormat::Xls: result = ReadXlsStatement(path, options); break;
    case StatementFormat::HtmlTable: result = ReadHtmlStatement(bytes, options); break;
    default: result = ReadDelimitedStatement(bytes, options); break;
    }
    return result;
}

} // namespace quill
