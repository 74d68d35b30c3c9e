// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/export/XlsxWriter.h"

#include "core/io/SafeFile.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <cerrno>
#include <sys/stat.h>

#include <functional>
#include <cmath>
#include <string>
#include <vector>

namespace quill {

using namespace xl;

namespace {

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
}

// The library keeps 0 for "not set" and spells black differently.
lxw_color_t libraryColour(Colour c) { return c == kBlack ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : static_cast<lxw_color_t>(c); }

std::uint8_t libraryLine(LineWeight w)
{
    switch (w) {
    case LineWeight::None: return LXW_BORDER_NONE;
    case LineWeight::Hairline: return LXW_BORDER_HAIR;
    case LineWeight::Thin: return LXW_BORDER_THIN;
    case LineWeight::Medium: return LXW_BORDER_MEDIUM;
    case LineWeight::Thick: return LXW_BORDER_THICK;
    }
    return LXW_BORDER_NONE;
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Readers take "_xHHHH_" in a cell text for the character HHHH; a text that
// holds such a sequence itself keeps it by escaping its underscore.
void assignCellText(std::string& out, std::string_view text)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && isHex(text[i + 2]) && isHex(text[i + 3])
            && isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == '_')
            out += "_x005F";
        out += text[i];
    }
}

bool hasNonAscii(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// A number format of whole amounts ("#,##0") showing up to four decimal
// places instead, for a value that has them: a sheet must not show
// 25,000.5 as 25,001 where the printed form shows 25,000.5. Empty when the
// format has no whole-number grouping to widen.
std::string withDecimals(const std::string& format)
{
    static const std::string whole = "#,##0";
    if (format.find(whole) == std::string::npos || format.find('.') != std::string::npos)
        return {};
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        if (format.compare(i, whole.size(), whole) == 0) {
            out += "#,##0.0###";
            i += whole.size();
        } else {
            out += format[i++];
        }
    }
    return out;
}

// True when the value has a fraction the file keeps (ten-thousandths).
bool hasFraction(double value)
{
    const double tenThousandths = value * 10000;
    return std::isfinite(value) && std::fabs(tenThousandths) < 9e18
        && static_cast<long long>(std::llround(tenThousandths)) % 10000 != 0;
}

} // namespace

// Writes sheets of a workbook model row by row into a workbook of the
// library's constant-memory mode: a sheet is begun, its rows go out in
// order, then it is finished. Formats are made on first use.
class SheetFileWriter {
public:
    SheetFileWriter(const Workbook& book, lxw_workbook* wb) : book_(book), wb_(wb)
    {
        // The library's first format is the workbook's default (its font is
        // the one column widths are counted in).
        if (!book.defaultFontName.empty() && wb && wb->formats && !STAILQ_EMPTY(wb->formats)) {
            lxw_format* normal = STAILQ_FIRST(wb->formats);
            format_set_font_name(normal, book.defaultFontName.c_str());
            format_set_font_size(normal, book.defaultFontSize);
            if (hasNonAscii(book.defaultFontName)) {
                format_set_font_family(normal, 3);
                format_set_font_charset(normal, 129);
            }
        }
    }

    lxw_error writeSheet(const Sheet& sheet);

    // The sheet's settings and merges; nothing of its rows.
    lxw_worksheet* begin(const Sheet& sheet);
    // Row `row` of the sheet as written at row `at` (its height first).
    void writeRow(lxw_worksheet* ws, const Sheet& sheet, int row, int at);
    // One cell with the format of the sheet's cell (row, col), at row `at`.
    void writeCell(lxw_worksheet* ws, const Sheet& sheet, int at, int col, const Cell& cell, std::string_view text);
    // Column widths and the whole-sheet format; the sheet's error, if any.
    lxw_error finish(lxw_worksheet* ws, const Sheet& sheet);
    lxw_error error() const { return error_; }
    void setRowHeight(lxw_worksheet* ws, int at, double height)
    {
        keep(worksheet_set_row(ws, static_cast<lxw_row_t>(at), height, nullptr));
    }

private:
    lxw_format* format(std::uint32_t id);
    // The format for a number: its own, or the one with decimals when the
    // number has a fraction.
    lxw_format* numberFormat(std::uint32_t id, double value);
    lxw_format* make(const CellFormat& f);
    void keep(lxw_error e)
    {
        if (e != LXW_NO_ERROR && error_ == LXW_NO_ERROR)
            error_ = e;
    }

    const Workbook& book_;
    lxw_workbook* wb_;
    std::vector<lxw_format*> formats_;  // made on first use; the workbook owns them
    std::vector<lxw_format*> fractionFormats_;  // likewise, with decimals shown
    lxw_error error_ = LXW_NO_ERROR;
    std::string buffer_;
    std::string buffer2_;
};

