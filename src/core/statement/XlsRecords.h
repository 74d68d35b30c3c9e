// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What FreeXL leaves out of an xls (BIFF8) workbook: the cached values of
// formula cells and the merged ranges. Read from the workbook stream of the
// OLE2 file with every offset, chain and count checked against the bytes
// there are. Internal to the xls reader.
#include "core/statement/StatementBook.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quill::statement {

struct XlsSheetExtras {
    std::string name; // UTF-8
    struct Formula {
        std::size_t row, column;
        StatementCell cell;
    };
    std::vector<Formula> formulas;
    struct Merge {
        std::size_t top, bottom, left, right;
    };
    std::vector<Merge> merges;
};

// Whether the workbook is encrypted with a password (a FILEPASS record
// among its globals).
bool XlsHasPassword(const std::string& bytes);

// Whether the file is an OLE2 file with one workbook stream whose records
// all lie inside it and whose strings fit in their records. FreeXL trusts
// the counts in a file and reads past its buffers when they lie, so it only
// gets files that pass.
bool XlsStructureSound(const std::string& bytes);

// The worksheets of a BIFF8 workbook, in workbook order. False (and
// nothing) when the bytes are no BIFF8 workbook this can read; the caller
// then keeps what FreeXL gave.
bool ReadXlsExtras(const std::string& bytes, std::vector<XlsSheetExtras>& sheets);

} // namespace quill::statement
