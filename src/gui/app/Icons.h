// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

// The program's pictures, drawn at start-up: our own simple icons, so the
// program ships no images taken from elsewhere.
namespace icons {

enum class Kind {
    Program, Open, New, Save, SaveAs, AddFile, Add, Edit, Delete, Export,
    Help, Download, Home, About, Quit, Close, First, Prior, Next, Last,
    Filing, Print
};

QIcon icon(Kind kind);
// The program icon drawn at `side` pixels square, for the desktop's icon
// theme (the same drawing as the window's icon and the scalable picture).
QImage programImage(int side);
// The tool band's background picture for a band of the given size.
QPixmap bandBackground(QSize size);

} // namespace icons
