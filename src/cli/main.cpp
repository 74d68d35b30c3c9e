// SPDX-License-Identifier: GPL-3.0-or-later
// quillbook-cli: the command-line companion for people who handle many
// ledger files. UTF-8 on its side, CP949 in the files.
#include "Commands.h"
#include "CliSupport.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: quillbook-cli <command> ...\n"
    "  dump FILE                     every record, tab-separated, in file order\n"
    "  import IN.tsv OUT.Aut         a dump back into a ledger file\n"
    "  totals FILE [--year Y] [--month M] [--category 전체|수입|비용|자산] [--labels]\n"
    "  check FILE [--all]            reports damaged or suspicious records (the first 100, then a count\n"
    "                                of each kind; --all: every one)\n"
    "  export FILE OUT.xlsx [--year Y] [--month M] [--category 전체|수입|비용|자산] [--printer]\n"
    "                                the official-form workbook; --printer adds the page setup\n"
    "  tax FILE --year Y [--type 일반|간이|면세]\n"
    "                                VAT and income-tax figures of the year (참고용, for reference)\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return cliFail(2, "missing command (try --help)");
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
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
    } catch (const std::exception& e) {
        return cliFail(1, e.what());
    }
    return cliFail(2, "unknown command " + command + " (try --help)");
}
