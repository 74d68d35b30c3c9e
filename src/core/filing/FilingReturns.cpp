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

FilingValue value(WideTenths v, bool estimated = false) { return FilingValue{v, estimated, {}}; }

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
    int deemedLimitPercent = 0;
    WideTenths deemedLimit = 0, deemedAllowed = 0;
    WideTenths deemedVat = 0;
    WideTenths before = 0;  // 납부(환급)세액
    WideTenths cardBase = 0, credit = 0;
    std::optional<WideTenths> eFiling;  // only a 확정신고 has it
    std::optional<WideTenths> prepaid;
    bool prepaidEstimated = false;
    WideTenths deemedBase() const { return s.deemedInvoice.supply() + s.deemedCard.supply(); }
    WideTenths afterCredits() const { return before - credit - eFiling.value_or(0); }
    // What the 예정고지 is worked from: the tax less the card credit.
    WideTenths forEstimate() const { return before - credit; }
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

// 의제매입세액 한도율 of a 과세기간 과세표준 (개인사업자).
int deemedLimitPercent(const FilingSettings& st, int year, WideTenths base)
{
    const YearRates& r = RatesOf(year);
    const auto& bands = st.industry == "음식점" ? r.deemedLimitRestaurant : r.deemedLimitOther;
    for (const DeemedLimitBand& b : bands)
        if (b.upToWon == 0 || base <= won(b.upToWon))
            return b.percent;
    return bands.back().percent;
}

// One 과세기간 (or a quarter); `capLeft` is what is left of the year's cap
// of the card credit and shrinks by what this period uses.
GeneralColumn generalColumn(const PeriodSums& s, const FilingSettings& st, int year, bool large, WideTenths& capLeft)
{
    GeneralColumn c;
    c.s = s;
    c.deemedRate = deemedRateOf(st, year, s);
    // The base is capped at a share of the 과세표준 (부가가치세법 제42조제5항).
    c.deemedLimitPercent = deemedLimitPercent(st, year, s.sales().amount);
    c.deemedLimit = wholeWon(std::max<WideTenths>(0, s.sales().amount) * c.deemedLimitPercent / 100);
    c.deemedAllowed = std::min(c.deemedBase(), c.deemedLimit);
    c.deemedVat = applyRate(c.deemedAllowed, c.deemedRate);
    c.before = s.sales().vat - (c.purchaseVat() - s.nondeductible.vat);
    c.cardBase = s.salesCardAll().supply();
    if (!large && c.cardBase > 0 && c.before > 0) {
        const WideTenths raw = applyRate(c.cardBase, RatesOf(year).cardCredit);
        c.credit = std::max<WideTenths>(0, std::min({raw, capLeft, c.before}));
        capLeft -= c.credit;
    }
    return c;
}

// 전자신고세액공제 of one 확정신고 (조세특례제한법 제104조의8제2항): taken
// from the tax or added to the refund; none for a general taxpayer with
// neither sales nor purchases, nor where an accountant files.
void addEFiling(GeneralColumn& c, const FilingSettings& st, int year)
{
    const bool any = c.s.sales().amount != 0 || c.purchaseAmount() != 0 || c.deemedBase() != 0
                  || c.s.exemptInvoice.supply() != 0 || c.s.other.supply() != 0;
    c.eFiling = st.accountantFiles || !any ? 0 : won(RatesOf(year).eFilingCreditWon);
}

