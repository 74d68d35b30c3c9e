// SPDX-License-Identifier: GPL-3.0-or-later
// A delimited statement of any bytes, read and taken through every shipped
// profile and a profile guessed from its header, as the 가져오기 preview
// does: the reader stays within its limits, every value it parses is one
// the ledger can hold, every text fits its field in CP949, and booking the
// rows is undone to the very bytes.
#include "FuzzCheck.h"

#include "core/text/Cp949.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/WorkingTable.h"
#include "core/statement/StatementImport.h"
#include "core/statement/StatementValues.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

void checkRows(const std::vector<quill::ImportRow>& rows)
{
    for (const quill::ImportRow& r : rows) {
        for (int f = 0; f < 3; ++f) {
            const std::string& t = f == 0 ? r.description : f == 1 ? r.counterparty : r.remark;
            const quill::Cp949Encoding e = quill::encodeCp949(t);
            check(e.bytes.has_value());
            check(e.bytes->size() <= quill::ImportFieldLimit(f));
        }
        check(std::isfinite(r.amount) && std::isfinite(r.vat));
        if (r.status != quill::ImportStatus::Error) {
            check(quill::DayNumber(r.IDAY).has_value());
            check(!r.description.empty());
            check(r.amount + r.vat != 0);
        } else {
            check(!r.reason.empty());
            check(!r.ticked);
        }
    }
}

} // namespace

QB_FUZZ_TARGET(fuzzStatement)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    quill::StatementReadOptions options;
    options.cellLimit = 20000;
    const quill::StatementReadResult read = quill::ReadDelimitedStatement(bytes, options);
    if (read.error) {
        check(!read.error.message.empty());
        return 0;
    }
    check(read.book.sheets.size() == 1);

    // Every cell through the value parsers.
    for (const auto& row : read.book.sheets[0].rows)
        for (const quill::StatementCell& cell : row) {
            if (auto d = quill::ParseStatementDate(cell)) {
                check(quill::DayNumber(*d).has_value());
                check(quill::ParseStatementDateText(*d) == d);
            }
            bool bad = false;
            if (auto a = quill::ParseStatementAmount(cell, &bad))
                check(std::isfinite(*a) && !bad);
            const quill::FittedText f = quill::FitLedgerText(cell.text, 12);
            check(f.cp949.size() <= 12);
            check(quill::decodeCp949(f.cp949) == f.utf8);
        }

    quill::WorkingTable ledger;
    quill::LedgerEntry known;
    known.IDAY = "2024.03.05";
    known.JKYU = "a";
    known.SANGHO = "\xBC\xAD\xBF\xEF";  // 서울
    known.OTMNY = 1000;
    ledger.adoptRows({known});
    quill::LedgerMatchIndex index;
    index.build(ledger);

    // The shipped profiles, and one guessed from the header words.
    std::vector<quill::StatementProfile> profiles = quill::ShippedProfiles();
    const int header = quill::FindHeaderRow(read.book.sheets[0]);
    if (header >= 0) {
        quill::StatementProfile guessed;
        guessed.name = "guess";
        const auto& cells = read.book.sheets[0].rows[static_cast<std::size_t>(header)];
        const quill::ColumnRole roles[] = {quill::ColumnRole::Date, quill::ColumnRole::Counterparty,
                                           quill::ColumnRole::Amount, quill::ColumnRole::Vat,
                                           quill::ColumnRole::Status};
        for (std::size_t c = 0; c < cells.size() && c < std::size(roles); ++c)
            guessed.columns.push_back({roles[c], cells[c].text});
        guessed.vatIncluded = size % 2 == 0;
        guessed.categoryRule = size % 3 == 0 ? quill::CategoryRule::ByDirection : quill::CategoryRule::Fixed;
        profiles.push_back(guessed);
    }
    for (const quill::StatementProfile& p : profiles) {
        quill::ImportPlan plan = quill::PlanImport(read.book, 0, profiles, p.name, {}, index);
        checkRows(plan.rows);
        if (plan.rows.empty())
            continue;
        quill::SetImportRowText(plan.rows[0], static_cast<int>(size % 3), read.book.sheets[0].rows[0][0].text, index);
        checkRows(plan.rows);
        const std::size_t before = ledger.rowCount();
        const quill::BookedImport booked = quill::BookImportRows(ledger, plan.rows);
        check(ledger.rowCount() == before + booked.counts.booked);
        if (booked.change) {
            check(booked.change->undo(ledger));
            check(ledger.rowCount() == before && ledger.row(0) == known);
        }
    }
    return 0;
}
