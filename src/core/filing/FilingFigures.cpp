// SPDX-License-Identifier: GPL-3.0-or-later
#include "filing/FilingFigures.h"

#include "app/Cp949.h"
#include "app/IniFile.h"
#include "app/WorkFolder.h"
#include "ledger/WorkingTable.h"

namespace quill {

namespace {

std::string cp949(const char* utf8) { return encodeCp949(utf8).bytes.value_or(std::string()); }

// The remarks, in CP949 as the entries hold them.
struct EvidenceWords {
    std::vector<std::string> invoice, card, exemptInvoice;
    EvidenceWords()
    {
        for (const char* w : {"세계", "세금계산서"})
            invoice.push_back(cp949(w));
        for (const char* w : {"카드", "신용카드", "현금영수증", "현영"})
            card.push_back(cp949(w));
        for (const char* w : {"계", "계산서"})
            exemptInvoice.push_back(cp949(w));
    }
};

const EvidenceWords& words()
{
    static const EvidenceWords w;
    return w;
}

bool oneOf(std::string_view s, const std::vector<std::string>& list)
{
    for (const std::string& w : list)
        if (s == w)
            return true;
    return false;
}

// The remark without blanks, in a buffer of its own: no allocation per entry.
struct Stripped {
    char data[256];
    std::size_t len = 0;
    explicit Stripped(std::string_view s)
    {
        for (char c : s)
            if (c != ' ' && len < sizeof data)
                data[len++] = c;
    }
    std::string_view view() const { return {data, len}; }
};

// The kinds of remark: the two VAT groups, the exempt invoice (qualifying
// evidence without deductible VAT) and everything else.
enum class Remark { Invoice, Card, ExemptInvoice, Other };

Remark remarkOf(std::string_view etc)
{
    if (etc.empty())
        return Remark::Other;
    const Stripped s(etc);
    if (oneOf(s.view(), words().invoice))
        return Remark::Invoice;
    if (oneOf(s.view(), words().card))
        return Remark::Card;
    if (oneOf(s.view(), words().exemptInvoice))
        return Remark::ExemptInvoice;
    return Remark::Other;
}

// toWideTenThousandths with a shortcut for zero and whole won, which is
// nearly every amount: the product is exact in 64 bits, so the rounding of
// the slow path gives the same.
WideTenths tenths(double amount)
{
    if (amount == 0)
        return 0;
    if (amount > -9e11 && amount < 9e11) {
        const auto whole = static_cast<std::int64_t>(amount);
        if (static_cast<double>(whole) == amount)
            return static_cast<WideTenths>(whole * 10000);
    }
    return toWideTenThousandths(amount);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int twoDigits(std::string_view s, std::size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

// True when the date begins with a year at all ("yyyy.").
bool hasYear(std::string_view d)
{
    return d.size() >= 5 && isDigit(d[0]) && isDigit(d[1]) && isDigit(d[2]) && isDigit(d[3]) && d[4] == '.';
}

bool sameYear(std::string_view d, int year)
{
    return ((d[0] - '0') * 1000 + (d[1] - '0') * 100 + (d[2] - '0') * 10 + (d[3] - '0')) == year;
}

void addPurchase(PurchaseFigures& p, WideTenths ot, WideTenths otVat, WideTenths js, WideTenths jsVat)
{
    p.amount += ot + js;
    p.vat += otVat + jsVat;
    p.assets += js;
}

void addPeriod(VatFigures& into, const VatFigures& from)
{
    into.salesAmount += from.salesAmount;
    into.salesVat += from.salesVat;
    PurchaseFigures* to[] = {&into.invoice, &into.card, &into.other};
    const PurchaseFigures* add[] = {&from.invoice, &from.card, &from.other};
    for (int g = 0; g < 3; ++g) {
        to[g]->amount += add[g]->amount;
        to[g]->vat += add[g]->vat;
        to[g]->assets += add[g]->assets;
    }
}

} // namespace

const char* taxpayerTypeName(TaxpayerType type)
{
    switch (type) {
    case TaxpayerType::Simplified: return "간이과세자";
    case TaxpayerType::Exempt: return "면세사업자";
    case TaxpayerType::General: break;
    }
    return "일반과세자";
}

std::optional<TaxpayerType> parseTaxpayerType(std::string_view utf8)
{
    if (utf8 == "일반" || utf8 == "일반과세자")
        return TaxpayerType::General;
    if (utf8 == "간이" || utf8 == "간이과세자")
        return TaxpayerType::Simplified;
    if (utf8 == "면세" || utf8 == "면세사업자")
        return TaxpayerType::Exempt;
    return std::nullopt;
}

TaxpayerType ReadTaxpayerType(const std::string& configPath)
{
    std::optional<std::string> stored = ReadIniValue(configPath, cp949(kMainSection), cp949(kTaxpayerTypeKey));
    if (!stored || !isValidCp949(*stored))
        return TaxpayerType::General;
    return parseTaxpayerType(decodeCp949(*stored)).value_or(TaxpayerType::General);
}

IoResult WriteTaxpayerType(const std::string& configPath, TaxpayerType type)
{
    return WriteIniValue(configPath, cp949(kMainSection), cp949(kTaxpayerTypeKey), cp949(taxpayerTypeName(type)));
}

EvidenceGroup evidenceGroupOf(std::string_view etcCp949)
{
    switch (remarkOf(etcCp949)) {
    case Remark::Invoice: return EvidenceGroup::Invoice;
    case Remark::Card: return EvidenceGroup::Card;
    default: return EvidenceGroup::Other;
    }
}

bool isQualifyingEvidence(std::string_view etcCp949) { return remarkOf(etcCp949) != Remark::Other; }

const char* filingPeriodKey(FilingPeriod period)
{
    static const char* const keys[] = {"q1", "q2", "q3", "q4", "h1", "h2", "year"};
    return keys[static_cast<int>(period)];
}

WideTenths VatFigures::simpleDeduction() const
{
    // 0.5 % = 1/200; 10000 ten-thousandths make a won.
    const WideTenths wholeWon = simplePurchases() / (200 * 10000);
    return wholeWon * 10000;
}

int monthOfYear(std::string_view d, int year)
{
    if (d.size() != 10 || !hasYear(d) || !sameYear(d, year) || d[7] != '.')
        return 0;
    if (!isDigit(d[5]) || !isDigit(d[6]) || !isDigit(d[8]) || !isDigit(d[9]))
        return 0;
    const int month = twoDigits(d, 5), day = twoDigits(d, 8);
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return 0;
    return month;
}

FilingFigures ComputeFilingFigures(std::span<const LedgerEntry> rows, int year, TaxpayerType type)
{
    FilingFigures f;
    f.year = year;
    f.type = type;
    // Month by month first; quarters, halves and the year are sums of months.
    std::array<VatFigures, 12> monthVat{};
    const bool allVatIsCost = type != TaxpayerType::General;

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LedgerEntry& e = rows[i];
        const std::string_view day = e.IDAY.view();
        const int month = monthOfYear(day, year);
        if (month == 0) {
            if (!hasYear(day) || sameYear(day, year))
                f.undated.push_back(i);
            continue;
        }
        ++f.entries;
        const WideTenths in = tenths(e.INMNY), inVat = tenths(e.INVAT);
        const WideTenths ot = tenths(e.OTMNY), otVat = tenths(e.OTVAT);
        const WideTenths js = tenths(e.JSMNY), jsVat = tenths(e.JSVAT);

        VatFigures& m = monthVat[static_cast<std::size_t>(month - 1)];
        m.salesAmount += in;
        m.salesVat += inVat;
        const Remark remark = remarkOf(e.ETC.view());
        const EvidenceGroup group = remark == Remark::Invoice ? EvidenceGroup::Invoice
                                  : remark == Remark::Card    ? EvidenceGroup::Card
                                                              : EvidenceGroup::Other;
        PurchaseFigures& p = group == EvidenceGroup::Invoice ? m.invoice
                           : group == EvidenceGroup::Card    ? m.card
                                                             : m.other;
        addPurchase(p, ot, otVat, js, jsVat);

        MonthFigures& mf = f.months[static_cast<std::size_t>(month - 1)];
        mf.income += in;
        mf.expenses += ot + ((allVatIsCost || group == EvidenceGroup::Other) ? otVat : 0);
        f.income.assets += js;

        const WideTenths purchase = ot + otVat + js + jsVat;
        if (purchase > kEvidenceLimit && remark == Remark::Other) {
            f.evidence.push_back({i, purchase});
            f.evidenceSum += purchase;
        }
    }

    for (int month = 0; month < 12; ++month) {
        const VatFigures& m = monthVat[static_cast<std::size_t>(month)];
        addPeriod(f.vat[static_cast<std::size_t>(month / 3)], m);
        addPeriod(f.vat[static_cast<std::size_t>(FilingPeriod::H1) + static_cast<std::size_t>(month / 6)], m);
        addPeriod(f.vat[static_cast<std::size_t>(FilingPeriod::Year)], m);
        f.income.revenue += f.months[static_cast<std::size_t>(month)].income;
        f.income.expenses += f.months[static_cast<std::size_t>(month)].expenses;
    }
    return f;
}

FilingFigures ComputeFilingFigures(const WorkingTable& table, int year, TaxpayerType type)
{
    if (table.rowCount() == 0)
        return ComputeFilingFigures(std::span<const LedgerEntry>(), year, type);
    return ComputeFilingFigures(std::span<const LedgerEntry>(&table.row(0), table.rowCount()), year, type);
}

} // namespace quill
