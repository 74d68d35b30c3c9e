// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/common/PluginSupport.h"

#include "core/text/Cp949.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <dlfcn.h>

namespace plugin {

QString fromCp949(const char* text)
{
    if (!text || !*text)
        return QString();
    return QString::fromStdString(quill::decodeCp949(text));
}

QString libraryFolder(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname)
        return QString();
    const QFileInfo file(QFile::decodeName(info.dli_fname));
    QString folder = file.absoluteDir().absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool hasWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QWidget* hostWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow() && !w->windowFlags().testFlag(Qt::ToolTip))
            return w;
    return nullptr;
}

} // namespace plugin