FilingReturn generalReturn(const FilingFigures& f)
{
    const FilingSettings& st = f.settings;
    const WideTenths cap = won(RatesOf(f.year).cardCreditCapWon);

    const bool large = largeSupplier(f);
    // The year before, for the estimate of the first 예정고지 (the same
    // rule on the card credit: the ledger knows no year before it).
    WideTenths lastCap = won(RatesOf(f.year - 1).cardCreditCapWon);
    PeriodSums lastH1, lastH2;
    for (int m = 0; m < 12; ++m)
        (m < 6 ? lastH1 : lastH2).add(f.lastYear[static_cast<std::size_t>(m)]);
    generalColumn(lastH1, st, f.year - 1, large, lastCap);
    const GeneralColumn lastSecond = generalColumn(lastH2, st, f.year - 1, large, lastCap);

    WideTenths halfCap = cap;
    GeneralColumn h1 = generalColumn(f.sum(1, 6), st, f.year, large, halfCap);
    GeneralColumn h2 = generalColumn(f.sum(7, 12), st, f.year, large, halfCap);
    addEFiling(h1, st, f.year);
    addEFiling(h2, st, f.year);
    GeneralColumn* halves[] = {&h1, &h2};
    const WideTenths previous[] = {f.lastYearHasEntries ? lastSecond.forEstimate() : 0, h1.forEstimate()};
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
    year.deemedLimit = h1.deemedLimit + h2.deemedLimit;
    year.deemedAllowed = h1.deemedAllowed + h2.deemedAllowed;
    year.deemedVat = h1.deemedVat + h2.deemedVat;
    year.before = h1.before + h2.before;
    year.cardBase = h1.cardBase + h2.cardBase;
    year.credit = h1.credit + h2.credit;
    year.eFiling = *h1.eFiling + *h2.eFiling;
    year.prepaid = *h1.prepaid + *h2.prepaid;
    year.prepaidEstimated = h1.prepaidEstimated || h2.prepaidEstimated;
    // Quarters, for a user who files 예정신고 by choice.
    WideTenths quarterCap = cap;
    std::vector<GeneralColumn> cols = {h1, h2, year};
    for (int q = 0; q < 4; ++q)
        cols.push_back(generalColumn(f.sum(q * 3 + 1, q * 3 + 3), st, f.year, large, quarterCap));

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
    add("purchase.card_no_vat.amount", "신용카드매출전표등 수령분 중 세액 없는 매입 (공제 없음)",
        [](const GeneralColumn& c) { return value(c.s.cardNoVat.supply()); });
    add("purchase.deemed.base.invoice", "의제매입 계산서 수취분 매입가액",
        [](const GeneralColumn& c) { return value(c.s.deemedInvoice.supply()); });
    add("purchase.deemed.base.card", "의제매입 신용카드·현금영수증 수취분 매입가액",
        [](const GeneralColumn& c) { return value(c.s.deemedCard.supply()); });
    add("purchase.deemed.base", "의제매입세액공제 대상 매입가액 합계",
        [](const GeneralColumn& c) { return value(c.deemedBase()); });
    add("purchase.deemed.limit_base", "의제매입 공제 한도 (과세표준 × 한도율)", [](const GeneralColumn& c) {
        FilingValue v = value(c.deemedLimit);
        if (c.deemedLimitPercent && c.deemedRate.valid())
            v.rate = std::to_string(c.deemedLimitPercent) + "%";
        return v;
    });
    add("purchase.deemed.allowed_base", "한도 안의 매입가액", [](const GeneralColumn& c) { return value(c.deemedAllowed); });
    add("purchase.deemed.vat", "의제매입세액", [](const GeneralColumn& c) {
        FilingValue v = value(c.deemedVat);
        v.rate = rateText(c.deemedRate);
        return v;
    });
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
        large ? std::string() : rateText(RatesOf(f.year).cardCredit));
    add("credit.e_filing", "전자신고세액공제", [](const GeneralColumn& c) {
        return c.eFiling ? value(*c.eFiling) : FilingValue{};
    });
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
    r.notes.push_back("의제매입세액 = min(의제매입 매입가액, 과세표준 × 한도율) × 공제율. 면세 농축수산물은 계산서로, "
                      "또는 신용카드·현금영수증(세액 없음)으로 산 것 중 거래내용이나 비고에 \"의제\", \"농산물\", "
                      "\"수산물\" 같은 단어가 있는 것입니다 (설정에서 단어를 더할 수 있습니다). 어느 자료를 넣었는지는 "
                      "증빙 확인 탭에 있습니다. 공제율은 열마다 그 과세기간의 과세표준으로 정합니다.");
    if (!findIndustry(f.year, st.industry) && !st.deemedRate)
        r.notes.push_back("의제매입세액 공제율이 있는 업종(음식점, 제조)을 설정에서 고르면 의제매입세액을 계산합니다.");
    if (large)
        r.notes.push_back(st.largeLastYear ? "설정에 따라 직전 연도 공급가액이 10억원을 넘는 것으로 보아 신용카드매출전표등 "
                                             "발행세액공제가 없습니다."
                                           : "장부의 직전 연도 공급가액이 10억원을 넘어 신용카드매출전표등 발행세액공제가 "
                                             "없습니다.");
    else
        r.notes.push_back("신용카드매출전표등 발행세액공제: 발행금액 × " + rateText(RatesOf(f.year).cardCredit)
                          + ", 연간 한도 " + groupedWon(won(RatesOf(f.year).cardCreditCapWon))
                          + "원, 납부세액을 넘지 않습니다.");
    r.notes.push_back(st.accountantFiles ? "세무대리인이 신고하므로 전자신고세액공제를 넣지 않았습니다."
                                         : "전자신고세액공제: 직접 홈택스로 확정신고하면 신고마다 1만원 (예정신고 열에는 "
                                           "없음).");
    return r;
}

