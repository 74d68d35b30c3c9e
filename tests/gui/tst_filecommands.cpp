// SPDX-License-Identifier: GPL-3.0-or-later
// The five file commands and the save prompt in the main window: the
// dialogs they show, the file-name label, the filter row and the totals they
// leave, Modified, the work folder, and what a failure keeps.
#include "MainWindowFixture.h"
#include "core/io/SafeFile.h"
#include "core/config/WorkFolder.h"
#include "gui/editor/EntryPanel.h"
#include "core/ledger/AutRecord.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Answer = UserDialogs::Answer;
const QString kPrompt = QStringLiteral("자료내용이 변경되었습니다.\r저장하시겠습니까?");
const QString kUntitledLabel = QStringLiteral("파일명: 이름없음.Aut");

std::string fsPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString fromCp949(std::string_view bytes) { return QString::fromStdString(quill::decodeCp949(bytes)); }

// An entry as another copy of the program stored it (its own TAG and CTG).
quill::LedgerEntry entry(const QString& date, double income, double expense = 0)
{
    quill::LedgerEntry e;
    e.IDAY = toCp949(date);
    e.JKYU = toCp949(QStringLiteral("내용 ") + date);
    e.SANGHO = toCp949(QStringLiteral("상회"));
    e.INMNY = income;
    e.INVAT = income / 10;
    e.OTMNY = expense;
    e.OTVAT = expense / 10;
    e.TAG = "F";
    e.CTG = 7;
    return e;
}

bool writeLedgerFile(const QString& path, const QList<quill::LedgerEntry>& entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    quill::WorkingTable t;
    t.open();
    for (const quill::LedgerEntry& e : entries)
        t.appendRaw(e);
    return bool(quill::WriteLedgerFile(fsPath(path), t));
}

// The dates of a ledger file in file order, or "unreadable".
QStringList fileDates(const QString& path)
{
    quill::WorkingTable t;
    t.open();
    if (!quill::ReadLedgerFile(fsPath(path), t))
        return {QStringLiteral("unreadable")};
    QStringList out;
    for (std::size_t i = 0; i < t.rowCount(); ++i)
        out << fromCp949(t.row(i).IDAY.view());
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

// Every entry of the working ledger, or only those the filter shows.
QStringList dates(const Tmainf& w, bool all)
{
    QStringList out;
    const int n = all ? int(probe(w).TAcunt().rowCount()) : probe(w).TAcunt().recordCount();
    for (int i = 0; i < n; ++i)
        out << fromCp949((all ? probe(w).TAcunt().row(std::size_t(i)) : probe(w).TAcunt().visibleRow(i)).IDAY.view());
    return out;
}

// The settings every ledger file dialog is given.
bool isLedgerDialog(const FileDialogSettings& s, const QString& folder, const QString& proposal)
{
    return s.title == QStringLiteral("파일명을 확인하세요.") && s.folder == folder && s.proposal == proposal
        && s.filterName == QStringLiteral("간편장부") && s.pattern == QStringLiteral("*.Aut")
        && s.defaultSuffix == QStringLiteral("Aut");
}

// Bmxsm1..6 and CntLbe without their padding.
QStringList totals(const Tmainf& w)
{
    QStringList out;
    for (QLabel* l : probe(w).Bmxsm())
        out << l->text().trimmed();
    return out << probe(w).CntLbe()->text().trimmed();
}

QString workFolder(const MainWindowFixture& f)
{
    return QString::fromStdString(quill::ReadWorkFolder(f.folder.toStdString(), "quillcfg.ini").folder);
}

// Picks a category and a year as a user would; both run the filter.
void chooseFilter(Tmainf& w, int category, int year)
{
    probe(w).YerEdit()->setValue(year);
    probe(w).CmGbn()->setCurrentIndex(category);
    emit probe(w).CmGbn()->activated(category);
}

// Answers the open dialog with the path and clicks the button.
void openFile(MainWindowFixture& f, const QString& path)
{
    f.dialogs.fileNames.enqueue(path);
    QTest::mouseClick(probe(f.window).HFileOpen(), Qt::LeftButton);
}

bool isRoot() { return geteuid() == 0; }

} // namespace

// The general error report of a file command: the failure's own text as
// its first line, then one Korean line that names the file.
bool reportsInKorean(const QString& report, const QString& first, const QString& path)
{
    const QString second = report.section('\n', 1);
    bool korean = false;
    for (QChar c : second)
        korean = korean || (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3);
    return report.section('\n', 0, 0) == first && korean && second.contains(path) && !second.contains('\n');
}

class TestFileCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { quill::SafeFile::failWriteAt(0, 0); }

    // --- New and the save prompt ------------------------------------------------

    void desktopKeysRunTheirCommands_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("kind");     // what the command asks first
        QTest::addColumn<QString>("pattern");  // of its file dialog; "" none
        QTest::newRow("Ctrl+N: New asks to save") << int(Qt::Key_N) << int(Qt::ControlModifier) << "yesnocancel" << "";
        QTest::newRow("Ctrl+O: Open") << int(Qt::Key_O) << int(Qt::ControlModifier) << "open" << "*.Aut";
        QTest::newRow("Ctrl+S: Save of an untitled ledger")
            << int(Qt::Key_S) << int(Qt::ControlModifier) << "save" << "*.Aut";
        QTest::newRow("Ctrl+Shift+S: Save As")
            << int(Qt::Key_S) << int(Qt::ControlModifier | Qt::ShiftModifier) << "save" << "*.Aut";
        QTest::newRow("Ctrl+P: export") << int(Qt::Key_P) << int(Qt::ControlModifier) << "save" << "*.xlsx";
    }
    void desktopKeysRunTheirCommands()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, kind);
        QFETCH(QString, pattern);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2009.03.01", "판매", 1000, 100);
        w.CmGbnChange();
        probe(w).book().setModified(kind == "yesnocancel");
        f.dialogs.yesNoCancel.enqueue(Answer::Cancel);
        f.dialogs.fileNames.enqueue(QString());
        probe(w).GrdAcunt()->setFocus();
        QTest::keyClick(probe(w).GrdAcunt(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown[0].kind, kind);
        QCOMPARE(f.dialogs.shown[0].settings.pattern, pattern);
        QCOMPARE(probe(w).TAcunt().recordCount(), 1);  // the key reaches nothing else
    }

    void newAsksFirstWhenModified_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");       // -1: no prompt expected
        QTest::addColumn<QString>("saveAs");   // the Save As answer, "" cancels, "-" none shown
        QTest::addColumn<bool>("renewed");
        QTest::newRow("unchanged: no prompt") << false << -1 << "-" << true;
        QTest::newRow("cancel keeps everything") << true << int(Answer::Cancel) << "-" << false;
        QTest::newRow("no discards") << true << int(Answer::No) << "-" << true;
        QTest::newRow("yes saves through save as") << true << int(Answer::Yes) << "Saved.Aut" << true;
        QTest::newRow("yes, save as cancelled, is cancel") << true << int(Answer::Yes) << "" << false;
    }
    void newAsksFirstWhenModified()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, renewed);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2008.03.01", "판매", 1000, 100);
        f.addEntry("2009.03.01", "판매", 2000, 200);
        chooseFilter(w, 1, 2008);
        const QStringList before = totals(w);
        probe(w).book().setModified(modified);
        if (answer >= 0)
            f.dialogs.yesNoCancel.enqueue(Answer(answer));
        const QString target = f.tempPath() + "/" + saveAs;
        if (saveAs != "-")
            f.dialogs.fileNames.enqueue(saveAs.isEmpty() ? QString() : target);
        w.BtnAppClick();  // New also ends an entry being added

        QTest::mouseClick(probe(w).NewFile(), Qt::LeftButton);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!probe(w).TpPnl3()->mOk->isEnabled());
        QCOMPARE(f.dialogs.beeps, answer >= 0 ? 1 : 0);
        QCOMPARE(f.dialogs.texts("yesnocancel"), answer >= 0 ? QStringList{kPrompt} : QStringList{});
        QCOMPARE(f.dialogs.texts("save").size(), saveAs == "-" ? 0 : 1);
        QVERIFY(f.dialogs.texts("error").isEmpty());
        QCOMPARE(probe(w).fNameLabl()->text(), kUntitledLabel);
        if (renewed) {
            QVERIFY(probe(w).book().isUntitled());
            QCOMPARE(probe(w).TAcunt().rowCount(), 0u);
            QCOMPARE(probe(w).gridModel()->rowCount(), 0);
            QVERIFY(!probe(w).book().isModified());
            QCOMPARE(probe(w).YerEdit()->value(), 2009);
            QCOMPARE(probe(w).CmGbn()->currentText(), QStringLiteral("전체"));
            QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("1년"));
            for (QLabel* l : probe(w).Bmxsm())
                QCOMPARE(l->text(), QStringLiteral("0 "));
            QCOMPARE(probe(w).CntLbe()->text(), QStringLiteral("0건 "));
        } else {
            QCOMPARE(dates(w, true), (QStringList{"2008.03.01", "2009.03.01"}));
            QVERIFY(probe(w).book().isModified());
            QCOMPARE(probe(w).YerEdit()->value(), 2008);
            QCOMPARE(probe(w).CmGbn()->currentText(), QStringLiteral("수입"));
            QCOMPARE(totals(w), before);
        }
        if (!saveAs.isEmpty() && saveAs != "-") {
            QCOMPARE(fileDates(target), (QStringList{"2008.03.01", "2009.03.01"}));
            QCOMPARE(workFolder(f), f.tempPath() + "/");
        }
    }

    // --- Open -----------------------------------------------------------------------

    void openShowsTheEarliestYear_data()
    {
        QTest::addColumn<QStringList>("stored");  // dates in the file, in file order
        QTest::addColumn<int>("year");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("sums");   // Bmxsm1..6, CntLbe
        QTest::newRow("earliest in 2007")
            << QStringList{"2008.06.01", "2007.11.30", "2007.03.02"} << 2007
            << QStringList{"2007.03.02", "2007.11.30"}
            << QStringList{"2,000", "200", "2,000", "200", "0", "0", "2건"};
        QTest::newRow("current year and later")
            << QStringList{"2010.01.01", "2009.02.01"} << 2009 << QStringList{"2009.02.01"}
            << QStringList{"1,000", "100", "1,000", "100", "0", "0", "1건"};
        QTest::newRow("zero bytes") << QStringList{} << 2009 << QStringList{}
                                    << QStringList{"0", "0", "0", "0", "0", "0", "0건"};
    }
    void openShowsTheEarliestYear()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, year);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, sums);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2004.01.01", "이전", 5, 0);
        chooseFilter(w, 2, 2004);
        QList<quill::LedgerEntry> entries;
        for (const QString& d : stored)
            entries << entry(d, 1000, 1000);
        const QString path = f.tempPath() + "/장부/Books.Aut";
        QVERIFY(writeLedgerFile(path, entries));
        // Reading needs read access only (a client's file on a read-only share).
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        openFile(f, path);
        QCOMPARE(f.dialogs.texts("open").size(), 1);
        QVERIFY(isLedgerDialog(f.dialogs.shown[0].settings, f.folder + "Work/", "이름없음.Aut"));
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + path);
        QCOMPARE(probe(w).fnameBevl()->width(), probe(w).fNameLabl()->width() + 2);
        QCOMPARE(probe(w).YerEdit()->value(), year);
        QCOMPARE(probe(w).CmGbn()->currentText(), QStringLiteral("전체"));
        QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("1년"));
        QCOMPARE(dates(w, false), shown);
        QCOMPARE(probe(w).gridModel()->rowCount(), int(shown.size()));
        QCOMPARE(totals(w), sums);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(stored.size()));
        QVERIFY(!probe(w).book().isModified());
        QVERIFY(!CurrentWaitWindow());
        QCOMPARE(workFolder(f), f.folder + "Work/");  // only a save moves it

        // The next dialog proposes the open file; cancelling changes nothing.
        f.dialogs.fileNames.enqueue(QString());
        QTest::mouseClick(probe(w).HFileOpen(), Qt::LeftButton);
        QCOMPARE(f.dialogs.shown.last().settings.proposal, path);
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + path);
        QCOMPARE(dates(w, false), shown);
        QCOMPARE(totals(w), sums);
    }

    void openThatDoesNotHappenKeepsTheLedger_data()
    {
        QTest::addColumn<int>("answer");    // to the save prompt; -1: not modified, no prompt
        QTest::addColumn<QString>("kind");  // what the open dialog gives; "-": no dialog
        QTest::addColumn<QString>("error");
        QTest::newRow("prompt cancelled") << int(Answer::Cancel) << "-" << "";
        QTest::newRow("no, then dialog cancelled") << int(Answer::No) << "cancel" << "";
        QTest::newRow("no, then a missing file") << int(Answer::No) << "missing" << "File not found.";
        QTest::newRow("missing") << -1 << "missing" << "File not found.";
        QTest::newRow("a folder") << -1 << "folder" << "I/O error 21.";
        QTest::newRow("unreadable") << -1 << "unreadable" << "File access denied.";
    }
    void openThatDoesNotHappenKeepsTheLedger()
    {
        QFETCH(int, answer);
        QFETCH(QString, kind);
        QFETCH(QString, error);
        if (kind == "unreadable" && isRoot())
            QSKIP("file permissions do not bind root");
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString good = f.tempPath() + "/good.Aut";
        QVERIFY(writeLedgerFile(good, {entry("2008.01.02", 10), entry("2009.01.02", 20)}));
        openFile(f, good);
        f.addEntry("2009.05.05", "추가", 30, 3);
        chooseFilter(w, 1, 2009);
        probe(w).book().setModified(answer >= 0);
        const QString filter = QString::fromStdString(probe(w).TAcunt().filter().expression());
        const QStringList sums = totals(w);
        const QString bad = f.tempPath() + "/bad.Aut";
        if (kind == "folder")
            QVERIFY(QDir().mkdir(bad));
        if (kind == "unreadable") {
            QVERIFY(writeLedgerFile(bad, {entry("2001.01.01", 1)}));
            QVERIFY(QFile::setPermissions(bad, QFileDevice::Permissions()));
        }
        if (answer >= 0)
            f.dialogs.yesNoCancel.enqueue(Answer(answer));
        if (kind != "-")
            f.dialogs.fileNames.enqueue(kind == "cancel" ? QString() : bad);

        QTest::mouseClick(probe(w).HFileOpen(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("yesnocancel").size(), answer >= 0 ? 1 : 0);
        QCOMPARE(f.dialogs.texts("open").size(), kind == "-" ? 1 : 2);
        const QStringList errors = f.dialogs.texts("error");
        QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY2(reportsInKorean(errors[0], error, bad), qPrintable(errors[0]));
        QVERIFY(!CurrentWaitWindow());
        QCOMPARE(QString::fromStdString(probe(w).book().fileName()), good);
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + good);
        QCOMPARE(dates(w, true), (QStringList{"2008.01.02", "2009.01.02", "2009.05.05"}));
        QCOMPARE(dates(w, false), (QStringList{"2009.01.02", "2009.05.05"}));
        QCOMPARE(QString::fromStdString(probe(w).TAcunt().filter().expression()), filter);
        QCOMPARE(probe(w).YerEdit()->value(), 2009);
        QCOMPARE(probe(w).CmGbn()->currentText(), QStringLiteral("수입"));
        QCOMPARE(totals(w), sums);
        // The typed entry is still unsaved, whatever the prompt was told.
        QCOMPARE(probe(w).book().isModified(), answer >= 0);

        // A save afterwards goes to the ledger that is open, not the bad name.
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(fileDates(good), (QStringList{"2008.01.02", "2009.01.02", "2009.05.05"}));
        QCOMPARE(QFileInfo(bad).isDir(), kind == "folder");
    }

    // --- Save and Save As --------------------------------------------------------------

    // A ledger whose name is no UTF-8 (a CP949 name from a Windows archive):
    // the dialog gives the name as Qt shows it, the file is opened and
    // saved under its own bytes, and the name shown as well as it decodes.
    void openALedgerWhoseNameIsNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CP949") << QByteArray("\xC0\xE5\xBA\xCE 2024.Aut") << QStringLiteral("장부 2024.Aut");
        QTest::newRow("neither") << QByteArray("\xFF\xFE-\xEA\xB0\x80.Aut") << QStringLiteral("\\xFF\\xFE-가.Aut");
    }
    void openALedgerWhoseNameIsNotUtf8()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const std::string raw = fsPath(f.tempPath()) + "/" + name.toStdString();
        quill::WorkingTable t;
        t.open();
        t.appendRaw(entry("2024.03.04", 1000));
        t.appendRaw(entry("2024.05.06", 0, 2000));
        QVERIFY(bool(quill::WriteLedgerFile(raw, t)));
        const QString lossy = QFile::decodeName(QByteArray::fromStdString(raw));
        QVERIFY(lossy.contains(QChar(0xFFFD)));

        openFile(f, lossy);
        QCOMPARE(f.dialogs.texts("error"), QStringList());
        QCOMPARE(probe(w).book().fileName(), raw);
        QCOMPARE(probe(w).gridModel()->rowCount(), 2);
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + f.tempPath() + "/" + shown);
        // Saved under the same bytes: no second file beside it.
        f.addEntry("2024.07.08", "추가", 500, 50);
        probe(w).book().setModified(true);
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("error"), QStringList());
        QVERIFY(!probe(w).book().isModified());
        int ledgers = 0;
        for (const auto& e : std::filesystem::directory_iterator(fsPath(f.tempPath())))
            ledgers += e.is_regular_file() && e.path().extension() == ".Aut";
        QCOMPARE(ledgers, 1);
        struct stat st {};
        QCOMPARE(::stat(raw.c_str(), &st), 0);
        QCOMPARE(qint64(st.st_size), qint64(3 * quill::AutRecord::kSize));
        // Qt cannot name these files to remove them with the folder.
        std::filesystem::remove(raw);
        std::filesystem::remove_all(fsPath(f.tempPath()) + "/백업");
    }

    void saveWritesEveryEntryInDateOrder()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + "/Shop/ledger.Aut";
        QVERIFY(writeLedgerFile(path, {entry("2009.06.01", 10), entry("2008.06.01", 20)}));
        openFile(f, path);
        f.addEntry("2009.12.31", "연말", 1, 0);
        f.addEntry("2007.01.01", "오래된", 2, 0);
        chooseFilter(w, 0, 2009);
        probe(w).book().setModified(true);

        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.shown.size(), 1);  // only the open dialog
        QCOMPARE(fileDates(path), (QStringList{"2007.01.01", "2008.06.01", "2009.06.01", "2009.12.31"}));
        QVERIFY(!probe(w).book().isModified());
        QVERIFY(!CurrentWaitWindow());
        QCOMPARE(workFolder(f), f.tempPath() + "/Shop/");
        QCOMPARE(dates(w, false), (QStringList{"2009.06.01", "2009.12.31"}));  // the filter stays
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + path);
    }

    // A ledger with a second name (a hard link) or in a folder the user may
    // not write is written in place: the links stay one file, the owner and
    // the permissions stay, and no copy of the old content is left.
    void saveWritesInPlaceWhereReplacingWouldChangeTheFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("second hard link") << "link";
        QTest::newRow("read-only folder") << "readonly";
    }
    void saveWritesInPlaceWhereReplacingWouldChangeTheFile()
    {
        QFETCH(QString, kind);
        if (kind == "readonly" && isRoot())
            QSKIP("folder permissions do not bind root");
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString dir = f.tempPath() + "/books";
        const QString path = dir + "/kept.Aut";
        const QString other = f.tempPath() + "/other-name.Aut";
        QVERIFY(writeLedgerFile(path, {entry("2009.01.01", 10)}));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        if (kind == "link")
            QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        openFile(f, path);
        f.addEntry("2009.03.01", "추가", 30, 3);
        probe(w).book().setModified(true);
        if (kind == "readonly")
            QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(f.dialogs.texts("error"), QStringList{});
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(fileDates(path), (QStringList{"2009.01.01", "2009.03.01"}));
        if (kind == "link")
            QCOMPARE(fileBytes(other), fileBytes(path));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0640u);
        QDirIterator it(f.tempPath(), {"quillbook-save-*", ".quillbook-*"}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        QVERIFY2(!it.hasNext(), qPrintable(it.hasNext() ? it.next() : QString()));
    }

    void saveOfAnUntitledLedger_data()
    {
        QTest::addColumn<bool>("viaSaveAs");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("shownYear");
        QTest::addColumn<QString>("answer");  // "-": no dialog expected, "": cancelled
        QTest::addColumn<QString>("saved");   // file expected afterwards
        QTest::newRow("save, no entries: nothing") << false << 0 << 2009 << "-" << "";
        QTest::newRow("save as, no entries: nothing") << true << 0 << 2009 << "-" << "";
        QTest::newRow("save runs save as") << false << 2 << 2009 << "a.Aut" << "a.Aut";
        QTest::newRow("save as with every row filtered out") << true << 2 << 2003 << "b.Aut" << "b.Aut";
        QTest::newRow("save, every row filtered out") << false << 2 << 2003 << "c.Aut" << "c.Aut";
        QTest::newRow("name without extension") << true << 2 << 2009 << "d" << "d.Aut";
        // Saved so that the dialogs' "*.Aut" filter shows it later.
        QTest::newRow("name with a dot") << true << 2 << 2009 << "2024.12" << "2024.12.Aut";
        QTest::newRow("name with a trailing dot") << true << 2 << 2009 << "e." << "e.Aut";
        QTest::newRow("extension in capitals") << true << 2 << 2009 << "F.AUT" << "F.AUT";
        QTest::newRow("dialog cancelled") << true << 2 << 2009 << "" << "";
    }
    void saveOfAnUntitledLedger()
    {
        QFETCH(bool, viaSaveAs);
        QFETCH(int, entries);
        QFETCH(int, shownYear);
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString dir = f.tempPath() + "/out/";
        QVERIFY(QDir().mkpath(dir));
        for (int i = 0; i < entries; ++i)
            f.addEntry(QString("2009.0%1.01").arg(entries - i), "판매", 100, 10);
        chooseFilter(w, 0, shownYear);
        probe(w).book().setModified(entries > 0);
        if (answer != "-")
            f.dialogs.fileNames.enqueue(answer.isEmpty() ? QString() : dir + answer);

        QTest::mouseClick(viaSaveAs ? probe(w).RnameBtn() : probe(w).SaveBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("save").size(), answer == "-" ? 0 : 1);
        QVERIFY(f.dialogs.texts("error").isEmpty());
        if (answer != "-")
            QVERIFY(isLedgerDialog(f.dialogs.shown[0].settings, f.folder + "Work/", "이름없음.Aut"));
        QCOMPARE(QDir(dir).entryList(QDir::Files), saved.isEmpty() ? QStringList{} : QStringList{saved});
        if (saved.isEmpty()) {
            QVERIFY(probe(w).book().isUntitled());
            QCOMPARE(probe(w).fNameLabl()->text(), kUntitledLabel);
            QCOMPARE(probe(w).book().isModified(), entries > 0);
        } else {
            QCOMPARE(fileDates(dir + saved), (QStringList{"2009.01.01", "2009.02.01"}));
            QCOMPARE(QString::fromStdString(probe(w).book().fileName()), dir + saved);
            QVERIFY(!probe(w).book().isModified());
            QCOMPARE(workFolder(f), dir);
        }
    }

    void saveAsShowsThePathAsItIs()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString dir = f.tempPath() + "/Books/";
        const QString path = dir + "Ärger Shop.Aut";
        QVERIFY(writeLedgerFile(path, {entry("2001.01.01", 5)}));  // replaced after Yes
        f.addEntry("2009.03.01", "판매", 100, 10);
        f.dialogs.fileNames.enqueue(path);
        f.dialogs.yesNo.enqueue(true);
        QTest::mouseClick(probe(w).RnameBtn(), Qt::LeftButton);
        // A case-sensitive file system: the label names the file that exists.
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + path);
        QCOMPARE(probe(w).fnameBevl()->width(), probe(w).fNameLabl()->width() + 2);
        QCOMPARE(QString::fromStdString(probe(w).book().fileName()), path);
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"Ärger Shop.Aut"});
        QCOMPARE(fileDates(path), QStringList{"2009.03.01"});
        // The question every save dialog asks before replacing a file, No
        // its default.
        QCOMPARE(f.dialogs.texts("noyes"), QStringList{"Ärger Shop.Aut 파일이 이미 있습니다.\n새 자료로 바꾸시겠습니까?"});
        // The next dialog starts in the saved file's folder.
        f.dialogs.fileNames.enqueue(QString());
        QTest::mouseClick(probe(w).HFileOpen(), Qt::LeftButton);
        QVERIFY(isLedgerDialog(f.dialogs.shown.last().settings, dir, path));
    }

    void failingSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");  // "" any text
        QTest::newRow("amount the file cannot hold") << "huge" << "Invalid floating point operation.";
        QTest::newRow("disk full") << "full" << "Disk full.";
        QTest::newRow("save as onto a folder") << "folder" << "";
        // A ledger the user made read-only (a closed year) is not replaced,
        // although the folder would allow it.
        QTest::newRow("read-only file") << "readonly file" << "File access denied.";
    }
    void failingSaveKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString dir = f.tempPath() + "/books";
        const QString path = dir + "/kept.Aut";
        QVERIFY(writeLedgerFile(path, {entry("2009.01.01", 10), entry("2009.02.01", 20)}));
        openFile(f, path);
        if (kind == "folder") {
            QVERIFY(QDir().mkdir(dir + "/folder.Aut"));
            f.dialogs.fileNames.enqueue(dir + "/folder.Aut");
        }
        const QByteArray before = fileBytes(path);
        const QStringList files = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        f.addEntry("2009.03.01", "추가", kind == "huge" ? 1e16 : 30, 3);
        probe(w).book().setModified(true);
        if (kind == "full")
            quill::SafeFile::failWriteAt(2, ENOSPC);  // a write of the save meets a full disk
        if (kind == "readonly file")
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        QTest::mouseClick(kind == "folder" ? probe(w).RnameBtn() : probe(w).SaveBtn(), Qt::LeftButton);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QStringList errors = f.dialogs.texts("error");
        QCOMPARE(errors.size(), 1);
        if (!error.isEmpty())
            QVERIFY2(reportsInKorean(errors[0], error, kind == "folder" ? dir + "/folder.Aut" : path), qPrintable(errors[0]));
        QVERIFY(!CurrentWaitWindow());
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), files);
        QCOMPARE(QString::fromStdString(probe(w).book().fileName()), path);
        QCOMPARE(probe(w).fNameLabl()->text(), "파일명: " + path);
        QCOMPARE(probe(w).TAcunt().rowCount(), 3u);
    }

    // --- Add file ---------------------------------------------------------------------------

    void addFileMergesIntoTheLedger_data()
    {
        QTest::addColumn<bool>("titled");         // own.Aut (2008.05.05) opened first
        QTest::addColumn<int>("shownYear");
        QTest::addColumn<QString>("answer");      // the open dialog's answer; "-": no dialog
        QTest::addColumn<QString>("message");     // "info: ..." or "error: ..." or ""
        QTest::addColumn<QStringList>("merged");  // every date afterwards
        QTest::addColumn<QStringList>("shown");
        const QString saveFirst = "info: 현재의 작업내용을 저장하신 후 다시 시도하시기 바랍니다.";
        QTest::newRow("untitled with shown rows: save first")
            << false << 2009 << "-" << saveFirst << QStringList{"2009.07.07"} << QStringList{"2009.07.07"};
        QTest::newRow("untitled, every row filtered out")
            << false << 2007 << "added.Aut" << "" << QStringList{"2007.04.04", "2009.07.07", "2009.08.08"}
            << QStringList{"2007.04.04"};
        QTest::newRow("titled with unsaved entries")
            << true << 2009 << "added.Aut" << ""
            << QStringList{"2007.04.04", "2008.05.05", "2009.07.07", "2009.08.08"}
            << QStringList{"2009.07.07", "2009.08.08"};
        QTest::newRow("dialog cancelled") << true << 2009 << "" << "" << QStringList{"2008.05.05", "2009.07.07"}
                                          << QStringList{"2009.07.07"};
        QTest::newRow("missing file") << true << 2009 << "missing.Aut" << "error: File not found."
                                      << QStringList{"2008.05.05", "2009.07.07"} << QStringList{"2009.07.07"};
    }
    void addFileMergesIntoTheLedger()
    {
        QFETCH(bool, titled);
        QFETCH(int, shownYear);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QFETCH(QStringList, merged);
        QFETCH(QStringList, shown);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString own = f.tempPath() + "/own.Aut";
        const QString added = f.tempPath() + "/added.Aut";
        QVERIFY(writeLedgerFile(own, {entry("2008.05.05", 1)}));
        QVERIFY(writeLedgerFile(added, {entry("2009.08.08", 1000, 500), entry("2007.04.04", 10)}));
        const QByteArray addedBytes = fileBytes(added);
        if (titled)
            openFile(f, own);
        f.addEntry("2009.07.07", "새로", 1, 0);
        chooseFilter(w, 0, shownYear);
        const QString label = probe(w).fNameLabl()->text();
        const QString filter = QString::fromStdString(probe(w).TAcunt().filter().expression());
        probe(w).book().setModified(false);
        f.dialogs.shown.clear();
        if (answer != "-")
            f.dialogs.fileNames.enqueue(answer.isEmpty() ? QString() : f.tempPath() + "/" + answer);

        QTest::mouseClick(probe(w).FileAdd(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("open").size(), answer == "-" ? 0 : 1);
        if (answer != "-")
            QVERIFY(isLedgerDialog(f.dialogs.shown[0].settings, f.folder + "Work/", QString()));
        QStringList messages;
        for (const auto& s : f.dialogs.shown) {
            if (s.kind == "info")
                messages << s.kind + ": " + s.text;
            // The failure's own text, and a Korean line under it naming the file.
            if (s.kind == "error")
                messages << s.kind + ": "
                                + (reportsInKorean(s.text, s.text.section('\n', 0, 0), f.tempPath() + "/" + answer)
                                       ? s.text.section('\n', 0, 0)
                                       : s.text);
        }
        QCOMPARE(messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(dates(w, true), merged);
        QCOMPARE(dates(w, false), shown);
        QCOMPARE(QString::fromStdString(probe(w).TAcunt().filter().expression()), filter);
        QCOMPARE(probe(w).YerEdit()->value(), shownYear);
        QCOMPARE(probe(w).CntLbe()->text().trimmed(), QString("%1건").arg(shown.size()));
        QCOMPARE(probe(w).Bmxsm()[2]->text().trimmed(), shown.contains("2009.08.08") ? "500" : "0");
        QCOMPARE(probe(w).book().isModified(), answer == "added.Aut");
        QCOMPARE(probe(w).fNameLabl()->text(), label);
        QCOMPARE(fileBytes(added), addedBytes);
        QVERIFY(!CurrentWaitWindow());
    }

    // --- exit -----------------------------------------------------------------------------

    void exitGoesOnOnlyWhenTheSaveHappened_data()
    {
        QTest::addColumn<bool>("titled");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("saveAs");  // "-": no dialog expected
        QTest::addColumn<bool>("closes");
        QTest::newRow("save fails") << true << 1e16 << "-" << false;
        QTest::newRow("save as cancelled") << false << 100.0 << "" << false;
        QTest::newRow("saved") << true << 100.0 << "-" << true;
    }
    void exitGoesOnOnlyWhenTheSaveHappened()
    {
        QFETCH(bool, titled);
        QFETCH(double, amount);
        QFETCH(QString, saveAs);
        QFETCH(bool, closes);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = f.tempPath() + "/exit.Aut";
        QVERIFY(writeLedgerFile(path, {}));
        if (titled)
            openFile(f, path);
        f.addEntry("2009.04.04", "판매", amount, 0);
        probe(w).book().setModified(true);
        f.dialogs.yesNo.enqueue(true);
        f.dialogs.yesNoCancel.enqueue(Answer::Yes);
        if (saveAs != "-")
            f.dialogs.fileNames.enqueue(saveAs);
        QTest::mouseClick(probe(w).QuitBtn(), Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("yesnocancel"), QStringList{kPrompt});
        QCOMPARE(f.dialogs.texts("error").size(), amount > 1e15 ? 1 : 0);
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(probe(w).TAcunt().isOpen(), !closes);
        QCOMPARE(probe(w).book().isModified(), !closes);
        QCOMPARE(fileDates(path), closes ? QStringList{"2009.04.04"} : QStringList{});
    }

    // --- the command-line companion reads what the window saved -------------------------

    void commandLineDumpReadsTheSavedLedger()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString source = f.tempPath() + "/source.Aut";
        QVERIFY(writeLedgerFile(source, {entry("2009.02.02", 10)}));  // keeps its own TAG and CTG
        openFile(f, source);
        f.addEntry("2009.03.15", "구입", 0, 0, 200000, 20000);
        f.addEntry("2009.01.05", "판매 \"특가\"", 1234567, 123456);
        f.addEntry("2008.12.31", "기계", 0, 0, 0, 0, -1500, 0);
        const QString path = f.tempPath() + "/dump.Aut";
        f.dialogs.fileNames.enqueue(path);
        QTest::mouseClick(probe(w).RnameBtn(), Qt::LeftButton);
        QVERIFY(f.dialogs.texts("error").isEmpty());

        const QString program = QStringLiteral(QB_BIN_DIR "/quillbook-cli");
        QVERIFY2(QFileInfo::exists(program), "build quillbook-cli first");
        QProcess cli;
        cli.start(program, {"dump", path});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{
                            "2008.12.31\t기계\t거래처\t0\t0\t0\t0\t-1500\t0\t\tN\t0",
                            "2009.01.05\t판매 \"특가\"\t거래처\t1234567\t123456\t0\t0\t0\t0\t\tN\t0",
                            "2009.02.02\t내용 2009.02.02\t상회\t10\t1\t0\t0\t0\t0\t\tF\t7",
                            "2009.03.15\t구입\t거래처\t0\t0\t200000\t20000\t0\t0\t\tN\t0",
                        }));
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
