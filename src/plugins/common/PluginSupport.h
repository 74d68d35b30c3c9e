// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every helper library needs: the texts the program hands over in the
// Korean code page, the library's own folder, and the window a helper's
// window stands over. The libraries run inside the program's QApplication.
#include <QString>

class QWidget;

// An entry the program calls: C linkage, exported from the library.
#define QB_PLUGIN_ENTRY extern "C" __attribute__((visibility("default")))

namespace plugin {

// A zero-terminated CP949 text as Unicode. A byte that starts no valid
// CP949 character shows as U+FFFD, so a damaged text still shows the rest;
// a null pointer is the empty text.
QString fromCp949(const char* text);

// The folder of the library that holds `address` (any function of it),
// with a trailing "/"; empty when the loader does not know it.
QString libraryFolder(const void* address);

// True when the calling program runs a QApplication, which every window of
// ours needs; without one an entry returns at once.
bool hasWidgets();

// The program's window that a helper's modal window stands over: the
// active window, else the first visible top-level one; null when none.
QWidget* hostWindow();

} // namespace plugin
