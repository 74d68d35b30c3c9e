// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/XlsRecords.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"
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

// The workbook stream: "Workbook" (BIFF8), else "Book" (BIFF5/7), whatever
// the case of its name.
bool WorkbookStream(const std::string& bytes, std::string& book)
{
    Compound file(bytes);
    if (!file.open())
        return false;
    return file.stream({"Workbook"}, book) || file.stream({"Book"}, book);
}

using Kind = StatementReadError::Kind;

// One record of the workbook stream.
struct Record {
    std::uint16_t type = 0;
    std::size_t data = 0, end = 0;
    std::size_t size() const { return end - data; }
};

class Workbook {
public:
    Workbook(const std::string& book, const StatementReadOptions& options, StatementReadResult& result)
        : mBook(book), mBudget(options), mResult(result)
    {
    }

    void read()
    {
        Record r;
        if (!record(0, r) || (r.type != 0x0809 && r.type != 0x0409 && r.type != 0x0209 && r.type != 0x0009))
            return damaged("통합 문서의 시작이 없습니다");
        if (r.type != 0x0809 || r.size() < 4)
            return refuse(Kind::UnknownFormat, "엑셀 4.0 이전의 xls 형식은 읽을 수 없습니다. 엑셀에서 xlsx로 저장한 뒤 다시 가져오십시오");
        const std::uint16_t version = U16(mBook, r.data);
        mBiff8 = version == 0x0600;
        if (!mBiff8 && version != 0x0500)
            return damaged("알 수 없는 BIFF 판입니다");
        if (!readGlobals(r.end))
            return;
        for (const Sheet& sheet : mSheets) {
            StatementSheet out;
            out.name = sheet.name.empty() ? "Sheet" + std::to_string(mResult.book.sheets.size() + 1) : sheet.name;
            // A chart or macro sheet holds no list: an empty sheet keeps the
            // places of the others.
            if (sheet.type == 0 && !readSheet(sheet.offset, out))
                return;
            mResult.book.sheets.push_back(std::move(out));
        }
        if (mResult.book.sheets.empty())
            damaged("시트가 하나도 없습니다");
    }

private:
    struct Sheet {
        std::uint32_t offset;
        unsigned type;
        std::string name;
    };

    bool record(std::size_t at, Record& r) const
    {
        if (at + 4 > mBook.size())
            return false;
        r.type = U16(mBook, at);
        r.data = at + 4;
        r.end = r.data + U16(mBook, at + 2);
        return r.end <= mBook.size();
    }

    void refuse(Kind kind, std::string message)
    {
        if (!mResult.error)
            mResult.error = {kind, std::move(message)};
        mResult.book.sheets.clear();
    }
    void damaged(const std::string& detail) { refuse(Kind::Damaged, DamagedMessage(detail)); }

    // Bytes of an 8-bit string: BIFF5 text in the workbook's code page
    // (CP949 in a Korean Excel), BIFF8's compressed Latin-1.
    std::string bytesText(std::string_view bytes) const
    {
        if (!mBiff8 && mCodePage == 949)
            return decodeCp949(bytes);
        std::string out;
        for (char c : bytes)
            AppendUtf8(out, static_cast<unsigned char>(c));
        return out;
    }

    // A string with a 16-bit (wide) or 8-bit count at `at`: BIFF8 has a
    // flags byte after the count (rich-text runs and phonetic data are
    // skipped), BIFF5 only bytes.
    std::string stringAt(std::size_t at, std::size_t end, bool wideCount) const
    {
        const std::size_t countSize = wideCount ? 2 : 1;
        if (at + countSize > end)
            return {};
        const std::size_t count = wideCount ? U16(mBook, at) : static_cast<unsigned char>(mBook[at]);
        at += countSize;
        if (!mBiff8)
            return bytesText(std::string_view(mBook).substr(at, std::min(count, end - at)));
        if (at >= end)
            return {};
        const unsigned flags = static_cast<unsigned char>(mBook[at++]);
        if (flags & 0x08)
            at += 2;
        if (flags & 0x04)
            at += 4;
        if (at > end)
            return {};
        return Characters(mBook, at, end, count, (flags & 1) != 0);
    }

