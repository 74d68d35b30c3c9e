// SPDX-License-Identifier: GPL-3.0-or-later
// The 신고자료 window driven as a user would: the button and Ctrl+T, tabs,
// the year selector, the settings kept per ledger, the copy, the PDF, the
// way from the evidence list to the grid, the keyboard and the names a
// screen reader reads; the command line gives the window's figures.
#include "MainWindowFixture.h"
#include "core/filing/FilingFigures.h"
#include "core/filing/IncomeFigures.h"
#include "gui/filing/FilingWindow.h"
#include "gui/support/KoreanInput.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QBarSeries>
#include <QBarSet>
#include <QPushButton>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QLineSeries>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QDir>
#include <QTemporaryDir>

#include "core/io/SafeFile.h"

#include <sys/resource.h>

class FilingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonAndKeyOpenTheFiltersYear();
    void tabsShowTheFigures();
    void yearSelectorRecomputes();
    void typeIsKeptInTheConfiguration();
    void ctrlCCopiesTheTabsTable();
    void pdfIsWritten();
    void aPdfCutShortKeepsTheOldOne();
    void choosingAnEvidenceEntryMovesTheGrid();
    void noMoveWhileAnEntryIsBeingEdited();
    void settingsAreKeptPerLedgerAndCarriedBySaveAs();
    void commandLineGivesTheWindowsFigures();
    void keyboardAndNames();
    void ctrlDMarksACandidateNondeductible();

private:
    FilingWindow* openWindow();
    std::unique_ptr<MainWindowFixture> fx_;
};

void FilingWindowTest::init()
{
    fx_ = std::make_unique<MainWindowFixture>();
    QVERIFY(fx_->start());
    Tmainf& w = *fx_->window;
    fx_->addEntry(QStringLiteral("2024.01.10"), QStringLiteral("매출"), 500000, 50000);
    fx_->addEntry(QStringLiteral("2024.02.11"), QStringLiteral("식대"), 0, 0, 40000, 4000);
    fx_->addEntry(QStringLiteral("2024.03.02"), QStringLiteral("소모품"), 0, 0, 20000, 2000);
    fx_->addEntry(QStringLiteral("2024.11.20"), QStringLiteral("비품"), 0, 0, 0, 0, 300000, 30000);
    fx_->addEntry(QStringLiteral("2023.06.01"), QStringLiteral("작년"), 7000, 700);
    // Remarks: "영" (not qualifying) on the meal and the fixture, "카드" on the rest.
    auto setRemark = [&w](const char* day, const QString& remark) {
        probe(w).TAcunt().setFiltered(false);
        for (int i = 0; i < probe(w).TAcunt().recordCount(); ++i) {
            if (probe(w).TAcunt().visibleRow(i).IDAY.view() == day) {
                probe(w).TAcunt().moveTo(i);
                probe(w).TAcunt().edit().ETC = toCp949(remark);
                probe(w).TAcunt().post();
                return;
            }
        }
    };
    setRemark("2024.02.11", QStringLiteral("영"));
    setRemark("2024.03.02", QStringLiteral("카드"));
    setRemark("2024.11.20", QStringLiteral(" 영 "));
    probe(w).YerEdit()->setValue(2024);  // the filter row shows 2024
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(5));
}

void FilingWindowTest::cleanup()
{
    fx_.reset();
}

namespace {

// The row of a table whose first cell starts with `name`, or -1.
int rowOf(QTableWidget* t, const QString& name)
{
    for (int r = 0; r < t->rowCount(); ++r)
        if (t->item(r, 0) && t->item(r, 0)->text().startsWith(name))
            return r;
    return -1;
}

QString cell(QTableWidget* t, const QString& name, int column)
{
    const int r = rowOf(t, name);
    return r < 0 || !t->item(r, column) ? QStringLiteral("<no %1>").arg(name) : t->item(r, column)->text();
}

} // namespace

FilingWindow* FilingWindowTest::openWindow()
{
    probe(fx_->window).FilingBtn()->click();
    FilingWindow* f = fx_->window->findChild<FilingWindow*>();
    if (f)
        (void)QTest::qWaitForWindowExposed(f);
    return f;
}

