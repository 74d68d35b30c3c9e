// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/StatementValues.h"

#include "core/ledger/LedgerDate.h"
#include "core/text/Cp949.h"
#include "core/text/Utf8.h"

#include <cmath>
#include <cstdio>

namespace quill {

namespace {

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0 || c == 0x3000; }

// Full-width ASCII forms (U+FF01..U+FF5E) and the ideographic blank made plain.
char32_t plainForm(char32_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return c - 0xFF01 + 0x21;
    if (c == 0x3000 || c == 0xA0)
        return ' ';
    if (c == 0x2212 || c == 0x2013 || c == 0x2012)  // minus sign, dashes
        return '-';
    return c;
}


std::string dateText(int y, int m, int d)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d.%02d.%02d", y, m, d);
    return buf;
}

// days since 1970-01-01 (Howard Hinnant's civil calendar arithmetic)
int daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int z, int& y, int& m, int& d)
{
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

// Spreadsheet day numbers from 1950 to 2100; a number outside is no date
// that a statement would hold (and amounts are never mistaken for dates).
std::optional<std::string> serialDate(double serial)
{
    if (!std::isfinite(serial) || serial < 18264 || serial >= 73051)
        return std::nullopt;
    // Day 1 is 1900-01-01 and day 60 the 1900-02-29 that never was, so
    // from day 61 on the count runs from 1899-12-30.
    const int whole = static_cast<int>(std::floor(serial));
    int y, m, d;
    civilFromDays(daysFromCivil(1899, 12, 30) + whole, y, m, d);
    return dateText(y, m, d);
}

} // namespace

std::string NormalizeStatementText(std::string_view utf8)
{
    std::u32string text = DecodeUtf8(utf8);
    for (char32_t& c : text)
        c = plainForm(c);
    std::size_t from = 0, to = text.size();
    while (from < to && isSpace(text[from]))
        ++from;
    while (to > from && isSpace(text[to - 1]))
        --to;
    return EncodeUtf8(std::u32string_view(text).substr(from, to - from));
}

std::optional<std::string> ParseStatementDateText(std::string_view utf8)
{
    const std::string s = NormalizeStatementText(utf8);
    // The digit groups, up to the time of day (a blank, "T" or a fourth group).
    int groups[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    int n = 0;
    std::size_t i = 0;
    bool any = false;
    while (i < s.size() && n < 3) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            std::size_t j = i;
            long long v = 0;
            while (j < s.size() && s[j] >= '0' && s[j] <= '9' && j - i < 9)
                v = v * 10 + (s[j++] - '0');
            if (j < s.size() && s[j] >= '0' && s[j] <= '9')
                return std::nullopt;
            const int len = static_cast<int>(j - i);
            if (n == 0 && len == 8 && (j == s.size() || s[j] == ' ' || s[j] == 'T')) {
                // "20240305" (and "20240305 142211")
                const int y = static_cast<int>(v / 10000), m = static_cast<int>(v / 100 % 100), d = static_cast<int>(v % 100);
                if (!IsCalendarDate(y, m, d))
                    return std::nullopt;
                return dateText(y, m, d);
            }
            groups[n] = static_cast<int>(v);
            lengths[n] = len;
            ++n;
            i = j;
            any = true;
            continue;
        }
        if (n > 0 && n < 3 && (c == '-' || c == '.' || c == '/')) {
            ++i;
            while (i < s.size() && s[i] == ' ')
                ++i;
            continue;
        }
        // "2024년 3월 5일"
        if (n > 0 && s.compare(i, 3, "년") == 0) { i += 3; while (i < s.size() && s[i] == ' ') ++i; continue; }
        if (n > 0 && s.compare(i, 3, "월") == 0) { i += 3; while (i < s.size() && s[i] == ' ') ++i; continue; }
        if (n == 0 && c == ' ')
            { ++i; continue; }
        return std::nullopt;
    }
    if (!any || n != 3)
        return std::nullopt;
    // What may follow the day: "일", a time of day, a weekday in brackets.
    if (i < s.size()) {
        std::string_view rest = std::string_view(s).substr(i);
        if (rest.substr(0, 3) == "일")
            rest.remove_prefix(3);
        if (!rest.empty() && rest[0] != ' ' && rest[0] != 'T' && rest[0] != '(' && rest[0] != '.')
            return std::nullopt;
    }
    int y = groups[0];
    if (lengths[0] == 2)
        y += 2000;
    else if (lengths[0] != 4)
        return std::nullopt;
    if (lengths[1] > 2 || lengths[2] > 2 || !IsCalendarDate(y, groups[1], groups[2]))
        return std::nullopt;
    return dateText(y, groups[1], groups[2]);
}

