// Any byte sequence is a possible ledger file: reading it must never crash.
#include "ledger/AutRecord.h"
#include "ledger/WorkingTable.h"
#include "view/Totals.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/qb-fuzz-" + std::to_string(getpid()) + ".Aut";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    quill::WorkingTable t;
    if (quill::ReadLedgerFile(path, t)) {
        t.orderBy("IDAY");
        t.open();
        quill::FormatTotals(quill::SumVisibleRows(t));
        quill::WriteLedgerFile(path + ".out", t);
    }
    return 0;
}
