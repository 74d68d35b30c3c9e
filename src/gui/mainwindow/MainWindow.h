// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/editor/EditorMode.h"
#include "core/editor/SuggestionIndex.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/LedgerBook.h"
#include "gui/view/MonthBox.h"
#include "gui/view/YearBox.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QSpinBox;
class QTableView;
class QToolButton;
class QPushButton;
class EntryPanel;
class FitLabel;
class ShadowLabel;
class LedgerTableModel;
class UserDialogs;
class QUndoStack;
class FindBar;
class SuggestionPopup;
class StatementPreview;
struct WindowCommand;

// What the main window needs from outside; tests pass their own.
struct AppContext {
    QString programFolder;        // the executable's folder, with a trailing "/"
    // An installed copy writes into the user's own folders and reads what
    // ships with it from its data folder; empty means the program folder
    // (a portable copy, and the tests).
    QString configFolder;         // of "quillcfg.ini"
    QString stateFolder;          // holds "Temp/"
    QString dataFolder;           // holds "quillbook.str"
    QString defaultWorkFolder;    // empty: program folder + "Work/"
    QString openAtStart;          // a ledger named on the command line
    QString configDir() const { return configFolder.isEmpty() ? programFolder : configFolder; }
    QString stateDir() const { return stateFolder.isEmpty() ? programFolder : stateFolder; }
    QString dataDir() const { return dataFolder.isEmpty() ? programFolder : dataFolder; }
    UserDialogs* dialogs = nullptr;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

// The one main window. Its handlers are the program's commands; they call
// the core and show what it reports. All of its files live in this folder,
// one file per subsystem's handlers (EditorCommands.cpp, LedgerFileCommands.cpp,
// ExportToolbar.cpp ...).
class QSessionManager;

class Tmainf : public QWidget {
    Q_OBJECT
public:
    explicit Tmainf(const AppContext& context, QWidget* parent = nullptr);
    ~Tmainf() override;

