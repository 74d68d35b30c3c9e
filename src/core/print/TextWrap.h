// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Width of one character (UTF-8, one code point), in any unit.
using CharWidth = std::function<double(std::string_view character)>;

// Splits a text into lines no wider than `width`: at blanks where a word
// fits, else between characters (as Hangul breaks anyway). A blank at a
// break is dropped; an empty text gives no line. Every character of the
// text lands on some line, so nothing is ever cut.
std::vector<std::string> WrapText(std::string_view utf8, double width, const CharWidth& measure);

// A generous width in em for the sheet's font when no font is at hand:
// full-width characters (Hangul, CJK, full-width forms) 1, the rest 0.65,
// so that any Korean gothic face a reader picks needs no more.
double EstimatedWidthEm(std::string_view character);

} // namespace quill
