// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the columns of one kind of statement mean, and what its rows become
// in the ledger: a profile. The program ships profiles for the lists whose
// columns are publicly documented; the user makes more from the preview.
// Profiles and rules are kept in the configuration file.
#include "core/io/IoResult.h"
#include "core/ledger/LedgerEntry.h"
#include "core/statement/StatementBook.h"

#include <optional>
#include <string>
#include <vector>

namespace quill {

// The meaning of a column.
enum class ColumnRole {
    None,
    Date,
    Description,
    Counterparty,
    Amount,        // the total, VAT included
    Supply,        // the amount without VAT (공급가액)
    Vat,
    Deposit,       // 입금: money in
    Withdrawal,    // 출금: money out
    Approval,      // approval number
    Account,       // card or account number
    Status,        // a column that says "취소" for cancellations
    ServiceCharge, // 봉사료: part of what was paid, no VAT of its own
    Deduction,     // 공제여부: "불공제" keeps the row's VAT out of the filing
    Direction,     // 입출금 구분: "입금"/"출금" beside one amount column
};
inline constexpr int kColumnRoleCount = 15;
// The role's name as the window lists it ("날짜", "거래내용", ...), UTF-8.
const char* ColumnRoleName(ColumnRole role);
std::optional<ColumnRole> ColumnRoleFromName(std::string_view name);

struct ColumnBinding {
    ColumnRole role = ColumnRole::None;
    // The header text (UTF-8, compared without blanks and case); "#2" after
    // it takes the second column of that name, for lists that name two
    // columns alike (the supplier's and the buyer's 상호).
    std::string header;
    // Other names of the same column, tried in order after `header` (the
    // shipped bank profile: "출금", "출금액", "찾으신금액", ...).
    std::vector<std::string> alternatives = {};
    // A column the list may lack (the shipped profiles' 봉사료, 공제여부).
    bool optional = false;
};

// Where the category of a row comes from.
enum class CategoryRule {
    Fixed,        // `category` for every row
    ByDirection,  // money in → 수입, money out → 비용 (bank statements)
};

struct StatementProfile {
    std::string name;                   // UTF-8
    std::vector<ColumnBinding> columns;
    CategoryRule categoryRule = CategoryRule::Fixed;
    Category category = Category::Expense;
    std::string remark;                 // evidence remark the rows get (UTF-8)
    // The amount includes 10/110 VAT, split off as the entry panel splits it
    // (used only when the list has no VAT column).
    bool vatIncluded = false;
    // A word that the rows above the header must hold. "매입" and "매출"
    // are read as the kind of list (ListKind), to tell the tax office's
    // sales list from its purchase list, whose columns are alike.
    std::string titleWord;
    bool shipped = false;

    const ColumnBinding* binding(ColumnRole role) const;
    // The first role bound to two columns, if any: such a profile cannot
    // be saved.
    std::optional<ColumnRole> repeatedRole() const;
};

// The profiles the program ships with.
const std::vector<StatementProfile>& ShippedProfiles();

// The header row of a sheet: the first of its first rows whose cells hold
// at least two of the words statements name their columns with (날짜,
// 일자, 금액, 가맹점, 적요, ...), or that a profile's headers all match.
// -1 when none is found.
int FindHeaderRow(const StatementSheet& sheet, const std::vector<StatementProfile>& profiles = {});

// Column positions of the profile's bindings in the header row; nothing
// when a binding's header is missing there.
struct ColumnMap {
    int column[kColumnRoleCount];
    ColumnMap() { for (int& c : column) c = -1; }
    int of(ColumnRole role) const { return column[static_cast<int>(role)]; }
};
std::optional<ColumnMap> MapColumns(const StatementProfile& profile, const std::vector<StatementCell>& header);

// The profiles that fit the sheet (every header present, title word
// found), best first: the one that reads the most of the first rows, then
// the most roles bound, the user's own before the shipped ones on a tie.
// `headerRow` receives the row of the first.
std::vector<const StatementProfile*> MatchingProfiles(const StatementSheet& sheet,
                                                      const std::vector<StatementProfile>& profiles,
                                                      int* headerRow = nullptr);

// Whether a tax-office list below headerRow is of purchases ("매입") or
// sales ("매출"), from the rows first (the supplier the same on every row
// and the buyers differing: the user sells) and then from what the title
// rows declare ("구분: 매출", a title naming one of the two); empty when
// neither says.
std::string ListKind(const StatementSheet& sheet, int headerRow);

// The remark a row marked 불공제 gets: the profile's remark with the word
// the filing figures read as 불공제, within the ledger's remark field.
std::string NondeductibleRemark(const std::string& remark);

// A header text as profiles compare it: without blanks, Latin case or a
// part in brackets ("공급가액 (원)" is "공급가액").
std::string HeaderKey(std::string_view utf8);

// A first guess of a column's meaning from its header text, for a new
// profile (None when the header says nothing known).
ColumnRole GuessColumnRole(std::string_view header);

// The header each column of a header row is bound by: its text, and "#2",
// "#3" ... after a text (compared as HeaderKey does) that an earlier column
// of the row already has.
std::vector<std::string> NumberedHeaders(const std::vector<std::string>& headers);

// Why a profile the user made cannot be kept (UTF-8, for the user), or
// empty when it can: it needs a name, no meaning given to two columns, a
// date column and an amount column (금액, 공급가액, 입금 or 출금).
std::string ProfileProblem(const StatementProfile& profile);

// Profiles and rules in the configuration file (CP949 INI). Reading skips
// what it cannot understand; writing fails with the file's message.
std::vector<StatementProfile> ReadSavedProfiles(const std::string& iniPath);
IoResult SaveProfile(const std::string& iniPath, const StatementProfile& profile);
// The saved profiles followed by the shipped ones.
std::vector<StatementProfile> AllProfiles(const std::string& iniPath);

} // namespace quill
