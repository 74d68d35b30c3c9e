// SPDX-License-Identifier: GPL-3.0-or-later
// totals and check: what a tax accountant asks of a client's ledger file
// before opening it.
#include "cli/Commands.h"
#include "cli/CliSupport.h"
#include "core/io/SafeFile.h"

#include "core/text/Cp949.h"
#include "core/filing/FilingFigures.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/LedgerDate.h"
#include "core/ledger/LedgerFileStream.h"
#include "core/ledger/Money.h"
#include "core/ledger/Totals.h"
#include "core/text/TabSeparated.h"

#include <iostream>
#include <utility>
#include <vector>

namespace {

using quill::AutRecord;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "" when the date is a calendar date of the form yyyy.mm.dd, else why not.
std::string dateProblem(std::string_view d)
{
    if (d.find_first_not_of(" .") == std::string_view::npos)
        return "date is empty";
    bool shape = d.size() == 10 && d[4] == '.' && d[7] == '.';
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        shape = shape && i < d.size() && isDigit(d[i]);
    if (!shape)
        return "date is not of the form yyyy.mm.dd";
    if (!quill::IsCalendarDateText(d))
        return "date is not a calendar date";
    return {};
}

} // namespace

int runTotals(const std::vector<std::string>& args)
{
    CliArgs a;
    std::optional<quill::LedgerFilter> filter;
    const char* usage = "usage: quillbook-cli totals FILE [--year Y] [--month M] [--category C] [--labels]";
    if (auto status = parseFilteredArgs(args, {"--labels"}, 1, usage, a, filter))
        return *status;

    // Streamed: each record through the program's own decoder and filter,
    // summed as the totals bar sums, without holding the ledger.
    const std::string& path = a.positional[0];
    quill::LedgerFileStream file;
    quill::IoResult r = file.open(path);
    quill::LedgerTotals totals;
    std::size_t undated = 0;
    if (r)
        r = file.scan([&](std::size_t, const AutRecord& rec) {
            const quill::LedgerEntry e = rec.toEntry();
            if (!filter || filter->passes(e)) {
                // A period holds only calendar dates, as tax counts them:
                // 2023.02.29 is in no year.
                if (filter && !quill::IsCalendarDateText(e.IDAY.view()))
                    ++undated;
                else
                    quill::AddToTotals(totals, e);
            }
            return true;
        });
    if (!r)
        return cliFileFail(1, r, path, quill::FileAction::Read);
    if (undated)
        std::cerr << "quillbook-cli: " << undated
                  << " entries of the period have a date that is not a calendar date; left out as tax leaves them "
                     "out (see check)\n";
    if (a.flags.count("--labels")) {
        quill::TotalsTexts texts = quill::FormatTotals(totals);
        std::string out;
        for (std::size_t i = 0; i < texts.Bmxsm.size(); ++i)
            quill::AppendTabLine(out, {"Bmxsm" + std::to_string(i + 1), texts.Bmxsm[i]});
        quill::AppendTabLine(out, {"CntLbe", texts.CntLbe});
        std::cout << out;
        return 0;
    }
    std::cout << "count=" << totals.count;
    for (int f = 0; f < quill::kMoneyFieldCount; ++f)
        std::cout << ' ' << quill::moneyFieldName(f) << '=' << quill::plainDecimal(totals.sums[static_cast<std::size_t>(f)]);
    std::cout << '\n';
    return 0;
}