std::optional<std::string> ParseStatementDate(const StatementCell& cell)
{
    switch (cell.kind) {
    case StatementCell::Kind::Empty:
        return std::nullopt;
    case StatementCell::Kind::Date:
    case StatementCell::Kind::Number:
        if (auto d = serialDate(cell.number))
            return d;
        // A number such as 20240305 that a sheet keeps as a number.
        if (cell.number >= 19000101 && cell.number <= 29991231 && cell.number == std::floor(cell.number))
            return ParseStatementDateText(std::to_string(static_cast<long long>(cell.number)));
        return std::nullopt;
    case StatementCell::Kind::Text:
        break;
    }
    if (auto d = ParseStatementDateText(cell.text))
        return d;
    // A day number written out as text ("45356" or "45356.5").
    const std::string s = NormalizeStatementText(cell.text);
    if (s.size() >= 5 && s.size() <= 16 && s.find_first_not_of("0123456789.") == std::string::npos &&
        s.find('.') == s.rfind('.') && s[0] != '.') {
        char* end = nullptr;
        const double v = std::strtod(s.c_str(), &end);
        if (end && *end == '\0')
            return serialDate(v);
    }
    return std::nullopt;
}

std::optional<int> DayNumber(std::string_view iday)
{
    if (iday.size() != 10 || iday[4] != '.' || iday[7] != '.')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8}, lens[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k)
        for (std::size_t j = 0; j < lens[k]; ++j) {
            const char c = iday[starts[k] + j];
            if (c < '0' || c > '9')
                return std::nullopt;
            parts[k] = parts[k] * 10 + (c - '0');
        }
    if (!IsCalendarDate(parts[0], parts[1], parts[2]))
        return std::nullopt;
    return daysFromCivil(parts[0], parts[1], parts[2]);
}

std::optional<double> ParseStatementAmountText(std::string_view utf8, bool* bad)
{
    if (bad)
        *bad = false;
    std::u32string text = DecodeUtf8(utf8);
    std::string digits;
    bool negative = false, bracket = false, close = false, seenDigit = false, seenPoint = false;
    bool any = false, ended = false;
    for (char32_t raw : text) {
        const char32_t c = plainForm(raw);
        if (isSpace(c) || c == ',')
            continue;
        any = true;
        if (ended)  // nothing may follow ")" or "원"
            goto refuse;
        if (c >= '0' && c <= '9') {
            digits += static_cast<char>(c);
            seenDigit = true;
        } else if (c == '.' && seenDigit && !seenPoint) {
            digits += '.';
            seenPoint = true;
        } else if ((c == '-' || c == 0x25B3 || c == 0x25B2) && !seenDigit && !negative) {
            negative = true;   // "-", and the Korean "△"/"▲" for a minus
        } else if (c == '+' && !seenDigit && !negative) {
        } else if (c == '(' && !seenDigit && !bracket) {
            bracket = true;
        } else if (c == ')' && bracket && seenDigit && !close) {
            close = true;
            ended = true;
        } else if ((c == 0x20A9 || c == 0xFFE6 || c == 0x5C) && !seenDigit) {
            // ₩, ￦, and the backslash a Korean code page shows as ₩
        } else if (c == 0xC6D0 && seenDigit && !close) {
            // "원" after the figure ("(5,000원)" too)
            ended = !bracket;
        } else {
            goto refuse;
        }
    }
    if (!any)
        return std::nullopt;
    // A dash alone ("-", "－") is how lists write an empty amount.
    if (!seenDigit && negative && !bracket && !seenPoint)
        return 0.0;
    if (!seenDigit || bracket != close || digits.back() == '.')
        goto refuse;
    {
        const double v = std::strtod(digits.c_str(), nullptr);
        if (!std::isfinite(v))
            goto refuse;
        return (negative || bracket) ? -v : v;
    }
refuse:
    if (bad)
        *bad = true;
    return std::nullopt;
}