    bool readGlobals(std::size_t at)
    {
        Record r;
        for (; record(at, r); at = r.end) {
            switch (r.type) {
            case 0x000A: return true;  // EOF
            case 0x002F:               // FILEPASS
                refuse(Kind::Encrypted, EncryptedMessage());
                return false;
            case 0x0042:               // CODEPAGE
                if (r.size() >= 2)
                    mCodePage = U16(mBook, r.data);
                break;
            case 0x0022:               // DATEMODE
                if (r.size() >= 2)
                    mDate1904 = U16(mBook, r.data) == 1;
                break;
            case 0x041E:               // FORMAT
                if (r.size() >= 3)
                    mCustomIsDate[U16(mBook, r.data)] = IsDateFormatCode(stringAt(r.data + 2, r.end, mBiff8));
                break;
            case 0x00E0:               // XF
                if (r.size() >= 4 && mXfFormat.size() < 65536)
                    mXfFormat.push_back(U16(mBook, r.data + 2));
                break;
            case 0x0085:               // BOUNDSHEET
                if (r.size() >= 7 && mSheets.size() < 65536)
                    mSheets.push_back({U32(mBook, r.data), static_cast<unsigned char>(mBook[r.data + 5]),
                                       stringAt(r.data + 6, r.end, false)});
                break;
            case 0x00FC:               // SST
                if (mBiff8 && !readSharedStrings(r))
                    return false;
                break;
            default: break;
            }
        }
        // No EOF: the stream is cut.
        damaged("통합 문서 정보가 끝나지 않았습니다");
        return false;
    }

