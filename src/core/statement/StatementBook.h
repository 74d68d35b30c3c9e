// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A downloaded statement (card, bank or tax-office list) read into plain
// sheets of cells, before any meaning is given to its columns. Every reader
// fills the same shape, so header detection, profiles and matching never
// care which file format the list came in.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quill {

struct StatementCell {
    enum class Kind { Empty, Text, Number, Date };
    Kind kind = Kind::Empty;
    // The cell as a reader shows it, in UTF-8 (for numbers: as the file
    // spells or formats them, else the shortest exact decimal).
    std::string text;
    // Number and Date: the value. A Date is a day count in the 1900 date
    // system of spreadsheets (1 = 1900-01-01, fraction = time of day), so a
    // workbook in the 1904 system is already shifted by 1462 days.
    double number = 0;
    // A copy of a merged range's top-left value (xlsx merged cells, HTML
    // colspan/rowspan). Merged values are repeated into every covered cell
    // rather than left in the top-left one only, so a header row whose
    // "금액" spans 입금 and 출금 below it, or a date merged down over the
    // transactions of one day, still names or dates every column and row.
    // A value parser may skip copies in data rows: Gnumeric's HTML spans
    // text that overflows into empty neighbours the same way.
    bool spanned = false;
};
// What each reader gives:
// - xlsx: shared and inline strings as Text (phonetic guides left out);
//   numbers as Number with the file's own spelling ("1.5E3"); a number
//   whose cell style shows a date or time (built-in formats 14-22, 27-36,
//   45-47, 50-58, or a custom format with y, m, d, h or s outside quotes
//   and brackets) as Date, its text from StatementDateText; formulas as
//   their cached value (none: Empty); booleans as Text "TRUE"/"FALSE" with
//   number 1/0; error values as Text ("#N/A"). Every sheet in workbook
//   order, a chart sheet as an empty one.
// - xls: the same kinds, number text the shortest decimal, from the
//   workbook's records: BIFF8 (Excel 97 and later) and BIFF5/7 (Excel
//   5.0/95, texts in the workbook's code page); rich-text strings as their
//   text; formula cells as their cached value; merged ranges repeated.
// - HTML: every cell Text as the page shows it, white space collapsed,
//   <br> a space.

// Rows and columns are the file's own positions: a gap in an xlsx row is an
// Empty cell, a row the file skips an empty row; a row ends at its last cell
// with a value. An HTML table nested in a cell is a sheet of its own (in the
// order the tables start) and its text is left out of the enclosing cell;
// tables without any text are left out.
struct StatementSheet {
    std::string name;                                 // UTF-8
    std::vector<std::vector<StatementCell>> rows;     // ragged; row 0 = first row of the sheet
};

enum class StatementFormat { Unknown, Delimited, Xlsx, Xls, HtmlTable };

// The text encodings a delimited file may come in.
enum class StatementEncoding { Auto, Utf8, Utf16, Cp949 };

struct StatementReadOptions {
    StatementEncoding encoding = StatementEncoding::Auto;
    // Files above this are refused before reading (and an xlsx whose parts
    // would unpack to more than uncompressedLimit).
    std::uint64_t sizeLimit = 64ull << 20;
    std::uint64_t uncompressedLimit = 512ull << 20;
    // Cells held (gaps and merged copies included) and bytes of cell text
    // held (shared strings included), over all sheets: a few small cells can
    // otherwise stand for millions of copies.
    std::uint64_t cellLimit = 5'000'000;
    std::uint64_t textLimit = 256ull << 20;
    // For a reader on a thread of its own: how far it has come, in
    // thousandths (written as it goes; only a delimited list moves it
    // before the end), and a flag that stops it with Kind::Cancelled at the
    // next line. Either may be null.
    std::atomic<int>* progress = nullptr;
    const std::atomic<bool>* cancel = nullptr;
};

struct StatementBook {
    StatementFormat format = StatementFormat::Unknown;
    // Delimited text: the encoding found, and whether the guess was close
    // (the window then offers the choice).
    StatementEncoding encoding = StatementEncoding::Auto;
    bool encodingUnsure = false;
    char delimiter = 0;
    std::vector<StatementSheet> sheets;
};

// Why a statement could not be read. The message is Korean and names the
// file (the readers that work from bytes leave the name out; ReadStatementFile
// adds ": PATH"); the kind lets the command line choose its exit status.
struct StatementReadError {
    enum class Kind { None, NotFound, NotRegularFile, TooBig, Damaged, Encrypted, Hostile, UnknownFormat, Io, Empty, Cancelled };
    Kind kind = Kind::None;
    std::string message;
    explicit operator bool() const { return kind != Kind::None; }
};

struct StatementReadResult {
    StatementBook book;
    StatementReadError error;
};

// Tells the format from the first bytes (zip, OLE2 compound file, HTML
// markup, else delimited text).
StatementFormat DetectStatementFormat(const std::string& head);

// Reads the file at path, in whichever format it is. An encrypted Office
// file (an OLE2 file holding "EncryptionInfo"/"EncryptedPackage", or an xls
// with a password) gives Kind::Encrypted.
StatementReadResult ReadStatementFile(const std::string& path, const StatementReadOptions& options = {});

// The readers behind it. Each reads a whole file's bytes (or its path where
// the library wants one) and never throws.
StatementReadResult ReadDelimitedStatement(const std::string& bytes, const StatementReadOptions& options);
StatementReadResult ReadXlsxStatement(const std::string& bytes, const StatementReadOptions& options);
StatementReadResult ReadXlsStatement(const std::string& path, const StatementReadOptions& options);
StatementReadResult ReadHtmlStatement(const std::string& bytes, const StatementReadOptions& options);

// A day count of the 1900 date system as the readers spell a Date cell:
// "2024-03-05", "2024-03-05 14:22:11" with a time of day, "14:22:11" for a
// time alone (below 1); empty outside years 1900-9999.
std::string StatementDateText(double serial);
// The reverse for "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" (or a "T" between)
// and "HH:MM:SS"; false when the text is none of these or not a real date.
bool StatementSerialFromText(const std::string& text, double& serial);

} // namespace quill
