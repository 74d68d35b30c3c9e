// A damaged scratch table file must be refused, never trusted.
#include "ledger/WorkingTable.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/qb-fuzz-" + std::to_string(getpid()) + ".cds";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    quill::WorkingTable t;
    if (t.loadSnapshot(path)) {
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            (void)t.current().JKYU.view();
    }
    return 0;
}
