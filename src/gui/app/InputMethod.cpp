// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/InputMethod.h"

QString InputModuleFallback(const QString& named, const QStringList& pluginFiles)
{
    const QString module = named.trimmed().toLower();
    if (module != QLatin1String("fcitx") && module != QLatin1String("fcitx5"))
        return {};
    for (const QString& file : pluginFiles)
        if (file.contains(QLatin1String("fcitx"), Qt::CaseInsensitive))
            return {};
    for (const QString& file : pluginFiles)
        if (file.contains(QLatin1String("ibus"), Qt::CaseInsensitive))
            return QStringLiteral("ibus");
    return {};
}
