// SPDX-License-Identifier: GPL-3.0-or-later
// tax: the figures a ledger gives towards the returns of one year, the same
// lines the filing window shows, one KEY<TAB>VALUE line each, for scripts
// and spreadsheets. The ledger is streamed: memory does not grow with it.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/ledger/LedgerDate.h"
#include "core/io/ProgramFolders.h"
#include "core/config/WorkFolder.h"
#include "core/filing/FilingFigures.h"
#include "core/filing/IncomeFigures.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/LedgerFileStream.h"
#include "core/ledger/Money.h"
#include "core/text/TabSeparated.h"

#include <filesystem>
#include <iostream>

namespace {

const char* const kTaxUsage =
    "usage: quillbook-cli tax FILE --year Y [--type 일반|간이|면세] [--industry 업종] [--prepaid-h1 원] "
    "[--prepaid-h2 원] [--opening-day yyyy.mm.dd] [--last-year-revenue 원] [--large-last-year 예|아니오] "
    "[--accountant]\n"
    "           [--simple-rate R] [--standard-rate R] [--opening-stock 원] [--closing-stock 원] [--config FILE]\n"
    "       quillbook-cli tax --help   (every key with its meaning)";

std::optional<std::int64_t> parseWon(const std::string& text)
{
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

// The configuration of the program beside this command (as the window
// reads it), unless --config names another.
std::string configPath(const CliArgs& a)
{
    if (auto c = a.options.find("--config"); c != a.options.end())
        return c->second;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return quill::ResolveProgramFolders(exe.parent_path().string() + "/").config + quill::kConfigFileName;
}

int printKeys()
{
    std::cout << "quillbook-cli tax: every key (PERIOD in braces: one line for each)\n";
    std::string out;
    for (const quill::FigureKeyHelp& k : quill::FigureKeysHelpWithIncome())
        quill::AppendTabLine(out, {k.key, k.meaning});
    std::cout << out;
    return 0;
}

} // namespace

int runTax(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args,
                                {"--year", "--type", "--industry", "--prepaid-h1", "--prepaid-h2", "--config",
                                 "--opening-day", "--last-year-revenue", "--large-last-year", "--simple-rate",
                                 "--standard-rate", "--opening-stock", "--closing-stock"},
                                {"--help", "--accountant"}, a))
        return cliFail(2, *err);
    if (a.flags.count("--help"))
        return printKeys();
    if (a.positional.size() != 1 || !a.options.count("--year"))
        return cliFail(2, kTaxUsage);
    const std::optional<int> year = parseCliYear(a.options["--year"]);
    if (!year)
        return cliFail(2, "the year must be a number from 1 to 9999: " + a.options["--year"]);
    const std::string& path = a.positional[0];

    quill::FilingSettings settings = quill::ReadFilingSettings(configPath(a), path);
    if (auto t = a.options.find("--type"); t != a.options.end()) {
        std::optional<quill::TaxpayerType> parsed = quill::parseTaxpayerType(t->second);
        if (!parsed)
            return cliFail(2, "unknown taxpayer type " + t->second + " (일반, 간이 or 면세)");
        settings.type = *parsed;
    }
    if (auto i = a.options.find("--industry"); i != a.options.end()) {
        if (!quill::findIndustry(*year, i->second)) {
            std::string known;
            for (const quill::Industry& ind : quill::IndustriesOf(*year))
                known += std::string(known.empty() ? "" : ", ") + ind.key;
            return cliFail(2, "unknown industry " + i->second + " (" + known + ")");
        }
        settings.industry = i->second;
    }
    const char* prepaidKeys[] = {"--prepaid-h1", "--prepaid-h2"};
    for (int h = 0; h < 2; ++h)
        if (auto p = a.options.find(prepaidKeys[h]); p != a.options.end()) {
            const std::optional<std::int64_t> w = parseWon(p->second);
            if (!w)
                return cliFail(2, std::string(prepaidKeys[h]) + " must be whole won: " + p->second);
            settings.prepaidWon[h] = *w;
        }

    if (auto d = a.options.find("--opening-day"); d != a.options.end()) {
        if (!quill::IsCalendarDateText(d->second))
            return cliFail(2, "--opening-day must be a date yyyy.mm.dd: " + d->second);
        settings.openingDay = d->second;
    }
    if (auto r = a.options.find("--last-year-revenue"); r != a.options.end()) {
        const std::optional<std::int64_t> w = parseWon(r->second);
        if (!w)
            return cliFail(2, "--last-year-revenue must be whole won: " + r->second);
        settings.lastYearRevenueWon = *w;
    }
    if (auto l = a.options.find("--large-last-year"); l != a.options.end()) {
        if (l->second != "예" && l->second != "아니오")
            return cliFail(2, "--large-last-year must be 예 or 아니오: " + l->second);
        settings.largeLastYear = l->second == "예";
    }
    if (a.flags.count("--accountant"))
        settings.accountantFiles = true;
    quill::IncomeSettings income = quill::ReadIncomeSettings(configPath(a), path);
    for (const char* key : {"--simple-rate", "--standard-rate"})
        if (auto p = a.options.find(key); p != a.options.end()) {
            const std::optional<quill::Rate> rate = quill::parseRate(p->second);
            if (!rate)
                return cliFail(2, std::string(key) + " must be a rate such as 60.1%: " + p->second);
            (std::string(key) == "--simple-rate" ? income.simpleRate : income.standardRate) = *rate;
        }
    for (const char* key : {"--opening-stock", "--closing-stock"})
        if (auto p = a.options.find(key); p != a.options.end()) {
            const std::optional<std::int64_t> w = parseWon(p->second);
            if (!w)
                return cliFail(2, std::string(key) + " must be whole won: " + p->second);
            (std::string(key) == "--opening-stock" ? income.openingStockWon : income.closingStockWon)[*year] = *w;
        }

    quill::LedgerFileStream file;
    quill::IoResult r = file.open(path);
    quill::FilingAccumulator acc(*year, settings, false);
    quill::IncomeAccumulator incomeAcc(*year, settings, income);
    if (r)
        r = file.scan([&](std::size_t i, const quill::AutRecord& rec) {
            const quill::LedgerEntry e = rec.toEntry();
            acc.add(i, e);
            incomeAcc.add(i, e);
            return true;
        });
    if (!r)
        return cliFileFail(1, r, path, quill::FileAction::Read);

    const quill::FilingFigures f = acc.finish();
    for (const quill::FilingReturn& ret : quill::FilingReturnsWithIncome(f, incomeAcc.finish()))
        for (const quill::FilingLine& line : ret.lines)
            for (std::size_t c = 0; c < line.values.size(); ++c) {
                const quill::FilingValue& v = line.values[c];
                if (!v.amount)
                    continue;
                const std::string key = quill::figureKey(ret, c, line);
                std::string out;
                quill::AppendTabLine(out, {key, quill::plainDecimal(*v.amount)});
                if (line.key == "prepaid")
                    quill::AppendTabLine(out, {key + ".estimated", v.estimated ? "1" : "0"});
                if (!v.rate.empty())
                    quill::AppendTabLine(out, {key + ".rate", v.rate});
                std::cout << out;
            }
    return 0;
}