lxw_format* SheetFileWriter::format(std::uint32_t id)
{
    if (formats_.size() < book_.formats.size())
        formats_.resize(book_.formats.size(), nullptr);
    if (!formats_[id])
        formats_[id] = make(book_.formats[id]);
    return formats_[id];
}

lxw_format* SheetFileWriter::numberFormat(std::uint32_t id, double value)
{
    if (!hasFraction(value))
        return format(id);
    if (fractionFormats_.size() < book_.formats.size())
        fractionFormats_.resize(book_.formats.size(), nullptr);
    if (!fractionFormats_[id]) {
        CellFormat f = book_.formats[id];
        const std::string decimals = withDecimals(f.numberFormat);
        if (decimals.empty())
            return format(id);
        f.numberFormat = decimals;
        fractionFormats_[id] = make(f);
    }
    return fractionFormats_[id];
}

lxw_format* SheetFileWriter::make(const CellFormat& f)
{
    lxw_format* x = workbook_add_format(wb_);
    if (!f.fontName.empty()) {
        format_set_font_name(x, f.fontName.c_str());
        if (hasNonAscii(f.fontName)) {
            // Hangul character set, so that the application picks the font's Korean face.
            format_set_font_family(x, 3);
            format_set_font_charset(x, 129);
        }
    }
    format_set_font_size(x, f.fontSize);
    if (f.bold)
        format_set_bold(x);
    if (f.fontColour != kAutomatic)
        format_set_font_color(x, libraryColour(f.fontColour));
    if (f.horizontal == HAlign::Center)
        format_set_align(x, LXW_ALIGN_CENTER);
    if (f.vertical == VAlign::Center)
        format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
    if (f.fill != kNoFill) {
        format_set_pattern(x, LXW_PATTERN_SOLID);
        format_set_bg_color(x, libraryColour(f.fill));
    }
    if (f.numberFormat == "@")
        format_set_num_format_index(x, 49);  // the built-in text format
    else if (!f.numberFormat.empty())
        format_set_num_format(x, f.numberFormat.c_str());
    if (f.wrap)
        format_set_text_wrap(x);
    if (f.shrink)
        format_set_shrink(x);
    struct Side {
        const BorderLine& line;
        void (*weight)(lxw_format*, uint8_t);
        void (*colour)(lxw_format*, lxw_color_t);
    };
    const Side sides[] = {{f.left, format_set_left, format_set_left_color},
                          {f.right, format_set_right, format_set_right_color},
                          {f.top, format_set_top, format_set_top_color},
                          {f.bottom, format_set_bottom, format_set_bottom_color}};
    for (const Side& s : sides) {
        if (s.line.weight == LineWeight::None)
            continue;
        s.weight(x, libraryLine(s.line.weight));
        if (s.line.colour != kAutomatic)
            s.colour(x, libraryColour(s.line.colour));
    }
    return x;
}

