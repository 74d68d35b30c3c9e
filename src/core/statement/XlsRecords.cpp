// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/XlsRecords.h"

#include "core/text/Utf8.h"
#include "core/statement/SheetCells.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <map>

namespace quill::statement {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

std::uint16_t U16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

// The characters of a BIFF8 string at b[at, end): count characters, one
// byte each (Latin-1) or UTF-16LE when highByte.
std::string Characters(const std::string& b, std::size_t at, std::size_t end, std::size_t count, bool highByte)
{
    if (at >= end)
        return {};
    if (highByte)
        return DecodeUtf16(std::string_view(b).substr(at, std::min(2 * count, (end - at) & ~std::size_t{1})), false);
    std::string out;
    for (std::size_t i = 0; i < count && at + i < end; ++i)
        AppendUtf8(out, static_cast<unsigned char>(b[at + i]));
    return out;
}

// An XLUnicodeString (2-byte count, flags, characters) at b[at, end).
std::string UnicodeString(const std::string& b, std::size_t at, std::size_t end)
{
    if (at + 3 > end)
        return {};
    return Characters(b, at + 3, end, U16(b, at), (b[at + 2] & 1) != 0);
}

// The streams of an OLE2 compound file, every sector number checked.
class Compound {
public:
    explicit Compound(const std::string& bytes) : mBytes(bytes) {}

    bool open()
    {
        if (mBytes.size() < 512 || mBytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0)
            return false;
        mShift = U16(mBytes, 0x1E);
        if (mShift != 9 && mShift != 12)
            return false;
        mSectorSize = std::size_t{1} << mShift;
        const std::size_t sectors = mBytes.size() / mSectorSize;
        const std::uint32_t fatSectors = U32(mBytes, 0x2C);
        if (fatSectors > sectors)
            return false;
        std::vector<std::uint32_t> fatIds;
        for (std::size_t i = 0; i < 109 && fatIds.size() < fatSectors; ++i)
            fatIds.push_back(U32(mBytes, 0x4C + 4 * i));
        std::uint32_t difat = U32(mBytes, 0x44);
        for (std::size_t n = 0; fatIds.size() < fatSectors && n <= sectors; ++n) {
            std::size_t at;
            if (!sectorOffset(difat, at))
                return false;
            for (std::size_t i = 0; i + 1 < mSectorSize / 4 && fatIds.size() < fatSectors; ++i)
                fatIds.push_back(U32(mBytes, at + 4 * i));
            difat = U32(mBytes, at + mSectorSize - 4);
        }
        for (std::uint32_t id : fatIds) {
            std::size_t at;
            if (!sectorOffset(id, at))
                return false;
            for (std::size_t i = 0; i < mSectorSize / 4; ++i)
                mFat.push_back(U32(mBytes, at + 4 * i));
        }
        std::string directory;
        if (!chain(U32(mBytes, 0x30), directory))
            return false;
        for (std::size_t at = 0; at + 128 <= directory.size(); at += 128)
            mEntries.push_back(directory.substr(at, 128));
        return !mEntries.empty() && mEntries[0][0x42] == 5;
    }

    std::size_t count(std::initializer_list<const char*> names) const
    {
        std::size_t n = 0;
        for (const std::string& e : mEntries)
            n += named(e, names) ? 1 : 0;
        return n;
    }

    // The stream whose name is one of names (ASCII), whole.
    bool stream(std::initializer_list<const char*> names, std::string& out)
    {
        for (const std::string& e : mEntries)
            if (named(e, names))
                return read(U32(e, 0x74), U32(e, 0x78), out);
        return false;
    }

private:
    static bool named(const std::string& e, std::initializer_list<const char*> names)
    {
        if (e[0x42] != 2)
            return false;
        const std::size_t length = U16(e, 0x40);
        for (const char* name : names) {
            const std::size_t n = std::strlen(name);
            bool same = length == 2 * n + 2;
            for (std::size_t i = 0; i < n && same; ++i)
                same = (e[2 * i] | 0x20) == (name[i] | 0x20) && e[2 * i + 1] == 0;
            if (same)
                return true;
        }
        return false;
    }

