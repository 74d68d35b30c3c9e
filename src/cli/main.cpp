// SPDX-License-Identifier: GPL-3.0-or-later
// quillbook-cli: the command-line companion for people who handle many
// ledger files. UTF-8 on its side, CP949 in the files.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/io/SafeFileRecovery.h"

#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: quillbook-cli <command> ...  |  quillbook-cli --help | --version\n"
    "  dump FILE                     every record, tab-separated, in file order\n"
    "  import IN.tsv OUT.Aut         a dump back into a ledger file\n"
    "  totals FILE [--year Y] [--month M] [--category 전체|수입|비용|자산] [--labels]\n"
    "  check FILE [--all]            reports damaged or suspicious records (the first 100, then a count\n"
    "                                of each kind; --all: every one)\n"
    "  export FILE OUT.xlsx [--year Y] [--month M] [--category 전체|수입|비용|자산]\n"
    "                                the official-form workbook, set up for printing\n"
    "                                (OUT.xlsx - : to standard output; a --printer of older\n"
    "                                scripts is taken and ignored)\n"
    "  print FILE [--year Y] [--month M] [--category 전체|수입|비용|자산] (-o OUT.pdf | --printer NAME)\n"
    "                                the printed form as a PDF file or on a printer\n"
    "  tax FILE --year Y [--type 일반|간이|면세] [--industry 업종] [--prepaid-h1 원] [--prepaid-h2 원]\n"
    "      [--opening-day yyyy.mm.dd] [--last-year-revenue 원] [--large-last-year 예|아니오] [--accountant]\n"
    "      [--simple-rate R] [--standard-rate R] [--opening-stock 원] [--closing-stock 원]\n"
    "      [--config FILE]           the filing figures of the year (참고용, for reference), the\n"
    "                                ledger's own settings unless overridden; tax --help lists the keys\n"
    "  accounts                      the accounts (계정) an entry can be booked to: code, key, name\n"
    "  import-statement STATEMENT LEDGER.Aut [--profile NAME] [--sheet N|NAME] [--encoding ENC]\n"
    "      [--dry-run] [--include-duplicates]\n"
    "                                books a card, bank or tax-office list (CSV, xlsx, xls);\n"
    "                                exit 0 booked, 1 none, 2 usage, 3 statement unreadable\n";

} // namespace

int main(int argc, char** argv)
{
    // A write past the file size limit fails (and the old file stays)
    // rather than ending the command without a word.
    quill::IgnoreFileSizeSignal();
    if (argc < 2)
        return cliFail(2, "missing command (try --help)");
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "quillbook-cli " QB_VERSION "\n";
        return 0;
    }
    // A save cut off earlier (by this command or the program) is settled
    // before any ledger is read or written.
    for (const quill::RecoveryNotice& n : quill::RecoverInterruptedWrites())
        std::cerr << "quillbook-cli: " << quill::RecoveryNoticeText(n) << "\n";
    quill::TakeRecoveryNotices();
    try {
        if (command == "dump")
            return runDump(args);
        if (command == "import")
            return runImport(args);
        if (command == "totals")
            return runTotals(args);
        if (command == "check")
            return runCheck(args);
        if (command == "export")
            return runExport(args);
        if (command == "tax")
            return runTax(args);
        if (command == "print")
            return runPrint(args);
        if (command == "accounts")
            return runAccounts(args);
        if (command == "import-statement")
            return runImportStatement(args);
    } catch (const std::bad_alloc&) {
        return cliFail(1, quill::kOutOfMemoryText);
    } catch (const std::exception& e) {
        return cliFail(1, e.what());
    }
    return cliFail(2, "unknown command " + command + " (try --help)");
}
