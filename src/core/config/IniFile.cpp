// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/config/IniFile.h"

#include "core/io/SafeFile.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace quill {

namespace {

// A carriage return left over from a doubled line ending counts as a blank.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

// One line of the file: its text without the line ending, and the ending
// as it was ("\r\n", "\n" or nothing on the last line).
struct Line {
    std::string_view text;
    std::string_view eol;
};

std::vector<Line> splitLines(std::string_view content)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t nl = content.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        std::size_t end = nl;
        if (end > pos && content[end - 1] == '\r')
            --end;
        lines.push_back({content.substr(pos, end - pos), content.substr(end, nl + 1 - end)});
        pos = nl + 1;
    }
    return lines;
}

// The section name of a header line, or nothing.
std::optional<std::string_view> sectionName(std::string_view text)
{
    std::string_view t = trim(text);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// The key of a key line, or nothing (comments, blank lines, junk).
std::optional<std::string_view> keyName(std::string_view text)
{
    std::string_view t = trim(text);
    if (t.empty() || t.front() == ';' || t.front() == '#')
        return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trim(t.substr(0, eq));
}

std::string_view withoutBom(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return text;
}

// Where a key lives: the line of the section header, the key's line and the
// last non-empty line of the section (indices into the lines, -1 for none).
struct Location {
    long section = -1;
    long key = -1;
    long lastInSection = -1;
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key)
{
    Location at;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view text = i == 0 ? withoutBom(lines[i].text) : lines[i].text;
        if (auto name = sectionName(text)) {
            if (inside)
                break;  // the first matching section wins
            if (sameName(*name, section)) {
                inside = true;
                at.section = at.lastInSection = static_cast<long>(i);
            }
            continue;
        }
        if (!inside)
            continue;
        if (!trim(text).empty())
            at.lastInSection = static_cast<long>(i);
        if (auto k = keyName(text); k && sameName(*k, key)) {
            at.key = static_cast<long>(i);
            break;
        }
    }
    return at;
}

std::optional<std::string> readFile(const std::string& path)
{
    // Only a regular file (or a link to one): a named pipe would hang the
    // start until somebody writes into it, a device might be anything.
    // Looked at before opening, and the open file again.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    char chunk[4096];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            // a folder, or a file the system cannot read
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

bool hasOuterBlank(std::string_view s) { return !s.empty() && (isBlank(s.front()) || isBlank(s.back())); }

bool quoted(std::string_view v) { return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front(); }

// Only what reads back as written may be written: a line break would end
// the line, a key or section name with blanks at its ends would be read
// without them, a key starting like a comment or a section header would not
// be read as a key, and a longer value would be read cut.
bool writable(std::string_view section, std::string_view key, std::string_view value)
{
    if (value.find_first_of("\r\n") != std::string_view::npos || value.size() > kIniValueLimit)
        return false;
    if (key.find_first_of("\r\n=") != std::string_view::npos || hasOuterBlank(key)
        || (!key.empty() && (key.front() == ';' || key.front() == '#' || key.front() == '[')))
        return false;
    return section.find_first_of("\r\n]") == std::string_view::npos && !hasOuterBlank(section);
}

// The value as the line holds it: in quotes when reading would otherwise
// drop its blanks at the ends or a pair of quotes around it.
std::string storedValue(std::string_view value)
{
    if (hasOuterBlank(value) || quoted(value))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

// The configuration file is named as the failure's place: a caller tells
// it from a failure of the ledger it was saving.
IoResult unableToWrite(const std::string& path)
{
    return IoResult::failure(IoKind::Other, "Unable to write to " + path, 0, path);
}

} // namespace

std::optional<std::string> ReadIniValue(const std::string& path, std::string_view section, std::string_view key)
{
    std::optional<std::string> content = readFile(path);
    if (!content)
        return std::nullopt;
    std::vector<Line> lines = splitLines(*content);
    Location at = locate(lines, section, key);
    if (at.key < 0)
        return std::nullopt;
    std::string_view text = lines[static_cast<std::size_t>(at.key)].text;
    std::string_view value = trim(text.substr(text.find('=') + 1));
    if (quoted(value))
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kIniValueLimit));
}

IoResult WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view value)
{
    if (!writable(section, key, value))
        return unableToWrite(path);
    const std::string stored = storedValue(value);

    std::string content;
    if (::access(path.c_str(), F_OK) == 0) {
        // An existing file that we may not write stays untouched, even when
        // the folder would let us replace it.
        if (::access(path.c_str(), W_OK) != 0)
            return unableToWrite(path);
        std::optional<std::string> old = readFile(path);
        if (!old)
            return unableToWrite(path);
        content = std::move(*old);
    }

    std::vector<Line> lines = splitLines(content);
    // New lines take the file's own line ending.
    std::string eol = "\r\n";
    if (!lines.empty() && lines.front().eol == "\n")
        eol = "\n";

    const std::string keyLine = std::string(key) + "=" + stored;
    Location at = locate(lines, section, key);
    std::string out;
    out.reserve(content.size() + keyLine.size() + section.size() + 8);
    if (at.section < 0) {
        out = content;
        if (!out.empty() && out.back() != '\n')
            out += eol;
        out += "[" + std::string(section) + "]" + eol + keyLine + eol;
    } else {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& line = lines[i];
            if (static_cast<long>(i) == at.key) {
                // Keep the key as it was spelt and whatever stood before it.
                std::string_view text = line.text;
                std::size_t eq = text.find('=');
                std::string_view before = text.substr(0, eq);
                while (!before.empty() && isBlank(before.back()))
                    before.remove_suffix(1);
                out.append(before);
                out += "=";
                out += stored;
                out.append(line.eol);
                continue;
            }
            out.append(line.text);
            out.append(line.eol);
            if (at.key < 0 && static_cast<long>(i) == at.lastInSection) {
                if (line.eol.empty())
                    out += eol;
                out += keyLine + eol;
            }
        }
    }

    SafeFile file(path);
    if (!file.open() || !file.write(out) || !file.commit())
        return unableToWrite(path);
    return IoResult::success();
}

std::optional<int> ParseIniInteger(std::string_view text)
{
    std::string_view t = trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    } else if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    }
    if (t.empty())
        return std::nullopt;
    long long magnitude = 0;
    for (char c : t) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    long long v = negative ? -magnitude : magnitude;
    if (v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
}

int ReadIniInteger(const std::string& path, std::string_view section, std::string_view key, int fallback)
{
    std::optional<std::string> value = ReadIniValue(path, section, key);
    if (!value)
        return fallback;
    return ParseIniInteger(*value).value_or(fallback);
}

bool IniFileWritable(const std::string& path)
{
    if (::access(path.c_str(), F_OK) == 0)
        return ::access(path.c_str(), W_OK) == 0;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    return ::access(folder.c_str(), W_OK) == 0;
}

} // namespace quill
