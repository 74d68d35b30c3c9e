// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/print/PrintLayout.h"

#include <QString>

#include <functional>

class QPainter;
class QPrinter;

// The printed 간편장부 form, drawn with QPainter on a printer (a real
// queue, a PDF file or the print preview): the program's "인쇄" and the
// command line's print share it, so both give the same pages.

// Lays the entries out for the printer's page and fonts.
quill::PrintedLedger LayOutForPrinter(QPrinter& printer, const quill::PrintWalk& walk,
                                      const quill::PrintHeading& heading);

// Draws the pages of the layout (all of them, or the printer's page range
// when one is set) on the printer. False when the printer cannot be
// painted on (a PDF file that cannot be written, a queue that refuses).
// `pageDone`, when given, hears of each page drawn (pages drawn so far,
// pages to draw), for a progress bar.
using PageProgress = std::function<void(int done, int total)>;
bool PaintLedger(QPrinter& printer, const quill::PrintedLedger& ledger, const PageProgress& pageDone = {});

// Both in one: lays out and draws; false as PaintLedger.
bool PrintLedger(QPrinter& printer, const quill::PrintWalk& walk, const quill::PrintHeading& heading);

// The printer's page as the program sets it up at first: A4 across,
// margins of 10 mm.
void SetDefaultLedgerPage(QPrinter& printer);
