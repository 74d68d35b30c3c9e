// SPDX-License-Identifier: GPL-3.0-or-later
// The five file commands of the toolbar and the save prompt: dialogs and the
// wait window here, the file work in the core.
#include "core/AppInfo.h"
#include "core/io/ErrorText.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/filing/FilingFigures.h"
#include "gui/app/UserDialogs.h"
#include "core/config/WorkFolder.h"
#include "gui/editor/EntryPanel.h"
#include "core/io/FileLock.h"
#include "core/ledger/FileCommands.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"
#include "core/ledger/Totals.h"
#include "core/text/TextHelpers.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QUndoStack>

#include <dirent.h>
#include <utility>

namespace {

const QString kWaitMessage = QStringLiteral("파일을 읽고 있습니다. 잠시만...");
const QString kSaveFirstMessage = QStringLiteral("현재의 작업내용을 저장하신 후 다시 시도하시기 바랍니다.");
const QString kReadOnlyMark = QStringLiteral(" (읽기 전용)");
const QString kChangedOnDisk =
    QStringLiteral("디스크의 파일이 열었을 때(또는 마지막으로 저장했을 때)와 다릅니다.\r"
                   "다른 곳에서 바뀐 것 같습니다. 덮어쓰시겠습니까?");

QString heldElsewhereText() { return QString::fromUtf8(quill::kHeldElsewhereText); }

// The wait window in gauge mode for reading and writing a ledger file.
quill::FileProgress waitGauge()
{
    quill::FileProgress progress;
    progress.show = [] { ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, kWaitMessage); };
    progress.gauge = [](int position) { SetWaitGauge(position); };
    return progress;
}

// The file's name as the system knows it. A name that is not UTF-8 (a CP949
// name from a Windows archive) reaches us from the file dialog or the
// command line with U+FFFD in place of its bytes; it is found in its folder
// as the one name that Qt shows that way.
std::string fsPath(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    const QFileInfo info(path);
    if (!info.fileName().contains(QChar(0xFFFD)) || info.exists())
        return bytes.toStdString();
    const QByteArray folder = QFile::encodeName(info.path());
    std::string found;
    int matches = 0;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            if (QFile::decodeName(e->d_name) == info.fileName() && ++matches == 1)
                found = folder.toStdString() + "/" + e->d_name;
        }
        ::closedir(dir);
    }
    return matches == 1 ? found : bytes.toStdString();
}

// The name to show for a path's bytes (CP949 where they are not UTF-8).
QString shownName(const std::string& path) { return QString::fromStdString(quill::DisplayFileName(path)); }

// The general error report of a failed file command, with the Korean line
// that names the file under the failure's own text.
void reportFileError(UserDialogs& dialogs, const quill::IoResult& r, const QString& path, quill::FileAction action)
{
    CloseWait();
    dialogs.showError(QString::fromStdString(quill::FileErrorReport(r, fsPath(path), action)));
}

} // namespace

QString Tmainf::dialogWorkFolder()
{
    const quill::WorkFolder work =
        quill::ReadWorkFolder(context().configDir().toStdString(), configFileName().toStdString(),
                             context().defaultWorkFolder.toStdString());
    // A configuration that cannot be written (a read-only folder, a home
    // without rights) must not keep every dialog from opening, nor repeat
    // the same report at every command.
    if (!work.stored && !workFolderReported_) {
        workFolderReported_ = true;
        reportError(QString::fromStdString(work.stored.message));
    }
    return QString::fromStdString(work.folder);
}

bool Tmainf::storeWorkFolder(quill::IoResult& result)
{
    result = quill::WriteWorkFolder(book.fileName(), context().configDir().toStdString(),
                                    configFileName().toStdString());
    if (result)
        return true;
    // Only a failure of the configuration file leaves the save good.
    if (result.path != configPath().toStdString())
        return false;
    // The ledger is in its file; only the dialogs' folder is not kept.
    if (!workFolderReported_) {
        workFolderReported_ = true;
        reportError(QString::fromStdString(result.message));
    }
    result = quill::IoResult::success();
    return true;
}

bool Tmainf::ledgerDialog(bool save, const QString& proposal, QString& path)
{
    FileDialogSettings settings;
    settings.title = QStringLiteral("파일명을 확인하세요.");
    settings.folder = dialogWorkFolder();
    settings.proposal = proposal;
    settings.filterName = QStringLiteral("간편장부");
    settings.pattern = QStringLiteral("*.Aut");
    settings.defaultSuffix = QStringLiteral("Aut");
    if (save) {
        // The flow every save dialog shares; the open ledger saved under its
        // own name again is no other file to ask about.
        const QString own =
            book.isUntitled() ? QString() : QFile::decodeName(QByteArray::fromStdString(book.fileName()));
        path = AskSavePath(dialogs(), settings, own);
        return !path.isEmpty();
    }
    path = dialogs().openFileName(settings);
    if (path.isEmpty())
        return false;
    path = CompletedFileName(path, settings.defaultSuffix, false);
    return true;
}

