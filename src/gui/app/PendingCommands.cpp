// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the main window's commands that other parts of the program
// bring. Each is one definition: delete it when the real one arrives.
#include "app/MainWindow.h"
