// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/filing/FilingFigures.h"
#include "core/ledger/Accounts.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quill {

// 감가상각 of the ledger's fixed assets, as plain data: every acquisition
// booked to an asset class is an asset, a negative asset entry of the
// class ends it, and each asset gets one row per year. Amounts are
// ten-thousandths of a won; every range is cut to whole won.

enum class DepreciationMethod { StraightLine, DecliningBalance };  // 정액법, 정률법
const char* depreciationMethodName(DepreciationMethod m);         // "정액법", "정률법"
std::optional<DepreciationMethod> parseDepreciationMethod(std::string_view utf8);

// A class as the statute of `year` treats it.
struct AssetClassRule {
    std::int32_t account;    // the asset class's account code
    bool depreciable;        // 토지 is not
    int baseLife;            // 기준내용연수
    int minLife, maxLife;    // the choice the law allows
    bool decliningAllowed;   // 정률법 may be chosen
    DepreciationMethod unreported;  // what applies when nothing was reported
};
const AssetClassRule* assetClassRule(int year, std::int32_t account);

// 상각률 of the statute's table for a 내용연수, in thousandths (0.451 → 451);
// 0 when the table has no such life.
int depreciationRate(int year, DepreciationMethod method, int life);

// What the user set for one asset (kept with the ledger's settings).
struct AssetDetails {
    std::optional<int> life;
    std::optional<DepreciationMethod> method;
    std::map<int, std::int64_t> claimedWon;  // by year; missing: the whole range
};

struct Asset {
    std::string key;           // how its details are found again
    std::size_t row = 0;       // the acquisition among the rows given
    std::int32_t account = 0;  // class code
    std::string acquired;      // "yyyy.mm.dd"
    std::string description;   // UTF-8
    WideTenths cost = 0;       // 취득가액: amount plus VAT not deducted
    std::optional<std::string> disposed;  // the sale's date
    std::optional<std::size_t> disposedRow;
    int life = 0;
    DepreciationMethod method = DepreciationMethod::DecliningBalance;
    bool methodChosen = false;  // false: the unreported rule applied
};

struct DepreciationRow {
    int year = 0;
    int months = 0;           // months depreciated (월할 in the year of purchase)
    WideTenths opening = 0;   // 기초 장부가액
    WideTenths range = 0;     // 상각범위액
    WideTenths claimed = 0;   // 감가상각비
    WideTenths closing = 0;   // 기말 장부가액
    bool disposed = false;    // sold in the year: no depreciation, nothing left
};

struct AssetSchedule {
    Asset asset;
    std::vector<DepreciationRow> years;  // from the year of purchase to `lastYear`
    const DepreciationRow* of(int year) const;
};

struct AssetList {
    std::vector<Asset> assets;   // in acquisition order
    std::int64_t unclassed = 0;  // acquisitions without an asset class (not depreciated)
    std::int64_t unmatchedSales = 0;  // sales no open asset of their class was found for
};

// Collects the assets from rows of any years (their order does not
// matter). VAT counts in the cost as the filing settings say it was not
// deducted. An acquisition whose CTG carries an asset number is keyed
// "N" by it, others "yyyy.mm.dd@cost" (and "#2" on for a repeat); a sale with a number ends that
// asset, one without ends the earliest open asset of its class with the
// same description, else the earliest open one of its class.
class AssetCollector {
public:
    explicit AssetCollector(const FilingSettings& settings);
    void add(std::size_t row, const LedgerEntry& e);
    AssetList finish(const std::map<std::string, AssetDetails>& details = {});

private:
    struct Sale {
        std::size_t row;
        std::string day;
        std::int32_t account;
        std::int32_t number;
        std::string description;
    };
    EvidenceClassifier classifier_;
    bool general_;
    std::vector<Asset> assets_;
    std::vector<std::int32_t> numbers_;
    std::vector<Sale> sales_;
    std::int64_t unclassed_ = 0;
};

// The schedule of one asset from its purchase through `lastYear`.
AssetSchedule DepreciationSchedule(const Asset& asset, const AssetDetails& details, int lastYear);

// The details' text as the settings keep it: "5;정률법;2024:1000000,2025:0".
std::string assetDetailsText(const AssetDetails& d);
std::optional<AssetDetails> parseAssetDetails(std::string_view utf8);

} // namespace quill
