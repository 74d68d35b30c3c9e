// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/Money.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class WorkingTable;

// What the ledger gives towards the returns of the year of an individual
// (개인사업자): the VAT return of a general or simplified taxpayer, the
// 사업장현황신고 of an exempt one, and the income-tax return. Every figure is
// a reference for the user's own filing, never a filed return. Amounts are
// ten-thousandths of a won, summed 128 bits wide like the totals bar; every
// tax worked out from a rate is cut to whole won, as the returns ask.

enum class TaxpayerType { General, Simplified, Exempt };

// "일반과세자", "간이과세자", "면세사업자" (UTF-8).
const char* taxpayerTypeName(TaxpayerType type);
// Accepts the full names and the short ones "일반", "간이", "면세" (UTF-8).
std::optional<TaxpayerType> parseTaxpayerType(std::string_view utf8);

// --- rates ------------------------------------------------------------------

struct Rate {
    int num = 0;
    int den = 1;
    bool valid() const { return num > 0 && den > 0; }
};
// "8/108", "1.3%", "15%" (the forms the settings and the window show).
std::string rateText(Rate r);
std::optional<Rate> parseRate(std::string_view text);

// The 업종 a user chooses: its short key (the first word the window shows)
// and name, its 부가가치율 for a simplified taxpayer and its 의제매입세액
// 공제율 for a general one (none where the 업종 has none).
struct Industry {
    const char* key;   // "소매", "음식점", ...
    const char* name;  // "소매업·재생용 재료수집 및 판매업", ...
    Rate valueAdded;   // 간이과세자 업종별 부가가치율
    Rate deemed;       // 의제매입세액 공제율 (num 0: none)
    Rate deemedSmall;  // for a 과세기간 과세표준 of at most 2억 (num 0: as `deemed`)
    // 영수증 발급 대상 (부가가치세법 제36조제1항, 시행령 제73조): only such a
    // general taxpayer has the 신용카드매출전표등 발행세액공제.
    bool receipts;
};
// The 업종 as the law of `year` has them, in the order the window lists them.
std::span<const Industry> IndustriesOf(int year);
const Industry* findIndustry(int year, std::string_view key);

// One band of the 의제매입세액 한도: a 과세기간 과세표준 up to `upToWon`
// (0: any above the bands before) may take 면세 purchases up to `percent`
// of the 과세표준 into the base.
struct DeemedLimitBand {
    std::int64_t upToWon;
    int percent;
};

// The rates that change with the year.
struct YearRates {
    int fromYear;
    Rate cardCredit;                 // 신용카드매출전표등 발행세액공제
    std::int64_t cardCreditCapWon;   // per year
    std::int64_t exemptionLimitWon;  // 간이과세자 납부의무 면제: 공급대가 under this
    // 의제매입세액 한도율 of an individual (개인사업자): 음식점업, and the rest.
    std::array<DeemedLimitBand, 3> deemedLimitRestaurant;
    std::array<DeemedLimitBand, 3> deemedLimitOther;
    std::int64_t eFilingCreditWon;     // 전자신고세액공제 per 확정신고
    std::int64_t simpleInvoiceDutyWon; // 간이: 세금계산서 발급 의무 from this 공급대가
    std::int64_t simpleCeilingWon;     // 간이: 일반과세자 from the next 7월 1일 at this
};
const YearRates& RatesOf(int year);

inline constexpr std::int64_t kPrepaidMinimumWon = 500000;            // no 예정고지 below this
inline constexpr std::int64_t kDeemedSmallBaseWon = 200000000;        // 2억

// --- evidence ---------------------------------------------------------------

