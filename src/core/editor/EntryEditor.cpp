// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/editor/EntryEditor.h"

#include "core/text/Cp949.h"
#include "core/text/TextHelpers.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace quill {

bool AmountFits(double amount)
{
    return std::isfinite(amount) && std::fabs(amount) < kAmountLimit;
}

FieldTextCheck CheckFieldText(std::string_view utf8, std::size_t maxBytes)
{
    FieldTextCheck check;
    Cp949Encoding encoded = encodeCp949(utf8);
    if (!encoded.bytes) {
        check.result = FieldTextCheck::Result::Unholdable;
        check.character = encoded.rejected;
    } else if (encoded.bytes->size() > maxBytes) {
        check.result = FieldTextCheck::Result::TooLong;
    }
    return check;
}

std::string FieldRefusalNote(const FieldTextCheck& check, std::size_t maxBytes)
{
    switch (check.result) {
    case FieldTextCheck::Result::Unholdable:
        return "저장할 수 없는 문자입니다: " + check.character;
    case FieldTextCheck::Result::TooLong:
        // A Hangul syllable takes two bytes.
        return "더 입력할 수 없습니다 (최대 " + std::to_string(maxBytes) + "바이트, 한글 " +
               std::to_string(maxBytes / 2) + "자)";
    case FieldTextCheck::Result::Fits:
        break;
    }
    return {};
}

std::string ProposeEntryDate(std::string_view yearText, int monthIndex, std::string_view monthText,
                             int todayMonth, int todayDay)
{
    char mmdd[8];
    std::string date = StripBlanks(yearText) + ".";
    if (monthIndex == 0) {
        std::snprintf(mmdd, sizeof mmdd, "%02d.%02d", todayMonth, todayDay);
        date += mmdd;
    } else {
        std::snprintf(mmdd, sizeof mmdd, "%02d", todayDay);
        date += StripBlanks(monthText) + "." + mmdd;
    }
    return date;
}

double ProposeVat(double amount)
{
    return std::trunc(amount * 0.1);
}

bool ShouldProposeVat(EditorMode mode, bool amountTextEmpty, double amount, double vat, double openedAmount)
{
    if (amountTextEmpty || vat != 0)
        return false;
    return mode != EditorMode::Editing || amount != openedAmount;
}

VatSplit SplitVatInclusive(double total)
{
    if (total == 0)
        return {total, 0};
    // nearbyint rounds halves to even in the default rounding mode.
    const double vat = std::nearbyint(total / 11);
    return {std::nearbyint(total - vat), vat};
}

std::string ProposeRemark(EditorMode mode, std::string_view remarkText, double vat)
{
    if (mode != EditorMode::Adding || !StripBlanks(remarkText).empty())
        return {};
    return vat != 0 ? kRemarkItems[0] : kRemarkItems[1];
}

bool DateTextAcceptable(std::string_view dateText)
{
    return IsDateDigits('.', dateText);
}

InputProblem CheckEntryInput(const EntryInput& input)
{
    if (!DateTextAcceptable(input.IDAY))
        return InputProblem::BadDate;
    if (StripBlanks(input.JKYU).empty())
        return InputProblem::NoDescription;
    if (input.amount + input.vat == 0)
        return InputProblem::NoAmount;
    return InputProblem::None;
}

const char* InputProblemMessage(InputProblem problem)
{
    switch (problem) {
    case InputProblem::BadDate: return kBadDateMessage;
    case InputProblem::NoDescription: return kNoDescriptionMessage;
    case InputProblem::NoAmount: return kNoAmountMessage;
    case InputProblem::None: break;
    }
    return "";
}

EntryInput EntryInputFromRow(const LedgerEntry& row, Category previous)
{
    EntryInput in;
    in.IDAY = row.IDAY.str();
    in.JKYU = row.JKYU.str();
    in.SANGHO = row.SANGHO.str();
    in.category = previous;
    if (row.INMNY + row.INVAT != 0)
        in.category = Category::Income;
    if (row.OTMNY + row.OTVAT != 0)
        in.category = Category::Expense;
    if (row.JSMNY + row.JSVAT != 0)
        in.category = Category::Asset;
    in.amount = row.INMNY + row.OTMNY + row.JSMNY;
    in.vat = row.INVAT + row.OTVAT + row.JSVAT;
    in.ETC = row.ETC.str();
    return in;
}

void WriteEntryInput(const EntryInput& input, LedgerEntry& row)
{
    row.IDAY = input.IDAY;
    row.JKYU = input.JKYU;
    row.SANGHO = input.SANGHO;
    const Category c = input.category == Category::None ? Category::Expense : input.category;
    row.INMNY = c == Category::Income ? input.amount : 0;
    row.INVAT = c == Category::Income ? input.vat : 0;
    row.OTMNY = c == Category::Expense ? input.amount : 0;
    row.OTVAT = c == Category::Expense ? input.vat : 0;
    row.JSMNY = c == Category::Asset ? input.amount : 0;
    row.JSVAT = c == Category::Asset ? input.vat : 0;
    row.ETC = input.ETC;
}

bool MoneyAsShown(const EntryInput& input, const LedgerEntry& row)
{
    const EntryInput shown = EntryInputFromRow(row, input.category);
    return shown.category == input.category && shown.amount == input.amount && shown.vat == input.vat;
}

EditTarget MarkEditTarget(const WorkingTable& table)
{
    EditTarget t;
    if (!table.isOpen() || table.isEmpty() || table.recNo() < 0)
        return t;
    t.mark = table.bookmark();
    t.original = table.current();
    t.valid = true;
    return t;
}

bool ReturnToEditTarget(WorkingTable& table, const EditTarget& target)
{
    if (!target.valid || !table.isOpen() || table.isEmpty())
        return false;
    // A bookmark of the same generation still names the same row.
    if (target.mark.generation == table.generation()) {
        table.gotoBookmark(target.mark);
        if (!table.isEmpty() && table.current() == target.original)
            return true;
    }
    // Rows changed meanwhile: look for the entry by its content. Two equal
    // entries are interchangeable, so the first one found will do.
    if (table.current() == target.original)
        return true;
    for (int i = 0; i < table.recordCount(); ++i) {
        if (table.visibleRow(i) == target.original) {
            table.moveTo(i);
            return true;
        }
    }
    return false;
}

bool StoreEntryInput(WorkingTable& table, EditorMode mode, const EditTarget& target, const EntryInput& input)
{
    if (mode == EditorMode::Adding) {
        WriteEntryInput(input, table.append());
    } else {
        if (!ReturnToEditTarget(table, target))
            return false;
        LedgerEntry& row = table.edit();
        if (MoneyAsShown(input, target.original)) {
            row.IDAY = input.IDAY;
            row.JKYU = input.JKYU;
            row.SANGHO = input.SANGHO;
            row.ETC = input.ETC;
        } else {
            WriteEntryInput(input, row);
        }
    }
    table.post();
    return true;
}

} // namespace quill
