// SPDX-License-Identifier: GPL-3.0-or-later
// A ledger with unsaved changes when the session ends or the program is
// told to stop: the usual questions where they can be asked, and in any
// case a copy beside the scratch table that the next start offers.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "core/io/FileLock.h"
#include "core/io/SafeFile.h"
#include "core/ledger/SnapshotFile.h"

#include <QDir>
#include <QFile>
#include <QSessionManager>

#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kUnsavedSuffix = ".unsaved";

std::string nameFileOf(const std::string& unsaved) { return unsaved + ".name"; }

} // namespace

std::string Tmainf::unsavedCopyPath() const
{
    return book.scratchPath.empty() ? std::string() : book.scratchPath + kUnsavedSuffix;
}

void Tmainf::keepUnsavedForRecovery()
{
    const std::string path = unsavedCopyPath();
    if (path.empty() || !book.Modified || !TAcunt.isOpen())
        return;
    // Our scratch folder (0700): the copy is the user's alone.
    if (!TAcunt.saveSnapshot(path))
        return;
    // The ledger's name beside it, through the safe writer as every file we
    // write. Without it (a full disk) the copy is still offered, as a ledger
    // without a name, never under the name of an older copy.
    quill::SafeFile name(nameFileOf(path));
    if (!name.open() || !name.write(book.CurrentFileName) || !name.commit()) {
        std::error_code ec;
        std::filesystem::remove(nameFileOf(path), ec);
    }
}

void Tmainf::dropUnsavedCopy()
{
    const std::string path = unsavedCopyPath();
    if (path.empty())
        return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(nameFileOf(path), ec);
}

void Tmainf::closeBySignal()
{
    // First the copy, for a session that does not wait for the answers.
    keepUnsavedForRecovery();
    if (closed_)
        return;
    close();
}

void Tmainf::commitData(QSessionManager& manager)
{
    if (!book.Modified)
        return;
    keepUnsavedForRecovery();
    if (!manager.allowsInteraction())
        return;  // the copy is offered at the next start
    const SaveAnswer answer = AskSaveChanges();
    manager.release();
    if (answer == SaveAnswer::Cancel)
        manager.cancel();  // the user goes on working: the logout stops
}

bool Tmainf::offerUnsavedFromLastRun()
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(book.scratchPath).parent_path();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string path = e.path().string();
        if (path.size() <= std::string(kUnsavedSuffix).size()
            || path.compare(path.size() - std::string(kUnsavedSuffix).size(), std::string::npos, kUnsavedSuffix) != 0)
            continue;
        // A copy whose table a running copy of the program holds is its own.
        const std::string table = path.substr(0, path.size() - std::string(kUnsavedSuffix).size());
        if (table != book.scratchPath) {
            quill::FileLock lock = quill::FileLock::take(table + ".lock");
            if (lock.state() == quill::FileLock::State::HeldElsewhere)
                continue;
        }
        std::vector<quill::LedgerEntry> rows;
        std::string name;
        {
            std::ifstream in(nameFileOf(path), std::ios::binary);
            std::getline(in, name, '\0');
        }
        const bool read = bool(quill::readSnapshot(path, rows));
        if (read && !rows.empty()) {
            const QString shown = QString::fromStdString(name.empty() ? quill::kUntitledName : name);
            const bool take = dialogs().askYesNo(QStringLiteral("지난번에 저장하지 않고 끝난 장부가 있습니다: %1 (%2건).\r"
                                                                "불러오시겠습니까?")
                                                     .arg(shown)
                                                     .arg(rows.size()));
            fs::remove(path, ec);
            fs::remove(nameFileOf(path), ec);
            if (take)
                restoreUnsaved(std::move(rows), name);
            return take;  // one at a time: the next start offers another
        }
        fs::remove(path, ec);
        fs::remove(nameFileOf(path), ec);
    }
    return false;
}
