// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/StatementImport.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"
#include "core/config/IniFile.h"
#include "core/editor/EntryEditor.h"
#include "core/ledger/Money.h"
#include "core/statement/StatementValues.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <xxhash.h>

namespace quill {

namespace {

std::string toCp949(std::string_view fixedText) { return fixedCp949(fixedText); }

std::uint64_t nameHash(std::string_view cp949) { return XXH3_64bits(cp949.data(), cp949.size()); }

// Entries and rows without a counterparty are known by their description,
// under a seed no counterparty's hash shares.
constexpr std::uint64_t kDescriptionSeed = 0x6a6b7975;
std::uint64_t descriptionHash(std::string_view cp949) { return XXH3_64bits_withSeed(cp949.data(), cp949.size(), kDescriptionSeed); }

// The amount of an entry as a statement shows it: its category's amount and
// VAT together.
struct PairTotal {
    Category category;
    std::int64_t tenths;
};

int entryPairs(const LedgerEntry& e, PairTotal out[3])
{
    int n = 0;
    const std::pair<Category, double> pairs[] = {{Category::Income, e.INMNY + e.INVAT},
                                                 {Category::Expense, e.OTMNY + e.OTVAT},
                                                 {Category::Asset, e.JSMNY + e.JSVAT}};
    for (const auto& [c, total] : pairs)
        if (total != 0)
            if (auto t = toTenThousandths(total))
                out[n++] = {c, *t};
    return n;
}

const std::size_t kFieldLimits[3] = {kJkyuInputBytes, kSanghoInputBytes, kEtcInputBytes};
const char* const kFieldNames[3] = {"거래내용", "거래처", "증빙"};

void fitInto(ImportRow& row, int field, std::string_view utf8)
{
    FittedText f = FitLedgerText(utf8, kFieldLimits[field]);
    std::string& target = field == 0 ? row.description : field == 1 ? row.counterparty : row.remark;
    target = std::move(f.utf8);
    if (field == 1)
        row.counterpartyCp949 = std::move(f.cp949);
    const std::string name = kFieldNames[field];
    // A note per field: the newest fitting replaces an older one.
    std::erase_if(row.notes, [&](const std::string& n) { return n.rfind(name + ":", 0) == 0; });
    if (f.replaced)
        row.notes.push_back(name + ": 저장할 수 없는 문자 '" + f.firstReplaced + "'를 바꿨습니다");
    if (f.cut)
        row.notes.push_back(name + ": " + std::to_string(kFieldLimits[field]) + "바이트를 넘는 부분을 잘랐습니다");
}

// A status column saying so ("승인취소", "취소거래", "취소"); elsewhere in
// the row only a cell that is nothing but such a word counts, so that a
// description such as "주문취소 환불" is not taken for one.
bool isCancellation(std::string_view utf8, bool statusColumn)
{
    const std::string s = HeaderKey(utf8);
    if (statusColumn)
        return s.find("취소") != std::string::npos;
    for (const char* w : {"취소", "승인취소", "취소승인", "매입취소", "부분취소", "전체취소", "취소거래", "거래취소"})
        if (s == w)
            return true;
    return false;
}

bool startsWithTotalWord(std::string_view utf8)
{
    const std::string s = HeaderKey(utf8);
    for (const char* w : {"합계", "총계", "소계", "누계", "총합계"})
        if (s.rfind(w, 0) == 0)
            return true;
    return s == "계";
}

} // namespace

const char* ImportStatusName(ImportStatus status)
{
    switch (status) {
    case ImportStatus::New: return "새 자료";
    case ImportStatus::Duplicate: return "중복";
    case ImportStatus::Similar: return "비슷함";
    case ImportStatus::Error: return "오류";
    }
    return "";
}

std::size_t ImportFieldLimit(int field) { return kFieldLimits[std::clamp(field, 0, 2)]; }

std::string ImportRule::label() const
{
    std::string s = std::string(field == Field::Counterparty ? "거래처" : "거래내용") + "에 '" + contains + "' 포함 → "
                    + categoryName(category);
    if (!description.empty())
        s += ", " + description;
    if (!remark.empty())
        s += ", " + remark;
    return s;
}

namespace {
constexpr const char* kRuleSection = "가져오기 규칙";
}

std::vector<ImportRule> ReadImportRules(const std::string& iniPath)
{
    std::vector<ImportRule> rules;
    const int count = ReadIniInteger(iniPath, toCp949(kRuleSection), toCp949("개수"), 0);
    for (int i = 1; i <= count && i <= 500; ++i) {
        auto v = ReadIniValue(iniPath, toCp949(kRuleSection), toCp949("규칙" + std::to_string(i)));
        if (!v)
            continue;
        // field|word|category|description|remark
        const std::string text = decodeCp949(*v);
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = text.find('|', start);
            parts.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
        if (parts.size() < 3 || parts[1].empty())
            continue;
        const auto category = categoryFromName(parts[2]);
        if (!category)
            continue;
        ImportRule r;
        r.field = parts[0] == "거래내용" ? ImportRule::Field::Description : ImportRule::Field::Counterparty;
        r.contains = parts[1];
        r.category = *category;
        r.description = parts.size() > 3 ? parts[3] : std::string();
        r.remark = parts.size() > 4 ? parts[4] : std::string();
        rules.push_back(std::move(r));
    }
    return rules;
}

IoResult SaveImportRule(const std::string& iniPath, const ImportRule& rule)
{
    for (const std::string* s : {&rule.contains, &rule.description, &rule.remark})
        if (s->find('|') != std::string::npos)
            return IoResult::failure("규칙에 '|' 글자는 쓸 수 없습니다.");
    if (rule.contains.empty())
        return IoResult::failure("규칙에 찾을 글자가 없습니다.");
    const std::string value = std::string(rule.field == ImportRule::Field::Description ? "거래내용" : "거래처") + "|"
                              + rule.contains + "|" + categoryName(rule.category) + "|" + rule.description + "|"
                              + rule.remark;
    const Cp949Encoding e = encodeCp949(value);
    if (!e.bytes)
        return IoResult::failure("설정 파일에 쓸 수 없는 글자가 있습니다: " + e.rejected);
    const int count = ReadIniInteger(iniPath, toCp949(kRuleSection), toCp949("개수"), 0);
    if (IoResult r = WriteIniValue(iniPath, toCp949(kRuleSection), toCp949("규칙" + std::to_string(count + 1)), *e.bytes); !r)
        return r;
    return WriteIniValue(iniPath, toCp949(kRuleSection), toCp949("개수"), std::to_string(count + 1));
}

// --- the ledger index -------------------------------------------------------

void LedgerMatchIndex::build(const WorkingTable& table)
{
    table_ = &table;
    keys_.clear();
    learned_.clear();
    keys_.reserve(table.rowCount());
    for (std::size_t i = 0; i < table.rowCount(); ++i) {
        const LedgerEntry& e = table.row(i);
        if (e.SANGHO.empty() && e.JKYU.empty())
            continue;
        const std::uint64_t h = e.SANGHO.empty() ? descriptionHash(e.JKYU.view()) : nameHash(e.SANGHO.view());
        keys_.push_back({h, DayNumber(e.IDAY.view()).value_or(INT32_MIN), static_cast<std::uint32_t>(i)});
    }
    std::sort(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) {
        if (a.name != b.name)
            return a.name < b.name;
        return a.day != b.day ? a.day < b.day : a.row < b.row;
    });
}

