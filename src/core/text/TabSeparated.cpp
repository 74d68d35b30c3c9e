// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/TabSeparated.h"

namespace quill {

namespace {

template <typename Cells>
void appendLine(std::string& out, const Cells& cells)
{
    bool first = true;
    for (std::string_view cell : cells) {
        if (!first)
            out += '\t';
        first = false;
        for (char c : cell)
            out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    }
    out += '\n';
}

} // namespace

void AppendTabLine(std::string& out, std::initializer_list<std::string_view> cells) { appendLine(out, cells); }

void AppendTabLine(std::string& out, const std::vector<std::string>& cells) { appendLine(out, cells); }

std::vector<std::string> SplitTabLine(std::string_view line)
{
    std::vector<std::string> cols;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        cols.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return cols;
}

} // namespace quill
