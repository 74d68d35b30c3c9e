// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program icon as PNG files for the desktop's icon theme:
// quillbook-iconpng OUTDIR SIDE... -> OUTDIR/SIDExSIDE/apps/com.example.quillbook.png
#include "gui/app/Icons.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fputs("usage: quillbook-iconpng OUTDIR SIDE...\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int side = QString::fromLatin1(argv[i]).toInt();
        if (side <= 0 || side > 1024)
            return 2;
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(side);
        if (!QDir().mkpath(folder) || !icons::programImage(side).save(folder + QStringLiteral("/com.example.quillbook.png"))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