// --- 간이과세자 -----------------------------------------------------------------

struct SimpleColumn {
    PeriodSums s;
    std::optional<WideTenths> tax;
    WideTenths qualifying = 0, purchaseCredit = 0;
    WideTenths cardBase = 0, cardCredit = 0;
    WideTenths annualised = 0, exemption = 0;
    std::optional<WideTenths> eFiling;
    std::optional<WideTenths> prepaid;
    std::optional<WideTenths> preliminary;  // 예정신고 of 1~6월 already paid
    bool prepaidEstimated = false;
    std::optional<WideTenths> afterCredits() const
    {
        if (!tax)
            return std::nullopt;
        return *tax - purchaseCredit - cardCredit - exemption - eFiling.value_or(0);
    }
    // What the 예정부과 is worked from: the tax less the credits of the law
    // of VAT itself.
    WideTenths forEstimate() const { return afterCredits().value_or(0) + eFiling.value_or(0); }
    std::optional<WideTenths> payable() const
    {
        const std::optional<WideTenths> a = afterCredits();
        if (!a)
            return std::nullopt;
        return *a - prepaid.value_or(0) - preliminary.value_or(0);
    }
};

SimpleColumn simpleColumn(const PeriodSums& s, const FilingSettings& st, int year, bool large, bool wholeYear,
                          int months)
{
    SimpleColumn c;
    c.s = s;
    const WideTenths supply = s.sales().supply();
    if (const Industry* ind = findIndustry(year, st.industry))
        c.tax = applyRate(supply, Rate{ind->valueAdded.num, ind->valueAdded.den * 10});
    // 매입세금계산서등 수취세액공제 (부가가치세법 제63조제3항): the 공급대가
    // of taxable purchases on 세금계산서 or 신용카드매출전표등, less those
    // whose VAT is not deductible. Card purchases without VAT (produce,
    // milk) are in no line summed here.
    AmountVat q = s.invoiceGeneral;
    q.add(s.invoiceAssets);
    q.add(s.cardGeneral);
    q.add(s.cardAssets);
    c.qualifying = q.supply() - s.nondeductible.supply();
    c.purchaseCredit = std::max<WideTenths>(0, applyRate(c.qualifying, Rate{5, 1000}));
    c.cardBase = s.salesCardAll().supply();
    if (!large && c.cardBase > 0)
        c.cardCredit = std::min(applyRate(c.cardBase, RatesOf(year).cardCredit), won(RatesOf(year).cardCreditCapWon));
    if (c.tax) {
        // The credits never exceed the tax.
        c.purchaseCredit = std::min(c.purchaseCredit, std::max<WideTenths>(0, *c.tax));
        c.cardCredit = std::min(c.cardCredit, std::max<WideTenths>(0, *c.tax - c.purchaseCredit));
    }
    if (wholeYear) {
        // 12개월 환산 in whole won: below a won is no figure of the return.
        c.annualised = wholeWon(months > 0 && months < 12 ? supply * 12 / months : supply);
        if (c.annualised < won(RatesOf(year).exemptionLimitWon) && c.tax)
            c.exemption = *c.tax - c.purchaseCredit - c.cardCredit;
        // 전자신고세액공제 only up to the tax left (조세특례제한법 제104조의8제2항 단서).
        if (c.tax)
            c.eFiling = st.accountantFiles ? 0
                                           : std::min(won(RatesOf(year).eFilingCreditWon),
                                                      std::max<WideTenths>(0, *c.afterCredits()));
    }
    return c;
}

// The months the 간이 limits are scaled from: from the 개업일 when it is in
// the year, else from the first entry of a ledger that holds no year before.
int simpleMonths(const FilingFigures& f)
{
    if (const int opened = openingMonth(f))
        return 13 - opened;
    if (!f.settings.openingDay.empty())
        return 12;  // opened before the year
    return !f.lastYearHasEntries && f.firstMonth > 1 ? 13 - f.firstMonth : 12;
}

