// SPDX-License-Identifier: GPL-3.0-or-later
// The 종합소득세 lines of a 간편장부대상자. Sources (the help's section on
// 종합소득세 names them too); where a figure rests on a secondary source or
// on memory it says so:
// - 총수입금액: 소득세법 제24조, 시행령 제51조③ — the 부가가치세법 제46조
//   신용카드매출전표등 발행세액공제 and the 조세특례제한법 제104조의8
//   전자신고세액공제 are 총수입금액 (소득세 집행기준 24-51-1; memory).
//   공급가액 for a 일반과세자, 공급대가 for a 간이과세자 and a 면세사업자.
// - 매출원가 = 기초재고 + 매입 - 기말재고; the 의제매입세액 공제받은 금액 is
//   taken off the purchase (부가가치세법 제42조, 소득세법 시행령 제55조①1호
//   as remembered).
// - 필요경비: 소득세법 제27조, 시행령 제55조. 감가상각비: 제33조의2.
// - 필요경비 불산입: 소득세법 제33조①1·2호 (소득세·지방소득세, 벌금·과료·
//   과태료, 가산세).
// - 기업업무추진비: 소득세법 제35조 — 건당 3만원 초과 without 적격증빙 is
//   불산입 (제35조②, 시행령 제83조); the limit is 기본한도 (중소기업 3,600만원
//   from 2020, 2,400만원 before) × months in business / 12 plus 수입금액 ×
//   0.3 % up to 100억 (ai.bznav.com/contents/377926 gives the 수입금액 rates;
//   a secondary source). 문화·전통시장 추가한도 is not applied.
// - 추계: 소득세법 시행령 제143조 — 단순경비율: 수입금액 × (1 - 단순경비율);
//   기준경비율: 수입금액 - 주요경비 (매입비용·임차료·인건비) - 수입금액 ×
//   기준경비율, no more than the 단순경비율 figure × 2.8 for a
//   간편장부대상자 (3.4 for a 복식부기의무자) from 2020 (memory).
//   단순경비율 is open when the year before's 수입금액 is below 6,000만원 /
//   3,600만원 / 2,400만원 by 업종 group (시행령 제143조④), or to a new business
//   whose year's 수입금액 is below the 간편장부 line.
// - 기장 의무: 시행령 제208조⑤ — 복식부기의무자 from the year after 수입금액
//   reaches 3억 / 1억5천만 / 7,500만원 (a-ha.io, a secondary source, agrees);
//   성실신고확인: 소득세법 제70조의2, 시행령 제133조 — 15억 / 7억5천만 / 5억.
// - 무기장가산세: 소득세법 제81조의5 (산출세액 × 무기장 소득금액 비율 × 20 %,
//   not for 소규모사업자).
// - 세율: 소득세법 제55조 (the table from 2023 and the one before); 지방소득세
//   10 % of it (지방세법 제92조). 본인 기본공제 150만원: 소득세법 제50조.
#include "core/filing/IncomeFigures.h"

#include "core/config/IniFile.h"
#include "core/text/Cp949.h"

#include <algorithm>

