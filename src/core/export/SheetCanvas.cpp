// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/export/SheetCanvas.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <unordered_map>

namespace quill::xl {

namespace {

// What the application does to a line when one property of it is set.
void setWeight(BorderLine& l, LineWeight w) { l.weight = w; }
void setColour(BorderLine& l, Colour c)
{
    if (l.weight == LineWeight::None)
        l.weight = LineWeight::Thin;
    l.colour = c;
}
void setContinuous(BorderLine& l)
{
    if (l.weight == LineWeight::None)
        l.weight = LineWeight::Thin;
}

void mix(std::size_t& h, std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); }

std::size_t lineBits(const BorderLine& l)
{
    return (static_cast<std::size_t>(l.weight) << 32) ^ static_cast<std::uint32_t>(l.colour);
}

} // namespace

std::size_t SheetCanvas::KeyHash::operator()(const FormatKey& k) const
{
    const Style& s = k.style;
    std::size_t h = std::hash<float>{}(s.fontSize);
    mix(h, static_cast<std::uint32_t>(s.fontColour));
    mix(h, static_cast<std::uint32_t>(s.fill));
    mix(h, (std::size_t{s.fontName} << 8) | s.numberFormat);
    mix(h, (std::size_t{s.bold} << 4) | (std::size_t{s.wrap} << 3) | (std::size_t{s.shrink} << 2)
               | (static_cast<std::size_t>(s.horizontal) << 1) | static_cast<std::size_t>(s.vertical));
    mix(h, lineBits(k.left));
    mix(h, lineBits(k.right));
    mix(h, lineBits(k.top));
    mix(h, lineBits(k.bottom));
    return h;
}

SheetCanvas::SheetCanvas(Workbook& book, std::string name, int rows, int columns)
    : book_(book), rows_(rows), cols_(columns)
{
    if (rows < 1 || columns < 1 || rows > kMaxRows || columns > kMaxColumns)
        throw std::invalid_argument("sheet block out of range");
    sheet_.name = std::move(name);
    sheet_.rows_ = rows;
    sheet_.cols_ = columns;
    const auto r = static_cast<std::size_t>(rows), c = static_cast<std::size_t>(columns);
    styles_.assign(r * c, Style{});
    cells_.assign(r * c, Cell{});
    hLines_.assign((r + 1) * c, BorderLine{});
    vLines_.assign(r * (c + 1), BorderLine{});
}

std::size_t SheetCanvas::index(int row, int col) const
{
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_)
        throw std::out_of_range("cell outside the sheet block: " + rangeName({row, col, row, col}));
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col);
}

void SheetCanvas::check(const CellRange& r) const
{
    if (r.firstRow > r.lastRow || r.firstCol > r.lastCol)
        throw std::invalid_argument("reversed range");
    index(r.firstRow, r.firstCol);
    index(r.lastRow, r.lastCol);
}

template <class F>
void SheetCanvas::eachStyle(const CellRange& r, F f)
{
    check(r);
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col)
            f(styles_[index(row, col)]);
}

template <class F>
void SheetCanvas::eachLine(const CellRange& r, Edge e, F f)
{
    check(r);
    switch (e) {
    case Edge::Left:
    case Edge::Right: {
        int col = e == Edge::Left ? r.firstCol : r.lastCol + 1;
        for (int row = r.firstRow; row <= r.lastRow; ++row)
            f(vLine(row, col));
        break;
    }
    case Edge::Top:
    case Edge::Bottom: {
        int row = e == Edge::Top ? r.firstRow : r.lastRow + 1;
        for (int col = r.firstCol; col <= r.lastCol; ++col)
            f(hLine(row, col));
        break;
    }
    }
}

template <class F>
void SheetCanvas::eachGridLine(const CellRange& r, F f)
{
    check(r);
    for (int row = r.firstRow; row <= r.lastRow + 1; ++row)
        for (int col = r.firstCol; col <= r.lastCol; ++col)
            f(hLine(row, col));
    for (int row = r.firstRow; row <= r.lastRow; ++row)
        for (int col = r.firstCol; col <= r.lastCol + 1; ++col)
            f(vLine(row, col));
}

