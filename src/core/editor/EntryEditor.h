// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/editor/EditorMode.h"
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/WorkingTable.h"

#include <string>
#include <string_view>

namespace quill {

// The entry panel's values, independent of the widgets. Texts are CP949.
struct EntryInput {
    std::string IDAY;    // the masked date text, blanks for empty digit places
    std::string JKYU;
    std::string SANGHO;
    Category category = Category::None;
    double amount = 0;
    double vat = 0;
    std::string ETC;

    bool operator==(const EntryInput&) const = default;
};

// Byte limits of the panel's text fields (CP949 bytes).
inline constexpr std::size_t kJkyuInputBytes = 43;
inline constexpr std::size_t kSanghoInputBytes = 33;
inline constexpr std::size_t kEtcInputBytes = 12;

// What a panel text field makes of a text typed, pasted or composed into
// it (UTF-8): it fits, or it holds a character CP949 cannot store, or it is
// longer than the field's byte limit. The F11 paste goes through the same
// test as typing.
struct FieldTextCheck {
    enum class Result { Fits, Unholdable, TooLong };
    Result result = Result::Fits;
    std::string character;  // the first character CP949 cannot hold (UTF-8)
    bool fits() const { return result == Result::Fits; }
};
FieldTextCheck CheckFieldText(std::string_view utf8, std::size_t maxBytes);
// The short note shown beside the field for a refusal (UTF-8): "저장할 수
// 없는 문자입니다: ₩" or "더 입력할 수 없습니다 (최대 43바이트, 한글 21자)".
// Empty when the text fits.
std::string FieldRefusalNote(const FieldTextCheck& check, std::size_t maxBytes);

// Amounts the ledger file cannot hold are refused at input: the file keeps
// amount × 10000 in a signed 64-bit integer.
inline constexpr double kAmountLimit = 9.2e14;
bool AmountFits(double amount);
inline constexpr const char* kAmountTooLargeMessage =
    "금액이 너무 큽니다. 920조 원 미만의 금액을 입력하세요.";

// The remark box's items, stepped through with the arrow keys (UTF-8).
inline constexpr const char* kRemarkItems[] = {"세계", "영", "카드", "계"};

// The date an added entry starts with (ASCII "yyyy.mm.dd"): the filter's
// year, and the filter's month or today's month; today's day. The month text
// is used only when the month list is not on "1년" (index 0). Not checked
// against the calendar.
std::string ProposeEntryDate(std::string_view yearText, int monthIndex, std::string_view monthText,
                             int todayMonth, int todayDay);

// The VAT proposed on entering the VAT field: 10 % of the amount with the
// fraction dropped, toward zero.
double ProposeVat(double amount);
// True when entering the VAT field proposes one: an amount typed and a VAT
// still 0. While editing, only when the amount differs from the one the
// entry was opened with: walking through a stored entry with Enter must not
// add VAT to one that was booked without it.
bool ShouldProposeVat(EditorMode mode, bool amountTextEmpty, double amount, double vat, double openedAmount);

// A VAT-inclusive amount split into amount and VAT; the sum stays the
// original amount. Nothing to split for 0.
struct VatSplit {
    double amount = 0;
    double vat = 0;
};
VatSplit SplitVatInclusive(double total);

// The remark proposed on entering the remark box while adding, when it holds
// nothing but blanks: "세계" with a VAT, otherwise "영" (UTF-8). Empty when
// nothing is proposed.
std::string ProposeRemark(EditorMode mode, std::string_view remarkText, double vat);

// The date text passes when it holds all eight digits or none.
bool DateTextAcceptable(std::string_view dateText);

// What confirm finds wrong with the panel, tested in this order.
enum class InputProblem { None, BadDate, NoDescription, NoAmount };
InputProblem CheckEntryInput(const EntryInput& input);
// The message of a problem (UTF-8); empty for None.
const char* InputProblemMessage(InputProblem problem);

inline constexpr const char* kBadDateMessage = "날짜입력 형식이 틀렸습니다. 예)2006.05.27";
inline constexpr const char* kNoDescriptionMessage = "거래내용이 입력되지 않았습니다.";
inline constexpr const char* kNoAmountMessage = "거래금액이 입력되지 않았습니다.";
inline constexpr const char* kUnconfirmedEntryQuestion = "입력 중인 자료가 있습니다. 확인하시겠습니까?";
inline constexpr const char* kDeleteQuestion = "삭제하시겠습니까??";

// The panel's values of a row. The category is the last pair in use
// (income, expense, asset); with no pair in use it stays `previous`.
EntryInput EntryInputFromRow(const LedgerEntry& row, Category previous);

// Writes the panel's values into a row: texts as typed, the amount and VAT
// into the category's pair and zeros into the other two pairs. TAG and CTG
// are left alone. A missing category counts as expense.
void WriteEntryInput(const EntryInput& input, LedgerEntry& row);

// True when the panel's amount, VAT and category are those the row shows
// (its row-to-editor copy): an edit that leaves them alone keeps all six
// money fields of the row as they were, so a row using two pairs is not
// merged into one.
bool MoneyAsShown(const EntryInput& input, const LedgerEntry& row);

// The row being edited: found again at confirm even when the grid's current
// row has moved meanwhile.
struct EditTarget {
    WorkingTable::Bookmark mark;
    LedgerEntry original;
    bool valid = false;
};
EditTarget MarkEditTarget(const WorkingTable& table);
// Makes the edited row current again. False when it is no longer among the
// visible rows (deleted, or hidden by a filter changed meanwhile).
bool ReturnToEditTarget(WorkingTable& table, const EditTarget& target);

inline constexpr const char* kEditTargetLostMessage =
    "수정하던 자료를 찾을 수 없습니다. 자료가 삭제되었거나 조회 조건이 바뀌었습니다.";

// Stores the panel's values: a new row in Adding, the edit target in
// Editing (its money fields untouched when MoneyAsShown). False (nothing stored) when the edit target is gone.
bool StoreEntryInput(WorkingTable& table, EditorMode mode, const EditTarget& target, const EntryInput& input);

} // namespace quill
