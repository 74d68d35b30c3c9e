// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which page an address stands for: pages of our own site ship with the
// program and are shown offline from its site folder; every other address
// belongs to the desktop's web browser.
#include <QString>
#include <QStringList>
#include <QUrl>

namespace pagepane {

// The host of our site (from the program's home page address).
QString siteHost();

// Where the site folder may be for a library in `libraryFolder`: beside it
// (a portable copy: bin/site) or in the installation's share/quillbook/site.
QStringList siteFolderCandidates(const QString& libraryFolder);
// The first candidate that exists, with a trailing "/"; empty when none.
QString findSiteFolder(const QString& libraryFolder);

struct Target {
    enum Kind {
        Local,    // `url` is the page's file in the site folder (fragment kept)
        Browser,  // `url` is for the desktop's web browser
        Missing,  // a page of our site that is not in the site folder
    } kind;
    QUrl url;
};

// The address a link inside the page at `current` stands for. A link from
// the site's root ("/soft.htm") means our site, also in a page read from
// the site folder.
QUrl resolveLink(const QUrl& current, const QUrl& link);

// `address` as the pane treats it. An address of our site that is not in
// the site folder is Missing when it names a page (".htm", ".html", a
// folder) and for the browser otherwise (a download, say). A file address counts as ours only
// inside the site folder, so a link cannot reach other files. A folder
// address shows its "index.htm".
Target resolveAddress(const QUrl& address, const QString& siteFolder);

} // namespace pagepane