void FilingWindowTest::buttonAndKeyOpenTheFiltersYear()
{
    Tmainf& w = *fx_->window;
    QCOMPARE(probe(w).FilingBtn()->text(), QStringLiteral("신고자료"));
    QVERIFY(probe(w).FilingBtn()->x() > probe(w).PrtBtn()->x());
    QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_T, Qt::ControlModifier);
    QTRY_VERIFY(w.findChild<FilingWindow*>() != nullptr);
    FilingWindow* f = w.findChild<FilingWindow*>();
    QVERIFY(f->isModal());
    QCOMPARE(f->yearBox->value(), 2024);
    QVERIFY(f->windowTitle().contains(QStringLiteral("참고용")));
    QCOMPARE(f->tabs->count(), 5);
    QCOMPARE(f->tabs->tabText(4), QStringLiteral("설정"));
    QCOMPARE(f->tabs->tabText(0), QStringLiteral("부가가치세"));
    QCOMPARE(f->tabs->tabText(1), QStringLiteral("종합소득세"));
    QCOMPARE(f->tabs->tabText(2), QStringLiteral("증빙 확인"));
    // The words of the settings are Korean: their fields ask for it.
    for (QLineEdit* words : f->wordEdits)
        QVERIFY(korean_input::asksOnEntry(words));
    QVERIFY(!korean_input::asksOnEntry(f->deemedEdit));
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);  // deleted on close
}

void FilingWindowTest::tabsShowTheFigures()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    // VAT, general taxpayer: sales VAT 50,000 - card VAT 2,000 - 전자신고세액공제 10,000 in 1기.
    QCOMPARE(f->vatTable->columnCount(), 8);
    QCOMPARE(f->vatTable->horizontalHeaderItem(1)->text(), QStringLiteral("1기 확정 (1~6월)"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("차가감 납부할 세액"), 1), QStringLiteral("38,000"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("예정고지세액"), 1), QStringLiteral("0 추정"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("과세표준 합계"), 3), QStringLiteral("500,000"));
    QVERIFY(rowOf(f->vatTable, QStringLiteral("과세표준 합계")) < rowOf(f->vatTable, QStringLiteral("세금계산서 수취분")));
    QVERIFY(rowOf(f->vatTable, QStringLiteral("예정고지세액")) < rowOf(f->vatTable, QStringLiteral("차가감 납부할 세액")));
    f->tabs->setCurrentIndex(FilingWindow::IncomeTab);
    // 매출 500,000 and the VAT return's 전자신고세액공제, 10,000 for each of
    // the year's two 확정신고, which is income too.
    QCOMPARE(cell(f->incomeTable, QStringLiteral("총수입금액"), 1), QStringLiteral("520,000"));
    // 40,000 + 4,000 ("영") + 20,000
    QCOMPARE(cell(f->incomeTable, QStringLiteral("계정 없음 (비용)"), 1), QStringLiteral("64,000"));
    QCOMPARE(cell(f->incomeTable, QStringLiteral("필요경비 합계"), 1), QStringLiteral("64,000"));
    QCOMPARE(cell(f->incomeTable, QStringLiteral("소득금액"), 1), QStringLiteral("456,000"));
    // the VAT no return gives back
    QCOMPARE(cell(f->incomeTable, QStringLiteral("고정자산 증감"), 1), QStringLiteral("330,000"));
    QCOMPARE(cell(f->incomeTable, QStringLiteral("계정 없는 자료 건수"), 1), QStringLiteral("4건"));
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    QCOMPARE(f->evidenceTable->rowCount(), 6);
    QCOMPARE(f->evidenceTable->item(1, 0)->text(), QStringLiteral("2024.02.11"));
    QCOMPARE(f->evidenceTable->item(2, 3)->text(), QStringLiteral("330,000"));
    QCOMPARE(f->evidenceTable->item(5, 4)->text(), QStringLiteral("영"));  // not recognised, twice
    QCOMPARE(f->evidenceTable->item(5, 1)->text(), QStringLiteral("이 비고의 자료 2건"));
    f->tabs->setCurrentIndex(FilingWindow::ChartTab);
    QChart* chart = f->chartView->chart();
    QVERIFY(chart);
    QCOMPARE(chart->series().size(), 2);
    auto* bars = qobject_cast<QBarSeries*>(chart->series().at(0));
    auto* line = qobject_cast<QLineSeries*>(chart->series().at(1));
    QVERIFY(bars && line);
    QCOMPARE(bars->barSets().size(), 2);
    QCOMPARE(bars->barSets().at(0)->at(0), 500000.0);
    QCOMPARE(line->count(), 12);
    QCOMPARE(line->at(11).y(), 436000.0);
    QCOMPARE(chart->axes(Qt::Horizontal).size(), 1);  // one category axis for both
}

