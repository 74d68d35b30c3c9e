// SPDX-License-Identifier: GPL-3.0-or-later
// The export button: its dialogs, its refusals, and that it writes the same
// workbook as `quillbook-cli export` for the same ledger and filter.
#include "ScriptedDialogs.h"
#include "core/text/Cp949.h"
#include "gui/mainwindow/MainWindow.h"
#include "TmainfProbe.h"
#include "gui/export/HasPrinter.h"
#include "core/ledger/AutRecord.h"
#include "gui/support/WaitWindow.h"

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QComboBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTableView>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

std::string cp(const QString& text) { return quill::encodeCp949(text.toStdString()).bytes.value_or(std::string()); }

// Records, when the workbook is handed to the desktop, whether the export
// had already let go of the wait window and the working ledger.
class RecordingDialogs : public ScriptedDialogs {
public:
    quill::WorkingTable* table = nullptr;
    bool waitOpenAtHandOver = false;
    bool ledgerHeldAtHandOver = false;

    bool openDocument(const QString& path) override
    {
        waitOpenAtHandOver = CurrentWaitWindow() != nullptr;
        ledgerHeldAtHandOver = table && table->controlsDisabled();
        return ScriptedDialogs::openDocument(path);
    }
};

} // namespace

class ExportButtonTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyViewDoesNothing();
    void dialogSettingsAndCancel();
    void sameWorkbookAsTheCommandLine();
    void existingFileIsReplacedOnlyAfterYes();
    void withoutAnApplicationTellsWhereItWasSaved();
    void typedNameGetsTheExtension_data();
    void typedNameGetsTheExtension();
    void aWriteFailureIsReported();
    void printPreviewSavesThePdfAndKeepsThePage();

private:
    void addEntry(const QString& date, const QString& text, double in, double out);
    void showMarch2024();
    QString folder() const { return dir_->path() + QLatin1Char('/'); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<RecordingDialogs> dialogs_;
    std::unique_ptr<Tmainf> window_;
};

void ExportButtonTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(QStringLiteral(QB_TEMPLATE_TABLE), folder() + QStringLiteral("quillbook.str")));
    dialogs_ = std::make_unique<RecordingDialogs>();
    AppContext context;
    context.programFolder = folder();
    context.dialogs = dialogs_.get();
    context.now = [] { return QDateTime(QDate(2025, 1, 3), QTime(9, 5)); };
    window_ = std::make_unique<Tmainf>(context);
    dialogs_->table = &probe(window_).TAcunt();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void ExportButtonTest::cleanup()
{
    window_.reset();
    dialogs_.reset();
    dir_.reset();
}

void ExportButtonTest::addEntry(const QString& date, const QString& text, double in, double out)
{
    quill::LedgerEntry& e = probe(window_).TAcunt().append();
    e.IDAY = cp(date);
    e.JKYU = cp(text);
    e.SANGHO = cp(QStringLiteral("(주)한빛상회"));
    e.INMNY = in;
    e.INVAT = in / 10;
    e.OTMNY = out;
    e.OTVAT = out / 10;
    e.ETC = cp(QStringLiteral("카드"));
    probe(window_).TAcunt().post();
}

void ExportButtonTest::showMarch2024()
{
    addEntry(QStringLiteral("2024.02.28"), QStringLiteral("이월"), 1000, 0);
    addEntry(QStringLiteral("2024.03.02"), QStringLiteral("=SUM(A1)"), 0, -1500);
    addEntry(QStringLiteral("2024.03.15"), QStringLiteral("커피 원두"), 0, 5000);
    addEntry(QStringLiteral("2024.03.31"), QStringLiteral("매출"), 250005, 0);
    addEntry(QStringLiteral("2024.04.01"), QStringLiteral("다음 달"), 7, 0);
    probe(window_).YerEdit()->setValue(2024);
    probe(window_).gCombo()->setCurrentIndex(3);
    window_->CmGbnChange();
    QCOMPARE(probe(window_).TAcunt().recordCount(), 3);
}

void ExportButtonTest::emptyViewDoesNothing()
{
    probe(window_).PrtBtn()->click();
    QVERIFY(dialogs_->shown.isEmpty());
    QVERIFY(dialogs_->openedDocuments.isEmpty());
}