LedgerMatchIndex::Found LedgerMatchIndex::find(const ImportRow& row, std::unordered_map<std::uint64_t, int>* taken) const
{
    Found found;
    if (!table_)
        return found;
    // A row without a counterparty is known by its date, amount and
    // description, as it was booked.
    const bool byDescription = row.counterpartyCp949.empty();
    const std::string description = byDescription ? toCp949(row.description) : std::string();
    if (byDescription && description.empty())
        return found;
    const auto day = DayNumber(row.IDAY);
    const auto tenths = toTenThousandths(row.amount + row.vat);
    if (!day || !tenths)
        return found;
    const std::string_view name = byDescription ? std::string_view(description) : std::string_view(row.counterpartyCp949);
    const std::uint64_t h = byDescription ? descriptionHash(name) : nameHash(name);
    // The counterparty's entries from three days before.
    auto lo = std::lower_bound(keys_.begin(), keys_.end(), std::pair(h, *day - 3), [](const Key& k, const auto& v) {
        return k.name != v.first ? k.name < v.first : k.day < v.second;
    });
    int bestGap = 4;
    std::size_t sameDay = 0;
    std::size_t firstSame = 0;
    PairTotal pairs[3];
    for (auto it = lo; it != keys_.end() && it->name == h && it->day <= *day + 3; ++it) {
        const LedgerEntry& e = table_->row(it->row);
        // The hash only narrows the search: the entry itself decides.
        if (byDescription ? !(e.SANGHO.empty() && e.JKYU.view() == name) : e.SANGHO.view() != name)
            continue;
        bool same = false;
        const int n = entryPairs(e, pairs);
        for (int k = 0; k < n && !same; ++k)
            same = pairs[k].tenths == *tenths;
        if (!same)
            continue;
        const int gap = std::abs(it->day - *day);
        if (gap == 0) {
            if (sameDay++ == 0)
                firstSame = it->row;
        } else if (gap < bestGap) {
            bestGap = gap;
            found.row = it->row;
        }
    }
    if (sameDay > 0) {
        // Each entry answers for one statement row only.
        const std::uint64_t slot = h ^ static_cast<std::uint64_t>(*tenths) * 0x9E3779B97F4A7C15ull
                                   ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*day)) << 1);
        int used = 0;
        if (taken)
            used = (*taken)[slot]++;
        found.status = static_cast<std::size_t>(used) < sameDay ? ImportStatus::Duplicate : ImportStatus::Similar;
        found.row = firstSame;
        return found;
    }
    if (bestGap <= 3)
        found.status = ImportStatus::Similar;
    return found;
}

