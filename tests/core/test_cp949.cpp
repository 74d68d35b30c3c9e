// SPDX-License-Identifier: GPL-3.0-or-later
// Text crosses into and out of CP949 only at the edges; nothing is dropped.
#include "core/text/Cp949.h"

#include <gtest/gtest.h>

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
