// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/Money.h"

#include <string>
#include <string_view>

namespace quill {

// Text helpers of the main window. They work on bytes (CP949 or ASCII), so
// lengths and widths are counted in CP949 bytes. Counts and widths outside
// 0..255 are clamped into it.

// The text without any blank (character 32); other white space stays.
std::string StripBlanks(std::string_view text);

// True when the text holds exactly 8 or 0 characters once every separator
// and every blank is removed. Only the count is tested.
bool IsDateDigits(char separator, std::string_view text);

// The text trimmed of leading and trailing bytes 0..32, filled on the left
// with `fill` up to `width`; a text as long as the width or longer is
// returned trimmed but unchanged.
std::string PadLeftText(char fill, std::string_view text, int width);

// The amount in whole won with digit groups (groupedWon), filled on the
// left with blanks to `width`. An amount longer than the width is shown
// whole (then longer than the width): a total must never read 0 when it
// is not.
std::string CurrencyToText(int width, WideTenths amount);

// A file path's bytes as text to show (UTF-8): each part of the path that
// is not UTF-8 (a name from a Windows archive) decoded as CP949 where it
// decodes, else its stray bytes written "\xNN". Only for showing: the
// bytes themselves name the file.
std::string DisplayFileName(std::string_view path);

} // namespace quill
