// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/StatementBook.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace quill {

namespace {

// Days from 1970-01-01 to a civil date and back (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

// Serial 61 is 1900-03-01; below it the system counts a 1900-02-29 that
// never was (serial 60), so 1..59 are one day later than a plain count.
const long long kSerialEpoch = DaysFromCivil(1899, 12, 30);

} // namespace

std::string StatementDateText(double serial)
{
    if (!(serial >= 0) || serial >= 2958466)
        return {};
    long long seconds = std::llround(serial * 86400.0);
    long long day = seconds / 86400;
    long long secs = seconds % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
    if (day == 0)
        return time;
    char date[32];
    if (day == 60) {
        std::snprintf(date, sizeof date, "1900-02-29");
    } else {
        long long y;
        unsigned m, d;
        CivilFromDays(kSerialEpoch + day + (day < 60 ? 1 : 0), y, m, d);
        std::snprintf(date, sizeof date, "%04lld-%02u-%02u", y, m, d);
    }
    return secs == 0 ? std::string(date) : std::string(date) + " " + time;
}

bool StatementSerialFromText(const std::string& text, double& serial)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    auto digits = [&](std::size_t at, std::size_t count, int& out) {
        if (at + count > text.size())
            return false;
        out = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    auto timeAt = [&](std::size_t at) {
        if (!digits(at, 2, h) || text.size() < at + 5 || text[at + 2] != ':' || !digits(at + 3, 2, mi))
            return false;
        if (text.size() == at + 5)
            return true;
        return text.size() == at + 8 && text[at + 5] == ':' && digits(at + 6, 2, sec);
    };
    bool hasDate = text.size() >= 10 && digits(0, 4, y) && text[4] == '-' && digits(5, 2, mo) && text[7] == '-'
        && digits(8, 2, d);
    if (hasDate) {
        if (text.size() > 10 && !((text[10] == ' ' || text[10] == 'T') && timeAt(11)))
            return false;
    } else if (!timeAt(0)) {
        return false;
    }
    if (h > 23 || mi > 59 || sec > 59)
        return false;
    const double fraction = (h * 3600 + mi * 60 + sec) / 86400.0;
    if (!hasDate) {
        serial = fraction;
        return true;
    }
    if (y < 1900 || mo < 1 || mo > 12 || d < 1)
        return false;
    long long days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    long long cy;
    unsigned cm, cd;
    CivilFromDays(days, cy, cm, cd);
    if (cm != static_cast<unsigned>(mo) || cd != static_cast<unsigned>(d))
        return false;
    long long day = days - kSerialEpoch;
    if (day < 61)
        --day;
    serial = static_cast<double>(day) + fraction;
    return true;
}

StatementFormat DetectStatementFormat(const std::string& head)
{
    if (head.rfind("PK\x03\x04", 0) == 0)
        return StatementFormat::Xlsx;
    if (head.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) == 0)
        return StatementFormat::Xls;
    // HTML saved as ".xls" by some banks: markup within the first bytes
    // (in UTF-16, looked at without its zero bytes).
    const bool utf16 = head.rfind("\xFF\xFE", 0) == 0 || head.rfind("\xFE\xFF", 0) == 0;
    std::string lower;
    for (char c : head.substr(0, utf16 ? 2048 : 1024))
        if (!(utf16 && c == '\0'))
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
    if (options.cancel && options.cancel->load()) {
        result.error = {StatementReadError::Kind::Cancelled, "읽기를 취소했습니다."};
        return result;
    }
    if (!in.good() && !in.eof()) {
        result.error = {StatementReadError::Kind::Io, "파일을 읽지 못했습니다: " + path};
        return result;
    }
    // Nothing but blanks (or a byte-order mark): say so, not "no profile fits".
    if (bytes.find_first_not_of(std::string_view(" \t\r\n\0\xEF\xBB\xBF\xFF\xFE", 10)) == std::string::npos) {
        result.error = {StatementReadError::Kind::Empty, "파일이 비어 있습니다: " + path};
        return result;
    }
    // Excel's binary workbook is a zip too; its parts are no XML.
    if (bytes.rfind("PK\x03\x04", 0) == 0 && bytes.find("xl/workbook.bin") != std::string::npos) {
        result.error = {StatementReadError::Kind::UnknownFormat,
                        "xlsb는 읽을 수 없습니다. 엑셀에서 xlsx로 저장한 뒤 다시 가져오십시오: " + path};
        return result;
    }
    // Excel's XML of 2003 comes as ".xls" from some banks too; say so rather
    // than read its markup as text.
    if (bytes.substr(0, 4096).find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos) {
        result.error = {StatementReadError::Kind::UnknownFormat,
                        "엑셀 2003 XML 형식은 읽을 수 없습니다. 엑셀에서 xlsx로 저장한 뒤 다시 가져오십시오: " + path};
        return result;
    }
    switch (DetectStatementFormat(bytes.substr(0, 2048))) {
    case StatementFormat::Xlsx: result = ReadXlsxStatement(bytes, options); break;
    case StatementFormat::Xls: result = ReadXlsStatement(path, options); break;
    case StatementFormat::HtmlTable: result = ReadHtmlStatement(bytes, options); break;
    default: result = ReadDelimitedStatement(bytes, options); break;
    }
    if (result.error && result.error.message.find(path) == std::string::npos) {
        // "…형식입니다: /path", not "…형식입니다.: /path"
        if (!result.error.message.empty() && result.error.message.back() == '.')
            result.error.message.pop_back();
        result.error.message += ": " + path;
    }
    return result;
}

} // namespace quill
