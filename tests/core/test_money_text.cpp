// SPDX-License-Identifier: GPL-3.0-or-later
// Money arithmetic and the text helpers: the exact texts users see.
#include "core/text/DigitGroups.h"
#include "core/text/TextHelpers.h"
#include "core/ledger/Money.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace quill;

TEST(Money, ScalesWithHalvesToEven)
{
    struct Case { double amount; std::int64_t stored; };
    const Case cases[] = {
        {0.03125, 312}, {0.09375, 938}, {-1, -10000}, {0, 0}, {1234.5, 12345000},
        {-0.03125, -312}, {0.15625, 1562}, {-250.5, -2505000}, {0.0001220703125, 1}, {922337203685477.0, 9223372036854770000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toTenThousandths(c.amount), c.stored) << c.amount;
}

TEST(Money, RefusesWhatTheFileCannotHold)
{
    EXPECT_FALSE(toTenThousandths(9.3e14));
    EXPECT_FALSE(toTenThousandths(-9.3e14));
    EXPECT_FALSE(toTenThousandths(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(toTenThousandths(std::nan("")));
    EXPECT_TRUE(toTenThousandths(9.2e14));
}

TEST(Money, ReadsBackFourDecimals)
{
    // Up to 2^52 ten-thousandths a write after a read gives the same value.
    for (std::int64_t v : {312LL, -10000LL, 1LL, -1LL, 12345678LL, 4503599627370495LL, -4503599627370495LL})
        EXPECT_EQ(toTenThousandths(fromTenThousandths(v)), v) << v;
    EXPECT_DOUBLE_EQ(fromTenThousandths(312), 0.0312);
}

TEST(Money, WholeWonShortcutsGiveWhatExtendedPrecisionGives)
{
    // Around the shortcut's limit (2^49 won), at the file's range and in
    // between: the conversions must not depend on the path they take.
    std::vector<std::int64_t> stored{0, 1, -1, 10000, -10000, 9999, 10001, 50000, -50000,
                                     INT64_MAX, INT64_MIN, INT64_MAX - 9999, INT64_MIN + 10000};
    for (std::int64_t won : {562949953421311LL, 562949953421312LL, 562949953421313LL, 922337203685477LL,
                             4503599627370495LL / 10000, 123456789LL})
        for (std::int64_t sign : {1, -1})
            for (std::int64_t extra : {0, 1, 5000, 9999}) {
                const __int128 v = static_cast<__int128>(sign) * (static_cast<__int128>(won) * 10000 + extra);
                if (v >= INT64_MIN && v <= INT64_MAX)
                    stored.push_back(static_cast<std::int64_t>(v));
            }
    std::uint64_t x = 88172645463325252ULL;
    for (int k = 0; k < 20000; ++k) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        const auto v = static_cast<std::int64_t>(x);
        stored.push_back(v);
        stored.push_back(v / 10000 * 10000);
        stored.push_back((v >> (x % 40)) / 10000 * 10000);
    }
    for (std::int64_t v : stored) {
        const double d = fromTenThousandths(v);
        EXPECT_EQ(d, fromTenThousandthsExtended(v)) << v;
        EXPECT_TRUE(toWideTenThousandths(d) == toWideTenThousandthsExtended(d)) << v;
    }
    for (double d : {0.5, -0.5, 1e300, -1e300, 562949953421312.0, -562949953421312.0, 562949953421311.0,
                     std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_TRUE(toWideTenThousandths(d) == toWideTenThousandthsExtended(d)) << d;
}

TEST(Money, PlainDecimalIsShortest)
{
    EXPECT_EQ(plainDecimal(12340000), "1234");
    EXPECT_EQ(plainDecimal(-2505000), "-250.5");
    EXPECT_EQ(plainDecimal(312), "0.0312");
    EXPECT_EQ(plainDecimal(-1), "-0.0001");
    EXPECT_EQ(plainDecimal(0), "0");
    WideTenths huge = static_cast<WideTenths>(INT64_MAX) * 4;
    EXPECT_EQ(plainDecimal(huge), "3689348814741910.3228");
}

TEST(Money, ParsesOnlyPlainDecimals)
{
    EXPECT_EQ(parsePlainDecimal("1234"), 12340000);
    EXPECT_EQ(parsePlainDecimal("-250.5"), -2505000);
    EXPECT_EQ(parsePlainDecimal("0.0312"), 312);
    EXPECT_EQ(parsePlainDecimal(".5"), 5000);
    EXPECT_EQ(parsePlainDecimal("0.00005"), 0);       // half to even
    EXPECT_EQ(parsePlainDecimal("0.00015"), 2);
    EXPECT_EQ(parsePlainDecimal("0.000051"), 1);
    EXPECT_EQ(parsePlainDecimal("-922337203685477.5808"), INT64_MIN);
    for (const char* bad : {"", "-", ".", "1e3", "1,000", " 1", "0x10", "12a", "922337203685477.5808", "nan"})
        EXPECT_FALSE(parsePlainDecimal(bad)) << bad;
}

TEST(TextHelpers, StripBlanksKeepsOtherWhiteSpace)
{
    EXPECT_EQ(StripBlanks(" 12  34 "), "1234");
    EXPECT_EQ(StripBlanks(""), "");
    EXPECT_EQ(StripBlanks("   "), "");
    EXPECT_EQ(StripBlanks("a\tb\n"), "a\tb\n");
}

TEST(TextHelpers, IsDateDigitsCountsOnly)
{
    EXPECT_TRUE(IsDateDigits('.', "2006.05.27"));
    EXPECT_TRUE(IsDateDigits('.', "    .  .  "));
    EXPECT_FALSE(IsDateDigits('.', "2006.05.2 "));
    EXPECT_TRUE(IsDateDigits('.', "abcd.ef.gh"));
    EXPECT_FALSE(IsDateDigits('.', "2006.05.271"));
}

TEST(TextHelpers, Pad)
{
    EXPECT_EQ(PadLeftText(' ', "7", 300).size(), 255u);
    EXPECT_EQ(PadLeftText(' ', "12", 5), "   12");
    EXPECT_EQ(PadLeftText(' ', "123456", 5), "123456");
    EXPECT_EQ(PadLeftText('*', "\t 12 \r\n", 4), "**12");
    // Widths count CP949 bytes: one syllable is two bytes.
    EXPECT_EQ(PadLeftText(' ', "\xB0\xA1", 4), "  \xB0\xA1");
}

// Every amount text groups its digits one way: whole won (rounded half
// away from zero, never "-0") and exact amounts (every decimal place kept).
TEST(DigitGroups, WholeWonAndExactAmountsGroupAlike)
{
    struct Case {
        WideTenths tenths;
        const char* won;
        const char* exact;
    };
    const Case cases[] = {
        {0, "0", "0"},
        {9990000, "999", "999"},
        {10000000, "1,000", "1,000"},
        {-1000000, "-100", "-100"},
        {-15000000, "-1,500", "-1,500"},
        {12345670000, "1,234,567", "1,234,567"},
        {12345675000, "1,234,568", "1,234,567.5"},
        {-12345675000, "-1,234,568", "-1,234,567.5"},
        {-4000, "0", "-0.4"},
        {312, "0", "0.0312"},
        {-312, "0", "-0.0312"},
        {10000000000000, "1,000,000,000", "1,000,000,000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(groupedWon(c.tenths), c.won) << c.exact;
        EXPECT_EQ(groupedAmount(c.tenths), c.exact) << c.won;
    }
    // Texts of other shapes pass unchanged; a sign and decimals stay.
    for (const auto& [plain, grouped] : std::vector<std::pair<const char*, const char*>>{
             {"", ""}, {"12", "12"}, {"+1234", "+1,234"}, {"1234.56789", "1,234.56789"}, {"12a4567", "12a4567"}})
        EXPECT_EQ(GroupDigits(plain), grouped) << plain;
}

TEST(TextHelpers, CurrencyToTextShowsTheRealAmount)
{
    EXPECT_EQ(CurrencyToText(13, 12340000), std::string(8, ' ') + "1,234");
    EXPECT_EQ(CurrencyToText(12, -15000000), std::string(6, ' ') + "-1,500");
    EXPECT_EQ(CurrencyToText(13, 0), std::string(12, ' ') + "0");
    // Fourteen characters of plain text: a nonzero total must not read 0.
    EXPECT_EQ(CurrencyToText(13, static_cast<WideTenths>(100000000000000) * 10000 / 10),
              "10,000,000,000,000");
    EXPECT_EQ(CurrencyToText(12, 1), std::string(11, ' ') + "0");
}
