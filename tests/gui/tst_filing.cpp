// SPDX-License-Identifier: GPL-3.0-or-later
// The 신고자료 window driven as a user would: the button and Ctrl+T, tabs,
// the year selector, the taxpayer type kept in the configuration, the copy,
// the PDF and the way from the evidence list to the grid.
#include "MainWindowFixture.h"
#include "filing/FilingFigures.h"
#include "filing/FilingWindow.h"

#include <QApplication>
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
    void choosingAnEvidenceEntryMovesTheGrid();
    void noMoveWhileAnEntryIsBeingEdited();

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
        w.TAcunt.setFiltered(false);
        for (int i = 0; i < w.TAcunt.recordCount(); ++i) {
            if (w.TAcunt.visibleRow(i).IDAY.view() == day) {
                w.TAcunt.moveTo(i);
                w.TAcunt.edit().ETC = toCp949(remark);
                w.TAcunt.post();
                return;
            }
        }
    };
    setRemark("2024.02.11", QStringLiteral("영"));
    setRemark("2024.03.02", QStringLiteral("카드"));
    setRemark("2024.11.20", QStringLiteral(" 영 "));
    w.YerEdit->setValue(2024);  // the filter row shows 2024
    QCOMPARE(w.TAcunt.rowCount(), std::size_t(5));
}

void FilingWindowTest::cleanup()
{
    fx_.reset();
}

FilingWindow* FilingWindowTest::openWindow()
{
    fx_->window->FilingBtn->click();
    FilingWindow* f = fx_->window->findChild<FilingWindow*>();
    if (f)
        (void)QTest::qWaitForWindowExposed(f);
    return f;
}

void FilingWindowTest::buttonAndKeyOpenTheFiltersYear()
{
    Tmainf& w = *fx_->window;
    QCOMPARE(w.FilingBtn->text(), QStringLiteral("신고자료"));
    QVERIFY(w.FilingBtn->x() > w.PrtBtn->x());
    QTest::keyClick(w.GrdAcunt, Qt::Key_T, Qt::ControlModifier);
    QTRY_VERIFY(w.findChild<FilingWindow*>() != nullptr);
    FilingWindow* f = w.findChild<FilingWindow*>();
    QVERIFY(f->isModal());
    QCOMPARE(f->yearBox->value(), 2024);
    QVERIFY(f->windowTitle().contains(QStringLiteral("참고용")));
    QCOMPARE(f->tabs->count(), 4);
    QCOMPARE(f->tabs->tabText(0), QStringLiteral("부가가치세"));
    QCOMPARE(f->tabs->tabText(1), QStringLiteral("종합소득세"));
    QCOMPARE(f->tabs->tabText(2), QStringLiteral("증빙 확인"));
    f->close();
    QTRY_VERIFY(w.findChild<FilingWindow*>() == nullptr);  // deleted on close
}

void FilingWindowTest::tabsShowTheFigures()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    // VAT, general taxpayer: sales VAT 50,000 - card VAT 2,000 in q1.
    QCOMPARE(f->vatTable->rowCount(), 12);
    QCOMPARE(f->vatTable->item(11, 1)->text(), QStringLiteral("48,000"));
    QCOMPARE(f->vatTable->item(0, 7)->text(), QStringLiteral("500,000"));
    f->tabs->setCurrentIndex(FilingWindow::IncomeTab);
    // 40,000 + 4,000 ("영") + 20,000
    QCOMPARE(f->incomeTable->item(1, 1)->text(), QStringLiteral("64,000"));
    QCOMPARE(f->incomeTable->item(2, 1)->text(), QStringLiteral("436,000"));
    QCOMPARE(f->incomeTable->item(3, 1)->text(), QStringLiteral("300,000"));
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    QCOMPARE(f->evidenceTable->rowCount(), 2);
    QCOMPARE(f->evidenceTable->item(0, 0)->text(), QStringLiteral("2024.02.11"));
    QCOMPARE(f->evidenceTable->item(1, 3)->text(), QStringLiteral("330,000"));
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
    QCOMPARE(f->figures().income.revenue, quill::WideTenths(7000) * 10000);
    QCOMPARE(f->vatTable->item(0, 2)->text(), QStringLiteral("7,000"));  // q2
    QCOMPARE(f->evidenceTable->rowCount(), 0);
}

