// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quill {

// Before a save replaces a ledger file, the version it replaces is copied
// into the folder "백업" beside it as "<name>_<yyyymmdd>-<hhmm><extension>"
// ("가게장부_20241231-1830.Aut"); a second save in the same minute adds the
// seconds ("…-183015.Aut"), a third in the same second a number
// ("…-183015-2.Aut"). The newest ten of each ledger are kept.
inline constexpr const char* kBackupFolderName = "백업";
inline constexpr std::size_t kBackupsKept = 10;

struct BackupTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
BackupTime LocalBackupTime();  // now, in local time

// The backup folder of a ledger file: "백업" in the ledger's folder.
std::string BackupFolderOf(const std::string& ledgerPath);

// The backups of this ledger (by its name, in its backup folder), oldest
// first. Files of other names there are not counted.
std::vector<std::string> ListBackups(const std::string& ledgerPath);

// Keeps the file now at `ledgerPath` as its newest backup. Nothing is kept
// when there is no file, when it is empty, or when it is the same as the
// newest backup already there (saving unchanged work again would otherwise
// push real versions out). `made` receives the new backup's path, or
// stays empty.
IoResult KeepBackup(const std::string& ledgerPath, const BackupTime& time, std::string* made = nullptr);
// Removes this ledger's oldest backups beyond `keep` (after a save that
// succeeded, so a failed one costs no older version).
IoResult PruneBackups(const std::string& ledgerPath, std::size_t keep = kBackupsKept);
// Takes back a backup that a failed save made needlessly (the ledger file
// still holds that version), and the backup folder when it is empty then.
void DropBackup(const std::string& backupPath);

} // namespace quill
