// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/StatementProfile.h"

#include "core/text/Cp949.h"
#include "core/text/Utf8.h"
#include "core/config/IniFile.h"
#include "core/editor/EntryEditor.h"
#include "core/statement/StatementImport.h"
#include "core/statement/StatementValues.h"

#include <algorithm>
#include <map>

namespace quill {

namespace {

const char* const kRoleNames[kColumnRoleCount] = {
    "사용 안 함", "날짜", "거래내용", "거래처", "금액(합계)", "공급가액", "부가세",
    "입금", "출금", "승인번호", "카드/계좌번호", "취소 표시", "봉사료", "공제여부", "입출금 구분",
};

// Words statements name their columns with, to find the header row of a
// list no profile knows.
const char* const kHeaderWords[] = {
    "일자", "일시", "날짜", "거래일", "승인일", "작성일", "금액", "합계", "공급가액", "부가세", "세액",
    "가맹점", "상호", "거래처", "적요", "내용", "입금", "출금", "잔액", "승인번호", "카드번호", "품목",
    "사업자", "구분", "비고", "메모",
};

std::string toCp949(std::string_view fixedText) { return fixedCp949(fixedText); }

std::string fromCp949(const std::optional<std::string>& bytes)
{
    return bytes ? decodeCp949(*bytes) : std::string();
}

constexpr const char* kListSection = "가져오기 틀";
std::string profileSection(std::string_view name) { return "가져오기 틀:" + std::string(name); }

std::vector<std::string> split(std::string_view s, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        parts.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

StatementProfile shipped(std::string name, std::vector<ColumnBinding> columns, Category category,
                         std::string remark, std::string titleWord = {})
{
    StatementProfile p;
    p.name = std::move(name);
    p.columns = std::move(columns);
    p.category = category;
    p.remark = std::move(remark);
    p.titleWord = std::move(titleWord);
    p.shipped = true;
    return p;
}

} // namespace

const char* ColumnRoleName(ColumnRole role)
{
    const int i = static_cast<int>(role);
    return i >= 0 && i < kColumnRoleCount ? kRoleNames[i] : kRoleNames[0];
}

std::optional<ColumnRole> ColumnRoleFromName(std::string_view name)
{
    for (int i = 0; i < kColumnRoleCount; ++i)
        if (name == kRoleNames[i])
            return static_cast<ColumnRole>(i);
    return std::nullopt;
}

const ColumnBinding* StatementProfile::binding(ColumnRole role) const
{
    for (const ColumnBinding& b : columns)
        if (b.role == role)
            return &b;
    return nullptr;
}

std::optional<ColumnRole> StatementProfile::repeatedRole() const
{
    bool seen[kColumnRoleCount] = {};
    for (const ColumnBinding& b : columns) {
        const int r = static_cast<int>(b.role);
        if (b.role == ColumnRole::None || r < 0 || r >= kColumnRoleCount)
            continue;
        if (seen[r])
            return b.role;
        seen[r] = true;
    }
    return std::nullopt;
}

std::string HeaderKey(std::string_view utf8)
{
    std::u32string text = DecodeUtf8(NormalizeStatementText(utf8));
    std::u32string key, bare;
    int depth = 0;
    for (char32_t c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        c = (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
        key += c;
        // A unit or note in brackets ("공급가액(원)", "상호(공급자)") is no
        // part of the column's name.
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        else if (depth == 0)
            bare += c;
    }
    return EncodeUtf8(bare.empty() || depth != 0 ? key : bare);
}

const std::vector<StatementProfile>& ShippedProfiles()
{
    using R = ColumnRole;
    // The column names of the tax office's downloads (홈택스 조회 결과
    // "내려받기"; 봉사료 and 공제여부(결정) are in the card and cash-receipt
    // purchase lists, written from those downloads as we know them, not from
    // a published layout) and of the statements Korean banks let their
    // customers download.
    auto optional = [](ColumnRole role, std::string header, std::vector<std::string> alternatives = {}) {
        ColumnBinding b{role, std::move(header), std::move(alternatives)};
        b.optional = true;
        return b;
    };
    static const std::vector<StatementProfile> profiles = [&] {
        std::vector<StatementProfile> p;
        p.push_back(shipped("홈택스 신용카드 매입",
                            {{R::Date, "승인일자"}, {R::Account, "카드번호"}, {R::Approval, "승인번호"},
                             {R::Counterparty, "가맹점명"}, {R::Supply, "공급가액"}, {R::Vat, "부가세"},
                             {R::Amount, "합계"}, optional(R::ServiceCharge, "봉사료"),
                             optional(R::Deduction, "공제여부", {"공제여부결정"})},
                            Category::Expense, "카드"));
        p.push_back(shipped("홈택스 현금영수증 매입",
                            {{R::Date, "매출일시"}, {R::Counterparty, "가맹점명"}, {R::Supply, "공급가액"},
                             {R::Vat, "부가세"}, {R::Amount, "총금액"}, {R::Approval, "승인번호"},
                             {R::Status, "거래구분"}, optional(R::ServiceCharge, "봉사료"),
                             optional(R::Deduction, "공제여부", {"공제여부결정"})},
                            Category::Expense, "현금영수증"));
        p.push_back(shipped("홈택스 전자세금계산서 매입",
                            {{R::Date, "작성일자"}, {R::Approval, "승인번호"}, {R::Counterparty, "상호"},
                             {R::Amount, "합계금액"}, {R::Supply, "공급가액"}, {R::Vat, "세액"},
                             {R::Description, "품목명"}},
                            Category::Expense, "세계", "매입"));
        p.push_back(shipped("홈택스 전자세금계산서 매출",
                            {{R::Date, "작성일자"}, {R::Approval, "승인번호"}, {R::Counterparty, "상호#2"},
                             {R::Amount, "합계금액"}, {R::Supply, "공급가액"}, {R::Vat, "세액"},
                             {R::Description, "품목명"}},
                            Category::Income, "세계", "매출"));
        // Banks name the same columns many ways; the name of the other side
        // stands in 보낸분/받는분, 의뢰인/수취인, 기재내용 or 내용 where there
        // is one, 적요 being then only the kind of transfer.
        const ColumnBinding date{R::Date, "거래일시", {"거래일자", "거래일", "거래날짜", "일자", "날짜"}};
        const ColumnBinding who{R::Counterparty, "보낸분/받는분",
                                {"받는분/보낸분", "의뢰인/수취인", "입금자/수취인", "기재내용", "거래기록사항", "내용",
                                 "거래내용", "적요"}};
        StatementProfile bank = shipped("은행 거래내역",
                                        {date, who,
                                         {R::Withdrawal, "출금", {"출금액", "출금금액", "찾으신금액", "지급금액", "인출금액"}},
                                         {R::Deposit, "입금", {"입금액", "입금금액", "맡기신금액"}}},
                                        Category::Income, "");
        bank.categoryRule = CategoryRule::ByDirection;
        p.push_back(std::move(bank));
        StatementProfile oneColumn = shipped("은행 거래내역 (거래금액)",
                                             {date, who, {R::Amount, "거래금액", {"금액"}},
                                              {R::Direction, "입출금구분", {"입지구분", "거래구분", "구분"}}},
                                             Category::Income, "");
        oneColumn.categoryRule = CategoryRule::ByDirection;
        p.push_back(std::move(oneColumn));
        return p;
    }();
    return profiles;
}

std::optional<ColumnMap> MapColumns(const StatementProfile& profile, const std::vector<StatementCell>& header)
{
    std::vector<std::string> keys;
    keys.reserve(header.size());
    for (const StatementCell& c : header)
        keys.push_back(HeaderKey(c.text));
    ColumnMap map;
    std::vector<bool> used(keys.size(), false);
    bool any = false;
    auto find = [&](std::string want) {
        int occurrence = 1;
        if (const std::size_t hash = want.rfind('#'); hash != std::string::npos && hash + 1 < want.size() &&
            want.find_first_not_of("0123456789", hash + 1) == std::string::npos) {
            occurrence = std::max(1, std::atoi(want.c_str() + hash + 1));
            want.resize(hash);
        }
        want = HeaderKey(want);
        for (std::size_t i = 0, seen = 0; i < keys.size(); ++i)
            if (keys[i] == want && ++seen == static_cast<std::size_t>(occurrence))
                return static_cast<int>(i);
        return -1;
    };
    for (const ColumnBinding& b : profile.columns) {
        if (b.role == ColumnRole::None)
            continue;
        int found = find(b.header);
        // Another name is taken only for a column no other role holds.
        for (std::size_t k = 0; k < b.alternatives.size() && found < 0; ++k) {
            const int at = find(b.alternatives[k]);
            if (at >= 0 && !used[static_cast<std::size_t>(at)])
                found = at;
        }
        if (found < 0) {
            if (b.optional)
                continue;
            return std::nullopt;
        }
        used[static_cast<std::size_t>(found)] = true;
        map.column[static_cast<int>(b.role)] = found;
        any = true;
    }
    if (!any)
        return std::nullopt;
    return map;
}

namespace {

// The rows searched for a header: title lines rarely run longer.
constexpr int kHeaderSearchRows = 30;

int headerWordCount(const std::vector<StatementCell>& row)
{
    int words = 0;
    for (const StatementCell& c : row) {
        if (c.kind != StatementCell::Kind::Text)
            continue;
        const std::string key = HeaderKey(c.text);
        if (key.empty() || key.size() > 40)
            continue;
        for (const char* w : kHeaderWords)
            if (key.find(w) != std::string::npos) {
                ++words;
                break;
            }
    }
    return words;
}

bool titleHolds(const StatementSheet& sheet, int headerRow, const std::string& word)
{
    if (word.empty())
        return true;
    for (int r = 0; r < headerRow; ++r)
        for (const StatementCell& c : sheet.rows[static_cast<std::size_t>(r)])
            if (c.text.find(word) != std::string::npos)
                return true;
    return false;
}

bool isKindWord(const std::string& w) { return w == "매입" || w == "매출"; }

// "매입", "매출" or "" for a text naming one of them, both or neither.
std::string kindIn(std::string_view text)
{
    const bool purchase = text.find("매입") != std::string_view::npos;
    const bool sales = text.find("매출") != std::string_view::npos;
    return purchase == sales ? std::string() : purchase ? "매입" : "매출";
}

// What the supplier and buyer columns say over the rows.
std::string kindFromColumns(const StatementSheet& sheet, int headerRow, int supplier, int buyer)
{
    std::vector<std::string> sellers, buyers;
    auto note = [](std::vector<std::string>& seen, const std::string& v) {
        if (!v.empty() && seen.size() < 2 && std::find(seen.begin(), seen.end(), v) == seen.end())
            seen.push_back(v);
    };
    std::size_t rows = 0;
    for (std::size_t r = static_cast<std::size_t>(headerRow) + 1; r < sheet.rows.size() && rows < 1000; ++r) {
        const auto& cells = sheet.rows[r];
        const auto at = [&](int c) {
            return static_cast<std::size_t>(c) < cells.size() ? NormalizeStatementText(cells[static_cast<std::size_t>(c)].text)
                                                               : std::string();
        };
        const std::string s = at(supplier), b = at(buyer);
        if (s.empty() || b.empty())
            continue;  // a total or a note
        ++rows;
        note(sellers, s);
        note(buyers, b);
    }
    if (sellers.size() == 1 && buyers.size() > 1)
        return "매출";
    if (buyers.size() == 1 && sellers.size() > 1)
        return "매입";
    return {};
}

// The rows' say: the same supplier on every row and buyers that differ is
// a list of the user's sales, and the reverse one of purchases; by their
// registration numbers, else by their names.
std::string kindFromRows(const StatementSheet& sheet, int headerRow)
{
    const auto& header = sheet.rows[static_cast<std::size_t>(headerRow)];
    int supplier = -1, buyer = -1;
    std::vector<int> names;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string k = HeaderKey(header[c].text);
        if (k.rfind("공급받는자", 0) == 0 && k.find("등록번호") != std::string::npos && buyer < 0)
            buyer = static_cast<int>(c);
        else if (k.rfind("공급자", 0) == 0 && k.find("등록번호") != std::string::npos && supplier < 0)
            supplier = static_cast<int>(c);
        else if (k == "상호")
            names.push_back(static_cast<int>(c));
    }
    if (supplier >= 0 && buyer >= 0)
        if (std::string k = kindFromColumns(sheet, headerRow, supplier, buyer); !k.empty())
            return k;
    if (names.size() >= 2)
        return kindFromColumns(sheet, headerRow, names[0], names[1]);
    return {};
}

// The title's say: a cell that declares the kind after a colon ("매출/매입
// 구분: 매출"), a label cell followed by the kind, else the kind the title
// cells name when they all name the same one.
std::string kindFromTitle(const StatementSheet& sheet, int headerRow)
{
    std::string named;
    bool conflicting = false;
    for (int r = 0; r < headerRow; ++r) {
        const auto& cells = sheet.rows[static_cast<std::size_t>(r)];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string& t = cells[c].text;
            std::size_t colon = t.rfind(':');
            if (const std::size_t wide = t.rfind("："); wide != std::string::npos && (colon == std::string::npos || wide > colon))
                colon = wide;
            if (colon != std::string::npos) {
                if (std::string k = kindIn(std::string_view(t).substr(colon + 1)); !k.empty())
                    return k;
            }
            const std::string key = HeaderKey(t);
            if (!key.empty() && key.size() >= 6 && key.compare(key.size() - 6, 6, "구분") == 0 && c + 1 < cells.size()) {
                if (std::string k = kindIn(cells[c + 1].text); !k.empty() && HeaderKey(cells[c + 1].text).size() <= 12)
                    return k;
            }
            if (std::string k = kindIn(t); !k.empty()) {
                if (!named.empty() && named != k)
                    conflicting = true;
                named = k;
            }
        }
    }
    return conflicting ? std::string() : named;
}

} // namespace

int FindHeaderRow(const StatementSheet& sheet, const std::vector<StatementProfile>& profiles)
{
    const int rows = std::min<int>(kHeaderSearchRows, static_cast<int>(sheet.rows.size()));
    for (int r = 0; r < rows; ++r) {
        const auto& row = sheet.rows[static_cast<std::size_t>(r)];
        for (const StatementProfile& p : profiles)
            if (MapColumns(p, row))
                return r;
        if (headerWordCount(row) >= 2)
            return r;
    }
    return -1;
}

std::string ListKind(const StatementSheet& sheet, int headerRow)
{
    if (headerRow < 0 || static_cast<std::size_t>(headerRow) >= sheet.rows.size())
        return {};
    if (std::string k = kindFromRows(sheet, headerRow); !k.empty())
        return k;
    return kindFromTitle(sheet, headerRow);
}

std::string NondeductibleRemark(const std::string& remark)
{
    // "불공" is the word the filing figures read as 불공제; the evidence
    // word stays beside it, in its short form where the field is short.
    const std::string word = "불공";
    const std::string shortForm = remark == "현금영수증" ? "현영" : remark;
    for (const std::string& r : {remark, shortForm}) {
        const std::string s = r.empty() ? word : r + " " + word;
        if (FitLedgerText(s, kEtcInputBytes).utf8 == s)
            return s;
    }
    return word;
}

std::vector<const StatementProfile*> MatchingProfiles(const StatementSheet& sheet,
                                                      const std::vector<StatementProfile>& profiles,
                                                      int* headerRow)
{
    struct Fit {
        const StatementProfile* profile;
        int row;
        std::size_t read;   // rows of the sample read without an error
        std::size_t roles;  // distinct roles found in the header
        std::size_t order;
    };
    std::vector<Fit> fits;
    const int rows = std::min<int>(kHeaderSearchRows, static_cast<int>(sheet.rows.size()));
    std::map<int, std::string> kinds;
    for (std::size_t k = 0; k < profiles.size(); ++k) {
        const StatementProfile& p = profiles[k];
        for (int r = 0; r < rows; ++r) {
            const auto map = MapColumns(p, sheet.rows[static_cast<std::size_t>(r)]);
            if (!map)
                continue;
            bool fits_ = true;
            if (isKindWord(p.titleWord)) {
                auto it = kinds.find(r);
                if (it == kinds.end())
                    it = kinds.emplace(r, ListKind(sheet, r)).first;
                // A list that says neither fits both: the caller asks.
                fits_ = it->second.empty() || it->second == p.titleWord;
            } else {
                fits_ = titleHolds(sheet, r, p.titleWord);
            }
            if (fits_) {
                std::size_t roles = 0;
                for (int c : map->column)
                    roles += c >= 0;
                fits.push_back({&p, r, 0, roles, k});
            }
            break;
        }
    }
    // A user's profile replaces a shipped one only where it reads the list
    // at least as well: the first rows are read with each.
    if (fits.size() > 1) {
        constexpr std::size_t kSampleRows = 100;
        for (Fit& f : fits) {
            StatementSheet sample;
            const std::size_t end = std::min(sheet.rows.size(), static_cast<std::size_t>(f.row) + 1 + kSampleRows);
            sample.rows.assign(sheet.rows.begin(), sheet.rows.begin() + static_cast<std::ptrdiff_t>(end));
            for (const ImportRow& row : BuildImportRows(sample, *f.profile, f.row))
                f.read += row.status != ImportStatus::Error;
        }
    }
    std::stable_sort(fits.begin(), fits.end(), [](const Fit& a, const Fit& b) {
        if (a.read != b.read)
            return a.read > b.read;
        if (a.roles != b.roles)
            return a.roles > b.roles;
        if (a.profile->shipped != b.profile->shipped)
            return !a.profile->shipped;
        return a.order < b.order;
    });
    std::vector<const StatementProfile*> out;
    for (const Fit& f : fits)
        out.push_back(f.profile);
    if (headerRow)
        *headerRow = fits.empty() ? -1 : fits.front().row;
    return out;
}

std::vector<StatementProfile> ReadSavedProfiles(const std::string& iniPath)
{
    std::vector<StatementProfile> out;
    const int count = ReadIniInteger(iniPath, toCp949(kListSection), toCp949("개수"), 0);
    for (int i = 1; i <= count && i <= 200; ++i) {
        const std::string name = fromCp949(ReadIniValue(iniPath, toCp949(kListSection), toCp949("틀" + std::to_string(i))));
        if (name.empty())
            continue;
        // A name with bytes CP949 does not hold was never written by us:
        // its section cannot be named, so the profile is passed over.
        const std::optional<std::string> section = encodeCp949(profileSection(name)).bytes;
        if (!section)
            continue;
        StatementProfile p;
        p.name = name;
        for (const std::string& part : split(fromCp949(ReadIniValue(iniPath, *section, toCp949("열"))), '|')) {
            const std::size_t colon = part.find(':');
            if (colon == std::string::npos)
                continue;
            auto role = ColumnRoleFromName(part.substr(0, colon));
            if (role && *role != ColumnRole::None && colon + 1 < part.size())
                p.columns.push_back({*role, part.substr(colon + 1)});
        }
        if (p.columns.empty())
            continue;
        const std::string category = fromCp949(ReadIniValue(iniPath, *section, toCp949("구분")));
        if (category == "입출금") {
            p.categoryRule = CategoryRule::ByDirection;
        } else {
            p.category = categoryFromName(category).value_or(Category::Expense);
        }
        p.remark = fromCp949(ReadIniValue(iniPath, *section, toCp949("증빙")));
        p.vatIncluded = ReadIniInteger(iniPath, *section, toCp949("부가세포함"), 0) != 0;
        p.titleWord = fromCp949(ReadIniValue(iniPath, *section, toCp949("제목")));
        out.push_back(std::move(p));
    }
    return out;
}

IoResult SaveProfile(const std::string& iniPath, const StatementProfile& profile)
{
    if (profile.name.empty() || profile.name.find_first_of("[]|:=;#") != std::string::npos ||
        !encodeCp949(profile.name).bytes)
        return IoResult::failure("틀 이름에 쓸 수 없는 글자가 있습니다: " + profile.name);
    // One column per meaning: a second 거래처 would silently win over the first.
    if (const auto twice = profile.repeatedRole())
        return IoResult::failure(std::string("'") + ColumnRoleName(*twice) + "' 뜻을 두 열에 골랐습니다. 한 열만 고르세요.");
    std::string columns;
    for (const ColumnBinding& b : profile.columns) {
        if (b.role == ColumnRole::None)
            continue;
        if (b.header.find_first_of("|:\r\n") != std::string::npos || !encodeCp949(b.header).bytes)
            return IoResult::failure("열 이름에 쓸 수 없는 글자가 있습니다: " + b.header);
        if (!columns.empty())
            columns += '|';
        columns += std::string(ColumnRoleName(b.role)) + ":" + b.header;
    }
    // The name was checked above: CP949 holds it.
    const std::string section = *encodeCp949(profileSection(profile.name)).bytes;
    const std::string category =
        profile.categoryRule == CategoryRule::ByDirection ? "입출금" : categoryName(profile.category);
    const std::pair<const char*, std::string> keys[] = {
        {"열", columns}, {"구분", category}, {"증빙", profile.remark},
        {"부가세포함", profile.vatIncluded ? "1" : "0"}, {"제목", profile.titleWord}};
    for (const auto& [key, value] : keys) {
        const Cp949Encoding e = encodeCp949(value);
        if (!e.bytes)
            return IoResult::failure("설정 파일에 쓸 수 없는 글자가 있습니다: " + e.rejected);
        if (IoResult r = WriteIniValue(iniPath, section, toCp949(key), *e.bytes); !r)
            return r;
    }
    // The list: the name once.
    const int count = ReadIniInteger(iniPath, toCp949(kListSection), toCp949("개수"), 0);
    for (int i = 1; i <= count; ++i)
        if (fromCp949(ReadIniValue(iniPath, toCp949(kListSection), toCp949("틀" + std::to_string(i)))) == profile.name)
            return IoResult::success();
    if (IoResult r = WriteIniValue(iniPath, toCp949(kListSection), toCp949("틀" + std::to_string(count + 1)),
                                   *encodeCp949(profile.name).bytes);
        !r)
        return r;
    return WriteIniValue(iniPath, toCp949(kListSection), toCp949("개수"), std::to_string(count + 1));
}

std::vector<StatementProfile> AllProfiles(const std::string& iniPath)
{
    std::vector<StatementProfile> all = iniPath.empty() ? std::vector<StatementProfile>{} : ReadSavedProfiles(iniPath);
    for (const StatementProfile& p : ShippedProfiles())
        all.push_back(p);
    return all;
}

ColumnRole GuessColumnRole(std::string_view header)
{
    using R = ColumnRole;
    const std::string h = HeaderKey(header);
    auto has = [&](const char* w) { return h.find(w) != std::string::npos; };
    // Numbers and kinds of the counterparty are no name of it.
    if (has("사업자번호") || has("등록번호") || has("유형") || has("업태") || has("종목")) return R::None;
    if (has("승인번호")) return R::Approval;
    if (has("카드번호") || has("계좌")) return R::Account;
    if (has("일자") || has("일시") || has("날짜") || has("거래일") || has("이용일")) return R::Date;
    if (has("공급가액")) return R::Supply;
    if (has("봉사료")) return R::ServiceCharge;
    if (has("공제여부")) return R::Deduction;
    if (has("입출금구분") || has("입지구분")) return R::Direction;
    if (has("부가세") || has("세액")) return R::Vat;
    if (has("입금") || has("맡기신")) return R::Deposit;
    if (has("출금") || has("찾으신")) return R::Withdrawal;
    if (has("취소") || has("상태")) return R::Status;
    if (has("금액") || has("합계")) return R::Amount;
    if (has("가맹점") || has("상호") || has("거래처") || has("적요") || has("이용하신곳")) return R::Counterparty;
    if (has("내용") || has("품목") || has("메모")) return R::Description;
    return R::None;
}

std::vector<std::string> NumberedHeaders(const std::vector<std::string>& headers)
{
    std::vector<std::string> out;
    out.reserve(headers.size());
    for (std::size_t c = 0; c < headers.size(); ++c) {
        const std::string key = HeaderKey(headers[c]);
        int occurrence = 1;
        for (std::size_t k = 0; k < c; ++k)
            if (HeaderKey(headers[k]) == key)
                ++occurrence;
        out.push_back(occurrence > 1 ? headers[c] + "#" + std::to_string(occurrence) : headers[c]);
    }
    return out;
}

std::string ProfileProblem(const StatementProfile& profile)
{
    if (profile.name.empty())
        return "틀 이름을 입력하세요.";
    // One column per meaning: a second 거래처 would silently win over the first.
    if (const auto twice = profile.repeatedRole())
        return std::string("'") + ColumnRoleName(*twice) + "' 뜻을 두 열에 골랐습니다. 한 열만 고르세요.";
    if (!profile.binding(ColumnRole::Date))
        return "날짜 열을 고르세요.";
    if (!profile.binding(ColumnRole::Amount) && !profile.binding(ColumnRole::Supply)
        && !profile.binding(ColumnRole::Deposit) && !profile.binding(ColumnRole::Withdrawal))
        return "금액 열(금액, 공급가액, 입금 또는 출금)을 고르세요.";
    return {};
}

} // namespace quill
