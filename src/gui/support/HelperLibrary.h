// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class UserDialogs;

// The folder our own helper libraries are loaded from; never the current
// folder or a search path, so a library planted beside a ledger is ignored.
// A portable copy keeps them beside the executable, an installed one in
// <prefix>/lib/quillbook.
QString PluginFolder();
// Points the loader at another folder for the rest of the run; an empty
// folder restores the program's own. The tests use it, so that no real
// library window opens under scripted dialogs.
void SetPluginFolder(const QString& folder);

// One call into a helper library: load it by full path, look up the entry,
// call it, unload it on every path. `call` receives the entry's address.
// `beepFirst` is for the about box, which sounds its tone on every use.
// A folder that is not absolute loads nothing. Returns true when the entry
// was called.
bool CallHelperLibrary(UserDialogs& dialogs, const QString& fileName, const char* entry,
                       const std::function<void(void*)>& call, bool beepFirst = false,
                       const QString& folder = PluginFolder());

// Where the page panes stand, in screen pixels of the outer frame: the
// help pane along the right edge of the screen, the downloads pane
// below the main window's top edge, inside its right edge.
QRect HelpPaneRect(QSize screen);
QRect DownloadsPaneRect(const QRect& mainWindowFrame);
