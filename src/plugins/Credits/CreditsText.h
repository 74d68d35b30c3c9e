// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the about box says, apart from its window: the licences of what
// ships with the program, and the box's text.
#include <QList>
#include <QString>
#include <QStringList>

namespace credits {

struct Licence {
    QString component;   // "Qt 6"
    QString licence;     // "GNU LGPL 3.0"
    QString copyright;   // holder line
    QString summary;     // one or two Korean sentences
    QStringList texts;   // files with the full licence, first the one to name
};

// Qt, libxlsxwriter and the Nanum fonts, in that order.
QList<Licence> shippedLicences();

// The file to name for a licence's full text: the first one present on
// this system, else the first one listed.
QString fullTextFile(const Licence& licence);

// The box's body as rich text: the two lines from the program, then each
// licence. Every text from outside is escaped.
QString creditsHtml(const QString& changeDateLine, const QString& projectLine, const QList<Licence>& licences);

} // namespace credits
