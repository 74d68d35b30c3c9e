// SPDX-License-Identifier: GPL-3.0-or-later
// A ledger open in two copies of the program, a ledger changed on disk by
// somebody else, the backups a save keeps, and what a normal exit leaves
// behind, as the main window shows them.
#include "MainWindowFixture.h"
#include "gui/app/CloseSignals.h"
#include "core/io/FileLock.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/Backups.h"
#include "core/ledger/FileCommands.h"
#include "core/ledger/SnapshotFile.h"

#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QToolButton>

#include <cerrno>
#include <csignal>
#include <dlfcn.h>

// flock as on a file system without a lock service (some network folders)
// while gNoLocks is set; the program's calls come here before the C library.
static bool gNoLocks = false;
extern "C" int flock(int fd, int operation) noexcept
{
    if (gNoLocks) {
        errno = ENOLCK;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int, int)>(dlsym(RTLD_NEXT, "flock"));
    return real(fd, operation);
}

namespace {

const QString kHeld = QStringLiteral("다른 창에서 이미 열려 있는 파일입니다.");
const QString kAskReadOnly = kHeld + QStringLiteral("\r읽기 전용으로 여시겠습니까?");
const QString kExit = QStringLiteral("작업을 끝내겠습니까 ??");

std::string fsPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool writeLedger(const QString& path, const QStringList& dates)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    quill::WorkingTable t;
    t.open();
    for (const QString& d : dates) {
        quill::LedgerEntry e;
        e.IDAY = toCp949(d);
        e.JKYU = toCp949(QStringLiteral("기존"));
        e.INMNY = 1000;
        e.INVAT = 100;
        e.TAG = "N";
        t.appendRaw(e);
    }
    return bool(quill::WriteLedgerFile(fsPath(path), t));
}

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

void open(MainWindowFixture& f, const QString& path)
{
    f.dialogs.fileNames.enqueue(path);
    QTest::mouseClick(probe(f.window).HFileOpen(), Qt::LeftButton);
}

} // namespace

