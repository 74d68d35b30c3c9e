// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/Cp949.h"
#include "app/ErrorText.h"
#include "app/SafeFile.h"
#include "app/UserDialogs.h"
#include "app/WorkFolder.h"
#include "editor/EntryPanel.h"
#include "ledger/FileCommands.h"
#include "support/WaitWindow.h"
#include "view/LedgerTableModel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>
#include <QWindow>
#include <QUndoStack>

#include <exception>
#include <unistd.h>
#include <filesystem>

Tmainf::Tmainf(const AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), context_(context)
{
    // The program's own title strip replaces the system's title bar.
    buildLayout();
    connectCommands();
    setupEntryComfort();
    TAcunt.setNewRowHook(&Tmainf::TAcuntNewRecord);
    TAcunt.setDataChanged([this] { tableChanged(); });
}

Tmainf::~Tmainf()
{
    // The history is a child: it is emptied when QWidget's destructor runs,
    // after this window's members are gone, and must not tell them.
    if (undoStack)
        undoStack->disconnect(this);
    // A year or month typed but not yet applied is applied when the box
    // loses the focus, which the widgets' own destruction still causes: by
    // then the ledger is gone.
    QObject::disconnect(YerEdit, nullptr, this, nullptr);
    QObject::disconnect(gCombo, nullptr, this, nullptr);
    QObject::disconnect(CmGbn, nullptr, this, nullptr);
    TAcunt.setDataChanged({});
    CloseWait();
    if (!book.scratchPath.empty())
        quill::ReleaseScratchTableFile(book.scratchPath);
}

QString Tmainf::configFileName() const { return iconBtn->statusTip(); }

QString Tmainf::configPath() const { return context_.configDir() + configFileName(); }

void Tmainf::TAcuntNewRecord(quill::LedgerEntry& entry)
{
    entry.TAG = "N";
    entry.CTG = 0;
}

void Tmainf::connectCommands()
{
    // Every toolbar command but exit (which asks its own question first)
    // settles an entry being typed before it runs: saving, printing or
    // opening a window would otherwise leave it behind in a panel that the
    // next Enter in the grid fills with another row.
    auto bind = [this](QToolButton* button, void (Tmainf::*handler)(), bool settles = true) {
        connect(button, &QToolButton::clicked, this, [this, handler, settles] {
            runCommand([this, handler, settles] {
                // The toolbar's buttons take no focus: what the input method
                // composes in the panel would be lost.
                TpPnl3->commitComposition();
                if (settles && !SettleUnconfirmedEntry())
                    return;
                (this->*handler)();
            });
        });
    };
    bind(mExit0, &Tmainf::mExit0Click, false);
    bind(QuitBtn, &Tmainf::mExit0Click, false);
    bind(HFileOpen, &Tmainf::HFileOpenClick);
    bind(NewFile, &Tmainf::NewFileClick);
    bind(SaveBtn, &Tmainf::SaveBtnClick);
    bind(RnameBtn, &Tmainf::RnameBtnClick);
    bind(FileAdd, &Tmainf::FileAddClick);
    bind(BtnApp, &Tmainf::BtnAppClick);
    bind(BtnEdt, &Tmainf::BtnEdtClick);
    bind(BtnDel, &Tmainf::BtnDelClick);
    bind(PrtBtn, &Tmainf::PrtBtnClick);
    bind(FilingBtn, &Tmainf::FilingBtnClick);
    bind(HelpBtn, &Tmainf::HelpBtnClick);
    bind(dDTZIP, &Tmainf::dDTZIPClick);
    bind(DgaBtn, &Tmainf::DgaBtnClick);
    bind(Hinfo, &Tmainf::HinfoClick);
    // The usual desktop keys for the file commands and the export, besides
    // the buttons: each clicks its button.
    const std::pair<QKeySequence, QToolButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), NewFile},         {QKeySequence(Qt::CTRL | Qt::Key_O), HFileOpen},
        {QKeySequence(Qt::CTRL | Qt::Key_S), SaveBtn},         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), RnameBtn},
        {QKeySequence(Qt::CTRL | Qt::Key_P), PrtBtn},          {QKeySequence(Qt::CTRL | Qt::Key_T), FilingBtn},
    };
    for (const auto& [sequence, button] : keys)
        connect(new QShortcut(sequence, this), &QShortcut::activated, button, &QToolButton::click);
    connect(TpPnl3, &EntryPanel::confirmRequested, this, [this] { runCommand([this] { mOkClick(); }); });
    connect(TpPnl3, &EntryPanel::cancelRequested, this, [this] { runCommand([this] { mVoideClick(); }); });
    for (int i = 0; i < 4; ++i)
        connect(NavButtons[i], &QToolButton::clicked, this, [this, i] { runCommand([this, i] { navigate(i); }); });

    // The filter row: a user's pick or edit, and any change of the year text.
    auto filterChanged = [this] { runCommand([this] { CmGbnChange(); }); };
    connect(CmGbn, &QComboBox::activated, this, filterChanged);
    connect(CmGbn->lineEdit(), &QLineEdit::textEdited, this, filterChanged);
    connect(gCombo, &MonthBox::monthApplied, this, [this](bool keepFocus) {
        runCommand([this, keepFocus] {
            const QScopedValueRollback keep(filterKeepsFocus_, keepFocus);
            CmGbnChange();
        });
    });
    // Typed years and the focus leaving the box keep the focus where the
    // user is; the spin buttons, arrows, wheel and Enter end in the grid.
    connect(YerEdit, &QSpinBox::textChanged, this, [this] {
        runCommand([this] {
            const QScopedValueRollback keep(filterKeepsFocus_, YerEdit->changeKeepsFocus());
            CmGbnChange();
        });
    });
    connect(YerEdit, &YearBox::entered, this, [this] { GrdAcunt->setFocus(); });

    // The grid moves the working ledger's cursor, and the other way round.
    connect(GrdAcunt->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (syncingGrid_ || !current.isValid() || !TAcunt.isOpen())
                    return;
                if (current.row() != TAcunt.recNo() || TAcunt.eof())
                    runCommand([this, row = current.row()] { TAcunt.moveTo(row); });
            });
    connect(GrdAcunt, &QTableView::doubleClicked, this, [this] { runCommand([this] { BtnEdtClick(); }); });

    GrdAcunt->installEventFilter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{CmGbn, YerEdit, gCombo})
        w->installEventFilter(this);
}

