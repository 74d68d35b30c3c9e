// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the special-character picker offers, without any window: its pages,
// the test that a character can be stored, and the text it leaves behind.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glyphpad {

struct GlyphPage {
    std::string name;                 // shown on the page's tab (UTF-8)
    std::vector<std::string> glyphs;  // one character each (UTF-8)
};

// The pages in their order, each holding only characters that the ledger's
// code page CP949 stores (as two bytes), in their order on the page.
const std::vector<GlyphPage>& GlyphPages();

// True when the text is one character that CP949 holds as two bytes and
// gives back unchanged.
bool IsTwoByteCp949(std::string_view utf8);

// The characters of a UTF-8 text, one string each.
std::vector<std::string> SplitCharacters(std::string_view utf8);

// The characters of `candidates` that CP949 holds, in order.
std::vector<std::string> HeldByCp949(const std::vector<std::string>& candidates);

// The page a page key leads to from `current`: `step` pages on, round the
// ends.
int StepPage(int current, int step, int count);

// What the picker leaves on the clipboard: the chosen character, or "Non"
// when nothing was chosen.
std::string PickResult(const std::optional<std::string>& choice);

} // namespace glyphpad
