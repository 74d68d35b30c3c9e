// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/export/Workbook.h"

#include <stdexcept>

namespace quill::xl {

std::optional<std::pair<int, int>> parseCellAddress(std::string_view a1)
{
    std::size_t i = 0;
    long col = 0;
    while (i < a1.size() && a1[i] >= 'A' && a1[i] <= 'Z' && col <= kMaxColumns)
        col = col * 26 + (a1[i++] - 'A' + 1);
    if (i == 0 || i == a1.size() || col > kMaxColumns || a1[i] == '0')
        return std::nullopt;
    long row = 0;
    for (; i < a1.size(); ++i) {
        if (a1[i] < '0' || a1[i] > '9' || row > kMaxRows)
            return std::nullopt;
        row = row * 10 + (a1[i] - '0');
    }
    if (row < 1 || row > kMaxRows)
        return std::nullopt;
    return std::pair<int, int>{static_cast<int>(row - 1), static_cast<int>(col - 1)};
}

std::string columnName(int col)
{
    std::string s;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

std::string rangeName(const CellRange& r)
{
    std::string first = columnName(r.firstCol) + std::to_string(r.firstRow + 1);
    if (r.firstRow == r.lastRow && r.firstCol == r.lastCol)
        return first;
    return first + ":" + columnName(r.lastCol) + std::to_string(r.lastRow + 1);
}

CellRange parseRange(std::string_view a1)
{
    auto colon = a1.find(':');
    auto first = parseCellAddress(a1.substr(0, colon));
    auto last = colon == std::string_view::npos ? first : parseCellAddress(a1.substr(colon + 1));
    if (!first || !last)
        throw std::invalid_argument("not a cell range: " + std::string(a1));
    return {first->first, first->second, last->first, last->second};
}

Cell Sheet::cell(int row, int col) const
{
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) {
        Cell outside;
        outside.format = columnFormat;
        return outside;
    }
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col)];
}

Cell Sheet::at(std::string_view a1) const
{
    auto rc = parseCellAddress(a1);
    if (!rc)
        throw std::invalid_argument("not a cell address: " + std::string(a1));
    return cell(rc->first, rc->second);
}

double Sheet::rowHeight(int row) const
{
    auto it = rowHeights.find(row);
    return it == rowHeights.end() ? defaultRowHeight : it->second;
}

double Sheet::columnWidth(int col) const
{
    auto it = columnWidths.find(col);
    return it == columnWidths.end() ? defaultColumnWidth : it->second;
}

const Sheet* Workbook::sheet(std::string_view name) const
{
    for (const Sheet& s : sheets)
        if (s.name == name)
            return &s;
    return nullptr;
}

} // namespace quill::xl
