// SPDX-License-Identifier: GPL-3.0-or-later
// Lines of a tab-separated file as `quillbook-cli import` reads them: a
// line is taken or refused with a reason, never crashes the reader, and
// what is taken dumps to a line that imports to the same record
// (dump -> import -> dump gives the same text).
#include "FuzzCheck.h"
#include "cli/DumpLine.h"

#include <string>
#include <string_view>

QB_FUZZ_TARGET(fuzzImportLine)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t nl = input.find('\n');
        std::string_view line = input.substr(0, nl);
        input.remove_prefix(nl == std::string_view::npos ? input.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        quill::AutRecord record;
        if (std::optional<std::string> reason = parseDumpLine(line, record)) {
            check(!reason->empty());
            continue;
        }
        std::string dumped;
        appendDumpLine(record, dumped);
        dumped.pop_back();
        quill::AutRecord again;
        check(!parseDumpLine(dumped, again));
        check(again.bytes == record.bytes);
        std::string dumpedAgain;
        appendDumpLine(again, dumpedAgain);
        dumpedAgain.pop_back();
        check(dumped == dumpedAgain);
    }
    return 0;
}