    bool sectorOffset(std::uint32_t id, std::size_t& at) const
    {
        at = (static_cast<std::size_t>(id) + 1) << mShift;
        return id < 0xFFFFFFFA && at + mSectorSize <= mBytes.size();
    }

    // The sectors of a chain, in order; a loop or a bad number fails.
    bool chain(std::uint32_t id, std::string& out) const
    {
        out.clear();
        std::vector<bool> seen(mFat.size());
        while (id != kEndOfChain) {
            std::size_t at;
            if (id >= mFat.size() || seen[id] || !sectorOffset(id, at))
                return false;
            seen[id] = true;
            out.append(mBytes, at, mSectorSize);
            id = mFat[id];
        }
        return true;
    }

    bool read(std::uint32_t start, std::uint32_t size, std::string& out)
    {
        if (size >= U32(mBytes, 0x38)) {
            if (!chain(start, out) || out.size() < size)
                return false;
            out.resize(size);
            return true;
        }
        // A small stream lives in 64-byte pieces of the root's stream.
        std::string mini, miniFatBytes;
        if (!chain(U32(mEntries[0], 0x74), mini) || !chain(U32(mBytes, 0x3C), miniFatBytes))
            return false;
        out.clear();
        std::uint32_t id = start;
        std::vector<bool> seen(miniFatBytes.size() / 4);
        while (id != kEndOfChain && out.size() < size) {
            if (static_cast<std::size_t>(id) >= seen.size() || seen[id]
                || (static_cast<std::size_t>(id) + 1) * 64 > mini.size())
                return false;
            seen[id] = true;
            out.append(mini, static_cast<std::size_t>(id) * 64, 64);
            id = U32(miniFatBytes, static_cast<std::size_t>(id) * 4);
        }
        if (out.size() < size)
            return false;
        out.resize(size);
        return true;
    }

    const std::string& mBytes;
    unsigned mShift = 9;
    std::size_t mSectorSize = 512;
    std::vector<std::uint32_t> mFat;
    std::vector<std::string> mEntries;
};

const char* ErrorText(unsigned code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
    }
}

// The workbook stream, when the file has exactly one.
bool WorkbookStream(const std::string& bytes, std::string& book)
{
    Compound file(bytes);
    if (!file.open() || file.count({"Workbook", "Book"}) != 1)
        return false;
    return file.stream({"Workbook", "Book"}, book);
}

// Whether the strings of an SST record and its CONTINUE records fit in
// them: each string's characters may go on in the next record, which then
// starts with a new flags byte.
bool SharedStringsFit(const std::vector<std::pair<std::size_t, std::size_t>>& parts, const std::string& book)
{
    std::size_t part = 0, at = parts[0].first;
    auto left = [&] { return parts[part].second - at; };
    auto next = [&] {
        if (++part >= parts.size())
            return false;
        at = parts[part].first;
        return true;
    };
    auto skip = [&](std::size_t n) {
        while (n > 0) {
            if (left() == 0 && !next())
                return false;
            const std::size_t step = std::min(n, left());
            at += step;
            n -= step;
        }
        return true;
    };
    if (left() < 8)
        return false;
    const std::uint32_t count = U32(book, at + 4);
    at += 8;
    std::size_t total = 0;
    for (const auto& p : parts)
        total += p.second - p.first;
    if (count > total / 3)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (left() == 0 && !next())
            return false;
        if (left() < 3)
            return false;
        std::size_t chars = U16(book, at);
        unsigned flags = static_cast<unsigned char>(book[at + 2]);
        at += 3;
        std::size_t runs = 0, extra = 0;
        if (flags & 0x08) {
            if (left() < 2)
                return false;
            runs = U16(book, at);
            at += 2;
        }
        if (flags & 0x04) {
            if (left() < 4)
                return false;
            extra = U32(book, at);
            at += 4;
        }
        while (chars > 0) {
            const std::size_t size = (flags & 1) ? 2 : 1;
            const std::size_t fit = std::min(chars, left() / size);
            at += fit * size;
            chars -= fit;
            if (chars == 0)
                break;
            if (!next() || left() < 1)
                return false;
            flags = static_cast<unsigned char>(book[at]);
            ++at;
        }
        if (!skip(4 * runs) || !skip(extra))
            return false;
    }
    return true;
}

} // namespace

