// SPDX-License-Identifier: GPL-3.0-or-later
// Suggestions of texts already in the ledger, and the matching behind them
// and the find bar (초성 search, composing syllables, Latin case).
#include "TestFiles.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"
#include "core/editor/SuggestionIndex.h"
#include "core/view/LedgerFind.h"

#include <gtest/gtest.h>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }

LedgerEntry entry(const char* date, const char* jkyu, const char* sangho, const char* etc = "")
{
    LedgerEntry e = makeEntry(date, "", 0, 0, 1000, 100);
    e.JKYU = cp(jkyu);
    e.SANGHO = cp(sangho);
    e.ETC = cp(etc);
    return e;
}

using Texts = std::vector<std::string>;

} // namespace

struct MatchCase {
    const char* text;
    const char* query;
    bool composing;
    bool expected;
};

class HangulMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(HangulMatch, FromTheStart)
{
    const MatchCase& c = GetParam();
    EXPECT_EQ(MatchesAt(DecodeUtf8(c.text), 0, DecodeUtf8(c.query), c.composing), c.expected)
        << c.text << " / " << c.query;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HangulMatch,
    ::testing::Values(MatchCase{"서울상회", "서울", false, true}, MatchCase{"서울상회", "ㅅㅇㅅㅎ", false, true},
                      MatchCase{"서울상회", "ㅅㅇ", false, true}, MatchCase{"서울상회", "ㅇㅅ", false, false},
                      MatchCase{"서울상회", "서ㅇ", false, true}, MatchCase{"서울상회", "ㅆ", false, false},
                      // the syllable being composed
                      MatchCase{"서울상회", "서우", true, true}, MatchCase{"서울상회", "서우", false, false},
                      MatchCase{"서우리", "서울", true, true}, MatchCase{"서우리", "서울", false, false},
                      MatchCase{"과일", "고", true, true}, MatchCase{"읽기", "일", true, true},
                      MatchCase{"일기", "읽", true, true}, MatchCase{"서울상회", "서웅", true, false},
                      // Latin without case; other characters exactly
                      MatchCase{"ABC마트", "abc", false, true}, MatchCase{"abc", "ABC", false, true},
                      MatchCase{"ㄱ", "ㄱ", false, true}, MatchCase{"가", "ㄴ", false, false},
                      MatchCase{"짜장", "ㅈ", false, false}, MatchCase{"짜장", "ㅉㅈ", false, true}));

TEST(HangulText, SyllableArithmeticAndCp949Decoding)
{
    Syllable s;
    ASSERT_TRUE(SplitSyllable(U'한', s));
    EXPECT_EQ(s.initial, 18);
    EXPECT_EQ(s.medial, 0);
    EXPECT_EQ(s.final, 4);
    EXPECT_EQ(JoinSyllable(s), U'한');
    EXPECT_FALSE(SplitSyllable(U'A', s));
    EXPECT_EQ(cp949CodePoints(cp("서울 ABC ㅎ")), U"서울 ABC ㅎ");
    // A lone lead byte and a bad pair are replaced, the rest kept.
    EXPECT_EQ(cp949CodePoints(std::string("a\xb0", 2)), U"a\uFFFD");
    EXPECT_EQ(EncodeUtf8(DecodeUtf8("서울€")), "서울€");
}

TEST(SuggestionIndex, ByPrefixAndInitialsMostUsedThenMostRecent)
{
    WorkingTable t;
    t.appendRaw(entry("2024.01.01", "사무용품", "서울상회"));
    t.appendRaw(entry("2024.01.02", "사무용품", "서울상회"));
    t.appendRaw(entry("2024.01.03", "식대", "서울식당"));
    t.appendRaw(entry("2024.05.01", "세금", "성우전자"));
    t.appendRaw(entry("2024.02.01", "식비", "부산상회"));
    t.orderBy("IDAY");
    t.open();
    SuggestionIndex index;
    index.build(t);
    using F = SuggestionIndex::Field;
    EXPECT_EQ(index.suggest(F::Counterparty, "서울", 10), (Texts{"서울상회", "서울식당"}));
    EXPECT_EQ(index.suggest(F::Counterparty, "ㅅㅇ", 10), (Texts{"서울상회", "성우전자", "서울식당"}));
    EXPECT_EQ(index.suggest(F::Counterparty, "ㅅㅇㅅㅎ", 10), (Texts{"서울상회"}));
    EXPECT_EQ(index.suggest(F::Counterparty, "서", 1), (Texts{"서울상회"}));
    EXPECT_EQ(index.suggest(F::Description, "시", 10), (Texts{"식비", "식대"}));  // composing: 식
    EXPECT_EQ(index.suggest(F::Description, "사무용품", 10), Texts{});           // nothing to add
    EXPECT_EQ(index.suggest(F::Description, "", 10), Texts{});

    // Kept up to date: a new entry, then removing both of the most used.
    LedgerEntry more = entry("2024.06.01", "", "서울식당");
    t.appendRaw(more);
    index.add(more);
    t.appendRaw(entry("2024.06.02", "", "서울식당"));
    index.add(t.row(t.rowCount() - 1));
    EXPECT_EQ(index.suggest(F::Counterparty, "서울", 10), (Texts{"서울식당", "서울상회"}));
    EXPECT_EQ(index.count(F::Counterparty, cp("서울식당")), 3u);
}

