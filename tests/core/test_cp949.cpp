// SPDX-License-Identifier: GPL-3.0-or-later
// Text crosses into and out of CP949 only at the edges; nothing is dropped.
// UTF-8 is told from bytes that only look like it in one place.
#include "core/text/Cp949.h"
#include "core/text/TabSeparated.h"
#include "core/text/Utf8.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quill;

TEST(Cp949, RoundTripsKoreanAndAscii)
{
    for (const char* s : {"간편장부", "세계", "A-1 상회 (주)", "", "똠방각하", "①②"}) {
        Cp949Encoding e = encodeCp949(s);
        ASSERT_TRUE(e.bytes) << s;
        EXPECT_EQ(decodeCp949(*e.bytes), s);
    }
    EXPECT_EQ(cp949Length("가나"), 4u);
    EXPECT_EQ(cp949Length("ab"), 2u);
}

TEST(Cp949, RefusesWhatItCannotHold)
{
    for (const char* s : {"커피 😀", "ภาษา 환전", "\xFF\xFE"}) {
        Cp949Encoding e = encodeCp949(s);
        EXPECT_FALSE(e.bytes) << s;
        EXPECT_FALSE(e.rejected.empty()) << s;
    }
    EXPECT_EQ(encodeCp949("커피 😀").rejected, "😀");
    EXPECT_FALSE(cp949Length("😀"));
    // Invalid UTF-8 that iconv would pass (a surrogate, F5) is refused too,
    // and a text of the program's own that CP949 cannot hold is an error,
    // never an empty key.
    EXPECT_FALSE(encodeCp949("a\xED\xA0\x80").bytes);
    EXPECT_EQ(encodeCp949("a\xF5\x80\x80\x80").rejected, "\xF5");
    EXPECT_EQ(fixedCp949("구분"), *encodeCp949("구분").bytes);
    EXPECT_THROW(fixedCp949("😀"), std::logic_error);
}

// The one validator, byte by byte: what RFC 3629 allows and nothing else.
TEST(Utf8, SequencesRfc3629Allows)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::size_t length;  // of the sequence at 0; 0 for none
    };
    const Row rows[] = {
        {"ascii", "a", 1},
        {"two bytes", "\xC2\xA9", 2},
        {"hangul", "\xEA\xB0\x80", 3},
        {"four bytes", "\xF0\x9F\x98\x80", 4},
        {"last code point", "\xF4\x8F\xBF\xBF", 4},
        {"C0 overlong", "\xC0\xAF", 0},
        {"C1 overlong", "\xC1\xBF", 0},
        {"E0 overlong", "\xE0\x80\xAF", 0},
        {"F0 overlong", "\xF0\x80\x80\xAF", 0},
        {"surrogate", "\xED\xA0\x80", 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 0},
        {"F5", "\xF5\x80\x80\x80", 0},
        {"F6", "\xF6\x80\x80\x80", 0},
        {"F7", "\xF7\xBF\xBF\xBF", 0},
        {"F8", "\xF8\x88\x80\x80\x80", 0},
        {"FF", "\xFF", 0},
        {"continuation", "\x80", 0},
        {"cut off", "\xEA\xB0", 0},
        {"bad continuation", "\xEA\x41\x80", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Utf8SequenceLength(r.bytes, 0), r.length) << r.name;
        EXPECT_EQ(IsValidUtf8(r.bytes), r.length == r.bytes.size()) << r.name;
        // Every reader shows a byte that starts nothing as U+FFFD and goes on.
        const std::string repaired = RepairUtf8(r.bytes + "z");
        EXPECT_TRUE(IsValidUtf8(repaired)) << r.name;
        EXPECT_EQ(repaired.back(), 'z') << r.name;
        EXPECT_EQ(CountUtf8(r.bytes).bad == 0, r.length != 0) << r.name;
        if (r.length == 0)
            EXPECT_EQ(DecodeUtf8(r.bytes).front(), kReplacementCharacter) << r.name;
    }
    EXPECT_EQ(EncodeUtf8(DecodeUtf8("서울€😀")), "서울€😀");
    EXPECT_EQ(EncodeUtf8(U"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8Characters("2024.03.15", 5, 2), "03");
    EXPECT_EQ(Utf8Characters("가나다", 1, 5), "나다");
}

TEST(Utf16, PairsJoinedLoneHalvesAndOddBytesReplaced)
{
    const std::pair<std::string, std::string> little[] = {
        {std::string("A\0\0\xAC", 4), "A가"},
        {std::string("\x3D\xD8\x00\xDE", 4), "😀"},
        {std::string("\x3D\xD8" "A\0", 4), "\xEF\xBF\xBD" "A"},
        {std::string("\x00\xDE", 2), "\xEF\xBF\xBD"},
        {std::string("A\0B", 3), "A\xEF\xBF\xBD"},
    };
    for (const auto& [bytes, utf8] : little) {
        EXPECT_EQ(DecodeUtf16(bytes, false), utf8);
        std::string swapped = bytes;
        for (std::size_t i = 0; i + 1 < swapped.size(); i += 2)
            std::swap(swapped[i], swapped[i + 1]);
        EXPECT_EQ(DecodeUtf16(swapped, true), utf8);
    }
}

TEST(TabSeparated, CellsNeverSplitALine)
{
    std::string out;
    AppendTabLine(out, {"a\tb", "c\nd", "", "e\r"});
    AppendTabLine(out, std::vector<std::string>{"x"});
    EXPECT_EQ(out, "a b\tc d\t\te \nx\n");
    EXPECT_EQ(SplitTabLine("a b\tc d\t\te "), (std::vector<std::string>{"a b", "c d", "", "e "}));
}

TEST(Cp949, InvalidBytesAreShownNotLost)
{
    // 0x80 is not a CP949 lead byte; 0xB0 alone is an incomplete pair.
    EXPECT_EQ(decodeCp949("a\x80" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(decodeCp949Escaped("a\x80" "b\xB0"), "a\\x80b\\xB0");
    EXPECT_FALSE(isValidCp949("\xB0"));
    // A pair the converter only rejects at its final flush is still reported.
    EXPECT_FALSE(isValidCp949("\xA2\xE8"));
    EXPECT_EQ(decodeCp949Escaped("\xA2\xE8" "a"), "\\xA2\\xE8a");
    EXPECT_TRUE(isValidCp949("\xB0\xA1"));
}

TEST(Cp949, EscapedFormRoundTripsEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string escaped = decodeCp949Escaped(all);
    EXPECT_EQ(escaped.find('\t'), std::string::npos);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    Cp949Encoding back = encodeCp949Escaped(escaped);
    ASSERT_TRUE(back.bytes);
    EXPECT_EQ(*back.bytes, all);
    EXPECT_EQ(decodeCp949Escaped("a\\b\tc\r\n"), "a\\\\b\\tc\\r\\n");
}

TEST(Cp949, MalformedEscapesAreRefused)
{
    for (const char* s : {"\\", "\\q", "\\x4", "\\xZZ"})
        EXPECT_FALSE(encodeCp949Escaped(s).bytes) << s;
}