bool XlsHasPassword(const std::string& bytes)
{
    std::string book;
    if (!WorkbookStream(bytes, book))
        return false;
    for (std::size_t at = 0; at + 4 <= book.size(); at += 4 + U16(book, at + 2)) {
        const std::uint16_t type = U16(book, at);
        if (type == 0x002F)
            return true;
        if (type == 0x000A)
            break;
    }
    return false;
}

bool XlsStructureSound(const std::string& bytes)
{
    std::string book;
    if (!WorkbookStream(bytes, book) || book.size() < 8 || U16(book, 0) != 0x0809)
        return false;
    const bool biff8 = U16(book, 4) == 0x0600;
    for (std::size_t at = 0; at + 4 <= book.size();) {
        const std::uint16_t type = U16(book, at);
        const std::size_t data = at + 4, length = U16(book, at + 2), end = data + length;
        if (end > book.size())
            return false;
        // Characters of one or two bytes after a count and a flags byte.
        auto fits = [&](std::size_t countAt, std::size_t countSize, bool flags) {
            if (countAt + countSize + (flags ? 1 : 0) > length)
                return false;
            const std::size_t count = countSize == 1 ? static_cast<unsigned char>(book[data + countAt])
                                                     : U16(book, data + countAt);
            const std::size_t size = flags && (book[data + countAt + countSize] & 1) ? 2 : 1;
            return countAt + countSize + (flags ? 1 : 0) + count * size <= length;
        };
        bool ok = true;
        switch (type) {
        case 0x0085: ok = biff8 ? fits(6, 1, true) : fits(6, 1, false); break;            // BOUNDSHEET
        case 0x041E: ok = biff8 ? fits(2, 2, true) : fits(2, 1, false); break;            // FORMAT
        case 0x0204: case 0x00D6: ok = biff8 ? fits(6, 2, true) : fits(6, 2, false); break; // LABEL, RSTRING
        case 0x00FC:                                                                       // SST
            if (biff8) {
                std::vector<std::pair<std::size_t, std::size_t>> parts{{data, end}};
                for (std::size_t c = end; c + 4 <= book.size() && U16(book, c) == 0x003C;) {
                    const std::size_t cEnd = c + 4 + U16(book, c + 2);
                    if (cEnd > book.size())
                        return false;
                    parts.emplace_back(c + 4, cEnd);
                    c = cEnd;
                }
                ok = SharedStringsFit(parts, book);
            }
            break;
        default: break;
        }
        if (!ok)
            return false;
        at = end;
    }
    return true;
}

