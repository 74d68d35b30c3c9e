// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// Conversion between the program's stored text (CP949 bytes) and Unicode
// (UTF-8) at the edges: display, input and the command-line tool.

struct Cp949Encoding {
    std::optional<std::string> bytes;  // set on success
    std::string rejected;              // the first character CP949 cannot hold (UTF-8)
};

// UTF-8 to CP949. A character CP949 cannot hold, or invalid UTF-8, makes the
// whole conversion fail; nothing is ever dropped silently.
Cp949Encoding encodeCp949(std::string_view utf8);

// CP949 to UTF-8 for display. A byte that does not start a valid CP949
// character becomes U+FFFD.
std::string decodeCp949(std::string_view cp949);

// CP949 to UTF-8 for line-oriented output: backslash, tab, CR and LF are
// written as \\ \t \r \n and every byte that is not valid CP949 as \xHH.
std::string decodeCp949Escaped(std::string_view cp949);

// Inverse of decodeCp949Escaped: resolves the escapes and encodes the rest.
// Fails like encodeCp949, or on a malformed escape (rejected then holds it).
Cp949Encoding encodeCp949Escaped(std::string_view utf8);

// True when every byte belongs to a valid CP949 character.
bool isValidCp949(std::string_view cp949);

// Number of bytes the UTF-8 text takes in CP949, or nothing when it cannot be
// encoded.
std::optional<std::size_t> cp949Length(std::string_view utf8);

} // namespace quill
