// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Tab-separated lines, as the dump, the copies to the clipboard and the
// command line's listings write them: cells joined by tabs, the line ended
// by "\n". A tab or line break inside a cell would split it, so each
// becomes a blank; a writer that must keep them escapes the cell first (as
// the dump does with decodeCp949Escaped).
void AppendTabLine(std::string& out, std::initializer_list<std::string_view> cells);
void AppendTabLine(std::string& out, const std::vector<std::string>& cells);

// One line's cells; no line break left at the end. Nothing is unescaped.
std::vector<std::string> SplitTabLine(std::string_view line);

} // namespace quill