    UserDialogs& dialogs() const { return *context_.dialogs; }
    const AppContext& context() const { return context_; }
    QString configFileName() const;  // the hint of iconBtn: "quillcfg.ini"
    QString configPath() const;      // program folder + configFileName()

public slots:
    // application shell (MainWindow.cpp)
    void mExit0Click();
    // file commands (LedgerFileCommands.cpp)
    void NewFileClick();
    void HFileOpenClick();
    void SaveBtnClick();
    void RnameBtnClick();
    void FileAddClick();
    // entry editor (EditorCommands.cpp)
    void BtnAppClick();
    void BtnEdtClick();
    void BtnDelClick();
    void mOkClick();
    void mVoideClick();
    // view (FilterTotals.cpp)
    void CmGbnChange();
    void RecomputeTotals();
    // export (ExportToolbar.cpp)
    void PrtBtnClick();
    // the printed form: preview, printers and PDF (PrintCommand.cpp)
    void PrintBtnClick();
    // filing figures (FilingCommands.cpp)
    void FilingBtnClick();
    // statement import (StatementCommands.cpp)
    void ImportBtnClick();
    // outside helpers (HelperCommands.cpp)
    void HelpBtnClick();
    void dDTZIPClick();
    void DgaBtnClick();
    void HinfoClick();

public:
    // Runs one command; a failure it does not handle itself ends it and goes
    // to the general error report instead of into Qt.
    void runCommand(const std::function<void()>& command);
    // Shows an entry of the working ledger (a row position, whatever the
    // filter) in the grid: the filter goes to the entry's month.
    void showLedgerRow(std::size_t row);
    // The find bar above the grid (Ctrl+F).
    void openFindBar();
    // The 가져오기 preview of a statement file (the button, a dropped
    // file); false when the file could not be read (told to the user).
    bool openStatementPreview(const QString& path);
    // SIGTERM or SIGHUP: a close request, with the usual questions; the
    // unsaved ledger is first kept beside the scratch table.
    void closeBySignal();
    // The session manager's logout: asks to save where it may ask, else
    // keeps the unsaved ledger for the next start.
    void commitData(QSessionManager& manager);
    // The grid's context menu (right click, the Menu key, Shift+F10): every
    // command with its keys, in a new menu that deletes itself when closed.
    QMenu* commandMenu();

private:
    // The save prompt; on Yes it saves first. Callers look only for Cancel.
    enum class SaveAnswer { Yes, No, Cancel };
    SaveAnswer AskSaveChanges();
    // Before exit, New, Open and Add file: an entry typed into the panel but
    // not confirmed is confirmed (Yes) or dropped (No) on the user's word.
    // False when the command must not go on (Cancel, or a refused confirm).
    bool SettleUnconfirmedEntry();
    // Mirror of the current row into the idle editor; bound to TAcunt's
    // data-changed notification.
    void dAcuntDataChange();
    // The open ledger's file name for page headings ("새 장부" when untitled)
    // and the period the filter shows ("2024년 3월").
    QString ledgerDisplayName() const;
    std::string shownPeriod() const;
    // Shows `text` in the general error report (title "간편장부").
    void reportError(const QString& text);
    // The file-name label: "파일명: " + name, the bevel follows its width.
    void setFileNameLabel(const QString& name);
    // The same, marked " (읽기 전용)" with the window title for a read-only
    // ledger.
    void showFileName(const QString& name);
    // Builds the filter from the three filter controls and switches it on
    // (the table ends on its first passing row); no totals.
    void applyControlFilter();
    // The index of the item a filter list shows: its selected item when the
    // text is that item's, otherwise the item with exactly that text, or -1.
    static int shownIndex(const QComboBox* combo);
    // TAcunt's data-changed notification: brings the grid up to date (a reset
    // only when the visible rows changed) and mirrors the row into the editor.
    void tableChanged();
    // The navigator's four moves: 0 first, 1 previous, 2 next, 3 last.
    void navigate(int move);
    // The work folder for a file dialog. A work folder that cannot be
    // stored in the configuration is used all the same; the failure is
    // reported once per run.
    QString dialogWorkFolder();
    // After a save: the work folder follows the ledger's folder. True when
    // the save may count as done: storing it in a configuration that cannot
    // be written is only reported (once per run).
    bool storeWorkFolder(quill::IoResult& result);
    // Recalculation of the totals under the wait window (F12).
    void recalculateTotals();
    // History: a change already made goes on the undo stack (and into the
    // suggestions); undo and redo of the ledger, not while an entry is open.
    void recordChange(quill::LedgerChange change, const QString& text);
    void undoClick();
    void redoClick();
    // New and Open: an empty history and suggestions of the new ledger.
    void startHistory();
    // At start: offers the unsaved ledger a run that did not end normally kept.
    bool offerUnsavedFromLastRun();  // true when it was taken back
    void keepUnsavedForRecovery();
    void dropUnsavedCopy();
    // Runs a command of the table (WindowCommands.h), as its button,
    // its keys and the grid's menu do.
    void invokeCommand(const WindowCommand& command);
    // The context menu shown at a point of the screen, once at a time.
    void showCommandMenu(const QPoint& globalPos);

signals:
    // A command of the table is about to run.
    void commandInvoked(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The tests' probe (tests/gui/support/TmainfProbe.h) and the table of
    // commands, which names the buttons.
    friend class TmainfProbe;
    friend const std::vector<WindowCommand>& windowCommands();

    // --- shared state -------------------------------------------------------
    quill::LedgerBook book;
    quill::WorkingTable& TAcunt = book.TAcunt;
    quill::WorkingTable& fAcunt = book.fAcunt;
    quill::EditorMode editorMode = quill::EditorMode::Idle;

    // --- controls: the commands reach them; the tests through TmainfProbe ---
    QWidget* TopTitle = nullptr;
    QToolButton* iconBtn = nullptr;
    QToolButton* mExit0 = nullptr;
    QComboBox* CmGbn = nullptr;
    YearBox* YerEdit = nullptr;
    MonthBox* gCombo = nullptr;
    QLabel* fNameLabl = nullptr;
    QFrame* fnameBevl = nullptr;
    QToolButton* HelpBtn = nullptr;
    QToolButton* dDTZIP = nullptr;
    QToolButton* DgaBtn = nullptr;
    QToolButton* Hinfo = nullptr;
    QToolButton* QuitBtn = nullptr;
    QToolButton* HFileOpen = nullptr;
    QToolButton* NewFile = nullptr;
    QToolButton* SaveBtn = nullptr;
    QToolButton* RnameBtn = nullptr;
    QToolButton* FileAdd = nullptr;
    QToolButton* BtnApp = nullptr;
    QToolButton* BtnEdt = nullptr;
    QToolButton* BtnDel = nullptr;
    QToolButton* PrtBtn = nullptr;
    QToolButton* FilingBtn = nullptr;
    QToolButton* PrintBtn = nullptr;
    QToolButton* ImportBtn = nullptr;
    EntryPanel* TpPnl3 = nullptr;
    FitLabel* CntLbe = nullptr;
    QTableView* GrdAcunt = nullptr;
    LedgerTableModel* gridModel = nullptr;
    FitLabel* Bmxsm[6] = {};  // Bmxsm1..Bmxsm6
    QLabel* LaEnd0 = nullptr;
    // containers and decorations of the layout
    ShadowLabel* TagetTg = nullptr;
    QWidget* mColBar = nullptr;       // tool band
    QWidget* dxContainer3 = nullptr;  // its upper row
    QWidget* TpPnl0 = nullptr;        // its lower row
    QFrame* TpPnl2 = nullptr;         // information panel
    QWidget* mainPanl = nullptr;      // grid area
    QWidget* BtmPanl = nullptr;       // totals bar
    QWidget* NavAcunt = nullptr;      // record navigator
    QToolButton* NavButtons[4] = {};  // first, previous, next, last
    // history, suggestions and the find bar (EntryComfort.cpp)
    QUndoStack* undoStack = nullptr;
    quill::SuggestionIndex suggestions;
    SuggestionPopup* JKYUSuggest = nullptr;
    SuggestionPopup* SANGHOSuggest = nullptr;
    FindBar* findBar = nullptr;

    // The 가져오기 preview open now; null when none.
    QPointer<StatementPreview> statementPreview;

    // EditorCommands.cpp: opens the panel in a mode; back to Idle with the buttons
    // flat (endEditing) and the panel disabled as well (closeEditor).
    void openEditor(quill::EditorMode mode);
    void endEditing();
    void closeEditor();
    // LedgerFileCommands.cpp: the ledger file dialog (false when cancelled or the work
    // folder could not be stored); the year, category and month controls
    // set without running the filter; the save itself, true when the ledger
    // is in its file (or there was nothing to save).
    bool ledgerDialog(bool save, const QString& proposal, QString& path);
    // Opens the ledger at `path` as Open does after its dialog; false when
    // it could not be read (reported, the open ledger kept).
    bool openLedgerFile(const QString& path);
    // A ledger just opened or taken back on the screen: a fresh history,
    // the filter on its first year, its name, the grid and the totals.
    void showOpenedLedger();
    // The unsaved-changes flag follows the history's clean state (its one
    // writer); setHistoryClean marks the present state as saved (true) or
    // every state as unsaved (false).
    void followHistory();
    void setHistoryClean(bool clean);
    void nameControlsForScreenReaders();
    void resetFilterControls(int year);
    bool saveLedger();
    bool saveLedgerAs();
    bool writeLedger(const QString* newPath);

    void buildLayout();
    void showGridFocus(bool focused);
    QPoint menuPointUnderCurrentRow() const;
    void FormShow();
    void FormResize();
    void FormClose();
    void prepareScratchTable();
    // Tells the user what the recovery of cut-off saves did, if anything.
    void tellRecoveries();
    void connectCommands();
    void setupEntryComfort();
    void applyHistoryStep(const quill::LedgerChange& change, bool undo);
    void bookStatement(StatementPreview* preview);
    // FilingCommands.cpp: the filing window's "불공제로 표시": "불공" added to
    // the row's remark, as one change of the history. False (and a message)
    // when it cannot be.
    bool markNondeductible(std::size_t row);
    void acceptCounterparty(const QString& text);
    void placeFindBar();
    static void TAcuntNewRecord(quill::LedgerEntry& entry);
    bool GrdAcuntKeyDown(int key);   // true when the key was handled
    bool gComboKeyDown(int key);

    AppContext context_;
    bool shownOnce_ = false;
    bool closingConfirmed_ = false;
    QPoint dragOffset_;
    bool dragging_ = false;
    bool syncingGrid_ = false;
    bool closed_ = false;
    bool filterKeepsFocus_ = false;  // a typed year: the focus stays where the user is
    bool workFolderReported_ = false;  // "Unable to write to" the configuration, once per run
    QPointer<QMenu> commandMenu_;  // the grid's menu while it is open
};
