// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sounds a tone of the given pitch and length on the desktop's sound
// output. Returns when it has been played (a little after `milliseconds`),
// or at once and silently when there is no sound output.
void PlayTone(int hertz, int milliseconds);
