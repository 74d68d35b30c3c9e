// export: the workbook the toolbar's export writes, from a ledger file, for
// batch use.
#include "Commands.h"
#include "CliSupport.h"

#include "export/ExportWorkbook.h"
#include "ledger/WorkingTable.h"

int runExport(const std::vector<std::string>& args)
{
    CliArgs a;
    quill::WorkingTable table;
    const char* usage = "usage: quillbook-cli export FILE OUT.xlsx [--year Y] [--month M] [--category C] [--printer]";
    if (auto status = openFilteredLedger(args, {"--printer"}, 2, usage, a, table))
        return *status;

    // --printer writes the page setup the program writes when a printer is
    // installed; without it the workbook keeps the default page.
    quill::ExportOptions options;
    options.hasPrinter = a.flags.count("--printer") > 0;
    if (quill::IoResult r = quill::ExportLedger(table, a.positional[1], options); !r)
        return cliFail(1, a.positional[1] + ": " + r.message);
    return 0;
}
