// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The export workbook as plain data: what every cell holds and how it looks,
// fully resolved, so that it can be checked without writing a file and
// written in one pass (a cell's whole format is given when it is written).
namespace quill::xl {

inline constexpr int kMaxRows = 1048576;    // rows of one worksheet
inline constexpr int kMaxColumns = 16384;

// A colour as 0xRRGGBB, or kAutomatic for the application's automatic colour.
using Colour = std::int32_t;
inline constexpr Colour kAutomatic = -1;
inline constexpr Colour kNoFill = -1;
constexpr Colour rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;

enum class LineWeight : std::uint8_t { None, Hairline, Thin, Medium, Thick };

// One edge line; every line is continuous.
struct BorderLine {
    LineWeight weight = LineWeight::None;
    Colour colour = kAutomatic;
    bool operator==(const BorderLine&) const = default;
};

enum class HAlign : std::uint8_t { General, Center };
enum class VAlign : std::uint8_t { Bottom, Center };  // Bottom is the default

struct CellFormat {
    std::string fontName;        // UTF-8; empty: the workbook's default font
    double fontSize = 11;
    bool bold = false;
    Colour fontColour = kAutomatic;
    HAlign horizontal = HAlign::General;
    VAlign vertical = VAlign::Bottom;
    Colour fill = kNoFill;       // solid fill
    std::string numberFormat;    // empty: General
    bool wrap = false;
    bool shrink = false;
    BorderLine left, right, top, bottom;

    bool operator==(const CellFormat&) const = default;
};

enum class CellKind : std::uint8_t { Empty, Number, Text, Formula };

// Rows and columns are counted from 0 here (A1 is row 0, column 0).
struct CellRange {
    int firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;
    bool operator==(const CellRange&) const = default;
};

// "C5" -> row 4, column 2; nothing for anything else.
std::optional<std::pair<int, int>> parseCellAddress(std::string_view a1);
// Column 0 -> "A", 26 -> "AA".
std::string columnName(int col);
// "B8:C8"; a single cell gives "B8".
std::string rangeName(const CellRange& r);
// "B8:C8" or "B8" -> the range; throws std::invalid_argument when malformed.
CellRange parseRange(std::string_view a1);

// One cell. Texts live in the sheet's text pool (see Sheet::text).
struct Cell {
    double number = 0;               // Number: the value; Formula: its numeric result
    std::uint32_t format = 0;        // index into Workbook::formats
    std::uint32_t textAt = 0, textLength = 0;      // Text: the text; Formula: the formula
    std::uint32_t resultAt = 0, resultLength = 0;  // Formula with a text result
    CellKind kind = CellKind::Empty;
    bool textResult = false;
};

// Paper size, orientation and margins in points, as the sheet's builder
// states them; the writer converts to the file's unit.
struct PageSetup {
    int paperSize = 9;  // A4
    bool landscape = false;
    int leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0;
    // Scaled to this many pages across and down; 0 leaves that direction free.
    int fitWide = 0, fitTall = 0;
    // Spreadsheet header and footer codes ("&L", "&P", "&N"), and how far
    // from the paper's edge they stand (points), inside the margins above.
    std::string header, footer;
    int headerMargin = 18, footerMargin = 11;
    bool operator==(const PageSetup&) const = default;
};

class SheetCanvas;

// One worksheet. Cells are kept for a block of rows() × columns() from A1;
// every cell outside it is empty and has the column format.
class Sheet {
public:
    std::string name;             // UTF-8
    bool hidden = false;
    bool selected = false;
    bool active = false;
    std::optional<PageSetup> pageSetup;
    double defaultRowHeight = 15;               // points
    std::map<int, double> rowHeights;           // rows that differ
    double defaultColumnWidth = 8.43;           // characters, as the application shows it
    std::map<int, double> columnWidths;         // columns that differ
    std::uint32_t columnFormat = 0;             // format of every column (whole-sheet settings)
    std::vector<CellRange> merges;
    std::optional<std::pair<int, int>> repeatRows;  // rows printed atop every page
    std::optional<CellRange> printArea;

    int rows() const { return rows_; }
    int columns() const { return cols_; }
    // A cell outside the block is empty with the column format.
    Cell cell(int row, int col) const;
    Cell at(std::string_view a1) const;  // throws std::invalid_argument on a bad address
    std::string_view text(const Cell& c) const { return {pool_.data() + c.textAt, c.textLength}; }
    std::string_view resultText(const Cell& c) const { return {pool_.data() + c.resultAt, c.resultLength}; }
    double rowHeight(int row) const;
    double columnWidth(int col) const;

private:
    friend class SheetCanvas;
    int rows_ = 0;
    int cols_ = 0;
    std::vector<Cell> cells_;
    std::string pool_;
};

class Workbook {
public:
    // The workbook's default font, which is also the unit of its column
    // widths; empty keeps the library's.
    std::string defaultFontName;  // UTF-8
    double defaultFontSize = 11;
    // formats[0] is the library's default format (nothing set).
    std::vector<CellFormat> formats{CellFormat{}};
    std::vector<Sheet> sheets;

    const CellFormat& format(const Cell& c) const { return formats[c.format]; }
    const Sheet* sheet(std::string_view name) const;
};

} // namespace quill::xl
