// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/SheetCells.h"

#include "core/text/DigitGroups.h"

#include <algorithm>

namespace quill::statement {

void CellBudget::fail(StatementReadError::Kind kind, std::string message)
{
    if (!mError)
        mError = {kind, std::move(message)};
}

bool CellBudget::spendCells(std::uint64_t n)
{
    if (mError)
        return false;
    if (n > mOptions.cellLimit || mCells > mOptions.cellLimit - n) {
        fail(StatementReadError::Kind::TooBig,
             "칸이 너무 많아 읽지 않았습니다 (" + GroupDigits(std::to_string(mOptions.cellLimit)) + "칸까지)");
        return false;
    }
    mCells += n;
    return true;
}

bool CellBudget::spendText(std::uint64_t bytes)
{
    if (mError)
        return false;
    if (bytes > mOptions.textLimit || mText > mOptions.textLimit - bytes) {
        fail(StatementReadError::Kind::TooBig,
             "글자가 너무 많아 읽지 않았습니다 (" + GroupDigits(std::to_string(mOptions.textLimit >> 20)) + " MB까지)");
        return false;
    }
    mText += bytes;
    return true;
}

bool PutCell(StatementSheet& sheet, std::size_t row, std::size_t column, StatementCell cell, CellBudget& budget)
{
    if (row >= kMaxRows || column >= kMaxColumns)
        return false;
    std::size_t have = row < sheet.rows.size() ? sheet.rows[row].size() : 0;
    std::uint64_t newCells = column >= have ? column + 1 - have : 0;
    if (!budget.spendCells(newCells) || !budget.spendText(cell.text.size()))
        return false;
    if (row >= sheet.rows.size())
        sheet.rows.resize(row + 1);
    auto& cells = sheet.rows[row];
    if (column >= cells.size())
        cells.resize(column + 1);
    cells[column] = std::move(cell);
    return true;
}

std::size_t SheetWidth(const StatementSheet& sheet)
{
    std::size_t width = 0;
    for (const auto& r : sheet.rows)
        width = std::max(width, r.size());
    return width;
}

bool FillMerged(StatementSheet& sheet, std::size_t width, std::size_t top, std::size_t left, std::size_t bottom,
                std::size_t right, CellBudget& budget)
{
    if (top >= sheet.rows.size() || left >= sheet.rows[top].size() || bottom < top || right < left)
        return true;
    const StatementCell origin = sheet.rows[top][left];
    if (origin.kind == StatementCell::Kind::Empty)
        return true;
    bottom = std::min(bottom, sheet.rows.size() - 1);
    right = std::min(right, width - 1);
    // Every covered position counts against the cell limit, filled or not,
    // so a million merges over the same cells cannot keep a read busy.
    if (!budget.spendCells(static_cast<std::uint64_t>(bottom - top + 1) * (right - left + 1)))
        return false;
    for (std::size_t r = top; r <= bottom; ++r)
        for (std::size_t c = left; c <= right; ++c) {
            if (r == top && c == left)
                continue;
            if (c < sheet.rows[r].size() && sheet.rows[r][c].kind != StatementCell::Kind::Empty)
                continue;
            StatementCell copy = origin;
            copy.spanned = true;
            if (!PutCell(sheet, r, c, std::move(copy), budget))
                return false;
        }
    return true;
}

bool ParseCellReference(const char* text, std::size_t& column, std::size_t& row, bool& hasRow)
{
    const char* p = text;
    while (*p == '$')
        ++p;
    std::size_t col = 0;
    int letters = 0;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        if (++letters > 3)
            return false;
        col = col * 26 + static_cast<std::size_t>((*p | 0x20) - 'a' + 1);
    }
    if (letters == 0 || col > kMaxColumns)
        return false;
    while (*p == '$')
        ++p;
    std::size_t r = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 7)
            return false;
        r = r * 10 + static_cast<std::size_t>(*p - '0');
    }
    if (*p != '\0' || (digits > 0 && (r == 0 || r > kMaxRows)))
        return false;
    column = col - 1;
    hasRow = digits > 0;
    row = hasRow ? r - 1 : 0;
    return true;
}

bool IsEncryptedOfficeFile(const std::string& bytes)
{
    if (bytes.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) != 0)
        return false;
    // Directory entries are 128 bytes each, at 128-byte steps after the
    // 512-byte header: a UTF-16LE name, its byte length (with the ending
    // zero) at 0x40, and the entry type (2 = stream) at 0x42.
    static const std::string names[] = {"EncryptedPackage", "EncryptionInfo"};
    for (const std::string& name : names) {
        std::string wide;
        for (char c : name)
            wide += {c, '\0'};
        wide += std::string(2, '\0');
        for (std::size_t at = bytes.find(wide, 512); at != std::string::npos; at = bytes.find(wide, at + 1)) {
            if (at % 128 != 0 || at + 0x43 >= bytes.size())
                continue;
            const std::size_t length = static_cast<unsigned char>(bytes[at + 0x40]) | static_cast<unsigned char>(bytes[at + 0x41]) << 8;
            if (length == wide.size() && bytes[at + 0x42] == 2)
                return true;
        }
    }
    return false;
}

// Whether a number format shows a date or time: a y, m, d, h or s outside
// quoted text, [brackets] (colours, locales, conditions) and escaped or
// padding characters.
bool IsDateFormatCode(std::string_view code)
{
    for (std::size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '"') {
            i = code.find('"', i + 1);
            if (i == std::string_view::npos)
                return false;
        } else if (c == '[') {
            i = code.find(']', i + 1);
            if (i == std::string_view::npos)
                return false;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == ';') {
            return false; // the first section decides
        } else {
            c = static_cast<char>(c | 0x20);
            if (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 's')
                return true;
        }
    }
    return false;
}

bool IsBuiltInDateFormat(int id)
{
    // 14-22 and 45-47 everywhere; 27-36 and 50-58 are the East Asian
    // built-ins, all dates or times in a Korean Excel.
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

std::string DamagedMessage(const std::string& detail)
{
    std::string m = "파일이 손상되었거나 잘려서 읽을 수 없습니다";
    if (!detail.empty())
        m += " (" + detail + ")";
    return m;
}

std::string EncryptedMessage()
{
    return "암호가 걸린 파일은 읽을 수 없습니다. 암호를 풀어 저장한 뒤 다시 가져오십시오";
}

} // namespace quill::statement