// The evidence a remark names. Recognised by what the remark contains after
// every blank (ASCII and full-width) is removed; ASCII letters match in
// either case.
// Transfer is a payment by bank transfer: no evidence, but known for what it
// is (the remarks list does not ask about it).
enum class Evidence { Invoice, ExemptInvoice, Card, CashReceipt, Transfer, Other };
// The groups of words the user may extend (in the settings). Deemed names
// 면세 농축수산물 (의제매입), read in the description and the remark.
enum class EvidenceWordKind { Invoice, ExemptInvoice, Card, Nondeductible, Deemed };
inline constexpr int kEvidenceWordKinds = 5;
// The words built in, UTF-8 (Card also lists the cash-receipt words). A
// word of one syllable matches only a whole word of the remark ("계", not
// the 계 of 계좌이체); longer words match anywhere in it.
std::vector<std::string> builtInEvidenceWords(EvidenceWordKind kind);

// The taxpayer's choices that shape the figures, kept per ledger.
struct FilingSettings {
    TaxpayerType type = TaxpayerType::General;
    std::string industry;                         // an Industry key, "" for none
    std::optional<std::int64_t> prepaidWon[2];    // 예정고지세액 typed for 1기, 2기
    std::vector<std::string> words[kEvidenceWordKinds];  // the user's own, UTF-8
    // Last year's supply above 10억: set, it overrides what the ledger's
    // previous year says; unset, the ledger decides (none held: not above).
    std::optional<bool> largeLastYear;
    std::optional<Rate> deemedRate;               // replaces the 업종's 의제매입 rate
    std::string openingDay;                       // 개업일 "yyyy.mm.dd", "" unknown
    // 직전 연도 수입금액 where the ledger does not hold that year (소규모사업자).
    std::optional<std::int64_t> lastYearRevenueWon;
    bool accountantFiles = false;                 // 세무대리인이 신고: no 전자신고세액공제
};

// The remark's evidence, and whether it marks the row 불공제.
struct RemarkClass {
    Evidence evidence = Evidence::Other;
    bool nondeductible = false;
};
class EvidenceClassifier {
public:
    explicit EvidenceClassifier(const FilingSettings& settings = {});
    RemarkClass classify(std::string_view etcCp949) const;
    // Whether the description or the remark names 면세 농축수산물.
    bool deemed(std::string_view jkyuCp949, std::string_view etcCp949) const;

private:
    std::vector<std::string> words_[kEvidenceWordKinds];  // CP949, blanks removed, ASCII lowered
    std::vector<std::string> cash_, transfer_;
};

// Purchases above this total (amount + VAT, ten-thousandths) need
// qualifying evidence.
inline constexpr std::int64_t kEvidenceLimit = 30000LL * 10000;

// The month (1..12) of a calendar date of the year, else 0.
int monthOfYear(std::string_view iday, int year);

// --- sums -------------------------------------------------------------------

struct AmountVat {
    WideTenths amount = 0;
    WideTenths vat = 0;
    WideTenths supply() const { return amount + vat; }
    void add(WideTenths a, WideTenths v)
    {
        amount += a;
        vat += v;
    }
    void add(const AmountVat& o) { add(o.amount, o.vat); }
};

// The sums of one month (or several) by the return's groups.
struct PeriodSums {
    // Sales, asset sales included, by the evidence given.
    AmountVat salesInvoice, salesCard, salesCash, salesExemptInvoice, salesOther;
    // Purchases: expenses (general) and fixed assets by evidence.
    AmountVat invoiceGeneral, invoiceAssets, cardGeneral, cardAssets;
    AmountVat exemptInvoice;   // 계산서 수취분, expenses and assets
    // 의제매입세액공제 base: 면세 농축수산물 bought on 계산서 and by card or
    // 현금영수증 (the latter are in no card line above).
    AmountVat deemedInvoice, deemedCard;
    // Card and cash-receipt purchases without VAT that are not 의제매입:
    // nothing to deduct, so outside the card lines.
    AmountVat cardNoVat;
    AmountVat other;           // no qualifying evidence (wages apart)
    AmountVat wageOther;       // wages without such evidence: no purchase at all
    // For the 사업장현황신고 기본경비 (expenses, amount + VAT).
    WideTenths rent = 0, goods = 0, wages = 0;
    AmountVat nondeductible;   // the 불공제 rows among the tax-invoice and card purchases
    WideTenths income = 0;     // income-tax revenue (총수입금액)
    WideTenths expenses = 0;   // income-tax expenses (필요경비)
    WideTenths assets = 0;     // fixed-asset cost changes
    std::int64_t entries = 0;

