// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

namespace quill {

// The text of the general error report: the failure's text with a full
// stop appended when its last character has a higher code than the full
// stop (so "Disk full" gets one, "Done." and "Wait -" do not). UTF-8.
std::string ErrorReportText(std::string_view text);

} // namespace quill
