// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger's history (undo and redo), the suggestions of the description
// and counterparty fields, and the find bar: the core does the work, this
// binds it to the keys and the widgets.
#include "core/text/Cp949.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/editor/EntryEditor.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/editor/LedgerUndoCommand.h"
#include "gui/editor/SuggestionPopup.h"
#include "gui/view/FindBar.h"

#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

namespace {
constexpr std::size_t kSuggestionCount = 8;
}

void Tmainf::setupEntryComfort()
{
    undoStack = new QUndoStack(this);
    // The unsaved-changes flag follows the history: back at the state last
    // opened or saved it clears, anywhere else it is set.
    connect(undoStack, &QUndoStack::cleanChanged, this, [this] { followHistory(); });
    connect(undoStack, &QUndoStack::indexChanged, this, [this] { followHistory(); });

    // Ctrl+Z, Ctrl+Y and Ctrl+F come from the table of commands.

    auto provider = [this](quill::SuggestionIndex::Field field) {
        return [this, field](const QString& query) {
            QStringList texts;
            if (editorMode == quill::EditorMode::Idle)
                return texts;
            for (const std::string& text : suggestions.suggest(field, query.toStdString(), kSuggestionCount))
                texts << QString::fromStdString(text);
            return texts;
        };
    };
    JKYUSuggest = new SuggestionPopup(TpPnl3->JKYUEdt, provider(quill::SuggestionIndex::Field::Description));
    SANGHOSuggest = new SuggestionPopup(TpPnl3->SANGHOEdt, provider(quill::SuggestionIndex::Field::Counterparty));
    // The lists never cover the panel's confirm and cancel buttons.
    for (SuggestionPopup* popup : {JKYUSuggest, SANGHOSuggest})
        popup->setAvoided({TpPnl3->mOk, TpPnl3->mVoide});
    auto known = [this](quill::SuggestionIndex::Field field) {
        return [this, field](const QString& text) {
            const std::optional<std::string> bytes = quill::encodeCp949(text.toStdString()).bytes;
            return bytes && suggestions.count(field, *bytes) > 0;
        };
    };
    JKYUSuggest->setKnownTest(known(quill::SuggestionIndex::Field::Description));
    SANGHOSuggest->setKnownTest(known(quill::SuggestionIndex::Field::Counterparty));
    connect(JKYUSuggest, &SuggestionPopup::accepted, this,
            [this](const QString& text) { TpPnl3->JKYUEdt->setProgramText(text); });
    connect(SANGHOSuggest, &SuggestionPopup::accepted, this,
            [this](const QString& text) { runCommand([this, text] { acceptCounterparty(text); }); });

    findBar = new FindBar(TAcunt, mainPanl);
    connect(findBar, &FindBar::closed, this, [this] {
        FormResize();
        GrdAcunt->setFocus(Qt::OtherFocusReason);
    });
}

void Tmainf::acceptCounterparty(const QString& text)
{
    TpPnl3->SANGHOEdt->setProgramText(text);
    // A known counterparty brings its latest category and remark along, as
    // a proposal, when nothing of the kind was chosen yet.
    if (editorMode != quill::EditorMode::Adding || TpPnl3->category() != quill::Category::None ||
        !TpPnl3->EtcCmb->text().trimmed().isEmpty())
        return;
    // A name CP949 cannot hold is in no entry; asking with an empty name
    // would find the latest entry without a counterparty.
    const std::optional<std::string> bytes = quill::encodeCp949(text.toStdString()).bytes;
    if (!bytes)
        return;
    const quill::LedgerEntry* latest = quill::LatestEntryOf(TAcunt, *bytes);
    if (!latest)
        return;
    const quill::EntryInput earlier = quill::EntryInputFromRow(*latest, quill::Category::None);
    if (earlier.category != quill::Category::None)
        TpPnl3->setCategory(earlier.category);
    if (!latest->ETC.empty())
        TpPnl3->EtcCmb->setStoredText(latest->ETC.str());
}

void Tmainf::recordChange(quill::LedgerChange change, const QString& text)
{
    if (change.kind() == quill::LedgerChange::Kind::Merged) {
        suggestions.build(TAcunt);
    } else {
        for (const quill::LedgerEntry& e : change.leaving())
            suggestions.remove(e, TAcunt);
        for (const quill::LedgerEntry& e : change.entering())
            suggestions.add(e);
    }
    findBar->invalidate();
    undoStack->push(new LedgerUndoCommand(
        std::move(change), [this](const quill::LedgerChange& c, bool undo) { applyHistoryStep(c, undo); }, text));
}

void Tmainf::applyHistoryStep(const quill::LedgerChange& change, bool undo)
{
    if (!(undo ? change.undo(TAcunt) : change.redo(TAcunt))) {
        // The ledger is not where the history left it: its steps can no
        // longer be trusted. The changes themselves stay unsaved.
        QTimer::singleShot(0, this, [this] {
            undoStack->clear();
            setHistoryClean(false);
        });
        reportError(QStringLiteral("되돌릴 수 없습니다. 작업 기록을 비웁니다."));
        return;
    }
    if (change.kind() == quill::LedgerChange::Kind::Merged) {
        suggestions.build(TAcunt);
    } else {
        const auto& gone = undo ? change.entering() : change.leaving();
        const auto& come = undo ? change.leaving() : change.entering();
        for (const quill::LedgerEntry& e : gone)
            suggestions.remove(e, TAcunt);
        for (const quill::LedgerEntry& e : come)
            suggestions.add(e);
    }
    findBar->invalidate();
    RecomputeTotals();
    dAcuntDataChange();
}

void Tmainf::undoClick()
{
    // While an entry is open Ctrl+Z belongs to its fields.
    if (editorMode != quill::EditorMode::Idle || !undoStack->canUndo())
        return;
    undoStack->undo();
}

void Tmainf::redoClick()
{
    if (editorMode != quill::EditorMode::Idle || !undoStack->canRedo())
        return;
    undoStack->redo();
}

void Tmainf::startHistory()
{
    undoStack->clear();
    followHistory();
    suggestions.build(TAcunt);
    findBar->invalidate();
    JKYUSuggest->close();
    SANGHOSuggest->close();
}

void Tmainf::followHistory()
{
    // The one place the window writes the flag.
    book.setModified(!undoStack->isClean());
}

void Tmainf::setHistoryClean(bool clean)
{
    if (clean)
        undoStack->setClean();
    else
        undoStack->resetClean();  // no step of the history is what the file holds
    followHistory();
}

void Tmainf::openFindBar()
{
    if (editorMode != quill::EditorMode::Idle)
        return;
    findBar->open();
    FormResize();
}

void Tmainf::placeFindBar()
{
    if (!findBar || !findBar->isVisible())
        return;
    const QRect grid = GrdAcunt->geometry();
    const int h = findBar->sizeHint().height();
    findBar->setGeometry(grid.x(), grid.y(), grid.width(), h);
    GrdAcunt->setGeometry(grid.x(), grid.y() + h, grid.width(), qMax(0, grid.height() - h));
}