void FilingWindowTest::yearSelectorRecomputes()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    f->yearBox->setFocus();
    QTest::keyClick(f->yearBox, Qt::Key_Down);
    QCOMPARE(f->yearBox->value(), 2023);
    QCOMPARE(f->figures().year, 2023);
    QCOMPARE(f->figures().yearSums().income, quill::WideTenths(7000) * 10000);
    QCOMPARE(cell(f->vatTable, QStringLiteral("과세표준 합계"), 5), QStringLiteral("7,000"));  // 4~6월
    QCOMPARE(f->figures().evidenceCount, 0);
}

void FilingWindowTest::typeIsKeptInTheConfiguration()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->typeBox->currentText(), QStringLiteral("일반과세자"));
    f->typeBox->setFocus();
    QTest::keyClick(f->typeBox, Qt::Key_Down);  // 간이과세자
    QCOMPARE(f->figures().settings.type, quill::TaxpayerType::Simplified);
    QCOMPARE(cell(f->vatTable, QStringLiteral("공급대가 합계"), 2), QStringLiteral("550,000"));
    const std::string ini = QFile::encodeName(fx_->window->configPath()).toStdString();
    QCOMPARE(quill::ReadTaxpayerType(ini), quill::TaxpayerType::Simplified);
    f->close();
    QTRY_VERIFY(fx_->window->findChild<FilingWindow*>() == nullptr);
    // The next window starts with the kept type.
    f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->typeBox->currentText(), QStringLiteral("간이과세자"));
    QCOMPARE(f->figures().settings.type, quill::TaxpayerType::Simplified);
    QVERIFY(fx_->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void FilingWindowTest::ctrlCCopiesTheTabsTable()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    f->tabs->setCurrentIndex(FilingWindow::IncomeTab);
    QApplication::clipboard()->clear();
    f->incomeTable->setFocus();
    f->incomeTable->setCurrentCell(0, 0);
    QTest::keyClick(f->incomeTable, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 6, qPrintable(QApplication::clipboard()->text()));
    QVERIFY(lines[0].contains(QStringLiteral("참고용")));
    QCOMPARE(lines[1], QStringLiteral("구분\t금액"));
    QVERIFY(lines.contains(QStringLiteral("총수입금액\t520000")));
    QVERIFY(lines.contains(QStringLiteral("필요경비 합계\t64000")));
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    f->copyButton->click();
    QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("2024.11.20\t비품\t거래처\t330000\t 영 ")));
}

void FilingWindowTest::pdfIsWritten()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    const QString path = fx_->tempPath() + QStringLiteral("/신고자료");
    fx_->dialogs.fileNames.enqueue(path);
    f->pdfButton->click();
    const QString written = path + QStringLiteral(".pdf");
    QFile pdf(written);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    QVERIFY(bytes.size() > 10000);  // the tables' fonts and the chart's picture
    QCOMPARE(fx_->dialogs.shown.last().settings.pattern, QStringLiteral("*.pdf"));
    QVERIFY(fx_->dialogs.texts(QStringLiteral("error")).isEmpty());
    // Replacing it asks first; No leaves it as it was.
    pdf.close();
    QVERIFY(pdf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    pdf.write("old");
    pdf.close();
    fx_->dialogs.fileNames.enqueue(written);
    fx_->dialogs.yesNo.enqueue(false);
    f->pdfButton->click();
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(pdf.readAll(), QByteArray("old"));
    pdf.close();
    // Pages as a reader sees them: many entries without evidence make the
    // evidence table run over pages.
    Tmainf& w = *fx_->window;
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);
    for (int i = 0; i < 70; ++i)
        fx_->addEntry(QStringLiteral("2024.05.%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')), QStringLiteral("지출%1").arg(i),
                      0, 0, 40000 + i, 0);
    // Sums of seventeen characters and more stay whole in their cells.
    for (int i = 0; i < 3; ++i)
        fx_->addEntry(QStringLiteral("2024.06.01"), QStringLiteral("큰 매출"), 900000000000000.0, 0);
    f = openWindow();
    QVERIFY(f);
    const QString many = fx_->tempPath() + QStringLiteral("/여러쪽.pdf");
    QVERIFY(f->writePdf(many));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (!pdftotext.isEmpty()) {
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), many, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        int evidencePages = 0;
        for (QString page : pages) {
            // Blanks come back as blanks: copying and searching work.
            QVERIFY2(!page.contains(QChar(0x01)), qPrintable(page));
            page.replace(QChar(0xA0), QLatin1Char(' '));
            if (page.trimmed().isEmpty())
                continue;
            QVERIFY2(page.contains(QStringLiteral("기간: 2024년 1월~12월")), qPrintable(page));  // the period on every page
            QVERIFY(page.contains(QStringLiteral("장부:")));
            // A page the evidence list continues on repeats its heading row.
            // (the entries are named 지출0, 지출1 …; the notes say 지출 too)
            if (page.contains(QRegularExpression(QStringLiteral("지출[0-9]")))) {
                ++evidencePages;
                QVERIFY2(page.contains(QStringLiteral("거래내용")), qPrintable(page));
            }
            // The income table runs over pages with its heading row repeated.
            if (page.contains(QStringLiteral("필요경비 합계")) || page.contains(QStringLiteral("차가감 소득금액")))
                QVERIFY2(page.contains(QStringLiteral("구분")), qPrintable(page));
        }
        QVERIFY(evidencePages >= 2);
        const QString all = pages.join(QString());
        QVERIFY2(all.contains(QRegularExpression(QStringLiteral("\\b\\d,\\d{3},\\d{3},\\d{3},\\d{3},\\d{3}\\b"))),
                 "a long sum was broken inside its cell");
    }
    // A folder that cannot be written to is reported.
    QString error;
    QVERIFY(!f->writePdf(fx_->tempPath() + QStringLiteral("/없는폴더/a.pdf"), &error));
    QVERIFY(!error.isEmpty());
}

