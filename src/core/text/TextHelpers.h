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

// `count` copies of `c`; empty for count 0 or the NUL character.
std::string RepeatChar(char c, int count);

// The text trimmed of leading and trailing bytes 0..32, filled on the left
// with `fill` up to `width`; a text as long as the width or longer is
// returned trimmed but unchanged.
std::string PadLeftText(char fill, std::string_view text, int width);

// The plain number text in the Korean money format (whole won, digit groups
// of three with ",", "-" for negatives), filled on the left with blanks to
// `width`. A trimmed text that is empty or longer than the width becomes "0".
// With dropSign the currency sign is left out. Returns nothing when the text
// is not a plain decimal number.
std::optional<std::string> MoneyText(bool dropSign, std::string_view text, int width);

// MoneyText of the amount's plain text, sign dropped. Unlike MoneyText, an
// amount whose plain text is longer than the width is shown as the real
// amount (then longer than the width): a total must never read 0 when it is
// not.
std::string CurrencyToText(int width, WideTenths amount);

// A file path's bytes as text to show (UTF-8): each part of the path that
// is not UTF-8 (a name from a Windows archive) decoded as CP949 where it
// decodes, else its stray bytes written "\xNN". Only for showing: the
// bytes themselves name the file.
std::string DisplayFileName(std::string_view path);

} // namespace quill
