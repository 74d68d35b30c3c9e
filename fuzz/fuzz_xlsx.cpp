// SPDX-License-Identifier: GPL-3.0-or-later
// xlsx: an input starting "PK" is read as the zip it is. Any other input
// is the package's parts, separated by lines "=====" (workbook, its
// relationships, the sheet, shared strings, styles), zipped here first, so
// the fuzzer reaches the XML without having to keep a zip's checksums
// right.
#include "FuzzFiles.h"
#include "FuzzStatement.h"

#include <zip.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string zipParts(std::string_view input)
{
    static const char* const names[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/worksheets/sheet1.xml",
                                        "xl/sharedStrings.xml", "xl/styles.xml"};
    std::vector<std::string> parts;
    for (std::size_t i = 0; i < 5; ++i) {
        std::size_t end = i < 4 ? input.find("\n=====\n") : std::string_view::npos;
        parts.emplace_back(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 7);
    }
    const std::string path = fuzzfiles::file("statement.xlsx");
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return {};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty())
            continue;
        zip_source_t* s = zip_source_buffer(z, parts[i].data(), parts[i].size(), 0);
        zip_int64_t index = zip_file_add(z, names[i], s, ZIP_FL_OVERWRITE);
        if (index < 0)
            zip_source_free(s);
        else
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return {};
    }
    return fuzzfiles::readFile(path);
}

} // namespace

QB_FUZZ_TARGET(fuzzXlsx)
{
    const quill::StatementReadOptions o = fuzzstatement::options();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string bytes = input.substr(0, 2) == "PK" ? std::string(input) : zipParts(input);
    fuzzstatement::checkResult(quill::ReadXlsxStatement(bytes, o), o);
    return 0;
}
