#include "editor/EntryPanel.h"

EntryPanel::EntryPanel(QWidget* parent) : QFrame(parent)
{
    setEnabled(false);
}
