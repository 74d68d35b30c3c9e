// SPDX-License-Identifier: GPL-3.0-or-later
// The program's calls into its helper libraries and the libraries
// themselves: missing libraries and entries, a library planted in the
// current folder, the page-pane rectangles, F1, and the about box and the
// page pane opened for real (offscreen) and closed again.
#include "MainWindowFixture.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/HelperLibrary.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QImage>
#include <QTextDocument>
#include <QTextCursor>
#include <QScrollBar>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

#include <dlfcn.h>

#include <cstdint>
#include <functional>

namespace {

const QString kHelpAddress = QStringLiteral("https://quillbook.example.com/help/tallyhub/quillbook.htm");

// True while the library at `path` is loaded in this process.
bool isLoaded(const QString& path)
{
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

QString copyAs(const QString& library, const QString& folder, const QString& name)
{
    const QString target = QDir(folder).filePath(name);
    QFile::remove(target);
    if (!QFile::copy(library, target))
        return QString();
    return target;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs `inspect` on the modal window once a library has opened it (the
// library's call blocks the test meanwhile); closes it afterwards should
// `inspect` have left it open, so a failure cannot hang the test.
void whenModalShown(std::function<void(QWidget*)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        QPointer<QWidget> w;
        QTRY_VERIFY_WITH_TIMEOUT((w = QApplication::activeModalWidget()) != nullptr, 10000);
        inspect(w);
        if (w && w->isVisible())
            w->close();
    });
}

// Catches the addresses handed to the desktop's web browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

using OpenPaneEntry = void (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*);
using ShowCreditsEntry = void (*)(const char*, const char*);

} // namespace

class TestHelperLibraries : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    QString record_;
    UrlCatcher browser_;