const LedgerMatchIndex::Learned* LedgerMatchIndex::learned(std::string_view counterpartyCp949) const
{
    if (!table_ || counterpartyCp949.empty())
        return nullptr;
    const std::uint64_t h = nameHash(counterpartyCp949);
    if (auto it = learned_.find(h); it != learned_.end())
        return it->second.entries ? &it->second : nullptr;
    Learned l;
    // Few distinct texts per counterparty: counted in a short list.
    constexpr std::size_t kTextsCounted = 256;
    std::vector<std::pair<std::string_view, std::uint32_t>> descriptions, remarks;
    auto count = [](std::vector<std::pair<std::string_view, std::uint32_t>>& list, std::string_view text) {
        if (text.empty())
            return;
        for (auto& [t, n] : list)
            if (t == text) {
                ++n;
                return;
            }
        if (list.size() < kTextsCounted)
            list.emplace_back(text, 1);
    };
    std::uint32_t categories[4] = {0, 0, 0, 0};
    auto lo = std::lower_bound(keys_.begin(), keys_.end(), h, [](const Key& k, std::uint64_t v) { return k.name < v; });
    for (auto it = lo; it != keys_.end() && it->name == h; ++it) {
        const LedgerEntry& e = table_->row(it->row);
        if (e.SANGHO.view() != counterpartyCp949)
            continue;
        ++l.entries;
        // The category as the entry panel shows it: the last pair in use.
        Category c = Category::None;
        if (e.INMNY + e.INVAT != 0)
            c = Category::Income;
        if (e.OTMNY + e.OTVAT != 0)
            c = Category::Expense;
        if (e.JSMNY + e.JSVAT != 0)
            c = Category::Asset;
        ++categories[static_cast<int>(c)];
        count(descriptions, e.JKYU.view());
        count(remarks, e.ETC.view());
    }
    auto most = [](const std::vector<std::pair<std::string_view, std::uint32_t>>& list) {
        std::string_view best;
        std::uint32_t n = 0;
        for (const auto& [text, c] : list)
            if (c > n || (c == n && text < best)) {
                best = text;
                n = c;
            }
        return decodeCp949(best);
    };
    for (int c = 1; c < 4; ++c)
        if (categories[c] > categories[static_cast<int>(l.category)])
            l.category = static_cast<Category>(c);
    l.description = most(descriptions);
    l.remark = most(remarks);
    auto [it, inserted] = learned_.emplace(h, std::move(l));
    return it->second.entries ? &it->second : nullptr;
}

// --- reading the rows ----------------------------------------------------------