bool ReadXlsExtras(const std::string& bytes, std::vector<XlsSheetExtras>& sheets)
{
    sheets.clear();
    std::string book;
    if (!WorkbookStream(bytes, book))
        return false;
    // Records: type, length, data. The globals come first.
    auto record = [&](std::size_t at, std::uint16_t& type, std::size_t& data, std::size_t& end) {
        if (at + 4 > book.size())
            return false;
        type = U16(book, at);
        data = at + 4;
        end = data + U16(book, at + 2);
        return end <= book.size();
    };
    std::uint16_t type;
    std::size_t data, end;
    if (!record(0, type, data, end) || type != 0x0809 || end - data < 4 || U16(book, data) != 0x0600)
        return false; // not BIFF8
    bool date1904 = false;
    std::map<int, bool> customIsDate;
    std::vector<int> xfFormat;
    std::vector<std::pair<std::uint32_t, std::string>> boundSheets;
    for (std::size_t at = end; record(at, type, data, end) && type != 0x000A; at = end) {
        if (type == 0x0022 && end - data >= 2)
            date1904 = U16(book, data) == 1;
        else if (type == 0x041E && end - data >= 2)
            customIsDate[U16(book, data)] = IsDateFormatCode(UnicodeString(book, data + 2, end));
        else if (type == 0x00E0 && end - data >= 4)
            xfFormat.push_back(U16(book, data + 2));
        else if (type == 0x0085 && end - data >= 8 && book[data + 5] == 0)
            boundSheets.emplace_back(U32(book, data),
                                     Characters(book, data + 8, end, static_cast<unsigned char>(book[data + 6]),
                                                (book[data + 7] & 1) != 0));
    }
    auto isDateStyle = [&](std::size_t xf) {
        if (xf >= xfFormat.size())
            return false;
        auto custom = customIsDate.find(xfFormat[xf]);
        return custom != customIsDate.end() ? custom->second : IsBuiltInDateFormat(xfFormat[xf]);
    };
    for (const auto& [offset, name] : boundSheets) {
        XlsSheetExtras sheet;
        sheet.name = name;
        bool pendingString = false;
        std::size_t pendingRow = 0, pendingColumn = 0;
        if (record(offset, type, data, end) && type == 0x0809) {
            for (std::size_t at = end; record(at, type, data, end) && type != 0x000A; at = end) {
                if (type == 0x0006 && end - data >= 20) {
                    pendingString = false;
                    const std::size_t row = U16(book, data), column = U16(book, data + 2), xf = U16(book, data + 4);
                    StatementCell cell;
                    if (U16(book, data + 12) == 0xFFFF) {
                        const unsigned kind = static_cast<unsigned char>(book[data + 6]);
                        const unsigned value = static_cast<unsigned char>(book[data + 8]);
                        if (kind == 0) {
                            pendingString = true;
                            pendingRow = row;
                            pendingColumn = column;
                        } else if (kind == 1) {
                            cell.kind = StatementCell::Kind::Text;
                            cell.number = value ? 1 : 0;
                            cell.text = value ? "TRUE" : "FALSE";
                        } else if (kind == 2) {
                            cell.kind = StatementCell::Kind::Text;
                            cell.text = ErrorText(value);
                        }
                    } else {
                        double v;
                        std::memcpy(&v, book.data() + data + 6, sizeof v);
                        if (std::isfinite(v)) {
                            const double serial = v + (date1904 ? 1462 : 0);
                            std::string dateText = isDateStyle(xf) ? StatementDateText(serial) : std::string();
                            if (!dateText.empty()) {
                                cell.kind = StatementCell::Kind::Date;
                                cell.number = serial;
                                cell.text = std::move(dateText);
                            } else {
                                char text[64];
                                auto [ptr, ec] = std::to_chars(text, text + sizeof text, v);
                                cell.kind = StatementCell::Kind::Number;
                                cell.number = v;
                                cell.text = ec == std::errc() ? std::string(text, ptr) : std::string("0");
                            }
                        }
                    }
                    if (cell.kind != StatementCell::Kind::Empty)
                        sheet.formulas.push_back({row, column, std::move(cell)});
                } else if (type == 0x0207 && pendingString) {
                    pendingString = false;
                    StatementCell cell;
                    cell.text = UnicodeString(book, data, end);
                    if (!cell.text.empty()) {
                        cell.kind = StatementCell::Kind::Text;
                        sheet.formulas.push_back({pendingRow, pendingColumn, std::move(cell)});
                    }
                } else if (type == 0x00E5 && end - data >= 2) {
                    const std::size_t count = U16(book, data);
                    for (std::size_t i = 0; i < count && data + 2 + 8 * i + 8 <= end; ++i) {
                        const std::size_t p = data + 2 + 8 * i;
                        sheet.merges.push_back({U16(book, p), U16(book, p + 2), U16(book, p + 4), U16(book, p + 6)});
                    }
                }
            }
        }
        sheets.push_back(std::move(sheet));
    }
    return true;
}

} // namespace quill::statement