    // The lines the recording stand-in library wrote since the last call.
    QStringList takeRecord()
    {
        QFile f(record_);
        QStringList lines;
        if (f.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QFile::remove(record_);
        return lines;
    }

    static void press(Tmainf& w, const QString& how)
    {
        if (how == "HelpBtn")
            probe(w).HelpBtn()->click();
        else if (how == "dDTZIP")
            probe(w).dDTZIP()->click();
        else if (how == "Hinfo")
            probe(w).Hinfo()->click();
        else if (how == "F1 grid")
            QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_F1);
        else if (how == "F1 CmGbn")
            QTest::keyClick(reinterpret_cast<QWidget*>(probe(w).CmGbn()), Qt::Key_F1);
        else if (how == "F1 YerEdit")
            QTest::keyClick(reinterpret_cast<QWidget*>(probe(w).YerEdit()), Qt::Key_F1, Qt::ShiftModifier);
        else if (how == "F1 gCombo")
            QTest::keyClick(reinterpret_cast<QWidget*>(probe(w).gCombo()), Qt::Key_F1, Qt::ControlModifier);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch_.isValid());
        record_ = scratch_.filePath(QStringLiteral("record.txt"));
        qputenv("QB_HELPER_RECORD", QFile::encodeName(record_));
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser_, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser_, "open");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }
    void init()
    {
        takeRecord();
        browser_.opened.clear();
    }

    void missingLibrary_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        const QString pane = QStringLiteral("PagePane.dll 파일에 문제가 있거나 Dll 파일을 찾을 수 없습니다");
        QTest::newRow("help button") << "HelpBtn" << pane;
        QTest::newRow("downloads button") << "dDTZIP" << pane;
        QTest::newRow("F1 in the grid") << "F1 grid" << pane;
        QTest::newRow("F1 in the category box") << "F1 CmGbn" << pane;
        QTest::newRow("Shift+F1 in the year box") << "F1 YerEdit" << pane;
        QTest::newRow("Ctrl+F1 in the month box") << "F1 gCombo" << pane;
        QTest::newRow("about box") << "Hinfo"
                                   << QStringLiteral("Credits.dll 파일에 문제가 있거나 Dll 파일을 찾을 수 없습니다");
    }
    void missingLibrary()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        MainWindowFixture f;  // its program folder holds no library
        QVERIFY(f.start());
        press(*f.window, how);
        QCOMPARE(f.dialogs.texts("info"), QStringList{message});
        // One tone: the about box sounds its own and no second one.
        QCOMPARE(f.dialogs.beeps, 1);
        QVERIFY(f.dialogs.texts("plain").isEmpty());
        QVERIFY(f.dialogs.texts("error").isEmpty());
    }

    void libraryWithoutItsEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("about");
        QTest::newRow("about box") << "Credits.dll" << "ShowCredits" << true;
        QTest::newRow("page pane") << "PagePane.dll" << "OpenPane" << false;
        QTest::newRow("special characters") << "Glyphpad.dll" << "PickGlyph" << false;
    }
    void libraryWithoutItsEntry()
    {
        QFETCH(QString, name);
        QFETCH(QString, entry);
        QFETCH(bool, about);
        QTemporaryDir folder;
        const QString path = copyAs(QStringLiteral(QB_NOENTRY_LIBRARY), folder.path(), name);
        QVERIFY(!path.isEmpty());
        ScriptedDialogs dialogs;
        bool called = false;
        QVERIFY(!CallHelperLibrary(dialogs, name, entry.toLatin1().constData(), [&](void*) { called = true; }, about,
                                   folder.path()));
        QVERIFY(!called);
        QCOMPARE(dialogs.texts("plain"), QStringList{QStringLiteral("127")});
        QVERIFY(dialogs.texts("info").isEmpty());
        QCOMPARE(dialogs.beeps, about ? 1 : 0);
        QVERIFY2(!isLoaded(path), "the library stayed loaded");
    }

    void aboutBoxWithoutItsEntryThroughTheWindow()
    {
        MainWindowFixture f;
        QVERIFY(!copyAs(QStringLiteral(QB_NOENTRY_LIBRARY), f.folder, QStringLiteral("Credits.dll")).isEmpty());
        QVERIFY(f.start());
        probe(f.window).Hinfo()->click();
        QCOMPARE(f.dialogs.texts("plain"), QStringList{QStringLiteral("127")});
        QCOMPARE(f.dialogs.beeps, 1);
        QVERIFY(!isLoaded(f.folder + QStringLiteral("Credits.dll")));
    }

    void libraryInTheCurrentFolderIsNeverLoaded()
    {
        QTemporaryDir planted;
        for (const char* name : {"Credits.dll", "PagePane.dll", "Glyphpad.dll"})
            QVERIFY(!copyAs(QStringLiteral(QB_RECORDER_LIBRARY), planted.path(), QString::fromLatin1(name)).isEmpty());
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(planted.path()));
        {
            MainWindowFixture f;
            QVERIFY(f.start());
            probe(f.window).HelpBtn()->click();
            probe(f.window).dDTZIP()->click();
            probe(f.window).Hinfo()->click();
            // Nor through a folder that is not absolute.
            for (const QString& folder : {QString(), QStringLiteral("."), QStringLiteral("./")})
                CallHelperLibrary(f.dialogs, QStringLiteral("Credits.dll"), "ShowCredits", [](void*) {}, false, folder);
            CallHelperLibrary(f.dialogs, QStringLiteral("./Credits.dll"), "ShowCredits", [](void*) {}, false,
                              f.folder);
            QCOMPARE(f.dialogs.texts("info").size(), 7);
            for (const QString& text : f.dialogs.texts("info"))
                QVERIFY2(text.endsWith(QStringLiteral("Dll 파일을 찾을 수 없습니다")), qPrintable(text));
        }
        QDir::setCurrent(before);
        QCOMPARE(takeRecord(), QStringList{});
        QVERIFY(!isLoaded(planted.filePath(QStringLiteral("Credits.dll"))));
    }

    void paneRectangles()
    {
        QCOMPARE(HelpPaneRect(QSize(1024, 768)), QRect(364, 0, 657, 758));  // left, top, width, height
        const QRect downloads = DownloadsPaneRect(QRect(100, 50, 960, 700));
        QCOMPARE(downloads.top(), 135);
        QCOMPARE(downloads.left(), 480);
        QCOMPARE(downloads.height(), 580);
        QCOMPARE(downloads.width(), 560);
    }

    // The commands hand the library the rectangle and the address, through
    // a stand-in that notes its arguments.
    void paneCommandsPassTheirRectangles()
    {
        MainWindowFixture f;
        QVERIFY(!copyAs(QStringLiteral(QB_RECORDER_LIBRARY), f.folder, QStringLiteral("PagePane.dll")).isEmpty());
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        w.move(100, 50);
        QTRY_COMPARE(w.frameGeometry().topLeft(), QPoint(100, 50));
        const QRect frame = w.frameGeometry();
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();

        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_F1);
        QCOMPARE(takeRecord(), (QStringList{QStringLiteral("loaded"),
                                            QStringLiteral("OpenPane 0 %1 %2 657 %3")
                                                .arg(screen.width() - 660)
                                                .arg(screen.height() - 10)
                                                .arg(kHelpAddress)}));
        probe(w).dDTZIP()->click();
        QCOMPARE(takeRecord(), (QStringList{QStringLiteral("loaded"),
                                            QStringLiteral("OpenPane 135 %1 580 560 "
                                                           "https://quillbook.example.com/soft.htm")
                                                .arg(100 + frame.width() - 580)}));
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.dialogs.beeps, 0);
        QVERIFY(!isLoaded(f.folder + QStringLiteral("PagePane.dll")));
    }

    void aboutBoxPassesItsLinesInTheKoreanCodePage()
    {
        MainWindowFixture f;
        QVERIFY(!copyAs(QStringLiteral(QB_RECORDER_LIBRARY), f.folder, QStringLiteral("Credits.dll")).isEmpty());
        QVERIFY(f.start());
        probe(f.window).Hinfo()->click();
        QFile raw(record_);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        raw.close();
        takeRecord();
        QVERIFY2(bytes.startsWith("loaded\nShowCredits "), bytes.constData());
        const QList<QByteArray> lines = bytes.mid(bytes.indexOf(' ') + 1).trimmed().split('|');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains(QByteArray::fromStdString(toCp949(QStringLiteral("최종 변경일")))));
        QVERIFY(lines[1].startsWith(QByteArray::fromStdString(toCp949(QStringLiteral("간편장부 quillbook")))));
        QCOMPARE(f.dialogs.beeps, 1);  // the about box's tone, also when it opens
    }

    void f1InAnEntryFieldDoesNothing()
    {
        MainWindowFixture f;
        QVERIFY(!copyAs(QStringLiteral(QB_RECORDER_LIBRARY), f.folder, QStringLiteral("PagePane.dll")).isEmpty());
        QVERIFY(f.start());
        f.window->BtnAppClick();
        EntryPanel* panel = probe(f.window).TpPnl3();
        QVERIFY(panel->isEnabled());
        for (QWidget* field : std::initializer_list<QWidget*>{panel->IDAYEdt, panel->JKYUEdt, panel->SANGHOEdt,
                                                              panel->mTmnyEdt, panel->EtcCmb}) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_F1);
        }
        QCOMPARE(takeRecord(), QStringList{});
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.dialogs.beeps, 0);
    }

    // --- the libraries themselves ------------------------------------------------------------

    void aboutBoxShowsTheLinesAndLicencesAndCloses_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void aboutBoxShowsTheLinesAndLicencesAndCloses()
    {
        QFETCH(int, key);
        const QString library = QStringLiteral(QB_BIN_DIR "/Credits.dll");
        QVERIFY2(QFileInfo::exists(library), "Credits.dll is built beside the program");
        QWidget host;
        host.setWindowIcon(QIcon(QPixmap::fromImage(QImage(32, 32, QImage::Format_RGB32))));
        host.show();
        QString text;
        bool iconShown = false;
        QString title;
        whenModalShown([&](QWidget* box) {
            title = box->windowTitle();
            if (auto* view = box->findChild<QTextBrowser*>(QStringLiteral("CreditsText")))
                text = view->toPlainText();
            if (auto* icon = box->findChild<QLabel*>(QStringLiteral("CreditsIcon")))
                iconShown = !icon->pixmap().isNull();
            // Enter closes from the text as well as from the button.
            if (auto* view = box->findChild<QTextBrowser*>(QStringLiteral("CreditsText")))
                view->setFocus();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key(key));
            QTRY_VERIFY(!box->isVisible());
        });
        ScriptedDialogs dialogs;
        // "최종 변경일: 2026-12-10" and "간편장부 quillbook 1.0" in CP949, one byte damaged.
        const QByteArray change = QByteArrayLiteral("\xc3\xd6\xc1\xbe \xba\xaf\xb0\xe6\xc0\xcf: 2026-12-10");
        const QByteArray project = QByteArrayLiteral("\xb0\xa3\xc6\xed\xc0\xe5\xba\xce quillbook 1.0 \xff");
        QVERIFY(CallHelperLibrary(dialogs, QStringLiteral("Credits.dll"), "ShowCredits", [&](void* entry) {
            reinterpret_cast<ShowCreditsEntry>(entry)(change.constData(), project.constData());
        }, true, QStringLiteral(QB_BIN_DIR)));
        QCOMPARE(title, QStringLiteral("프로그램 정보"));
        QVERIFY2(text.contains(QStringLiteral("최종 변경일: 2026-12-10")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("간편장부 quillbook 1.0 \uFFFD")));
        for (const char* part : {"GPL-3.0-or-later", "Qt 6 Charts", "GPL-3.0-only", "libxlsxwriter", "BSD-2-Clause",
                                 "나눔 글꼴", "OFL-1.1", "사용권 전문: /usr/share/"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QVERIFY(iconShown);
        QCOMPARE(dialogs.beeps, 1);
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY2(!isLoaded(library), "Credits.dll stayed loaded");
        // Qt goes on working after the library is gone.
        QWidget after;
        after.show();
        QVERIFY(QTest::qWaitForWindowExposed(&after));
    }

    void pagePaneShowsOurPagesOffline()
    {
        QTemporaryDir folder;
        const QString library = copyAs(QStringLiteral(QB_BIN_DIR "/PagePane.dll"), folder.path(),
                                       QStringLiteral("PagePane.dll"));
        QVERIFY(!library.isEmpty());
        const QString site = folder.filePath(QStringLiteral("site"));
        writeFile(site + QStringLiteral("/help/tallyhub/quillbook.htm"),
                  QStringLiteral("<html><head><title>간편장부 도움말</title></head><body><p>도움말 시험 쪽</p>"
                                 "<p><a href='../../soft.htm'>자료받기</a> <a href='https://www.qt.io/'>Qt</a> "
                                 "<a href='../../../../x.htm'>밖</a></p><p><a name='end'>끝</a></p></body></html>")
                      .toUtf8());
        writeFile(site + QStringLiteral("/soft.htm"),
                  QStringLiteral("<html><head><title>자료받기</title></head><body><p>내려받기 시험 쪽</p>"
                                 "<p><a href='help/tallyhub/quillbook.htm#keys'>도움말</a></p></body></html>")
                      .toUtf8());
        writeFile(folder.filePath(QStringLiteral("x.htm")), "<p>outside</p>");

        QRect frame;
        QStringList seen;
        QString title;
        whenModalShown([&](QWidget* pane) {
            auto* view = pane->findChild<QTextBrowser*>(QStringLiteral("PageView"));
            QVERIFY(view);
            QTRY_COMPARE(pane->frameGeometry(), QRect(20, 10, 400, 300));
            frame = pane->frameGeometry();
            title = pane->windowTitle();
            seen << view->toPlainText();
            emit view->anchorClicked(QUrl(QStringLiteral("../../soft.htm")));
            seen << view->toPlainText();
            QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier);
            seen << view->toPlainText();
            QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
            QTest::keyClick(view, Qt::Key_Backspace);
            seen << view->toPlainText();
            // An in-page link is a step Back undoes.
            emit view->anchorClicked(QUrl(QStringLiteral("#end")));
            const QString fragment = view->source().fragment();
            QTest::keyClick(view, Qt::Key_Backspace);
            seen << fragment + QLatin1Char('|') + view->source().fragment();
            // Another site's address goes to the desktop's browser; the pane stays.
            emit view->anchorClicked(QUrl(QStringLiteral("https://www.qt.io/")));
            seen << view->toPlainText();
            // A link cannot leave the site folder.
            emit view->anchorClicked(QUrl(QStringLiteral("../../../../x.htm")));
            seen << view->toPlainText();
            QTest::keyClick(view, Qt::Key_Escape);
            QTRY_VERIFY(!pane->isVisible());
        });
        ScriptedDialogs dialogs;
        const QByteArray url = kHelpAddress.toUtf8();
        QVERIFY(CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
            reinterpret_cast<OpenPaneEntry>(entry)(10, 20, 300, 400, url.constData());
        }, false, folder.path()));
        QCOMPARE(frame, QRect(20, 10, 400, 300));
        QCOMPARE(title, QStringLiteral("간편장부 도움말"));
        QCOMPARE(seen.size(), 7);
        QCOMPARE(seen.takeAt(4), QStringLiteral("end|"));
        QVERIFY2(seen[0].contains(QStringLiteral("도움말 시험 쪽")), qPrintable(seen[0]));
        QVERIFY2(seen[1].contains(QStringLiteral("내려받기 시험 쪽")), qPrintable(seen[1]));
        QVERIFY2(seen[2].contains(QStringLiteral("도움말 시험 쪽")), qPrintable(seen[2]));
        QVERIFY2(seen[3].contains(QStringLiteral("도움말 시험 쪽")), qPrintable(seen[3]));
        QCOMPARE(seen[4], seen[3]);
        QCOMPARE(browser_.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.qt.io/"))});
        QVERIFY2(seen[5].contains(QStringLiteral("페이지를 찾을 수 없습니다")), qPrintable(seen[5]));
        QVERIFY(!seen[5].contains(QStringLiteral("outside")));
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY2(!isLoaded(library), "PagePane.dll stayed loaded");
    }

    void pagePaneDrawsTheWholeHelpPage()
    {
        // Every heading of the help page is drawn where it stands, also
        // those after the long tables, and Ctrl+Home goes back to the top.
        const QString source = QStringLiteral(QB_SITE_SOURCE "/help/tallyhub/quillbook.htm");
        QFile page(source);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        QStringList headings;
        static const QRegularExpression heading(QStringLiteral("<h2>(?:<a name=\"[^\"]*\"></a>)?([^<]+)</h2>"));
        for (auto m = heading.globalMatch(html); m.hasNext();)
            headings << m.next().captured(1).trimmed();
        QVERIFY(headings.size() >= 8);
        QStringList notDrawn;
        bool toTop = false;
        whenModalShown([&](QWidget* pane) {
            auto* view = pane->findChild<QTextBrowser*>(QStringLiteral("PageView"));
            QVERIFY(view);
            QTRY_VERIFY(!view->toPlainText().isEmpty());
            QTest::qWait(200);
            for (const QString& h : headings) {
                // The heading's own line in the document, brought into view.
                QTextCursor found = view->document()->find(h);
                if (found.isNull()) {
                    notDrawn << h + QStringLiteral(" (not found)");
                    continue;
                }
                view->setTextCursor(found);
                view->ensureCursorVisible();
                QCoreApplication::processEvents();
                const QRect line = view->cursorRect(found).adjusted(-400, 0, 400, 0) & view->viewport()->rect();
                const QImage shot = view->viewport()->grab(line).toImage();
                // Drawn text has dark pixels; the page's background has none.
                bool ink = false;
                for (int y = 0; y < shot.height() && !ink; ++y)
                    for (int x = 0; x < shot.width() && !ink; ++x)
                        ink = qGray(shot.pixel(x, y)) < 128;
                if (!ink) {
                    notDrawn << h;
                    if (!qEnvironmentVariableIsEmpty("QB_PANE_SHOTS"))
                        view->viewport()->grab().save(qEnvironmentVariable("QB_PANE_SHOTS") + "/" +
                                                      QString::number(notDrawn.size()) + ".png");
                }
            }
            QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
            QCoreApplication::processEvents();
            toTop = view->verticalScrollBar()->value() == 0;
            QTest::keyClick(view, Qt::Key_Escape);
        });
        ScriptedDialogs dialogs;
        QTemporaryDir folder;
        const QString library = copyAs(QStringLiteral(QB_BIN_DIR "/PagePane.dll"), folder.path(),
                                       QStringLiteral("PagePane.dll"));
        QVERIFY(!library.isEmpty());
        writeFile(folder.filePath(QStringLiteral("site/help/tallyhub/quillbook.htm")), html.toUtf8());
        const QByteArray url = kHelpAddress.toUtf8();
        QVERIFY(CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
            reinterpret_cast<OpenPaneEntry>(entry)(10, 20, 580, 560, url.constData());
        }, false, folder.path()));
        QVERIFY2(notDrawn.isEmpty(), qPrintable(notDrawn.join(QStringLiteral(", "))));
        QVERIFY(toTop);
    }

    void pagePaneHandsOtherAddressesToTheBrowser()
    {
        ScriptedDialogs dialogs;
        const QByteArray url = QByteArrayLiteral("https://www.example.org/page.htm");
        QVERIFY(CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
            reinterpret_cast<OpenPaneEntry>(entry)(0, 0, 300, 300, url.constData());
        }, false, QStringLiteral(QB_BIN_DIR)));
        QCOMPARE(browser_.opened, QList<QUrl>{QUrl(QString::fromLatin1(url))});
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void pagePaneSaysSoWhenAPageIsNotShipped()
    {
        QTemporaryDir folder;  // a library without any site folder
        QVERIFY(!copyAs(QStringLiteral(QB_BIN_DIR "/PagePane.dll"), folder.path(), QStringLiteral("PagePane.dll"))
                     .isEmpty());
        QString text;
        whenModalShown([&](QWidget* pane) {
            auto* view = pane->findChild<QTextBrowser*>(QStringLiteral("PageView"));
            QVERIFY(view);
            text = view->toPlainText();
            // Its link opens the address in the browser instead.
            emit view->anchorClicked(QUrl(QStringLiteral("#open-in-browser")));
            QTest::keyClick(view, Qt::Key_Escape);
        });
        ScriptedDialogs dialogs;
        const QByteArray url = kHelpAddress.toUtf8();
        CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
            reinterpret_cast<OpenPaneEntry>(entry)(0, 0, 300, 300, url.constData());
        }, false, folder.path());
        QVERIFY2(text.contains(QStringLiteral("페이지를 찾을 수 없습니다")), qPrintable(text));
        QVERIFY(text.contains(kHelpAddress));
        QCOMPARE(browser_.opened, QList<QUrl>{QUrl(kHelpAddress)});
    }
};

QTEST_MAIN(TestHelperLibraries)
#include "tst_helperlibraries.moc"
