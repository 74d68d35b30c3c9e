// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// Conversion between the program's stored text (CP949 bytes) and Unicode
// (UTF-8) at the edges: display, input, the command-line tool and the
// helper libraries. The one converter of the program: nothing else opens
// iconv or keeps a code-page table.

struct Cp949Encoding {
    std::optional<std::string> bytes;  // set on success
    std::string rejected;              // the first character CP949 cannot hold (UTF-8)
};

// UTF-8 to CP949. A character CP949 cannot hold, or invalid UTF-8, makes the
// whole conversion fail; nothing is ever dropped silently.
Cp949Encoding encodeCp949(std::string_view utf8);

// The program's own fixed texts (the names of its settings' sections and
// keys, the words it looks for) in CP949. They hold only Hangul and ASCII;
// one that CP949 could not hold would be a fault of the program, so it
// throws std::logic_error rather than becoming an empty key. Never for
// what a user typed or a file held: that goes through encodeCp949.
std::string fixedCp949(std::string_view utf8);

// CP949 to UTF-8 for display. A byte that does not start a valid CP949
// character becomes U+FFFD.
std::string decodeCp949(std::string_view cp949);

// CP949 as code points, through a table built on first use (for the
// searches, which look at every entry). A byte that starts no valid
// character becomes U+FFFD.
void cp949CodePoints(std::string_view cp949, std::u32string& out);
std::u32string cp949CodePoints(std::string_view cp949);

// CP949 to UTF-8 for line-oriented output: backslash, tab, CR and LF are
// written as \\ \t \r \n and every byte that is not valid CP949 as \xHH.
std::string decodeCp949Escaped(std::string_view cp949);

// Inverse of decodeCp949Escaped: resolves the escapes and encodes the rest.
// Fails like encodeCp949, or on a malformed escape (rejected then holds it).
Cp949Encoding encodeCp949Escaped(std::string_view utf8);

// True when every byte belongs to a valid CP949 character.
bool isValidCp949(std::string_view cp949);

// Bytes that cannot be CP949 by their shape alone (a lead byte without a
// trail byte it takes), for guessing a file's encoding: asking the
// converter character by character would cost more than reading the file.
std::size_t cp949ShapeFaults(std::string_view bytes);

// Number of bytes the UTF-8 text takes in CP949, or nothing when it cannot be
// encoded.
std::optional<std::size_t> cp949Length(std::string_view utf8);

} // namespace quill
