// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every statement reader's fuzz target checks of a result: a refused
// file has a message and no sheets; a read one has sheets within the
// limits, and every cell is what its kind says.
#include "FuzzCheck.h"

#include "core/statement/StatementBook.h"

#include <cmath>

namespace fuzzstatement {

// Limits small enough that a run never waits on one huge input.
inline quill::StatementReadOptions options()
{
    quill::StatementReadOptions o;
    o.sizeLimit = 1 << 20;
    o.uncompressedLimit = 16 << 20;
    o.cellLimit = 200'000;
    o.textLimit = 16 << 20;
    return o;
}

inline void checkResult(const quill::StatementReadResult& r, const quill::StatementReadOptions& o)
{
    using Kind = quill::StatementCell::Kind;
    if (r.error) {
        check(!r.error.message.empty());
        check(r.book.sheets.empty());
        return;
    }
    check(!r.book.sheets.empty());
    std::uint64_t cells = 0;
    for (const quill::StatementSheet& sheet : r.book.sheets)
        for (const auto& row : sheet.rows) {
            cells += row.size();
            for (const quill::StatementCell& cell : row) {
                if (cell.kind == Kind::Empty)
                    check(cell.text.empty() && !cell.spanned);
                else
                    check(!cell.text.empty());
                if (cell.kind == Kind::Date)
                    check(cell.number >= 0 && cell.number < 2958466
                          && cell.text == quill::StatementDateText(cell.number));
                if (cell.kind == Kind::Number)
                    check(std::isfinite(cell.number));
            }
        }
    check(cells <= o.cellLimit);
}

} // namespace fuzzstatement