// --- start-up, resize, close ---------------------------------------------------

void Tmainf::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    runCommand([this] { FormShow(); });
}

void Tmainf::FormShow()
{
    QSize screen(1024, 768);
    if (QScreen* s = QGuiApplication::primaryScreen())
        screen = s->geometry().size();
    const quill::WindowGeometry g =
        quill::ReadWindowGeometry(configPath().toStdString(), screen.width(), screen.height());
    // The stored (or default) size becomes the window's fixed size: the
    // user cannot resize it by dragging.
    setFixedSize(g.width, g.height);
    move(g.left, g.top);
    // Qt passes a position on only when it differs from the one it assumes,
    // (0, 0) included; without it the window manager places the window
    // where it likes.
    if (QWindow* handle = windowHandle())
        handle->setPosition(g.left, g.top);

    prepareScratchTable();
    NewFileClick();
    // A ledger named on the command line (a double-click on a ledger file)
    // opens as Open would; one that cannot be read is reported and the
    // empty ledger stays.
    if (!context_.openAtStart.isEmpty())
        openLedgerFile(context_.openAtStart);
    GrdAcunt->setFocus();
}

namespace {
// A save written in place keeps the old content beside our scratch table
// meanwhile; one cut off by a crash is put back at the next start.
void useScratchFolderForSaves(const std::string& scratchPath)
{
    const std::string folder = std::filesystem::path(scratchPath).parent_path().string();
    if (folder.empty())
        return;
    quill::SafeFile::setScratchFolder(folder);
    quill::SafeFile::recoverInterrupted();
}
} // namespace

namespace {

// "<temp>/quillbook-<uid>", made for this user and closed to others, or
// empty when no such folder can be had: ledger data goes into no folder that
// another user made or may read.
QString privateTempFolder()
{
    const QString folder = QDir::tempPath() + QStringLiteral("/quillbook-%1").arg(::getuid());
    QDir().mkdir(folder);
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink() || info.ownerId() != ::getuid())
        return {};
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

} // namespace

void Tmainf::prepareScratchTable()
{
    book.programFolder = context_.stateDir().toStdString();
    book.scratchPath = quill::AcquireScratchTableFile(book.programFolder, context_.dataDir().toStdString());
    if (QFileInfo(QString::fromStdString(book.scratchPath)).isWritable()) {
        useScratchFolderForSaves(book.scratchPath);
        return;
    }
    // A program folder we may not write (an installation owned by the
    // system): keep the scratch table in the user's own data folder instead,
    // so the program still works; where the user has no writable home either
    // (a service account, a home on a read-only medium), in a folder of the
    // user's own under the system's temporary folder.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QString folder = attempt == 0 ? own : privateTempFolder();
        if (folder.isEmpty())
            continue;
        quill::ReleaseScratchTableFile(book.scratchPath);
        book.scratchPath = quill::AcquireScratchTableFile((folder + QLatin1Char('/')).toStdString(),
                                                          context_.dataDir().toStdString());
        if (QFileInfo(QString::fromStdString(book.scratchPath)).isWritable())
            break;
    }
    useScratchFolderForSaves(book.scratchPath);
}

void Tmainf::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void Tmainf::closeEvent(QCloseEvent* event)
{
    if (closed_) {
        event->accept();
        return;
    }
    // A command is still working (the wait window waits for the display to
    // show it and lets the system's requests through): closing now would cut
    // it off half done.
    if (CurrentWaitWindow()) {
        event->ignore();
        return;
    }
    // Closing by the system (Alt+F4, the window manager, logging out) would
    // otherwise drop unsaved entries: ask as the exit command does.
    if (!closingConfirmed_) {
        bool settled = false;
        runCommand([&] { settled = SettleUnconfirmedEntry(); });
        if (!settled) {
            event->ignore();
            return;
        }
    }
    if (!closingConfirmed_ && book.Modified) {
        SaveAnswer answer = SaveAnswer::Cancel;
        bool failed = true;
        runCommand([&] {
            answer = AskSaveChanges();
            failed = false;
        });
        if (failed || answer == SaveAnswer::Cancel) {
            event->ignore();
            return;
        }
    }
    FormClose();
    event->accept();
}