void FilingWindowTest::typeIsKeptInTheConfiguration()
{
    FilingWindow* f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->typeBox->currentText(), QStringLiteral("일반과세자"));
    f->typeBox->setFocus();
    QTest::keyClick(f->typeBox, Qt::Key_Down);  // 간이과세자
    QCOMPARE(f->figures().type, quill::TaxpayerType::Simplified);
    QCOMPARE(f->vatTable->rowCount(), 3);
    QCOMPARE(f->vatTable->item(0, 2)->text(), QStringLiteral("550,000"));
    const std::string ini = QFile::encodeName(fx_->window->configPath()).toStdString();
    QCOMPARE(quill::ReadTaxpayerType(ini), quill::TaxpayerType::Simplified);
    f->close();
    QTRY_VERIFY(fx_->window->findChild<FilingWindow*>() == nullptr);
    // The next window starts with the kept type.
    f = openWindow();
    QVERIFY(f);
    QCOMPARE(f->typeBox->currentText(), QStringLiteral("간이과세자"));
    QCOMPARE(f->figures().type, quill::TaxpayerType::Simplified);
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
    QCOMPARE(lines[2], QStringLiteral("총수입금액\t500000"));
    QCOMPARE(lines[3], QStringLiteral("필요경비\t64000"));
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
    // A folder that cannot be written to is reported.
    QString error;
    QVERIFY(!f->writePdf(fx_->tempPath() + QStringLiteral("/없는폴더/a.pdf"), &error));
    QVERIFY(!error.isEmpty());
}

void FilingWindowTest::choosingAnEvidenceEntryMovesTheGrid()
{
    Tmainf& w = *fx_->window;
    w.CmGbn->setCurrentIndex(1);  // 수입: the expense would be hidden
    w.CmGbnChange();
    FilingWindow* f = openWindow();
    QVERIFY(f);
    f->tabs->setCurrentIndex(FilingWindow::EvidenceTab);
    f->evidenceTable->setFocus();
    f->evidenceTable->setCurrentCell(1, 0);
    QTest::keyClick(f->evidenceTable, Qt::Key_Return);
    QCOMPARE(w.gCombo->currentText(), QStringLiteral("11"));
    QCOMPARE(w.YerEdit->value(), 2024);
    QCOMPARE(w.CmGbn->currentIndex(), 0);
    QCOMPARE(w.TAcunt.current().IDAY.view(), std::string_view("2024.11.20"));
    QCOMPARE(w.GrdAcunt->currentIndex().row(), w.TAcunt.recNo());
    QVERIFY(f->isVisible());  // the window stays for the next entry
    // The other entry, in February, with a double-click.
    const QRect cell = f->evidenceTable->visualItemRect(f->evidenceTable->item(0, 1));
    QTest::mouseClick(f->evidenceTable->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(f->evidenceTable->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(w.gCombo->currentText(), QStringLiteral("02"));
    QCOMPARE(w.TAcunt.current().IDAY.view(), std::string_view("2024.02.11"));
    QCOMPARE(w.TAcunt.recordCount(), 1);
}

void FilingWindowTest::noMoveWhileAnEntryIsBeingEdited()
{
    Tmainf& w = *fx_->window;
    w.BtnAppClick();
    QVERIFY(w.editorMode != quill::EditorMode::Idle);
    const QString month = w.gCombo->currentText();
    w.showLedgerRow(0);
    QCOMPARE(w.gCombo->currentText(), month);
    QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).size(), 1);
}

QTEST_MAIN(FilingWindowTest)
#include "tst_filing.moc"
