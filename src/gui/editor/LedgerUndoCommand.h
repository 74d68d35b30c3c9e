// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerChange.h"

#include <QUndoCommand>

#include <functional>

// A step of the ledger's history: the core's change, applied to the working
// ledger by the main window. Pushed after the change was made, so the first
// redo (the push) does nothing.
class LedgerUndoCommand : public QUndoCommand {
public:
    using Apply = std::function<void(const quill::LedgerChange& change, bool undo)>;

    LedgerUndoCommand(quill::LedgerChange change, Apply apply, const QString& text);
    void undo() override;
    void redo() override;

private:
    quill::LedgerChange change_;
    Apply apply_;
    bool done_ = true;
};
