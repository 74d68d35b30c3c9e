// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every command of the main window in one table: its name, what runs it,
// its buttons on the toolbar and the title strip, and its keys. The
// buttons, the window's shortcuts, the grid and filter-row keys, the grid's
// context menu and the buttons' accessible descriptions are all made from
// it, so a new command is one more row.
#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

class QToolButton;
class Tmainf;

struct WindowCommand {
    const char* name;                             // the menu's text, the buttons' accessible name
    void (Tmainf::*run)();
    std::vector<QToolButton* Tmainf::*> buttons;  // may be none
    QList<QKeySequence> windowKeys;               // anywhere in the window
    // Keys that mean text inside a field (F2, Delete, Esc...): taken only
    // in the grid and the filter row.
    QList<int> ledgerKeys;
    int group;                                    // the menu has a separator between groups
};

const std::vector<WindowCommand>& windowCommands();

// The command a key of the grid or the filter row runs, or null.
const WindowCommand* ledgerKeyCommand(int key);

// Its keys as the menu and the help show them: "F2", "Ctrl+Y, Ctrl+Shift+Z".
QString shortcutText(const WindowCommand& command);