    void add(const PeriodSums& o);
    AmountVat sales() const;
    AmountVat salesCardAll() const;  // card and cash receipt
};

// Why a payment without qualifying evidence owes no 증빙불비가산세.
enum class NoEvidenceReason {
    None,      // it owes it
    Wage,      // 급여·4대보험료: no purchase of goods or services
    Interest,  // 이자 (금융·보험 용역)
    Withheld,  // 인적용역 paid with 3.3 % 원천징수
    Rent,      // rent to a 간이과세자 landlord by transfer (송금명세서)
    Public,    // the state, local governments and public bodies
};
// An expense or asset entry above the limit without qualifying evidence.
struct EvidenceItem {
    std::size_t row = 0;   // position among the rows given
    WideTenths total = 0;  // amount + VAT of both purchase pairs
    NoEvidenceReason reason = NoEvidenceReason::None;
};
// "급여·4대보험료" …, UTF-8.
const char* noEvidenceReasonName(NoEvidenceReason reason);

struct FilingFigures {
    int year = 0;
    FilingSettings settings;
    std::array<PeriodSums, 12> months{};      // the year's
    std::array<PeriodSums, 12> lastYear{};    // the year before, for the 예정고지 estimate
    bool lastYearHasEntries = false;
    int firstMonth = 0;                       // of the year's first dated entry, 0 none
    std::vector<EvidenceItem> evidence;       // in row order
    WideTenths evidenceSum = 0;
    std::int64_t evidenceCount = 0;           // also when the rows are not kept
    std::vector<EvidenceItem> wages;          // the same, for wages (no such evidence needed)
    WideTenths wagesSum = 0;
    std::int64_t wagesCount = 0;
    // Payments that need no 적격증빙 for another reason (interest,
    // withheld fees, rent by transfer, public bodies), with the reason.
    std::vector<EvidenceItem> exempted;
    WideTenths exemptedSum = 0;
    std::int64_t exemptedCount = 0;
    // 기업업무추진비 (접대비) above the limit without 적격증빙: not a 가산세
    // case but kept out of 필요경비.
    std::vector<EvidenceItem> entertainment;
    WideTenths entertainmentSum = 0;
    std::int64_t entertainmentCount = 0;
    // The year's rows taken as 의제매입 (in the base).
    std::vector<EvidenceItem> deemed;
    // Purchases whose VAT is deducted though they are probably 불공제
    // (접대, 선물; a 승용차's fuel and repairs when a 승용차 is among the
    // assets), for the user to confirm.
    std::vector<EvidenceItem> nondeductibleCandidates;
    WideTenths nondeductibleCandidatesVat = 0;
    std::int64_t nondeductibleCandidatesCount = 0;
    bool passengerCar = false;                // an asset row names a 승용차
    // Remarks of the year's rows that name no evidence, by text (UTF-8,
    // blanks removed, "" for none), with their counts.
    std::map<std::string, std::int64_t> otherRemarks;
    // Entries of the year, or of no year at all, whose date is not a
    // calendar date (as `quillbook-cli check` reports them). They are in no
    // figure above.
    std::vector<std::size_t> undated;
    std::int64_t undatedCount = 0;
    std::int64_t entries = 0;  // entries dated in the year

    PeriodSums sum(int fromMonth, int toMonth) const;  // 1-based, inclusive
    PeriodSums yearSums() const { return sum(1, 12); }
    PeriodSums lastYearSums() const;
};