void ExportButtonTest::dialogSettingsAndCancel()
{
    showMarch2024();
    dialogs_->fileNames.enqueue(QString());
    probe(window_).PrtBtn()->click();
    QCOMPARE(dialogs_->shown.size(), 1);
    const FileDialogSettings& s = dialogs_->shown.first().settings;
    QCOMPARE(dialogs_->shown.first().kind, QStringLiteral("save"));
    QCOMPARE(s.title, QStringLiteral("파일명을 확인하세요."));
    QCOMPARE(s.folder, folder() + QStringLiteral("Work/"));
    QCOMPARE(s.proposal, QStringLiteral("간편장부_2501030905.xlsx"));
    QCOMPARE(s.filterName, QStringLiteral("엑셀파일 "));
    QCOMPARE(s.pattern, QStringLiteral("*.xlsx"));
    QCOMPARE(s.defaultSuffix, QStringLiteral("xlsx"));
    QVERIFY(dialogs_->openedDocuments.isEmpty());
    QCOMPARE(QDir(folder() + QStringLiteral("Work")).entryList(QDir::Files), QStringList());
}

void ExportButtonTest::sameWorkbookAsTheCommandLine()
{
    showMarch2024();
    probe(window_).TAcunt().moveTo(1);
    const QString fromButton = folder() + QStringLiteral("Work/button");  // the suffix is added
    dialogs_->fileNames.enqueue(fromButton);
    probe(window_).PrtBtn()->click();

    QCOMPARE(dialogs_->texts(QStringLiteral("error")), QStringList());
    QCOMPARE(dialogs_->openedDocuments, QStringList{fromButton + QStringLiteral(".xlsx")});
    QVERIFY(!dialogs_->waitOpenAtHandOver);
    QVERIFY(!dialogs_->ledgerHeldAtHandOver);
    QCOMPARE(CurrentWaitWindow(), nullptr);
    QCOMPARE(probe(window_).TAcunt().recNo(), 1);
    QVERIFY(!probe(window_).TAcunt().controlsDisabled());

    // The same ledger through the command line, with the same filter.
    const QString ledger = folder() + QStringLiteral("ledger.Aut");
    QVERIFY(quill::WriteLedgerFile(QFile::encodeName(ledger).toStdString(), probe(window_).TAcunt()));
    const QString fromCli = folder() + QStringLiteral("cli.xlsx");
    QStringList args{QStringLiteral("export"), ledger, fromCli, QStringLiteral("--year"), QStringLiteral("2024"),
                     QStringLiteral("--month"), QStringLiteral("03")};
    if (HasPrinter())
        args << QStringLiteral("--printer");  // still taken, without effect
    QProcess cli;
    cli.start(QStringLiteral(QB_BIN_DIR "/quillbook-cli"), args);
    QVERIFY2(cli.waitForFinished(60000), "quillbook-cli did not run (is it built?)");
    QCOMPARE(cli.exitCode(), 0);

    // Every part of the two files but the creation time is the same.
    const char* compare = R"py(
import sys, zipfile
a, b = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])
import re
names = sorted(n for n in a.namelist() if n != "docProps/core.xml")
if names != sorted(n for n in b.namelist() if n != "docProps/core.xml"):
    sys.exit("different parts")
# the page headings name the ledger and the day: the program's own
heading = re.compile(rb"<headerFooter>.*?</headerFooter>")
for n in names:
    if heading.sub(b"", a.read(n)) != heading.sub(b"", b.read(n)):
        sys.exit("different " + n)
sheet = a.read("xl/worksheets/sheet1.xml")
if b"=SUM(A1)" not in sheet:
    sys.exit("the entries are missing")
if "&amp;L이름없음.Aut&amp;R2024년 3월".encode() not in sheet or b"&amp;R2025.01.03" not in sheet:
    sys.exit("the page heading is not the window's: " + heading.search(sheet).group(0).decode())
)py";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(compare), fromButton + QStringLiteral(".xlsx"), fromCli});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
}

void ExportButtonTest::existingFileIsReplacedOnlyAfterYes()
{
    showMarch2024();
    const QString target = folder() + QStringLiteral("Work/old.xlsx");
    QVERIFY(QDir().mkpath(folder() + QStringLiteral("Work")));
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    dialogs_->fileNames.enqueue(target);
    dialogs_->yesNo.enqueue(false);
    probe(window_).PrtBtn()->click();
    QCOMPARE(dialogs_->texts(QStringLiteral("yesno")).size(), 1);
    QVERIFY(dialogs_->texts(QStringLiteral("yesno")).first().contains(QStringLiteral("old.xlsx")));
    QVERIFY(dialogs_->openedDocuments.isEmpty());
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
    kept.close();

    dialogs_->fileNames.enqueue(target);
    dialogs_->yesNo.enqueue(true);
    probe(window_).PrtBtn()->click();
    QCOMPARE(dialogs_->openedDocuments, QStringList{target});
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.read(2), QByteArray("PK"));
}

