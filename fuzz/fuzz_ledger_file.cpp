// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte sequence is a possible ledger file. Reading it must never crash;
// the filter by date range must show exactly the rows the filter's own test
// passes, with the same totals; a saved ledger read and saved again gives
// the same file; and every record's dump line imports back to a record
// whose dump line is the same.
#include "FuzzCheck.h"
#include "cli/DumpLine.h"
#include "FuzzFiles.h"

#include "core/text/Cp949.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <string>
#include <vector>

namespace {

// A filter the filter row could build, taken from the first record: its
// year, its month or the whole year, and a category.
quill::LedgerFilter filterFor(const unsigned char* data, std::size_t size)
{
    if (size < quill::AutRecord::kSize)
        return {};
    const std::string day = quill::decodeCp949(std::string(reinterpret_cast<const char*>(data + 1), 10));
    const int category = data[quill::AutRecord::kCtg] % 5;  // 4: no condition
    const int monthIndex = data[quill::AutRecord::kCtg + 1] % 13;
    return quill::LedgerFilter::fromControls(category, day.substr(0, 4), monthIndex,
                                             day.size() >= 7 ? day.substr(5, 2) : std::string());
}

} // namespace

QB_FUZZ_TARGET(fuzzLedgerFile)
{
    static const std::string in = fuzzfiles::file("in.Aut");
    static const std::string saved = fuzzfiles::file("saved.Aut");
    static const std::string again = fuzzfiles::file("again.Aut");
    if (!fuzzfiles::writeFile(in, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;

    std::vector<quill::AutRecord> records;
    check(quill::ScanLedgerFile(in, [&](const quill::AutRecord& r) {
        records.push_back(r);
        return true;
    }));
    check(records.size() == size / quill::AutRecord::kSize);
    for (const quill::AutRecord& r : records) {
        std::string line;
        appendDumpLine(r, line);
        line.pop_back();
        quill::AutRecord back;
        check(!parseDumpLine(line, back));
        std::string lineAgain;
        appendDumpLine(back, lineAgain);
        lineAgain.pop_back();
        check(line == lineAgain);
    }

    quill::WorkingTable t;
    check(quill::ReadLedgerFile(in, t));
    check(t.rowCount() == records.size());
    t.orderBy("IDAY");
    t.open();

    const quill::LedgerFilter filter = filterFor(data, size);
    quill::LedgerTotals expected;
    for (std::size_t i = 0; i < t.rowCount(); ++i)
        if (filter.passes(t.row(i)))
            quill::AddToTotals(expected, t.row(i));
    t.setFilter(filter);
    t.setFiltered(true);
    const quill::LedgerTotals shown = quill::SumVisibleRows(t);
    check(shown.count == expected.count && shown.sums == expected.sums);
    check(t.recordCount() == expected.count);
    quill::FormatTotals(shown);
    t.setFiltered(false);

    // An amount no file can hold refuses the save; anything else is saved,
    // and saving what was read back changes nothing.
    if (quill::WriteLedgerFile(saved, t)) {
        quill::WorkingTable back;
        check(quill::ReadLedgerFile(saved, back));
        back.orderBy("IDAY");
        back.open();
        check(back.rowCount() == t.rowCount());
        check(quill::WriteLedgerFile(again, back));
        check(fuzzfiles::readFile(saved) == fuzzfiles::readFile(again));
    }
    return 0;
}