std::vector<ImportRow> BuildImportRows(const StatementSheet& sheet, const StatementProfile& profile, int headerRow)
{
    std::vector<ImportRow> rows;
    if (headerRow < 0 || static_cast<std::size_t>(headerRow) >= sheet.rows.size())
        return rows;
    const auto& header = sheet.rows[static_cast<std::size_t>(headerRow)];
    const auto map = MapColumns(profile, header);
    if (!map)
        return rows;
    std::vector<std::string> headerKeys;
    for (const StatementCell& c : header)
        headerKeys.push_back(HeaderKey(c.text));
    static const StatementCell kEmpty;
    rows.reserve(sheet.rows.size() - static_cast<std::size_t>(headerRow));

    for (std::size_t r = static_cast<std::size_t>(headerRow) + 1; r < sheet.rows.size(); ++r) {
        const auto& cells = sheet.rows[r];
        auto cell = [&](ColumnRole role) -> const StatementCell& {
            const int c = map->of(role);
            return c >= 0 && static_cast<std::size_t>(c) < cells.size() ? cells[static_cast<std::size_t>(c)] : kEmpty;
        };
        // Blank rows, and the header again (lists printed page by page).
        bool blank = true, repeatedHeader = cells.size() == header.size();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const bool empty = cells[c].kind == StatementCell::Kind::Empty ||
                               (cells[c].kind == StatementCell::Kind::Text && NormalizeStatementText(cells[c].text).empty());
            blank = blank && empty;
            if (repeatedHeader && (c >= headerKeys.size() || HeaderKey(cells[c].text) != headerKeys[c]))
                repeatedHeader = false;
        }
        if (blank || repeatedHeader)
            continue;

        ImportRow row;
        row.line = static_cast<int>(r) + 1;
        const auto date = ParseStatementDate(cell(ColumnRole::Date));
        // The totals at the foot of a list, and notes below it.
        if (!date) {
            bool total = false;
            for (const StatementCell& c : cells)
                if (c.kind == StatementCell::Kind::Text && !NormalizeStatementText(c.text).empty()) {
                    total = startsWithTotalWord(c.text);
                    break;
                }
            if (total)
                continue;
        }
        bool badAmount = false, anyAmount = false;
        std::string badText;
        auto amountOf = [&](ColumnRole role) -> std::optional<double> {
            if (map->of(role) < 0)
                return std::nullopt;
            bool bad = false;
            const StatementCell& c = cell(role);
            auto v = ParseStatementAmount(c, &bad);
            if (bad && !badAmount) {
                badAmount = true;
                badText = c.text;
            }
            if (v)
                anyAmount = true;
            return v;
        };
        const auto total = amountOf(ColumnRole::Amount);
        const auto supply = amountOf(ColumnRole::Supply);
        const auto vat = amountOf(ColumnRole::Vat);
        const auto deposit = amountOf(ColumnRole::Deposit);
        const auto withdrawal = amountOf(ColumnRole::Withdrawal);
        const auto service = amountOf(ColumnRole::ServiceCharge);
        if (!date && !anyAmount && !badAmount)
            continue;  // a note under the table, no transaction

        const std::string counterpartyText = cell(ColumnRole::Counterparty).text;
        fitInto(row, 1, counterpartyText);
        fitInto(row, 0, cell(ColumnRole::Description).text);
        if (row.description.empty() && !row.counterparty.empty()) {
            // The description has a limit of its own: the counterparty's
            // whole text, not its cut.
            fitInto(row, 0, counterpartyText);
            row.descriptionFromCounterparty = true;
        }
        row.approval = NormalizeStatementText(cell(ColumnRole::Approval).text);
        row.account = NormalizeStatementText(cell(ColumnRole::Account).text);
        if (map->of(ColumnRole::Status) >= 0) {
            row.cancelled = isCancellation(cell(ColumnRole::Status).text, true);
        } else {
            for (const StatementCell& c : cells)
                if (c.kind == StatementCell::Kind::Text && isCancellation(c.text, false)) {
                    row.cancelled = true;
                    break;
                }
        }
        // 공제여부 "불공제": input VAT the law does not let the buyer deduct
        // (부가가치세법 제39조, cited from memory); the remark tells the
        // filing figures to leave it out.
        row.nondeductible = map->of(ColumnRole::Deduction) >= 0 &&
                            HeaderKey(cell(ColumnRole::Deduction).text).find("불공") != std::string::npos;

        // Money: what was paid, the total less its VAT (a 봉사료 belongs to
        // the amount: it bears no VAT, and one the seller states apart and
        // hands to its staff is outside the supply value, 부가가치세법 시행령
        // 제61조 제4항, cited from memory); without a total the supply and
        // 봉사료; else money in and out.
        double amount = 0, tax = 0;
        bool direction = true;  // money in
        bool haveMoney = true;
        if (total && (*total != 0 || !supply)) {
            tax = vat.value_or(0);
            amount = *total - tax;
            if (!vat && map->of(ColumnRole::Vat) < 0 && profile.vatIncluded) {
                const VatSplit split = SplitVatInclusive(*total);
                amount = split.amount;
                tax = split.vat;
            }
            if (supply && std::abs(*supply + tax + service.value_or(0) - *total) >= 0.5)
                row.notes.push_back("공급가액·부가세·봉사료를 더한 값이 합계와 다릅니다: 합계에서 부가세를 뺀 금액으로 적었습니다");
            // One amount column and a column saying which way it went.
            if (map->of(ColumnRole::Direction) >= 0) {
                const std::string way = HeaderKey(cell(ColumnRole::Direction).text);
                const bool out = way.find("출금") != std::string::npos || way.find("지급") != std::string::npos ||
                                 way == "출" || way.find("인출") != std::string::npos;
                if (out == (amount + tax > 0)) {
                    amount = -amount;
                    tax = -tax;
                }
            }
        } else if (supply) {
            amount = *supply + service.value_or(0);
            tax = vat.value_or(0);
        } else if (deposit || withdrawal) {
            const double in = deposit.value_or(0), out = withdrawal.value_or(0);
            if (in != 0 && out != 0) {
                row.status = ImportStatus::Error;
                row.reason = "입금과 출금이 함께 있습니다";
            }
            const double signedMoney = in - out;
            direction = signedMoney >= 0;
            amount = signedMoney;
            if (profile.categoryRule == CategoryRule::Fixed && profile.category != Category::Income)
                amount = -signedMoney;
            if (profile.vatIncluded) {
                const VatSplit split = SplitVatInclusive(amount);
                amount = split.amount;
                tax = split.vat;
            }
        } else {
            haveMoney = false;
        }
        if (profile.categoryRule == CategoryRule::ByDirection) {
            if (supply || total)
                direction = amount + tax >= 0;
            row.category = direction ? Category::Income : Category::Expense;
            if (amount + tax < 0) {
                amount = -amount;
                tax = -tax;
            }
        } else {
            row.category = profile.category;
        }
        if (row.cancelled && amount + tax > 0) {
            amount = -amount;
            tax = -tax;
        }
        row.amount = amount;
        row.vat = tax;
        row.remark.clear();
        fitInto(row, 2, row.nondeductible ? NondeductibleRemark(profile.remark) : profile.remark);

        if (row.status == ImportStatus::Error) {
        } else if (!date) {
            row.status = ImportStatus::Error;
            const std::string shown = cell(ColumnRole::Date).text;
            row.reason = shown.empty() ? "날짜가 없습니다" : "날짜를 읽을 수 없습니다: " + shown;
        } else if (badAmount) {
            row.status = ImportStatus::Error;
            row.reason = "금액을 읽을 수 없습니다: " + badText;
        } else if (!haveMoney || amount + tax == 0) {
            row.status = ImportStatus::Error;
            row.reason = "금액이 없습니다";
        } else if (!AmountFits(amount) || !AmountFits(tax)) {
            row.status = ImportStatus::Error;
            row.reason = kAmountTooLargeMessage;
        }
        if (date)
            row.IDAY = *date;
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

bool ruleFits(const ImportRule& r, const ImportRow& row)
{
    const std::string& text = r.field == ImportRule::Field::Counterparty ? row.counterparty : row.description;
    return !r.contains.empty() && Contains(DecodeUtf8(text), DecodeUtf8(r.contains));
}

void applyRule(const ImportRule& rule, ImportRow& row)
{
    row.category = rule.category;
    if (!rule.description.empty())
        fitInto(row, 0, rule.description);
    if (!rule.remark.empty())
        fitInto(row, 2, row.nondeductible ? NondeductibleRemark(rule.remark) : rule.remark);
    row.proposedBy = "규칙: " + rule.label();
}

} // namespace

