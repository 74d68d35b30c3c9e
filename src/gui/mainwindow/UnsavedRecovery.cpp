// SPDX-License-Identifier: GPL-3.0-or-later
// A ledger with unsaved changes when the session ends or the program is
// told to stop: the usual questions where they can be asked, and in any
// case a copy beside the scratch table that the next start offers.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "core/ledger/UnsavedCopy.h"

#include <QSessionManager>

void Tmainf::keepUnsavedForRecovery() { quill::KeepUnsavedCopy(book); }

void Tmainf::dropUnsavedCopy() { quill::DropUnsavedCopy(quill::UnsavedCopyPath(book)); }

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
    if (!book.isModified())
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
    std::optional<quill::UnsavedCopy> copy = quill::FindUnsavedCopy(book);
    if (!copy)
        return false;
    const QString shown = QString::fromStdString(copy->name.empty() ? quill::kUntitledName : copy->name);
    const bool take = dialogs().askYesNo(QStringLiteral("지난번에 저장하지 않고 끝난 장부가 있습니다: %1 (%2건).\r"
                                                        "불러오시겠습니까?")
                                             .arg(shown)
                                             .arg(copy->rows.size()));
    quill::DropUnsavedCopy(copy->path);
    if (take) {
        quill::RestoreUnsavedCopy(book, std::move(*copy));
        showOpenedLedger();
        // The entries are still not in any file.
        setHistoryClean(false);
    }
    return take;  // one at a time: the next start offers another
}
