// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/TextWrap.h"

#include "core/text/Utf8.h"

namespace quill {

double EstimatedWidthEm(std::string_view character)
{
    const char32_t u = character.empty() ? 0 : DecodeUtf8At(character, 0);
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2460 && u <= 0x24FF)  // circled numbers
        || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF)
        || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)
        || u >= 0x20000;
    return wide ? 1.0 : 0.65;
}

std::vector<std::string> WrapText(std::string_view text, double width, const CharWidth& measure)
{
    std::vector<std::string> lines;
    std::string line;
    double used = 0;
    // Where the current line may break: just after its last blank.
    std::size_t breakAt = std::string::npos;
    double widthAtBreak = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Step(text, i);
        const std::string_view c = text.substr(i, n);
        i += n;
        if (c == "\n" || c == "\r") {
            lines.push_back(std::move(line));
            line.clear();
            used = 0;
            breakAt = std::string::npos;
            continue;
        }
        const double w = measure(c);
        if (used + w > width && !line.empty()) {
            if (c == " ") {  // a blank at the end of a line is dropped
                lines.push_back(std::move(line));
                line.clear();
                used = 0;
                breakAt = std::string::npos;
                continue;
            }
            if (breakAt != std::string::npos && breakAt > 0) {
                std::string rest = line.substr(breakAt);
                line.resize(breakAt - 1);  // without the blank
                lines.push_back(std::move(line));
                line = std::move(rest);
                used -= widthAtBreak;
            } else {
                lines.push_back(std::move(line));
                line.clear();
                used = 0;
            }
            breakAt = std::string::npos;
        }
        line.append(c);
        used += w;
        if (c == " ") {
            breakAt = line.size();
            widthAtBreak = used;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

} // namespace quill