std::size_t ApplyImportRule(std::vector<ImportRow>& rows, const ImportRule& rule)
{
    std::size_t n = 0;
    for (ImportRow& row : rows)
        if (row.status != ImportStatus::Error && ruleFits(rule, row)) {
            applyRule(rule, row);
            ++n;
        }
    return n;
}

void ProposeImportRows(std::vector<ImportRow>& rows, const StatementProfile& profile,
                       const std::vector<ImportRule>& rules, const LedgerMatchIndex& index)
{
    for (ImportRow& row : rows) {
        const bool hadDescription = !row.description.empty() && !row.descriptionFromCounterparty;
        row.proposedBy = "틀: " + profile.name;
        const ImportRule* rule = nullptr;
        for (const ImportRule& r : rules)
            if (ruleFits(r, row)) {
                rule = &r;
                break;
            }
        if (rule) {
            applyRule(*rule, row);
        } else if (const auto* l = index.learned(row.counterpartyCp949)) {
            bool used = false;
            // Money in stays 수입 and money out stays out: the statement
            // knows the direction better than any habit.
            if (l->category != Category::None) {
                const bool fits = profile.categoryRule == CategoryRule::Fixed ||
                                  (row.category == Category::Income) == (l->category == Category::Income);
                if (fits && row.category != l->category) {
                    row.category = l->category;
                    used = true;
                }
            }
            if (!hadDescription && !l->description.empty()) {
                fitInto(row, 0, l->description);
                row.descriptionFromCounterparty = false;
                used = true;
            }
            if (row.remark.empty() && !l->remark.empty()) {
                fitInto(row, 2, l->remark);
                used = true;
            }
            if (used || l->category == row.category)
                row.proposedBy = "장부: 같은 거래처 " + std::to_string(l->entries) + "건";
        }
        if (row.description.empty())
            fitInto(row, 0, row.counterparty);
        if (row.description.empty() && row.status != ImportStatus::Error) {
            row.status = ImportStatus::Error;
            row.reason = "거래내용이 없습니다";
        }
    }
}

