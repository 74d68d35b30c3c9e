// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class UserDialogs;

// Opens the special-character picker, which leaves its choice on the
// clipboard ("Non" when nothing was chosen). Shows the library message when
// the picker cannot be opened.
void PickSpecialChar(UserDialogs& dialogs);
