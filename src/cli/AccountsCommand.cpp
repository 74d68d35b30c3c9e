// SPDX-License-Identifier: GPL-3.0-or-later
// accounts: the table of accounts an entry's CTG field can name, one a
// line: code, key, Korean name, tab-separated.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/ledger/Accounts.h"

#include <iostream>

int runAccounts(const std::vector<std::string>& args)
{
    if (!args.empty())
        return cliFail(2, "usage: quillbook-cli accounts");
    for (const quill::Account& a : quill::AccountTable())
        std::cout << a.code << '\t' << a.key << '\t' << a.name << '\n';
    return 0;
}
