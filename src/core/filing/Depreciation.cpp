// SPDX-License-Identifier: GPL-3.0-or-later
// The rules, as applied here (say so in the help; where a rule rests on
// memory rather than a text read, it says so):
// - 기준내용연수 and the range of choice (기준내용연수의 상하 25 %):
//   소득세법 시행령 제63조 and 시행규칙 제32조, which use 법인세법 시행규칙
//   별표 5 (차량운반구·공구·기구·비품 5년, 철근콘크리트조 등 건물 40년) and
//   별표 3 (무형자산: 영업권 5년). 기계장치 follows 별표 6 by 업종; 8년 is
//   the 숙박 및 음식점업 row as remembered, and 시설장치 (인테리어) 5년 is
//   common practice, not a line of the table: both rest on memory and the
//   user can change them.
// - 상각률: 법인세법 시행규칙 별표 4 (감가상각자산의 상각률표). 정액법 is
//   1/n cut to three places, 정률법 1 - 0.05^(1/n) raised to three places,
//   which reproduces every row of the table this was checked against
//   (2~20년; the tests pin them).
// - Method when none was reported: 건축물과 무형자산 정액법, the other
//   유형자산 정률법 (소득세법 시행령 제64조).
// - 월할 in the year of purchase, a month begun counting whole (소득세법
//   시행령 제67조, as 법인세법 시행령 제26조⑨).
// - 정률법: when the 미상각잔액 first falls to 5 % of the cost or below, the
//   rest goes into that year's range; 1,000 won (or 5 % of the cost if less)
//   stays as 비망가액 until the asset is sold (법인세법 시행령 제26조⑥, 제72조;
//   memory). 정액법 stops at the same 비망가액.
// - 감가상각 is the keeper's choice (임의상각): any amount from 0 to the
//   range is claimed; what is not claimed is not carried to a later year.
// - The year of a sale has no depreciation; for a 간편장부대상자 the gain or
//   loss on the sale stays outside 총수입금액 (소득세법 제19조①20호 takes a
//   사업용 유형고정자산's sale into 사업소득 only for a 복식부기의무자,
//   from 2018; 시행령 제37조의2).
#include "core/filing/Depreciation.h"

#include "core/text/Cp949.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace quill {

namespace {

constexpr WideTenths kWon = 10000;

const AssetClassRule kClasses[] = {
    {301, true, 5, 4, 6, true, DepreciationMethod::DecliningBalance},
    {302, true, 5, 4, 6, true, DepreciationMethod::DecliningBalance},
    {303, true, 8, 6, 10, true, DepreciationMethod::DecliningBalance},
    {304, true, 5, 4, 6, true, DepreciationMethod::DecliningBalance},
    {305, true, 40, 30, 50, false, DepreciationMethod::StraightLine},
    {306, true, 5, 5, 5, false, DepreciationMethod::StraightLine},
    {307, false, 0, 0, 0, false, DepreciationMethod::StraightLine},
};

// The rates in force since 1999 by the year they take effect; one row so far.
struct RateTable {
    int fromYear;
    int straight[61];
    int declining[61];
};

RateTable makeTable(int fromYear)
{
    RateTable t{fromYear, {}, {}};
    for (int n = 2; n <= 60; ++n) {
        t.straight[n] = 1000 / n;
        // Raised at the fourth place, as the table's rows are.
        const long double r = 1.0L - std::pow(0.05L, 1.0L / n);
        t.declining[n] = static_cast<int>(std::ceil(r * 1000.0L - 1e-9L));
    }
    return t;
}

const RateTable& rateTable(int)
{
    static const RateTable table = makeTable(0);
    return table;
}

int yearOf(std::string_view day) { return std::stoi(std::string(day.substr(0, 4))); }
int monthOf(std::string_view day) { return std::stoi(std::string(day.substr(5, 2))); }

WideTenths wholeWon(WideTenths v) { return v / kWon * kWon; }

std::string withoutBlanks(std::string_view utf8)
{
    std::string out;
    for (char c : utf8)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}
std::string normalText(std::string_view cp949) { return withoutBlanks(decodeCp949(cp949)); }

} // namespace

const char* depreciationMethodName(DepreciationMethod m)
{
    return m == DepreciationMethod::StraightLine ? "정액법" : "정률법";
}

