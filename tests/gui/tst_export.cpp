// SPDX-License-Identifier: GPL-3.0-or-later
// The export button: its dialogs, its refusals, and that it writes the same
// workbook as `quillbook-cli export` for the same ledger and filter.
#include "ScriptedDialogs.h"
#include "core/text/Cp949.h"
#include "gui/mainwindow/MainWindow.h"
#include "TmainfProbe.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/FileCommands.h"
#include "core/io/SafeFile.h"
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
#include <QFileInfo>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

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
    void printPreviewPdfNeverDestroysAFile_data();
    void printPreviewPdfNeverDestroysAFile();
    void printPreviewPdfOnAFullDisk();

private:
    void addEntry(const QString& date, const QString& text, double in, double out);
    void showMarch2024();
    void savePreviewPdf(const std::function<void()>& before, const std::function<void()>& after);
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
                     QStringLiteral("--month"), QStringLiteral("03"),
                     QStringLiteral("--printer")};  // older scripts' flag: taken, without effect
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
    QCOMPARE(dialogs_->texts(QStringLiteral("noyes")).size(), 1);  // No is the default
    QVERIFY(dialogs_->texts(QStringLiteral("noyes")).first().contains(QStringLiteral("old.xlsx")));
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
    QVERIFY(ini.contains("PaperSize=7"));  // still A4

    // The PDF saved before the page was turned: A4 across, as the PDF itself says.
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf + QStringLiteral(".pdf")});
    QVERIFY(info.waitForFinished(30000));
    const QString pages = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(pages.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12][.0-9]* x 595[.0-9]* pts \\(A4\\)"))),
             qPrintable(pages));
}

// Opens the preview and presses its "PDF로 저장", with `before` and `after`
// run just around the press.
void ExportButtonTest::savePreviewPdf(const std::function<void()>& before, const std::function<void()>& after)
{
    bool pressed = false;
    QTimer::singleShot(0, this, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        if (auto* save = preview->findChild<QAction*>(QStringLiteral("SavePdf"))) {
            before();
            save->trigger();
            after();
            pressed = true;
        }
        preview->reject();
    });
    QTest::keyClick(probe(window_).GrdAcunt(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(pressed);
}

// An existing file is replaced only after Yes (No is the default); a PDF
// that cannot be written whole leaves the old one as it was; and the open
// ledger is never written over, whatever name leads to it.
void ExportButtonTest::printPreviewPdfNeverDestroysAFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<QString>("error");  // a part of the error shown; empty: none
    QTest::newRow("an existing file, No") << "old.pdf" << false << 0 << "";
    QTest::newRow("the file size limit") << "old.pdf" << true << 4096
                                         << "파일 크기 제한에 걸려 PDF 파일을 만들지 못했습니다. 원래 파일은 그대로입니다";
    // The ledger's own name typed gets ".pdf": a new file beside it.
    QTest::newRow("the open ledger's name") << "장부.Aut" << true << 0 << "";
    QTest::newRow("a link to the open ledger") << "link.pdf" << true << 0 << "읽고 있는 장부 파일과 같은 파일이어서 쓰지 않았습니다";
    QTest::newRow("a second name of the open ledger") << "hard.pdf" << true << 0 << "같은 파일이어서 쓰지 않았습니다";
}

void ExportButtonTest::printPreviewPdfNeverDestroysAFile()
{
    QFETCH(QString, name);
    QFETCH(bool, yes);
    QFETCH(int, sizeLimit);
    QFETCH(QString, error);
    quill::IgnoreFileSizeSignal();  // as the program does at its start
    showMarch2024();
    const QString ledger = folder() + QStringLiteral("장부.Aut");
    QVERIFY(quill::SaveLedgerAs(probe(window_).book(), QFile::encodeName(ledger).toStdString()));
    QVERIFY(QFile::link(ledger, folder() + QStringLiteral("link.pdf")));
    QCOMPARE(::link(QFile::encodeName(ledger).constData(), QFile::encodeName(folder() + QStringLiteral("hard.pdf")).constData()), 0);
    QFile old(folder() + QStringLiteral("old.pdf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("%PDF-1.4 last month's printout");
    old.close();
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray ledgerBefore = bytes(ledger);
    const QByteArray oldBefore = bytes(old.fileName());

    const bool exists = QFileInfo::exists(folder() + name) && name.endsWith(QStringLiteral(".pdf"));
    dialogs_->fileNames.enqueue(folder() + name);
    if (exists)
        dialogs_->yesNo.enqueue(yes);
    struct rlimit unlimited {};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    savePreviewPdf(
        [&] {
            if (sizeLimit) {
                struct rlimit limit = unlimited;
                limit.rlim_cur = static_cast<rlim_t>(sizeLimit);
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        },
        [&] { ::setrlimit(RLIMIT_FSIZE, &unlimited); });

    QCOMPARE(dialogs_->texts(QStringLiteral("noyes")).size(), exists ? 1 : 0);
    const QStringList errors = dialogs_->texts(QStringLiteral("error"));
    if (error.isEmpty()) {
        QCOMPARE(errors, QStringList());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(error), qPrintable(errors.first()));
    }
    QCOMPARE(bytes(ledger), ledgerBefore);
    QCOMPARE(bytes(old.fileName()), oldBefore);
    QVERIFY(QFileInfo(folder() + QStringLiteral("link.pdf")).isSymLink());
    if (name == QStringLiteral("장부.Aut"))
        QVERIFY(bytes(ledger + QStringLiteral(".pdf")).startsWith("%PDF"));
    // Nothing half-written is left beside them.
    QCOMPARE(QDir(folder()).entryList({QStringLiteral(".quillbook-*")}, QDir::Files | QDir::Hidden), QStringList());
}

// On a full disk (a preloaded library fills the disk under one folder) the
// old PDF stays as it was and the failure is told in Korean. The test runs
// itself again with the library.
void ExportButtonTest::printPreviewPdfOnAFullDisk()
{
    const QByteArray full = qgetenv("QB_FULL_DIR");
    if (full.isEmpty()) {
        QTemporaryDir disk;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QB_FULL_DISK));
        env.insert(QStringLiteral("QB_FULL_DIR"), disk.path());
        env.insert(QStringLiteral("QB_FULL_BYTES"), QStringLiteral("8000"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("printPreviewPdfOnAFullDisk")});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardOutput().constData());
        return;
    }
    const QString old = QFile::decodeName(full) + QStringLiteral("/old.pdf");
    QFile file(old);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray before = "%PDF-1.4 last month's printout";
    QVERIFY(file.write(before) == before.size());  // within the room left
    file.close();
    showMarch2024();
    dialogs_->fileNames.enqueue(old);
    dialogs_->yesNo.enqueue(true);
    quill::IgnoreFileSizeSignal();
    savePreviewPdf([] {}, [] {});
    const QStringList errors = dialogs_->texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(QStringLiteral("디스크 공간이 부족해 PDF 파일을 만들지 못했습니다")),
             qPrintable(errors.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(QFile::decodeName(full)).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.pdf")});
}

#include "tst_export.moc"
