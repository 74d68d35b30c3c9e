// SPDX-License-Identifier: GPL-3.0-or-later
// The 종합소득세 tab's table: the return's lines, then each asset's row of
// the year as the 감가상각비조정명세서 shows it.
#include "core/filing/FilingTables.h"
#include "core/filing/IncomeFigures.h"

namespace quill {

FilingTable IncomeFiguresTable(const FilingFigures& f, const IncomeFigures& income)
{
    FilingTable t = IncomeTable(f, IncomeReturn(f, income));
    auto add = [&t](std::vector<FilingCell> row, long long entry, bool heading) {
        t.rows.push_back(std::move(row));
        t.entryOfRow.push_back(entry);
        t.headingRow.push_back(heading);
    };
    bool headed = false;
    for (const AssetSchedule& s : income.schedules) {
        const DepreciationRow* r = s.of(income.year);
        if (!r)
            continue;
        if (!headed)
            add({FilingCell{"감가상각 명세 (" + std::to_string(income.year) + "년)", false, 0, {}}, FilingCell{}}, -1,
                true);
        headed = true;
        const Asset& a = s.asset;
        std::string name = accountLabel(a.account) + " " + a.description + " (" + a.acquired + " 취득";
        if (a.life > 0)
            name += ", " + std::string(depreciationMethodName(a.method)) + " " + std::to_string(a.life) + "년";
        if (r->disposed)
            name += ", " + a.disposed.value_or("") + " 처분";
        name += ")";
        const auto row = static_cast<long long>(a.row);
        add({FilingCell{name, false, 0, {}}, FilingCell{}}, row, false);
        const std::pair<const char*, WideTenths> cells[] = {
            {"    기초 장부가액", r->opening},
            {"    상각범위액", r->range},
            {"    감가상각비", r->claimed},
            {"    기말 장부가액", r->closing},
        };
        for (const auto& [label, amount] : cells)
            add({FilingCell{label, false, 0, {}}, FilingCell{{}, true, amount, {}}}, row, false);
    }
    return t;
}

} // namespace quill