void Tmainf::resetFilterControls(int year)
{
    const QSignalBlocker blockYear(YerEdit);
    const QSignalBlocker blockCategory(CmGbn);
    const QSignalBlocker blockMonth(gCombo);
    YerEdit->setValue(year);
    CmGbn->setCurrentIndex(0);
    gCombo->setCurrentIndex(0);
}

void Tmainf::endEditing()
{
    TpPnl3->hideNote();
    editorMode = quill::EditorMode::Idle;
    TpPnl3->setMode(editorMode);
    TpPnl3->setButtonsActive(false);
}

void Tmainf::NewFileClick()
{
    // The panel keeps its enabled state: only the mode and the two buttons
    // change, also when the prompt below is cancelled.
    if (!SettleUnconfirmedEntry())
        return;
    endEditing();
    if (book.isModified() && AskSaveChanges() == SaveAnswer::Cancel)
        return;
    if (quill::IoResult r = quill::NewLedger(book); !r) {
        // The scratch table's own text, with the Korean line that names its
        // folder and what to do.
        reportFileError(dialogs(), r, QString::fromStdString(book.scratchPath()), quill::FileAction::Start);
        return;
    }
    startHistory();
    resetFilterControls(context().now().date().year());
    showFileName(shownName(book.fileName()));
    applyControlFilter();
    const quill::TotalsTexts zero = quill::ZeroTotalsTexts();
    for (int i = 0; i < 6; ++i)
        Bmxsm[i]->setText(QString::fromStdString(zero.Bmxsm[static_cast<std::size_t>(i)]));
    CntLbe->setText(QString::fromStdString(zero.CntLbe));
    GrdAcunt->setFocus();
}

void Tmainf::HFileOpenClick()
{
    // "No" gave the changes up for another ledger; when none is opened they
    // are still the only copy and must stay marked for the next prompt.
    bool givenUp = false;
    if (!SettleUnconfirmedEntry())
        return;
    if (book.isModified()) {
        const SaveAnswer answer = AskSaveChanges();
        if (answer == SaveAnswer::Cancel)
            return;
        givenUp = answer == SaveAnswer::No;
    }
    QString path;
    if (!ledgerDialog(false, QString::fromStdString(book.fileName()), path) || !openLedgerFile(path)) {
        if (givenUp)
            setHistoryClean(false);
    }
}

bool Tmainf::openLedgerFile(const QString& path)
{
    quill::IoResult r;
    auto open = [&](quill::OpenAccess access) {
        WaitCloser closer;
        r = quill::OpenLedger(book, fsPath(path), waitGauge(), access);
        // The wait window stays until the new ledger is on the screen: its
        // name, its year, the grid and the totals, painted.
        if (r) {
            showOpenedLedger();
            repaint();
        }
    };
    open(quill::OpenAccess::Exclusive);
    if (quill::IsHeldElsewhere(r)) {
        // Another copy edits it: both saving would lose one copy's work.
        if (!dialogs().askYesNo(heldElsewhereText() + QStringLiteral("\r읽기 전용으로 여시겠습니까?")))
            return false;
        open(quill::OpenAccess::ReadOnly);
    }
    tellRecoveries();
    if (!r) {
        // The open ledger, its name and its filter are as they were.
        reportFileError(dialogs(), r, path, quill::FileAction::Read);
        return false;
    }
    // Without a lock a second copy can open and save the same ledger
    // unseen: the user must know before booking anything.
    if (!book.isReadOnly() && book.fileLock().state() == quill::FileLock::State::Unsupported)
        dialogs().showInfo(QString::fromUtf8(quill::kNoLockText) + QLatin1Char('\r') + shownName(book.fileName()));
    if (const std::string notice = book.takeOpenNotice(); !notice.empty())
        dialogs().showInfo(QString::fromStdString(notice) + QLatin1Char('\r')
                           + shownName(book.fileName()));
    return true;
}

void Tmainf::showOpenedLedger()
{
    startHistory();
    resetFilterControls(quill::OpeningYear(TAcunt, context().now().date().year()));
    showFileName(shownName(book.fileName()));
    applyControlFilter();
    RecomputeTotals();
}

void Tmainf::showFileName(const QString& name)
{
    setFileNameLabel(book.isReadOnly() ? name + kReadOnlyMark : name);
    setWindowTitle(QString::fromUtf8(kProgramTitle) + (book.isReadOnly() ? kReadOnlyMark : QString()));
}

