// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/DigitGroups.h"

#include <algorithm>

namespace quill {

std::string GroupDigits(std::string_view plain)
{
    const std::size_t start = !plain.empty() && (plain[0] == '-' || plain[0] == '+') ? 1 : 0;
    const std::size_t end = std::min(plain.find('.'), plain.size());
    for (std::size_t i = start; i < end; ++i)
        if (plain[i] < '0' || plain[i] > '9')
            return std::string(plain);
    std::string out(plain.substr(0, start));
    for (std::size_t i = start; i < end; ++i) {
        if (i > start && (end - i) % 3 == 0)
            out += ',';
        out += plain[i];
    }
    out.append(plain.substr(end));
    return out;
}

} // namespace quill
