// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QString>

// The window's three typefaces. "굴림", "돋움" and "바탕" where they are
// installed; otherwise the Nanum faces, so Korean text always renders.
namespace appfonts {

QString gulim();
QString dotum();
QString batang();

QFont pixelFont(const QString& family, int pixels, bool bold = false);
QFont pointFont(const QString& family, int points, bool bold = false);

} // namespace appfonts
