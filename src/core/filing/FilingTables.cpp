// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filing/FilingTables.h"

#include "core/text/Cp949.h"
#include "core/text/TabSeparated.h"

namespace quill {

namespace {

FilingCell label(std::string text) { return FilingCell{std::move(text), false, 0, {}}; }
FilingCell amount(WideTenths v) { return FilingCell{{}, true, v, {}}; }

std::string yearText(int year) { return std::to_string(year) + "년"; }

std::string title(const char* what, const FilingFigures& f)
{
    return std::string(what) + " " + yearText(f.year) + " (" + taxpayerTypeName(f.settings.type) + ") — 참고용";
}

void addUndatedNote(FilingTable& t, const FilingFigures& f)
{
    if (f.undatedCount)
        t.notes.push_back("날짜가 달력에 없는 자료(연·월·일이 올바르지 않음) " + std::to_string(f.undatedCount)
                          + "건은 위 수치에 들어 있지 않습니다. 증빙 확인 탭에서 그 자료로 갈 수 있습니다.");
}

void addReferenceNote(FilingTable& t)
{
    t.notes.push_back("장부에서 모은 참고용 수치입니다. 신고서가 아니며, 신고 전에 홈택스의 자료와 맞춰 보십시오.");
}

// A text of an entry for a table cell: no tab or line break.
std::string cellText(std::string_view cp949)
{
    std::string s = decodeCp949(cp949);
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

void addRow(FilingTable& t, std::vector<FilingCell> row, long long entry = -1, bool heading = false)
{
    t.rows.push_back(std::move(row));
    t.entryOfRow.push_back(entry);
    t.headingRow.push_back(heading);
}

const FilingReturn& returnOf(const std::vector<FilingReturn>& all, const char* key)
{
    for (const FilingReturn& r : all)
        if (r.key == key)
            return r;
    return all.front();
}

} // namespace

FilingTable ReturnTable(const FilingReturn& r)
{
    FilingTable t;
    t.title = r.title;
    t.columns.push_back("구분");
    for (const FilingColumn& c : r.columns)
        t.columns.push_back(c.title);
    for (const FilingLine& l : r.lines) {
        // A rate the columns share names the line; rates that differ are
        // shown beside each column's figure, never one label for both.
        std::string shared = l.rate;
        bool differ = false;
        for (const FilingValue& v : l.values) {
            if (v.rate.empty() || !v.amount)
                continue;
            if (shared.empty())
                shared = v.rate;
            else if (shared != v.rate)
                differ = true;
        }
        if (differ)
            shared.clear();
        std::vector<FilingCell> row{label(shared.empty() ? l.name : l.name + " (" + shared + ")")};
        for (const FilingValue& v : l.values) {
            if (!v.amount)
                row.push_back(label(""));
            else if (l.isCount)
                row.push_back(label(plainDecimal(*v.amount) + "건"));
            else
                row.push_back(FilingCell{{}, true, *v.amount,
                                         v.estimated ? "추정" : differ && !v.rate.empty() ? "(" + v.rate + ")" : ""});
        }
        addRow(t, std::move(row));
    }
    t.notes = r.notes;
    return t;
}

FilingTable VatTable(const FilingFigures& f)
{
    const std::vector<FilingReturn> all = FilingReturns(f);
    FilingTable t = ReturnTable(all.front());
    const FilingReturn& warn = returnOf(all, "warn");
    t.notes.insert(t.notes.begin(), warn.notes.begin(), warn.notes.end());
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

FilingTable IncomeTable(const FilingFigures& f) { return IncomeTable(f, returnOf(FilingReturns(f), "income")); }

FilingTable IncomeTable(const FilingFigures& f, const FilingReturn& income)
{
    FilingTable t = ReturnTable(income);
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

FilingTable EvidenceTable(const FilingFigures& f, std::span<const LedgerEntry> rows)
{
    FilingTable t;
    t.title = title("증빙 확인", f);
    t.columns = {"날짜", "거래내용", "거래처", "금액 + 세액", "비고"};
    auto entries = [&](const std::string& heading, const std::vector<EvidenceItem>& list, bool withAmount) {
        if (list.empty())
            return;
        addRow(t, {label(heading), label(""), label(""), label(""), label("")}, -1, true);
        for (const EvidenceItem& item : list) {
            if (item.row >= rows.size())
                continue;
            const LedgerEntry& e = rows[item.row];
            std::string remark = cellText(e.ETC.view());
            if (item.reason != NoEvidenceReason::None)
                remark += std::string(remark.empty() ? "" : " — ") + noEvidenceReasonName(item.reason);
            addRow(t,
                   {label(cellText(e.IDAY.view())), label(cellText(e.JKYU.view())), label(cellText(e.SANGHO.view())),
                    withAmount ? amount(item.total) : label(""), label(remark)},
                   static_cast<long long>(item.row));
        }
    };
    entries(smallBusiness(f) ? "적격증빙 없는 3만원 초과 지출 (소규모사업자: 가산세 없음)"
                             : "적격증빙 없는 3만원 초과 지출 (가산세 2 %)",
            f.evidence, true);
    entries("기업업무추진비(접대비) 3만원 초과, 적격증빙 없음 (필요경비 불산입)", f.entertainment, true);
    entries("급여·4대보험료 (적격증빙 필요 없음)", f.wages, true);
    entries("그 밖에 적격증빙이 필요 없는 지출 (이유는 비고 끝에)", f.exempted, true);
    if (f.settings.type == TaxpayerType::General) {
        entries("불공제일 수 있는 매입 (지금은 공제함: 맞으면 Ctrl+D로 비고에 \"불공\"을 더합니다; 금액은 세액)",
                f.nondeductibleCandidates, true);
        entries("의제매입세액 공제 대상으로 본 자료", f.deemed, true);
    }
    std::vector<EvidenceItem> undated;
    for (std::size_t r : f.undated)
        undated.push_back({r, 0});
    entries("날짜가 올바르지 않은 자료 (수치에서 뺌)", undated, false);
    if (!f.otherRemarks.empty()) {
        addRow(t, {label("증빙으로 알아보지 못한 비고"), label(""), label(""), label(""), label("")}, -1, true);
        for (const auto& [text, count] : f.otherRemarks)
            // The count said in words: a bare "2건" under 거래내용 read as a description.
            addRow(t, {label(""), label("이 비고의 자료 " + std::to_string(count) + "건"), label(""), label(""),
                       label(text.empty() ? "(비어 있음)" : text)});
    }
    const std::vector<FilingReturn> all = FilingReturns(f);
    const FilingReturn& ev = returnOf(all, "evidence");
    // The count, the sum and the 가산세 always; the other lines only where
    // they hold something, so the notes leave the list room.
    for (const FilingLine& l : ev.lines)
        if (l.values.front().amount
            && (*l.values.front().amount != 0 || l.key == "count" || l.key == "sum" || l.key == "penalty"))
            t.notes.push_back(l.name + ": "
                              + (l.isCount ? plainDecimal(*l.values.front().amount) + "건"
                                           : groupedAmount(*l.values.front().amount) + "원"));
    t.notes.insert(t.notes.end(), ev.notes.begin(), ev.notes.end());
    t.notes.push_back("비고로 증빙을 알아봅니다 (띄어쓰기 무시): 세금계산서 \"세금계산서\", \"세계\"; 계산서 \"계산서\", "
                      "\"계\"(한 낱말일 때만: 계좌이체, 계약금은 아님); 신용카드 등 \"카드\", \"직불\", \"현금영수증\", "
                      "\"현금영수\", \"현영\", \"지출증빙\"; 불공제 \"불공\"; 계좌이체·송금은 증빙이 아닙니다. 제로페이·"
                      "카카오페이·네이버페이 같은 간편결제는 결제 수단에 따라 다르므로 알아보지 못한 비고로 보여 줍니다. "
                      "알아보지 못한 비고는 설정에서 단어로 더할 수 있습니다.");
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

std::array<WideTenths, 12> RunningIncome(const FilingFigures& f)
{
    std::array<WideTenths, 12> running{};
    WideTenths sum = 0;
    for (std::size_t m = 0; m < 12; ++m) {
        sum += f.months[m].income - f.months[m].expenses;
        running[m] = sum;
    }
    return running;
}

FilingTable MonthTable(const FilingFigures& f)
{
    FilingTable t;
    t.title = title("월별 수입·비용", f);
    t.columns = {"월", "수입", "비용 (필요경비)", "누적 소득금액"};
    const std::array<WideTenths, 12> running = RunningIncome(f);
    for (std::size_t m = 0; m < 12; ++m)
        t.rows.push_back({label(std::to_string(m + 1) + "월"), amount(f.months[m].income),
                          amount(f.months[m].expenses), amount(running[m])});
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

std::string TabSeparated(const FilingTable& table)
{
    std::string out = table.title + "\n";
    AppendTabLine(out, table.columns);
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        for (const FilingCell& c : row)
            cells.push_back(c.isAmount ? plainDecimal(c.amount) : c.text);
        AppendTabLine(out, cells);
    }
    return out;
}

} // namespace quill
