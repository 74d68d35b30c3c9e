// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorText.h"

namespace quill {

std::string ErrorReportText(std::string_view text)
{
    std::string out(text);
    // In UTF-8 the last byte of any character above U+007F is above 0x7F,
    // so testing the last byte tests the last character.
    if (!out.empty() && static_cast<unsigned char>(out.back()) > '.')
        out += '.';
    return out;
}

} // namespace quill
