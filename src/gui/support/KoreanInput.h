// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Switching the desktop's input method to Korean when a field that takes
// Korean text gets the focus: fcitx5 through its D-Bus controller, ibus
// (with ibus-hangul) through its own bus. Without an input method bus,
// nothing happens and nothing is said.
//
// ibus-hangul's mode cannot be set from outside at all: ibus refuses every
// call on an input context from any connection but its owner's (Qt's own
// ibus module, whose connection is private), and ibus-hangul's mode
// property is reached only that way. So the mode is followed from what the
// program sees: Hangul composed means Korean, plain letters typed or Esc
// (ibus-hangul's default off-key) mean Latin. While Latin is known, a
// field where Korean is typed shows "A" at its end, with a tooltip that
// names the 한/영 key; it goes as soon as Hangul is composed.
class QLineEdit;

namespace korean_input {

enum class Mode { Unknown, Hangul, Latin };

// Asks for Korean input now.
void prefer();

// A field where Korean is typed: asks for Korean input each time it gets
// the focus (fcitx5 takes it; ibus cannot, see above), and shows the Latin
// mark while Latin is known.
void askOnEntry(QLineEdit* field);
// True when the field asks for Korean on entry.
bool asksOnEntry(const QLineEdit* field);
// True when the field shows the Latin mark now.
bool showsLatinMark(const QLineEdit* field);
// The mode as the program follows it.
Mode knownMode();

// What the fields see, for following ibus-hangul's mode.
void noteHangulTyped();
void noteLatinTyped();

// Watches the display's Esc key (also the one the input method takes for
// itself); call once the application exists.
void watchKeys();

} // namespace korean_input
