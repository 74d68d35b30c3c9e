// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/statement/StatementProfile.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"
#include "core/config/IniFile.h"
#include "core/statement/StatementValues.h"

#include <algorithm>
#include <map>

namespace quill {

namespace {

const char* const kRoleNames[kColumnRoleCount] = {
    "사용 안 함", "날짜", "거래내용", "거래처", "금액(합계)", "공급가액", "부가세",
    "입금", "출금", "승인번호", "카드/계좌번호", "취소 표시",
};

// Words statements name their columns with, to find the header row of a
// list no profile knows.
const char* const kHeaderWords[] = {
    "일자", "일시", "날짜", "거래일", "승인일", "작성일", "금액", "합계", "공급가액", "부가세", "세액",
    "가맹점", "상호", "거래처", "적요", "내용", "입금", "출금", "잔액", "승인번호", "카드번호", "품목",
    "사업자", "구분", "비고", "메모",
};

std::string toCp949(std::string_view utf8)
{
    return encodeCp949(utf8).bytes.value_or(std::string());
}

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
    // "내려받기") and of an ordinary bank statement.
    static const std::vector<StatementProfile> profiles = [] {
        std::vector<StatementProfile> p;
        p.push_back(shipped("홈택스 신용카드 매입",
                            {{R::Date, "승인일자"}, {R::Account, "카드번호"}, {R::Approval, "승인번호"},
                             {R::Counterparty, "가맹점명"}, {R::Supply, "공급가액"}, {R::Vat, "부가세"},
                             {R::Amount, "합계"}},
                            Category::Expense, "카드"));
        p.push_back(shipped("홈택스 현금영수증 매입",
                            {{R::Date, "매출일시"}, {R::Counterparty, "가맹점명"}, {R::Supply, "공급가액"},
                             {R::Vat, "부가세"}, {R::Amount, "총금액"}, {R::Approval, "승인번호"},
                             {R::Status, "거래구분"}},
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
        StatementProfile bank = shipped("은행 거래내역",
                                        {{R::Date, "거래일시"}, {R::Counterparty, "적요"},
                                         {R::Withdrawal, "출금"}, {R::Deposit, "입금"}},
                                        Category::Income, "");
        bank.categoryRule = CategoryRule::ByDirection;
        p.push_back(std::move(bank));
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
    bool any = false;
    for (const ColumnBinding& b : profile.columns) {
        if (b.role == ColumnRole::None)
            continue;
        std::string want = b.header;
        int occurrence = 1;
        if (const std::size_t hash = want.rfind('#'); hash != std::string::npos && hash + 1 < want.size() &&
            want.find_first_not_of("0123456789", hash + 1) == std::string::npos) {
            occurrence = std::max(1, std::atoi(want.c_str() + hash + 1));
            want.resize(hash);
        }
        want = HeaderKey(want);
        int found = -1;
        for (std::size_t i = 0, seen = 0; i < keys.size(); ++i)
            if (keys[i] == want && ++seen == static_cast<std::size_t>(occurrence)) {
                found = static_cast<int>(i);
                break;
            }
        if (found < 0)
            return std::nullopt;
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

std::vector<const StatementProfile*> MatchingProfiles(const StatementSheet& sheet,
                                                      const std::vector<StatementProfile>& profiles,
                                                      int* headerRow)
{
    struct Fit {
        const StatementProfile* profile;
        int row;
        std::size_t bound;
        std::size_t order;
    };
    std::vector<Fit> fits;
    const int rows = std::min<int>(kHeaderSearchRows, static_cast<int>(sheet.rows.size()));
    for (std::size_t k = 0; k < profiles.size(); ++k) {
        const StatementProfile& p = profiles[k];
        for (int r = 0; r < rows; ++r) {
            if (!MapColumns(p, sheet.rows[static_cast<std::size_t>(r)]))
                continue;
            if (titleHolds(sheet, r, p.titleWord))
                fits.push_back({&p, r, p.columns.size(), k});
            break;
        }
    }
    std::stable_sort(fits.begin(), fits.end(), [](const Fit& a, const Fit& b) {
        if (a.bound != b.bound)
            return a.bound > b.bound;
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
        const std::string section = toCp949(profileSection(name));
        StatementProfile p;
        p.name = name;
        for (const std::string& part : split(fromCp949(ReadIniValue(iniPath, section, toCp949("열"))), '|')) {
            const std::size_t colon = part.find(':');
            if (colon == std::string::npos)
                continue;
            auto role = ColumnRoleFromName(part.substr(0, colon));
            if (role && *role != ColumnRole::None && colon + 1 < part.size())
                p.columns.push_back({*role, part.substr(colon + 1)});
        }
        if (p.columns.empty())
            continue;
        const std::string category = fromCp949(ReadIniValue(iniPath, section, toCp949("구분")));
        if (category == "입출금") {
            p.categoryRule = CategoryRule::ByDirection;
        } else {
            p.category = category == "수입" ? Category::Income : category == "자산" ? Category::Asset : Category::Expense;
        }
        p.remark = fromCp949(ReadIniValue(iniPath, section, toCp949("증빙")));
        p.vatIncluded = ReadIniInteger(iniPath, section, toCp949("부가세포함"), 0) != 0;
        p.titleWord = fromCp949(ReadIniValue(iniPath, section, toCp949("제목")));
        out.push_back(std::move(p));
    }
    return out;
}

IoResult SaveProfile(const std::string& iniPath, const StatementProfile& profile)
{
    if (profile.name.empty() || profile.name.find_first_of("[]|:=;#") != std::string::npos ||
        !encodeCp949(profile.name).bytes)
        return IoResult::failure("틀 이름에 쓸 수 없는 글자가 있습니다: " + profile.name);
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
    const std::string section = toCp949(profileSection(profile.name));
    const std::string category = profile.categoryRule == CategoryRule::ByDirection ? "입출금"
                                 : profile.category == Category::Income           ? "수입"
                                 : profile.category == Category::Asset            ? "자산"
                                                                                  : "비용";
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
                                   toCp949(profile.name));
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
    if (has("승인번호")) return R::Approval;
    if (has("카드번호") || has("계좌")) return R::Account;
    if (has("일자") || has("일시") || has("날짜") || has("거래일") || has("이용일")) return R::Date;
    if (has("공급가액")) return R::Supply;
    if (has("부가세") || has("세액")) return R::Vat;
    if (has("입금")) return R::Deposit;
    if (has("출금")) return R::Withdrawal;
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
    if (!profile.binding(ColumnRole::Date))
        return "날짜 열을 고르세요.";
    if (!profile.binding(ColumnRole::Amount) && !profile.binding(ColumnRole::Supply)
        && !profile.binding(ColumnRole::Deposit) && !profile.binding(ColumnRole::Withdrawal))
        return "금액 열(금액, 공급가액, 입금 또는 출금)을 고르세요.";
    return {};
}

} // namespace quill
