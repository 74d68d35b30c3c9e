// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/ErrorText.h"
#include "core/io/IoResult.h"
#include "core/ledger/LedgerFilter.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quill {
class WorkingTable;
}

// Arguments of one subcommand: positional words, options with a value
// ("--year 2024") and flags ("--labels").
struct CliArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
};

// Splits args; an unknown option or a missing value gives an error text.
std::optional<std::string> parseCliArgs(const std::vector<std::string>& args,
                                        const std::set<std::string>& valueOptions,
                                        const std::set<std::string>& flagOptions, CliArgs& out);

// --year: a year of one to four digits, 1 to 9999; --month: "1년" (the
// whole year) or a month 1 to 12 in one or two digits, given back as two.
// Every command checks them so; anything else is a usage error.
std::optional<int> parseCliYear(const std::string& text);
std::optional<std::string> parseCliMonth(const std::string& text);

// The filter the filter row would apply for --year, --month and --category.
// Without --year there is no filter (nothing is returned in `filter`).
// Gives an error text for an unknown category or --month/--category
// without --year.
std::optional<std::string> cliFilter(const CliArgs& args, std::optional<quill::LedgerFilter>& filter);

// Reads a ledger file into the table as Open does: every record, ordered by
// date, table open, then the filter (if any) applied.
quill::IoResult loadLedgerForCli(const std::string& path, quill::WorkingTable& table,
                                 const std::optional<quill::LedgerFilter>& filter = std::nullopt);

// The start every filtering command shares (they stream the file): parses
// --year, --month, --category and the given flags and expects
// `positionals` words. Returns the exit status when it failed.
std::optional<int> parseFilteredArgs(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                     std::size_t positionals, const std::string& usage, CliArgs& out,
                                     std::optional<quill::LedgerFilter>& filter);

// Prints "quillbook-cli: <text>" on stderr (each line of it so); returns
// `status`.
int cliFail(int status, const std::string& text);
// A failed file operation: "quillbook-cli: <path>: <failure's text>" and
// under it the Korean line the program shows for it; returns `status`.
int cliFileFail(int status, const quill::IoResult& failure, const std::string& path, quill::FileAction action);
// Refuses an output that is the input file itself (also through a link or
// another name): the output would destroy what it is made from.
quill::IoResult refuseSameFile(const std::string& input, const std::string& output);
