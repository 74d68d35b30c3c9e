// SPDX-License-Identifier: GPL-3.0-or-later
// CSV and TSV statements: the encoding and the delimiter are guessed, quoted
// fields follow RFC 4180 (doubled quotes, line breaks inside quotes).
#include "core/statement/SheetCells.h"
#include "core/statement/StatementBook.h"

#include "core/text/Cp949.h"
#include "core/text/Utf8.h"

#include <array>
#include <cstdint>

namespace quill {

namespace {

// A cell longer than any statement holds (a note runs to a few hundred
// bytes).
constexpr std::size_t kMaxFieldBytes = 64 << 10;

// How a reading of the bytes looks as Korean statement text: Hangul
// syllables, and characters such a list never holds (Latin letters with
// marks, Greek, Cyrillic, Hanja, CP949's extension syllables).
struct Reading {
    std::size_t hangul = 0;
    std::size_t odd = 0;
};

bool usualInStatements(char32_t c)
{
    return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3130 && c <= 0x318F) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x2000 && c <= 0x206F) || (c >= 0x2190 && c <= 0x21FF) ||
           (c >= 0x2460 && c <= 0x24FF) || (c >= 0x25A0 && c <= 0x25FF) || c == 0x20A9 || c == 0xA0 || c == 0xB7 ||
           c == 0xD7 || c == 0x2103 || c == 0x2116 || c == 0x2122;
}

Reading readAsUtf8(std::string_view bytes)
{
    Reading r;
    for (char32_t c : DecodeUtf8(bytes)) {
        if (c < 0x80)
            continue;
        if (c >= 0xAC00 && c <= 0xD7A3)
            ++r.hangul;
        else if (!usualInStatements(c))
            ++r.odd;
    }
    return r;
}

// CP949 read by its byte pairs: the KS X 1001 syllables (lead 0xB0-0xC8,
// trail 0xA1-0xFE) are Korean text; the extension syllables and Hanja
// hardly ever stand in a statement.
Reading readAsCp949(std::string_view s)
{
    Reading r;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 || i + 1 >= s.size()) {
            ++i;
            continue;
        }
        const auto t = static_cast<unsigned char>(s[i + 1]);
        if (c >= 0xB0 && c <= 0xC8 && t >= 0xA1)
            ++r.hangul;
        else if (!(c >= 0xA1 && c <= 0xAC && t >= 0xA1))
            ++r.odd;
        i += 2;
    }
    return r;
}

// The reading that looks more like Korean text: fewer odd characters,
// then more syllables; UTF-8 on a tie.
bool cp949ReadsBetter(std::string_view sample)
{
    const Reading u = readAsUtf8(sample), c = readAsCp949(sample);
    if (u.odd != c.odd)
        return c.odd < u.odd;
    return c.hangul > u.hangul;
}

std::string toUtf8(std::string_view bytes, const StatementReadOptions& options, StatementBook& book)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        book.encoding = StatementEncoding::Utf8;
        return RepairUtf8(bytes.substr(3));
    }
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        book.encoding = StatementEncoding::Utf16;
        return DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
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
        const Utf8Count utf8 = CountUtf8(sample);
        if (utf8.wide == 0 && utf8.bad == 0) {
            chosen = StatementEncoding::Utf8;
        } else {
            const std::size_t cpBad = cp949ShapeFaults(sample);
            if (utf8.bad == 0 && cpBad == 0) {
                // Both readings are possible (short CP949 names can be
                // valid UTF-8): the one that reads as Korean, and the
                // window offers the other.
                chosen = cp949ReadsBetter(sample) ? StatementEncoding::Cp949 : StatementEncoding::Utf8;
                book.encodingUnsure = true;
            } else if (utf8.bad == 0) {
                chosen = StatementEncoding::Utf8;
            } else {
                chosen = cpBad <= utf8.bad ? StatementEncoding::Cp949 : StatementEncoding::Utf8;
                book.encodingUnsure = cpBad != 0;
            }
        }
    }
    book.encoding = chosen;
    if (chosen == StatementEncoding::Utf16)
        return DecodeUtf16(bytes, false);
    if (chosen == StatementEncoding::Cp949)
        return decodeCp949(bytes);
    // UTF-8: broken bytes are shown as U+FFFD rather than passed on.
    return RepairUtf8(bytes);
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
    // Lines are counted as a text editor shows them, to name where a fault is.
    std::size_t line = 1, quoteLine = 0;
    auto refuse = [&](std::string message) {
        result.error = {StatementReadError::Kind::Damaged, std::move(message)};
        result.book.sheets.clear();
        return result;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n')
            ++line;
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
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
            quoteLine = line;
        } else if (c == d) {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                ++line;
            }
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
        // No statement's cell or row comes near these: a file that does is
        // no list, and reading it on would only fill memory.
        if (field.size() > kMaxFieldBytes) {
            if (quoted)
                return refuse(std::to_string(quoteLine) + "행에서 연 따옴표가 닫히지 않았습니다.");
            return refuse(std::to_string(line) + "행의 한 칸이 " + std::to_string(kMaxFieldBytes >> 10) +
                          " KB를 넘어 내역으로 읽을 수 없습니다.");
        }
        if (row.size() > statement::kMaxColumns)
            return refuse(std::to_string(line) + "행의 칸이 " + std::to_string(statement::kMaxColumns) +
                          "개를 넘어 내역으로 읽을 수 없습니다.");
        if (cells > options.cellLimit) {
            result.error = {StatementReadError::Kind::TooBig,
                            "칸이 너무 많아 읽지 않았습니다 (" + std::to_string(options.cellLimit) + "칸까지)."};
            result.book.sheets.clear();
            return result;
        }
    }
    if (quoted)
        return refuse(std::to_string(quoteLine) + "행에서 연 따옴표가 닫히지 않았습니다.");
    if (!field.empty() || wasQuoted || !row.empty())
        endRow();
    sheet.name = "Sheet1";
    book.sheets.push_back(std::move(sheet));
    return result;
}

} // namespace quill
