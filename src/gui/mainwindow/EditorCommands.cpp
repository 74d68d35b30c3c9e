// SPDX-License-Identifier: GPL-3.0-or-later
// The entry editor's commands: add, change, confirm, cancel and delete, and
// the mirror of the current row while the editor is idle.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "core/editor/EntryEditor.h"
#include "core/editor/EntryHistory.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTableView>

void Tmainf::openEditor(quill::EditorMode mode)
{
    TpPnl3->setEnabled(true);
    TpPnl3->setButtonsActive(true);
    editorMode = mode;
    TpPnl3->setMode(mode);
}

void Tmainf::closeEditor()
{
    endEditing();
    TpPnl3->setEnabled(false);
}

void Tmainf::BtnAppClick()
{
    // An entry typed but not confirmed is never replaced without a word.
    if (!SettleUnconfirmedEntry())
        return;
    openEditor(quill::EditorMode::Adding);
    TpPnl3->editTarget = {};
    const QDate today = context().now().date();
    const std::string date = quill::ProposeEntryDate(YerEdit->text().toStdString(), shownIndex(gCombo),
                                                     gCombo->currentText().toStdString(), today.month(), today.day());
    TpPnl3->clearForAdding(QString::fromStdString(date));
    TpPnl3->markOpened();
    TpPnl3->IDAYEdt->setFocus(Qt::OtherFocusReason);
    TpPnl3->IDAYEdt->end(false);
}

void Tmainf::BtnEdtClick()
{
    if (!TAcunt.isOpen() || TAcunt.isEmpty() || !SettleUnconfirmedEntry())
        return;
    openEditor(quill::EditorMode::Editing);
    TpPnl3->editTarget = quill::MarkEditTarget(TAcunt);
    TpPnl3->showInput(quill::EntryInputFromRow(TAcunt.current(), TpPnl3->category()));
    TpPnl3->markOpened();
    TpPnl3->JKYUEdt->setFocus(Qt::OtherFocusReason);
    TpPnl3->JKYUEdt->end(false);
}

void Tmainf::mOkClick()
{
    // Only an open editor has something to confirm (Enter in the remark box
    // of a panel left enabled by New must not write anything).
    if (editorMode == quill::EditorMode::Idle)
        return;
    TpPnl3->commitComposition();
    quill::EntryInput input = TpPnl3->input();
    switch (quill::CheckEntryInput(input)) {
    case quill::InputProblem::BadDate:
        dialogs().showInfo(QString::fromUtf8(quill::kBadDateMessage));
        TpPnl3->IDAYEdt->setFocus(Qt::OtherFocusReason);
        return;
    case quill::InputProblem::NoDescription:
        dialogs().showInfo(QString::fromUtf8(quill::kNoDescriptionMessage));
        TpPnl3->JKYUEdt->setFocus(Qt::OtherFocusReason);
        return;
    case quill::InputProblem::NoAmount:
        dialogs().showInfo(QString::fromUtf8(quill::kNoAmountMessage));
        TpPnl3->mTmnyEdt->setFocus(Qt::OtherFocusReason);
        return;
    case quill::InputProblem::None:
        break;
    }
    if (input.category == quill::Category::None) {
        // An entry without a chosen category is an expense.
        TpPnl3->setCategory(quill::Category::Expense);
        input.category = quill::Category::Expense;
    }
    std::optional<quill::LedgerChange> change =
        quill::StoreEntryRecorded(TAcunt, editorMode, TpPnl3->editTarget, input);
    if (!change) {
        // The entry being changed is gone: the input stays in the panel.
        dialogs().showInfo(QString::fromUtf8(quill::kEditTargetLostMessage));
        return;
    }
    recordChange(std::move(*change),
                 editorMode == quill::EditorMode::Adding ? QStringLiteral("입력") : QStringLiteral("수정"));
    closeEditor();
    RecomputeTotals();
    dAcuntDataChange();
    GrdAcunt->setFocus();
}

void Tmainf::mVoideClick()
{
    TpPnl3->commitComposition();  // so that no syllable lands in the next entry
    closeEditor();
    if (TAcunt.isOpen() && !TAcunt.isEmpty())
        dAcuntDataChange();
    GrdAcunt->setFocus();
}

bool Tmainf::SettleUnconfirmedEntry()
{
    TpPnl3->commitComposition();
    if (!TpPnl3->holdsInput())
        return true;
    switch (dialogs().askYesNoCancel(QString::fromUtf8(quill::kUnconfirmedEntryQuestion))) {
    case UserDialogs::Answer::Yes:
        mOkClick();
        // A confirm that refused (its message shown) keeps the panel open.
        return editorMode == quill::EditorMode::Idle;
    case UserDialogs::Answer::No:
        mVoideClick();
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

void Tmainf::BtnDelClick()
{
    if (!TAcunt.isOpen() || TAcunt.isEmpty())
        return;
    // No is the default: an entry is not lost to a stray Enter.
    if (!dialogs().askNoYes(QString::fromUtf8(quill::kDeleteQuestion)))
        return;
    if (std::optional<quill::LedgerChange> change = quill::DeleteCurrentRecorded(TAcunt))
        recordChange(std::move(*change), QStringLiteral("삭제"));
    RecomputeTotals();
}

void Tmainf::dAcuntDataChange()
{
    if (editorMode != quill::EditorMode::Idle || !TpPnl3)
        return;
    if (TAcunt.isOpen() && !TAcunt.isEmpty())
        TpPnl3->showInput(quill::EntryInputFromRow(TAcunt.current(), TpPnl3->category()));
    else
        TpPnl3->showInput(quill::EntryInput{});
}
