// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/PagePane/SiteAddress.h"

#include "core/AppInfo.h"

#include <QDir>
#include <QFileInfo>

namespace pagepane {

QString siteHost() { return QUrl(QString::fromUtf8(kHomePageAddress)).host(); }

QStringList siteFolderCandidates(const QString& libraryFolder)
{
    if (libraryFolder.isEmpty())
        return {};
    const QDir lib(libraryFolder);
    return {QDir::cleanPath(lib.filePath(QStringLiteral("site"))),
            QDir::cleanPath(lib.filePath(QStringLiteral("../../share/quillbook/site")))};
}

QString findSiteFolder(const QString& libraryFolder)
{
    for (const QString& folder : siteFolderCandidates(libraryFolder))
        if (QFileInfo(folder).isDir())
            return folder + QLatin1Char('/');
    return QString();
}

namespace {

// The page file for a path inside the site, or empty when the path leaves it.
QString pageFile(const QString& siteFolder, const QString& path)
{
    if (siteFolder.isEmpty())
        return QString();
    const QString root = QDir::cleanPath(siteFolder);
    QString file = QDir::cleanPath(root + QLatin1Char('/') + path);
    if (file != root && !file.startsWith(root + QLatin1Char('/')))
        return QString();
    if (QFileInfo(file).isDir())
        file += QStringLiteral("/index.htm");
    return file;
}

Target local(const QString& file, const QUrl& address)
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return {Target::Missing, address};
    QUrl url = QUrl::fromLocalFile(file);
    url.setFragment(address.fragment());
    return {Target::Local, url};
}

} // namespace

QUrl resolveLink(const QUrl& current, const QUrl& link)
{
    if (link.isRelative() && link.path().startsWith(QLatin1Char('/')) && link.host().isEmpty())
        return QUrl(QString::fromUtf8(kHomePageAddress)).resolved(link);
    return current.isValid() && !current.isEmpty() ? current.resolved(link) : link;
}

namespace {
bool namesPage(const QString& path)
{
    return path.isEmpty() || path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
}
} // namespace

Target resolveAddress(const QUrl& address, const QString& siteFolder)
{
    if (!address.isValid() || address.isEmpty() || address.scheme().isEmpty())
        return {Target::Missing, address};
    const QString scheme = address.scheme().toLower();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        address.host().compare(siteHost(), Qt::CaseInsensitive) == 0) {
        const QString path = address.path().isEmpty() ? QStringLiteral("/") : address.path();
        const Target found = local(pageFile(siteFolder, path), address);
        if (found.kind == Target::Missing && !namesPage(address.path()))
            return {Target::Browser, address};
        return found;
    }
    if (scheme == QLatin1String("file")) {
        const QString root = QDir::cleanPath(siteFolder);
        const QString file = QDir::cleanPath(address.toLocalFile());
        if (siteFolder.isEmpty() || !file.startsWith(root + QLatin1Char('/')))
            return {Target::Missing, address};
        return local(pageFile(siteFolder, file.mid(root.size())), address);
    }
    return {Target::Browser, address};
}

} // namespace pagepane
