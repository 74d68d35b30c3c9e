// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/AppFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace appfonts {

namespace {

QString firstInstalled(const QStringList& names, const QString& fallback)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& name : names)
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    return fallback;
}

} // namespace

QString gulim()
{
    static const QString family = firstInstalled({QStringLiteral("굴림"), QStringLiteral("Gulim")},
                                                 QStringLiteral("NanumGothic"));
    return family;
}

QString dotum()
{
    static const QString family = firstInstalled({QStringLiteral("돋움"), QStringLiteral("Dotum")},
                                                 QStringLiteral("NanumGothic"));
    return family;
}

QString batang()
{
    static const QString family = firstInstalled({QStringLiteral("바탕"), QStringLiteral("Batang")},
                                                 QStringLiteral("NanumMyeongjo"));
    return family;
}

QFont pixelFont(const QString& family, int pixels, bool bold)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont pointFont(const QString& family, int points, bool bold)
{
    QFont f(family);
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

} // namespace appfonts
