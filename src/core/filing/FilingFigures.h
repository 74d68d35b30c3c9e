// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/IoResult.h"
#include "ledger/LedgerEntry.h"
#include "ledger/Money.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class WorkingTable;

// What the ledger gives towards the two filings of the year: the VAT return
// and the income-tax return. Every figure is a reference for the user's own
// filing, never a filed return. Amounts are ten-thousandths of a won,
// summed 128 bits wide like the totals bar.

enum class TaxpayerType { General, Simplified, Exempt };

// "일반과세자", "간이과세자", "면세사업자" (UTF-8).
const char* taxpayerTypeName(TaxpayerType type);
// Accepts the full names and the short ones "일반", "간이", "면세" (UTF-8).
std::optional<TaxpayerType> parseTaxpayerType(std::string_view utf8);

// The configuration key that keeps the type, in the main section.
inline constexpr const char* kTaxpayerTypeKey = "과세유형";
// A missing file, key or unknown value gives 일반과세자.
TaxpayerType ReadTaxpayerType(const std::string& configPath);
IoResult WriteTaxpayerType(const std::string& configPath, TaxpayerType type);

// The evidence a remark names, with blanks stripped: tax invoice, card or
// cash receipt, or anything else.
enum class EvidenceGroup { Invoice, Card, Other };
EvidenceGroup evidenceGroupOf(std::string_view etcCp949);
// True for the remarks that count as qualifying evidence: both groups above
// and the invoice of exempt goods ("계", "계산서").
bool isQualifyingEvidence(std::string_view etcCp949);

// Purchases above this total (amount + VAT, ten-thousandths) need
// qualifying evidence.
inline constexpr std::int64_t kEvidenceLimit = 30000LL * 10000;

// q1 (01-03) q2 (04-06) q3 (07-09) q4 (10-12) h1 (01-06) h2 (07-12) year.
enum class FilingPeriod { Q1, Q2, Q3, Q4, H1, H2, Year };
inline constexpr int kFilingPeriodCount = 7;
const char* filingPeriodKey(FilingPeriod period);  // "q1" ... "year"

struct PurchaseFigures {
    WideTenths amount = 0;
    WideTenths vat = 0;
    WideTenths assets = 0;  // the part of `amount` that is fixed assets
    WideTenths supply() const { return amount + vat; }
};

struct VatFigures {
    WideTenths salesAmount = 0;
    WideTenths salesVat = 0;
    PurchaseFigures invoice;
    PurchaseFigures card;
    PurchaseFigures other;

    WideTenths deductible() const { return invoice.vat + card.vat; }
    // Negative: a refund.
    WideTenths payable() const { return salesVat - deductible(); }
    // For a simplified taxpayer: sales and qualifying purchases with VAT,
    // and the deduction of 0.5 % of those purchases, whole won (below a won
    // dropped, toward zero).
    WideTenths simpleSupply() const { return salesAmount + salesVat; }
    WideTenths simplePurchases() const { return invoice.supply() + card.supply(); }
    WideTenths simpleDeduction() const;
};

struct IncomeFigures {
    WideTenths revenue = 0;   // income amounts
    WideTenths expenses = 0;  // expense amounts + the VAT that is not deducted
    WideTenths assets = 0;    // fixed-asset changes, not an expense
    WideTenths profit() const { return revenue - expenses; }
};

struct MonthFigures {
    WideTenths income = 0;    // income amounts of the month
    WideTenths expenses = 0;  // as IncomeFigures::expenses
};

// An expense or asset entry above the limit without qualifying evidence.
struct EvidenceItem {
    std::size_t row = 0;   // position among the rows given
    WideTenths total = 0;  // amount + VAT of both purchase pairs
};

struct FilingFigures {
    int year = 0;
    TaxpayerType type = TaxpayerType::General;
    std::int64_t entries = 0;  // entries dated in the year
    std::array<VatFigures, kFilingPeriodCount> vat{};
    std::array<MonthFigures, 12> months{};
    IncomeFigures income;
    std::vector<EvidenceItem> evidence;  // in row order
    WideTenths evidenceSum = 0;
    // Entries whose date gives no month of the year: no date at all, or the
    // year's with a month or day outside 01-12 / 01-31. They are in no
    // figure above.
    std::vector<std::size_t> undated;

    const VatFigures& period(FilingPeriod p) const { return vat[static_cast<std::size_t>(p)]; }
};

// The month (1..12) of a date of the year, or 0 when the date is not one of
// "yyyy.mm.dd" with that year, month 01-12 and day 01-31.
int monthOfYear(std::string_view iday, int year);

FilingFigures ComputeFilingFigures(std::span<const LedgerEntry> rows, int year, TaxpayerType type);
// Over every row of the table, whatever its filter.
FilingFigures ComputeFilingFigures(const WorkingTable& table, int year, TaxpayerType type);

} // namespace quill