std::optional<double> ParseStatementAmount(const StatementCell& cell, bool* bad)
{
    if (bad)
        *bad = false;
    switch (cell.kind) {
    case StatementCell::Kind::Empty:
        return std::nullopt;
    case StatementCell::Kind::Number:
        if (!std::isfinite(cell.number)) {
            if (bad)
                *bad = true;
            return std::nullopt;
        }
        return cell.number;
    case StatementCell::Kind::Date:
        if (bad)
            *bad = true;
        return std::nullopt;
    case StatementCell::Kind::Text:
        break;
    }
    return ParseStatementAmountText(cell.text, bad);
}

namespace {

// The nearest form CP949 holds of a character it lacks: its full-width
// form, its plain form, or a look-alike; 0 when there is none.
char32_t nearestHeld(char32_t c)
{
    if (c >= 0x21 && c <= 0x7E)
        return c - 0x21 + 0xFF01;
    if (c >= 0xFF01 && c <= 0xFF5E)
        return c - 0xFF01 + 0x21;
    switch (c) {
    case 0x20A9: return 0xFFE6;   // ₩
    case 0xA2: return 0xFFE0;     // ¢
    case 0xA3: return 0xFFE1;     // £
    case 0xA5: return 0xFFE5;     // ¥
    case 0xAC: return 0xFFE2;     // ¬
    case 0xA6: return 0xFFE4;     // ¦
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2212: return '-';
    case 0x2014: case 0x2015: return 0x2015;
    case 0x2022: return 0x00B7;   // •
    case 0x00A0: case 0x2002: case 0x2003: case 0x2009: case 0x200A: return ' ';
    default: return 0;
    }
}

bool encodable(char32_t c, std::string& bytes)
{
    const Cp949Encoding e = encodeCp949(EncodeUtf8(std::u32string(1, c)));
    if (!e.bytes)
        return false;
    bytes = *e.bytes;
    return true;
}

} // namespace

FittedText FitLedgerText(std::string_view utf8, std::size_t maxBytes)
{
    FittedText out;
    std::u32string text = DecodeUtf8(utf8);
    for (char32_t& c : text)
        if (c == '\t' || c == '\r' || c == '\n' || c < 0x20)
            c = ' ';
    std::size_t from = 0, to = text.size();
    while (from < to && isSpace(text[from]))
        ++from;
    while (to > from && isSpace(text[to - 1]))
        --to;
    text = text.substr(from, to - from);

    // Most texts encode whole: only the others go character by character.
    const std::string whole = EncodeUtf8(text);
    Cp949Encoding all = encodeCp949(whole);
    if (all.bytes && all.bytes->size() <= maxBytes) {
        out.cp949 = std::move(*all.bytes);
        out.utf8 = whole;
        return out;
    }
    std::u32string kept;
    std::string piece;
    for (char32_t c : text) {
        const bool held = c < 0x80 ? (piece.assign(1, static_cast<char>(c)), true) : encodable(c, piece);
        if (!held) {
            const char32_t near = nearestHeld(c);
            if (!out.replaced)
                out.firstReplaced = EncodeUtf8(std::u32string(1, c));
            out.replaced = true;
            if (near && encodable(near, piece)) {
                c = near;
            } else {
                c = '?';
                piece.assign(1, '?');
            }
        }
        if (out.cp949.size() + piece.size() > maxBytes) {
            out.cut = true;
            break;
        }
        out.cp949 += piece;
        kept += c;
    }
    // A cut leaves no blank at the new end.
    while (!kept.empty() && kept.back() == ' ') {
        kept.pop_back();
        out.cp949.pop_back();
    }
    out.utf8 = EncodeUtf8(kept);
    return out;
}

} // namespace quill
