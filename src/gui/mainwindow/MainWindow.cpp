// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/WindowCommands.h"

#include "core/text/Cp949.h"
#include "core/io/ErrorText.h"
#include "core/io/ProgramFolders.h"
#include "core/config/IniFile.h"
#include "core/io/SafeFile.h"
#include "gui/app/UserDialogs.h"
#include "core/config/WorkFolder.h"
#include "gui/support/WindowPlace.h"
#include "gui/editor/EntryPanel.h"
#include "core/ledger/FileCommands.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/LedgerTableModel.h"

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
#include <QMenu>
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
#include <new>
#include <unistd.h>
#include <filesystem>

Tmainf::Tmainf(const AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), context_(context)
{
    // The program's own title strip replaces the system's title bar.
    buildLayout();
    connectCommands();
    setupEntryComfort();
    // A statement dropped on the window opens the 가져오기 preview.
    setAcceptDrops(true);
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
    book.releaseScratchTable();
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
    // Buttons, window shortcuts and the buttons' spoken shortcuts, from the
    // one table of commands (the grid's keys and menu read it as well).
    for (const WindowCommand& command : windowCommands()) {
        const WindowCommand* c = &command;
        for (QToolButton* Tmainf::*member : c->buttons) {
            QToolButton* button = this->*member;
            connect(button, &QToolButton::clicked, this, [this, c] { invokeCommand(*c); });
            button->setAccessibleDescription(QStringLiteral("단축키: ") + shortcutText(*c));
        }
        for (const QKeySequence& keys : c->windowKeys)
            connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, c] { invokeCommand(*c); });
    }
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
    // Right clicks reach the grid's viewport; the Menu key and Shift+F10 the grid.
    GrdAcunt->viewport()->installEventFilter(this);
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
    // Said once at start: the window's place and the work folder chosen in
    // this run cannot be kept (a read-only home). The report of the first
    // command that tries to store them stays as it is.
    if (!quill::IniFileWritable(configPath().toStdString()))
        dialogs().showInfo(QStringLiteral("설정을 저장할 수 없습니다: ") + configPath() +
                           QStringLiteral(" 이번 실행의 설정은 끝날 때 사라집니다."));
    NewFileClick();
    // The unsaved ledger of a run ended by a signal or a logout comes first;
    // taken back, it is not replaced by a file named on the command line.
    const bool restored = offerUnsavedFromLastRun();
    // A ledger named on the command line (a double-click on a ledger file)
    // opens as Open would; one that cannot be read is reported and the
    // empty ledger stays.
    if (!context_.openAtStart.isEmpty() && !restored)
        openLedgerFile(context_.openAtStart);
    GrdAcunt->setFocus();
}

namespace {
// A save written in place keeps the old content in the user's private
// scratch folder meanwhile (the same for every copy of the program and the
// command line); one cut off by a crash is settled at the next start. An
// earlier version kept such copies beside the scratch table: looked at too.
void recoverCutOffSaves(const std::string& scratchPath)
{
    const std::string folder = std::filesystem::path(scratchPath).parent_path().string();
    quill::RecoverInterruptedWrites({}, folder);
}
} // namespace

void Tmainf::prepareScratchTable()
{
    book.acquireScratchTable(context_.stateDir().toStdString(), context_.dataDir().toStdString());
    // A folder that another user may write (or one above it) would let them
    // swap the table that holds the open ledger: not used, and said so.
    const std::string first = std::filesystem::path(book.scratchPath()).parent_path().string();
    const bool othersWrite = !quill::WritableByOthers(first).empty();
    if (!othersWrite && QFileInfo(QString::fromStdString(book.scratchPath())).isWritable()) {
        recoverCutOffSaves(book.scratchPath());
        tellRecoveries();
        return;
    }
    // A program folder we may not write (an installation owned by the
    // system): keep the scratch table in the user's own data folder instead,
    // so the program still works; where the user has no writable home either
    // (a service account, a home on a read-only medium), in a folder of the
    // user's own under the system's temporary folder. Ledger data goes into
    // no folder that another user made or may read.
    std::vector<std::string> looked{std::filesystem::path(book.scratchPath()).parent_path().string()};
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    bool usable = false;
    for (int attempt = 0; attempt < 2 && !usable; ++attempt) {
        const QString folder = attempt == 0 ? own : QString::fromStdString(quill::PrivateTempFolder());
        if (attempt == 1 && folder.isEmpty())
            looked.push_back(quill::PrivateTempFolderName());
        if (folder.isEmpty())
            continue;
        looked.push_back(folder.toStdString() + "/Temp");
        book.acquireScratchTable((folder + QLatin1Char('/')).toStdString(), context_.dataDir().toStdString());
        // The table itself may still be missing (no template to copy): its
        // folder is what must take it.
        const QFileInfo table(QString::fromStdString(book.scratchPath()));
        usable = (table.isWritable() || QFileInfo(table.absolutePath()).isWritable())
                 && quill::WritableByOthers(table.absolutePath().toStdString()).empty();
    }
    recoverCutOffSaves(book.scratchPath());
    tellRecoveries();
    if (usable && othersWrite)
        dialogs().showInfo(QString::fromStdString("장부를 임시로 둘 폴더를 쓰지 않았습니다:\n" + quill::UnusableFoldersText({first})
                                                  + "\n대신 쓰는 곳: " + std::filesystem::path(book.scratchPath()).parent_path().string()));
    if (!usable) {
        // Without a table of our own nothing can be opened: say why and
        // where we looked rather than a bare "File not found".
        dialogs().showError(QString::fromStdString(
            "장부를 임시로 둘 폴더를 쓸 수 없어 파일을 열거나 저장할 수 없습니다. 살펴본 곳:\n"
            + quill::UnusableFoldersText(looked)));
    }
}

