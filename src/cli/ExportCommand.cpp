// export: the workbook the toolbar's export writes, from a ledger file, for
// batch use.
#include "Commands.h"
#include "CliSupport.h"

#include "export/ExportWorkbook.h"
#include "ledger/LedgerFileStream.h"
#include "ledger/WorkingTable.h"

#include <iostream>

int runExport(const std::vector<std::string>& args)
{
    CliArgs a;
    std::optional<quill::LedgerFilter> filter;
    const char* usage = "usage: quillbook-cli export FILE OUT.xlsx [--year Y] [--month M] [--category C] [--printer]";
    if (auto status = parseFilteredArgs(args, {"--printer"}, 2, usage, a, filter))
        return *status;
    const std::string& path = a.positional[0];
    const std::string& out = a.positional[1];

    // --printer writes the page setup the program writes when a printer is
    // installed; without it the workbook keeps the default page.
    quill::ExportOptions options;
    options.hasPrinter = a.flags.count("--printer") > 0;

    // Counted first, streamed: a ledger too big for one sheet is refused
    // before anything is held, and an empty selection writes nothing (the
    // toolbar's export does nothing then either).
    long long passing = 0;
    {
        quill::LedgerFileStream file;
        quill::IoResult r = file.open(path);
        if (r)
            r = file.scan([&](std::size_t, const quill::AutRecord& rec) {
                passing += !filter || filter->passes(rec.toEntry());
                return true;
            });
        if (!r)
            return cliFail(1, path + ": " + r.message);
    }
    if (passing == 0)
        return cliFail(1, path + ": 내보낼 자료가 없습니다. 조회 조건에 맞는 자료가 없어 엑셀파일을 만들지 않았습니다.");
    if (passing > quill::ExportEntryLimit(options))
        return cliFail(1, path + ": " + quill::TooManyEntriesMessage(passing, options));

    quill::WorkingTable table;
    if (quill::IoResult r = loadLedgerForCli(path, table, filter); !r)
        return cliFail(1, path + ": " + r.message);
    if (quill::IoResult r = quill::ExportLedger(table, out, options); !r)
        return cliFail(1, out + ": " + r.message);
    return 0;
}
