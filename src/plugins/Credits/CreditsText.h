// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the about box says, apart from its window: the program's own licence,
// the licences of every library it links and of the fonts it depends on, and
// the box's text. debian/copyright and the help's "프로그램 정보" section list
// the same components with the same licence names (a test holds them equal).
#include <QList>
#include <QString>
#include <QStringList>

namespace credits {

struct Licence {
    QString component;     // "Qt 6 Charts"
    QString licence;       // SPDX expression: "GPL-3.0-only"
    QString copyright;     // holder line
    QString summary;       // one or two Korean sentences
    QStringList texts;     // files with the full licence, first the one to name
    QStringList libraries; // shared-object names it brings ("libQt6Charts.so")
};

// The program itself first, then the libraries, then the fonts.
QList<Licence> shippedLicences();

// The file to name for a licence's full text: the first one present on
// this system, else the first one listed.
QString fullTextFile(const Licence& licence);

// The box's body as rich text: the two lines from the program, then each
// licence. Every text from outside is escaped.
QString creditsHtml(const QString& changeDateLine, const QString& projectLine, const QList<Licence>& licences);

} // namespace credits
