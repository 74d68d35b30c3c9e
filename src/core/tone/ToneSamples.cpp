// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tone/ToneSamples.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quill {

std::vector<std::int16_t> ToneSamples(int hertz, int milliseconds, int rate, double amplitude)
{
    if (hertz <= 0 || milliseconds <= 0 || rate <= 0 || 2 * static_cast<long long>(hertz) >= rate)
        return {};
    const std::size_t count = static_cast<std::size_t>(static_cast<long long>(rate) * milliseconds / 1000);
    // 3 ms of fade each side, less for very short tones.
    const std::size_t fade = std::min<std::size_t>(static_cast<std::size_t>(rate) * 3 / 1000, count / 4);
    const double level = std::clamp(amplitude, 0.0, 1.0) * 32767.0;
    const double step = 2.0 * std::numbers::pi * hertz / rate;
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        const std::size_t edge = std::min(i, count - 1 - i);
        if (edge < fade)  // raised cosine from 0 to 1
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(edge) / fade);
        samples[i] = static_cast<std::int16_t>(std::lround(level * gain * std::sin(step * static_cast<double>(i))));
    }
    return samples;
}

} // namespace quill