// The filing PDF over an old one: under the file size limit, and on a full
// disk (the test runs itself again with the command line tests' preloaded
// library, which fills the disk under one folder), the old file stays as it
// was and the failure is told in Korean.
void FilingWindowTest::aPdfCutShortKeepsTheOldOne()
{
    quill::IgnoreFileSizeSignal();  // as the program does at its start
    const QByteArray full = qgetenv("QB_FULL_DIR");
    const QString folder = full.isEmpty() ? fx_->tempPath() : QFile::decodeName(full);
    const QString old = folder + QStringLiteral("/신고자료_2024.pdf");
    const QByteArray before = "%PDF-1.4 last year's figures";
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(before), before.size());
    }
    FilingWindow* f = openWindow();
    QVERIFY(f);
    QString error;
    if (full.isEmpty()) {
        struct rlimit unlimited {};
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        struct rlimit limit = unlimited;
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = f->writePdf(old, &error);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!written);
        QVERIFY2(error.contains(QStringLiteral("파일 크기 제한에 걸려 PDF 파일을 만들지 못했습니다")), qPrintable(error));
    } else {
        QVERIFY(!f->writePdf(old, &error));
        QVERIFY2(error.contains(QStringLiteral("디스크 공간이 부족해 PDF 파일을 만들지 못했습니다")), qPrintable(error));
    }
    QFile file(old);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.pdf"), QStringLiteral(".quillbook-*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("신고자료_2024.pdf")});
    if (!full.isEmpty())
        return;
    QTemporaryDir disk;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QB_FULL_DISK));
    env.insert(QStringLiteral("QB_FULL_DIR"), disk.path());
    env.insert(QStringLiteral("QB_FULL_BYTES"), QStringLiteral("8000"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("aPdfCutShortKeepsTheOldOne")});
    QVERIFY(child.waitForFinished(120000));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAllStandardOutput().constData());
}

