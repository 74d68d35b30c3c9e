// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/filing/Depreciation.h"
#include "core/filing/FilingFigures.h"
#include "core/filing/FilingTables.h"
#include "core/ledger/AccountProposals.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// What the ledger gives towards the 종합소득세 return of one year: the
// 간편장부소득금액 계산서 with the 총수입금액 및 필요경비 명세서 by account,
// 감가상각, 세무조정, the 추계 comparison and an estimate of the tax, as one
// list of lines (FilingReturn "income") that every view reads. A reference
// for the keeper's own filing, never a filed return.

// The keeper's own figures for the return, kept with the ledger's settings.
struct IncomeSettings {
    std::map<int, std::int64_t> openingStockWon;  // 기초재고 by year (default: the year before's 기말)
    std::map<int, std::int64_t> closingStockWon;  // 기말재고 by year
    std::optional<Rate> simpleRate;               // 단순경비율 of the 업종코드, as on the 신고안내문
    std::optional<Rate> standardRate;             // 기준경비율
    std::optional<std::int64_t> deductionsWon;    // 소득공제 (none: 본인 기본공제 only)
    std::optional<std::int64_t> eFilingCreditWon; // 부가세 전자신고세액공제 received in the year
    std::map<std::string, AssetDetails> assets;   // by Asset::key
    std::vector<AccountRule> accountRules;        // the user's, in the order they apply
};

IncomeSettings ReadIncomeSettings(const std::string& configPath, const std::string& ledgerPath);
// Fails (writing nothing more) when a rule's word holds '|' or the
// configuration cannot be written.
IoResult WriteIncomeSettings(const std::string& configPath, const std::string& ledgerPath, const IncomeSettings& s);

// The 업종 groups the thresholds of the 소득세법 시행령 go by (가, 나, 다).
enum class IncomeGroup { Unknown, A, B, C };
IncomeGroup incomeGroupOf(std::string_view industryKey);

struct IncomeThresholds {
    std::int64_t simpleBooksWon;   // 간편장부대상자: 직전연도 수입금액 below this (복식부기의무자 from it)
    std::int64_t simpleRateWon;    // 단순경비율: 직전연도 수입금액 below this
    std::int64_t sincereWon;       // 성실신고확인대상: the year's 수입금액 from this
};
IncomeThresholds incomeThresholds(int year, IncomeGroup group);

// A tax band of the 종합소득세 세율표: up to `upToWon` (0: no limit), rate
// in percent, less the 누진공제.
struct TaxBand {
    std::int64_t upToWon;
    int percent;
    std::int64_t lessWon;
};
std::span<const TaxBand> IncomeTaxBands(int year);
// 산출세액 of a 과세표준 (whole won), cut to whole won.
WideTenths IncomeTaxOf(int year, WideTenths base);

struct IncomeFigures {
    int year = 0;
    IncomeSettings settings;
    std::map<std::int32_t, WideTenths> revenue;   // by income account
    WideTenths revenueUnassigned = 0;             // income entries without an income account
    std::map<std::int32_t, WideTenths> expenses;  // by expense account (purchases too)
    WideTenths expensesUnassigned = 0;
    std::int64_t unassignedCount = 0;             // entries of the year without a fitting account
    std::int64_t unknownCount = 0;                // of them: a code no table lists
    WideTenths lastYearRevenue = 0;
    WideTenths entertainmentNoEvidence = 0;       // 기업업무추진비 over 3만원 without 적격증빙
    WideTenths penalties = 0;                     // 벌금·과태료·가산세·소득세 among 제세공과금
    AssetList assets;
    std::vector<AssetSchedule> schedules;         // through the year
    WideTenths depreciation = 0;                  // claimed in the year
};

// Adds rows of any years one at a time (the ledger may be streamed).
class IncomeAccumulator {
public:
    IncomeAccumulator(int year, const FilingSettings& filing, const IncomeSettings& settings);
    void add(std::size_t row, const LedgerEntry& e);
    IncomeFigures finish();

private:
    IncomeFigures f_;
    EvidenceClassifier classifier_;
    AssetCollector assets_;
    bool general_;
};

IncomeFigures ComputeIncomeFigures(std::span<const LedgerEntry> rows, int year, const FilingSettings& filing,
                                   const IncomeSettings& settings);

// The return's lines. The VAT figures give the 신용카드매출전표등
// 발행세액공제 and the 의제매입세액 (read from their own return lines).
FilingReturn IncomeReturn(const FilingFigures& f, const IncomeFigures& income);
// FilingReturns with its "income" return replaced by IncomeReturn.
std::vector<FilingReturn> FilingReturnsWithIncome(const FilingFigures& f, const IncomeFigures& income);
// The filing window's 종합소득세 table: IncomeReturn's lines, then each
// asset's 기초 장부가액, 상각범위액, 감가상각비 and 기말 장부가액 of the year
// (rows of an asset lead to its acquisition).
FilingTable IncomeFiguresTable(const FilingFigures& f, const IncomeFigures& income);
// FigureKeysHelp with the income keys of IncomeReturn.
std::vector<FigureKeyHelp> FigureKeysHelpWithIncome();

} // namespace quill