TEST(SuggestionIndex, RemovingTheLatestFindsTheNextLatest)
{
    WorkingTable t;
    t.appendRaw(entry("2024.01.01", "a", "갑상회"));
    t.appendRaw(entry("2024.03.01", "b", "갑상회"));
    t.appendRaw(entry("2024.02.01", "c", "가나"));
    t.appendRaw(entry("2024.02.01", "d", "가나"));
    t.orderBy("IDAY");
    t.open();
    SuggestionIndex index;
    index.build(t);
    using F = SuggestionIndex::Field;
    // Equal counts: the more recent first.
    EXPECT_EQ(index.suggest(F::Counterparty, "ㄱ", 10), (Texts{"갑상회", "가나"}));
    t.last();
    ASSERT_EQ(t.current().JKYU.str(), "b");
    const LedgerEntry gone = t.current();
    t.deleteCurrent();
    index.remove(gone, t);
    EXPECT_EQ(index.suggest(F::Counterparty, "ㄱ", 10), (Texts{"가나", "갑상회"}));
    EXPECT_EQ(index.count(F::Counterparty, cp("갑상회")), 1u);
    // The last one gone: no suggestion any more.
    t.first();
    const LedgerEntry first = t.current();
    t.deleteCurrent();
    index.remove(first, t);
    EXPECT_EQ(index.suggest(F::Counterparty, "ㄱ", 10), (Texts{"가나"}));
}

TEST(SuggestionIndex, LatestEntryOfACounterparty)
{
    WorkingTable t;
    t.appendRaw(entry("2024.05.01", "x", "갑", "카드"));
    t.appendRaw(entry("2024.01.01", "y", "갑", "영"));
    t.appendRaw(entry("2024.05.01", "z", "을", "계"));
    t.orderBy("IDAY");
    t.open();
    const LedgerEntry* latest = LatestEntryOf(t, cp("갑"));
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(latest->JKYU.str(), "x");
    EXPECT_EQ(LatestEntryOf(t, cp("병")), nullptr);
    EXPECT_EQ(LatestEntryOf(t, ""), nullptr);
}

TEST(LedgerFind, SearchesTheShownRowsAndGoesRound)
{
    WorkingTable t;
    t.appendRaw(entry("2024.01.01", "ABC마트 구입", "서울상회"));
    t.appendRaw(entry("2024.02.01", "식대", "부산식당", "카드"));
    t.appendRaw(entry("2024.03.01", "교통비", "abc택시"));
    t.appendRaw(entry("2025.01.01", "abc", "x"));
    t.orderBy("IDAY");
    t.open();
    t.setFilter(LedgerFilter::fromControls(0, "2024", 0, "1년"));
    t.setFiltered(true);
    EXPECT_EQ(LedgerFind("abc").all(t), (std::vector<int>{0, 2}));  // not the 2025 row
    EXPECT_EQ(LedgerFind("ㅅㄷ").all(t), (std::vector<int>{1}));     // 식대 (and 부산식당)
    EXPECT_EQ(LedgerFind("ㅅ").all(t), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(LedgerFind("카드").all(t), (std::vector<int>{1}));     // the remark
    EXPECT_EQ(LedgerFind("€").all(t), std::vector<int>{});            // no CP949 form
    EXPECT_EQ(LedgerFind("").all(t), std::vector<int>{});
    // A byte pair inside a double-byte character is no match: "상" is BB F3,
    // and "\xbb" alone is no text.
    EXPECT_EQ(LedgerFind("회").all(t), (std::vector<int>{0}));
    const LedgerFind abc("ABC");
    EXPECT_EQ(abc.next(t, -1, false), 0);
    EXPECT_EQ(abc.next(t, 0, false), 2);
    EXPECT_EQ(abc.next(t, 2, false), 0);
    EXPECT_EQ(abc.next(t, 0, true), 2);
    EXPECT_EQ(abc.next(t, -1, true), 2);
    EXPECT_EQ(LedgerFind("없음").next(t, -1, false), -1);
}
