// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// UTF-8 and UTF-16, the one place that tells valid UTF-8 from bytes that
// only look like it. A valid sequence is what RFC 3629 allows: C0, C1 and
// F5..FF never start one, nor does an overlong form, a surrogate
// (U+D800..DFFF) or anything above U+10FFFF.

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Bytes of the valid sequence that starts at text[at], or 0 when none does
// (a stray continuation byte, a bad lead byte, a cut-off or overlong
// sequence, a surrogate).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Bytes to step over at text[at] when walking a text: the sequence's
// length, or 1 for a byte that starts none (it then stands for U+FFFD).
inline std::size_t Utf8Step(std::string_view text, std::size_t at)
{
    const std::size_t n = Utf8SequenceLength(text, at);
    return n ? n : 1;
}

bool IsValidUtf8(std::string_view text);

// Characters `first` .. `first`+`count`-1 (from 0) of a UTF-8 text; fewer
// or none when the text is shorter.
std::string Utf8Characters(std::string_view utf8, std::size_t first, std::size_t count);

// The text with every byte that starts no valid sequence as U+FFFD.
std::string RepairUtf8(std::string_view text);

// How much of a text of unknown encoding reads as UTF-8: the bytes that
// start no valid sequence and the non-ASCII characters that are valid.
struct Utf8Count {
    std::size_t bad = 0;
    std::size_t wide = 0;
};
Utf8Count CountUtf8(std::string_view text);

// Code points of UTF-8 text; a byte that starts no valid sequence becomes
// U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);
// The code point that starts at utf8[at] (its length is Utf8Step's).
char32_t DecodeUtf8At(std::string_view utf8, std::size_t at);
std::string EncodeUtf8(std::u32string_view text);
// One code point, in UTF-8, at the end of out.
void AppendUtf8(std::string& out, char32_t c);

// UTF-16 bytes (no byte-order mark) as UTF-8: pairs of surrogates are
// joined, an unpaired one becomes U+FFFD, and so does an odd last byte (a
// cut-off text).
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);

} // namespace quill
