// SPDX-License-Identifier: GPL-3.0-or-later
// A damaged scratch table file must be refused, never trusted; one that is
// taken holds exactly the rows it announces and is written back the same.
#include "FuzzCheck.h"
#include "FuzzFiles.h"

#include "core/ledger/WorkingTable.h"

#include <string>

QB_FUZZ_TARGET(fuzzSnapshot)
{
    static const std::string in = fuzzfiles::file("in.cds");
    static const std::string out = fuzzfiles::file("out.cds");
    if (!fuzzfiles::writeFile(in, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    quill::WorkingTable t;
    if (t.loadSnapshot(in)) {
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            (void)t.current().JKYU.view();
        if (!t.saveSnapshot(out))
            check(false);
        quill::WorkingTable back;
        if (!back.loadSnapshot(out) || back.rowCount() != t.rowCount())
            check(false);
        for (std::size_t i = 0; i < t.rowCount(); ++i)
            if (!(back.row(i) == t.row(i)))
                check(false);
    }
    return 0;
}
