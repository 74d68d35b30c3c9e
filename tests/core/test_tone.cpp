// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tone/ToneSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int SignChanges(const std::vector<std::int16_t>& s)
{
    int changes = 0;
    int last = 0;
    for (std::int16_t v : s) {
        const int sign = (v > 0) - (v < 0);
        if (sign != 0 && last != 0 && sign != last)
            ++changes;
        if (sign != 0)
            last = sign;
    }
    return changes;
}

TEST(ToneSamples, ProgramToneHasItsLengthPitchAndSoftEdges)
{
    const auto s = quill::ToneSamples(750, 25, 48000);
    ASSERT_EQ(s.size(), 1200u);  // 25 ms at 48 kHz
    // 750 Hz for 25 ms is 18.75 periods: two sign changes each.
    EXPECT_NEAR(SignChanges(s), 37, 1);
    // Starts and ends in silence, rises smoothly: no click.
    EXPECT_EQ(s.front(), 0);
    EXPECT_LE(std::abs(s.back()), 200);
    const int peak = std::abs(*std::max_element(s.begin(), s.end(), [](auto a, auto b) {
        return std::abs(a) < std::abs(b);
    }));
    EXPECT_NEAR(peak, 0.4 * 32767, 0.4 * 32767 * 0.02);
    for (std::size_t i = 1; i < s.size(); ++i)
        EXPECT_LE(std::abs(s[i] - s[i - 1]), 0.4 * 32767 * 2 * M_PI * 750 / 48000 + 2) << i;
    // The first and last 3 ms stay below full level.
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_LT(std::abs(s[i]), peak * 0.98) << i;
        EXPECT_LT(std::abs(s[s.size() - 1 - i]), peak * 0.98) << i;
    }
}

TEST(ToneSamples, PitchFollowsTheRate)
{
    const auto s = quill::ToneSamples(1000, 100, 8000);
    ASSERT_EQ(s.size(), 800u);
    EXPECT_NEAR(SignChanges(s), 199, 1);
}

TEST(ToneSamples, NothingForFiguresThatMakeNoTone)
{
    struct Case {
        int hertz, ms, rate;
    } cases[] = {{0, 25, 48000}, {750, 0, 48000}, {750, -5, 48000}, {-750, 25, 48000},
                 {750, 25, 0},   {24000, 25, 48000}, {30000, 25, 48000}};
    for (const Case& c : cases)
        EXPECT_TRUE(quill::ToneSamples(c.hertz, c.ms, c.rate).empty()) << c.hertz << " " << c.ms << " " << c.rate;
}

TEST(ToneSamples, VeryShortToneStillFadesAndStaysInRange)
{
    const auto s = quill::ToneSamples(750, 1, 48000, 5.0);  // amplitude clamped to full scale
    ASSERT_EQ(s.size(), 48u);
    EXPECT_EQ(s.front(), 0);
    EXPECT_LE(std::abs(s.back()), 32767 / 2);
}

} // namespace