void FilingWindowTest::choosingAnEvidenceEntryMovesTheGrid()
{
    Tmainf& w = *fx_->window;
    probe(w).CmGbn()->setCurrentIndex(1);  // 수입: the expense would be hidden
    w.CmGbnChange();
    FilingWindow* f = openWindow();
    QVERIFY(f);
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    f->evidenceTable->setFocus();
    f->evidenceTable->setCurrentCell(0, 0);  // a heading: nowhere to go
    QTest::keyClick(f->evidenceTable, Qt::Key_Return);
    QCOMPARE(probe(w).CmGbn()->currentIndex(), 1);
    f->evidenceTable->setCurrentCell(2, 0);
    QTest::keyClick(f->evidenceTable, Qt::Key_Return);
    QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("11"));
    QCOMPARE(probe(w).YerEdit()->value(), 2024);
    QCOMPARE(probe(w).CmGbn()->currentIndex(), 0);
    QCOMPARE(probe(w).TAcunt().current().IDAY.view(), std::string_view("2024.11.20"));
    QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), probe(w).TAcunt().recNo());
    QVERIFY(f->isVisible());  // the window stays for the next entry
    // The other entry, in February, with a double-click.
    const QRect rect = f->evidenceTable->visualItemRect(f->evidenceTable->item(1, 1));
    QTest::mouseClick(f->evidenceTable->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(f->evidenceTable->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("02"));
    QCOMPARE(probe(w).TAcunt().current().IDAY.view(), std::string_view("2024.02.11"));
    QCOMPARE(probe(w).TAcunt().recordCount(), 1);
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);

    // Dates that are not calendar dates are listed and reached the same way.
    for (const char* day : {"2024.02.30", "2024.13.01"}) {
        fx_->addEntry(QString::fromLatin1(day), QStringLiteral("틀린 날짜"), 0, 0, 1000, 0);
        f = openWindow();
        QVERIFY(f);
        f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
        const int heading = rowOf(f->evidenceTable, QStringLiteral("날짜가 올바르지 않은 자료"));
        QVERIFY(heading >= 0);
        f->evidenceTable->setFocus();
        f->evidenceTable->setCurrentCell(heading + 1, 0);
        QCOMPARE(f->evidenceTable->item(heading + 1, 0)->text(), QString::fromLatin1(day));
        const int told = fx_->dialogs.texts(QStringLiteral("info")).size();
        QTest::keyClick(f->evidenceTable, Qt::Key_Return);
        if (QByteArray(day) == "2024.02.30") {  // in February's view
            QCOMPARE(probe(w).gCombo()->currentText(), QStringLiteral("02"));
            QCOMPARE(QString::fromLatin1(probe(w).TAcunt().current().IDAY.view().data(),
                                         int(probe(w).TAcunt().current().IDAY.view().size())),
                     QString::fromLatin1(day));
        } else {  // no month shows it: said so
            QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).size(), told + 1);
            QVERIFY(fx_->dialogs.texts(QStringLiteral("info")).last().contains(QString::fromLatin1(day)));
        }
        f->close();
        QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);
        // The next one is listed first, being earlier in the table.
        probe(w).TAcunt().setFiltered(false);
        for (int i = 0; i < probe(w).TAcunt().recordCount(); ++i)
            if (probe(w).TAcunt().visibleRow(i).IDAY.view() == day) {
                probe(w).TAcunt().moveTo(i);
                probe(w).TAcunt().edit().IDAY = "2024.05.05";  // mended, so the next is the only one
                probe(w).TAcunt().post();
                break;
            }
    }
}

void FilingWindowTest::noMoveWhileAnEntryIsBeingEdited()
{
    Tmainf& w = *fx_->window;
    w.BtnAppClick();
    QVERIFY(probe(w).editorMode() != quill::EditorMode::Idle);
    const QString month = probe(w).gCombo()->currentText();
    w.showLedgerRow(0);
    QCOMPARE(probe(w).gCombo()->currentText(), month);
    QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).size(), 1);
}