void ExportButtonTest::typedNameGetsTheExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "a" << "a.xlsx";
    QTest::newRow("a dot in the name") << "정산.2024" << "정산.2024.xlsx";
    QTest::newRow("the old extension") << "b.xls" << "b.xls.xlsx";
    QTest::newRow("in capitals") << "C.XLSX" << "C.XLSX";
}

void ExportButtonTest::typedNameGetsTheExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    showMarch2024();
    dialogs_->fileNames.enqueue(folder() + typed);
    probe(window_).PrtBtn()->click();
    QCOMPARE(dialogs_->openedDocuments, QStringList{folder() + saved});
    QVERIFY(QFile::exists(folder() + saved));
}

void ExportButtonTest::withoutAnApplicationTellsWhereItWasSaved()
{
    showMarch2024();
    const QString target = folder() + QStringLiteral("Work/장부.xlsx");
    dialogs_->fileNames.enqueue(target);
    dialogs_->canOpenDocuments = false;
    probe(window_).PrtBtn()->click();
    const QStringList infos = dialogs_->texts(QStringLiteral("info"));
    QCOMPARE(infos.size(), 1);
    QVERIFY2(infos.first().contains(target), qPrintable(infos.first()));
    QVERIFY(QFile::exists(target));
}

void ExportButtonTest::aWriteFailureIsReported()
{
    showMarch2024();
    probe(window_).TAcunt().moveTo(2);
    dialogs_->fileNames.enqueue(folder() + QStringLiteral("no/such/folder.xlsx"));
    probe(window_).PrtBtn()->click();
    const QStringList errors = dialogs_->texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QStringLiteral("엑셀파일을 만들 수 없습니다.\n")), qPrintable(errors.first()));
    QVERIFY2(errors.first().contains(QStringLiteral("File not found")), qPrintable(errors.first()));
    QVERIFY(dialogs_->openedDocuments.isEmpty());
    QCOMPARE(CurrentWaitWindow(), nullptr);
    QCOMPARE(probe(window_).TAcunt().recNo(), 2);
    QVERIFY(!probe(window_).TAcunt().controlsDisabled());
}

QTEST_MAIN(ExportButtonTest)
void ExportButtonTest::printPreviewSavesThePdfAndKeepsThePage()
{
    showMarch2024();
    probe(window_).TAcunt().moveTo(2);
    const QString pdf = folder() + QStringLiteral("Work/form");  // the suffix is added
    dialogs_->fileNames.enqueue(pdf);
    QString title;
    bool saved = false;
    QTimer::singleShot(0, this, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        title = preview->windowTitle();
        if (auto* save = preview->findChild<QAction*>(QStringLiteral("SavePdf"))) {
            save->trigger();
            saved = true;
        }
        // A page set up in the preview: upright.
        preview->findChild<QPrintPreviewWidget*>()->setPortraitOrientation();
        preview->reject();
    });
    QTest::keyClick(probe(window_).GrdAcunt(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(title, QStringLiteral("인쇄 미리 보기 - 이름없음.Aut"));
    QVERIFY(saved);
    QCOMPARE(dialogs_->shown.size(), 1);
    QCOMPARE(dialogs_->shown.first().settings.title, QStringLiteral("PDF 파일로 저장"));
    QCOMPARE(dialogs_->shown.first().settings.proposal, QStringLiteral("간편장부_2501030905.pdf"));
    QCOMPARE(dialogs_->texts(QStringLiteral("error")), QStringList());
    QCOMPARE(probe(window_).TAcunt().recNo(), 2);  // the cursor stays

    // The file holds the rows the grid shows, with their total.
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf + QStringLiteral(".pdf"), QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* shown : {"커피", "원두", "매출", "=SUM(A1)", "250,005", "-1,500", "5,000", "2024년", "3월"})
        QVERIFY2(printed.contains(QString::fromUtf8(shown)), shown);
    QVERIFY(!printed.contains(QStringLiteral("이월")));  // February's, and one page carries nothing
    QVERIFY(!printed.contains(QStringLiteral("다음")));
    QVERIFY(printed.contains(QRegularExpression(QStringLiteral("합계\\s+250,005\\s+25,000.5\\s+3,500\\s+350"))));

    // The upright page is the next printout's.
    QFile config(window_->configPath());
    QVERIFY(config.open(QIODevice::ReadOnly));
    const QByteArray ini = config.readAll();
    QVERIFY2(ini.contains("Landscape=0"), ini.constData());
    QVERIFY(ini.contains("Paper=0"));
}

#include "tst_export.moc"
