// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/TextHelpers.h"

#include <algorithm>

namespace quill {

namespace {

int clampWidth(int w) { return std::clamp(w, 0, 255); }

std::string_view trimControls(std::string_view s)
{
    auto isTrim = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!s.empty() && isTrim(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isTrim(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string fillLeft(std::string s, int width)
{
    width = clampWidth(width);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

} // namespace

std::string StripBlanks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

bool IsDateDigits(char separator, std::string_view text)
{
    std::size_t n = 0;
    for (char c : text)
        if (c != separator && c != ' ')
            ++n;
    return n == 8 || n == 0;
}

std::string PadLeftText(char fill, std::string_view text, int width)
{
    std::string_view t = trimControls(text);
    width = clampWidth(width);
    if (static_cast<int>(t.size()) < width)
        return std::string(static_cast<std::size_t>(width) - t.size(), fill) + std::string(t);
    return std::string(t);
}

std::string CurrencyToText(int width, WideTenths amount)
{
    return fillLeft(groupedWon(amount), width);
}

} // namespace quill