void Tmainf::tellRecoveries()
{
    const std::string text = quill::TakeRecoveryNoticeText();
    if (!text.empty())
        dialogs().showInfo(QString::fromStdString(text));
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
    if (!closingConfirmed_ && book.isModified()) {
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
    if (!book.scratchPath().empty()) {
        dropUnsavedCopy();  // the questions were asked and answered
        book.releaseScratchTable();
    }
    book.releaseFile();
}

// --- exit command ------------------------------------------------------------------

void Tmainf::mExit0Click()
{
    if (!dialogs().askYesNo(QStringLiteral("작업을 끝내겠습니까 ??")))
        return;
    if (!SettleUnconfirmedEntry())
        return;
    if (book.isModified() && AskSaveChanges() == SaveAnswer::Cancel)
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
    } catch (const std::bad_alloc&) {
        reportError(QString::fromUtf8(quill::kOutOfMemoryText));
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
    if (event->type() == QEvent::ContextMenu && (watched == GrdAcunt || watched == GrdAcunt->viewport())) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        QPoint at = menuEvent->globalPos();
        if (menuEvent->reason() == QContextMenuEvent::Keyboard)
            at = menuPointUnderCurrentRow();
        // The Menu key may come as a key and as this event: one menu.
        if (!commandMenu_)
            showCommandMenu(at);
        return true;
    }
    if (watched == GrdAcunt && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // A popup (the grid's menu, a list) leaves the keys with the grid.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            showGridFocus(event->type() == QEvent::FocusIn);
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    if (watched == GrdAcunt && (key == Qt::Key_Menu || (key == Qt::Key_F10 && keyEvent->modifiers() == Qt::ShiftModifier))) {
        showCommandMenu(menuPointUnderCurrentRow());
        return true;
    }
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
        // Enter changes the entry, as F3 does.
        key = Qt::Key_F3;
        break;
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
    default:
        break;
    }
    if (const WindowCommand* command = ledgerKeyCommand(key)) {
        invokeCommand(*command);
        return true;
    }
    return false;
}

bool Tmainf::gComboKeyDown(int key)
{
    if (const WindowCommand* command = ledgerKeyCommand(key)) {
        invokeCommand(*command);
        return true;
    }
    return false;
}

void Tmainf::invokeCommand(const WindowCommand& command)
{
    emit commandInvoked(QString::fromUtf8(command.name));
    runCommand([this, &command] {
        // The toolbar's buttons take no focus: what the input method
        // composes in the panel would be lost.
        TpPnl3->commitComposition();
        // Every command but exit (which asks its own question first)
        // settles an entry being typed before it runs: saving, printing or
        // opening a window would otherwise leave it behind in a panel that
        // the next Enter in the grid fills with another row.
        if (command.run != &Tmainf::mExit0Click && !SettleUnconfirmedEntry())
            return;
        (this->*command.run)();
    });
}

QMenu* Tmainf::commandMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("CommandMenu"));
    menu->setAccessibleName(QStringLiteral("명령"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    int group = -1;
    for (const WindowCommand& command : windowCommands()) {
        if (group >= 0 && command.group != group)
            menu->addSeparator();
        group = command.group;
        // The text after the tab is the menu's shortcut column; the keys
        // themselves stay the window's, so nothing runs twice.
        QAction* action = menu->addAction(QString::fromUtf8(command.name) + QLatin1Char('\t') + shortcutText(command));
        connect(action, &QAction::triggered, this, [this, c = &command] { invokeCommand(*c); });
    }
    return menu;
}

QPoint Tmainf::menuPointUnderCurrentRow() const
{
    // From the keyboard the menu opens under the current row, not where the
    // pointer happens to be.
    const QModelIndex current = GrdAcunt->currentIndex();
    const QRect row = current.isValid() ? GrdAcunt->visualRect(current) : QRect();
    const QPoint local = row.isValid() ? row.bottomLeft() : QPoint(0, 0);
    // Qt's idea of the window's place may be stale (see WindowPlace.h).
    if (const std::optional<QPoint> origin = TrueWindowOrigin(const_cast<Tmainf*>(this)))
        return *origin + GrdAcunt->viewport()->mapTo(this, local);
    return GrdAcunt->viewport()->mapToGlobal(local);
}

void Tmainf::changeEvent(QEvent* event)
{
    // Each time the window comes forward, Qt learns where it really stands,
    // so the lists of the filter boxes and the panel open at their fields.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        SyncWindowPlace(this);
    QWidget::changeEvent(event);
}

void Tmainf::showCommandMenu(const QPoint& globalPos)
{
    if (commandMenu_)
        return;
    commandMenu_ = commandMenu();
    connect(commandMenu_, &QMenu::aboutToHide, this, [this] { commandMenu_ = nullptr; });
    commandMenu_->popup(globalPos);
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
