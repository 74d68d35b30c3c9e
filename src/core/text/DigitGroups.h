// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

namespace quill {

// A plain decimal number's text with its whole part in groups of three
// digits, as amounts are shown everywhere: "-1234567.5" → "-1,234,567.5".
// A leading sign and the decimal places stay as they are; a text that is
// not of that shape is returned unchanged.
std::string GroupDigits(std::string_view plainNumber);

} // namespace quill