lxw_worksheet* SheetFileWriter::begin(const Sheet& sheet)
{
    if (lxw_error bad = workbook_validate_sheet_name(wb_, sheet.name.c_str()); bad != LXW_NO_ERROR) {
        keep(bad);
        return nullptr;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb_, sheet.name.c_str());
    if (!ws) {
        keep(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return nullptr;
    }

    if (sheet.defaultRowHeight != 15)
        worksheet_set_default_row(ws, sheet.defaultRowHeight, LXW_FALSE);

    // Merges first: with rows written one by one, the library only records
    // them here (the empty text and missing format write nothing).
    for (const CellRange& m : sheet.merges)
        keep(worksheet_merge_range(ws, static_cast<lxw_row_t>(m.firstRow), static_cast<lxw_col_t>(m.firstCol),
                                   static_cast<lxw_row_t>(m.lastRow), static_cast<lxw_col_t>(m.lastCol), "", nullptr));

    if (sheet.pageSetup) {
        const PageSetup& p = *sheet.pageSetup;
        worksheet_set_paper(ws, static_cast<uint8_t>(p.paperSize));
        if (p.landscape)
            worksheet_set_landscape(ws);
        else
            worksheet_set_portrait(ws);
        // Points to the file's inches.
        worksheet_set_margins(ws, p.leftMargin / 72.0, p.rightMargin / 72.0, p.topMargin / 72.0, p.bottomMargin / 72.0);
        if (p.fitWide || p.fitTall)
            worksheet_fit_to_pages(ws, static_cast<uint16_t>(p.fitWide), static_cast<uint16_t>(p.fitTall));
        if (!p.header.empty()) {
            lxw_header_footer_options o{};
            o.margin = p.headerMargin / 72.0;
            keep(worksheet_set_header_opt(ws, p.header.c_str(), &o));
        }
        if (!p.footer.empty()) {
            lxw_header_footer_options o{};
            o.margin = p.footerMargin / 72.0;
            keep(worksheet_set_footer_opt(ws, p.footer.c_str(), &o));
        }
    }
    if (sheet.repeatRows)
        keep(worksheet_repeat_rows(ws, static_cast<lxw_row_t>(sheet.repeatRows->first),
                                   static_cast<lxw_row_t>(sheet.repeatRows->second)));
    if (sheet.printArea)
        keep(worksheet_print_area(ws, static_cast<lxw_row_t>(sheet.printArea->firstRow),
                                  static_cast<lxw_col_t>(sheet.printArea->firstCol),
                                  static_cast<lxw_row_t>(sheet.printArea->lastRow),
                                  static_cast<lxw_col_t>(sheet.printArea->lastCol)));
    if (sheet.active)
        worksheet_activate(ws);
    else if (sheet.selected)
        worksheet_select(ws);
    if (sheet.hidden)
        worksheet_hide(ws);
    return ws;
}

void SheetFileWriter::writeCell(lxw_worksheet* ws, const Sheet& sheet, int at, int col, const Cell& cell,
                                std::string_view text)
{
    if (cell.kind == CellKind::Empty && cell.format == sheet.columnFormat)
        return;
    const auto r = static_cast<lxw_row_t>(at);
    const auto c = static_cast<lxw_col_t>(col);
    lxw_format* f = format(cell.format);
    switch (cell.kind) {
    case CellKind::Empty:
        keep(worksheet_write_blank(ws, r, c, f));
        break;
    case CellKind::Number:
        keep(worksheet_write_number(ws, r, c, cell.number, numberFormat(cell.format, cell.number)));
        break;
    case CellKind::Text:
        assignCellText(buffer_, text);
        keep(worksheet_write_string(ws, r, c, buffer_.c_str(), f));
        break;
    case CellKind::Formula:
        buffer_.assign(text);
        if (cell.textResult) {
            buffer2_.assign(sheet.resultText(cell));
            keep(worksheet_write_formula_str(ws, r, c, buffer_.c_str(), f, buffer2_.c_str()));
        } else {
            keep(worksheet_write_formula_num(ws, r, c, buffer_.c_str(), numberFormat(cell.format, cell.number),
                                             cell.number));
        }
        break;
    }
}

void SheetFileWriter::writeRow(lxw_worksheet* ws, const Sheet& sheet, int row, int at)
{
    if (auto h = sheet.rowHeights.find(row); h != sheet.rowHeights.end())
        keep(worksheet_set_row(ws, static_cast<lxw_row_t>(at), h->second, nullptr));
    for (int col = 0; col < sheet.columns(); ++col) {
        const Cell cell = sheet.cell(row, col);
        writeCell(ws, sheet, at, col, cell, sheet.text(cell));
    }
}

lxw_error SheetFileWriter::finish(lxw_worksheet* ws, const Sheet& sheet)
{
    if (!ws)
        return error_;
    for (auto height = sheet.rowHeights.lower_bound(sheet.rows()); height != sheet.rowHeights.end(); ++height)
        keep(worksheet_set_row(ws, static_cast<lxw_row_t>(height->first), height->second, nullptr));
    // Column widths and the whole-sheet format, in ranges that do not overlap.
    // Given after the rows: a column format widens the library's idea of the
    // used columns to all of them, and every row written after it would then
    // be scanned across 16,384 columns.
    if (sheet.columnFormat != 0 || sheet.defaultColumnWidth != 8.43 || !sheet.columnWidths.empty()) {
        lxw_format* columnFormat = sheet.columnFormat ? format(sheet.columnFormat) : nullptr;
        int next = 0;
        for (const auto& [col, width] : sheet.columnWidths) {
            if (col > next)
                keep(worksheet_set_column(ws, static_cast<lxw_col_t>(next), static_cast<lxw_col_t>(col - 1),
                                          sheet.defaultColumnWidth, columnFormat));
            keep(worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), width, columnFormat));
            next = col + 1;
        }
        if (next < kMaxColumns)
            keep(worksheet_set_column(ws, static_cast<lxw_col_t>(next), kMaxColumns - 1, sheet.defaultColumnWidth,
                                      columnFormat));
    }
    return error_;
}

lxw_error SheetFileWriter::writeSheet(const Sheet& sheet)
{
    lxw_worksheet* ws = begin(sheet);
    if (!ws)
        return error_;
    for (int row = 0; row < sheet.rows(); ++row)
        writeRow(ws, sheet, row, row);
    return finish(ws, sheet);
}

