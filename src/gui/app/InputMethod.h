// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

// The Qt input-method module to start with instead of the one the desktop
// names (QT_IM_MODULE), or empty to keep it. fcitx5 named without its Qt 6
// front end installed (the package only recommends fcitx5-frontend-qt6)
// would leave Hangul input dead; fcitx5 also answers ibus's protocol, which
// Qt's own ibus module speaks. `pluginFiles` are the file names in Qt's
// "platforminputcontexts" plugin folder.
QString InputModuleFallback(const QString& named, const QStringList& pluginFiles);