class TestLedgerSafety : public QObject {
    Q_OBJECT

private slots:
    void secondCopyIsToldAndMayOpenReadOnly_data()
    {
        QTest::addColumn<bool>("otherWindow");
        QTest::newRow("another process's lock") << false;
        QTest::newRow("another main window") << true;
    }
    void secondCopyIsToldAndMayOpenReadOnly()
    {
        QFETCH(bool, otherWindow);
        MainWindowFixture first;
        MainWindowFixture f;
        // Capitals in the name: the label of a refused save keeps them.
        const QString path = f.tempPath() + QStringLiteral("/가게장부 Shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02", "2009.02.03"}));
        const QByteArray before = bytes(path);
        quill::FileLock lock;
        if (otherWindow) {
            QVERIFY(first.start());
            open(first, path);
            QCOMPARE(probe(first.window).book().fileName(), fsPath(path));
        } else {
            lock = quill::FileLock::take(fsPath(path));
            QVERIFY(lock.held());
        }
        QVERIFY(f.start());
        Tmainf& w = *f.window;

        // No: nothing is opened.
        f.dialogs.yesNo.enqueue(false);
        open(f, path);
        QCOMPARE(f.dialogs.texts("yesno"), QStringList{kAskReadOnly});
        QVERIFY(probe(w).book().isUntitled());
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: 이름없음.Aut"));

        // Yes: open read-only, and say so.
        f.dialogs.yesNo.enqueue(true);
        open(f, path);
        QCOMPARE(probe(w).book().fileName(), fsPath(path));
        QVERIFY(probe(w).book().isReadOnly());
        QCOMPARE(probe(w).TAcunt().rowCount(), 2u);
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: ") + path + QStringLiteral(" (읽기 전용)"));
        QCOMPARE(w.windowTitle(), QStringLiteral("간편장부 (읽기 전용)"));
        QCOMPARE(f.dialogs.texts("error"), QStringList());

        // Save goes through Save As; the held file itself is refused.
        f.addEntry("2009.03.04", "추가", 500, 50);
        probe(w).book().setModified(true);
        f.dialogs.fileNames.enqueue(path);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.shown.last().kind, QStringLiteral("info"));
        QCOMPARE(f.dialogs.texts("info"), QStringList{kHeld});
        QCOMPARE(f.dialogs.texts("save").size(), 1);
        QCOMPARE(bytes(path), before);
        QVERIFY(probe(w).book().isModified());
        QVERIFY(probe(w).book().isReadOnly());
        QCOMPARE(probe(w).fNameLabl()->text(), QStringLiteral("파일명: ") + path + QStringLiteral(" (읽기 전용)"));

        const QString copy = f.tempPath() + QStringLiteral("/copy.Aut");
        f.dialogs.fileNames.enqueue(copy);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("save").size(), 2);
        QVERIFY(!probe(w).book().isModified());
        QVERIFY(!probe(w).book().isReadOnly());
        QCOMPARE(probe(w).book().fileName(), fsPath(copy));
        QCOMPARE(w.windowTitle(), QStringLiteral("간편장부"));
        QVERIFY(!probe(w).fNameLabl()->text().contains(QStringLiteral("읽기 전용")));
        QCOMPARE(bytes(path), before);
        QCOMPARE(bytes(copy).size(), 3 * qsizetype(quill::AutRecord::kSize));
        QCOMPARE(f.dialogs.texts("error"), QStringList());

        // Once the other copy lets go, the file opens as usual.
        if (otherWindow) {
            first.dialogs.yesNo.enqueue(true);
            QTest::mouseClick(probe(first.window).QuitBtn(), Qt::LeftButton);
            QVERIFY(!first.window->isVisible());
        } else {
            lock.release();
        }
        open(f, path);
        QCOMPARE(f.dialogs.texts("yesno"), QStringList{kAskReadOnly} << kAskReadOnly);
        QCOMPARE(probe(w).book().fileName(), fsPath(path));
        QVERIFY(!probe(w).book().isReadOnly());
        QVERIFY(!quill::FileLock::take(fsPath(path)).held());
    }

    void saveAsOntoAFileOpenElsewhereIsRefused()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + QStringLiteral("/held.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02"}));
        const QByteArray before = bytes(path);
        quill::FileLock lock = quill::FileLock::take(fsPath(path));
        f.addEntry("2009.03.04", "추가", 500, 50);
        probe(w).book().setModified(true);
        f.dialogs.fileNames.enqueue(path);
        f.dialogs.yesNo.enqueue(true);  // replace it: still refused
        QTest::mouseClick(probe(w).RnameBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("info"), QStringList{kHeld});
        QVERIFY(probe(w).book().isUntitled());
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(bytes(path), before);
    }

    void addFileReadsAFileOpenElsewhere()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString mine = f.tempPath() + QStringLiteral("/mine.Aut");
        const QString held = f.tempPath() + QStringLiteral("/held.Aut");
        QVERIFY(writeLedger(mine, {"2009.01.02"}));
        QVERIFY(writeLedger(held, {"2009.04.05", "2009.06.07"}));
        quill::FileLock lock = quill::FileLock::take(fsPath(held));
        QVERIFY(lock.held());
        open(f, mine);
        f.dialogs.fileNames.enqueue(held);
        QTest::mouseClick(probe(w).FileAdd(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("yesno"), QStringList());
        QCOMPARE(f.dialogs.texts("error"), QStringList());
        QCOMPARE(probe(w).TAcunt().rowCount(), 3u);
        QCOMPARE(probe(w).book().fileName(), fsPath(mine));
        QVERIFY(!probe(w).book().isReadOnly());
    }

    void changedOnDiskIsAskedBeforeOverwriting()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + QStringLiteral("/shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02"}));
        open(f, path);
        f.addEntry("2009.03.04", "추가", 500, 50);
        probe(w).book().setModified(true);
        // Somebody else saves the file meanwhile (same size, other entries).
        QVERIFY(writeLedger(path + ".new", {"2009.07.07"}));
        QVERIFY(::rename(fsPath(path + ".new").c_str(), fsPath(path).c_str()) == 0);
        const QByteArray theirs = bytes(path);

        // One Enter must not discard their booking: No is the default.
        f.dialogs.yesNo.enqueue(false);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("noyes").size(), 1);
        QVERIFY(f.dialogs.texts("noyes")[0].startsWith(QStringLiteral("디스크의 파일이 열었을 때")));
        QCOMPARE(bytes(path), theirs);
        QVERIFY(probe(w).book().isModified());

        // The save prompt of another command stops there too.
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Yes);
        f.dialogs.yesNo.enqueue(false);
        QTest::mouseClick(probe(w).NewFile(), Qt::LeftButton);
        QCOMPARE(probe(w).book().fileName(), fsPath(path));
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(bytes(path), theirs);

        f.dialogs.yesNo.enqueue(true);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("noyes").size(), 3);
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(bytes(path).size(), 2 * qsizetype(quill::AutRecord::kSize));
        // Their version is not lost: it is the newest backup.
        const std::vector<std::string> kept = quill::ListBackups(fsPath(path));
        QVERIFY(!kept.empty());
        QCOMPARE(bytes(QFile::decodeName(QByteArray::fromStdString(kept.back()))), theirs);
        // Our own save is the new reference: no question the next time.
        f.addEntry("2009.03.05", "또", 1, 0);
        probe(w).book().setModified(true);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("noyes").size(), 3);
        QCOMPARE(f.dialogs.texts("error"), QStringList());
    }

    void withoutLocksTheOpenSaysSo()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        const QString path = f.tempPath() + QStringLiteral("/shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02"}));
        gNoLocks = true;
        open(f, path);
        QCOMPARE(f.dialogs.texts("info"),
                 QStringList{QString::fromUtf8(quill::kNoLockText) + QLatin1Char('\r') + path});
        // Saved, and opened again where locks work: nothing to say.
        gNoLocks = false;
        f.dialogs.shown.clear();
        open(f, path);
        QCOMPARE(f.dialogs.texts("info"), QStringList());
        QCOMPARE(probe(f.window).book().fileName(), fsPath(path));
    }

    // The scratch table holds the open ledger: in a folder that another
    // user may write it could be swapped, so another is used and the user told.
    void aScratchFolderOthersMayWriteIsNotUsed()
    {
        QStandardPaths::setTestModeEnabled(true);
        MainWindowFixture f;
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                         | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                         | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(f.tempPath(), all));
        QVERIFY(f.start());
        const QStringList info = f.dialogs.texts("info");
        QCOMPARE(info.size(), 1);
        QVERIFY2(info[0].contains(QStringLiteral("다른 사용자도 쓸 수 있는 폴더 ") + f.tempPath() + QLatin1Char(' ')),
                 qPrintable(info[0]));
        QVERIFY(!QString::fromStdString(probe(f.window).book().scratchPath()).startsWith(f.tempPath()));
        QCOMPARE(f.dialogs.texts("error"), QStringList());
    }

    void backupProblemIsToldOncePerRun()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + QStringLiteral("/shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02"}));
        QFile blocker(f.tempPath() + QStringLiteral("/백업"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        open(f, path);
        for (int i = 0; i < 3; ++i) {
            f.addEntry("2009.03.04", "추가", 500 + i, 50);
            probe(w).book().setModified(true);
            QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
            QVERIFY(!probe(w).book().isModified());
        }
        const QStringList infos = f.dialogs.texts("info");
        QCOMPARE(infos.size(), 1);
        QVERIFY(infos[0].startsWith(QStringLiteral("저장하기 전의 내용을 백업하지 못했습니다.")));
        QVERIFY(infos[0].contains(f.tempPath() + QStringLiteral("/백업")));
        QCOMPARE(bytes(path).size(), 4 * qsizetype(quill::AutRecord::kSize));
    }

    void normalExitEmptiesTheScratchTableAndFreesTheLedger()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + QStringLiteral("/shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02", "2009.01.03"}));
        open(f, path);
        const std::string scratch = probe(w).book().scratchPath();
        std::vector<quill::LedgerEntry> rows;
        QVERIFY(bool(quill::readSnapshot(scratch, rows)));
        QCOMPARE(rows.size(), 2u);
        QVERIFY(!quill::FileLock::take(fsPath(path)).held());
        f.dialogs.yesNo.enqueue(true);
        QTest::mouseClick(probe(w).QuitBtn(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(bool(quill::readSnapshot(scratch, rows)));
        QCOMPARE(rows.size(), 0u);
        QVERIFY(quill::FileLock::take(fsPath(path)).held());
    }

    // SIGTERM and SIGHUP (a session ending, kill) ask as closing does, keep
    // the unsaved ledger first, and the next start offers it.
    void aSignalToEndIsACloseRequestAndTheUnsavedLedgerIsOffered_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("answer");   // to the save prompt
        QTest::addColumn<bool>("ended");   // the program ended itself
        QTest::addColumn<bool>("offered"); // at the next start
        QTest::newRow("SIGTERM, the user goes on") << int(SIGTERM) << int(UserDialogs::Answer::Cancel) << false << true;
        QTest::newRow("SIGHUP, no save wanted") << int(SIGHUP) << int(UserDialogs::Answer::No) << true << false;
    }
    void aSignalToEndIsACloseRequestAndTheUnsavedLedgerIsOffered()
    {
        QFETCH(int, signal);
        QFETCH(int, answer);
        QFETCH(bool, ended);
        QFETCH(bool, offered);
        MainWindowFixture f;
        QVERIFY(f.start());
        const QString path = f.tempPath() + QStringLiteral("/shop.Aut");
        QVERIFY(writeLedger(path, {"2009.01.02"}));
        open(f, path);
        f.addEntry("2009.03.04", "저장 안 한 것", 500, 50);
        probe(f.window).book().setModified(true);
        {
            Tmainf* w = f.window.get();
            CloseSignals closeSignals([w](int) { w->closeBySignal(); });
            f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer(answer));
            ::raise(signal);
            QTRY_COMPARE(f.dialogs.texts("yesnocancel").size(), 1);
        }
        QCOMPARE(f.window->isVisible(), !ended);
        // The program ends without a normal close now (the session is gone).
        f.window.reset();
        QCOMPARE(bytes(path).size(), qsizetype(quill::AutRecord::kSize));  // nothing saved meanwhile
        f.dialogs.yesNo.enqueue(true);
        QVERIFY(f.start());
        const QStringList asked = f.dialogs.texts("yesno");
        QCOMPARE(asked.size(), offered ? 1 : 0);
        if (offered) {
            QVERIFY2(asked[0].contains(path) && asked[0].contains(QStringLiteral("2건")), qPrintable(asked[0]));
            QCOMPARE(probe(f.window).TAcunt().rowCount(), 2u);
            QVERIFY(probe(f.window).book().isModified());
            QCOMPARE(QString::fromStdString(probe(f.window).book().fileName()), path);
        } else {
            QCOMPARE(probe(f.window).TAcunt().rowCount(), 0u);
        }
        // Offered once only.
        f.window.reset();
        QVERIFY(f.start());
        QCOMPARE(f.dialogs.texts("yesno").size(), offered ? 1 : 0);
    }
};

QTEST_MAIN(TestLedgerSafety)
#include "tst_ledger_safety.moc"
