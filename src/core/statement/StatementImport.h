// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// From a statement's sheet to ledger entries: each row as it would stand in
// the ledger, proposed by rules and by what the ledger already holds,
// matched against the ledger, and booked as one step.
#include "core/io/IoResult.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/WorkingTable.h"
#include "core/statement/StatementProfile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quill {

enum class ImportStatus { New, Duplicate, Similar, Error };
// "새 자료", "중복", "비슷함", "오류"
const char* ImportStatusName(ImportStatus status);

// Byte limits of the texts an imported row gets: those of the entry panel,
// so that every imported row can be changed there as it stands.
std::size_t ImportFieldLimit(int field);   // 0 description, 1 counterparty, 2 remark

// One statement row as it would stand in the ledger. Texts are UTF-8 and
// already fitted to the ledger's fields (CP949, byte limits).
struct ImportRow {
    int line = 0;                      // the row in the sheet, 1-based
    std::string IDAY;                  // "yyyy.mm.dd"; empty when unreadable
    std::string description;
    std::string counterparty;
    std::string counterpartyCp949;     // the same as the ledger stores it
    std::string remark;
    Category category = Category::Expense;
    double amount = 0;                 // negative for a cancellation
    double vat = 0;
    std::string approval;
    std::string account;
    bool cancelled = false;
    bool nondeductible = false;        // 공제여부 "불공제": the remark says 불공
    // The description was taken from the counterparty (the list has none of
    // its own): what the ledger or a rule proposes may replace it.
    bool descriptionFromCounterparty = false;
    ImportStatus status = ImportStatus::New;
    std::string reason;                // 오류: why; 중복/비슷함: the ledger entry found
    std::vector<std::string> notes;    // texts cut, characters replaced
    std::string proposedBy;            // the rule that gave category/description/remark
    bool ticked = true;
};

// A rule of the user's: a counterparty (or description) holding a word
// gets a category, a description and a remark.
struct ImportRule {
    enum class Field { Counterparty, Description };
    Field field = Field::Counterparty;
    std::string contains;              // UTF-8
    Category category = Category::Expense;
    std::string description;           // empty: left as it is
    std::string remark;                // empty: left as it is
    // "거래처에 '주유' 포함 → 비용, 차량유지비"
    std::string label() const;
};
std::vector<ImportRule> ReadImportRules(const std::string& iniPath);
IoResult SaveImportRule(const std::string& iniPath, const ImportRule& rule);

// The ledger indexed once for a whole statement: entries by counterparty
// and amount (for 중복 and 비슷함) and by counterparty (for what the
// ledger teaches). Holds positions into the table: build it again when the
// table changes.
class LedgerMatchIndex {
public:
    void build(const WorkingTable& table);

    struct Found {
        ImportStatus status = ImportStatus::New;
        std::size_t row = 0;           // the entry found (Duplicate, Similar)
    };
    // Looks the row up; `taken` counts the entries already claimed as
    // duplicates by earlier rows, so two equal purchases on one day match
    // two entries, not one twice.
    Found find(const ImportRow& row, std::unordered_map<std::uint64_t, int>* taken = nullptr) const;

    // What the ledger holds for a counterparty (CP949): its most frequent
    // category, description and remark, and on how many entries.
    struct Learned {
        Category category = Category::None;
        std::string description;       // UTF-8
        std::string remark;            // UTF-8
        std::uint32_t entries = 0;
    };
    const Learned* learned(std::string_view counterpartyCp949) const;

    std::size_t size() const { return keys_.size(); }
    const WorkingTable* table() const { return table_; }

private:
    // One key per entry with a counterparty (or, for an entry without one,
    // its description), ordered by that name and
    // date: the entries of a counterparty are one run, those of a few days
    // a short stretch of it (their amounts are read from the entries).
    struct Key {
        std::uint64_t name;            // hash of the counterparty
        std::int32_t day;              // INT32_MIN: no date
        std::uint32_t row;
    };
    const WorkingTable* table_ = nullptr;
    std::vector<Key> keys_;
    mutable std::unordered_map<std::uint64_t, Learned> learned_;
};

// Reads the rows below the header as the profile maps them. Blank rows,
// repeated headers, notes and the 합계/총계 rows are left out; rows that
// cannot be booked are kept with status 오류 and their reason.
std::vector<ImportRow> BuildImportRows(const StatementSheet& sheet, const StatementProfile& profile, int headerRow);

// Proposals (user rules first, then what the ledger holds for the
// counterparty, then the profile) and statuses; 중복 and 오류 rows start
// unticked.
void ProposeImportRows(std::vector<ImportRow>& rows, const StatementProfile& profile,
                       const std::vector<ImportRule>& rules, const LedgerMatchIndex& index);
void MatchImportRows(std::vector<ImportRow>& rows, const LedgerMatchIndex& index);
// A rule just made, applied to the rows it fits; how many those are.
std::size_t ApplyImportRule(std::vector<ImportRow>& rows, const ImportRule& rule);

// A text of a row changed in the preview (0 description, 1 counterparty,
// 2 remark): fitted as on reading, and the row matched again.
void SetImportRowText(ImportRow& row, int field, std::string_view utf8, const LedgerMatchIndex& index);

// The ledger entry of a row.
LedgerEntry ImportRowEntry(const ImportRow& row);

struct ImportCounts {
    std::size_t booked = 0;
    std::size_t similarBooked = 0;     // 비슷함 rows among the booked
    std::size_t duplicates = 0;        // 중복 rows not booked
    std::size_t errors = 0;
};
// "N건 가져옴, M건 중복 제외, K건 오류", with "(비슷함 S건 포함)" after
// the first part when some booked rows were 비슷함"
std::string ImportReport(const ImportCounts& counts);

// Books the ticked rows that are not 오류 into the table, each in its date
// order after the entries already there, as one change (`change`) that
// undo takes back whole. `firstRow` is the position of the first booked
// entry among all rows (the earliest date).
struct BookedImport {
    ImportCounts counts;
    std::size_t firstRow = 0;
    std::optional<LedgerChange> change;
};
BookedImport BookImportRows(WorkingTable& table, const std::vector<ImportRow>& rows);

// Everything from a read statement to the rows of the preview, as the
// window and the command line do it: the profile (named, or the best that
// fits), header, rows, proposals and statuses.
struct ImportPlan {
    StatementProfile profile;
    int headerRow = -1;
    int sheet = 0;
    std::vector<ImportRow> rows;
    std::string error;                 // why nothing can be imported (Korean)
    // Profiles to choose from when the list does not say which it is (a
    // tax-office list that names neither 매입 nor 매출): error says so.
    std::vector<std::string> choices;
};
// `sheet` kAnySheet: every sheet in turn, the first that a profile reads
// (the named one, or any); the plan says which.
inline constexpr int kAnySheet = -1;
ImportPlan PlanImport(const StatementBook& book, int sheet, const std::vector<StatementProfile>& profiles,
                      const std::string& profileName, const std::vector<ImportRule>& rules,
                      const LedgerMatchIndex& index);
// The same in two steps, so that a caller can let the read book go (and
// index the ledger) in between: the rows read, then proposed and matched.
ImportPlan PrepareImport(const StatementBook& book, int sheet, const std::vector<StatementProfile>& profiles,
                         const std::string& profileName);
void FinishImport(ImportPlan& plan, const std::vector<ImportRule>& rules, const LedgerMatchIndex& index);

// Keeps only the first rows of every sheet (where headers and titles are):
// what choosing a profile needs once the rows were read.
inline constexpr std::size_t kHeadRowsKept = 30;
void KeepHeadRows(StatementBook& book);

} // namespace quill
