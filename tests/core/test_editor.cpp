// SPDX-License-Identifier: GPL-3.0-or-later
// The entry editor's logic: proposals, checks, the money table and the row
// that an edit writes into.
#include "TestFiles.h"

#include "core/editor/EntryEditor.h"
#include "core/editor/EntryHistory.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/Money.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace quill;

TEST(EntryEditor, ProposesTheDateFromTheFilterAndToday)
{
    struct Case {
        const char* year;
        int monthIndex;
        const char* month;
        int todayMonth, todayDay;
        const char* expected;
    };
    const Case cases[] = {
        {"2024", 0, "1년", 3, 7, "2024.03.07"},
        {"2023", 2, "02", 5, 30, "2023.02.30"},     // not checked against the calendar
        {" 2 024 ", 12, " 12", 1, 1, "2024.12.01"},  // blanks removed
        {"2026", 0, "1년", 12, 31, "2026.12.31"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProposeEntryDate(c.year, c.monthIndex, c.month, c.todayMonth, c.todayDay), c.expected) << c.expected;
}

TEST(EntryEditor, ProposesTenPercentVatTruncatedTowardZero)
{
    const std::pair<double, double> cases[] = {{500, 50}, {15, 1}, {-15, -1}, {9, 0}, {0, 0},
                                               {999999999999, 99999999999}, {1234567, 123456}};
    for (auto [amount, vat] : cases)
        EXPECT_EQ(ProposeVat(amount), vat) << amount;
}

TEST(EntryEditor, ProposesVatForNewEntriesAndChangedAmountsOnly)
{
    using M = EditorMode;
    struct Case {
        M mode;
        bool amountEmpty;
        double amount, vat, opened;
        bool proposes;
    };
    const Case cases[] = {
        {M::Adding, false, 1000, 0, 0, true},
        {M::Adding, true, 0, 0, 0, false},             // amount field left empty
        {M::Adding, false, 1000, 7, 0, false},         // a VAT typed is never replaced
        {M::Editing, false, 900000, 0, 900000, false}, // 월세 booked without VAT stays so
        {M::Editing, false, 950000, 0, 900000, true},  // a changed amount gets the proposal
        {M::Editing, false, 950000, 5, 900000, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShouldProposeVat(c.mode, c.amountEmpty, c.amount, c.vat, c.opened), c.proposes)
            << int(c.mode) << ' ' << c.amount;
}

TEST(EntryEditor, SplitsVatInclusiveAmounts)
{
    struct Case {
        double total, amount, vat;
    };
    const Case cases[] = {{1100, 1000, 100}, {1000, 909, 91}, {-1100, -1000, -100}, {5, 5, 0}, {6, 5, 1}, {0, 0, 0}};
    for (const Case& c : cases) {
        VatSplit s = SplitVatInclusive(c.total);
        EXPECT_EQ(s.amount, c.amount) << c.total;
        EXPECT_EQ(s.vat, c.vat) << c.total;
        EXPECT_EQ(s.amount + s.vat, c.total);
    }
}

TEST(EntryEditor, ProposesTheRemarkOnlyWhileAddingAnEmptyRemark)
{
    EXPECT_EQ(ProposeRemark(EditorMode::Adding, "", 50), "세계");
    EXPECT_EQ(ProposeRemark(EditorMode::Adding, "   ", 0), "영");
    EXPECT_EQ(ProposeRemark(EditorMode::Adding, "카드", 50), "");
    EXPECT_EQ(ProposeRemark(EditorMode::Editing, "", 50), "");
    EXPECT_EQ(ProposeRemark(EditorMode::Idle, "", 50), "");
}

TEST(EntryEditor, ChecksTheInputInOrder)
{
    EntryInput ok{"2024.01.02", "desc", "", Category::None, 1000, 100, ""};
    EXPECT_EQ(CheckEntryInput(ok), InputProblem::None);

    EntryInput emptyDate = ok;
    emptyDate.IDAY = "    .  .  ";
    EXPECT_EQ(CheckEntryInput(emptyDate), InputProblem::None);  // an empty date passes

    for (const char* bad : {"2024.01.  ", "2   .  .  ", "2024.01.1 "}) {
        EntryInput e = ok;
        e.IDAY = bad;
        e.JKYU = "";  // the date is reported first
        EXPECT_EQ(CheckEntryInput(e), InputProblem::BadDate) << bad;
    }
    EntryInput blanks = ok;
    blanks.JKYU = "   ";
    blanks.amount = 0;
    blanks.vat = 0;
    EXPECT_EQ(CheckEntryInput(blanks), InputProblem::NoDescription);

    EntryInput zero = ok;
    zero.amount = 1000;
    zero.vat = -1000;
    EXPECT_EQ(CheckEntryInput(zero), InputProblem::NoAmount);

    EntryInput negative = ok;
    negative.amount = -500;
    negative.vat = 0;
    EXPECT_EQ(CheckEntryInput(negative), InputProblem::None);

    EXPECT_STREQ(InputProblemMessage(InputProblem::NoDescription), "거래내용이 입력되지 않았습니다.");
    EXPECT_STREQ(InputProblemMessage(InputProblem::NoAmount), "거래금액이 입력되지 않았습니다.");
    EXPECT_STREQ(InputProblemMessage(InputProblem::BadDate), "날짜입력 형식이 틀렸습니다. 예)2006.05.27");
}

TEST(EntryEditor, WritesMoneyIntoTheCategorysPair)
{
    struct Case {
        Category category;
        std::array<double, 6> money;
    };
    const Case cases[] = {
        {Category::Income, {500, 50, 0, 0, 0, 0}},
        {Category::Expense, {0, 0, 500, 50, 0, 0}},
        {Category::Asset, {0, 0, 0, 0, 500, 50}},
        {Category::None, {0, 0, 500, 50, 0, 0}},  // no choice counts as expense
    };
    for (const Case& c : cases) {
        LedgerEntry row = makeEntry("2000.01.01", "old", 1, 2, 3, 4, 5, 6);
        row.TAG = "X";
        row.CTG = 77;
        WriteEntryInput({"2024.05.06", " a b ", "shop", c.category, 500, 50, "세계"}, row);
        for (int f = 0; f < kMoneyFieldCount; ++f)
            EXPECT_EQ(moneyValue(row, f), c.money[static_cast<std::size_t>(f)]) << moneyFieldName(f);
        EXPECT_EQ(row.IDAY.view(), "2024.05.06");
        EXPECT_EQ(row.JKYU.view(), " a b ");  // stored as typed
        EXPECT_EQ(row.TAG.view(), "X");
        EXPECT_EQ(row.CTG, 77);
    }
}

TEST(EntryEditor, ReadsTheLastPairInUseAndKeepsTheCategoryOtherwise)
{
    EntryInput in = EntryInputFromRow(makeEntry("2024.01.01", "x", 100, 10, 0, 0, 30, 3), Category::None);
    EXPECT_EQ(in.category, Category::Asset);
    EXPECT_EQ(in.amount, 130);
    EXPECT_EQ(in.vat, 13);
    EXPECT_EQ(EntryInputFromRow(makeEntry("2024.01.01", "x", 0, 0), Category::Income).category, Category::Income);
    EXPECT_EQ(EntryInputFromRow(makeEntry("2024.01.01", "x", 0, 0, 5, -5), Category::Income).category,
              Category::Income);  // a pair summing to 0 is not in use
}

TEST(EntryEditor, RefusesAmountsTheLedgerFileCannotHold)
{
    EXPECT_TRUE(AmountFits(0));
    EXPECT_TRUE(AmountFits(919999999999999));
    EXPECT_TRUE(AmountFits(-919999999999999));
    EXPECT_FALSE(AmountFits(920000000000000));
    EXPECT_FALSE(AmountFits(-920000000000000));
    EXPECT_FALSE(AmountFits(NAN));
    EXPECT_FALSE(AmountFits(INFINITY));
    // Whatever passes also passes the file's range, with any VAT beside it.
    EXPECT_TRUE(toTenThousandths(919999999999999).has_value());
}

namespace {

struct EditFixture : ::testing::Test {
    WorkingTable t;
    void SetUp() override
    {
        t.setNewRowHook([](LedgerEntry& e) {
            e.TAG = "N";
            e.CTG = 0;
        });
        t.appendRaw(makeEntry("2024.01.01", "a", 0, 0, 100, 10));
        t.appendRaw(makeEntry("2024.02.01", "b", 0, 0, 200, 20));
        t.appendRaw(makeEntry("2024.03.01", "c", 0, 0, 300, 30));
        t.orderBy("IDAY");
        t.open();
    }
    std::string names() const
    {
        std::string s;
        for (std::size_t i = 0; i < t.rowCount(); ++i)
            s += t.row(i).JKYU.str() + ";";
        return s;
    }
    EntryInput input(const char* jkyu) const { return {"2024.02.15", jkyu, "", Category::Income, 7, 1, ""}; }
};

} // namespace

TEST_F(EditFixture, AddingAppendsInDateOrderWithTheNewRowMarks)
{
    ASSERT_TRUE(StoreEntryInput(t, EditorMode::Adding, {}, input("new")));
    EXPECT_EQ(names(), "a;b;new;c;");
    EXPECT_EQ(t.row(2).TAG.view(), "N");
    EXPECT_EQ(t.current().JKYU.view(), "new");
}

TEST_F(EditFixture, EditWritesIntoTheMarkedRowEvenWhenTheCursorMoved)
{
    t.moveTo(1);
    EditTarget target = MarkEditTarget(t);
    t.moveTo(2);  // the grid stays usable while the panel is open
    ASSERT_TRUE(StoreEntryInput(t, EditorMode::Editing, target, input("b2")));
    EXPECT_EQ(names(), "a;b2;c;");
    EXPECT_EQ(t.row(2).OTMNY, 300);
}

TEST_F(EditFixture, EditFindsItsRowAfterOtherRowsChanged)
{
    t.moveTo(2);
    EditTarget target = MarkEditTarget(t);
    t.moveTo(0);
    t.deleteCurrent();  // the bookmark is stale now
    ASSERT_TRUE(StoreEntryInput(t, EditorMode::Editing, target, input("c2")));
    EXPECT_EQ(names(), "b;c2;");
}

TEST_F(EditFixture, EditOfADeletedRowStoresNothing)
{
    t.moveTo(1);
    EditTarget target = MarkEditTarget(t);
    t.deleteCurrent();
    EXPECT_FALSE(StoreEntryInput(t, EditorMode::Editing, target, input("lost")));
    EXPECT_EQ(names(), "a;c;");
    EXPECT_FALSE(t.isEditing());
}

TEST(EntryEditor, AnEditKeepsItsPlaceAmongTheEntriesOfItsDate)
{
    struct Case {
        int row;              // the row edited
        const char* date;     // its date after the edit
        bool moneyToo;        // the amount changed as well
        const char* expected; // all rows after the edit
    };
    const Case cases[] = {
        {1, "2024.11.05", false, "a;X;y;z;d;"},
        {1, "2024.11.05", true, "a;X;y;z;d;"},
        {3, "2024.11.05", true, "a;x;y;X;d;"},
        {2, "2024.11.05", false, "a;x;X;z;d;"},
        // A new date goes after the entries of that day.
        {1, "2024.11.04", false, "a;X;y;z;d;"},
        {3, "2024.11.04", false, "a;X;x;y;d;"},
        {1, "2024.11.06", true, "a;y;z;d;X;"},
    };
    for (const Case& c : cases) {
        WorkingTable t;
        t.appendRaw(makeEntry("2024.11.04", "a", 0, 0, 1, 0));
        t.appendRaw(makeEntry("2024.11.05", "x", 0, 0, 2, 0));
        t.appendRaw(makeEntry("2024.11.05", "y", 0, 0, 3, 0));
        t.appendRaw(makeEntry("2024.11.05", "z", 0, 0, 4, 0));
        t.appendRaw(makeEntry("2024.11.06", "d", 0, 0, 5, 0));
        t.orderBy("IDAY");
        t.open();
        t.moveTo(c.row);
        EntryInput in = EntryInputFromRow(t.current(), Category::None);
        in.IDAY = c.date;
        in.JKYU = "X";
        if (c.moneyToo)
            in.amount += 1000;
        std::optional<LedgerChange> change = StoreEntryRecorded(t, EditorMode::Editing, MarkEditTarget(t), in);
        ASSERT_TRUE(change.has_value());
        std::string names;
        for (std::size_t i = 0; i < t.rowCount(); ++i)
            names += t.row(i).JKYU.str() + ";";
        EXPECT_EQ(names, c.expected) << c.row << " " << c.date;
        EXPECT_EQ(t.current().JKYU.view(), "X");
        // Undone, the ledger is as it was.
        ASSERT_TRUE(change->undo(t));
        names.clear();
        for (std::size_t i = 0; i < t.rowCount(); ++i)
            names += t.row(i).JKYU.str() + ";";
        EXPECT_EQ(names, "a;x;y;z;d;") << c.row << " " << c.date;
    }
}

TEST(EntryEditor, AnEditThatLeavesTheMoneyAloneKeepsEveryPair)
{
    WorkingTable t;
    t.appendRaw(makeEntry("2024.01.01", "two pairs", 1000, 100, 500, 50));
    t.open();
    const std::array<double, 6> before{1000, 100, 500, 50, 0, 0};
    struct Case {
        const char* what;
        double amountChange;
        double vatChange;
        Category category;  // None: as shown
        std::array<double, 6> after;
    };
    const Case cases[] = {
        {"texts only", 0, 0, Category::None, before},
        {"amount changed", 1, 0, Category::None, {0, 0, 1501, 150, 0, 0}},
        {"VAT changed", 0, -150, Category::None, {0, 0, 1500, 0, 0, 0}},
        {"category changed", 0, 0, Category::Income, {1500, 150, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        t.moveTo(0);
        for (int f = 0; f < kMoneyFieldCount; ++f)
            setMoneyValue(t.edit(), f, before[static_cast<std::size_t>(f)]);
        t.post();
        EditTarget target = MarkEditTarget(t);
        EntryInput in = EntryInputFromRow(t.current(), Category::None);
        EXPECT_EQ(in.category, Category::Expense) << c.what;
        in.JKYU = "changed text";
        in.amount += c.amountChange;
        in.vat += c.vatChange;
        if (c.category != Category::None)
            in.category = c.category;
        ASSERT_TRUE(StoreEntryInput(t, EditorMode::Editing, target, in)) << c.what;
        EXPECT_EQ(t.current().JKYU.view(), "changed text") << c.what;
        for (int f = 0; f < kMoneyFieldCount; ++f)
            EXPECT_EQ(moneyValue(t.current(), f), c.after[static_cast<std::size_t>(f)]) << c.what << " " << moneyFieldName(f);
    }
}

TEST(EntryEditor, FieldTextsCp949CannotHoldOrTooLongGetANote)
{
    struct Case {
        const char* text;
        std::size_t maxBytes;
        FieldTextCheck::Result result;
        const char* note;
    };
    const Case cases[] = {
        {"한국전력공사", 12, FieldTextCheck::Result::Fits, ""},
        {"한국전력공사a", 12, FieldTextCheck::Result::TooLong, "더 입력할 수 없습니다 (최대 12바이트, 한글 6자)"},
        {"가나다라마바사아자차카타파하가나다라마바사아", 43, FieldTextCheck::Result::TooLong,
         "더 입력할 수 없습니다 (최대 43바이트, 한글 21자)"},
        {"가₩", 43, FieldTextCheck::Result::Unholdable, "저장할 수 없는 문자입니다: ₩"},
        {"café", 33, FieldTextCheck::Result::Unholdable, "저장할 수 없는 문자입니다: é"},
        {"😀", 33, FieldTextCheck::Result::Unholdable, "저장할 수 없는 문자입니다: 😀"},
        {"", 12, FieldTextCheck::Result::Fits, ""},
    };
    for (const Case& c : cases) {
        const FieldTextCheck check = CheckFieldText(c.text, c.maxBytes);
        EXPECT_EQ(check.result, c.result) << c.text;
        EXPECT_EQ(FieldRefusalNote(check, c.maxBytes), c.note) << c.text;
    }
}
