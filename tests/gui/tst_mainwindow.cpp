// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over a prepared ledger: start-up with and without a
// configuration, the filter row and the totals bar, the grid's and the
// filter row's keys, the navigator, the exit command and closing.
#include "MainWindowFixture.h"
#include "gui/app/ShadowLabel.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/TSprSfm.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>
#include <unistd.h>

#include <stdexcept>

namespace {

// Types text as an input method hands it over, one character per key.
void typeText(QWidget* w, const QString& s)
{
    for (QChar c : s) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

QString cell(const Tmainf& w, int row, int column)
{
    return probe(w).gridModel()->index(row, column).data().toString();
}

// The ledger most tests work on. In 2009: income 1,000,000 + 234,567 and a
// refund of -1,500; expense 50,000 (on a stored 2009.02.30) and 200,000;
// one asset of 3,000,000. Around it: other years, a month 00 and an entry
// without a date.
void prepareLedger(MainWindowFixture& f)
{
    probe(f.window).TAcunt().disableControls();
    f.addEntry("2008.12.31", "작년", 1000, 100);
    f.addEntry("2009.01.05", "판매1", 1000000, 100000);
    f.addEntry("2009.02.30", "이상한날", 0, 0, 50000, 5000);
    f.addEntry("2009.03.10", "판매2", 234567, 23456);
    f.addEntry("2009.03.15", "구입", 0, 0, 200000, 20000);
    f.addEntry("2009.03.31", "기계", 0, 0, 0, 0, 3000000, 300000);
    f.addEntry("2009.05.01", "환불", -1500, 0);
    f.addEntry("2009.00.15", "영월", 0, 0, 10, 1);
    f.addEntry("    .  .  ", "빈날", 5, 0);
    f.addEntry("2010.01.01", "내년", 0, 0, 7, 0);
    probe(f.window).TAcunt().enableControls();
}

// Sets the filter row as a user would: the year, then the month, then the
// category; a text that is not an item is typed.
void chooseFilter(Tmainf& w, const QString& category, int year, const QString& month)
{
    probe(w).YerEdit()->setValue(year);
    for (auto [combo, text] : {std::pair<QComboBox*, QString>{probe(w).gCombo(), month}, std::pair{probe(w).CmGbn(), category}}) {
        const int item = combo->findText(text);
        if (item >= 0) {
            combo->setCurrentIndex(item);
            emit combo->activated(item);
        } else {
            combo->lineEdit()->selectAll();
            typeText(combo, text);
        }
    }
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // --- start-up -------------------------------------------------------------

    void startsWithAnEmptyUntitledLedger()
    {
        MainWindowFixture f;
        QVERIFY(!QDir(f.folder + "Temp").exists());
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QFile::exists(f.folder + "Temp/quillbook.cds"));
        QVERIFY(probe(w).TAcunt().isOpen());
        QVERIFY(probe(w).TAcunt().isEmpty());
        QVERIFY(!probe(w).fAcunt().isOpen());
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: 이름없음.Aut"));
        QCOMPARE(probe(w).fnameBevl()->width(), probe(w).fNameLabl()->width() + 2);
        QCOMPARE(probe(w).CmGbn()->currentText(), QStringLiteral("전체"));
        QCOMPARE(probe(w).YerEdit()->text(), QStringLiteral("2009"));
        QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("1년"));
        for (QLabel* l : probe(w).Bmxsm())
            QCOMPARE(l->text(), QStringLiteral("0 "));
        QCOMPARE(probe(w).CntLbe()->text(), QStringLiteral("0건 "));
        QVERIFY(!probe(w).TpPnl3()->isEnabled());
        QCOMPARE(probe(w).gridModel()->rowCount(), 0);
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
        // the window has no system title bar
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(w.windowTitle(), QStringLiteral("간편장부"));
    }

