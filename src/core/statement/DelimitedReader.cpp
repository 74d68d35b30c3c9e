// SPDX-License-Identifier: GPL-3.0-or-later
// CSV and TSV statements: the encoding and the delimiter are guessed, quoted
// fields follow RFC 4180 (doubled quotes, line breaks inside quotes).
#include "core/text/HangulText.h"
#include "core/statement/StatementBook.h"

#include "core/text/Cp949.h"

#include <array>
#include <cstdint>

namespace quill {

namespace {

// UTF-16 after its byte-order mark; unpaired surrogates become U+FFFD.
std::string decodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c);
    }
    if (i < bytes.size())
        AppendUtf8(out, 0xFFFD);  // an odd last byte: a truncated file
    return out;
}

// Counts the bytes that break UTF-8 and the non-ASCII characters it holds.
struct Utf8Scan {
    std::size_t bad = 0;
    std::size_t wide = 0;
};

Utf8Scan scanUtf8(std::string_view s)
{
    Utf8Scan scan;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool ok = n != 0 && i + n <= s.size();
        for (std::size_t k = 1; ok && k < n; ++k)
            ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (ok) {
            ++scan.wide;
            i += n;
        } else {
            ++scan.bad;
            ++i;
        }
    }
    return scan;
}

// Bytes that cannot be CP949 (a lead byte without its trail byte). The
// shape alone decides: asking the converter character by character would
// cost more than reading the whole file.
std::size_t cp949Faults(std::string_view s)
{
    std::size_t faults = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const auto t = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        const bool trail = (t >= 0x41 && t <= 0x5A) || (t >= 0x61 && t <= 0x7A) || (t >= 0x81 && t <= 0xFE);
        // Leads above 0xC6 take only the upper trail bytes (KS X 1001).
        const bool pair = c >= 0x81 && c <= 0xFE && trail && (c <= 0xC6 || t >= 0xA1);
        if (pair) {
            i += 2;
        } else {
            ++faults;
            ++i;
        }
    }
    return faults;
}

// Text that decodes both ways with so few non-ASCII characters that either
// reading could be meant: the window asks then.
constexpr std::size_t kFewCharacters = 4;

std::string toUtf8(std::string_view bytes, const StatementReadOptions& options, StatementBook& book)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        book.encoding = StatementEncoding::Utf8;
        return std::string(bytes.substr(3));
    }
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        book.encoding = StatementEncoding::Utf16;
        return decodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
    }
    StatementEncoding chosen = options.encoding;
    if (chosen == StatementEncoding::Auto) {
        // Sampling the front keeps the guess fast on big files; whole lines
        // of Korean are plenty to tell the two apart.
        std::string_view sample = bytes.substr(0, 1 << 20);
        // A sample cut inside a character would count its first byte as
        // a fault of both encodings: it ends at the last line break in it.
        if (sample.size() < bytes.size()) {
            const std::size_t lineEnd = sample.rfind('\n');
            if (lineEnd != std::string_view::npos)
                sample = sample.substr(0, lineEnd + 1);
        }
        const Utf8Scan utf8 = scanUtf8(sample);
        if (utf8.wide == 0 && utf8.bad == 0) {
            chosen = StatementEncoding::Utf8;
        } else {
            const std::size_t cpBad = cp949Faults(sample);
            if (utf8.bad == 0) {
                chosen = StatementEncoding::Utf8;
                book.encodingUnsure = cpBad == 0 && utf8.wide <= kFewCharacters;
            } else {
                chosen = cpBad <= utf8.bad ? StatementEncoding::Cp949 : StatementEncoding::Utf8;
                book.encodingUnsure = cpBad != 0;
            }
        }
    }
    book.encoding = chosen;
    if (chosen == StatementEncoding::Utf16)
        return decodeUtf16(bytes, false);
    if (chosen == StatementEncoding::Cp949)
        return decodeCp949(bytes);
    // UTF-8: broken bytes are shown as U+FFFD rather than passed on.
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool ok = n != 0 && i + n <= bytes.size();
        for (std::size_t k = 1; ok && k < n; ++k)
            ok = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// The delimiter that splits the first lines into the most equal number of
