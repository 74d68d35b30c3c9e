// SPDX-License-Identifier: GPL-3.0-or-later
// What the helper libraries decide without a window: texts in the Korean
// code page, which page an address stands for, the about box's licences.
#include "plugins/Credits/CreditsText.h"
#include "plugins/PagePane/SiteAddress.h"
#include "plugins/common/PluginSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

class TestPluginLogic : public QObject {
    Q_OBJECT

private slots:
    void fromCp949_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("Hangul and ASCII") << QByteArray("\xb0\xa3\xc6\xed\xc0\xe5\xba\xce 1.0") << "간편장부 1.0";
        QTest::newRow("symbols") << QByteArray("\xa2\xdf\xa1\xd9") << "㈜☆";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("byte that starts nothing") << QByteArray("a\xff" "b") << "a\uFFFDb";
        QTest::newRow("cut after a lead byte") << QByteArray("\xb0\xa3\xc6") << "간\uFFFD";
        QTest::newRow("bad trail byte") << QByteArray("\xb0\x0a" "x") << "\uFFFD\nx";
    }
    void fromCp949()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(plugin::fromCp949(bytes.constData()), text);
    }
    void fromCp949OfNothing() { QCOMPARE(plugin::fromCp949(nullptr), QString()); }

    void resolveAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");  // under the site folder, for Local
        using T = pagepane::Target;
        QTest::newRow("help page") << "https://quillbook.example.com/help/tallyhub/quillbook.htm" << int(T::Local)
                                   << "help/tallyhub/quillbook.htm";
        QTest::newRow("host in capitals, http") << "http://QuillBook.Example.com/soft.htm" << int(T::Local)
                                                << "soft.htm";
        QTest::newRow("fragment kept") << "https://quillbook.example.com/soft.htm#new" << int(T::Local)
                                       << "soft.htm#new";
        QTest::newRow("site root") << "https://quillbook.example.com/" << int(T::Local) << "index.htm";
        QTest::newRow("bare host") << "https://quillbook.example.com" << int(T::Local) << "index.htm";
        QTest::newRow("page not shipped") << "https://quillbook.example.com/nope.htm" << int(T::Missing) << "";
        QTest::newRow("download of our site") << "https://quillbook.example.com/download/quillbook_1.0.0_amd64.deb"
                                              << int(T::Browser) << "";
        QTest::newRow("folder not shipped") << "https://quillbook.example.com/help/" << int(T::Missing) << "";
        QTest::newRow("climbing out") << "https://quillbook.example.com/../outside.htm" << int(T::Missing) << "";
        QTest::newRow("another site") << "https://www.qt.io/licensing/" << int(T::Browser) << "";
        QTest::newRow("look-alike host") << "https://quillbook.example.com.evil.example/soft.htm" << int(T::Browser)
                                         << "";
        QTest::newRow("mail") << "mailto:help@example.com" << int(T::Browser) << "";
        QTest::newRow("file inside") << "@site/soft.htm" << int(T::Local) << "soft.htm";
        QTest::newRow("file outside") << "@outside.htm" << int(T::Missing) << "";
        QTest::newRow("file beside, similar name") << "@site2/soft.htm" << int(T::Missing) << "";
        QTest::newRow("empty") << "" << int(T::Missing) << "";
        QTest::newRow("no scheme") << "soft.htm" << int(T::Missing) << "";
    }
    void resolveAddress()
    {
        QFETCH(QString, address);
        QFETCH(int, kind);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString site = dir.filePath(QStringLiteral("site")) + QLatin1Char('/');
        for (const char* name : {"site/soft.htm", "site/index.htm", "site/help/tallyhub/quillbook.htm",
                                 "outside.htm", "site2/soft.htm"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        if (address.startsWith(QLatin1Char('@')))
            address = QUrl::fromLocalFile(dir.filePath(address.mid(1))).toString();
        const pagepane::Target target = pagepane::resolveAddress(QUrl(address), site);
        QCOMPARE(int(target.kind), kind);
        if (kind == pagepane::Target::Local) {
            QUrl expected = QUrl::fromLocalFile(site + file.section(QLatin1Char('#'), 0, 0));
            if (file.contains(QLatin1Char('#')))
                expected.setFragment(file.section(QLatin1Char('#'), 1));
            QCOMPARE(target.url, expected);
        } else if (kind == pagepane::Target::Browser) {
            QCOMPARE(target.url, QUrl(address));
        }
    }

    void resolveLink_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("address");
        QTest::newRow("relative") << "file:///opt/q/site/help/tallyhub/quillbook.htm" << "../../soft.htm"
                                  << "file:///opt/q/site/soft.htm";
        QTest::newRow("from the site's root") << "file:///opt/q/site/help/tallyhub/quillbook.htm" << "/soft.htm#new"
                                              << "https://quillbook.example.com/soft.htm#new";
        QTest::newRow("full address") << "file:///opt/q/site/soft.htm" << "https://www.qt.io/"
                                      << "https://www.qt.io/";
        QTest::newRow("no page yet") << "" << "https://quillbook.example.com/soft.htm"
                                     << "https://quillbook.example.com/soft.htm";
    }
    void resolveLink()
    {
        QFETCH(QString, current);
        QFETCH(QString, link);
        QFETCH(QString, address);
        QCOMPARE(pagepane::resolveLink(QUrl(current), QUrl(link)), QUrl(address));
    }

    // Every link of the pages we ship leads to a shipped page or to the browser.
    void shippedPagesLinkToPagesThatShip()
    {
        const QString site = QStringLiteral(QB_SITE_SOURCE "/");
        if (!QFileInfo(site).isDir())
            QSKIP("no site folder in the source tree");
        QDirIterator it(site, {QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files,
                        QDirIterator::Subdirectories);
        int pages = 0;
        const QRegularExpression href(QStringLiteral("(?:href|src)\\s*=\\s*[\"']([^\"']+)[\"']"));
        while (it.hasNext()) {
            const QString page = it.next();
            ++pages;
            QFile f(page);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(f.readAll());
            for (const QRegularExpressionMatch& m : href.globalMatch(html)) {
                const QUrl link(m.captured(1));
                if (link.isRelative() && link.path().isEmpty())
                    continue;  // an anchor in the same page
                const QUrl address = pagepane::resolveLink(QUrl::fromLocalFile(page), link);
                const pagepane::Target target = pagepane::resolveAddress(address, site);
                QVERIFY2(target.kind != pagepane::Target::Missing,
                         qPrintable(page + QStringLiteral(": ") + m.captured(1)));
            }
        }
        QVERIFY(pages >= 2);
        // The two pages the program opens are there.
        for (const char* path : {"https://quillbook.example.com/help/tallyhub/quillbook.htm",
                                 "https://quillbook.example.com/soft.htm"})
            QCOMPARE(int(pagepane::resolveAddress(QUrl(QString::fromLatin1(path)), site).kind),
                     int(pagepane::Target::Local));
    }

    void siteFolderBesideOrInstalled()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QCOMPARE(pagepane::siteFolderCandidates(root + QStringLiteral("/usr/lib/quillbook/")),
                 (QStringList{root + QStringLiteral("/usr/lib/quillbook/site"),
                              root + QStringLiteral("/usr/share/quillbook/site")}));
        QCOMPARE(pagepane::findSiteFolder(root + QStringLiteral("/usr/lib/quillbook/")), QString());
        QVERIFY(QDir().mkpath(root + QStringLiteral("/usr/share/quillbook/site")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/usr/lib/quillbook")));
        QCOMPARE(pagepane::findSiteFolder(root + QStringLiteral("/usr/lib/quillbook/")),
                 root + QStringLiteral("/usr/share/quillbook/site/"));
        // A portable copy's own site folder comes first.
        QVERIFY(QDir().mkpath(root + QStringLiteral("/usr/lib/quillbook/site")));
        QCOMPARE(pagepane::findSiteFolder(root + QStringLiteral("/usr/lib/quillbook/")),
                 root + QStringLiteral("/usr/lib/quillbook/site/"));
        QCOMPARE(pagepane::findSiteFolder(QString()), QString());
    }

    // The program's licence and every component's, with the same names in
    // the about box, debian/copyright, the help's "프로그램 정보" section and
    // the AppStream file; no library the built program needs is left out.
    void licencesOfWhatShips()
    {
        const QList<credits::Licence> licences = credits::shippedLicences();
        QVERIFY(licences.size() >= 10);
        QCOMPARE(licences[0].licence, QStringLiteral("GPL-3.0-or-later"));
        const QRegularExpression spdx(QStringLiteral("^[A-Za-z0-9.+-]+( OR [A-Za-z0-9.+-]+)*$"));
        auto readText = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        const QString copyright = readText(QStringLiteral(QB_SOURCE_DIR "/debian/copyright"));
        const QString help = readText(QStringLiteral(QB_SITE_SOURCE "/help/tallyhub/quillbook.htm"));
        const QString metainfo = readText(QStringLiteral(QB_SOURCE_DIR "/desktop/com.example.quillbook.metainfo.xml"));
        QVERIFY(copyright.startsWith(
            QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
        QVERIFY(copyright.contains(QStringLiteral("\nFiles: *\nCopyright: 2026 Quillbook developers\nLicense: ") +
                                   licences[0].licence + QLatin1Char('\n')));
        const int credits = help.indexOf(QRegularExpression(QStringLiteral("<a name=\"credits\"></a>\\d+\\. 프로그램 정보")));
        QVERIFY(credits > 0);
        QVERIFY(metainfo.contains(QStringLiteral("<project_license>") + licences[0].licence +
                                  QStringLiteral("</project_license>")));
        // The copyright file's list: " component: licence" lines, one per component.
        const QRegularExpression listed(QStringLiteral("^ ([^ .][^:\n]*): ([^\n]+)$"),
                                        QRegularExpression::MultilineOption);
        QStringList inCopyright;
        for (auto m = listed.globalMatch(copyright.section(QStringLiteral("\n\n"), 0, 0)); m.hasNext();) {
            const auto match = m.next();
            inCopyright << match.captured(1) + QStringLiteral(": ") + match.captured(2);
        }
        QStringList inTable;
        for (const credits::Licence& l : licences) {
            QVERIFY2(spdx.match(l.licence).hasMatch(), qPrintable(l.licence));
            QVERIFY(!l.summary.isEmpty() && !l.copyright.isEmpty() && !l.texts.isEmpty());
            for (const QString& path : l.texts)
                QVERIFY2(path.startsWith(QStringLiteral("/usr/share/")), qPrintable(path));
            inTable << l.component + QStringLiteral(": ") + l.licence;
            QVERIFY2(help.indexOf(QStringLiteral("<tr><td>") + l.component.toHtmlEscaped() + QStringLiteral("</td><td><code>") +
                                      l.licence + QStringLiteral("</code>"), credits) > 0,
                     qPrintable(l.component));
        }
        QCOMPARE(inCopyright, inTable);

        // Every shared library the built program and its helper libraries
        // need belongs to a listed component, or to the compiler and C library.
        const QStringList toolchain = {QStringLiteral("libc.so"), QStringLiteral("libm.so"), QStringLiteral("libstdc++.so"),
                                       QStringLiteral("libgcc_s.so"), QStringLiteral("ld-linux")};
        QStringList binaries = {QStringLiteral(QB_BIN_DIR "/quillbook"), QStringLiteral(QB_BIN_DIR "/quillbook-cli")};
        for (const QString& name : QDir(QStringLiteral(QB_BIN_DIR)).entryList({QStringLiteral("*.dll")}))
            binaries << QStringLiteral(QB_BIN_DIR "/") + name;
        QStringList unlisted;
        int needed = 0;
        bool sanitized = false;
        for (const QString& binary : binaries) {
            QProcess readelf;
            readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), binary});
            QVERIFY2(readelf.waitForFinished(30000) && readelf.exitCode() == 0, qPrintable(binary));
            const QRegularExpression entry(QStringLiteral("\\(NEEDED\\)\\s+Shared library: \\[([^\\]]+)\\]"));
            for (auto m = entry.globalMatch(QString::fromLocal8Bit(readelf.readAllStandardOutput())); m.hasNext();) {
                const QString soname = m.next().captured(1);
                ++needed;
                if (soname.startsWith(QStringLiteral("libasan.so")))
                    sanitized = true;
                auto covers = [&](const QString& stem) { return soname.startsWith(stem); };
                const bool known = std::any_of(toolchain.begin(), toolchain.end(), covers) ||
                                   std::any_of(licences.begin(), licences.end(), [&](const credits::Licence& l) {
                                       return std::any_of(l.libraries.begin(), l.libraries.end(), covers);
                                   });
                if (!known)
                    unlisted << soname + QStringLiteral(" (") + binary.section(QLatin1Char('/'), -1) + QLatin1Char(')');
            }
        }
        QVERIFY(needed > 10);
        // The sanitizer build links its runtimes and what the shipped build
        // leaves out as unused (zlib, the GL libraries): only the shipped
        // build's list tells what the package brings.
        if (sanitized)
            QSKIP("a sanitizer build's libraries are not those of the package");
        QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(QStringLiteral(", "))));
    }

    void fullTextFileIsOneThatExists()
    {
        QTemporaryDir dir;
        const QString present = dir.filePath(QStringLiteral("copyright"));
        QFile f(present);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        credits::Licence l{"x", "y", "z", "s", {dir.filePath(QStringLiteral("gone")), present}};
        QCOMPARE(credits::fullTextFile(l), present);
        l.texts = {dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("also gone"))};
        QCOMPARE(credits::fullTextFile(l), dir.filePath(QStringLiteral("gone")));
    }

    void creditsTextEscapesWhatItIsGiven()
    {
        const QString html = credits::creditsHtml(QStringLiteral("<b>변경</b> & 날짜"), QStringLiteral("간편장부 1.0"),
                                                  credits::shippedLicences());
        QVERIFY(html.contains(QStringLiteral("&lt;b&gt;변경&lt;/b&gt; &amp; 날짜")));
        QVERIFY(html.contains(QStringLiteral("간편장부 1.0")));
        QVERIFY(html.indexOf(QStringLiteral("간편장부 1.0")) < html.indexOf(QStringLiteral("변경")));
        for (const credits::Licence& l : credits::shippedLicences())
            QVERIFY2(html.contains(l.component.toHtmlEscaped()), qPrintable(l.component));
    }
};

QTEST_MAIN(TestPluginLogic)
#include "tst_plugin_logic.moc"
