// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Switching the desktop's input method to Korean when a field that takes
// Korean text gets the focus: fcitx5 through its D-Bus controller, ibus
// (with ibus-hangul) through its own bus. Without an input method bus,
// nothing happens and nothing is said.
//
// ibus-hangul's mode can only be toggled from outside, never read, so the
// mode is followed from what the program sees: Hangul composed means
// Korean, plain letters typed or Esc (ibus-hangul's default off-key) mean
// Latin. It is toggled only when Latin is known.
namespace korean_input {

// Asks for Korean input now.
void prefer();

// What the fields see, for following ibus-hangul's mode.
void noteHangulTyped();
void noteLatinTyped();

// Watches the display's Esc key (also the one the input method takes for
// itself); call once the application exists.
void watchKeys();

} // namespace korean_input
