// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file: the input's first three lines are a section, a
// key and a value, the rest is the file as found. Writing the key either
// fails and leaves the file as it was, or the key reads back as written and
// every other line of the file stays as it was.
#include "FuzzCheck.h"
#include "FuzzFiles.h"

#include "core/config/IniFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view takeLine(std::string_view& s)
{
    std::size_t nl = s.find('\n');
    std::string_view line = s.substr(0, nl);
    s.remove_prefix(nl == std::string_view::npos ? s.size() : nl + 1);
    return line;
}

// Lines without their endings: a last line may gain one when a key goes
// after it, which changes no text.
std::vector<std::string_view> lines(std::string_view s)
{
    std::vector<std::string_view> out;
    while (!s.empty()) {
        std::string_view l = takeLine(s);
        while (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        out.push_back(l);
    }
    return out;
}

} // namespace

QB_FUZZ_TARGET(fuzzConfig)
{
    static const std::string path = fuzzfiles::file("quillcfg.ini");
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = takeLine(input);
    const std::string_view key = takeLine(input);
    const std::string_view value = takeLine(input);
    const std::string_view before = input;
    if (!fuzzfiles::writeFile(path, before))
        return 0;

    if (!quill::WriteIniValue(path, section, key, value)) {
        check(fuzzfiles::readFile(path) == before);
        return 0;
    }
    const std::optional<std::string> back = quill::ReadIniValue(path, section, key);
    check(back && *back == value);

    // Apart from a common beginning and end, at most one line was replaced
    // (the key's) or at most two were added (the key, and its section).
    const std::string after = fuzzfiles::readFile(path);
    const std::vector<std::string_view> a = lines(before), b = lines(after);
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix
           && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const std::size_t removed = a.size() - prefix - suffix, added = b.size() - prefix - suffix;
    check((removed == 0 && added <= 2) || (removed == 1 && added == 1));
    return 0;
}
