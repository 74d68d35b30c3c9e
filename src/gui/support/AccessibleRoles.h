// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where Qt's own accessibility falls short for us: our main window is a
// plain widget, which Qt reports as a "filler" instead of a frame, and on
// Linux Qt names a combo box by its current text, ignoring the name we
// give it. Installs the fix once; harmless to call again.
void installAccessibleRoles();
