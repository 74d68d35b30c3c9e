// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/text/Utf8.h"

#include <string>
#include <string_view>

namespace quill {

// Text matching for the suggestions and the find bar, on Unicode code points:
// Latin letters match without case, and a Korean consonant (ㄱ..ㅎ) in the
// query matches any syllable with that initial consonant (초성 search).
// Code points come from core/text/Utf8.h and cp949CodePoints.

// The parts of a precomposed syllable (U+AC00 + (initial × 21 + medial) × 28
// + final); false for any other character.
struct Syllable {
    int initial = 0;  // 0..18
    int medial = 0;   // 0..20
    int final = 0;    // 0 (none) .. 27
};
bool SplitSyllable(char32_t c, Syllable& s);
char32_t JoinSyllable(const Syllable& s);
// The initial a consonant letter (ㄱ..ㅎ, U+3131..) stands for, -1 when it
// is no initial (a vowel, a double final such as ㄳ, or any other character).
int JamoInitial(char32_t c);

// True when `query` matches `text` from position `at`, character by
// character. With `lastComposing` the query's last character may be a
// syllable still being composed: "서우" and "서울" both match "서울상회", and
// "서울" matches "서우리" (the final consonant may yet move on).
bool MatchesAt(std::u32string_view text, std::size_t at, std::u32string_view query, bool lastComposing);
// Match at any position (no composing).
bool Contains(std::u32string_view text, std::u32string_view query);

} // namespace quill
