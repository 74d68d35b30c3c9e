// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSupport.h"

#include "core/io/SafeFile.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/WorkingTable.h"

#include <algorithm>
#include <iostream>

std::optional<std::string> parseCliArgs(const std::vector<std::string>& args,
                                        const std::set<std::string>& valueOptions,
                                        const std::set<std::string>& flagOptions, CliArgs& out)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // Long options, and the short ones a command names ("-o").
        const bool shortOption = a.size() == 2 && a[0] == '-' && (valueOptions.count(a) || flagOptions.count(a));
        if ((a.size() > 2 && a.rfind("--", 0) == 0) || shortOption) {
            if (flagOptions.count(a)) {
                out.flags.insert(a);
            } else if (valueOptions.count(a)) {
                if (i + 1 >= args.size())
                    return "option " + a + " needs a value";
                out.options[a] = args[++i];
            } else {
                return "unknown option " + a;
            }
        } else {
            out.positional.push_back(a);
        }
    }
    return std::nullopt;
}

std::optional<int> parseCliYear(const std::string& text)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int year = std::stoi(text);
    if (year < 1)
        return std::nullopt;
    return year;
}

std::optional<std::string> parseCliMonth(const std::string& text)
{
    if (text == "1년")
        return text;
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int month = std::stoi(text);
    if (month < 1 || month > 12)
        return std::nullopt;
    return std::string(month < 10 ? "0" : "") + std::to_string(month);
}

std::optional<std::string> cliFilter(const CliArgs& args, std::optional<quill::LedgerFilter>& filter)
{
    filter.reset();
    auto year = args.options.find("--year");
    if (year == args.options.end()) {
        if (args.options.count("--month") || args.options.count("--category"))
            return "--month and --category need --year";
        return std::nullopt;
    }
    if (!parseCliYear(year->second))
        return "the year must be a number from 1 to 9999: " + year->second;
    // The category list's index: 0 for all, then the categories in order.
    int categoryIndex = 0;
    if (auto c = args.options.find("--category"); c != args.options.end() && c->second != quill::kAllCategoriesName) {
        const std::optional<quill::Category> category = quill::categoryFromName(c->second);
        if (!category)
            return "unknown category " + c->second + " (전체, 수입, 비용 or 자산)";
        categoryIndex = 1 + static_cast<int>(std::find(std::begin(quill::kCategories), std::end(quill::kCategories), *category) -
                                             std::begin(quill::kCategories));
    }
    // As the month list: "1년" (or no month) is the whole year, anything else
    // is used as the month text.
    int monthIndex = 0;
    std::string monthText = "1년";
    if (auto m = args.options.find("--month"); m != args.options.end()) {
        const std::optional<std::string> month = parseCliMonth(m->second);
        if (!month)
            return "the month must be 1년 or a number from 1 to 12: " + m->second;
        if (*month != "1년") {
            monthIndex = 1;
            monthText = *month;
        }
    }
    filter = quill::LedgerFilter::fromControls(categoryIndex, year->second, monthIndex, monthText);
    return std::nullopt;
}

quill::IoResult loadLedgerForCli(const std::string& path, quill::WorkingTable& table,
                                 const std::optional<quill::LedgerFilter>& filter)
{
    table.close();
    quill::IoResult r = quill::ReadLedgerFile(path, table);
    if (!r)
        return r;
    table.orderBy("IDAY");
    table.open();
    if (filter) {
        table.setFilter(*filter);
        table.setFiltered(true);
    }
    return r;
}

int cliFail(int status, const std::string& text)
{
    std::size_t from = 0;
    for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        std::cerr << "quillbook-cli: " << text.substr(from, nl - from) << "\n";
    std::cerr << "quillbook-cli: " << text.substr(from) << "\n";
    return status;
}

int cliFileFail(int status, const quill::IoResult& failure, const std::string& path, quill::FileAction action)
{
    const std::string line = quill::FileErrorLine(failure, path, action);
    return cliFail(status, path + ": " + failure.message + (line.empty() ? "" : "\n" + line));
}

quill::IoResult refuseSameFile(const std::string& input, const std::string& output)
{
    if (quill::IsSameFile(input, output))
        return quill::IoResult::failure(quill::IoKind::SameAsInput, "output is the input file", 0);
    return quill::IoResult::success();
}

std::optional<int> parseFilteredArgs(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                     std::size_t positionals, const std::string& usage, CliArgs& out,
                                     std::optional<quill::LedgerFilter>& filter)
{
    if (auto err = parseCliArgs(args, {"--year", "--month", "--category"}, flags, out))
        return cliFail(2, *err);
    if (out.positional.size() != positionals)
        return cliFail(2, usage);
    if (auto err = cliFilter(out, filter))
        return cliFail(2, *err);
    return std::nullopt;
}
