// SPDX-License-Identifier: GPL-3.0-or-later
// The figures laid out as the returns' own lines, in the returns' order:
// what the window shows, the PDF prints and the command line writes.
#include "core/filing/FilingFigures.h"

#include <algorithm>

namespace quill {

namespace {

constexpr WideTenths kWon = 10000;

WideTenths won(std::int64_t w) { return static_cast<WideTenths>(w) * kWon; }
// Below a won is dropped (toward zero), as every tax of the returns.
WideTenths wholeWon(WideTenths v) { return v / kWon * kWon; }
WideTenths applyRate(WideTenths base, Rate r)
{
    if (!r.valid())
        return 0;
    return wholeWon(base * r.num / r.den);
}

// 예정고지세액 as the tax office works it out: half of the previous
// 과세기간's tax, below a thousand won dropped, nothing under 500,000 won.
WideTenths prepaidEstimate(WideTenths previousTax)
{
    if (previousTax <= 0)
        return 0;
    const WideTenths half = previousTax / 2 / (1000 * kWon) * (1000 * kWon);
    return half < won(kPrepaidMinimumWon) ? 0 : half;
}

FilingValue value(WideTenths v, bool estimated = false) { return FilingValue{v, estimated}; }

FilingLine mk(std::string key, std::string name, std::vector<FilingValue> values, std::string rate = {})
{
    FilingLine l;
    l.key = std::move(key);
    l.name = std::move(name);
    l.values = std::move(values);
    l.rate = std::move(rate);
    return l;
}

std::string yearTitle(const char* what, const FilingFigures& f)
{
    return std::string(what) + " " + std::to_string(f.year) + "년 (" + taxpayerTypeName(f.settings.type)
         + ") — 참고용";
}

// --- 일반과세자 -----------------------------------------------------------------

struct GeneralColumn {
    PeriodSums s;
    Rate deemedRate;
    WideTenths deemedVat = 0;
    WideTenths before = 0;  // 납부(환급)세액
    WideTenths cardBase = 0, credit = 0;
    std::optional<WideTenths> prepaid;
    bool prepaidEstimated = false;
    WideTenths afterCredits() const { return before - credit; }
    WideTenths payable() const { return afterCredits() - prepaid.value_or(0); }
    WideTenths purchaseAmount() const
    {
        return s.invoiceGeneral.amount + s.invoiceAssets.amount + s.cardGeneral.amount + s.cardAssets.amount;
    }
    WideTenths purchaseVat() const
    {
        return s.invoiceGeneral.vat + s.invoiceAssets.vat + s.cardGeneral.vat + s.cardAssets.vat + deemedVat;
    }
};

Rate deemedRateOf(const FilingSettings& st, int year, const PeriodSums& s)
{
    if (st.deemedRate)
        return *st.deemedRate;
    const Industry* ind = findIndustry(year, st.industry);
    if (!ind || !ind->deemed.valid())
        return {};
    if (ind->deemedSmall.valid() && s.sales().amount <= won(kDeemedSmallBaseWon))
        return ind->deemedSmall;
    return ind->deemed;
}

// One 과세기간 (or a quarter); `capLeft` is what is left of the year's cap
// of the card credit and shrinks by what this period uses.
GeneralColumn generalColumn(const PeriodSums& s, const FilingSettings& st, int year, WideTenths& capLeft)
{
    GeneralColumn c;
    c.s = s;
    c.deemedRate = deemedRateOf(st, year, s);
    c.deemedVat = applyRate(s.exemptInvoice.amount, c.deemedRate);
    c.before = s.sales().vat - (c.purchaseVat() - s.nondeductible.vat);
    c.cardBase = s.salesCardAll().supply();
    if (!st.largeLastYear && c.cardBase > 0 && c.before > 0) {
        const WideTenths raw = applyRate(c.cardBase, RatesOf(year).cardCredit);
        c.credit = std::max<WideTenths>(0, std::min({raw, capLeft, c.before}));
        capLeft -= c.credit;
    }
    return c;
}

FilingReturn generalReturn(const FilingFigures& f)
{
    const FilingSettings& st = f.settings;
    const WideTenths cap = won(RatesOf(f.year).cardCreditCapWon);

    // The year before, for the estimate of the first 예정고지.
    WideTenths lastCap = won(RatesOf(f.year - 1).cardCreditCapWon);
    PeriodSums lastH1, lastH2;
    for (int m = 0; m < 12; ++m)
        (m < 6 ? lastH1 : lastH2).add(f.lastYear[static_cast<std::size_t>(m)]);
    generalColumn(lastH1, st, f.year - 1, lastCap);
    const GeneralColumn lastSecond = generalColumn(lastH2, st, f.year - 1, lastCap);

    WideTenths halfCap = cap;
    GeneralColumn h1 = generalColumn(f.sum(1, 6), st, f.year, halfCap);
    GeneralColumn h2 = generalColumn(f.sum(7, 12), st, f.year, halfCap);
    GeneralColumn* halves[] = {&h1, &h2};
    const WideTenths previous[] = {f.lastYearHasEntries ? lastSecond.afterCredits() : 0, h1.afterCredits()};
    for (int h = 0; h < 2; ++h) {
        if (st.prepaidWon[h]) {
            halves[h]->prepaid = won(*st.prepaidWon[h]);
        } else {
            halves[h]->prepaid = prepaidEstimate(previous[h]);
            halves[h]->prepaidEstimated = true;
        }
    }
    // The year: the two 과세기간 added up.
    GeneralColumn year;
    year.s = f.yearSums();
    year.deemedRate = h1.deemedRate.num == h2.deemedRate.num && h1.deemedRate.den == h2.deemedRate.den
                          ? h1.deemedRate
                          : Rate{};
    year.deemedVat = h1.deemedVat + h2.deemedVat;
    year.before = h1.before + h2.before;
    year.cardBase = h1.cardBase + h2.cardBase;
    year.credit = h1.credit + h2.credit;
    year.prepaid = *h1.prepaid + *h2.prepaid;
    year.prepaidEstimated = h1.prepaidEstimated || h2.prepaidEstimated;
    // Quarters, for a user who files 예정신고 by choice.
    WideTenths quarterCap = cap;
    std::vector<GeneralColumn> cols = {h1, h2, year};
    for (int q = 0; q < 4; ++q)
        cols.push_back(generalColumn(f.sum(q * 3 + 1, q * 3 + 3), st, f.year, quarterCap));

    FilingReturn r;
    r.key = "vat";
    r.title = yearTitle("부가가치세", f);
    r.columns = {{"h1", "1기 확정 (1~6월)"}, {"h2", "2기 확정 (7~12월)"}, {"year", "연간"},
                 {"q1", "1~3월"},             {"q2", "4~6월"},             {"q3", "7~9월"},
                 {"q4", "10~12월"}};
    auto add = [&](const char* key, const char* name, auto get, std::string rate = {}) {
        FilingLine l = mk(key, name, {}, std::move(rate));
        for (const GeneralColumn& c : cols)
            l.values.push_back(get(c));
        r.lines.push_back(std::move(l));
    };
    add("sales.invoice.amount", "과세 세금계산서 발급분 금액", [](const GeneralColumn& c) { return value(c.s.salesInvoice.amount); });
    add("sales.invoice.vat", "과세 세금계산서 발급분 세액", [](const GeneralColumn& c) { return value(c.s.salesInvoice.vat); });
    add("sales.card.amount", "과세 신용카드·현금영수증 발행분 금액",
        [](const GeneralColumn& c) { return value(c.s.salesCardAll().amount); });
    add("sales.card.vat", "과세 신용카드·현금영수증 발행분 세액",
        [](const GeneralColumn& c) { return value(c.s.salesCardAll().vat); });
    add("sales.other.amount", "과세 기타(정규영수증 외 매출분) 금액",
        [](const GeneralColumn& c) { return value(c.s.salesOther.amount + c.s.salesExemptInvoice.amount); });
    add("sales.other.vat", "과세 기타(정규영수증 외 매출분) 세액",
        [](const GeneralColumn& c) { return value(c.s.salesOther.vat + c.s.salesExemptInvoice.vat); });
    add("sales.total.amount", "과세표준 합계", [](const GeneralColumn& c) { return value(c.s.sales().amount); });
    add("sales.total.vat", "매출세액 합계", [](const GeneralColumn& c) { return value(c.s.sales().vat); });
    add("purchase.invoice.amount", "세금계산서 수취분 일반매입 금액",
        [](const GeneralColumn& c) { return value(c.s.invoiceGeneral.amount); });
    add("purchase.invoice.vat", "세금계산서 수취분 일반매입 세액",
        [](const GeneralColumn& c) { return value(c.s.invoiceGeneral.vat); });
    add("purchase.invoice_assets.amount", "세금계산서 수취분 고정자산 매입 금액",
        [](const GeneralColumn& c) { return value(c.s.invoiceAssets.amount); });
    add("purchase.invoice_assets.vat", "세금계산서 수취분 고정자산 매입 세액",
        [](const GeneralColumn& c) { return value(c.s.invoiceAssets.vat); });
    add("purchase.card.amount", "신용카드매출전표등 수령분 일반매입 금액",
        [](const GeneralColumn& c) { return value(c.s.cardGeneral.amount); });
    add("purchase.card.vat", "신용카드매출전표등 수령분 일반매입 세액",
        [](const GeneralColumn& c) { return value(c.s.cardGeneral.vat); });
    add("purchase.card_assets.amount", "신용카드매출전표등 수령분 고정자산 매입 금액",
        [](const GeneralColumn& c) { return value(c.s.cardAssets.amount); });
    add("purchase.card_assets.vat", "신용카드매출전표등 수령분 고정자산 매입 세액",
        [](const GeneralColumn& c) { return value(c.s.cardAssets.vat); });
    const std::string deemedRate = rateText(h1.deemedRate.valid() ? h1.deemedRate : h2.deemedRate);
    add("purchase.deemed.base", "계산서 수취분 (의제매입세액공제 대상 매입가액)",
        [](const GeneralColumn& c) { return value(c.s.exemptInvoice.supply()); });
    add("purchase.deemed.vat", "의제매입세액", [](const GeneralColumn& c) { return value(c.deemedVat); }, deemedRate);
    add("purchase.total.amount", "매입 합계 금액", [](const GeneralColumn& c) { return value(c.purchaseAmount()); });
    add("purchase.total.vat", "매입세액 합계", [](const GeneralColumn& c) { return value(c.purchaseVat()); });
    add("purchase.nondeductible.amount", "공제받지 못할 매입 금액",
        [](const GeneralColumn& c) { return value(c.s.nondeductible.amount); });
    add("purchase.nondeductible.vat", "공제받지 못할 매입세액",
        [](const GeneralColumn& c) { return value(c.s.nondeductible.vat); });
    add("purchase.deductible.vat", "차감 매입세액 (매입세액 합계 - 공제받지 못할 매입세액)",
        [](const GeneralColumn& c) { return value(c.purchaseVat() - c.s.nondeductible.vat); });
    add("before_credits", "납부(환급)세액 (매출세액 - 매입세액)", [](const GeneralColumn& c) { return value(c.before); });
    add("credit.card_issue.base", "신용카드매출전표등 발행금액 (공급대가)",
        [](const GeneralColumn& c) { return value(c.cardBase); });
    add("credit.card_issue", "신용카드매출전표등 발행세액공제", [](const GeneralColumn& c) { return value(c.credit); },
        st.largeLastYear ? std::string() : rateText(RatesOf(f.year).cardCredit));
    add("prepaid", "예정고지세액", [](const GeneralColumn& c) {
        return c.prepaid ? value(*c.prepaid, c.prepaidEstimated) : FilingValue{};
    });
    add("payable", "차가감 납부할 세액 (음수는 환급받을 세액)", [](const GeneralColumn& c) {
        return c.prepaid ? value(c.payable()) : value(c.afterCredits());
    });
    add("purchase.other.amount", "적격증빙 없는 매입 금액 (공제 안 됨)",
        [](const GeneralColumn& c) { return value(c.s.other.amount); });
    add("purchase.other.vat", "적격증빙 없는 매입 세액 (공제 안 됨)",
        [](const GeneralColumn& c) { return value(c.s.other.vat); });

    r.notes.push_back("개인 일반과세자의 확정신고는 과세기간 6개월(1기 1~6월, 2기 7~12월) 전체를 신고하고, 이미 낸 "
                      "예정고지세액을 뺍니다. 분기 열은 예정신고를 스스로 하는 경우(조기환급, 사업부진)에 씁니다.");
    r.notes.push_back("예정고지세액을 설정에 적지 않으면 직전 과세기간 납부세액의 50 %(천원 미만 버림, 50만원 미만은 "
                      "고지 없음)를 추정해 \"추정\"으로 표시합니다.");
    if (!deemedRate.empty())
        r.notes.push_back("의제매입세액은 계산서 수취분 × " + deemedRate
                          + "으로 계산했습니다 (공제 한도는 따지지 않았습니다).");
    else
        r.notes.push_back("의제매입세액 공제율이 있는 업종(음식점, 제조)을 설정에서 고르면 의제매입세액을 계산합니다.");
    if (st.largeLastYear)
        r.notes.push_back("직전 연도 공급가액이 10억원을 넘어 신용카드매출전표등 발행세액공제가 없습니다.");
    else
        r.notes.push_back("신용카드매출전표등 발행세액공제: 발행금액 × " + rateText(RatesOf(f.year).cardCredit)
                          + ", 연간 한도 " + groupedWon(won(RatesOf(f.year).cardCreditCapWon))
                          + "원, 납부세액을 넘지 않습니다.");
    return r;
}

// --- 간이과세자 -----------------------------------------------------------------

struct SimpleColumn {
    PeriodSums s;
    std::optional<WideTenths> tax;
    WideTenths qualifying = 0, purchaseCredit = 0;
    WideTenths cardBase = 0, cardCredit = 0;
    WideTenths annualised = 0, exemption = 0;
    std::optional<WideTenths> prepaid;
    bool prepaidEstimated = false;
    std::optional<WideTenths> afterCredits() const
    {
        if (!tax)
            return std::nullopt;
        return *tax - purchaseCredit - cardCredit - exemption;
    }
};

SimpleColumn simpleColumn(const PeriodSums& s, const FilingSettings& st, int year, bool wholeYear, int months)
{
    SimpleColumn c;
    c.s = s;
    const WideTenths supply = s.sales().supply();
    if (const Industry* ind = findIndustry(year, st.industry))
        c.tax = applyRate(supply, Rate{ind->valueAdded.num, ind->valueAdded.den * 10});
    AmountVat q = s.invoiceGeneral;
    q.add(s.invoiceAssets);
    q.add(s.cardGeneral);
    q.add(s.cardAssets);
    c.qualifying = q.supply() - s.nondeductible.supply();
    c.purchaseCredit = std::max<WideTenths>(0, applyRate(c.qualifying, Rate{5, 1000}));
    c.cardBase = s.salesCardAll().supply();
    if (!st.largeLastYear && c.cardBase > 0)
        c.cardCredit = std::min(applyRate(c.cardBase, RatesOf(year).cardCredit), won(RatesOf(year).cardCreditCapWon));
    if (c.tax) {
        // The credits never exceed the tax.
        c.purchaseCredit = std::min(c.purchaseCredit, std::max<WideTenths>(0, *c.tax));
        c.cardCredit = std::min(c.cardCredit, std::max<WideTenths>(0, *c.tax - c.purchaseCredit));
    }
    if (wholeYear) {
        c.annualised = months > 0 && months < 12 ? supply * 12 / months : supply;
        if (c.annualised < won(RatesOf(year).exemptionLimitWon) && c.tax)
            c.exemption = *c.tax - c.purchaseCredit - c.cardCredit;
    }
    return c;
}

FilingReturn simpleReturn(const FilingFigures& f)
{
    const FilingSettings& st = f.settings;
    // A business that began during the year: the limit is for twelve months.
    const int months = !f.lastYearHasEntries && f.firstMonth > 1 ? 13 - f.firstMonth : 12;
    PeriodSums last;
    for (const PeriodSums& m : f.lastYear)
        last.add(m);
    const SimpleColumn lastYear = simpleColumn(last, st, f.year - 1, true, 12);
    SimpleColumn h1 = simpleColumn(f.sum(1, 6), st, f.year, false, 6);
    SimpleColumn year = simpleColumn(f.yearSums(), st, f.year, true, months);
    if (st.prepaidWon[0]) {
        year.prepaid = won(*st.prepaidWon[0]);
    } else {
        year.prepaid = prepaidEstimate(f.lastYearHasEntries ? lastYear.afterCredits().value_or(0) : 0);
        year.prepaidEstimated = true;
    }
    const std::vector<SimpleColumn> cols = {h1, year};

    FilingReturn r;
    r.key = "simple";
    r.title = yearTitle("부가가치세", f);
    r.columns = {{"h1", "예정부과기간 (1~6월)"}, {"year", "연간 (확정신고)"}};
    const Industry* ind = findIndustry(f.year, st.industry);
    auto add = [&](const char* key, const char* name, auto get, std::string rate = {}) {
        FilingLine l = mk(key, name, {}, std::move(rate));
        for (const SimpleColumn& c : cols)
            l.values.push_back(get(c));
        r.lines.push_back(std::move(l));
    };
    add("supply.invoice", "세금계산서 발급분 공급대가", [](const SimpleColumn& c) { return value(c.s.salesInvoice.supply()); });
    add("supply.card", "신용카드·현금영수증 발행분 공급대가",
        [](const SimpleColumn& c) { return value(c.s.salesCardAll().supply()); });
    add("supply.other", "기타 공급대가", [](const SimpleColumn& c) {
        return value(c.s.salesOther.supply() + c.s.salesExemptInvoice.supply());
    });
    add("supply", "공급대가 합계 (과세표준)", [](const SimpleColumn& c) { return value(c.s.sales().supply()); });
    add("tax", "납부세액 (공급대가 × 업종별 부가가치율 × 10%)",
        [](const SimpleColumn& c) { return c.tax ? value(*c.tax) : FilingValue{}; },
        ind ? rateText(ind->valueAdded) : std::string());
    add("purchase.qualifying", "세금계산서·신용카드 등 수취분 매입 공급대가 (불공제 제외)",
        [](const SimpleColumn& c) { return value(c.qualifying); });
    add("credit.purchase", "매입세금계산서등 수취세액공제", [](const SimpleColumn& c) { return value(c.purchaseCredit); },
        "0.5%");
    add("credit.card_issue.base", "신용카드매출전표등 발행금액", [](const SimpleColumn& c) { return value(c.cardBase); });
    add("credit.card_issue", "신용카드매출전표등 발행세액공제", [](const SimpleColumn& c) { return value(c.cardCredit); },
        st.largeLastYear ? std::string() : rateText(RatesOf(f.year).cardCredit));
    add("supply.annualised", "공급대가 (12개월 환산, 납부의무 면제 판단)", [](const SimpleColumn& c) {
        return c.annualised ? value(c.annualised) : FilingValue{};
    });
    add("exemption", "납부의무 면제세액", [](const SimpleColumn& c) { return c.tax ? value(c.exemption) : FilingValue{}; });
    add("prepaid", "예정부과세액", [](const SimpleColumn& c) {
        return c.prepaid ? value(*c.prepaid, c.prepaidEstimated) : FilingValue{};
    });
    add("payable", "차가감 납부할 세액", [](const SimpleColumn& c) {
        const std::optional<WideTenths> a = c.afterCredits();
        return a ? value(*a - c.prepaid.value_or(0)) : FilingValue{};
    });

    if (!ind)
        r.notes.push_back("업종을 설정에서 고르면 업종별 부가가치율로 납부세액을 계산합니다.");
    else
        r.notes.push_back(std::string("업종: ") + ind->name + ", 부가가치율 " + rateText(ind->valueAdded) + ".");
    r.notes.push_back("공제세액(수취세액공제, 발행세액공제)은 납부세액을 넘지 않습니다. 원 미만은 버립니다.");
    if (year.annualised < won(RatesOf(f.year).exemptionLimitWon))
        r.notes.push_back("연간 공급대가가 4,800만원 미만이라 납부의무가 면제됩니다. 그래도 신고는 다음 해 1월 25일까지 "
                          "해야 합니다.");
    r.notes.push_back("예정부과세액을 설정에 적지 않으면 직전 연도 납부세액의 50 %(천원 미만 버림, 50만원 미만은 "
                      "고지 없음)를 추정해 \"추정\"으로 표시합니다.");
    return r;
}

// --- 면세사업자 -----------------------------------------------------------------

FilingReturn exemptReturn(const FilingFigures& f)
{
    const PeriodSums y = f.yearSums();
    FilingReturn r;
    r.key = "exempt";
    r.title = yearTitle("사업장현황신고", f);
    r.columns = {{"year", "연간"}};
    auto add = [&](const char* key, const char* name, WideTenths v) { r.lines.push_back(mk(key, name, {value(v)})); };
    add("revenue.invoice", "수입금액 계산서 발급분", y.salesExemptInvoice.supply());
    add("revenue.card", "수입금액 신용카드 매출", y.salesCard.supply());
    add("revenue.cash", "수입금액 현금영수증 매출", y.salesCash.supply());
    add("revenue.other", "수입금액 기타", y.salesOther.supply() + y.salesInvoice.supply());
    add("revenue", "수입금액 합계", y.sales().supply());
    AmountVat invoice = y.invoiceGeneral, card = y.cardGeneral;
    invoice.add(y.invoiceAssets);
    card.add(y.cardAssets);
    add("purchase.invoice", "매입 세금계산서 수취분", invoice.supply());
    add("purchase.exempt_invoice", "매입 계산서 수취분", y.exemptInvoice.supply());
    add("purchase.card", "매입 신용카드·현금영수증 수취분", card.supply());
    add("purchase.other", "매입 기타", y.other.supply());
    add("purchase", "매입 합계", invoice.supply() + y.exemptInvoice.supply() + card.supply() + y.other.supply());
    r.notes.push_back("면세사업자는 부가가치세를 신고하지 않고, 다음 해 2월 10일까지 사업장현황신고를 합니다. "
                      "금액은 부가가치세 칸을 포함한 합계입니다.");
    return r;
}

FilingReturn incomeReturn(const FilingFigures& f)
{
    const PeriodSums y = f.yearSums();
    FilingReturn r;
    r.key = "income";
    r.title = yearTitle("종합소득세", f);
    r.columns = {{"", "금액"}};
    r.lines.push_back(mk("revenue", "총수입금액", {value(y.income)}));
    r.lines.push_back(mk("expenses", "필요경비", {value(y.expenses)}));
    r.lines.push_back(mk("profit", "소득금액 (총수입금액 - 필요경비)", {value(y.income - y.expenses)}));
    r.lines.push_back(mk("assets", "고정자산 증감 (필요경비 아님)", {value(y.assets)}));
    if (f.settings.type == TaxpayerType::General)
        r.notes.push_back("필요경비 = 비용 금액 + 공제받지 못하는 매입세액(적격증빙 없음, 계산서, 불공제).");
    else
        r.notes.push_back("간이과세자·면세사업자는 공급대가(부가가치세 포함)를 총수입금액으로 적고, 공제받지 못한 "
                          "매입세액은 비용·자산의 원가에 넣습니다.");
    r.notes.push_back("감가상각비는 계산하지 않습니다. 고정자산 증감은 따로 보여 줄 뿐 필요경비에 넣지 않습니다.");
    return r;
}

FilingReturn evidenceReturn(const FilingFigures& f)
{
    FilingReturn r;
    r.key = "evidence";
    r.title = yearTitle("증빙 확인", f);
    r.columns = {{"", "금액·건수"}};
    auto count = [&](const char* key, const char* name, std::int64_t n) {
        FilingLine l = mk(key, name, {value(won(n))});
        l.isCount = true;
        r.lines.push_back(std::move(l));
    };
    count("count", "적격증빙 없는 3만원 초과 지출 건수", f.evidenceCount);
    r.lines.push_back(mk("sum", "적격증빙 없는 3만원 초과 지출 합계", {value(f.evidenceSum)}));
    r.lines.push_back(mk("penalty", "증빙불비 가산세 (2%)", {value(wholeWon(f.evidenceSum * 2 / 100))}, "2%"));
    count("wages.count", "급여·인건비·임금 (적격증빙 필요 없음) 건수", f.wagesCount);
    r.lines.push_back(mk("wages.sum", "급여·인건비·임금 합계", {value(f.wagesSum)}));
    count("undated.count", "날짜가 올바르지 않은 자료 건수 (수치에서 뺌)", f.undatedCount);
    r.notes.push_back("적격증빙(세금계산서·계산서·신용카드·현금영수증)이 없는 건당 3만원 초과 지출은 증빙불비 "
                      "가산세(2 %) 대상입니다. 소규모사업자(신규 사업자, 직전 연도 수입금액 4,800만원 미만)는 내지 "
                      "않습니다.");
    r.notes.push_back("급여·인건비·임금은 적격증빙 대신 원천징수 신고로 증명하므로 따로 보여 줍니다.");
    return r;
}

} // namespace

std::vector<FilingReturn> FilingReturns(const FilingFigures& f)
{
    std::vector<FilingReturn> out;
    switch (f.settings.type) {
    case TaxpayerType::General: out.push_back(generalReturn(f)); break;
    case TaxpayerType::Simplified: out.push_back(simpleReturn(f)); break;
    case TaxpayerType::Exempt: out.push_back(exemptReturn(f)); break;
    }
    out.push_back(incomeReturn(f));
    out.push_back(evidenceReturn(f));
    return out;
}

std::string figureKey(const FilingReturn& r, std::size_t column, const FilingLine& line)
{
    std::string k = r.key + ".";
    if (column < r.columns.size() && !r.columns[column].key.empty())
        k += r.columns[column].key + ".";
    return k + line.key;
}

std::vector<FigureKeyHelp> FigureKeysHelp()
{
    std::vector<FigureKeyHelp> out;
    for (TaxpayerType t : {TaxpayerType::General, TaxpayerType::Simplified, TaxpayerType::Exempt}) {
        FilingFigures f;
        f.year = 2024;
        f.settings.type = t;
        f.settings.industry = "음식점";
        for (const FilingReturn& r : FilingReturns(f)) {
            if (t != TaxpayerType::General && (r.key == "income" || r.key == "evidence"))
                continue;
            std::string periods;
            for (const FilingColumn& c : r.columns)
                if (!c.key.empty())
                    periods += (periods.empty() ? "" : "|") + c.key;
            for (const FilingLine& l : r.lines) {
                std::string key = r.key + "." + (periods.empty() ? "" : (r.columns.size() > 1 ? "{" + periods + "}" : periods) + ".") + l.key;
                out.push_back({key, l.name});
                if (l.key == "prepaid")
                    out.push_back({key + ".estimated", "1: 예정고지세액을 추정함, 0: 설정에 적은 금액"});
            }
        }
    }
    return out;
}

} // namespace quill
