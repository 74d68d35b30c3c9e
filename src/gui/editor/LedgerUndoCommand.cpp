// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor/LedgerUndoCommand.h"

LedgerUndoCommand::LedgerUndoCommand(quill::LedgerChange change, Apply apply, const QString& text)
    : QUndoCommand(text), change_(std::move(change)), apply_(std::move(apply))
{
}

void LedgerUndoCommand::undo()
{
    apply_(change_, true);
    done_ = false;
}

void LedgerUndoCommand::redo()
{
    if (done_)
        return;
    apply_(change_, false);
    done_ = true;
}