namespace {

// The library does not hear of every failed write of its zip stream (a
// full disk, the file size limit): the workbook counts as written only when
// it reads back as a whole archive.
// Whether every part of the archive reads back whole and each XML part
// ends as XML ends: the library writes a sheet through a scratch file whose
// failed writes it does not hear of either.
bool wholeArchive(const std::string& path)
{
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!z)
        return false;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    bool whole = n > 0;
    std::string buf(1 << 16, '\0');
    for (zip_int64_t i = 0; whole && i < n; ++i) {
        const std::string name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".xml") != 0)
            continue;
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        if (!f) {
            whole = false;
            break;
        }
        std::string tail;
        zip_int64_t got;
        while ((got = zip_fread(f, buf.data(), buf.size())) > 0) {
            tail.append(buf.data(), static_cast<std::size_t>(got));
            if (tail.size() > 64)
                tail.erase(0, tail.size() - 64);
        }
        zip_fclose(f);
        while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
            tail.pop_back();
        const bool sheet = name.rfind("xl/worksheets/", 0) == 0;
        whole = got == 0 && !tail.empty() && tail.back() == '>'
                && (!sheet || (tail.size() >= 12 && tail.compare(tail.size() - 12, 12, "</worksheet>") == 0));
    }
    zip_discard(z);
    return whole;
}

// The library does not hear of every failed write (a full disk, the file
// size limit): the workbook counts as written only when it reads back whole.
IoResult checkComplete(const std::string& path)
{
    if (wholeArchive(path))
        return IoResult::success();
    return IncompleteWrite(path);
}

class OpenWorkbook {
public:
    // The library writes the workbook by file name.
    explicit OpenWorkbook(const std::string& path) : file_(path, byPath()) {}
    ~OpenWorkbook()
    {
        if (wb_)
            workbook_close(wb_);
    }
    IoResult open()
    {
        if (IoResult r = file_.open(); !r)
            return r;
        // Worksheets go out row by row through small scratch files in the
        // target's folder, so a large ledger is never held in memory.
        scratch_ = folderOf(file_.target());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = scratch_.data();
        wb_ = workbook_new_opt(file_.temporaryPath().c_str(), &options);
        if (!wb_)
            return IoResult::failure(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
        return IoResult::success();
    }
    lxw_workbook* get() const { return wb_; }
    // Closes the workbook (which frees it in any case) and moves the file
    // into place when everything before went well.
    IoResult close(lxw_error err)
    {
        lxw_error closed = workbook_close(wb_);
        wb_ = nullptr;
        if (err == LXW_NO_ERROR)
            err = closed;
        if (err != LXW_NO_ERROR)
            return IoResult::failure(lxw_strerror(err));
        if (IoResult r = checkComplete(file_.temporaryPath()); !r)
            return r;  // the partial file goes with file_
        return file_.commit();
    }

private:
    static SafeFile::Options byPath()
    {
        SafeFile::Options o;
        o.byPath = true;
        return o;
    }
    SafeFile file_;
    std::string scratch_;
    lxw_workbook* wb_ = nullptr;
};

} // namespace

IoResult WriteStreamedWorkbookFile(Workbook& book, const StreamedSheet& streamed,
                                   const std::function<IoResult(Workbook&)>& addLaterSheets, const std::string& path)
{
    OpenWorkbook wb(path);
    if (IoResult r = wb.open(); !r)
        return r;
    SheetFileWriter writer(book, wb.get());
    const Sheet& model = *streamed.model;
    lxw_worksheet* ws = writer.begin(model);
    IoResult walked = IoResult::success();
    if (ws) {
        for (int row = 0; row < streamed.headRows; ++row)
            writer.writeRow(ws, model, row, row);
        int at = streamed.headRows;
        walked = streamed.rows([&](int modelRow, const StreamedCell* cells, double height) {
            if (height > 0)
                writer.setRowHeight(ws, at, height);
            for (int col = 0; col < model.columns(); ++col) {
                Cell cell;
                cell.format = model.cell(modelRow, col).format;
                cell.kind = cells[col].kind;
                cell.number = cells[col].number;
                writer.writeCell(ws, model, at, col, cell, cells[col].text);
            }
            ++at;
            return writer.error() == LXW_NO_ERROR;
        });
        for (int row = streamed.tailFrom; row < model.rows(); ++row, ++at)
            writer.writeRow(ws, model, row, at);
    }
    lxw_error err = writer.finish(ws, model);
    if (err == LXW_NO_ERROR && walked) {
        if (IoResult r = addLaterSheets(book); !r)
            walked = r;
    }
    if (err == LXW_NO_ERROR && walked) {
        for (std::size_t k = 1; k < book.sheets.size(); ++k) {
            err = writer.writeSheet(book.sheets[k]);
            if (err != LXW_NO_ERROR)
                break;
        }
    }
    if (!walked) {
        wb.close(LXW_ERROR_PARAMETER_VALIDATION);
        return walked;
    }
    return wb.close(err);
}

} // namespace quill
