// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/Glyphpad/GlyphTable.h"
#include "core/text/Cp949.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using glyphpad::GlyphPages;

TEST(GlyphTable, EveryOfferedCharacterIsTwoCp949BytesAndComesBack)
{
    std::size_t offered = 0;
    for (const auto& page : GlyphPages()) {
        for (const std::string& g : page.glyphs) {
            // Checked with the program's own conversion, not the picker's.
            const quill::Cp949Encoding e = quill::encodeCp949(g);
            ASSERT_TRUE(e.bytes) << page.name << " " << g;
            EXPECT_EQ(e.bytes->size(), 2u) << page.name << " " << g;
            EXPECT_EQ(quill::decodeCp949(*e.bytes), g) << page.name << " " << g;
            ++offered;
        }
    }
    EXPECT_GT(offered, 300u);
}

TEST(GlyphTable, PagesHaveKoreanNamesAndNoCharacterTwice)
{
    ASSERT_GE(GlyphPages().size(), 6u);
    std::set<std::string> names;
    for (const auto& page : GlyphPages()) {
        EXPECT_FALSE(page.glyphs.empty()) << page.name;
        EXPECT_TRUE(names.insert(page.name).second) << page.name;
        // Each name begins with a Hangul syllable.
        const std::u32string first = [&] {
            std::u32string s;
            const auto* p = reinterpret_cast<const unsigned char*>(page.name.data());
            if (page.name.size() >= 3 && (p[0] & 0xF0) == 0xE0)
                s.push_back(char32_t(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
            return s;
        }();
        ASSERT_FALSE(first.empty()) << page.name;
        EXPECT_TRUE(first[0] >= U'가' && first[0] <= U'힣') << page.name;
        std::set<std::string> seen;
        for (const std::string& g : page.glyphs)
            EXPECT_TRUE(seen.insert(g).second) << page.name << " " << g;
    }
}

TEST(GlyphTable, OffersWhatBookkeepersLookFor)
{
    std::set<std::string> all;
    for (const auto& page : GlyphPages())
        all.insert(page.glyphs.begin(), page.glyphs.end());
    for (const char* g : {"㎏", "㎡", "㎖", "㎞", "㎝", "㎜", "㏄", "℃", "㎎", "㎘", "①", "⑮", "⑴", "ⓐ", "㉠", "㈀",
                          "㈜", "㈔", "℡", "№", "™", "※", "☆", "★", "○", "●", "◎", "◇", "◆", "□", "■", "△",
                          "▲", "▽", "▼", "→", "⇒", "￦"})
        EXPECT_TRUE(all.count(g)) << g;
    // The won sign U+20A9 and the copyright sign have no CP949 form; the
    // fullwidth won sign U+FFE6 stands for the first.
    EXPECT_FALSE(all.count("₩"));
    EXPECT_FALSE(all.count("©"));
}

TEST(GlyphTable, FilterKeepsOnlyTwoByteCp949Characters)
{
    const std::vector<std::string> candidates = {"㎏", "₩", "©", "😀", "a", "가", "ab", "", "\xff", "￦", "é"};
    EXPECT_EQ(glyphpad::HeldByCp949(candidates), (std::vector<std::string>{"㎏", "가", "￦"}));
    EXPECT_EQ(glyphpad::SplitCharacters("a㎏😀"), (std::vector<std::string>{"a", "㎏", "😀"}));
}

TEST(GlyphTable, PageKeysGoRoundTheEnds)
{
    struct Case {
        int current, step, count, expected;
    } cases[] = {{0, 1, 9, 1}, {8, 1, 9, 0}, {0, -1, 9, 8}, {4, -1, 9, 3}, {3, 10, 9, 4}, {0, 1, 0, 0}, {0, -1, 1, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(glyphpad::StepPage(c.current, c.step, c.count), c.expected)
            << c.current << " " << c.step << " " << c.count;
}

TEST(GlyphTable, ResultIsTheChoiceOrNon)
{
    EXPECT_EQ(glyphpad::PickResult(std::string("㈜")), "㈜");
    EXPECT_EQ(glyphpad::PickResult(std::nullopt), "Non");
    EXPECT_EQ(glyphpad::PickResult(std::string()), "Non");
}

} // namespace