void Tmainf::FormClose()
{
    closed_ = true;
    CloseWait();
    TAcunt.close();
    fAcunt.close();
    // The program ends normally: the scratch table is emptied (no copy of
    // the ledger stays behind in Temp) and the ledger file is free for
    // another copy.
    if (!book.scratchPath.empty()) {
        quill::ReleaseScratchTableFile(book.scratchPath);
        book.scratchPath.clear();
    }
    book.fileLock.release();
}

// --- exit command ------------------------------------------------------------------

void Tmainf::mExit0Click()
{
    if (!dialogs().askYesNo(QStringLiteral("작업을 끝내겠습니까 ??")))
        return;
    if (!SettleUnconfirmedEntry())
        return;
    if (book.Modified && AskSaveChanges() == SaveAnswer::Cancel)
        return;
    closingConfirmed_ = true;
    close();
    closingConfirmed_ = false;  // a close that did not happen leaves no trace
}

// --- general error report -------------------------------------------------------------

void Tmainf::reportError(const QString& text)
{
    CloseWait();
    dialogs().showError(QString::fromStdString(quill::ErrorReportText(text.toStdString())));
}

void Tmainf::runCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QStringLiteral("알 수 없는 오류가 발생했습니다"));
    }
}

// --- file-name label ---------------------------------------------------------------------

void Tmainf::setFileNameLabel(const QString& name)
{
    fNameLabl->setText(QStringLiteral("파일명: ") + name);
    fNameLabl->adjustSize();
    fnameBevl->resize(fNameLabl->width() + 2, 2);
}

// --- grid and navigator ----------------------------------------------------------------

void Tmainf::tableChanged()
{
    if (!gridModel)
        return;
    syncingGrid_ = true;
    gridModel->refresh();
    const int row = TAcunt.isOpen() && !TAcunt.isEmpty() ? TAcunt.recNo() : -1;
    gridModel->setCurrentRow(row);
    QItemSelectionModel* selection = GrdAcunt->selectionModel();
    if (row >= 0 && row < gridModel->rowCount()) {
        const int column = qMax(0, GrdAcunt->currentIndex().column());
        const QModelIndex index = gridModel->index(row, column);
        if (GrdAcunt->currentIndex() != index || !selection->isRowSelected(row, {})) {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        GrdAcunt->scrollTo(index);
    } else {
        selection->clear();
    }
    syncingGrid_ = false;
    dAcuntDataChange();
}

void Tmainf::navigate(int move)
{
    if (!TAcunt.isOpen())
        return;
    switch (move) {
    case 0: TAcunt.first(); break;
    case 1: TAcunt.prior(); break;
    case 2: TAcunt.next(); break;
    default: TAcunt.last(); break;
    }
}

// --- keys -------------------------------------------------------------------------------

bool Tmainf::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == GrdAcunt) {
        bool handled = false;
        runCommand([&] { handled = GrdAcuntKeyDown(key); });
        return handled;
    }
    if (watched == CmGbn || watched == YerEdit || watched == gCombo) {
        // The key reaches the control afterwards as well.
        runCommand([&] { gComboKeyDown(key); });
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

bool Tmainf::GrdAcuntKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        BtnEdtClick();
        return true;
    case Qt::Key_Escape:
        mExit0Click();
        return true;
    case Qt::Key_Down:
        // Never past the last row: the grid starts no new row.
        if (TAcunt.isOpen() && !TAcunt.isEmpty() && TAcunt.recNo() + 1 < TAcunt.recordCount())
            TAcunt.moveTo(TAcunt.recNo() + 1);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        // Plain Home/End take the current row to the first/last row, as Ctrl+Home/End do.
        if (TAcunt.isOpen() && !TAcunt.isEmpty())
            TAcunt.moveTo(key == Qt::Key_Home ? 0 : TAcunt.recordCount() - 1);
        return true;
    case Qt::Key_Insert:
        return true;
    case Qt::Key_Delete:
        BtnDelClick();
        return true;
    case Qt::Key_F1:
        HelpBtnClick();
        return true;
    case Qt::Key_F2:
        BtnAppClick();
        return true;
    default:
        return false;
    }
}

bool Tmainf::gComboKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Escape: mExit0Click(); return true;
    case Qt::Key_Delete: BtnDelClick(); return true;
    case Qt::Key_F1: HelpBtnClick(); return true;
    case Qt::Key_F2: BtnAppClick(); return true;
    case Qt::Key_F3: BtnEdtClick(); return true;
    case Qt::Key_F12: recalculateTotals(); return true;
    default: return false;
    }
}

// --- dragging by the window's own surface ------------------------------------------------------

void Tmainf::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void Tmainf::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Tmainf::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}