bool Tmainf::writeLedger(const QString* newPath)
{
    // Somebody else's version on disk is not overwritten without a word; No
    // (the default: one Enter must not discard another copy's booking)
    // keeps it and the work stays marked as unsaved.
    if ((!newPath || fsPath(*newPath) == book.fileName())
        && quill::LedgerDiskState(book) == quill::DiskState::Changed && !dialogs().askNoYes(kChangedOnDisk))
        return false;
    const std::string before = book.fileName();
    quill::IoResult r;
    {
        WaitCloser closer;
        r = newPath ? quill::SaveLedgerAs(book, fsPath(*newPath), waitGauge()) : quill::SaveLedger(book, waitGauge());
        // The file is complete, but the save is not over until the work
        // folder is stored: the work stays marked as unsaved.
        if (r && !storeWorkFolder(r))
            setHistoryClean(false);
        // The ledger's filing settings go along with it to its new name (a
        // configuration that cannot be written was reported just above).
        if (r && newPath && before != book.fileName())
            quill::CopyFilingSettings(configPath().toStdString(), before, book.fileName());
    }
    // A refused Save As onto the open name leaves the label as it was.
    if (newPath && book.fileName() == fsPath(*newPath) && (r || book.fileName() != before))
        showFileName(*newPath);  // as it is: another case names another file
    if (quill::IsHeldElsewhere(r)) {
        dialogs().showInfo(heldElsewhereText());
        return false;
    }
    tellRecoveries();
    if (!r) {
        reportFileError(dialogs(), r, newPath ? *newPath : QFile::decodeName(QByteArray::fromStdString(before)),
                        quill::FileAction::Save);
        return false;
    }
    // Once per run: the saves themselves succeed.
    if (const std::string problem = book.backupProblemToTell(); !problem.empty()) {
        dialogs().showInfo(QStringLiteral("저장하기 전의 내용을 백업하지 못했습니다.\r%1\r파일은 저장되었습니다. "
                                          "이 알림은 다시 표시하지 않습니다.")
                               .arg(QString::fromStdString(problem)));
    }
    setHistoryClean(true);
    GrdAcunt->setFocus();
    return true;
}

bool Tmainf::saveLedger()
{
    // A read-only ledger is kept only under a name of its own.
    if (book.isUntitled() || book.isReadOnly())
        return saveLedgerAs();
    return writeLedger(nullptr);
}

bool Tmainf::saveLedgerAs()
{
    // Nothing to keep: there is nothing that could be lost either.
    if (!quill::HasEntriesToSave(book))
        return true;
    QString path;
    if (!ledgerDialog(true, QString::fromStdString(book.fileName()), path))
        return false;
    return writeLedger(&path);
}

void Tmainf::SaveBtnClick() { saveLedger(); }

void Tmainf::RnameBtnClick() { saveLedgerAs(); }

void Tmainf::FileAddClick()
{
    if (!SettleUnconfirmedEntry())
        return;
    if (TAcunt.isOpen() && !TAcunt.isEmpty() && book.isUntitled()) {
        dialogs().showInfo(kSaveFirstMessage);
        return;
    }
    QString path;
    if (!ledgerDialog(false, QString(), path))
        return;
    // The rows before the merge, for undoing it as one step.
    std::vector<quill::LedgerEntry> before;
    before.reserve(TAcunt.rowCount());
    for (std::size_t i = 0; i < TAcunt.rowCount(); ++i)
        before.push_back(TAcunt.row(i));
    quill::IoResult r;
    {
        // As Open: the wait window stays until the merged ledger is shown.
        WaitCloser closer;
        r = quill::AddLedgerFile(book, fsPath(path), waitGauge());
        if (r) {
            recordChange(quill::LedgerChange::merged(before, TAcunt), QStringLiteral("파일 추가"));
            RecomputeTotals();
            repaint();
        }
    }
    tellRecoveries();
    if (!r)
        reportFileError(dialogs(), r, path, quill::FileAction::Read);
    else if (const std::string notice = book.takeOpenNotice(); !notice.empty())
        dialogs().showInfo(QString::fromStdString(notice) + QLatin1Char('\r')
                           + shownName(fsPath(path)));
}

Tmainf::SaveAnswer Tmainf::AskSaveChanges()
{
    TpPnl3->commitComposition();
    dialogs().beep();
    switch (dialogs().askYesNoCancel(QStringLiteral("자료내용이 변경되었습니다.\r저장하시겠습니까?"))) {
    case UserDialogs::Answer::Yes:
        // A save that did not happen (dialog cancelled, write failed) keeps
        // the work: the command that asked does not go on.
        if (!saveLedger())
            return SaveAnswer::Cancel;
        return SaveAnswer::Yes;
    case UserDialogs::Answer::No:
        // Given up: the prompt does not come again for these changes.
        setHistoryClean(true);
        return SaveAnswer::No;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return SaveAnswer::Cancel;
}
