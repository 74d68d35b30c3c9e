// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/common/PluginSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <cerrno>
#include <dlfcn.h>
#include <iconv.h>

namespace plugin {

QString fromCp949(const char* text)
{
    if (!text || !*text)
        return QString();
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(text);
    QByteArray in(text);
    QByteArray out;
    char* src = in.data();
    size_t left = static_cast<size_t>(in.size());
    char buffer[256];
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, dst - buffer);
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or cut-off character: one replacement, one byte on.
        out.append("\xef\xbf\xbd");
        ++src;
        --left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return QString::fromUtf8(out);
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
