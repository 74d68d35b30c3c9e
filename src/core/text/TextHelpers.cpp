// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/TextHelpers.h"

#include "core/text/Cp949.h"

#include <algorithm>
#include <cstdio>

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

namespace {

// The length of the valid UTF-8 sequence at `at`, 0 when there is none.
std::size_t utf8Sequence(std::string_view s, std::size_t at)
{
    const auto b = static_cast<unsigned char>(s[at]);
    const std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    if (n == 0 || at + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool isUtf8(std::string_view s)
{
    for (std::size_t i = 0, n = 0; i < s.size(); i += n)
        if ((n = utf8Sequence(s, i)) == 0)
            return false;
    return true;
}

} // namespace

std::string DisplayFileName(std::string_view path)
{
    std::string out;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        if (isUtf8(part)) {
            out += part;
        } else if (isValidCp949(part)) {
            out += decodeCp949(part);
        } else {
            for (std::size_t i = 0; i < part.size();) {
                const std::size_t n = utf8Sequence(part, i);
                if (n) {
                    out += part.substr(i, n);
                    i += n;
                    continue;
                }
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(part[i++]));
                out += escaped;
            }
        }
        if (slash < path.size())
            out += '/';
        start = slash + 1;
    }
    return out;
}

} // namespace quill
