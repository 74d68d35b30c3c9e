// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <string>
#include <string_view>

namespace quill {

// The text of the general error report: the failure's text with a full
// stop appended when its last character has a higher code than the full
// stop (so "Disk full" gets one, "Done." and "Wait -" do not). UTF-8.
std::string ErrorReportText(std::string_view text);

// What a file command was doing when it failed.
enum class FileAction {
    Read,    // Open, Add file, the command line's reading commands
    Save,    // Save, Save As, import
    Export,  // the workbook
    Pdf,     // a printout or the filing figures as a PDF file
    Start,   // the program's own files at its start
};

// The general error report of a failed file command: the failure's own
// text as above ("I/O error 21.", "File not found.", "File access denied.")
// and under it one Korean line that names the file, says what happened and
// what to do. A text that is not the system's own (a library's) is not shown
// on its own: the Korean line says what the failure means. A failure that
// concerns another place than `path` (the private scratch folder, the
// configuration file: IoResult::path) names that place and what to do there.
std::string FileErrorReport(const IoResult& failure, const std::string& path, FileAction action);
// The Korean line alone.
std::string FileErrorHint(const IoResult& failure, const std::string& path, FileAction action);
// The Korean line to show under the failure's own text: the hint, or
// nothing when that text is already a Korean sentence of ours.
std::string FileErrorLine(const IoResult& failure, const std::string& path, FileAction action);

// The Korean line when an output would replace the ledger it is made from.
std::string SameAsInputText(const std::string& path);

// The report of a command that ran out of memory, instead of the library's
// "std::bad_alloc".
inline constexpr const char* kOutOfMemoryText =
    "메모리가 부족해 작업을 마치지 못했습니다. 다른 프로그램을 닫고 다시 해 보세요. 파일은 바뀌지 않았습니다.";

} // namespace quill
