// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/HangulText.h"

namespace quill {

namespace {

constexpr char32_t kSyllableFirst = 0xAC00;
constexpr char32_t kSyllableLast = 0xD7A3;

char32_t foldLatin(char32_t c) { return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c; }

bool charMatches(char32_t t, char32_t q)
{
    if (foldLatin(t) == foldLatin(q))
        return true;
    const int initial = JamoInitial(q);
    Syllable s;
    return initial >= 0 && SplitSyllable(t, s) && s.initial == initial;
}

// Medials that a further vowel key turns the medial into (ㅗ → ㅘ ㅙ ㅚ...).
bool medialExtends(int typed, int target)
{
    if (typed == target)
        return true;
    switch (typed) {
    case 8: return target >= 9 && target <= 11;    // ㅗ
    case 13: return target >= 14 && target <= 16;  // ㅜ
    case 18: return target == 19;                  // ㅡ
    default: return false;
    }
}

// Finals that a further consonant key turns the final into (ㄹ → ㄺ...).
bool finalExtends(int typed, int target)
{
    if (typed == target)
        return true;
    switch (typed) {
    case 1: return target == 3;                    // ㄱ → ㄳ
    case 4: return target == 5 || target == 6;     // ㄴ → ㄵ ㄶ
    case 8: return target >= 9 && target <= 15;    // ㄹ → ㄺ..ㅀ
    case 17: return target == 18;                  // ㅂ → ㅄ
    default: return false;
    }
}

// A final that a following vowel takes away as the next syllable's initial:
// what stays as the final, and the initial that moves on.
struct FinalSplit {
    int stays;
    int moves;
};
constexpr FinalSplit kFinalSplit[28] = {
    {0, -1}, {0, 0},  {0, 1},  {1, 9},  {0, 2},  {4, 12}, {4, 18}, {0, 3},  {0, 5},  {8, 0},
    {8, 6},  {8, 7},  {8, 9},  {8, 16}, {8, 17}, {8, 18}, {0, 6},  {0, 7},  {17, 9}, {0, 9},
    {0, 10}, {0, 11}, {0, 12}, {0, 14}, {0, 15}, {0, 16}, {0, 17}, {0, 18},
};

// The last, possibly unfinished query character against the text at `i`.
bool composingMatches(std::u32string_view text, std::size_t i, char32_t q)
{
    const char32_t t = text[i];
    if (charMatches(t, q))
        return true;
    Syllable qs, ts;
    if (!SplitSyllable(q, qs) || !SplitSyllable(t, ts) || ts.initial != qs.initial)
        return false;
    if (qs.final == 0)
        return medialExtends(qs.medial, ts.medial);
    if (ts.medial != qs.medial)
        return false;
    if (finalExtends(qs.final, ts.final))
        return true;
    const FinalSplit split = kFinalSplit[qs.final];
    Syllable next;
    return split.moves >= 0 && ts.final == split.stays && i + 1 < text.size() && SplitSyllable(text[i + 1], next) &&
           next.initial == split.moves;
}

} // namespace

bool SplitSyllable(char32_t c, Syllable& s)
{
    if (c < kSyllableFirst || c > kSyllableLast)
        return false;
    const int index = static_cast<int>(c - kSyllableFirst);
    s.initial = index / (21 * 28);
    s.medial = index / 28 % 21;
    s.final = index % 28;
    return true;
}

char32_t JoinSyllable(const Syllable& s)
{
    return kSyllableFirst + static_cast<char32_t>((s.initial * 21 + s.medial) * 28 + s.final);
}

int JamoInitial(char32_t c)
{
    // ㄱ ㄲ ㄳ ㄴ ㄵ ㄶ ㄷ ㄸ ㄹ ㄺ..ㅀ ㅁ ㅂ ㅃ ㅄ ㅅ ㅆ ㅇ ㅈ ㅉ ㅊ ㅋ ㅌ ㅍ ㅎ
    static constexpr signed char kInitial[30] = {0,  1,  -1, 2,  -1, -1, 3,  4,  5,  -1, -1, -1, -1, -1, -1,
                                                 -1, 6,  7,  8,  -1, 9,  10, 11, 12, 13, 14, 15, 16, 17, 18};
    if (c < 0x3131 || c > 0x314E)
        return -1;
    return kInitial[c - 0x3131];
}

bool MatchesAt(std::u32string_view text, std::size_t at, std::u32string_view query, bool lastComposing)
{
    if (query.empty() || at + query.size() > text.size())
        return false;
    const std::size_t last = query.size() - 1;
    for (std::size_t k = 0; k < last; ++k)
        if (!charMatches(text[at + k], query[k]))
            return false;
    return lastComposing ? composingMatches(text, at + last, query[last]) : charMatches(text[at + last], query[last]);
}

bool Contains(std::u32string_view text, std::u32string_view query)
{
    if (query.empty() || query.size() > text.size())
        return false;
    for (std::size_t at = 0; at + query.size() <= text.size(); ++at)
        if (MatchesAt(text, at, query, false))
            return true;
    return false;
}

} // namespace quill
