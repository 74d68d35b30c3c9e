// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where Qt's own accessibility falls short for us: our main window is a
// plain widget, which Qt reports as a "filler" instead of a frame; on Linux
// Qt names a combo box by its current text, ignoring the name we give it;
// and a read-only line edit still says it is editable. Installs the fix
// once; harmless to call again.
void installAccessibleRoles();

class QComboBox;
class QString;
class QWidget;

// Drops what Qt's accessibility knows of a widget, for a change it does not
// follow by itself (a field made read-only after it was first announced).
void refreshAccessibleInterface(QWidget* widget);

// Gives a combo box (and its text field) a name that stays when the chosen
// item changes. Any interface Qt made for the box before is dropped, so the
// next query builds ours.
void nameComboBox(QComboBox* box, const QString& name);