void FilingWindowTest::settingsAreKeptPerLedgerAndCarriedBySaveAs()
{
    Tmainf& w = *fx_->window;
    const QString shop = fx_->tempPath() + QStringLiteral("/가게.Aut");
    fx_->dialogs.fileNames.enqueue(shop);
    w.RnameBtnClick();
    QCOMPARE(QString::fromStdString(probe(w).book().fileName()), shop);
    FilingWindow* f = openWindow();
    QVERIFY(f);
    f->typeBox->setFocus();
    QTest::keyClick(f->typeBox, Qt::Key_Down);  // 간이과세자, for this ledger only
    f->tabs->setCurrentIndex(FilingWindow::SettingsTab);
    f->industryBox->setCurrentIndex(f->industryBox->findData(QStringLiteral("소매")));
    emit f->industryBox->activated(f->industryBox->currentIndex());
    f->prepaidEdits[0]->setText(QStringLiteral("1000"));
    emit f->prepaidEdits[0]->editingFinished();
    f->wordEdits[2]->setText(QStringLiteral("영"));  // "영" counts as a card slip here
    emit f->wordEdits[2]->editingFinished();
    // 550,000 × 15 % × 10 % = 8,250, less the 0.5 % of the purchases with
    // card slips (22,000 + 44,000 + 330,000) = 1,980.
    QCOMPARE(cell(f->vatTable, QStringLiteral("납부세액"), 2), QStringLiteral("8,250"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("매입세금계산서등 수취세액공제"), 2), QStringLiteral("1,980"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("예정부과세액"), 2), QStringLiteral("1,000"));
    // Under 48,000,000 a year: the tax left is exempt, the 예정부과 comes back.
    QCOMPARE(cell(f->vatTable, QStringLiteral("납부의무 면제세액"), 2), QStringLiteral("6,270"));
    QCOMPARE(cell(f->vatTable, QStringLiteral("차가감 납부할 세액"), 2), QStringLiteral("-1,000"));
    const std::string ini = QFile::encodeName(w.configPath()).toStdString();
    QCOMPARE(quill::ReadTaxpayerType(ini), quill::TaxpayerType::General);  // the default is untouched
    const quill::FilingSettings kept = quill::ReadFilingSettings(ini, shop.toStdString());
    QCOMPARE(kept.type, quill::TaxpayerType::Simplified);
    QCOMPARE(kept.industry, std::string("소매"));
    QCOMPARE(kept.prepaidWon[0].value_or(-1), 1000);
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);
    // Save As takes them along; the next window reads them.
    const QString copy = fx_->tempPath() + QStringLiteral("/가게2.Aut");
    fx_->dialogs.fileNames.enqueue(copy);
    w.RnameBtnClick();
    QCOMPARE(quill::ReadFilingSettings(ini, copy.toStdString()).industry, std::string("소매"));
    f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->typeBox->currentText(), QStringLiteral("간이과세자"));
    QCOMPARE(f->industryBox->currentData().toString(), QStringLiteral("소매"));
    QCOMPARE(f->wordEdits[2]->text(), QStringLiteral("영"));
    QVERIFY(fx_->dialogs.texts(QStringLiteral("error")).isEmpty());
}

void FilingWindowTest::commandLineGivesTheWindowsFigures()
{
    Tmainf& w = *fx_->window;
    const QString shop = fx_->tempPath() + QStringLiteral("/가게.Aut");
    fx_->dialogs.fileNames.enqueue(shop);
    w.RnameBtnClick();
    FilingWindow* f = openWindow();
    QVERIFY(f);
    for (int type = 0; type < 3; ++type) {
        f->typeBox->setCurrentIndex(type);
        emit f->typeBox->activated(type);
        QProcess cli;
        cli.start(QStringLiteral(QB_BIN_DIR "/quillbook-cli"),
                  {QStringLiteral("tax"), shop, QStringLiteral("--year"), QStringLiteral("2024"), QStringLiteral("--config"),
                   w.configPath()});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QMap<QString, QString> printed;
        for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            printed.insert(line.section(QLatin1Char('\t'), 0, 0), line.section(QLatin1Char('\t'), 1));
        // Every figure of the window's VAT and income tables, by its key.
        int compared = 0;
        for (const quill::FilingReturn& r : quill::FilingReturnsWithIncome(f->figures(), f->income())) {
            // The warnings are notes in the window, not lines of a table.
            QTableWidget* view = r.key == "income"                        ? f->incomeTable
                               : r.key == "evidence" || r.key == "warn" ? nullptr
                                                                        : f->vatTable;
            if (!view)
                continue;
            for (std::size_t l = 0; l < r.lines.size(); ++l)
                for (std::size_t c = 0; c < r.lines[l].values.size(); ++c) {
                    if (!r.lines[l].values[c].amount)
                        continue;
                    const QString key = QString::fromStdString(quill::figureKey(r, c, r.lines[l]));
                    QVERIFY2(printed.contains(key), qPrintable(key));
                    QString shown = view->item(static_cast<int>(l), static_cast<int>(c) + 1)->text();
                    shown.remove(QLatin1Char(',')).remove(QStringLiteral(" 추정"));
                    if (r.lines[l].isCount)
                        shown.remove(QStringLiteral("건"));
                    QCOMPARE(printed.value(key), shown);
                    ++compared;
                }
        }
        QVERIFY(compared >= 10);
    }
}

