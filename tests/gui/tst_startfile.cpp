// SPDX-License-Identifier: GPL-3.0-or-later
// A ledger named on the command line (a double-click on a ledger file):
// opened at start as Open would, without a dialog or a change of the work
// folder; an unreadable one reported, leaving the empty ledger.
#include "MainWindowFixture.h"
#include "gui/app/InputMethod.h"
#include "core/ledger/AutRecord.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"

#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>

namespace {

std::string fsPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool writeLedgerFile(const QString& path, const QList<quill::LedgerEntry>& entries)
{
    quill::WorkingTable t;
    t.open();
    for (const quill::LedgerEntry& e : entries)
        t.appendRaw(e);
    return bool(quill::WriteLedgerFile(fsPath(path), t));
}

quill::LedgerEntry entry(const char* date, double income, double expense)
{
    quill::LedgerEntry e;
    e.IDAY = date;
    e.JKYU = toCp949(QStringLiteral("납품"));
    e.INMNY = income;
    e.INVAT = income / 10;
    e.OTMNY = expense;
    e.OTVAT = expense / 10;
    e.TAG = "N";
    return e;
}

QStringList totals(const Tmainf& w)
{
    QStringList out;
    for (QLabel* l : probe(w).Bmxsm())
        out << l->text().trimmed();
    return out << probe(w).CntLbe()->text().trimmed();
}

} // namespace

class TestStartFile : public QObject {
    Q_OBJECT

private slots:
    // Hangul input at start: fcitx5 named without its Qt 6 front end goes
    // through Qt's ibus module, which fcitx5 also answers.
    void inputModuleAtStart_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QStringList>("plugins");
        QTest::addColumn<QString>("instead");
        const QString ibus = QStringLiteral("libibusplatforminputcontextplugin.so");
        const QString fcitx = QStringLiteral("libfcitx5platforminputcontextplugin.so");
        QTest::newRow("fcitx5 without its front end") << "fcitx" << QStringList{ibus} << "ibus";
        QTest::newRow("fcitx5 by its other name") << "fcitx5" << QStringList{ibus} << "ibus";
        QTest::newRow("fcitx5 with its front end") << "fcitx" << QStringList{fcitx, ibus} << "";
        QTest::newRow("ibus") << "ibus" << QStringList{ibus} << "";
        QTest::newRow("none named") << "" << QStringList{ibus} << "";
        QTest::newRow("nothing to fall back to") << "fcitx" << QStringList{} << "";
    }
    void inputModuleAtStart()
    {
        QFETCH(QString, named);
        QFETCH(QStringList, plugins);
        QFETCH(QString, instead);
        QCOMPARE(InputModuleFallback(named, plugins), instead);
    }

    void opensTheNamedLedger()
    {
        MainWindowFixture f;
        const QString path = f.tempPath() + QStringLiteral("/장부 2024.Aut");
        QVERIFY(writeLedgerFile(path, {entry("2024.03.02", 1000, 0), entry("2024.05.01", 0, 2500),
                                       entry("2023.12.31", 300, 0)}));
        f.openAtStart = path;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QCOMPARE(f.dialogs.shown.size(), 0);  // no dialog, no prompt, no error
        QCOMPARE(QString::fromStdString(probe(w).book().fileName()), path);
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: ") + path);
        QCOMPARE(probe(w).TAcunt().rowCount(), 3u);
        QCOMPARE(probe(w).YerEdit()->value(), 2023);  // the earliest year, as Open shows it
        QCOMPARE(totals(w), (QStringList{"300", "30", "0", "0", "0", "0", "1건"}));
        QVERIFY(!probe(w).book().isModified());
        // Opening names no work folder: the configuration is not written.
        QVERIFY(!QFile::exists(f.folder + QStringLiteral("quillcfg.ini")));
    }

    void anUnreadableLedgerIsReportedAndTheEmptyOneStays_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QStringLiteral("없음.Aut") << QByteArray();
        QTest::newRow("a folder") << QStringLiteral("folder.Aut") << QByteArray("dir");
    }

    void anUnreadableLedgerIsReportedAndTheEmptyOneStays()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        MainWindowFixture f;
        const QString path = f.tempPath() + QLatin1Char('/') + name;
        if (content == "dir")
            QVERIFY(QDir().mkpath(path));
        f.openAtStart = path;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QCOMPARE(f.dialogs.texts("error").size(), 1);
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: 이름없음.Aut"));
        QCOMPARE(probe(w).TAcunt().rowCount(), 0u);
        QCOMPARE(probe(w).CntLbe()->text(), QStringLiteral("0건 "));
        QVERIFY(!probe(w).book().isModified());
    }
};

QTEST_MAIN(TestStartFile)
#include "tst_startfile.moc"
