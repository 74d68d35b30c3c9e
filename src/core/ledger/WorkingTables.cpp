// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/WorkingTables.h"

#include "core/io/ProgramFolders.h"
#include "core/ledger/WorkingTable.h"

#include <filesystem>

namespace quill {

void EnsureScratchTableFile(const std::string& programFolder, const std::string& scratchPath)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::path(scratchPath).parent_path();
    MakePrivateFolders(folder.string());
    if (!fs::exists(scratchPath, ec))
        fs::copy_file(fs::path(programFolder) / kTemplateTableFile, scratchPath, ec);
    // The table holds the open ledger: only the user may read it, whatever
    // the template's mode or the folder's.
    PrivateToUser(folder.string(), 0700);
    PrivateToUser(scratchPath, 0600);
}

IoResult ResetWorkingTables(WorkingTable& TAcunt, WorkingTable& fAcunt, const std::string& scratchPath)
{
    if (IoResult r = fAcunt.loadSnapshot(scratchPath); !r)
        return r;
    fAcunt.orderBy("IDAY");
    fAcunt.disableControls();
    fAcunt.clear();
    fAcunt.enableControls();
    if (IoResult r = fAcunt.saveSnapshot(scratchPath); !r) {
        fAcunt.close();
        return r;
    }
    fAcunt.close();
    TAcunt.close();
    if (IoResult r = TAcunt.loadSnapshot(scratchPath); !r)
        return r;
    TAcunt.orderBy("IDAY");
    return IoResult::success();
}

} // namespace quill