FilingReturn simpleReturn(const FilingFigures& f)
{
    const FilingSettings& st = f.settings;
    const bool large = largeSupplier(f);
    const int months = simpleMonths(f);
    const SimpleColumn lastYear = simpleColumn(f.lastYearSums(), st, f.year - 1, large, true, 12);
    SimpleColumn h1 = simpleColumn(f.sum(1, 6), st, f.year, large, false, 6);
    SimpleColumn year = simpleColumn(f.yearSums(), st, f.year, large, true, months);
    // A 간이과세자 that issued a 세금계산서 in 1~6월 files a 예정신고 for
    // them by 7월 25일 (부가가치세법 제66조제3항, from memory) instead of a
    // 예정부과; the 확정신고 deducts what it paid.
    const bool preliminaryReturn = h1.s.salesInvoice.supply() != 0;
    if (preliminaryReturn) {
        // Without an 업종 there is no tax to speak of: the line stays empty.
        if (h1.tax)
            year.preliminary = std::max<WideTenths>(0, *h1.afterCredits());
    } else if (st.prepaidWon[0]) {
        year.prepaid = won(*st.prepaidWon[0]);
    } else {
        year.prepaid = prepaidEstimate(f.lastYearHasEntries ? lastYear.forEstimate() : 0);
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
        large ? std::string() : rateText(RatesOf(f.year).cardCredit));
    add("supply.annualised", "공급대가 (12개월 환산, 납부의무 면제 판단)", [](const SimpleColumn& c) {
        return c.annualised ? value(c.annualised) : FilingValue{};
    });
    add("exemption", "납부의무 면제세액", [](const SimpleColumn& c) { return c.tax ? value(c.exemption) : FilingValue{}; });
    add("credit.e_filing", "전자신고세액공제", [](const SimpleColumn& c) {
        return c.eFiling && c.tax ? value(*c.eFiling) : FilingValue{};
    });
    add("prepaid", "예정부과세액", [](const SimpleColumn& c) {
        return c.prepaid ? value(*c.prepaid, c.prepaidEstimated) : FilingValue{};
    });
    add("preliminary_return", "예정신고 납부세액 (1~6월 세금계산서 발급분 신고)", [](const SimpleColumn& c) {
        return c.preliminary ? value(*c.preliminary) : FilingValue{};
    });
    add("payable", "차가감 납부할 세액", [](const SimpleColumn& c) {
        const std::optional<WideTenths> p = c.payable();
        return p ? value(*p) : FilingValue{};
    });

    if (!ind)
        r.notes.push_back("업종을 설정에서 고르면 업종별 부가가치율로 납부세액을 계산합니다.");
    else
        r.notes.push_back(std::string("업종: ") + ind->name + ", 부가가치율 " + rateText(ind->valueAdded) + ".");
    r.notes.push_back("공제세액(수취세액공제, 발행세액공제)은 납부세액을 넘지 않습니다. 원 미만은 버립니다.");
    if (year.annualised < won(RatesOf(f.year).exemptionLimitWon))
        r.notes.push_back("연간 공급대가가 4,800만원 미만이라 납부의무가 면제됩니다. 그래도 신고는 다음 해 1월 25일까지 "
                          "해야 합니다.");
    if (preliminaryReturn)
        r.notes.push_back("1~6월에 세금계산서를 발급했으므로 7월 25일까지 예정신고를 하고, 확정신고에서 그 세액을 "
                          "뺍니다 (예정부과 고지는 없습니다).");
    else
        r.notes.push_back("예정부과세액을 설정에 적지 않으면 직전 연도 납부세액의 50 %(천원 미만 버림, 50만원 미만은 "
                          "고지 없음)를 추정해 \"추정\"으로 표시합니다.");
    if (months < 12)
        r.notes.push_back("사업 기간이 " + std::to_string(months) + "개월이라 공급대가를 12개월로 환산해 납부의무 면제를 "
                          "판단했습니다" + (openingMonth(f) ? " (설정의 개업일 기준)." : " (장부의 첫 자료 기준; 설정에 개업일을 적으면 그 날로 셉니다)."));
    r.notes.push_back("매입세금계산서등 수취세액공제(0.5 %)는 세금계산서·신용카드 등으로 받은 과세 매입만 셉니다. 세액 "
                      "없는 카드 매입(농산물, 우유 같은 면세품)과 불공제 매입은 빠집니다.");
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
    card.add(y.cardNoVat);
    card.add(y.deemedCard);
    // Wages are no purchase: they are in the 인건비 line below, not here.
    add("purchase.invoice", "매입 세금계산서 수취분", invoice.supply());
    add("purchase.exempt_invoice", "매입 계산서 수취분", y.exemptInvoice.supply());
    add("purchase.card", "매입 신용카드·현금영수증 수취분", card.supply());
    add("purchase.other", "매입 기타", y.other.supply());
    add("purchase", "매입 합계", invoice.supply() + y.exemptInvoice.supply() + card.supply() + y.other.supply());
    // 기본경비 (사업장현황신고서): the year's expenses by kind, VAT included.
    const WideTenths otherCosts = y.expenses - y.rent - y.goods - y.wages;
    add("basic.rent", "기본경비 임차료", y.rent);
    add("basic.goods", "기본경비 매입액", y.goods);
    add("basic.wage", "기본경비 인건비", y.wages);
    add("basic.other", "기본경비 기타제경비", otherCosts);
    add("basic", "기본경비 합계", y.expenses);
    r.notes.push_back("면세사업자는 부가가치세를 신고하지 않고, 다음 해 2월 10일까지 사업장현황신고를 합니다. "
                      "금액은 부가가치세 칸을 포함한 합계입니다.");
    r.notes.push_back("기본경비는 거래내용과 비고로 나눕니다: 임차료 \"임차료\", \"월세\", \"임대료\"; 인건비 \"급여\", "
                      "\"인건비\", \"임금\", \"4대보험\" 등; 매입액 \"상품\", \"재료\", \"교재\", \"매입\" 등과 "
                      "의제매입으로 본 자료; 나머지는 기타제경비.");
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
    const bool small = smallBusiness(f);
    count("count", "적격증빙 없는 3만원 초과 지출 건수", f.evidenceCount);
    r.lines.push_back(mk("sum", "적격증빙 없는 3만원 초과 지출 합계", {value(f.evidenceSum)}));
    r.lines.push_back(
        mk("penalty", "증빙불비 가산세 (2%)", {value(small ? 0 : wholeWon(f.evidenceSum * 2 / 100))}, "2%"));
    count("small_business", "소규모사업자 (1: 가산세 없음)", small ? 1 : 0);
    count("wages.count", "급여·4대보험료 (적격증빙 필요 없음) 건수", f.wagesCount);
    r.lines.push_back(mk("wages.sum", "급여·4대보험료 합계", {value(f.wagesSum)}));
    count("exempt.count", "그 밖에 적격증빙이 필요 없는 지출 건수 (이자, 원천징수, 송금한 임차료, 공공기관)",
          f.exemptedCount);
    r.lines.push_back(mk("exempt.sum", "그 밖에 적격증빙이 필요 없는 지출 합계", {value(f.exemptedSum)}));
    count("entertainment.count", "적격증빙 없는 3만원 초과 기업업무추진비 건수 (필요경비 불산입)",
          f.entertainmentCount);
    r.lines.push_back(mk("entertainment.sum", "적격증빙 없는 3만원 초과 기업업무추진비 합계 (필요경비 불산입)",
                         {value(f.entertainmentSum)}));
    if (f.settings.type == TaxpayerType::General) {
        count("nondeductible_candidates.count", "불공제일 수 있는 매입 건수 (확인 필요)", f.nondeductibleCandidatesCount);
        r.lines.push_back(mk("nondeductible_candidates.vat", "불공제일 수 있는 매입의 세액 (지금은 공제함)",
                             {value(f.nondeductibleCandidatesVat)}));
    }
    count("undated.count", "날짜가 올바르지 않은 자료 건수 (수치에서 뺌)", f.undatedCount);
    r.notes.push_back("적격증빙(세금계산서·계산서·신용카드·현금영수증)이 없는 건당 3만원 초과 지출은 증빙불비 "
                      "가산세(2 %) 대상입니다 (소득세법 제81조의6).");
    if (small)
        r.notes.push_back(openingMonth(f) ? "올해 개업한 신규 사업자라 소규모사업자로 보아 가산세가 없습니다."
                          : f.lastYearHasEntries
                              ? "장부의 직전 연도 수입금액이 4,800만원 미만이라 소규모사업자로 보아 가산세가 없습니다."
                              : "설정의 직전 연도 수입금액이 4,800만원 미만이라 소규모사업자로 보아 가산세가 없습니다.");
    else if (!f.lastYearHasEntries && !f.settings.lastYearRevenueWon && f.settings.openingDay.empty())
        r.notes.push_back("장부에 직전 연도가 없습니다. 신규 사업자이거나 직전 연도 수입금액이 4,800만원 미만이면 "
                          "(소규모사업자) 가산세가 없으니 설정에 개업일이나 직전 연도 수입금액을 적어 주십시오.");
    r.notes.push_back("급여·4대보험료, 이자, 3.3 % 원천징수한 인적용역, 간이과세자 임대인에게 송금한 임차료, "
                      "국가·지방자치단체·공공기관에 낸 돈은 적격증빙이 필요 없어 가산세에서 뺍니다.");
    r.notes.push_back("적격증빙 없는 3만원 초과 기업업무추진비(접대비)는 가산세가 아니라 필요경비에 넣지 않습니다.");
    return r;
}

