// SPDX-License-Identifier: GPL-3.0-or-later
/* A library that loads but has none of the entries the program looks up. */
int qbtest_noentry_marker(void) { return 1; }
