// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// Subcommands of quillbook-cli. Each gets the arguments after its name and
// returns the exit status: 0 done, 1 failure, 2 usage error, 3 (check) found
// something.
int runDump(const std::vector<std::string>& args);
int runImport(const std::vector<std::string>& args);
int runTotals(const std::vector<std::string>& args);
int runCheck(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runTax(const std::vector<std::string>& args);
int runAccounts(const std::vector<std::string>& args);
int runPrint(const std::vector<std::string>& args);
// import-statement: 0 rows booked, 1 none, 2 usage error, 3 statement unreadable.
int runImportStatement(const std::vector<std::string>& args);