// Conditions the returns take from the ledger where it holds them, else from
// the settings.
// Last year's 공급가액 above 10억: no 신용카드매출전표등 발행세액공제.
bool largeSupplier(const FilingFigures& f);
// 소규모사업자 (신규, or last year's 수입금액 under 4,800만원): no
// 증빙불비가산세.
bool smallBusiness(const FilingFigures& f);
// The month of the year the business opened in (1..12), 0 when it opened
// before the year or the day is unknown.
int openingMonth(const FilingFigures& f);

// Adds rows one at a time, so a ledger of any size can be walked without
// holding it. With keepRows false only counts and sums are kept (no row
// lists), which keeps memory bounded.
class FilingAccumulator {
public:
    FilingAccumulator(int year, const FilingSettings& settings, bool keepRows = true);
    void add(std::size_t row, const LedgerEntry& e);
    FilingFigures finish();

private:
    FilingFigures f_;
    EvidenceClassifier classifier_;
    bool keepRows_;
    // A 승용차's fuel and repairs, 불공제 candidates once a 승용차 is known.
    std::vector<EvidenceItem> carCandidates_;
    WideTenths carCandidatesVat_ = 0;
    std::int64_t carCandidatesCount_ = 0;
};

FilingFigures ComputeFilingFigures(std::span<const LedgerEntry> rows, int year, const FilingSettings& settings);
// Over every row of the table, whatever its filter.
FilingFigures ComputeFilingFigures(const WorkingTable& table, int year, const FilingSettings& settings);

// --- the returns' lines -----------------------------------------------------

// One figure of a return in each of its columns; a column without the
// figure holds nothing.
struct FilingValue {
    std::optional<WideTenths> amount;
    bool estimated = false;  // 추정
    std::string rate;        // the rate this column used, where columns differ
};
struct FilingLine {
    std::string key;   // "sales.invoice.amount"
    std::string name;  // the return's line name, UTF-8
    std::vector<FilingValue> values;
    std::string rate;  // a rate the line applies, as text ("8/108"), or ""
    bool isCount = false;  // a number of entries, not an amount
};
struct FilingColumn {
    std::string key;    // "h1", "year"; "" for a return of one column without a period
    std::string title;  // "1기 확정 (1~6월)"
};
// One return (or part of one) with its lines in the return's order.
struct FilingReturn {
    std::string key;    // "vat", "simple", "exempt", "income", "evidence"
    std::string title;  // names the year, the type and says 참고용
    std::vector<FilingColumn> columns;
    std::vector<FilingLine> lines;
    std::vector<std::string> notes;
};
// The lines every view reads: the window, the PDF and the command line.
std::vector<FilingReturn> FilingReturns(const FilingFigures& f);
// "vat.h1.sales.invoice.amount"
std::string figureKey(const FilingReturn& r, std::size_t column, const FilingLine& line);
// One line of every figure: key, meaning (for --help), in output order.
struct FigureKeyHelp {
    std::string key;
    std::string meaning;
};
std::vector<FigureKeyHelp> FigureKeysHelp();

// --- settings per ledger ----------------------------------------------------

// The configuration key of the program-wide type, in the main section.
inline constexpr const char* kTaxpayerTypeKey = "과세유형";
// The ledger's section (named after its full path) in the configuration
// file, or the program-wide default when it has none.
FilingSettings ReadFilingSettings(const std::string& configPath, const std::string& ledgerPath);
IoResult WriteFilingSettings(const std::string& configPath, const std::string& ledgerPath,
                             const FilingSettings& settings);
// Save As: the new path gets the settings the old one had (nothing when the
// old one had no section of its own).
IoResult CopyFilingSettings(const std::string& configPath, const std::string& fromLedger,
                            const std::string& toLedger);
// The configuration section a ledger's own settings are kept in (its full
// path, CP949); "" when the path cannot be made absolute.
std::string LedgerSettingsSection(const std::string& ledgerPath);
// The program-wide type (the main section), for ledgers without their own.
TaxpayerType ReadTaxpayerType(const std::string& configPath);
IoResult WriteTaxpayerType(const std::string& configPath, TaxpayerType type);

} // namespace quill