    // The shared strings, over the SST record and the CONTINUE records
    // after it. The count in the record is not trusted: strings are read
    // while the records hold them (Excel reads files whose count is off).
    bool readSharedStrings(const Record& sst)
    {
        std::vector<std::pair<std::size_t, std::size_t>> parts{{sst.data + 8, sst.end}};
        if (sst.size() < 8)
            return true;
        for (Record c; record(parts.back().second, c) && c.type == 0x003C;)
            parts.emplace_back(c.data, c.end);
        std::size_t part = 0, at = parts[0].first;
        auto left = [&] { return parts[part].second - at; };
        auto next = [&] {
            while (++part < parts.size()) {
                at = parts[part].first;
                if (left() > 0)
                    return true;
            }
            return false;
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
        auto take = [&](std::size_t n, std::uint32_t& v) {
            // A count split over two records is no string Excel writes.
            if (left() < n)
                return false;
            v = n == 2 ? U16(mBook, at) : n == 4 ? U32(mBook, at) : static_cast<unsigned char>(mBook[at]);
            at += n;
            return true;
        };
        for (;;) {
            if (left() == 0 && !next())
                return true;
            std::uint32_t chars = 0, flags = 0, runs = 0, extra = 0;
            if (!take(2, chars) || !take(1, flags) || ((flags & 0x08) && !take(2, runs)) ||
                ((flags & 0x04) && !take(4, extra)))
                return true;  // what was read stays; a cell pointing further is refused
            std::string text;
            while (chars > 0) {
                const std::size_t size = (flags & 1) ? 2 : 1;
                const std::size_t fit = std::min<std::size_t>(chars, left() / size);
                text += Characters(mBook, at, at + fit * size, fit, size == 2);
                at += fit * size;
                chars -= static_cast<std::uint32_t>(fit);
                if (chars == 0)
                    break;
                // The characters go on in the next record, after a flags
                // byte of their own.
                if (!next() || !take(1, flags))
                    break;
            }
            if (!mBudget.spendText(text.size())) {
                refuse(mBudget.error().kind, mBudget.error().message);
                return false;
            }
            mStrings.push_back(std::move(text));
            if (chars > 0 || !skip(4 * static_cast<std::size_t>(runs)) || !skip(extra))
                return true;
        }
    }

    bool isDateStyle(std::size_t xf) const
    {
        if (xf >= mXfFormat.size())
            return false;
        auto custom = mCustomIsDate.find(mXfFormat[xf]);
        return custom != mCustomIsDate.end() ? custom->second : IsBuiltInDateFormat(mXfFormat[xf]);
    }

    StatementCell numberCell(double v, std::size_t xf) const
    {
        StatementCell cell;
        if (!std::isfinite(v))
            return cell;
        const double serial = v + (mDate1904 ? 1462 : 0);
        std::string dateText = isDateStyle(xf) ? StatementDateText(serial) : std::string();
        if (!dateText.empty()) {
            cell.kind = StatementCell::Kind::Date;
            cell.number = serial;
            cell.text = std::move(dateText);
            return cell;
        }
        char text[64];
        auto [ptr, ec] = std::to_chars(text, text + sizeof text, v);
        cell.kind = StatementCell::Kind::Number;
        cell.number = v;
        cell.text = ec == std::errc() ? std::string(text, ptr) : std::string("0");
        return cell;
    }

    static double rkValue(std::uint32_t rk)
    {
        double v;
        if (rk & 2) {
            v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
        } else {
            const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
            std::memcpy(&v, &bits, sizeof v);
        }
        return (rk & 1) ? v / 100 : v;
    }

    static StatementCell textCell(std::string text)
    {
        StatementCell cell;
        if (!text.empty()) {
            cell.kind = StatementCell::Kind::Text;
            cell.text = std::move(text);
        }
        return cell;
    }

    bool put(StatementSheet& sheet, std::size_t row, std::size_t column, StatementCell cell)
    {
        if (cell.kind == StatementCell::Kind::Empty)
            return true;
        if (PutCell(sheet, row, column, std::move(cell), mBudget) || !mBudget.failed())
            return true;
        refuse(mBudget.error().kind, mBudget.error().message);
        return false;
    }

    bool readSheet(std::uint32_t offset, StatementSheet& sheet)
    {
        Record r;
        if (!record(offset, r) || r.type != 0x0809) {
            damaged("시트 " + sheet.name + "의 위치가 맞지 않습니다");
            return false;
        }
        // Sheets that overlap cannot make the walk longer than the stream
        // a few times over.
        struct Merge {
            std::size_t top, bottom, left, right;
        };
        std::vector<Merge> merges;
        bool pendingString = false;
        std::size_t pendingRow = 0, pendingColumn = 0;
        for (std::size_t at = r.end;; at = r.end) {
            if (!record(at, r)) {
                damaged("시트 " + sheet.name + "이(가) 끝나지 않았습니다");
                return false;
            }
            mWalked += r.end - at;
            if (mWalked > 4 * mBook.size() + 4096) {
                damaged("시트가 서로 겹칩니다");
                return false;
            }
            if (r.type == 0x000A)
                break;
            const std::size_t n = r.size();
            // A text formula's STRING comes next, after any shared or array
            // formula record of the cell.
            if (r.type != 0x0207 && r.type != 0x04BC && r.type != 0x0221 && r.type != 0x0236 && r.type != 0x003C)
                pendingString = false;
            const std::size_t row = n >= 2 ? U16(mBook, r.data) : 0, column = n >= 4 ? U16(mBook, r.data + 2) : 0;
            const std::size_t xf = n >= 6 ? U16(mBook, r.data + 4) : 0;
            bool ok = true;
            switch (r.type) {
            case 0x00FD:  // LABELSST
                if (n >= 10) {
                    const std::uint32_t index = U32(mBook, r.data + 6);
                    if (index >= mStrings.size()) {
                        damaged("없는 공유 문자열을 가리키는 칸이 있습니다");
                        return false;
                    }
                    ok = put(sheet, row, column, textCell(mStrings[index]));
                }
                break;
            case 0x0204:  // LABEL
            case 0x00D6:  // RSTRING
                if (n >= 8)
                    ok = put(sheet, row, column, textCell(stringAt(r.data + 6, r.end, true)));
                break;
            case 0x0203:  // NUMBER
                if (n >= 14) {
                    double v;
                    std::memcpy(&v, mBook.data() + r.data + 6, sizeof v);
                    ok = put(sheet, row, column, numberCell(v, xf));
                }
                break;
            case 0x027E:  // RK
                if (n >= 10)
                    ok = put(sheet, row, column, numberCell(rkValue(U32(mBook, r.data + 6)), xf));
                break;
            case 0x00BD:  // MULRK: (xf, rk) pairs from the first column on
                for (std::size_t i = 0; ok && r.data + 4 + 6 * i + 6 <= r.end - 2; ++i) {
                    const std::size_t p = r.data + 4 + 6 * i;
                    ok = put(sheet, row, column + i, numberCell(rkValue(U32(mBook, p + 2)), U16(mBook, p)));
                }
                break;
            case 0x0205:  // BOOLERR
                if (n >= 8) {
                    const unsigned value = static_cast<unsigned char>(mBook[r.data + 6]);
                    StatementCell cell;
                    cell.kind = StatementCell::Kind::Text;
                    if (mBook[r.data + 7] == 0) {
                        cell.number = value ? 1 : 0;
                        cell.text = value ? "TRUE" : "FALSE";
                    } else {
                        cell.text = ErrorText(value);
                    }
                    ok = put(sheet, row, column, std::move(cell));
                }
                break;
            case 0x0006:  // FORMULA: its cached value
                if (n >= 20) {
                    StatementCell cell;
                    if (U16(mBook, r.data + 12) == 0xFFFF) {
                        const unsigned kind = static_cast<unsigned char>(mBook[r.data + 6]);
                        const unsigned value = static_cast<unsigned char>(mBook[r.data + 8]);
                        if (kind == 0) {
                            pendingString = true;  // the text follows in a STRING record
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
                        std::memcpy(&v, mBook.data() + r.data + 6, sizeof v);
                        cell = numberCell(v, xf);
                    }
                    ok = put(sheet, row, column, std::move(cell));
                }
                break;
            case 0x0207:  // STRING: a text formula's value
                if (pendingString) {
                    pendingString = false;
                    ok = put(sheet, pendingRow, pendingColumn, textCell(stringAt(r.data, r.end, true)));
                }
                break;
            case 0x00E5:  // MERGEDCELLS
                if (n >= 2) {
                    const std::size_t count = U16(mBook, r.data);
                    for (std::size_t i = 0; i < count && r.data + 2 + 8 * i + 8 <= r.end; ++i) {
                        const std::size_t p = r.data + 2 + 8 * i;
                        merges.push_back({U16(mBook, p), U16(mBook, p + 2), U16(mBook, p + 4), U16(mBook, p + 6)});
                    }
                }
                break;
            case 0x0809:  // a chart's own substream inside the sheet: skipped whole
                for (int depth = 1; depth > 0;) {
                    if (!record(r.end, r)) {
                        damaged("시트 " + sheet.name + "이(가) 끝나지 않았습니다");
                        return false;
                    }
                    mWalked += r.size() + 4;
                    depth += r.type == 0x0809 ? 1 : r.type == 0x000A ? -1 : 0;
                }
                break;
            default: break;
            }
            if (!ok)
                return false;
        }
        const std::size_t width = SheetWidth(sheet);
        for (const Merge& m : merges)
            if (!FillMerged(sheet, width, m.top, m.left, m.bottom, m.right, mBudget)) {
                if (mBudget.failed()) {
                    refuse(mBudget.error().kind, mBudget.error().message);
                    return false;
                }
            }
        return true;
    }

    const std::string& mBook;
    CellBudget mBudget;
    StatementReadResult& mResult;
    bool mBiff8 = true;
    bool mDate1904 = false;
    unsigned mCodePage = 1252;
    std::map<int, bool> mCustomIsDate;
    std::vector<int> mXfFormat;
    std::vector<Sheet> mSheets;
    std::vector<std::string> mStrings;
    std::size_t mWalked = 0;
};

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

void ReadXlsWorkbook(const std::string& bytes, const StatementReadOptions& options, StatementReadResult& result)
{
    std::string book;
    if (!WorkbookStream(bytes, book)) {
        Compound file(bytes);
        result.error = file.open() ? StatementReadError{Kind::UnknownFormat, "엑셀 통합 문서가 들어 있지 않은 파일입니다"}
                                   : StatementReadError{Kind::Damaged, DamagedMessage("xls 구조가 맞지 않습니다")};
        return;
    }
    Workbook(book, options, result).read();
}

} // namespace quill::statement
