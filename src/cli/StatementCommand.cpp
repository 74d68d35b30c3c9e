// SPDX-License-Identifier: GPL-3.0-or-later
// import-statement: a card, bank or tax-office list booked into a ledger
// file, with the profiles, rules and matching of the program's preview.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/io/FileLock.h"
#include "core/io/ProgramFolders.h"
#include "core/config/WorkFolder.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/Backups.h"
#include "core/ledger/FileCommands.h"
#include "core/ledger/Money.h"
#include "core/ledger/WorkingTable.h"
#include "core/statement/StatementImport.h"
#include "core/text/TabSeparated.h"

#include <climits>
#include <iostream>
#include <unistd.h>

namespace {

// The configuration the program itself would read: the profiles and rules
// the user saved there.
std::string configPath()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    const quill::ProgramFolders folders = quill::ResolveProgramFolders(exe.substr(0, slash + 1));
    return folders.config + quill::kConfigFileName;
}

} // namespace

int runImportStatement(const std::vector<std::string>& args)
{
    const std::string usage =
        "usage: quillbook-cli import-statement STATEMENT LEDGER.Aut [--profile NAME] [--sheet N|NAME] "
        "[--encoding utf-8|cp949|utf-16] [--dry-run] [--include-duplicates]";
    CliArgs a;
    if (auto err = parseCliArgs(args, {"--profile", "--sheet", "--encoding"}, {"--dry-run", "--include-duplicates"}, a))
        return cliFail(2, *err + "\n" + usage);
    if (a.positional.size() != 2)
        return cliFail(2, usage);
    const std::string& statementPath = a.positional[0];
    const std::string& ledgerPath = a.positional[1];
    const bool dryRun = a.flags.count("--dry-run") != 0;
    const bool withDuplicates = a.flags.count("--include-duplicates") != 0;
    const auto profileIt = a.options.find("--profile");
    const std::string profileName = profileIt == a.options.end() ? std::string() : profileIt->second;

    quill::StatementReadOptions options;
    if (const auto it = a.options.find("--encoding"); it != a.options.end()) {
        std::string e;
        for (char c : it->second)
            e += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (e == "utf-8" || e == "utf8")
            options.encoding = quill::StatementEncoding::Utf8;
        else if (e == "cp949" || e == "euc-kr" || e == "euckr")
            options.encoding = quill::StatementEncoding::Cp949;
        else if (e == "utf-16" || e == "utf16")
            options.encoding = quill::StatementEncoding::Utf16;
        else
            return cliFail(2, "--encoding: utf-8, cp949, utf-16 가운데 하나를 쓰세요: " + it->second + "\n" + usage);
    }
    quill::StatementReadResult read = quill::ReadStatementFile(statementPath, options);
    if (read.error)
        return cliFail(3, read.error.message);  // it names the file

    // --sheet: a number from 1 or a sheet's name; without it every sheet is
    // tried, the first a profile reads taken.
    int sheet = quill::kAnySheet;
    if (const auto it = a.options.find("--sheet"); it != a.options.end()) {
        sheet = -2;
        for (std::size_t i = 0; i < read.book.sheets.size(); ++i)
            if (read.book.sheets[i].name == it->second)
                sheet = static_cast<int>(i);
        if (sheet < 0 && !it->second.empty() && it->second.find_first_not_of("0123456789") == std::string::npos &&
            it->second.size() < 6) {
            const int n = std::stoi(it->second);
            if (n >= 1 && static_cast<std::size_t>(n) <= read.book.sheets.size())
                sheet = n - 1;
        }
        if (sheet < 0)
            return cliFail(2, statementPath + ": 그런 시트가 없습니다: " + it->second + " (시트 " +
                                  std::to_string(read.book.sheets.size()) + "개)");
    }

    // The ledger stays ours from reading to writing, as in the program.
    quill::FileLock lock;
    if (!dryRun) {
        lock = quill::FileLock::take(ledgerPath);
        if (lock.state() == quill::FileLock::State::HeldElsewhere)
            return cliFail(1, ledgerPath + ": " + quill::kHeldElsewhereText);
    }
    quill::WorkingTable table;
    if (quill::IoResult r = loadLedgerForCli(ledgerPath, table); !r)
        return cliFileFail(1, r, ledgerPath, quill::FileAction::Read);
    // Booking into the statement itself would replace it with a ledger.
    if (quill::IoResult r = refuseSameFile(statementPath, ledgerPath); !r)
        return cliFileFail(1, r, ledgerPath, quill::FileAction::Save);

    const std::string ini = configPath();
    const std::vector<quill::StatementProfile> profiles = quill::AllProfiles(ini);
    const std::vector<quill::ImportRule> rules = quill::ReadImportRules(ini);
    quill::ImportPlan plan = quill::PrepareImport(read.book, sheet, profiles, profileName);
    read.book = {};  // the rows are made: the cells can go before the index comes
    quill::LedgerMatchIndex index;
    index.build(table);
    quill::FinishImport(plan, rules, index);
    if (!plan.error.empty()) {
        // A profile asked for by a name that does not exist is the caller's
        // slip; a list no profile knows is a statement we cannot read.
        const bool usageSlip = !profileName.empty() && plan.profile.name.empty();
        std::string message = statementPath + ": " + plan.error;
        if (!plan.choices.empty())
            message += " (--profile)";
        return cliFail(usageSlip ? 2 : 3, message);
    }
    if (withDuplicates)
        for (quill::ImportRow& row : plan.rows)
            if (row.status == quill::ImportStatus::Duplicate)
                row.ticked = true;

    if (dryRun) {
        std::string out;
        std::size_t wouldBook = 0;
        for (const quill::ImportRow& row : plan.rows) {
            if (row.ticked && row.status != quill::ImportStatus::Error)
                ++wouldBook;
            quill::AppendTabLine(out, {quill::ImportStatusName(row.status), row.IDAY, row.description,
                                       row.counterparty, quill::categoryName(row.category),
                                       quill::groupedWon(quill::toWideTenThousandths(row.amount)),
                                       quill::groupedWon(quill::toWideTenThousandths(row.vat)), row.remark,
                                       row.reason});
        }
        std::cout << out << "틀: " << plan.profile.name << "\n" << std::flush;
        return wouldBook > 0 ? 0 : 1;
    }

    const quill::BookedImport booked = quill::BookImportRows(table, plan.rows);
    if (booked.counts.booked == 0) {
        std::cout << quill::ImportReport(booked.counts) << "\n";
        return 1;
    }
    std::string backup;
    quill::IoResult kept = quill::KeepBackup(ledgerPath, quill::LocalBackupTime(), &backup);
    if (quill::IoResult r = quill::WriteLedgerFile(ledgerPath, table); !r) {
        quill::DropBackup(backup);
        return cliFileFail(1, r, ledgerPath, quill::FileAction::Save);
    }
    if (kept)
        kept = quill::PruneBackups(ledgerPath);
    if (!kept)
        std::cerr << "quillbook-cli: " << quill::BackupFolderOf(ledgerPath) << ": " << kept.message
                  << " (no backup kept; the rows were booked)\n";
    std::cout << quill::ImportReport(booked.counts) << "\n";
    return 0;
}
