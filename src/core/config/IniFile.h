// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The configuration file is a small INI file in CP949. Qt's settings classes
// would rewrite it in UTF-8, so it is read and written here, key by key.
// Section, key and value are CP949 bytes.
//
// Reading follows the usual INI conventions: section names and keys match
// without regard to ASCII case, blanks around keys and values are ignored,
// a value in matching quotes loses them, lines starting with ';' or '#' are
// comments, and the first matching section and key win.

// The value, cut to kIniValueLimit bytes; nothing when the file, the section
// or the key is missing.
inline constexpr std::size_t kIniValueLimit = 2047;
std::optional<std::string> ReadIniValue(const std::string& path, std::string_view section, std::string_view key);

// Writes one key. Every other line of the file stays byte for byte as it
// was; a new key goes after the last line of its section, a new section at
// the end of the file, and the file is created when missing. The file is
// replaced only once the new content is complete. Fails with
// "Unable to write to <path>" when the file cannot be written, or when
// what is asked would not read back as written (a line break anywhere, a
// value longer than kIniValueLimit, blanks at the ends of a key or section
// name, a key starting with ';', '#' or '['). A value with blanks at its
// ends or in a pair of quotes is written in double quotes, so it reads back
// whole.
IoResult WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view value);

// Whether WriteIniValue could write the file at all: an existing file we may
// write, or a missing one in a folder we may write.
bool IniFileWritable(const std::string& path);

// An integer as the configuration writes them: decimal, or hexadecimal with
// a leading "0x" or "$", optionally signed. Nothing for anything else or a
// value outside the 32-bit range.
std::optional<int> ParseIniInteger(std::string_view text);

// ReadIniValue + ParseIniInteger with a default for every failure.
int ReadIniInteger(const std::string& path, std::string_view section, std::string_view key, int fallback);

} // namespace quill
