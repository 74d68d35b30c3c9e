// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A downloaded statement (card, bank or tax-office list) read into plain
// sheets of cells, before any meaning is given to its columns. Every reader
// fills the same shape, so header detection, profiles and matching never
// care which file format the list came in.
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
};

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
    std::uint64_t cellLimit = 20'000'000;
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
// file; the kind lets the command line choose its exit status.
struct StatementReadError {
    enum class Kind { None, NotFound, NotRegularFile, TooBig, Damaged, Encrypted, Hostile, UnknownFormat, Io };
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

// Reads the file at path, in whichever format it is.
StatementReadResult ReadStatementFile(const std::string& path, const StatementReadOptions& options = {});

// The readers behind it. Each reads a whole file's bytes (or its path where
// the library wants one) and never throws.
StatementReadResult ReadDelimitedStatement(const std::string& bytes, const StatementReadOptions& options);
StatementReadResult ReadXlsxStatement(const std::string& bytes, const StatementReadOptions& options);
StatementReadResult ReadXlsStatement(const std::string& path, const StatementReadOptions& options);
StatementReadResult ReadHtmlStatement(const std::string& bytes, const StatementReadOptions& options);

} // namespace quill