namespace {

void applyFound(ImportRow& row, const LedgerMatchIndex::Found& f, const WorkingTable* table)
{
    row.status = f.status;
    row.reason.clear();
    if (f.status == ImportStatus::New || !table)
        return;
    const LedgerEntry& e = table->row(f.row);
    row.reason = std::string("장부의 ") + std::string(e.IDAY.view()) + " " + decodeCp949(e.JKYU.view()) +
                 (f.status == ImportStatus::Duplicate ? " 자료와 같습니다" : " 자료와 비슷합니다");
}

} // namespace

void MatchImportRows(std::vector<ImportRow>& rows, const LedgerMatchIndex& index)
{
    std::unordered_map<std::uint64_t, int> taken;
    // Approval numbers by their hash: a list of 100,000 rows keeps no
    // second copy of every number.
    std::unordered_multimap<std::uint64_t, std::size_t> approvals;
    approvals.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ImportRow& row = rows[i];
        if (row.status == ImportStatus::Error) {
            row.ticked = false;
            continue;
        }
        // The same approval twice (a list downloaded twice and joined):
        // cancellations carry their approval's number and stay apart.
        if (!row.approval.empty()) {
            const std::uint64_t key = XXH3_64bits_withSeed(row.approval.data(), row.approval.size(),
                                                           static_cast<std::uint64_t>(row.cancelled));
            bool again = false;
            for (auto [it, end] = approvals.equal_range(key); it != end && !again; ++it) {
                const ImportRow& earlier = rows[it->second];
                again = earlier.approval == row.approval && earlier.cancelled == row.cancelled &&
                        earlier.amount == row.amount && earlier.vat == row.vat;
                if (again) {
                    row.status = ImportStatus::Duplicate;
                    row.reason = "같은 승인번호가 " + std::to_string(earlier.line) + "행에 있습니다";
                    row.ticked = false;
                }
            }
            if (again)
                continue;
            approvals.emplace(key, i);
        }
        applyFound(row, index.find(row, &taken), index.table());
        row.ticked = row.status != ImportStatus::Duplicate;
    }
}