std::uint8_t SheetCanvas::nameIndex(std::vector<std::string>& list, std::string_view s)
{
    auto it = std::find(list.begin(), list.end(), s);
    if (it != list.end())
        return static_cast<std::uint8_t>(it - list.begin());
    if (list.size() >= 255)
        throw std::length_error("too many font names or number formats");
    list.emplace_back(s);
    return static_cast<std::uint8_t>(list.size() - 1);
}

// --- whole sheet ---------------------------------------------------------

void SheetCanvas::sheetFontName(std::string_view utf8)
{
    std::uint8_t i = nameIndex(names_, utf8);
    sheetStyle_.fontName = i;
    for (Style& s : styles_)
        s.fontName = i;
}

void SheetCanvas::sheetFontSize(double size)
{
    sheetStyle_.fontSize = static_cast<float>(size);
    for (Style& s : styles_)
        s.fontSize = static_cast<float>(size);
}

void SheetCanvas::sheetFontColour(Colour c)
{
    sheetStyle_.fontColour = c;
    for (Style& s : styles_)
        s.fontColour = c;
}

void SheetCanvas::sheetVertical(VAlign v)
{
    sheetStyle_.vertical = v;
    for (Style& s : styles_)
        s.vertical = v;
}

void SheetCanvas::sheetColumnWidth(double width)
{
    sheet_.defaultColumnWidth = width;
    sheet_.columnWidths.clear();
}

void SheetCanvas::sheetRowHeight(double height)
{
    sheet_.defaultRowHeight = height;
    sheet_.rowHeights.clear();
}

void SheetCanvas::sheetBorderColour(Colour c)
{
    setColour(sheetLine_, c);
    for (BorderLine& l : hLines_)
        setColour(l, c);
    for (BorderLine& l : vLines_)
        setColour(l, c);
}

void SheetCanvas::rowHeight(int row, double height)
{
    index(row, 0);
    sheet_.rowHeights[row] = height;
}

void SheetCanvas::columnWidth(int col, double width)
{
    index(0, col);
    sheet_.columnWidths[col] = width;
}

// --- values ------------------------------------------------------------

std::uint32_t SheetCanvas::appendText(std::string_view s)
{
    if (sheet_.pool_.size() + s.size() > UINT32_MAX)
        throw std::length_error("sheet texts too long");
    auto at = static_cast<std::uint32_t>(sheet_.pool_.size());
    sheet_.pool_.append(s);
    return at;
}

void SheetCanvas::text(int row, int col, std::string_view utf8)
{
    Cell& c = cells_[index(row, col)];
    c = Cell{};
    if (utf8.empty())
        return;
    c.kind = CellKind::Text;
    c.textAt = appendText(utf8);
    c.textLength = static_cast<std::uint32_t>(utf8.size());
}

void SheetCanvas::number(int row, int col, double value)
{
    Cell& c = cells_[index(row, col)];
    c = Cell{};
    c.kind = CellKind::Number;
    c.number = value;
}

void SheetCanvas::formula(int row, int col, std::string_view f, double result)
{
    Cell& c = cells_[index(row, col)];
    c = Cell{};
    c.kind = CellKind::Formula;
    c.textAt = appendText(f);
    c.textLength = static_cast<std::uint32_t>(f.size());
    c.number = result;
}

void SheetCanvas::formulaWithText(int row, int col, std::string_view f, std::string_view result)
{
    formula(row, col, f, 0);
    Cell& c = cells_[index(row, col)];
    c.textResult = true;
    c.resultAt = appendText(result);
    c.resultLength = static_cast<std::uint32_t>(result.size());
}

// --- formats ---------------------------------------------------------------

void SheetCanvas::bold(const CellRange& r)
{
    eachStyle(r, [](Style& s) { s.bold = true; });
}

void SheetCanvas::fontSize(const CellRange& r, double size)
{
    eachStyle(r, [&](Style& s) { s.fontSize = static_cast<float>(size); });
}

void SheetCanvas::horizontal(const CellRange& r, HAlign h)
{
    eachStyle(r, [&](Style& s) { s.horizontal = h; });
}

void SheetCanvas::fill(const CellRange& r, Colour c)
{
    eachStyle(r, [&](Style& s) { s.fill = c; });
}

void SheetCanvas::numberFormat(const CellRange& r, std::string_view format)
{
    std::uint8_t i = nameIndex(numberFormats_, format);
    eachStyle(r, [&](Style& s) { s.numberFormat = i; });
}