std::optional<DepreciationMethod> parseDepreciationMethod(std::string_view s)
{
    if (s == "정액법" || s == "정액")
        return DepreciationMethod::StraightLine;
    if (s == "정률법" || s == "정률")
        return DepreciationMethod::DecliningBalance;
    return std::nullopt;
}

const AssetClassRule* assetClassRule(int, std::int32_t account)
{
    const Account* a = findAccount(account);
    if (!a)
        return nullptr;
    for (const AssetClassRule& r : kClasses)
        if (r.account == a->code)
            return &r;
    return nullptr;
}

int depreciationRate(int year, DepreciationMethod method, int life)
{
    if (life < 2 || life > 60)
        return 0;
    const RateTable& t = rateTable(year);
    return method == DepreciationMethod::StraightLine ? t.straight[life] : t.declining[life];
}

const DepreciationRow* AssetSchedule::of(int year) const
{
    for (const DepreciationRow& r : years)
        if (r.year == year)
            return &r;
    return nullptr;
}

AssetCollector::AssetCollector(const FilingSettings& settings)
    : classifier_(settings), general_(settings.type == TaxpayerType::General)
{
}

void AssetCollector::add(std::size_t row, const LedgerEntry& e)
{
    if (e.JSMNY == 0 && e.JSVAT == 0)
        return;
    const std::string_view day = e.IDAY.view();
    if (!isCalendarDate(day))
        return;
    const Account* account = findAccount(e.CTG);
    const WideTenths js = toWideTenThousandths(e.JSMNY), jsVat = toWideTenThousandths(e.JSVAT);
    const bool sale = js < 0 || (js == 0 && jsVat < 0);
    if (!account || account->kind != AccountKind::Asset) {
        if (!sale)
            ++unclassed_;
        return;
    }
    if (sale) {
        sales_.push_back({row, std::string(day), account->code, assetNumber(e.CTG), normalText(e.JKYU.view())});
        return;
    }
    const RemarkClass rc = classifier_.classify(e.ETC.view());
    const bool vatEvidence = rc.evidence == Evidence::Invoice || rc.evidence == Evidence::Card
                          || rc.evidence == Evidence::CashReceipt;
    const bool deducted = general_ && vatEvidence && !rc.nondeductible;
    Asset a;
    a.row = row;
    a.account = account->code;
    a.acquired = std::string(day);
    a.description = decodeCp949(e.JKYU.view());
    a.cost = js + (deducted ? 0 : jsVat);
    numbers_.push_back(assetNumber(e.CTG));
    assets_.push_back(std::move(a));
}

AssetList AssetCollector::finish(const std::map<std::string, AssetDetails>& details)
{
    // Acquisition order, then the row: the same whatever order the rows came in.
    std::vector<std::size_t> order(assets_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return std::tie(assets_[x].acquired, assets_[x].row) < std::tie(assets_[y].acquired, assets_[y].row);
    });
    AssetList out;
    out.unclassed = unclassed_;
    std::set<std::string> keys;
    std::vector<std::int32_t> numbers;
    for (std::size_t i : order) {
        Asset a = std::move(assets_[i]);
        const std::int32_t number = numbers_[i];
        std::string key = number ? std::to_string(number)
                                 : a.acquired + "@" + plainDecimal(a.cost);
        if (!number)
            for (int n = 2; keys.count(key); ++n)
                key = a.acquired + "@" + plainDecimal(a.cost) + "#" + std::to_string(n);
        keys.insert(key);
        a.key = key;
        const AssetClassRule* rule = assetClassRule(yearOf(a.acquired), a.account);
        const AssetDetails* d = nullptr;
        if (auto it = details.find(a.key); it != details.end())
            d = &it->second;
        a.life = rule ? rule->baseLife : 0;
        if (rule && d && d->life && *d->life >= rule->minLife && *d->life <= rule->maxLife)
            a.life = *d->life;
        a.method = rule ? rule->unreported : DepreciationMethod::StraightLine;
        if (rule && d && d->method && (rule->decliningAllowed || *d->method == DepreciationMethod::StraightLine)) {
            a.method = *d->method;
            a.methodChosen = true;
        }
        out.assets.push_back(std::move(a));
        numbers.push_back(number);
    }
    std::stable_sort(sales_.begin(), sales_.end(),
                     [](const Sale& x, const Sale& y) { return std::tie(x.day, x.row) < std::tie(y.day, y.row); });
    for (const Sale& s : sales_) {
        auto open = [&](std::size_t i) {
            const Asset& a = out.assets[i];
            return !a.disposed && a.account == s.account && a.acquired <= s.day;
        };
        std::optional<std::size_t> found;
        for (std::size_t i = 0; i < out.assets.size() && !found; ++i)
            if (open(i) && (s.number ? numbers[i] == s.number : withoutBlanks(out.assets[i].description) == s.description))
                found = i;
        if (!s.number)
            for (std::size_t i = 0; i < out.assets.size() && !found; ++i)
                if (open(i))
                    found = i;
        if (!found) {
            ++out.unmatchedSales;
            continue;
        }
        out.assets[*found].disposed = s.day;
        out.assets[*found].disposedRow = s.row;
    }
    return out;
}