void SetImportRowText(ImportRow& row, int field, std::string_view utf8, const LedgerMatchIndex& index)
{
    field = std::clamp(field, 0, 2);
    fitInto(row, field, utf8);
    // A number twice in the list stays so, whatever the texts.
    const bool approvalTwice = row.status == ImportStatus::Duplicate && row.reason.rfind("같은 승인번호", 0) == 0;
    bool recovered = false;
    if (row.status == ImportStatus::Error) {
        if (row.reason != "거래내용이 없습니다" || row.description.empty())
            return;
        row.status = ImportStatus::New;
        row.reason.clear();
        recovered = true;
    }
    if (field == 0 && row.description.empty()) {
        row.status = ImportStatus::Error;
        row.reason = "거래내용이 없습니다";
        row.ticked = false;
        return;
    }
    if ((field == 1 || recovered) && !approvalTwice) {
        const bool wasDuplicate = row.status == ImportStatus::Duplicate;
        applyFound(row, index.find(row), index.table());
        if (recovered || wasDuplicate != (row.status == ImportStatus::Duplicate))
            row.ticked = row.status != ImportStatus::Duplicate;
    }
}

LedgerEntry ImportRowEntry(const ImportRow& row)
{
    EntryInput in;
    in.IDAY = row.IDAY;
    // The rows hold fitted texts, so the fitting changes nothing here; it
    // keeps a text that CP949 cannot hold from becoming an empty field.
    in.JKYU = FitLedgerText(row.description, kFieldLimits[0]).cp949;
    in.SANGHO = FitLedgerText(row.counterparty, kFieldLimits[1]).cp949;
    in.ETC = FitLedgerText(row.remark, kFieldLimits[2]).cp949;
    in.category = row.category;
    in.amount = row.amount;
    in.vat = row.vat;
    LedgerEntry e;
    WriteEntryInput(in, e);
    return e;
}

std::string ImportReport(const ImportCounts& counts)
{
    std::string booked = std::to_string(counts.booked) + "건 가져옴";
    if (counts.similarBooked > 0)
        booked += " (비슷함 " + std::to_string(counts.similarBooked) + "건 포함)";
    return booked + ", " + std::to_string(counts.duplicates) + "건 중복 제외, "
           + std::to_string(counts.errors) + "건 오류";
}

BookedImport BookImportRows(WorkingTable& table, const std::vector<ImportRow>& rows)
{
    BookedImport result;
    std::vector<LedgerEntry> added;
    for (const ImportRow& row : rows) {
        if (row.status == ImportStatus::Error) {
            ++result.counts.errors;
            continue;
        }
        if (!row.ticked) {
            if (row.status == ImportStatus::Duplicate)
                ++result.counts.duplicates;
            continue;
        }
        added.push_back(ImportRowEntry(row));
        result.counts.similarBooked += row.status == ImportStatus::Similar;
    }
    result.counts.booked = added.size();
    if (added.empty())
        return result;
    std::stable_sort(added.begin(), added.end(),
                     [](const LedgerEntry& a, const LedgerEntry& b) { return a.IDAY.view() < b.IDAY.view(); });
    // One pass merges them in: an entry goes after those of its date
    // already booked, as the entry panel would place it.
    std::vector<LedgerEntry> merged;
    std::vector<bool> mask;
    merged.reserve(table.rowCount() + added.size());
    mask.reserve(table.rowCount() + added.size());
    std::size_t i = 0, j = 0;
    bool firstSet = false;
    while (i < table.rowCount() || j < added.size()) {
        const bool takeOld = j == added.size() ||
                             (i < table.rowCount() && !(added[j].IDAY.view() < table.row(i).IDAY.view()));
        if (takeOld) {
            merged.push_back(table.row(i++));
            mask.push_back(false);
        } else {
            if (!firstSet) {
                result.firstRow = merged.size();
                firstSet = true;
            }
            merged.push_back(added[j++]);
            mask.push_back(true);
        }
    }
    table.replaceRows(std::move(merged));
    result.change = LedgerChange::mergedRows(std::move(mask), table);
    return result;
}

