// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The legacy xls reader: the records of the workbook stream (BIFF5/7 of
// Excel 5.0/95, BIFF8 of Excel 97 and later) in an OLE2 compound file, with
// every offset, chain and count checked against the bytes there are.
// Internal to the xls reader.
#include "core/statement/StatementBook.h"

#include <string>

namespace quill::statement {

// Whether the workbook is encrypted with a password (a FILEPASS record
// among its globals).
bool XlsHasPassword(const std::string& bytes);

// Every sheet of the workbook into result.book, in workbook order (a chart
// sheet as an empty one): shared strings with their formatting runs and
// CONTINUE records, BIFF5 texts in the workbook's code page, numbers, RK
// values, formula values and merged ranges. Refuses damage (a record or
// sheet outside the stream, a string index beyond the strings) and the
// options' limits with result.error.
void ReadXlsWorkbook(const std::string& bytes, const StatementReadOptions& options, StatementReadResult& result);

} // namespace quill::statement