void SheetCanvas::wrap(const CellRange& r)
{
    eachStyle(r, [](Style& s) { s.wrap = true; });
}

void SheetCanvas::shrink(const CellRange& r)
{
    eachStyle(r, [](Style& s) { s.shrink = true; });
}

void SheetCanvas::merge(const CellRange& r)
{
    check(r);
    if (r.firstRow == r.lastRow && r.firstCol == r.lastCol)
        return;  // a single cell is no merge
    for (const CellRange& m : sheet_.merges)
        if (!(r.lastRow < m.firstRow || m.lastRow < r.firstRow || r.lastCol < m.firstCol || m.lastCol < r.firstCol))
            throw std::logic_error("overlapping merges " + rangeName(r) + " and " + rangeName(m));
    sheet_.merges.push_back(r);
}

// --- borders -----------------------------------------------------------------

void SheetCanvas::edgeWeight(const CellRange& r, Edge e, LineWeight w)
{
    eachLine(r, e, [&](BorderLine& l) { setWeight(l, w); });
}

void SheetCanvas::edgeColour(const CellRange& r, Edge e, Colour c)
{
    eachLine(r, e, [&](BorderLine& l) { setColour(l, c); });
}

void SheetCanvas::gridWeight(const CellRange& r, LineWeight w)
{
    eachGridLine(r, [&](BorderLine& l) { setWeight(l, w); });
}

void SheetCanvas::gridColour(const CellRange& r, Colour c)
{
    eachGridLine(r, [&](BorderLine& l) { setColour(l, c); });
}

void SheetCanvas::gridContinuous(const CellRange& r)
{
    eachGridLine(r, [](BorderLine& l) { setContinuous(l); });
}

// --- resolution ----------------------------------------------------------------

CellFormat SheetCanvas::formatOf(const FormatKey& k) const
{
    CellFormat f;
    f.fontName = names_[k.style.fontName];
    f.fontSize = k.style.fontSize;
    f.bold = k.style.bold;
    f.fontColour = k.style.fontColour;
    f.horizontal = k.style.horizontal;
    f.vertical = k.style.vertical;
    f.fill = k.style.fill;
    f.numberFormat = numberFormats_[k.style.numberFormat];
    f.wrap = k.style.wrap;
    f.shrink = k.style.shrink;
    f.left = k.left;
    f.right = k.right;
    f.top = k.top;
    f.bottom = k.bottom;
    return f;
}

Sheet SheetCanvas::finish()
{
    for (int col = 0; col < cols_; ++col)
        if (!(hLine(rows_, col) == sheetLine_))
            throw std::logic_error("a line was drawn on the far edge of the sheet block");
    for (int row = 0; row < rows_; ++row)
        if (!(vLine(row, cols_) == sheetLine_))
            throw std::logic_error("a line was drawn on the far edge of the sheet block");

    std::unordered_map<FormatKey, std::uint32_t, KeyHash> ids;
    auto intern = [&](const FormatKey& k) {
        auto [it, added] = ids.try_emplace(k, 0);
        if (added) {
            CellFormat f = formatOf(k);
            auto same = std::find(book_.formats.begin(), book_.formats.end(), f);
            it->second = static_cast<std::uint32_t>(same - book_.formats.begin());
            if (same == book_.formats.end())
                book_.formats.push_back(std::move(f));
        }
        return it->second;
    };

    sheet_.columnFormat = intern({sheetStyle_, sheetLine_, sheetLine_, sheetLine_, sheetLine_});
    FormatKey last;
    std::uint32_t lastId = intern(last);
    for (int row = 0; row < rows_; ++row) {
        for (int col = 0; col < cols_; ++col) {
            std::size_t i = index(row, col);
            FormatKey k{styles_[i], vLine(row, col), vLine(row, col + 1), hLine(row, col), hLine(row + 1, col)};
            if (!farSide_ && row == rows_ - 1)
                k.top = sheetLine_;
            if (!farSide_ && col == cols_ - 1)
                k.left = sheetLine_;
            if (!(k == last)) {
                last = k;
                lastId = intern(k);
            }
            cells_[i].format = lastId;
        }
    }
    sheet_.cells_ = std::move(cells_);
    styles_.clear();
    styles_.shrink_to_fit();
    hLines_.clear();
    vLines_.clear();
    return std::move(sheet_);
}

} // namespace quill::xl