namespace {

ImportPlan prepareSheet(const StatementBook& book, int sheet, const std::vector<StatementProfile>& profiles,
                        const std::string& profileName)
{
    ImportPlan plan;
    plan.sheet = sheet;
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= book.sheets.size()) {
        plan.error = "읽을 시트가 없습니다.";
        return plan;
    }
    const StatementSheet& s = book.sheets[static_cast<std::size_t>(sheet)];
    const StatementProfile* chosen = nullptr;
    int headerRow = -1;
    if (!profileName.empty()) {
        for (const StatementProfile& p : profiles)
            if (p.name == profileName) {
                chosen = &p;
                break;
            }
        if (!chosen) {
            plan.error = "그런 이름의 틀이 없습니다: " + profileName;
            return plan;
        }
        // Named, a profile needs only its columns: its title word is for
        // telling lists apart, and a list saved without its title rows is
        // still the list it names.
        for (std::size_t r = 0; r < s.rows.size() && r < kHeadRowsKept; ++r)
            if (MapColumns(*chosen, s.rows[r])) {
                headerRow = static_cast<int>(r);
                break;
            }
        if (headerRow < 0) {
            plan.error = "틀 '" + profileName + "'의 열 이름이 파일에 없습니다.";
            plan.profile = *chosen;
            return plan;
        }
    } else {
        const auto fits = MatchingProfiles(s, profiles, &headerRow);
        if (fits.empty()) {
            plan.error = "이 파일에 맞는 틀이 없습니다. 열마다 뜻을 골라 새 틀을 만드세요.";
            plan.headerRow = FindHeaderRow(s);
            return plan;
        }
        chosen = fits.front();
        // A tax-office list that says neither 매입 nor 매출 (no title, one
        // supplier and one buyer): the user says which.
        if (!chosen->titleWord.empty() && ListKind(s, headerRow).empty()) {
            for (const StatementProfile* p : fits)
                if (!p->titleWord.empty() && p->titleWord != chosen->titleWord &&
                    (p->titleWord == "매입" || p->titleWord == "매출") &&
                    (chosen->titleWord == "매입" || chosen->titleWord == "매출")) {
                    plan.choices = {chosen->name, p->name};
                    plan.error = "매입 목록인지 매출 목록인지 알 수 없습니다. 틀을 고르세요: " + chosen->name + ", " + p->name;
                    plan.headerRow = headerRow;
                    return plan;
                }
        }
    }
    plan.profile = *chosen;
    plan.headerRow = headerRow;
    plan.rows = BuildImportRows(s, plan.profile, headerRow);
    return plan;
}

} // namespace

ImportPlan PrepareImport(const StatementBook& book, int sheet, const std::vector<StatementProfile>& profiles,
                         const std::string& profileName)
{
    if (sheet != kAnySheet || book.sheets.size() <= 1)
        return prepareSheet(book, sheet == kAnySheet ? 0 : sheet, profiles, profileName);
    // A list on a later sheet (the first holding the search's conditions):
    // the first sheet a profile reads, else what the first sheet says.
    ImportPlan first;
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        ImportPlan plan = prepareSheet(book, static_cast<int>(i), profiles, profileName);
        if (plan.error.empty() || !plan.choices.empty())
            return plan;
        if (i == 0)
            first = std::move(plan);
    }
    return first;
}

void FinishImport(ImportPlan& plan, const std::vector<ImportRule>& rules, const LedgerMatchIndex& index)
{
    if (!plan.error.empty())
        return;
    ProposeImportRows(plan.rows, plan.profile, rules, index);
    MatchImportRows(plan.rows, index);
}

ImportPlan PlanImport(const StatementBook& book, int sheet, const std::vector<StatementProfile>& profiles,
                      const std::string& profileName, const std::vector<ImportRule>& rules,
                      const LedgerMatchIndex& index)
{
    ImportPlan plan = PrepareImport(book, sheet, profiles, profileName);
    FinishImport(plan, rules, index);
    return plan;
}

void KeepHeadRows(StatementBook& book)
{
    for (StatementSheet& s : book.sheets)
        if (s.rows.size() > kHeadRowsKept) {
            s.rows.resize(kHeadRowsKept);
            s.rows.shrink_to_fit();
        }
}

} // namespace quill
