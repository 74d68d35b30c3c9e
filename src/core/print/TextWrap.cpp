// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/TextWrap.h"

namespace quill {

namespace {

char32_t codePoint(std::string_view c)
{
    auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(c[i])); };
    switch (c.size()) {
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default: return c.empty() ? 0 : b(0);
    }
}

} // namespace

double EstimatedWidthEm(std::string_view character)
{
    const char32_t u = codePoint(character);
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
        const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
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
