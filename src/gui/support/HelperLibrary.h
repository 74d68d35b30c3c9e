#pragma once
#include <QString>

#include <functional>

class UserDialogs;

// The folder our own helper libraries are loaded from; never the current
// folder or a search path, so a library planted beside a ledger is ignored.
QString PluginFolder();
// Makes PluginFolder() answer `folder` instead (an empty text undoes it),
// so that tests choose which of our libraries exist.
void SetPluginFolder(const QString& folder);
// The folder of our own web pages, shown offline.
QString SiteFolder();

// One call into a helper library: load it by full path, look up the entry,
// call it, unload it on every path. `call` receives the entry's address.
// `beepFirst` is for the about box, which sounds its tone on every use.
// Returns true when the entry was called.
bool CallHelperLibrary(UserDialogs& dialogs, const QString& fileName, const char* entry,
                       const std::function<void(void*)>& call, bool beepFirst = false,
                       const QString& folder = PluginFolder());
