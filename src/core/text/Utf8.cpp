// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/Utf8.h"

namespace quill {

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    std::size_t n;
    // The range the first continuation byte may take: narrower after E0
    // and F0 (no overlong form), ED (no surrogate) and F4 (nothing above
    // U+10FFFF).
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < n)
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string Utf8Characters(std::string_view utf8, std::size_t first, std::size_t count)
{
    std::string out;
    std::size_t index = 0;
    for (std::size_t i = 0; i < utf8.size() && index < first + count; ++index) {
        const std::size_t n = Utf8Step(utf8, i);
        if (index >= first)
            out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

std::string RepairUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            AppendUtf8(out, kReplacementCharacter);
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

Utf8Count CountUtf8(std::string_view text)
{
    Utf8Count count;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            ++count.bad;
            ++i;
        } else {
            count.wide += n > 1 ? 1 : 0;
            i += n;
        }
    }
    return count;
}

char32_t DecodeUtf8At(std::string_view utf8, std::size_t at)
{
    const std::size_t n = Utf8SequenceLength(utf8, at);
    if (n == 0)
        return kReplacementCharacter;
    const auto lead = static_cast<unsigned char>(utf8[at]);
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k)
        c = (c << 6) | (static_cast<unsigned char>(utf8[at + k]) & 0x3F);
    return c;
}

std::u32string DecodeUtf8(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); i += Utf8Step(utf8, i))
        out.push_back(DecodeUtf8At(utf8, i));
    return out;
}

void AppendUtf8(std::string& out, char32_t c)
{
    // A code point no UTF-8 may hold is written as U+FFFD, so the result
    // is always valid.
    if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, c);  // a lone surrogate comes out as U+FFFD
    }
    if (i < bytes.size())
        AppendUtf8(out, kReplacementCharacter);
    return out;
}

} // namespace quill