    void placesTheWindowFromTheConfiguration_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QRect>("expected");  // left, top, width, height; -1: the default
        QTest::newRow("no file") << QString() << QRect(-1, -1, -1, -1);
        QTest::newRow("decimal") << "[간편장부]\r\nfTop=10\r\nfLft=20\r\nfHgt=500\r\nfWid=1042\r\n"
                                 << QRect(20, 10, 1042, 500);
        QTest::newRow("top left corner") << "[간편장부]\r\nfTop=0\r\nfLft=0\r\n" << QRect(0, 0, -1, -1);
        QTest::newRow("hexadecimal") << "[간편장부]\r\nfTop=0x20\r\nfLft=$10\r\nfHgt=$1F4\r\nfWid=0x2BC\r\n"
                                     << QRect(16, 32, 700, 500);
        QTest::newRow("garbage") << "[간편장부]\r\nfTop=abc\r\nfLft=\r\nfHgt=12px\r\nfWid=wide\r\n"
                                 << QRect(-1, -1, -1, -1);
        QTest::newRow("other section") << "[작업폴더]\r\nfTop=5\r\n" << QRect(-1, -1, -1, -1);
        QTest::newRow("off the screen") << "[간편장부]\r\nfTop=-300\r\nfLft=5000\r\n" << QRect(5000, -300, -1, -1);
    }
    void placesTheWindowFromTheConfiguration()
    {
        QFETCH(QString, config);
        QFETCH(QRect, expected);
        MainWindowFixture f;
        if (!config.isEmpty())
            f.writeConfig(config);
        QVERIFY(f.start());
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        const QRect g = f.window->geometry();
        QCOMPARE(g.left(), expected.left() == -1 ? (screen.width() - 960) / 2 : expected.left());
        QCOMPARE(g.top(), expected.top() == -1 ? 80 : expected.top());
        // The stored size, or 960 wide and the screen's height less 135.
        QCOMPARE(g.width(), expected.width() == -1 ? 960 : expected.width());
        QCOMPARE(g.height(), expected.height() == -1 ? screen.height() - 135 : expected.height());
        QVERIFY(f.dialogs.shown.isEmpty());
        // Placing the window never writes the configuration.
        QCOMPARE(QFile::exists(f.folder + "quillcfg.ini"), !config.isEmpty());
    }

    void startsFromAFolderItMayNotWrite_data()
    {
        QTest::addColumn<bool>("byPermissions");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("folder below a file") << false;
    }
    void startsFromAFolderItMayNotWrite()
    {
        QFETCH(bool, byPermissions);
        MainWindowFixture f;
        if (byPermissions) {
            f.writeConfig("[간편장부]\r\nfTop=0x20\r\n");
            QFile::setPermissions(f.tempPath(), QFile::ReadOwner | QFile::ExeOwner);
            QFile writable(f.folder + "probe");
            if (writable.open(QIODevice::WriteOnly))
                QSKIP("folder permissions do not bind this user");
        } else {
            QFile plain(f.folder + "plain");
            QVERIFY(plain.open(QIODevice::WriteOnly));
            f.folder += "plain/program/";
        }
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QCOMPARE(w.geometry().top(), byPermissions ? 32 : 80);
        // The ledger works all the same: its scratch table lives elsewhere.
        QVERIFY(f.dialogs.texts("error").isEmpty());
        QVERIFY(probe(w).TAcunt().isOpen());
        QVERIFY(!QString::fromStdString(probe(w).book().scratchPath()).startsWith(f.folder));
        f.addEntry("2009.03.01", "판매", 100, 10);
        w.RecomputeTotals();
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "1건 ");
        QVERIFY(!QFile::exists(f.folder + "Temp"));
    }

    void startsWithoutAnyWritableFolderOfItsOwn_data()
    {
        QTest::addColumn<bool>("planted");  // someone made "<temp>/quillbook-<uid>" a link first
        QTest::newRow("own folder in the temporary folder") << false;
        QTest::newRow("a link planted there") << true;
    }
    void startsWithoutAnyWritableFolderOfItsOwn()
    {
        QFETCH(bool, planted);
        // Neither the program folder nor the user's home can be written (a
        // service account): the scratch table goes to a folder of the
        // user's own under the temporary folder, so a ledger can be opened.
        MainWindowFixture f;
        QFile plain(f.folder + "plain");
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        f.folder += "plain/program/";
        // (the temporary folder too is the test's own)
        const QByteArray home = qgetenv("HOME");
        const QByteArray temp = qgetenv("TMPDIR");
        qputenv("HOME", QFile::encodeName(f.folder + "home"));
        qputenv("TMPDIR", QFile::encodeName(f.tempPath()));
        const QString own = f.tempPath() + QStringLiteral("/quillbook-%1").arg(::getuid());
        if (planted)
            QVERIFY(QFile::link(f.tempPath(), own));
        const bool started = f.start();
        qputenv("HOME", home);
        if (temp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", temp);
        QVERIFY(started);
        Tmainf& w = *f.window;
        if (planted) {
            // Refused, and the user hears first why and where we looked.
            const QStringList errors = f.dialogs.texts("error");
            QVERIFY(!errors.isEmpty());
            QVERIFY2(errors[0].contains(own + QStringLiteral(": ")) && errors[0].contains(QStringLiteral("링크")),
                     qPrintable(errors[0]));
            QVERIFY(!QString::fromStdString(probe(w).book().scratchPath()).startsWith(own));
            return;
        }
        QCOMPARE(f.dialogs.texts("error"), QStringList());
        QVERIFY(probe(w).TAcunt().isOpen());
        const QString scratch = QString::fromStdString(probe(w).book().scratchPath());
        QVERIFY2(scratch.startsWith(own + "/"), qPrintable(scratch));
        QCOMPARE(QFileInfo(own).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        f.addEntry("2009.03.01", "판매", 100, 10);
        w.RecomputeTotals();
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "1건 ");
    }

    void dialogsOpenWhereTheConfigurationCannotBeStored()
    {
        // A program folder without "quillcfg.ini" in which nothing can be
        // written: Open, Add file, Save As and the export still show their
        // dialogs in the default work folder; the failure to store it is
        // reported once in the run.
        MainWindowFixture f;
        QFile plain(f.folder + "plain");
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString books = f.folder;  // a folder a ledger can be saved in
        f.folder += "plain/program/";
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString unable = "Unable to write to " + f.folder + "quillcfg.ini.";
        // Said once at start, in Korean, before any command.
        QCOMPARE(f.dialogs.texts("info"), QStringList({"설정을 저장할 수 없습니다: " + f.folder +
                                                       "quillcfg.ini 이번 실행의 설정은 끝날 때 사라집니다."}));
        QCOMPARE(f.dialogs.texts("error"), QStringList());
        f.dialogs.fileNames << QString() << QString();
        probe(w).HFileOpen()->click();
        probe(w).FileAdd()->click();
        QCOMPARE(f.dialogs.texts("open").size(), 2);
        QCOMPARE(f.dialogs.texts("error"), QStringList({unable}));
        for (const auto& shown : f.dialogs.shown)
            if (shown.kind == "open")
                QCOMPARE(shown.settings.folder, f.folder + "Work/");
        // Saving: the ledger is in its file and counts as saved; nothing is
        // reported again.
        f.addEntry("2009.03.01", "판매", 100, 10);
        probe(w).book().setModified(true);
        f.dialogs.fileNames << books + "가게.Aut";
        probe(w).SaveBtn()->click();
        QVERIFY(QFile::exists(books + "가게.Aut"));
        QVERIFY(!probe(w).book().isModified());
        f.dialogs.fileNames << QString();
        probe(w).PrtBtn()->click();
        QCOMPARE(f.dialogs.texts("save").size(), 2);
        QCOMPARE(f.dialogs.texts("error"), QStringList({unable}));
        QCOMPARE(f.dialogs.texts("info").size(), 1);
    }

    // --- filter row and totals ---------------------------------------------------

    void filterRowNarrowsGridAndTotals_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QStringList>("texts");  // Bmxsm1..6, CntLbe

        QTest::newRow("whole 2009")
            << "전체" << 2009 << "1년"
            << QStringList{"2009.01.05", "2009.02.30", "2009.03.10", "2009.03.15", "2009.03.31", "2009.05.01"}
            << QStringList{blanks(4) + "1,233,067 ", blanks(5) + "123,456 ", blanks(6) + "250,000 ",
                           blanks(6) + "25,000 ", blanks(4) + "3,000,000 ", blanks(5) + "300,000 ",
                           blanks(4) + "6건 "};
        // The refund of May is income too: the totals agree with 전체.
        QTest::newRow("income 2009")
            << "수입" << 2009 << "1년" << QStringList{"2009.01.05", "2009.03.10", "2009.05.01"}
            << QStringList{blanks(4) + "1,233,067 ", blanks(5) + "123,456 ", blanks(12) + "0 ",
                           blanks(11) + "0 ", blanks(12) + "0 ", blanks(11) + "0 ", blanks(4) + "3건 "};
        QTest::newRow("expense March")
            << "비용" << 2009 << "03" << QStringList{"2009.03.15"}
            << QStringList{blanks(12) + "0 ", blanks(11) + "0 ", blanks(6) + "200,000 ", blanks(6) + "20,000 ",
                           blanks(12) + "0 ", blanks(11) + "0 ", blanks(4) + "1건 "};
        QTest::newRow("February keeps day 30")
            << "전체" << 2009 << "02" << QStringList{"2009.02.30"}
            << QStringList{blanks(12) + "0 ", blanks(11) + "0 ", blanks(7) + "50,000 ", blanks(7) + "5,000 ",
                           blanks(12) + "0 ", blanks(11) + "0 ", blanks(4) + "1건 "};
        QTest::newRow("asset 2009")
            << "자산" << 2009 << "1년" << QStringList{"2009.03.31"}
            << QStringList{blanks(12) + "0 ", blanks(11) + "0 ", blanks(12) + "0 ", blanks(11) + "0 ",
                           blanks(4) + "3,000,000 ", blanks(5) + "300,000 ", blanks(4) + "1건 "};
        QTest::newRow("nothing in December")
            << "전체" << 2009 << "12" << QStringList{}
            << QStringList{blanks(12) + "0 ", blanks(11) + "0 ", blanks(12) + "0 ", blanks(11) + "0 ",
                           blanks(12) + "0 ", blanks(11) + "0 ", blanks(4) + "0건 "};
        QTest::newRow("month typed without zero") << "전체" << 2009 << "3" << QStringList{}
                                                  << QStringList{{}, {}, {}, {}, {}, {}, blanks(4) + "0건 "};
        QTest::newRow("category not in the list")
            << "기타" << 2009 << "1년"
            << QStringList{"    .  .  ", "2008.12.31", "2009.00.15", "2009.01.05", "2009.02.30", "2009.03.10",
                           "2009.03.15", "2009.03.31", "2009.05.01", "2010.01.01"}
            << QStringList{{}, {}, {}, {}, {}, {}, blanks(3) + "10건 "};
    }
    void filterRowNarrowsGridAndTotals()
    {
        QFETCH(QString, category);
        QFETCH(int, year);
        QFETCH(QString, month);
        QFETCH(QStringList, dates);
        QFETCH(QStringList, texts);
        MainWindowFixture f;
        QVERIFY(f.start());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        Tmainf& w = *f.window;
        QAbstractItemModelTester tester(probe(w).gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        prepareLedger(f);
        probe(w).TAcunt().last();  // the filter moves to the first passing row

        chooseFilter(w, category, year, month);

        QStringList shown;
        for (int r = 0; r < probe(w).gridModel()->rowCount(); ++r)
            shown << cell(w, r, 0);
        QCOMPARE(shown, dates);
        QCOMPARE(probe(w).TAcunt().recordCount(), dates.size());
        QVERIFY(probe(w).TAcunt().filtered());
        if (!dates.isEmpty()) {
            QCOMPARE(probe(w).TAcunt().recNo(), 0);
            QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 0);
        }
        for (int i = 0; i < 6; ++i)
            if (!texts[i].isEmpty())
                QCOMPARE(probe(w).Bmxsm()[i]->text(), texts[i]);
        QCOMPARE(probe(w).CntLbe()->text(), texts[6]);
        QCOMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
    }

    void typingTheYearAppliesTheFilter()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        probe(w).YerEdit()->setFocus();
        probe(w).YerEdit()->selectAll();
        // The first digits change nothing and leave the focus in the box.
        typeText(probe(w).YerEdit(), "200");
        QCOMPARE(probe(w).YerEdit()->text(), QStringLiteral("200"));
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "6건 ");
        QCOMPARE(QApplication::focusWidget(), probe(w).YerEdit());
        // The fourth digit applies the year; the focus still stays.
        typeText(probe(w).YerEdit(), "8");
        QCOMPARE(probe(w).YerEdit()->text(), QStringLiteral("2008"));
        QCOMPARE(probe(w).TAcunt().recordCount(), 1);
        QCOMPARE(cell(w, 0, 1), QStringLiteral("작년"));
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "1건 ");
        QCOMPARE(QApplication::focusWidget(), probe(w).YerEdit());
    }

    void monthIsTypedAsTheYearIs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("then");     // "enter", "leave", "down" or nothing
        QTest::addColumn<int>("firstCount");   // rows after the first key
        QTest::addColumn<int>("count");        // rows at the end
        QTest::addColumn<QString>("focus");    // where the focus ends
        // 2009 shows 7 rows (the 2009.00.15 one included), November one.
        QTest::newRow("two digits apply") << "11" << "" << 7 << 1 << "gCombo";
        QTest::newRow("one digit and Enter") << "3" << "enter" << 7 << 0 << "GrdAcunt";
        QTest::newRow("one digit and leaving") << "3" << "leave" << 7 << 0 << "YerEdit";
        QTest::newRow("two digits and leaving") << "11" << "leave" << 7 << 1 << "YerEdit";
        QTest::newRow("the arrow applies at once") << "" << "down" << 7 << 1 << "GrdAcunt";
    }
    void monthIsTypedAsTheYearIs()
    {
        // A month is never filtered by its first digit, so "11" can be typed.
        QFETCH(QString, typed);
        QFETCH(QString, then);
        QFETCH(int, firstCount);
        QFETCH(int, count);
        QFETCH(QString, focus);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        prepareLedger(f);
        f.addEntry("2009.11.20", "십일월", 1000, 100);
        chooseFilter(w, "전체", 2009, "1년");
        QCOMPARE(probe(w).TAcunt().recordCount(), 7);
        probe(w).gCombo()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), probe(w).gCombo());
        probe(w).gCombo()->lineEdit()->selectAll();
        for (int i = 0; i < typed.size(); ++i) {
            typeText(probe(w).gCombo()->lineEdit(), typed.mid(i, 1));
            if (i == 0)
                QCOMPARE(probe(w).TAcunt().recordCount(), firstCount);
            QCOMPARE(QApplication::focusWidget(), probe(w).gCombo());
        }
        if (then == "enter")
            QTest::keyClick(probe(w).gCombo(), Qt::Key_Return);
        else if (then == "leave")
            probe(w).YerEdit()->setFocus();
        else if (then == "down")
            QTest::keyClick(probe(w).gCombo(), Qt::Key_Down);
        QCOMPARE(probe(w).TAcunt().recordCount(), count);
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + QString::number(count) + "건 ");
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void typedYearAppliesOnEnterOrLeaving_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("Enter") << true;
        QTest::newRow("leaving the box") << false;
    }
    void typedYearAppliesOnEnterOrLeaving()
    {
        // A shorter year is applied when the user is done with it: Enter
        // goes on to the grid, leaving the box leaves the focus where it went.
        QFETCH(bool, enter);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        probe(w).YerEdit()->setFocus();
        probe(w).YerEdit()->selectAll();
        typeText(probe(w).YerEdit(), "201");
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "6건 ");
        if (enter) {
            QTest::keyClick(probe(w).YerEdit(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
        } else {
            probe(w).gCombo()->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), probe(w).gCombo());
        }
        QCOMPARE(probe(w).YerEdit()->text(), QStringLiteral("201"));
        QCOMPARE(probe(w).gridModel()->rowCount(), 0);
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "0건 ");
        if (!enter) {
            QCoreApplication::processEvents();
            QCOMPARE(QApplication::focusWidget(), probe(w).gCombo());
        }
    }

    void steppingTheYearAppliesAtOnce_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("year");
        QTest::newRow("Up") << int(Qt::Key_Up) << 2010;
        QTest::newRow("Down") << int(Qt::Key_Down) << 2008;
        QTest::newRow("wheel") << 0 << 2010;
    }
    void steppingTheYearAppliesAtOnce()
    {
        QFETCH(int, key);
        QFETCH(int, year);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        probe(w).YerEdit()->setFocus();
        if (key) {
            QTest::keyClick(probe(w).YerEdit(), Qt::Key(key));
        } else {
            const QPoint centre = probe(w).YerEdit()->rect().center();
            QWheelEvent wheel(centre, probe(w).YerEdit()->mapToGlobal(centre), {}, QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(probe(w).YerEdit(), &wheel);
        }
        QCOMPARE(probe(w).YerEdit()->text(), QString::number(year));
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "1건 ");
        QCOMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
    }

    void emptyYearGivesAnEmptyView()
    {
        // Ctrl+A, Backspace: no year, so no entry passes; the box stays
        // empty when the focus leaves.
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "03");
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "3건 ");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        probe(w).YerEdit()->setFocus();
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Backspace);
        QCOMPARE(probe(w).YerEdit()->text(), QString());
        QCOMPARE(probe(w).gridModel()->rowCount(), 0);
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "0건 ");
        for (QLabel* l : probe(w).Bmxsm())
            QCOMPARE(l->text().trimmed(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), probe(w).YerEdit());
        probe(w).GrdAcunt()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
        QCOMPARE(probe(w).YerEdit()->text(), QString());
        QCOMPARE(probe(w).gridModel()->rowCount(), 0);
        // Typing a year again shows it.
        probe(w).YerEdit()->setFocus();
        typeText(probe(w).YerEdit(), "2009");
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "3건 ");
        // From an empty box an arrow goes to this year, not to year 0.
        probe(w).YerEdit()->setFocus();
        probe(w).YerEdit()->selectAll();
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Backspace);
        QCOMPARE(probe(w).YerEdit()->text(), QString());
        probe(w).YerEdit()->setFocus();
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Down);
        QCOMPARE(probe(w).YerEdit()->text(), QString::number(QDate::currentDate().year()));
    }

    void gridShowsTheRowsAsTheLedgerHoldsThem()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QCOMPARE(probe(w).gridModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("거 래 내 용"));
        QCOMPARE(cell(w, 0, 1), QStringLiteral("판매1"));
        QCOMPARE(cell(w, 0, 2), QStringLiteral("거래처"));
        QCOMPARE(cell(w, 0, 3), QStringLiteral("1,000,000"));
        QCOMPARE(cell(w, 0, 5), QString());  // zero shows empty
        QCOMPARE(cell(w, 5, 3), QStringLiteral("-1,500"));
        QVERIFY(!(probe(w).gridModel()->flags(probe(w).gridModel()->index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(probe(w).GrdAcunt()->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void hugeTotalsShowTheirRealAmount()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2009.01.01", "큰돈", 60000000000000.0, 12345678901234.0);
        f.addEntry("2009.01.02", "큰돈", 40000000000000.0, 0);
        w.CmGbnChange();
        QCOMPARE(probe(w).Bmxsm()[0]->text(), QStringLiteral("100,000,000,000,000 "));
        QCOMPARE(probe(w).Bmxsm()[1]->text(), QStringLiteral("12,345,678,901,234 "));
        // Every digit stays in view: a label never cuts the leading digits
        // off (which would show another amount), it draws them smaller.
        // A count of six digits likewise.
        probe(w).CntLbe()->setText(QStringLiteral("123456건 "));
        for (FitLabel* label : {probe(w).Bmxsm()[0], probe(w).Bmxsm()[1], probe(w).CntLbe()}) {
            const QFont drawn = label->fittedFont();
            QVERIFY2(QFontInfo(drawn).pixelSize() < QFontInfo(label->font()).pixelSize(), qPrintable(label->text()));
            QVERIFY2(QFontMetricsF(drawn).horizontalAdvance(label->text().trimmed()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
        }
        // Totals that fit keep the label's own font.
        QCOMPARE(probe(w).Bmxsm()[2]->fittedFont(), probe(w).Bmxsm()[2]->font());
        probe(w).CntLbe()->setText(QStringLiteral("    6건 "));
        QCOMPARE(probe(w).CntLbe()->fittedFont(), probe(w).CntLbe()->font());
    }

    void newAppliesTheFilterTheControlsShow()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "수입", 2008, "03");
        w.NewFileClick();
        QCOMPARE(probe(w).CmGbn()->currentIndex(), 0);
        QCOMPARE(probe(w).gCombo()->currentIndex(), 0);
        QCOMPARE(probe(w).YerEdit()->value(), 2009);
        QVERIFY(probe(w).TAcunt().filtered());
        QCOMPARE(QString::fromStdString(probe(w).TAcunt().filter().expression()),
                 QStringLiteral("IDAY >= '2009.01.01' and IDAY <= '2009.12.31'"));
        QCOMPARE(probe(w).CntLbe()->text(), QStringLiteral("0건 "));
    }

    // --- keys ----------------------------------------------------------------------

    void downStopsOnTheLastRow()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Down, Qt::ShiftModifier);  // modifiers are not looked at
        QCOMPARE(probe(w).TAcunt().recNo(), 1);
        QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 1);
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Down, i % 2 ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(probe(w).TAcunt().recNo(), 5);
        QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 5);
        QCOMPARE(probe(w).gridModel()->rowCount(), 6);
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Insert);
        QCOMPARE(probe(w).TAcunt().rowCount(), 10u);
        QCOMPARE(probe(w).gridModel()->rowCount(), 6);
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Up);  // the grid's own keys still work
        QCOMPARE(probe(w).TAcunt().recNo(), 4);
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().recNo(), 0);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void homeAndEndMoveTheCurrentRow()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Down);
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Down);
        QCOMPARE(probe(w).TAcunt().recNo(), 2);
        for (auto mod : {Qt::NoModifier, Qt::ControlModifier}) {
            QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_End, mod);
            QCOMPARE(probe(w).TAcunt().recNo(), 5);
            QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 5);
            QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Home, mod);
            QCOMPARE(probe(w).TAcunt().recNo(), 0);
            QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 0);
        }
    }

    void escapeRunsTheExitCommand_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("answer");
        QTest::newRow("grid, no") << "GrdAcunt" << int(Qt::NoModifier) << false;
        QTest::newRow("grid, yes") << "GrdAcunt" << int(Qt::NoModifier) << true;
        QTest::newRow("category, ctrl, yes") << "CmGbn" << int(Qt::ControlModifier) << true;
        QTest::newRow("year, no") << "YerEdit" << int(Qt::NoModifier) << false;
        QTest::newRow("month, shift, yes") << "gCombo" << int(Qt::ShiftModifier) << true;
    }
    void escapeRunsTheExitCommand()
    {
        QFETCH(QString, control);
        QFETCH(int, modifiers);
        QFETCH(bool, answer);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.dialogs.yesNo.enqueue(answer);
        QWidget* target = w.findChild<QWidget*>(control);
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key_Escape, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.dialogs.texts("yesno"), QStringList{QStringLiteral("작업을 끝내겠습니까 ??")});
        QCOMPARE(w.isVisible(), !answer);
        QCOMPARE(probe(w).TAcunt().isOpen(), !answer);
    }

    void f12RecomputesUnderTheWaitWindow()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "수입", 2009, "1년");
        probe(w).TAcunt().last();
        for (QLabel* l : probe(w).Bmxsm())
            l->setText("x");
        probe(w).CntLbe()->setText("x");
        QTest::keyClick(probe(w).gCombo(), Qt::Key_F12, Qt::AltModifier);
        QCOMPARE(probe(w).Bmxsm()[0]->text(), blanks(4) + "1,233,067 ");
        QCOMPARE(probe(w).Bmxsm()[2]->text(), blanks(12) + "0 ");
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "3건 ");
        QCOMPARE(probe(w).TAcunt().recNo(), 2);  // the current row stays
        QVERIFY(!CurrentWaitWindow());
        QTRY_COMPARE(QApplication::focusWidget(), probe(w).GrdAcunt());
    }

    void waitMessageShowsWhatLiesBeneath_data()
    {
        QTest::addColumn<QPoint>("place");
        QTest::newRow("top left") << QPoint(0, 0);
        QTest::newRow("moved") << QPoint(203, 80);
    }
    void waitMessageShowsWhatLiesBeneath()
    {
        // Beneath the message the user sees exactly the rows and amounts
        // that the main window shows there, wherever the window stands.
        QFETCH(QPoint, place);
        MainWindowFixture f;
        f.writeConfig(QStringLiteral("[간편장부]\r\nfTop=%1\r\nfLft=%2\r\n").arg(place.y()).arg(place.x()));
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // rows enough to fill the grid behind the message, each different
        probe(w).TAcunt().disableControls();
        for (int i = 0; i < 60; ++i)
            f.addEntry(QStringLiteral("2009.01.%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                       QStringLiteral("판매 %1").arg(i), 1000 + 1111 * i, 100 + 111 * i);
        probe(w).TAcunt().enableControls();
        chooseFilter(w, "전체", 2009, "1년");
        QTRY_COMPARE(w.pos(), place);
        QCoreApplication::processEvents();
        ShowWaitMessage(QColor(26, 27, 22), QStringLiteral("자료를 재계산합니다. 잠시만..."));
        TSprSfm* wait = CurrentWaitWindow();
        QVERIFY(wait);
        const QRect area(wait->pos(), wait->size());
        // What the user sees: the screen itself where a display shows it,
        // the window's own picture where there is none.
        const QImage seen = QGuiApplication::platformName() == QLatin1String("offscreen")
            ? wait->grab().toImage()
            : wait->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        // the whole window's picture, cut where the message stands
        const QImage beneath = w.grab().toImage().copy(QRect(area.topLeft() - w.pos(), area.size()));
        const QRect letters = wait->MessageLabel->geometry();
        CloseWait();
        if (const QString out = qEnvironmentVariable("QB_SCREENSHOT"); !out.isEmpty()) {
            seen.save(out + "-seen.png");
            beneath.save(out + "-beneath.png");
        }
        QVERIFY(QRect(w.pos(), w.size()).contains(area));
        // Away from the message's letters, every pixel is the main window's.
        int differ = 0;
        for (int y = 0; y < seen.height(); ++y)
            for (int x = 0; x < seen.width(); ++x)
                if (!letters.contains(x, y) && seen.pixel(x, y) != beneath.pixel(x, y))
                    ++differ;
        QCOMPARE(differ, 0);
    }

    void deleteInTheYearBoxAlsoDeletesACharacter()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        const int shown = probe(w).TAcunt().recordCount();
        QVERIFY(shown > 0);
        probe(w).YerEdit()->setFocus();
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Home);
        f.dialogs.yesNo.enqueue(false);  // the row's delete question comes first
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Delete);
        QCOMPARE(f.dialogs.texts("noyes"), QStringList{QStringLiteral("삭제하시겠습니까??")});
        QVERIFY(probe(w).book().isModified() == false);
        QVERIFY2(probe(w).YerEdit()->text() == "009" || probe(w).YerEdit()->text() == "9", qPrintable(probe(w).YerEdit()->text()));
        // the shortened year applies when the user is done with it
        QCOMPARE(probe(w).TAcunt().recordCount(), shown);
        QTest::keyClick(probe(w).YerEdit(), Qt::Key_Return);
        QCOMPARE(probe(w).TAcunt().recordCount(), 0);
        QCOMPARE(probe(w).CntLbe()->text(), blanks(4) + "0건 ");
    }

    // --- navigator and grid cursor ----------------------------------------------------

    void navigatorAndGridMoveTheCurrentRowTogether()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        chooseFilter(w, "전체", 2009, "1년");
        const struct {
            int button;
            int row;
        } steps[] = {{3, 5}, {1, 4}, {1, 3}, {0, 0}, {1, 0}, {2, 1}, {3, 5}, {2, 5}};
        for (auto s : steps) {
            QTest::mouseClick(probe(w).NavButtons()[s.button], Qt::LeftButton);
            QCOMPARE(probe(w).TAcunt().recNo(), s.row);
            QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), s.row);
            QCOMPARE(probe(w).gridModel()->headerData(s.row, Qt::Vertical).toString(), QStringLiteral("▶"));
        }
        // a click on a grid row moves the ledger's cursor
        const QRect rowRect = probe(w).GrdAcunt()->visualRect(probe(w).gridModel()->index(2, 1));
        QTest::mouseClick(probe(w).GrdAcunt()->viewport(), Qt::LeftButton, {}, rowRect.center());
        QCOMPARE(probe(w).TAcunt().recNo(), 2);
        QCOMPARE(cell(w, probe(w).TAcunt().recNo(), 1), QStringLiteral("판매2"));
    }

    // --- exit and close ----------------------------------------------------------------

    void closingWithoutChangesAsksNothing()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QVERIFY(f.window->close());
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(!probe(f.window).TAcunt().isOpen());
    }

    void closingWithChangesAsksTheSavePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("cancel keeps the program open") << int(UserDialogs::Answer::Cancel) << true;
        QTest::newRow("no closes") << int(UserDialogs::Answer::No) << false;
    }
    void closingWithChangesAsksTheSavePrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, staysOpen);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2009.03.01", "판매", 100, 10);
        probe(w).book().setModified(true);
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer(answer));
        w.close();  // as the window manager's close or Alt+F4 does
        QCOMPARE(f.dialogs.texts("yesnocancel").size(), 1);
        QCOMPARE(w.isVisible(), staysOpen);
        QCOMPARE(probe(w).TAcunt().isOpen(), staysOpen);
        if (staysOpen) {
            QVERIFY(probe(w).book().isModified());
            QCOMPARE(probe(w).TAcunt().recordCount(), 1);
        }
    }

    void closingWhileACommandWorksIsIgnored()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("파일을 읽고 있습니다. 잠시만..."));
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(probe(w).TAcunt().isOpen());
        CloseWait();
        QVERIFY(w.close());
    }

    void exitAsksTwiceWhenThereAreChanges()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        probe(w).book().setModified(true);
        f.dialogs.yesNo.enqueue(true);
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Cancel);
        QTest::mouseClick(probe(w).QuitBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("yesno"), QStringList{QStringLiteral("작업을 끝내겠습니까 ??")});
        QCOMPARE(f.dialogs.texts("yesnocancel").size(), 1);
        QVERIFY(w.isVisible());
        QVERIFY(probe(w).book().isModified());
        // the system's close afterwards asks again
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Cancel);
        w.close();
        QCOMPARE(f.dialogs.texts("yesnocancel").size(), 2);
        QVERIFY(w.isVisible());
    }

    void unhandledFailuresGoToTheErrorReport_data()
    {
        QTest::addColumn<QString>("thrown");
        QTest::addColumn<QString>("shown");
        QTest::newRow("gets a full stop") << "Disk full" << "Disk full.";
        QTest::newRow("keeps its full stop") << "I/O error." << "I/O error.";
        QTest::newRow("Korean") << "파일이 없습니다" << "파일이 없습니다.";
        QTest::newRow("ends below the full stop") << "Unable to write to -" << "Unable to write to -";
    }
    void unhandledFailuresGoToTheErrorReport()
    {
        QFETCH(QString, thrown);
        QFETCH(QString, shown);
        MainWindowFixture f;
        QVERIFY(f.start());
        f.window->runCommand([&] { throw std::runtime_error(thrown.toStdString()); });
        QCOMPARE(f.dialogs.texts("error"), QStringList{shown});
        f.window->runCommand([] { throw 42; });
        QCOMPARE(f.dialogs.texts("error").size(), 2);
        QVERIFY(f.window->isVisible());
    }

    // --- layout ------------------------------------------------------------------------

    void layoutKeepsItsPlaces()
    {
        MainWindowFixture f;
        f.writeConfig("[간편장부]\r\nfTop=0\r\nfLft=0\r\nfHgt=689\r\nfWid=1042\r\n");
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const int W = 1042;
        QCOMPARE(w.size(), QSize(1042, 689));
        auto at = [&](QWidget* widget) { return QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size()); };
        QCOMPARE(at(probe(w).TopTitle()), QRect(0, 0, W, 22));
        QCOMPARE(at(probe(w).iconBtn()), QRect(1, 3, 19, 19));
        QCOMPARE(probe(w).iconBtn()->statusTip(), QStringLiteral("quillcfg.ini"));
        QCOMPARE(w.configPath(), f.folder + "quillcfg.ini");
        QCOMPARE(at(probe(w).mExit0()).topLeft(), QPoint(W - 27, 4));
        QCOMPARE(at(probe(w).mColBar()), QRect(0, 22, W, 138));
        QCOMPARE(probe(w).dxContainer3()->height(), 32);
        QCOMPARE(probe(w).TpPnl0()->height(), 100);
        QCOMPARE(probe(w).TagetTg()->geometry(), QRect(3, 9, 226, 13));
        QCOMPARE(probe(w).CmGbn()->geometry(), QRect(37, 6, 48, 20));
        QCOMPARE(probe(w).YerEdit()->geometry(), QRect(92, 6, 54, 20));
        QCOMPARE(probe(w).gCombo()->geometry(), QRect(167, 6, 43, 20));
        QCOMPARE(probe(w).gCombo()->count(), 13);
        QCOMPARE(probe(w).gCombo()->maxVisibleItems(), 19);
        QCOMPARE(probe(w).fNameLabl()->pos(), QPoint(238, 13));
        const struct {
            QToolButton* button;
            int left;
        } right[] = {{probe(w).HelpBtn(), W - 163}, {probe(w).dDTZIP(), W - 136}, {probe(w).DgaBtn(), W - 110}, {probe(w).Hinfo(), W - 84},
                     {probe(w).QuitBtn(), W - 56}};
        for (auto r : right)
            QCOMPARE(r.button->pos(), QPoint(r.left, 3));
        const struct {
            QToolButton* button;
            int left;
            int width;
            const char* tip;
        } tools[] = {{probe(w).HFileOpen(), 4, 25, "파일열기"}, {probe(w).NewFile(), 29, 25, "새파일"},
                     {probe(w).SaveBtn(), 54, 25, "자료저장"},  {probe(w).RnameBtn(), 79, 25, "딴이름으로저장"},
                     {probe(w).FileAdd(), 113, 78, "파일추가"}, {probe(w).BtnApp(), 202, 68, "자료추가"},
                     {probe(w).BtnEdt(), 274, 68, "자료수정"},  {probe(w).BtnDel(), 344, 68, "자료삭제"},
                     {probe(w).PrtBtn(), 417, 48, "엑셀전송"}};
        for (auto t : tools) {
            QCOMPARE(t.button->geometry(), QRect(t.left, 4, t.width, 27));
            QCOMPARE(t.button->toolTip(), QString::fromUtf8(t.tip));
        }
        QCOMPARE(probe(w).TpPnl3()->geometry(), QRect(0, 33, 802, 67));
        QCOMPARE(probe(w).TpPnl2()->geometry(), QRect(W - 223, 0, 223, 100));
        QCOMPARE(probe(w).CntLbe()->geometry(), QRect(36, 79, 43, 12));
        QCOMPARE(probe(w).NavAcunt()->geometry(), QRect(133, 72, 84, 25));
        QCOMPARE(at(probe(w).mainPanl()).top(), 160);
        QCOMPARE(at(probe(w).GrdAcunt()).topLeft(), QPoint(3, 163));
        QCOMPARE(at(probe(w).BtmPanl()).bottom(), 689 - 1 - 3);
        QCOMPARE(probe(w).BtmPanl()->height(), 26);
        QCOMPARE(at(probe(w).GrdAcunt()).bottom() + 1, at(probe(w).BtmPanl()).top());
        const int valueLefts[6] = {131, 263, 408, 544, 689, 822};
        const int valueWidths[6] = {85, 80, 85, 80, 85, 80};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(probe(w).Bmxsm()[i]->x(), valueLefts[i]);
            QCOMPARE(probe(w).Bmxsm()[i]->size(), QSize(valueWidths[i], 15));
        }
        QCOMPARE(at(probe(w).LaEnd0()).left(), W - 35);
        // The designed widths; the date and amount columns widened alike when
        // the font needs it, so that a date and an amount of millions fit, and
        // the two text columns giving that width back: the row keeps its
        // designed width and fits the default window.
        const int widths[10] = {60, 250, 180, 63, 60, 63, 60, 63, 60, 60};
        const double scale = probe(w).GrdAcunt()->columnWidth(0) / 60.0;
        QVERIFY(scale >= 1.0);
        int total = 0;
        for (int c = 0; c < 10; ++c) {
            total += probe(w).GrdAcunt()->columnWidth(c);
            if (c == 0 || c >= 3)
                QVERIFY(qAbs(probe(w).GrdAcunt()->columnWidth(c) - widths[c] * (c == 9 ? 1.0 : scale)) <= 1.0);
        }
        QCOMPARE(total, 919);
        const double textShare = probe(w).GrdAcunt()->columnWidth(1) / double(probe(w).GrdAcunt()->columnWidth(2));
        QVERIFY(qAbs(textShare - 250.0 / 180.0) < 0.05);
        QVERIFY(probe(w).GrdAcunt()->columnWidth(1) <= 250 && probe(w).GrdAcunt()->columnWidth(2) <= 180);
        const QFontMetrics fm = probe(w).GrdAcunt()->fontMetrics();
        QVERIFY(fm.horizontalAdvance("2009.01.05") + 6 <= probe(w).GrdAcunt()->columnWidth(0));
        QVERIFY(fm.horizontalAdvance("1,000,000") + 6 <= probe(w).GrdAcunt()->columnWidth(3));

        // The caption's "년" and "월" stand just behind the year box and the
        // month list, whatever the width of the font's blanks.
        const QList<int> words = probe(w).TagetTg()->wordLefts();
        QCOMPARE(words.size(), 3);
        QCOMPARE(probe(w).TagetTg()->text().split(' ', Qt::SkipEmptyParts), QStringList({"구분:", "년", "월"}));
        const QFontMetrics captionMetrics(probe(w).TagetTg()->font());
        const int yearWord = probe(w).TagetTg()->x() + words[1];
        const int monthWord = probe(w).TagetTg()->x() + words[2];
        QVERIFY(probe(w).TagetTg()->x() + captionMetrics.horizontalAdvance("구분:") <= probe(w).CmGbn()->x());
        QVERIFY(yearWord > probe(w).YerEdit()->geometry().right());
        QVERIFY(yearWord + captionMetrics.horizontalAdvance("년") < probe(w).gCombo()->x());
        QVERIFY(monthWord > probe(w).gCombo()->geometry().right());
        QVERIFY(words[2] + captionMetrics.horizontalAdvance("월") <= probe(w).TagetTg()->width());

        // Every column is in view.
        QCoreApplication::processEvents();
        QCOMPARE(probe(w).GrdAcunt()->horizontalScrollBar()->maximum(), 0);
    }

    void windowKeepsItsFixedSize_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QSize>("expected");  // invalid: the default
        QTest::newRow("no file") << QString() << QSize();
        QTest::newRow("the layout's size stored") << "[간편장부]\r\nfHgt=689\r\nfWid=1042\r\n" << QSize(1042, 689);
        QTest::newRow("larger size stored") << "[간편장부]\r\nfHgt=900\r\nfWid=1300\r\n" << QSize(1300, 900);
    }
    void windowKeepsItsFixedSize()
    {
        // The size start-up sets is the fixed one: a resize does not change
        // it, and no panel covers the entry panel's buttons.
        QFETCH(QString, config);
        QFETCH(QSize, expected);
        MainWindowFixture f;
        if (!config.isEmpty())
            f.writeConfig(config);
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QSize fixed = expected.isValid()
            ? expected : QSize(960, QGuiApplication::primaryScreen()->geometry().height() - 135);
        QCOMPARE(w.size(), fixed);
        QCOMPARE(w.minimumSize(), fixed);
        QCOMPARE(w.maximumSize(), fixed);
        for (const QSize& asked : {QSize(860, 665), QSize(1300, 900)}) {
            w.resize(asked);
            QCoreApplication::processEvents();
            QCOMPARE(w.size(), fixed);
        }
        auto at = [&](QWidget* widget) { return QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size()); };
        QCOMPARE(probe(w).TpPnl2()->x(), fixed.width() - 223);
        for (QWidget* button : {static_cast<QWidget*>(probe(w).TpPnl3()->mOk), static_cast<QWidget*>(probe(w).TpPnl3()->mVoide)})
            QVERIFY(at(probe(w).TpPnl2()).left() > at(button).right());
        QCOMPARE(at(probe(w).BtmPanl()).bottom(), fixed.height() - 1 - 3);
        QVERIFY(at(probe(w).Bmxsm()[5]).right() < at(probe(w).LaEnd0()).left());
        if (fixed.width() >= 1042)
            QCOMPARE(probe(w).GrdAcunt()->horizontalScrollBar()->maximum(), 0);
    }

    void exitButtonStaysVisibleUnderThePointer()
    {
        // The white "x" on the dark strip: with the pointer over the button
        // it must not vanish into a light hover panel.
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto lightness = [](const QImage& image, QPoint p) { return image.pixelColor(p).lightness(); };
        const QPoint cross = probe(w).mExit0()->rect().center();
        const QPoint corner(1, 1);
        QTest::mouseMove(probe(w).mExit0(), cross);
        QTRY_VERIFY(probe(w).mExit0()->underMouse());
        const QImage hovered = probe(w).mExit0()->grab().toImage();
        QVERIFY2(lightness(hovered, cross) > 200, "the x is drawn");
        QVERIFY2(lightness(hovered, cross) - lightness(hovered, corner) > 80, "the x stands out from the button");
        QTest::mouseMove(probe(w).TopTitle(), QPoint(300, 10));
        QTRY_VERIFY(!probe(w).mExit0()->underMouse());
        const QImage resting = probe(w).mExit0()->grab().toImage();
        QVERIFY(lightness(resting, cross) - lightness(resting, corner) > 80);
    }

    void draggingTheTitleStripMovesTheWindow()
    {
        MainWindowFixture f;
        f.writeConfig("[간편장부]\r\nfTop=50\r\nfLft=40\r\nfHgt=500\r\nfWid=960\r\n");
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QPoint before = w.pos();
        QTest::mousePress(probe(w).TopTitle(), Qt::LeftButton, {}, QPoint(300, 10));
        QTest::mouseMove(probe(w).TopTitle(), QPoint(330, 30));
        QTest::mouseRelease(probe(w).TopTitle(), Qt::LeftButton, {}, QPoint(330, 30));
        QCOMPARE(w.pos(), before + QPoint(30, 20));
    }

    void screenshot()
    {
        // Not a check: a picture of the window for a person to look at.
        const QString out = qEnvironmentVariable("QB_SCREENSHOT");
        if (out.isEmpty())
            QSKIP("set QB_SCREENSHOT to a file name to take a picture");
        MainWindowFixture f;
        f.writeConfig("[간편장부]\r\nfTop=0\r\nfLft=0\r\nfHgt=689\r\nfWid=1042\r\n");
        QVERIFY(f.start());
        prepareLedger(f);
        chooseFilter(*f.window, "전체", 2009, "1년");
        // with an entry being changed, so the open panel is seen as well
        probe(f.window).TAcunt().moveTo(2);
        f.window->BtnEdtClick();
        QVERIFY(f.window->grab().save(out));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