// Conditions worth a warning, each 1 when it holds: keys for scripts, notes
// for the window.
FilingReturn warningReturn(const FilingFigures& f)
{
    FilingReturn r;
    r.key = "warn";
    r.title = yearTitle("주의", f);
    r.columns = {{"", "해당 (1)"}};
    const FilingSettings& st = f.settings;
    const YearRates& rates = RatesOf(f.year);
    bool ceiling = false, invoiceDuty = false, cardIndustry = false;
    if (st.type == TaxpayerType::Simplified) {
        // 직전 연도 공급대가 decides the next year's type from 7월 1일; a
        // business opened during the year is scaled to twelve months.
        const int months = simpleMonths(f);
        const WideTenths supply = f.yearSums().sales().supply();
        const WideTenths yearly = wholeWon(months < 12 ? supply * 12 / months : supply);
        ceiling = yearly >= won(rates.simpleCeilingWon);
        invoiceDuty = !ceiling && yearly >= won(rates.simpleInvoiceDutyWon);
        if (ceiling)
            r.notes.push_back("주의: 연간 공급대가(12개월 환산)가 " + groupedWon(won(rates.simpleCeilingWon))
                              + "원 이상입니다. 다음 해 7월 1일부터 일반과세자가 됩니다.");
        if (invoiceDuty)
            r.notes.push_back("주의: 연간 공급대가(12개월 환산)가 " + groupedWon(won(rates.simpleInvoiceDutyWon))
                              + "원 이상입니다. 다음 해 7월 1일부터 세금계산서를 발급해야 합니다.");
    }
    if (st.type == TaxpayerType::General) {
        const Industry* ind = findIndustry(f.year, st.industry);
        cardIndustry = ind && !ind->receipts && f.yearSums().salesCardAll().supply() != 0;
        if (cardIndustry)
            r.notes.push_back(std::string("주의: 신용카드매출전표등 발행세액공제는 영수증 발급 대상 업종(소매, 음식점, 숙박, "
                                          "여객운송, 개인서비스 등)의 개인사업자만 받습니다. 업종 ")
                              + ind->key + "은(는) 대개 해당하지 않으니 확인하십시오.");
    }
    auto flag = [&](const char* key, const char* name, bool on) {
        FilingLine l = mk(key, name, {value(on ? won(1) : 0)});
        l.isCount = true;
        r.lines.push_back(std::move(l));
    };
    flag("simple_ceiling", "간이과세자 공급대가 1억400만원 이상 (다음 해 7월 1일부터 일반과세자)", ceiling);
    flag("simple_invoice_duty", "간이과세자 공급대가 4,800만원 이상 (세금계산서 발급 의무)", invoiceDuty);
    flag("card_credit_industry", "영수증 발급 대상 업종이 아님 (신용카드 발행세액공제 확인)", cardIndustry);
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
    out.push_back(warningReturn(f));
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
            if (t != TaxpayerType::General && (r.key == "income" || r.key == "evidence" || r.key == "warn"))
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
                if (std::any_of(l.values.begin(), l.values.end(), [](const FilingValue& v) { return !v.rate.empty(); })
                    || l.key == "purchase.deemed.vat" || l.key == "purchase.deemed.limit_base")
                    out.push_back({key + ".rate", "그 열에 쓴 율 (공제율, 한도율)"});
            }
        }
    }
    return out;
}

} // namespace quill