int runCheck(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {}, {"--all"}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1)
        return cliFail(2, "usage: quillbook-cli check FILE [--all]");
    const std::string& path = a.positional[0];
    // A wholly damaged ledger of millions of records would print gigabytes:
    // the first problems are shown, the rest counted by kind.
    const bool all = a.flags.count("--all") > 0;
    constexpr std::size_t kShownProblems = 100;

    struct Text {
        AutRecord::Slot slot;
        const char* name;
    };
    static const Text texts[] = {{AutRecord::IDAY, "IDAY"}, {AutRecord::JKYU, "JKYU"},
                                 {AutRecord::SANGHO, "SANGHO"}, {AutRecord::ETC, "ETC"}, {AutRecord::TAG, "TAG"}};
    quill::LedgerFileStream file;
    if (quill::IoResult r = file.open(path); !r)
        return cliFileFail(1, r, path, quill::FileAction::Read);
    // A device or a pipe has no records to count: reading /dev/urandom as
    // an empty ledger would report a clean file.
    if (!file.isRegular())
        return cliFileFail(1, quill::NotRegularFile(), path, quill::FileAction::Read);

    // The report goes out as it is found, so a damaged file of any size
    // is checked in bounded memory.
    std::size_t recordNo = 0;
    std::size_t findings = 0;
    std::vector<std::pair<std::string, std::size_t>> unshown;  // kind, count; in the order first met
    std::string out;
    auto flush = [&] {
        std::cout << out;
        out.clear();
    };
    // `kind` names the problem without the record's own values.
    auto report = [&](const std::string& kind, const std::string& line) {
        ++findings;
        if (all || findings <= kShownProblems) {
            out += line + '\n';
            return;
        }
        for (auto& [k, n] : unshown)
            if (k == kind) {
                ++n;
                return;
            }
        unshown.emplace_back(kind, 1);
    };
    quill::IoResult r = file.scan([&](std::size_t, const AutRecord& rec) {
        ++recordNo;
        auto problem = [&](const std::string& kind, const std::string& detail = {}) {
            report(kind, "record " + std::to_string(recordNo) + ": " + kind + detail);
        };
        for (const Text& t : texts) {
            if (rec.lengthByte(t.slot) > t.slot.capacity)
                report(std::string(t.name) + ": length byte above the capacity",
                       "record " + std::to_string(recordNo) + ": " + t.name + ": length byte "
                           + std::to_string(rec.lengthByte(t.slot)) + " is above the capacity "
                           + std::to_string(t.slot.capacity));
            std::string_view s = rec.storedText(t.slot);
            if (s.find('\0') != std::string_view::npos)
                problem(std::string(t.name) + ": the text ends early at a zero byte");
            s = s.substr(0, s.find('\0'));
            if (!quill::isValidCp949(s))
                problem(std::string(t.name) + ": bytes that are not CP949", ": " + quill::decodeCp949Escaped(s));
        }
        std::string_view day = rec.storedText(AutRecord::IDAY);
        if (std::string why = dateProblem(day.substr(0, day.find('\0'))); !why.empty())
            problem(why, ": \"" + quill::decodeCp949Escaped(day) + "\"");
        // A pair is in use when its amount or its VAT is not zero, as the
        // category filter counts it.
        int pairs = 0;
        bool allZero = true;
        for (int p = 0; p < 3; ++p) {
            const bool used = rec.storedAmount(2 * p) != 0 || rec.storedAmount(2 * p + 1) != 0;
            pairs += used;
            allZero = allZero && !used;
        }
        if (pairs > 1)
            problem("more than one category in use", " (" + std::to_string(pairs) + " amount pairs)");
        if (allZero)
            problem("all amounts are zero");
        if (out.size() > (1 << 16))
            flush();
        return true;
    });
    flush();
    if (!r)
        return cliFileFail(1, r, path, quill::FileAction::Read);
    if (const std::size_t trailing = file.trailingBytes()) {
        ++findings;
        std::cout << "tail: " << trailing << " bytes after record " << recordNo
                  << " do not form a complete record and are ignored\n";
    }
    if (!unshown.empty()) {
        std::size_t more = 0;
        for (const auto& [kind, n] : unshown)
            more += n;
        std::cout << more << " more problems not shown (--all shows every one):\n";
        for (const auto& [kind, n] : unshown)
            std::cout << "  " << kind << ": " << n << '\n';
    }
    if (findings == 0)
        std::cout << path << ": " << recordNo << " records, nothing found\n";
    return findings ? 3 : 0;
}