namespace quill {

namespace {

constexpr WideTenths kWon = 10000;
WideTenths won(std::int64_t w) { return static_cast<WideTenths>(w) * kWon; }
WideTenths wholeWon(WideTenths v) { return v / kWon * kWon; }
WideTenths applyRate(WideTenths base, Rate r) { return r.valid() ? wholeWon(base * r.num / r.den) : 0; }

int digitsOf(std::string_view s, std::size_t at, std::size_t n)
{
    int v = 0;
    for (std::size_t i = at; i < at + n && i < s.size(); ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

// --- year-keyed rules ------------------------------------------------------------

struct EntertainmentRule {
    int fromYear;
    std::int64_t baseWon;  // 중소기업 기본한도 for twelve months
};
const EntertainmentRule kEntertainment[] = {{0, 24000000}, {2020, 36000000}};

struct EstimateRule {
    int fromYear;
    Rate capSimpleBooks;  // 배율 for a 간편장부대상자
};
const EstimateRule kEstimate[] = {{0, {28, 10}}};

const TaxBand kBands2021[] = {{12000000, 6, 0},           {46000000, 15, 1080000},  {88000000, 24, 5220000},
                              {150000000, 35, 14900000},  {300000000, 38, 19400000}, {500000000, 40, 25400000},
                              {1000000000, 42, 35400000}, {0, 45, 65400000}};
const TaxBand kBands2023[] = {{14000000, 6, 0},           {50000000, 15, 1260000},  {88000000, 24, 5760000},
                              {150000000, 35, 15440000},  {300000000, 38, 19940000}, {500000000, 40, 25940000},
                              {1000000000, 42, 35940000}, {0, 45, 65940000}};

template <class T, std::size_t N>
const T& byYear(const T (&rows)[N], int year)
{
    const T* found = &rows[0];
    for (const T& r : rows)
        if (r.fromYear <= year)
            found = &r;
    return *found;
}

constexpr std::int64_t kPersonalDeductionWon = 1500000;
constexpr std::int64_t kSmallBusinessWon = 48000000;  // 소규모사업자 (무기장가산세 면제)

bool containsAny(const std::string& text, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        if (text.find(w) != std::string::npos)
            return true;
    return false;
}

// "2.8배"
std::string timesText(Rate r)
{
    const int tenths = r.num * 10 / r.den;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : std::string()) + "배";
}

std::string groupName(IncomeGroup g)
{
    switch (g) {
    case IncomeGroup::A: return "농업·도소매업 등";
    case IncomeGroup::B: return "제조업·음식점업 등";
    case IncomeGroup::C: return "부동산임대업·서비스업 등";
    default: return "";
    }
}

} // namespace

IncomeGroup incomeGroupOf(std::string_view key)
{
    if (key == "소매" || key == "농림어업")
        return IncomeGroup::A;
    if (key == "음식점" || key == "제조" || key == "숙박" || key == "건설" || key == "운수" || key == "소화물운송"
        || key == "정보통신" || key == "금융")
        return IncomeGroup::B;
    if (key == "부동산" || key == "부동산임대" || key == "전문서비스" || key == "서비스")
        return IncomeGroup::C;
    return IncomeGroup::Unknown;
}

IncomeThresholds incomeThresholds(int, IncomeGroup g)
{
    switch (g) {
    case IncomeGroup::A: return {300000000, 60000000, 1500000000};
    case IncomeGroup::B: return {150000000, 36000000, 750000000};
    case IncomeGroup::C: return {75000000, 24000000, 500000000};
    default: return {0, 0, 0};
    }
}

std::span<const TaxBand> IncomeTaxBands(int year)
{
    if (year >= 2023)
        return kBands2023;
    return kBands2021;
}

WideTenths IncomeTaxOf(int year, WideTenths base)
{
    if (base <= 0)
        return 0;
    for (const TaxBand& b : IncomeTaxBands(year))
        if (b.upToWon == 0 || base <= won(b.upToWon))
            return std::max<WideTenths>(0, wholeWon(base * b.percent / 100 - won(b.lessWon)));
    return 0;
}

// --- accumulation ------------------------------------------------------------------

IncomeAccumulator::IncomeAccumulator(int year, const FilingSettings& filing, const IncomeSettings& settings)
    : classifier_(filing), assets_(filing), general_(filing.type == TaxpayerType::General)
{
    f_.year = year;
    f_.settings = settings;
}

void IncomeAccumulator::add(std::size_t row, const LedgerEntry& e)
{
    const std::string_view day = e.IDAY.view();
    if (!isCalendarDate(day))
        return;  // the VAT figures count these and say so
    const int y = digitsOf(day, 0, 4);
    if (y > f_.year)
        return;
    assets_.add(row, e);
    const WideTenths in = toWideTenThousandths(e.INMNY), inVat = toWideTenThousandths(e.INVAT);
    const WideTenths revenue = in + (general_ ? 0 : inVat);
    const Account* account = findAccount(e.CTG);
    if (y == f_.year - 1) {
        f_.lastYearRevenue += revenue;
        return;
    }
    if (y != f_.year)
        return;

    const WideTenths ot = toWideTenThousandths(e.OTMNY), otVat = toWideTenThousandths(e.OTVAT);
    const RemarkClass rc = classifier_.classify(e.ETC.view());
    const bool vatEvidence = rc.evidence == Evidence::Invoice || rc.evidence == Evidence::Card
                          || rc.evidence == Evidence::CashReceipt;
    // As the VAT figures count it: VAT no return gives back is part of the cost.
    const bool deducted = general_ && vatEvidence && !rc.nondeductible;
    const WideTenths cost = ot + (deducted ? 0 : otVat);

    bool unassigned = false;
    if (in != 0 || inVat != 0) {
        if (account && account->kind == AccountKind::Income)
            f_.revenue[account->code] += revenue;
        else {
            f_.revenueUnassigned += revenue;
            unassigned = true;
        }
    }
    if (ot != 0 || otVat != 0) {
        if (account && account->kind == AccountKind::Expense) {
            f_.expenses[account->code] += cost;
            if (account->code == kEntertainmentAccount && ot + otVat > kEvidenceLimit && !isQualifying(rc.evidence))
                f_.entertainmentNoEvidence += cost;
            if (account->code == kTaxesAccount
                && containsAny(decodeCp949(e.JKYU.view()), {"벌금", "과료", "과태료", "가산세", "범칙금", "소득세"}))
                f_.penalties += cost;
        } else {
            f_.expensesUnassigned += cost;
            unassigned = true;
        }
    }
    if ((e.JSMNY != 0 || e.JSVAT != 0) && !(account && account->kind == AccountKind::Asset))
        unassigned = true;
    if (unassigned) {
        ++f_.unassignedCount;
        if (e.CTG != 0 && !account)
            ++f_.unknownCount;
    }
}

IncomeFigures IncomeAccumulator::finish()
{
    f_.assets = assets_.finish(f_.settings.assets);
    for (const Asset& a : f_.assets.assets) {
        const auto d = f_.settings.assets.find(a.key);
        AssetSchedule s = DepreciationSchedule(a, d == f_.settings.assets.end() ? AssetDetails{} : d->second, f_.year);
        if (const DepreciationRow* r = s.of(f_.year))
            f_.depreciation += r->claimed;
        f_.schedules.push_back(std::move(s));
    }
    return std::move(f_);
}

IncomeFigures ComputeIncomeFigures(std::span<const LedgerEntry> rows, int year, const FilingSettings& filing,
                                   const IncomeSettings& settings)
{
    IncomeAccumulator acc(year, filing, settings);
    for (std::size_t i = 0; i < rows.size(); ++i)
        acc.add(i, rows[i]);
    return acc.finish();
}

// --- the return's lines ------------------------------------------------------------

namespace {

// A figure of the VAT returns, in their year column.
WideTenths vatLine(const std::vector<FilingReturn>& returns, std::string_view returnKey, std::string_view lineKey)
{
    for (const FilingReturn& r : returns) {
        if (r.key != returnKey)
            continue;
        std::size_t column = 0;
        for (std::size_t c = 0; c < r.columns.size(); ++c)
            if (r.columns[c].key == "year")
                column = c;
        for (const FilingLine& l : r.lines)
            if (l.key == lineKey && column < l.values.size() && l.values[column].amount)
                return *l.values[column].amount;
    }
    return 0;
}

} // namespace

FilingReturn IncomeReturn(const FilingFigures& f, const IncomeFigures& inc)
{
    const std::vector<FilingReturn> vat = FilingReturns(f);
    const bool general = f.settings.type == TaxpayerType::General;
    const IncomeSettings& st = inc.settings;
    FilingReturn r;
    r.key = "income";
    r.title = "종합소득세 " + std::to_string(inc.year) + "년 (" + taxpayerTypeName(f.settings.type)
            + ", 간편장부) — 참고용";
    r.columns = {{"", "금액"}};
    auto line = [&](std::string key, std::string name, WideTenths v, std::string rate = {}) {
        FilingLine l;
        l.key = std::move(key);
        l.name = std::move(name);
        l.values = {FilingValue{v, false}};
        l.rate = std::move(rate);
        r.lines.push_back(std::move(l));
        return v;
    };
    auto count = [&](std::string key, std::string name, std::int64_t n) {
        FilingLine l;
        l.key = std::move(key);
        l.name = std::move(name);
        l.values = {FilingValue{won(n), false}};
        l.isCount = true;
        r.lines.push_back(std::move(l));
    };
    auto of = [](const std::map<std::int32_t, WideTenths>& m, std::int32_t code) {
        const auto it = m.find(code);
        return it == m.end() ? WideTenths(0) : wholeWon(it->second);
    };

    // 총수입금액
    WideTenths revenue = 0;
    for (const Account& a : AccountTable())
        if (a.kind == AccountKind::Income)
            revenue += line(std::string("revenue.") + a.key, a.name, of(inc.revenue, a.code));
    revenue += line("revenue.unassigned", "계정 없음 (수입)", wholeWon(inc.revenueUnassigned));
    const WideTenths business = revenue;  // 사업 수입금액, the 추계's and the thresholds' base
    const WideTenths cardCredit = general ? vatLine(vat, "vat", "credit.card_issue") : 0;
    revenue += line("revenue.card_credit", "신용카드매출전표등 발행세액공제", cardCredit);
    WideTenths eFiling = st.eFilingCreditWon ? won(*st.eFilingCreditWon) : vatLine(vat, "vat", "credit.e_filing");
    if (f.settings.type == TaxpayerType::Exempt)
        eFiling = 0;
    revenue += line("revenue.e_filing_credit", "부가가치세 전자신고세액공제", eFiling);
    line("revenue", "총수입금액", revenue);

    // 매출원가
    std::optional<std::int64_t> opening;
    if (auto it = st.openingStockWon.find(inc.year); it != st.openingStockWon.end())
        opening = it->second;
    else if (auto prev = st.closingStockWon.find(inc.year - 1); prev != st.closingStockWon.end())
        opening = prev->second;
    const auto closingIt = st.closingStockWon.find(inc.year);
    const WideTenths openingStock = won(opening.value_or(0));
    const WideTenths closingStock = closingIt == st.closingStockWon.end() ? 0 : won(closingIt->second);
    WideTenths purchases = 0;
    for (const Account& a : AccountTable())
        if (a.code == 201 || a.code == 202)
            purchases += of(inc.expenses, a.code);
    const WideTenths deemed = general ? vatLine(vat, "vat", "purchase.deemed.vat") : 0;
    line("cost_of_sales.opening_stock", "기초 재고액", openingStock);
    line("cost_of_sales.purchases", "당기 상품·원재료 매입액", purchases);
    line("cost_of_sales.deemed_vat", "의제매입세액 (매입액에서 뺌)", deemed);
    line("cost_of_sales.closing_stock", "기말 재고액", closingStock);
    const WideTenths costOfSales = line("cost_of_sales", "매출원가", openingStock + purchases - deemed - closingStock);

    // 필요경비 by account
    WideTenths expenses = costOfSales;
    for (const Account& a : AccountTable())
        if (a.kind == AccountKind::Expense && a.code != 201 && a.code != 202)
            expenses += line(std::string("expenses.") + a.key, a.name, of(inc.expenses, a.code));
    expenses += line("expenses.unassigned", "계정 없음 (비용)", wholeWon(inc.expensesUnassigned));
    expenses += line("depreciation", "감가상각비", inc.depreciation);
    line("expenses", "필요경비 합계", expenses);
    const WideTenths profit = line("profit", "소득금액 (총수입금액 - 필요경비)", revenue - expenses);
    line("assets", "고정자산 증감 (필요경비 아님)", wholeWon(f.yearSums().assets));
    count("unassigned.count", "계정 없는 자료 건수", inc.unassignedCount);

    // 세무조정
    const WideTenths entertainment = of(inc.expenses, kEntertainmentAccount);
    const WideTenths noEvidence = wholeWon(inc.entertainmentNoEvidence);
    const int months = !f.lastYearHasEntries && f.firstMonth > 1 ? 13 - f.firstMonth : 12;
    const WideTenths limit = wholeWon(won(byYear(kEntertainment, inc.year).baseWon) * months / 12)
                           + applyRate(std::min(business, won(10000000000)), Rate{3, 1000})
                           + applyRate(std::max<WideTenths>(0, business - won(10000000000)), Rate{2, 1000});
    line("entertainment", "기업업무추진비 합계", entertainment);
    line("entertainment.limit", "기업업무추진비 한도액", limit);
    const WideTenths overNoEvidence = line("adjust.entertainment_no_evidence",
                                           "기업업무추진비 중 건당 3만원 초과 적격증빙 없는 금액", noEvidence);
    const WideTenths overLimit = line("adjust.entertainment_limit", "기업업무추진비 한도 초과액",
                                      std::max<WideTenths>(0, entertainment - noEvidence - limit));
    const WideTenths penalties =
        line("adjust.penalties", "벌금·과태료·가산세·소득세 (필요경비 불산입)", wholeWon(inc.penalties));
    const WideTenths adjusted = line("adjusted_profit", "차가감 소득금액", profit + overNoEvidence + overLimit + penalties);

    // 추계 비교
    const IncomeGroup group = incomeGroupOf(f.settings.industry);
    const IncomeThresholds th = incomeThresholds(inc.year, group);
    line("estimate.revenue", "수입금액 (추계 기준)", business);
    WideTenths major = purchases + of(inc.expenses, 213) + of(inc.expenses, 211);
    line("estimate.major_expenses", "주요경비 (매입비용·임차료·인건비)", major);
    std::optional<WideTenths> simple, standard;
    if (st.simpleRate) {
        simple = business - applyRate(business, *st.simpleRate);
        line("estimate.simple", "단순경비율 소득금액", *simple, rateText(*st.simpleRate));
    }
    if (st.standardRate) {
        standard = business - major - applyRate(business, *st.standardRate);
        if (simple) {
            const WideTenths cap = applyRate(*simple, byYear(kEstimate, inc.year).capSimpleBooks);
            line("estimate.standard.cap", "단순경비율 소득금액 × 배율 (기준경비율 상한)", cap,
                 timesText(byYear(kEstimate, inc.year).capSimpleBooks));
            standard = std::min(*standard, cap);
        }
        line("estimate.standard", "기준경비율 소득금액", *standard, rateText(*st.standardRate));
    }
    const bool isNew = !f.lastYearHasEntries;
    const WideTenths lastRevenue = wholeWon(inc.lastYearRevenue);
    std::optional<bool> simpleOpen;
    if (group != IncomeGroup::Unknown) {
        simpleOpen = isNew ? business < won(th.simpleBooksWon)
                           : lastRevenue < won(th.simpleRateWon) && business < won(th.simpleBooksWon);
        count("estimate.simple_allowed", "단순경비율 적용 가능 (1 예, 0 아니오)", *simpleOpen ? 1 : 0);
    }

    // 기장 의무
    if (group != IncomeGroup::Unknown) {
        line("bookkeeping.double_entry_line", "복식부기의무자 기준 수입금액 (" + groupName(group) + ")",
             won(th.simpleBooksWon));
        count("bookkeeping.double_entry_next_year", "다음 해 복식부기의무자 (1 예, 0 아니오)",
              business >= won(th.simpleBooksWon) ? 1 : 0);
        line("bookkeeping.sincere_line", "성실신고확인대상 기준 수입금액", won(th.sincereWon));
        count("bookkeeping.sincere", "이 해 성실신고확인대상 (1 예, 0 아니오)", business >= won(th.sincereWon) ? 1 : 0);
    }

    // 예상 세액 (참고용)
    const WideTenths deductions = won(st.deductionsWon.value_or(kPersonalDeductionWon));
    line("tax.deductions", st.deductionsWon ? "소득공제" : "소득공제 (본인 기본공제 150만원)", deductions);
    const WideTenths base = line("tax.base", "과세표준 (추정)", std::max<WideTenths>(0, adjusted - deductions));
    const WideTenths tax = line("tax.computed", "산출세액 (추정)", IncomeTaxOf(inc.year, base));
    const WideTenths local = line("tax.local", "지방소득세 (추정)", wholeWon(tax / 10), "10%");
    line("tax.total", "예상 세액 합계 (추정)", tax + local);

    // Notes: what the lines do not show by themselves.
    if (inc.unassignedCount > 0)
        r.notes.push_back("계정 없는 자료가 " + std::to_string(inc.unassignedCount)
                          + "건 있습니다. 구분(수입·비용)별로 \"계정 없음\"에 더했습니다.");
    if (inc.unknownCount > 0)
        r.notes.push_back("알 수 없는 계정 번호를 가진 자료가 " + std::to_string(inc.unknownCount)
                          + "건 있습니다 (그대로 두고 \"계정 없음\"에 셉니다).");
    if (general)
        r.notes.push_back("일반과세자의 총수입금액은 공급가액이고, 신용카드매출전표등 발행세액공제와 전자신고세액공제를 "
                          "더합니다. 의제매입세액은 매입액에서 뺍니다.");
    else
        r.notes.push_back("간이과세자·면세사업자의 총수입금액은 공급대가(부가가치세 포함)입니다. 간이과세자가 낸 "
                          "부가가치세는 낸 해에 제세공과금으로 적은 자료만큼 필요경비가 됩니다.");
    if (!st.closingStockWon.count(inc.year))
        r.notes.push_back("기말 재고액을 설정에 적지 않아 0으로 계산했습니다.");
    r.notes.push_back("감가상각비: 자산 " + std::to_string(inc.assets.assets.size()) + "건의 상각범위액 안에서 "
                      "계상한 금액입니다. 처분한 자산의 처분손익은 간편장부대상자의 총수입금액에 넣지 않습니다.");
    if (inc.assets.unclassed > 0)
        r.notes.push_back("자산 분류(계정)가 없는 자산 취득 " + std::to_string(inc.assets.unclassed)
                          + "건은 감가상각하지 않았습니다.");
    if (inc.assets.unmatchedSales > 0)
        r.notes.push_back("처분(음수 자산) 자료 " + std::to_string(inc.assets.unmatchedSales)
                          + "건은 같은 분류의 보유 자산을 찾지 못했습니다.");
    r.notes.push_back("기업업무추진비 한도: 중소기업 기본한도 " + groupedWon(won(byYear(kEntertainment, inc.year).baseWon))
                      + "원 × " + std::to_string(months) + "/12 + 수입금액 × 0.3 %. 문화비 추가한도는 넣지 않았습니다.");
    if (simple && standard)
        r.notes.push_back(std::string("추계 비교: ") + (*simple <= *standard ? "단순경비율" : "기준경비율")
                          + " 소득금액이 더 낮습니다. 장부에 의한 차가감 소득금액은 "
                          + (adjusted <= std::min(*simple, *standard) ? "그보다 낮거나 같습니다." : "그보다 높습니다."));
    else
        r.notes.push_back("신고안내문의 단순경비율·기준경비율을 설정에 적으면 추계 소득금액과 비교합니다.");
    if (simpleOpen && !*simpleOpen)
        r.notes.push_back("수입금액이 기준 이상이라 단순경비율을 쓸 수 없습니다 (기준경비율 추계만 가능).");
    if (group == IncomeGroup::Unknown)
        r.notes.push_back("업종을 설정에서 고르면 단순경비율 적용 여부와 기장 의무를 알려 드립니다.");
    else {
        if (business >= won(th.simpleBooksWon))
            r.notes.push_back("이 해 수입금액이 " + groupedWon(won(th.simpleBooksWon))
                              + "원 이상이라 다음 해부터는 간편장부로 충분하지 않고 복식부기로 기장해야 합니다.");
        if (business >= won(th.sincereWon))
            r.notes.push_back("이 해 수입금액이 " + groupedWon(won(th.sincereWon))
                              + "원 이상이라 성실신고확인서를 내야 합니다.");
    }
    if (!(isNew || lastRevenue < won(kSmallBusinessWon)))
        r.notes.push_back("장부 없이 추계로 신고하면 무기장가산세(산출세액 × 무기장 소득금액 비율 × 20 %)가 붙습니다.");
    r.notes.push_back("예상 세액은 참고용 추정입니다: 세액공제·감면과 다른 종합소득은 넣지 않았습니다.");
    return r;
}

std::vector<FilingReturn> FilingReturnsWithIncome(const FilingFigures& f, const IncomeFigures& income)
{
    std::vector<FilingReturn> out = FilingReturns(f);
    for (FilingReturn& r : out)
        if (r.key == "income")
            r = IncomeReturn(f, income);
    return out;
}

std::vector<FigureKeyHelp> FigureKeysHelpWithIncome()
{
    FilingFigures f;
    f.year = 2024;
    f.settings.type = TaxpayerType::General;
    f.settings.industry = "음식점";
    IncomeFigures inc;
    inc.year = 2024;
    inc.settings.simpleRate = Rate{1, 2};
    inc.settings.standardRate = Rate{1, 10};
    const FilingReturn income = IncomeReturn(f, inc);
    std::vector<FigureKeyHelp> out;
    bool placed = false;
    for (FigureKeyHelp& k : FigureKeysHelp()) {
        if (k.key.rfind("income.", 0) == 0) {
            if (!placed)
                for (const FilingLine& l : income.lines)
                    out.push_back({"income." + l.key, l.name});
            placed = true;
            continue;
        }
        out.push_back(std::move(k));
    }
    if (!placed)
        for (const FilingLine& l : income.lines)
            out.push_back({"income." + l.key, l.name});
    return out;
}

// --- settings ------------------------------------------------------------------------

namespace {

std::string cp949(std::string_view utf8) { return encodeCp949(utf8).bytes.value_or(std::string()); }

const char* const kSimpleRateKey = "단순경비율";
const char* const kStandardRateKey = "기준경비율";
const char* const kDeductionsKey = "소득공제";
const char* const kEFilingKey = "전자신고세액공제";
const char* const kStockKey = "재고";      // "2024:기초:기말,2025::5000000"
const char* const kAssetsKey = "자산상각";  // "KEY=details&KEY=details"
const char* const kRulesKey = "계정규칙";   // "C213:건물주|D217:주유|E215:접대" (거래처, 거래내용, 둘 다)

std::optional<std::int64_t> wonText(std::string_view s)
{
    if (s.empty() || s.size() > 15 || s.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::stoll(std::string(s));
}

std::vector<std::string_view> split(std::string_view s, char sep)
{
    std::vector<std::string_view> out;
    while (!s.empty()) {
        const std::size_t at = s.find(sep);
        out.push_back(s.substr(0, at));
        if (at == std::string_view::npos)
            break;
        s.remove_prefix(at + 1);
    }
    return out;
}

} // namespace

IncomeSettings ReadIncomeSettings(const std::string& configPath, const std::string& ledgerPath)
{
    IncomeSettings s;
    const std::string section = LedgerSettingsSection(ledgerPath);
    if (section.empty())
        return s;
    auto read = [&](const char* key) -> std::optional<std::string> {
        std::optional<std::string> v = ReadIniValue(configPath, section, cp949(key));
        if (!v || !isValidCp949(*v))
            return std::nullopt;
        return decodeCp949(*v);
    };
    if (auto v = read(kSimpleRateKey))
        s.simpleRate = parseRate(*v);
    if (auto v = read(kStandardRateKey))
        s.standardRate = parseRate(*v);
    if (auto v = read(kDeductionsKey))
        s.deductionsWon = wonText(*v);
    if (auto v = read(kEFilingKey))
        s.eFilingCreditWon = wonText(*v);
    if (auto v = read(kStockKey))
        for (std::string_view item : split(*v, ',')) {
            const std::vector<std::string_view> parts = split(item, ':');
            const auto year = parts.size() == 3 ? wonText(parts[0]) : std::nullopt;
            if (!year || *year > 9999)
                continue;
            if (auto o = wonText(parts[1]))
                s.openingStockWon[static_cast<int>(*year)] = *o;
            if (auto c = wonText(parts[2]))
                s.closingStockWon[static_cast<int>(*year)] = *c;
        }
    if (auto v = read(kAssetsKey))
        for (std::string_view item : split(*v, '&')) {
            const std::size_t eq = item.find('=');
            if (eq == std::string_view::npos || eq == 0)
                continue;
            if (std::optional<AssetDetails> d = parseAssetDetails(item.substr(eq + 1)))
                s.assets[std::string(item.substr(0, eq))] = *d;
        }
    if (auto v = read(kRulesKey))
        for (std::string_view item : split(*v, '|')) {
            const std::size_t colon = item.find(':');
            if (item.size() < 2 || colon == std::string_view::npos || colon + 1 >= item.size())
                continue;
            AccountRule rule;
            switch (item[0]) {
            case 'C': rule.field = AccountRule::Field::Counterparty; break;
            case 'D': rule.field = AccountRule::Field::Description; break;
            case 'E': rule.field = AccountRule::Field::Either; break;
            default: continue;
            }
            const auto code = wonText(item.substr(1, colon - 1));
            if (!code || !findAccount(static_cast<std::int32_t>(*code)))
                continue;
            rule.account = static_cast<std::int32_t>(*code);
            rule.contains = std::string(item.substr(colon + 1));
            s.accountRules.push_back(std::move(rule));
        }
    return s;
}

IoResult WriteIncomeSettings(const std::string& configPath, const std::string& ledgerPath, const IncomeSettings& s)
{
    const std::string section = LedgerSettingsSection(ledgerPath);
    if (section.empty())
        return IoResult::failure("Unable to write to " + configPath);
    auto optWon = [](const std::optional<std::int64_t>& v) { return v ? std::to_string(*v) : std::string(); };
    std::string stock;
    std::map<int, std::pair<std::string, std::string>> years;
    for (const auto& [y, w] : s.openingStockWon)
        years[y].first = std::to_string(w);
    for (const auto& [y, w] : s.closingStockWon)
        years[y].second = std::to_string(w);
    for (const auto& [y, oc] : years)
        stock += (stock.empty() ? "" : ",") + std::to_string(y) + ":" + oc.first + ":" + oc.second;
    std::string assets;
    for (const auto& [key, d] : s.assets)
        assets += (assets.empty() ? "" : "&") + key + "=" + assetDetailsText(d);
    std::string rules;
    for (const AccountRule& r : s.accountRules) {
        if (r.contains.empty() || r.contains.find('|') != std::string::npos)
            return IoResult::failure("Unable to write to " + configPath);
        const char field = r.field == AccountRule::Field::Counterparty ? 'C'
                         : r.field == AccountRule::Field::Description  ? 'D'
                                                                       : 'E';
        rules += (rules.empty() ? "" : "|") + std::string(1, field) + std::to_string(r.account) + ":" + r.contains;
    }
    const std::pair<const char*, std::string> values[] = {
        {kRulesKey, rules},
        {kSimpleRateKey, s.simpleRate ? rateText(*s.simpleRate) : std::string()},
        {kStandardRateKey, s.standardRate ? rateText(*s.standardRate) : std::string()},
        {kDeductionsKey, optWon(s.deductionsWon)},
        {kEFilingKey, optWon(s.eFilingCreditWon)},
        {kStockKey, stock},
        {kAssetsKey, assets},
    };
    for (const auto& [key, value] : values) {
        const Cp949Encoding enc = encodeCp949(value);
        if (!enc.bytes)
            return IoResult::failure("Unable to write to " + configPath);
        if (IoResult r = WriteIniValue(configPath, section, cp949(key), *enc.bytes); !r)
            return r;
    }
    return IoResult::success();
}

} // namespace quill