// fields, more than one each. Quotes are respected while counting.
char guessDelimiter(std::string_view text)
{
    constexpr std::array<char, 4> candidates = {',', '\t', ';', '|'};
    char best = ',';
    double bestScore = -1;
    for (char d : candidates) {
        std::vector<std::size_t> counts;
        std::size_t fields = 1;
        bool quoted = false;
        for (std::size_t i = 0; i < text.size() && counts.size() < 40; ++i) {
            const char c = text[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == d) {
                ++fields;
            } else if (!quoted && c == '\n') {
                counts.push_back(fields);
                fields = 1;
            }
        }
        if (counts.size() < 40 && fields > 1)
            counts.push_back(fields);
        // Title lines above a table have one field: the lines that split
        // are what counts, and how alike they are.
        std::size_t multi = 0, most = 0;
        for (std::size_t n : counts) {
            if (n > 1)
                ++multi;
            most = std::max(most, n);
        }
        if (multi == 0)
            continue;
        std::size_t same = 0;
        for (std::size_t n : counts)
            if (n == most)
                ++same;
        const double score = static_cast<double>(same) * 1000 + static_cast<double>(multi) * 10 + static_cast<double>(most) / 100;
        if (score > bestScore) {
            bestScore = score;
            best = d;
        }
    }
    return best;
}

} // namespace

StatementReadResult ReadDelimitedStatement(const std::string& bytes, const StatementReadOptions& options)
{
    StatementReadResult result;
    StatementBook& book = result.book;
    book.format = StatementFormat::Delimited;
    if (bytes.size() > options.sizeLimit) {
        result.error = {StatementReadError::Kind::TooBig,
                        "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20) + " MB까지)."};
        return result;
    }
    // Zero bytes never occur in a text list (outside UTF-16): a binary file.
    if (book.encoding != StatementEncoding::Utf16 && bytes.substr(0, 2) != "\xFF\xFE" &&
        bytes.substr(0, 2) != "\xFE\xFF" && options.encoding != StatementEncoding::Utf16 &&
        bytes.find('\0') != std::string::npos) {
        result.error = {StatementReadError::Kind::UnknownFormat, "내역 파일로 읽을 수 없는 형식입니다."};
        return result;
    }
    const std::string text = toUtf8(bytes, options, book);
    book.delimiter = guessDelimiter(text);
    const char d = book.delimiter;

    StatementSheet sheet;
    std::vector<StatementCell> row;
    std::string field;
    bool quoted = false, wasQuoted = false;
    std::uint64_t cells = 0;
    auto endField = [&] {
        StatementCell cell;
        if (!field.empty() || wasQuoted) {
            cell.kind = field.empty() ? StatementCell::Kind::Empty : StatementCell::Kind::Text;
            cell.text = std::move(field);
        }
        row.push_back(std::move(cell));
        field.clear();
        wasQuoted = false;
        ++cells;
    };
    std::size_t width = 0;
    auto endRow = [&] {
        endField();
        width = row.size();
        sheet.rows.push_back(std::move(row));
        row = {};
        // Rows of a list are alike: room for as many cells as the last.
        row.reserve(width);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == d) {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endRow();
            if ((sheet.rows.size() & 1023) == 0) {
                if (options.cancel && options.cancel->load(std::memory_order_relaxed)) {
                    result.error = {StatementReadError::Kind::Cancelled, "읽기를 취소했습니다."};
                    result.book.sheets.clear();
                    return result;
                }
                if (options.progress)
                    options.progress->store(static_cast<int>(i * 1000 / text.size()), std::memory_order_relaxed);
            }
        } else {
            field += c;
        }
        if (cells > options.cellLimit) {
            result.error = {StatementReadError::Kind::TooBig,
                            "칸이 너무 많아 읽지 않았습니다 (" + std::to_string(options.cellLimit) + "칸까지)."};
            result.book.sheets.clear();
            return result;
        }
    }
    if (!field.empty() || wasQuoted || !row.empty())
        endRow();
    sheet.name = "Sheet1";
    book.sheets.push_back(std::move(sheet));
    return result;
}

} // namespace quill
