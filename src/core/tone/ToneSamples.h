// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <vector>

namespace quill {

// The program's short tone as signed 16-bit mono samples at `rate` frames a
// second: a sine of `hertz` lasting `milliseconds`, faded in and out over a
// few milliseconds so that the speaker does not click. Empty when any
// figure is not positive or the pitch cannot be sampled at that rate.
std::vector<std::int16_t> ToneSamples(int hertz, int milliseconds, int rate, double amplitude = 0.4);

} // namespace quill
