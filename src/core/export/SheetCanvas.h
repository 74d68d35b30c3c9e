// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/export/Workbook.h"

#include <string>
#include <string_view>
#include <vector>

namespace quill::xl {

enum class Edge : std::uint8_t { Left, Right, Top, Bottom };

// Builds one sheet the way a spreadsheet application is driven: whole-sheet
// settings, then cell and range settings in order, each later setting
// replacing an earlier one. Borders are kept as the lines between cells, so a
// cell's right edge and its right neighbour's left edge are one line and the
// last setting of either wins; finish() gives both cells that line.
//
// The canvas covers rows × columns from A1. Lines may be set on any edge
// inside it; the outermost row and column of the canvas are there to carry
// the far side of the lines drawn next to them, so nothing may change the
// bottom edge of its last row or the right edge of its last column
// (finish() throws std::logic_error when something did).
class SheetCanvas {
public:
    SheetCanvas(Workbook& book, std::string name, int rows, int columns);

    // --- whole sheet (every cell, inside the canvas and beyond) ------------
    void sheetFontName(std::string_view utf8);
    void sheetFontSize(double size);
    void sheetFontColour(Colour c);
    void sheetVertical(VAlign v);
    void sheetColumnWidth(double width);
    void sheetRowHeight(double height);
    // Every edge of every cell takes the colour (a missing line becomes thin).
    void sheetBorderColour(Colour c);

    void rowHeight(int row, double height);
    void columnWidth(int col, double width);
    void pageSetup(const PageSetup& p) { sheet_.pageSetup = p; }
    void repeatRows(int first, int last) { sheet_.repeatRows = std::pair<int, int>{first, last}; }
    void printArea(const CellRange& r) { sheet_.printArea = r; }
    // The outermost row and column keep the far side of the lines drawn
    // next to them only where the application would draw on a neighbour
    // that has lines of its own. Without them (for a sheet without
    // whole-sheet lines) a printout does not grow by a page that holds
    // nothing but the far side of a border.
    void dropFarSideLines() { farSide_ = false; }

    // --- values ------------------------------------------------------------
    // An empty text leaves the cell empty, as the application does.
    void text(int row, int col, std::string_view utf8);
    void number(int row, int col, double value);
    void formula(int row, int col, std::string_view formula, double result);
    void formulaWithText(int row, int col, std::string_view formula, std::string_view result);
    const Cell& cell(int row, int col) const { return cells_[index(row, col)]; }

    // --- formats of ranges -----------------------------------------------
    void bold(const CellRange& r);
    void fontSize(const CellRange& r, double size);
    void horizontal(const CellRange& r, HAlign h);
    void fill(const CellRange& r, Colour c);
    void numberFormat(const CellRange& r, std::string_view format);
    void wrap(const CellRange& r);
    void shrink(const CellRange& r);
    void merge(const CellRange& r);

    // --- borders -------------------------------------------------------------
    // One outer edge of a range (the left edge of its first column and so on).
    void edgeWeight(const CellRange& r, Edge e, LineWeight w);
    void edgeColour(const CellRange& r, Edge e, Colour c);
    // Every edge of every cell of the range: its outline and inner lines.
    void gridWeight(const CellRange& r, LineWeight w);
    void gridColour(const CellRange& r, Colour c);
    void gridContinuous(const CellRange& r);

    // Resolves every cell's format into the workbook's format table and
    // hands over the sheet. The canvas is spent afterwards.
    Sheet finish();

private:
    // Everything of a cell's format but its borders, kept small because the
    // ledger sheet has a million cells.
    struct Style {
        float fontSize = 11;
        Colour fontColour = kAutomatic;
        Colour fill = kNoFill;
        std::uint8_t fontName = 0;      // index into names_
        std::uint8_t numberFormat = 0;  // index into numberFormats_
        bool bold = false, wrap = false, shrink = false;
        HAlign horizontal = HAlign::General;
        VAlign vertical = VAlign::Bottom;
        bool operator==(const Style&) const = default;
    };
    struct FormatKey {
        Style style;
        BorderLine left, right, top, bottom;
        bool operator==(const FormatKey&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const FormatKey& k) const;
    };

    std::size_t index(int row, int col) const;
    void check(const CellRange& r) const;
    template <class F> void eachStyle(const CellRange& r, F f);
    template <class F> void eachLine(const CellRange& r, Edge e, F f);
    template <class F> void eachGridLine(const CellRange& r, F f);
    BorderLine& hLine(int row, int col) { return hLines_[static_cast<std::size_t>(row) * cols_ + col]; }
    BorderLine& vLine(int row, int col) { return vLines_[static_cast<std::size_t>(row) * (cols_ + 1) + col]; }
    std::uint8_t nameIndex(std::vector<std::string>& list, std::string_view s);
    std::uint32_t appendText(std::string_view s);
    CellFormat formatOf(const FormatKey& k) const;

    Workbook& book_;
    Sheet sheet_;
    bool farSide_ = true;
    int rows_;
    int cols_;
    Style sheetStyle_;
    BorderLine sheetLine_;
    std::vector<Style> styles_;
    std::vector<Cell> cells_;
    std::vector<BorderLine> hLines_;  // (rows+1) × cols: top edge of (row, col)
    std::vector<BorderLine> vLines_;  // rows × (cols+1): left edge of (row, col)
    std::vector<std::string> names_{""};
    std::vector<std::string> numberFormats_{""};
};

} // namespace quill::xl