AssetSchedule DepreciationSchedule(const Asset& asset, const AssetDetails& details, int lastYear)
{
    AssetSchedule s;
    s.asset = asset;
    const int first = yearOf(asset.acquired);
    const AssetClassRule* rule = assetClassRule(first, asset.account);
    const int rate = rule && rule->depreciable ? depreciationRate(first, asset.method, asset.life) : 0;
    const WideTenths memo = std::min<WideTenths>(1000 * kWon, wholeWon(asset.cost * 5 / 100));
    WideTenths book = asset.cost;
    const int soldIn = asset.disposed ? yearOf(*asset.disposed) : 0;
    for (int y = first; y <= lastYear; ++y) {
        DepreciationRow r;
        r.year = y;
        r.opening = book;
        if (soldIn && y >= soldIn) {
            if (y == soldIn) {
                r.disposed = true;
                r.closing = 0;
                s.years.push_back(r);
            }
            break;
        }
        r.months = y == first ? 13 - monthOf(asset.acquired) : 12;
        if (rate > 0 && book > memo) {
            const WideTenths base = asset.method == DepreciationMethod::StraightLine ? asset.cost : book;
            WideTenths range = wholeWon(base * rate / 1000 * r.months / 12);
            const WideTenths fivePercent = asset.cost * 5 / 100;
            if (asset.method == DepreciationMethod::DecliningBalance ? book - range <= fivePercent
                                                                      : book - range < memo)
                range = book - memo;
            r.range = std::max<WideTenths>(0, range);
        }
        r.claimed = r.range;
        if (auto it = details.claimedWon.find(y); it != details.claimedWon.end())
            r.claimed = std::clamp<WideTenths>(static_cast<WideTenths>(it->second) * kWon, 0, r.range);
        book -= r.claimed;
        r.closing = book;
        s.years.push_back(r);
    }
    return s;
}

std::string assetDetailsText(const AssetDetails& d)
{
    std::string out = d.life ? std::to_string(*d.life) : std::string();
    out += ";";
    out += d.method ? depreciationMethodName(*d.method) : "";
    out += ";";
    bool firstClaim = true;
    for (const auto& [year, won] : d.claimedWon) {
        out += (firstClaim ? "" : ",") + std::to_string(year) + ":" + std::to_string(won);
        firstClaim = false;
    }
    return out;
}

std::optional<AssetDetails> parseAssetDetails(std::string_view text)
{
    auto number = [](std::string_view s) -> std::optional<std::int64_t> {
        if (s.empty() || s.size() > 15 || s.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        return std::stoll(std::string(s));
    };
    const std::size_t a = text.find(';');
    const std::size_t b = a == std::string_view::npos ? a : text.find(';', a + 1);
    if (b == std::string_view::npos)
        return std::nullopt;
    AssetDetails d;
    const std::string_view life = text.substr(0, a), method = text.substr(a + 1, b - a - 1);
    std::string_view claims = text.substr(b + 1);
    if (!life.empty()) {
        const auto n = number(life);
        if (!n || *n > 100)
            return std::nullopt;
        d.life = static_cast<int>(*n);
    }
    if (!method.empty() && !(d.method = parseDepreciationMethod(method)))
        return std::nullopt;
    while (!claims.empty()) {
        const std::size_t comma = claims.find(',');
        const std::string_view item = claims.substr(0, comma);
        const std::size_t colon = item.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        const auto y = number(item.substr(0, colon)), w = number(item.substr(colon + 1));
        if (!y || !w || *y > 9999)
            return std::nullopt;
        d.claimedWon[static_cast<int>(*y)] = *w;
        claims = comma == std::string_view::npos ? std::string_view() : claims.substr(comma + 1);
    }
    return d;
}

} // namespace quill
