// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// True when the system names a current printer. A machine without one (or
// whose printing system does not answer) gets no page setup in exports.
bool HasPrinter();