void FilingWindowTest::ctrlDMarksACandidateNondeductible()
{
    Tmainf& w = *fx_->window;
    fx_->addEntry(QStringLiteral("2024.03.03"), QStringLiteral("거래처 선물"), 0, 0, 100000, 10000);
    {
        quill::LedgerEntry& e = probe(w).TAcunt().edit();
        e.ETC = toCp949(QStringLiteral("카드"));
        probe(w).TAcunt().post();
    }
    probe(w).book().setModified(false);
    FilingWindow* f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->figures().nondeductibleCandidatesCount, 1);
    const quill::WideTenths before = f->figures().yearSums().nondeductible.vat;
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    // A row that is no candidate: Ctrl+D does nothing.
    f->evidenceTable->setFocus();
    f->evidenceTable->setCurrentCell(0, 0);
    QVERIFY(!f->confirmNondeductible());
    QVERIFY(!probe(w).book().isModified());
    int row = -1;
    for (int r = 0; r < f->evidenceTable->rowCount(); ++r)
        if (f->evidenceTable->item(r, 1) && f->evidenceTable->item(r, 1)->text() == QStringLiteral("거래처 선물"))
            row = r;
    QVERIFY(row >= 0);
    f->evidenceTable->setCurrentCell(row, 0);
    QTest::keyClick(f->evidenceTable, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(f->figures().nondeductibleCandidatesCount, 0);
    QCOMPARE(f->figures().yearSums().nondeductible.vat, before + quill::WideTenths(10000) * 10000);
    QVERIFY(probe(w).book().isModified());
    auto remarkOfGift = [&w] {
        for (std::size_t r = 0; r < probe(w).TAcunt().rowCount(); ++r)
            if (probe(w).TAcunt().row(r).JKYU.view() == toCp949(QStringLiteral("거래처 선물")))
                return std::string(probe(w).TAcunt().row(r).ETC.view());
        return std::string();
    };
    QCOMPARE(remarkOfGift(), toCp949(QStringLiteral("카드 불공")));
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);
    // One step of the history: undo (from the grid's menu) gives the remark back.
    QMenu* menu = w.commandMenu();
    QAction* undo = nullptr;
    for (QAction* a : menu->actions())
        if (a->text().startsWith(QStringLiteral("되돌리기")))
            undo = a;
    QVERIFY(undo);
    undo->trigger();
    delete menu;
    QCOMPARE(remarkOfGift(), toCp949(QStringLiteral("카드")));
}

void FilingWindowTest::keyboardAndNames()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    // Every control the keyboard reaches has a Korean name a screen reader reads.
    for (int tab = 0; tab < f->tabs->count(); ++tab) {
        f->tabs->setCurrentIndex(tab);
        for (QWidget* w : f->findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(f))
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            QVERIFY(a);
            const QString name = a->text(QAccessible::Name);
            bool hangul = false;
            for (QChar ch : name)
                hangul = hangul || (ch.unicode() >= 0xAC00 && ch.unicode() <= 0xD7A3);
            QVERIFY2(hangul, qPrintable(QStringLiteral("%1 (%2, in %4) has no Korean name: \"%3\"")
                                            .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), name, w->parentWidget() ? QString::fromLatin1(w->parentWidget()->metaObject()->className()) : QString())));
        }
    }
    // The type box is named by what it chooses, not by its value.
    QCOMPARE(QAccessible::queryAccessibleInterface(f->typeBox)->text(QAccessible::Name), QStringLiteral("과세유형"));
    // Tab leaves a table; the arrows move inside it.
    f->tabs->setCurrentIndex(FilingWindow::VatTab);
    f->vatTable->setFocus();
    f->vatTable->setCurrentCell(0, 1);
    QTest::keyClick(f->vatTable, Qt::Key_Right);
    QCOMPARE(f->vatTable->currentColumn(), 2);
    QTest::keyClick(f->vatTable, Qt::Key_Tab);
    QVERIFY(!f->vatTable->hasFocus());
    QCOMPARE(f->vatTable->currentColumn(), 2);
    // Ctrl+Tab changes the tab also from the year box.
    f->yearBox->setFocus();
    QTest::keyClick(f->yearBox, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(f->tabs->currentIndex(), int(FilingWindow::IncomeTab));
    QTest::keyClick(f->yearBox, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(f->tabs->currentIndex(), int(FilingWindow::VatTab));
    // The chart reads its twelve months.
    const QString chart = f->chartView->accessibleDescription();
    QVERIFY(chart.contains(QStringLiteral("1월 수입 500,000원")));
    QVERIFY(chart.contains(QStringLiteral("12월")));
}

QTEST_MAIN(FilingWindowTest)
#include "tst_filing.moc"
