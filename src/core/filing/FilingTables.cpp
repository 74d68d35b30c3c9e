// SPDX-License-Identifier: GPL-3.0-or-later
#include "filing/FilingTables.h"

#include "app/Cp949.h"

namespace quill {

namespace {

FilingCell label(std::string text) { return FilingCell{std::move(text), false, 0}; }
FilingCell amount(WideTenths v) { return FilingCell{{}, true, v}; }

std::string yearText(int year) { return std::to_string(year) + "년"; }

std::string title(const char* what, const FilingFigures& f)
{
    return std::string(what) + " " + yearText(f.year) + " (" + taxpayerTypeName(f.type) + ") — 참고용";
}

void addUndatedNote(FilingTable& t, const FilingFigures& f)
{
    if (!f.undated.empty())
        t.notes.push_back("날짜에 연·월·일이 올바르지 않은 자료 " + std::to_string(f.undated.size())
                          + "건은 위 수치에 들어 있지 않습니다.");
}

void addReferenceNote(FilingTable& t)
{
    t.notes.push_back("장부에서 모은 참고용 수치입니다. 신고서가 아니며 가산세·공제·감면은 들어 있지 않습니다.");
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

FilingTable generalVat(const FilingFigures& f)
{
    FilingTable t;
    t.title = title("부가가치세", f);
    t.columns = {"구분", "1기 예정 (1~3월)", "1기 확정 (4~6월)", "2기 예정 (7~9월)", "2기 확정 (10~12월)",
                 "1기 (1~6월)", "2기 (7~12월)", "연간"};
    struct Line {
        const char* name;
        WideTenths (*value)(const VatFigures&);
    };
    static const Line lines[] = {
        {"매출 공급가액", [](const VatFigures& v) { return v.salesAmount; }},
        {"매출 세액", [](const VatFigures& v) { return v.salesVat; }},
        {"세금계산서 매입 금액", [](const VatFigures& v) { return v.invoice.amount; }},
        {"세금계산서 매입 세액", [](const VatFigures& v) { return v.invoice.vat; }},
        {"  그중 고정자산", [](const VatFigures& v) { return v.invoice.assets; }},
        {"카드·현금영수증 매입 금액", [](const VatFigures& v) { return v.card.amount; }},
        {"카드·현금영수증 매입 세액", [](const VatFigures& v) { return v.card.vat; }},
        {"  그중 고정자산", [](const VatFigures& v) { return v.card.assets; }},
        {"기타 매입 금액", [](const VatFigures& v) { return v.other.amount; }},
        {"기타 매입 세액 (공제 안 됨)", [](const VatFigures& v) { return v.other.vat; }},
        {"공제 매입세액", [](const VatFigures& v) { return v.deductible(); }},
        {"납부세액 (음수는 환급)", [](const VatFigures& v) { return v.payable(); }},
    };
    for (const Line& l : lines) {
        std::vector<FilingCell> row{label(l.name)};
        for (const VatFigures& v : f.vat)
            row.push_back(amount(l.value(v)));
        t.rows.push_back(std::move(row));
    }
    t.notes.push_back("세금계산서: 비고 \"세계\", \"세금계산서\". 카드·현금영수증: \"카드\", \"신용카드\", "
                      "\"현금영수증\", \"현영\". 그 밖의 비고는 기타 매입으로, 매입세액을 공제하지 않습니다.");
    t.notes.push_back("예정신고 기간은 3개월, 확정신고는 보통 6개월분(1기, 2기)입니다.");
    return t;
}

FilingTable simplifiedVat(const FilingFigures& f)
{
    FilingTable t;
    t.title = title("부가가치세", f);
    t.columns = {"구분", "예정부과기간 (1~6월)", "연간"};
    const VatFigures& h1 = f.period(FilingPeriod::H1);
    const VatFigures& y = f.period(FilingPeriod::Year);
    t.rows.push_back({label("공급대가 (매출 금액 + 세액)"), amount(h1.simpleSupply()), amount(y.simpleSupply())});
    t.rows.push_back({label("세금계산서·카드 등 매입 (금액 + 세액)"), amount(h1.simplePurchases()),
                      amount(y.simplePurchases())});
    t.rows.push_back({label("매입세금계산서 등 수취세액공제 (0.5 %)"), amount(h1.simpleDeduction()),
                      amount(y.simpleDeduction())});
    t.notes.push_back("납부세액은 업종별 부가가치율이 있어야 계산할 수 있어 보여 주지 않습니다 "
                      "(공급대가 × 업종별 부가가치율 × 10 %).");
    t.notes.push_back("수취세액공제는 원 미만을 버립니다.");
    return t;
}

FilingTable exemptVat(const FilingFigures& f)
{
    FilingTable t;
    t.title = title("사업장현황신고", f);
    t.columns = {"구분", "연간"};
    const VatFigures& y = f.period(FilingPeriod::Year);
    t.rows.push_back({label("수입금액"), amount(f.income.revenue)});
    t.rows.push_back({label("세금계산서 매입 (금액 + 세액)"), amount(y.invoice.supply())});
    t.rows.push_back({label("카드·현금영수증 매입 (금액 + 세액)"), amount(y.card.supply())});
    t.rows.push_back({label("기타 매입 (금액 + 세액)"), amount(y.other.supply())});
    t.notes.push_back("면세사업자는 부가가치세를 신고하지 않고, 다음 해 2월 10일까지 사업장현황신고를 합니다.");
    return t;
}

} // namespace

FilingTable VatTable(const FilingFigures& f)
{
    FilingTable t = f.type == TaxpayerType::Simplified ? simplifiedVat(f)
                  : f.type == TaxpayerType::Exempt     ? exemptVat(f)
                                                       : generalVat(f);
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

FilingTable IncomeTable(const FilingFigures& f)
{
    FilingTable t;
    t.title = title("종합소득세", f);
    t.columns = {"구분", "금액"};
    t.rows.push_back({label("총수입금액"), amount(f.income.revenue)});
    t.rows.push_back({label("필요경비"), amount(f.income.expenses)});
    t.rows.push_back({label("소득금액 (총수입금액 - 필요경비)"), amount(f.income.profit())});
    t.rows.push_back({label("고정자산 증감 (필요경비 아님)"), amount(f.income.assets)});
    t.notes.push_back(f.type == TaxpayerType::General
                          ? "필요경비 = 비용 금액 + 매입세액을 공제받지 못하는 비용의 세액(기타 증빙분)."
                          : "필요경비 = 비용 금액 + 비용의 세액 전부.");
    t.notes.push_back("감가상각비는 계산하지 않습니다. 고정자산 증감은 따로 보여 줄 뿐 필요경비에 넣지 않습니다.");
    addUndatedNote(t, f);
    addReferenceNote(t);
    return t;
}

FilingTable EvidenceTable(const FilingFigures& f, std::span<const LedgerEntry> rows)
{
    FilingTable t;
    t.title = title("증빙 확인", f);
    t.columns = {"날짜", "거래내용", "거래처", "금액 + 세액", "비고"};
    for (const EvidenceItem& item : f.evidence) {
        if (item.row >= rows.size())
            continue;
        const LedgerEntry& e = rows[item.row];
        t.rows.push_back({label(cellText(e.IDAY.view())), label(cellText(e.JKYU.view())),
                          label(cellText(e.SANGHO.view())), amount(item.total), label(cellText(e.ETC.view()))});
    }
    t.notes.push_back("적격증빙 없이 3만원을 넘는 비용·자산 지출: " + std::to_string(f.evidence.size()) + "건, 합계 "
                      + groupedAmount(f.evidenceSum) + "원.");
    t.notes.push_back("적격증빙(세금계산서·계산서·카드·현금영수증)이 없는 건당 3만원 초과 지출은 "
                      "증빙불비 가산세(2 %) 대상이 될 수 있습니다.");
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
    auto line = [&out](const auto& cells, auto text) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i)
                out += '\t';
            out += text(cells[i]);
        }
        out += '\n';
    };
    line(table.columns, [](const std::string& s) { return s; });
    for (const auto& row : table.rows)
        line(row, [](const FilingCell& c) { return c.isAmount ? plainDecimal(c.amount) : c.text; });
    return out;
}

std::string groupedAmount(WideTenths tenths)
{
    const std::string plain = plainDecimal(tenths);
    const std::size_t start = plain[0] == '-' ? 1 : 0;
    const std::size_t point = plain.find('.');
    const std::size_t end = point == std::string::npos ? plain.size() : point;
    std::string out = plain.substr(0, start);
    for (std::size_t i = start; i < end; ++i) {
        if (i > start && (end - i) % 3 == 0)
            out += ',';
        out += plain[i];
    }
    return out + plain.substr(end);
}

} // namespace quill
