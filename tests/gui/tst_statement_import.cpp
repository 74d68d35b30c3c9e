// SPDX-License-Identifier: GPL-3.0-or-later
// 가져오기 driven as a user would: the button and Ctrl+I, a dropped file,
// the preview's ticks and edits, booking as one undo step, a new profile
// made from the columns and a rule saved in the configuration.
#include "MainWindowFixture.h"
#include "gui/statement/ImportRowsModel.h"
#include "gui/statement/StatementPreview.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

namespace {

const char* const kCardList =
    "사업용 신용카드 매입내역\n"
    "승인일자,카드번호,승인번호,가맹점명,가맹점사업자번호,공급가액,부가세,봉사료,합계\n"
    "2024-03-05,1234,100,서울주유소,,\"50,000\",\"5,000\",0,\"55,000\"\n"
    "2024-03-07,1234,101,대한문구,,\"9,091\",909,0,\"10,000\"\n"
    "2024-03-09,1234,102,새가게,,100,10,0,110\n"
    "2024-03-10,1234,103,새가게,,abc,10,0,110\n"
    "합계,,,,,\"59,191\",\"5,919\",0,\"65,110\"\n";

} // namespace

class StatementImportTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void previewBooksTickedRowsAsOneUndoStep();
    void unreadableFileIsToldAndDroppedFileOpensThePreview();
    void newProfileFromTheColumnsAndARule();
    void encodingAndSheetAreChosenInThePreview();
    void newProfilesProposeOneRolePerColumnAndTheBankDirection();
    void salesOrPurchasesAskedWhenTheListDoesNotSay();
    void aLargeListIsReadBehindAProgressWindowThatCancels_data();
    void aLargeListIsReadBehindAProgressWindowThatCancels();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    StatementPreview* openWith(const QString& path);
    std::unique_ptr<MainWindowFixture> fx_;
};

void StatementImportTest::init()
{
    fx_ = std::make_unique<MainWindowFixture>();
    QVERIFY(fx_->start());
    quill::LedgerEntry& e = probe(fx_->window).TAcunt().append();
    e.IDAY = "2024.03.05";
    e.JKYU = toCp949(QStringLiteral("주유"));
    e.SANGHO = toCp949(QStringLiteral("서울주유소"));
    e.OTMNY = 50000;
    e.OTVAT = 5000;
    probe(fx_->window).TAcunt().post();
}

void StatementImportTest::cleanup() { fx_.reset(); }

QString StatementImportTest::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = fx_->tempPath() + QLatin1Char('/') + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

StatementPreview* StatementImportTest::openWith(const QString& path)
{
    fx_->dialogs.fileNames.enqueue(path);
    probe(fx_->window).ImportBtn()->click();
    return probe(fx_->window).statementPreview().data();
}

void StatementImportTest::previewBooksTickedRowsAsOneUndoStep()
{
    Tmainf& w = *fx_->window;
    QCOMPARE(probe(w).ImportBtn()->text(), QStringLiteral("가져오기"));
    // The list in CP949, as the tax office sends it.
    StatementPreview* p = openWith(writeFile(QStringLiteral("card.csv"), QByteArray::fromStdString(toCp949(QString::fromUtf8(kCardList)))));
    QVERIFY(p);
    QAbstractItemModelTester tester(p->model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(p->model->rowCount(), 4);
    QCOMPARE(p->plan().profile.name, std::string("홈택스 신용카드 매입"));
    struct Want {
        const char* status;
        Qt::CheckState tick;
    };
    const Want want[] = {{"중복", Qt::Unchecked}, {"새 자료", Qt::Checked}, {"새 자료", Qt::Checked}, {"오류", Qt::Unchecked}};
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(p->model->index(r, ImportRowsModel::Status).data().toString(), QString::fromUtf8(want[r].status));
        QCOMPARE(p->model->index(r, ImportRowsModel::Tick).data(Qt::CheckStateRole).toInt(), int(want[r].tick));
    }
    QVERIFY(p->summary->text().contains(QStringLiteral("가져올 자료 2건")));
    // Changed in place: a description in Hangul, the category, a tick.
    QVERIFY(p->model->setData(p->model->index(1, ImportRowsModel::Description), QStringLiteral("사무용품 구입")));
    QVERIFY(p->model->setData(p->model->index(2, ImportRowsModel::CategoryColumn), QStringLiteral("자산")));
    QVERIFY(!p->model->setData(p->model->index(2, ImportRowsModel::CategoryColumn), QStringLiteral("기타")));
    QVERIFY(!p->model->setData(p->model->index(3, ImportRowsModel::Tick), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(p->model->index(1, ImportRowsModel::ProposedBy).data().toString(), QStringLiteral("직접 고침"));

    p->bookButton->click();
    QTRY_VERIFY(!probe(w).statementPreview());
    QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).last(), QStringLiteral("2건 가져옴, 1건 중복 제외, 1건 오류"));
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));
    QVERIFY(probe(w).book().isModified());
    // The grid stands on the first booked entry.
    QCOMPARE(probe(w).TAcunt().current().IDAY.view(), std::string_view("2024.03.07"));
    QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), probe(w).TAcunt().recNo());
    QCOMPARE(quill::decodeCp949(probe(w).TAcunt().current().JKYU.view()), std::string("사무용품 구입"));
    QCOMPARE(probe(w).TAcunt().current().OTMNY, 9091.0);
    QCOMPARE(probe(w).TAcunt().current().OTVAT, 909.0);
    QCOMPARE(quill::decodeCp949(probe(w).TAcunt().current().ETC.view()), std::string("카드"));
    probe(w).TAcunt().next();
    QCOMPARE(probe(w).TAcunt().current().JSMNY, 100.0);

    // One step back takes the whole import, one forward brings it again.
    QVERIFY(probe(w).undoStack()->canUndo());
    probe(w).undoStack()->undo();
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
    probe(w).undoStack()->redo();
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));
    probe(w).undoStack()->undo();
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
    QVERIFY(!probe(w).undoStack()->canUndo());
}

void StatementImportTest::unreadableFileIsToldAndDroppedFileOpensThePreview()
{
    Tmainf& w = *fx_->window;
    QVERIFY(!openWith(fx_->tempPath() + QStringLiteral("/없는파일.csv")));
    QVERIFY(fx_->dialogs.texts(QStringLiteral("info")).last().startsWith(QStringLiteral("파일을 찾을 수 없습니다")));
    const QString binary = writeFile(QStringLiteral("x.csv"), QByteArray("\x01\x00\x02\x00", 4));
    QVERIFY(!w.openStatementPreview(binary));
    QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).last(), QStringLiteral("내역 파일로 읽을 수 없는 형식입니다: ") + binary);
    // Ctrl+I with the file dialog cancelled: nothing opens.
    fx_->dialogs.fileNames.enqueue(QString());
    QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
    QVERIFY(!probe(w).statementPreview());
    QVERIFY(fx_->dialogs.fileNames.isEmpty());

    const QString path = writeFile(QStringLiteral("card.csv"), QByteArray(kCardList));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QTRY_VERIFY(probe(w).statementPreview());
    QCOMPARE(probe(w).statementPreview()->model->rowCount(), 4);
    probe(w).statementPreview()->reject();
    QTRY_VERIFY(!probe(w).statementPreview());
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));   // closed: nothing booked
    // A ledger file dropped is no statement.
    QMimeData ledger;
    ledger.setUrls({QUrl::fromLocalFile(writeFile(QStringLiteral("a.Aut"), QByteArray()))});
    QDragEnterEvent enterLedger(QPoint(300, 300), Qt::CopyAction, &ledger, Qt::LeftButton, Qt::NoModifier);
    enterLedger.ignore();
    QApplication::sendEvent(&w, &enterLedger);
    QVERIFY(!enterLedger.isAccepted());
}

void StatementImportTest::newProfileFromTheColumnsAndARule()
{
    Tmainf& w = *fx_->window;
    StatementPreview* p = openWith(writeFile(QStringLiteral("우리카드.csv"),
                                             "이용일;이용하신 곳;이용금액;비고\n2024.06.01;GS주유소;11000;\n"
                                             "2024.06.02;카페;5500;\n"));
    QVERIFY(p);
    QCOMPARE(p->model->rowCount(), 0);
    QVERIFY(!p->mappingPanel->isHidden());
    QVERIFY(!p->bookButton->isEnabled());
    QCOMPARE(p->mappingTable->columnCount(), 4);
    // The guesses from the headers, one corrected by hand.
    auto role = [p](int c) { return qobject_cast<QComboBox*>(p->mappingTable->cellWidget(1, c)); };
    QCOMPARE(role(0)->currentText(), QStringLiteral("날짜"));
    QCOMPARE(role(2)->currentText(), QStringLiteral("금액(합계)"));
    role(1)->setCurrentText(QStringLiteral("거래처"));
    p->profileName->setText(QStringLiteral("우리카드"));
    p->profileRemark->setText(QStringLiteral("카드"));
    p->profileVat->setChecked(true);
    p->saveProfileButton->click();
    QVERIFY(p->mappingPanel->isHidden());
    QCOMPARE(p->model->rowCount(), 2);
    QCOMPARE(p->rows()[0].amount, 10000.0);
    QCOMPARE(p->rows()[0].vat, 1000.0);
    QCOMPARE(p->profileBox->currentText(), QStringLiteral("우리카드"));
    QCOMPARE(quill::ReadSavedProfiles(w.configPath().toStdString()).size(), std::size_t(1));

    // A rule from the current row, applied at once and kept.
    p->view->setCurrentIndex(p->model->index(0, ImportRowsModel::Description));
    QCOMPARE(p->ruleWord->text(), QStringLiteral("GS주유소"));
    p->ruleWord->setText(QStringLiteral("주유"));
    p->ruleDescription->setText(QStringLiteral("차량유지비"));
    p->saveRuleButton->click();
    QCOMPARE(p->rows()[0].description, std::string("차량유지비"));
    QCOMPARE(p->model->index(0, ImportRowsModel::ProposedBy).data().toString(),
             QStringLiteral("규칙: 거래처에 '주유' 포함 → 비용, 차량유지비, 카드"));
    QCOMPARE(p->rows()[1].description, std::string("카페"));
    QCOMPARE(quill::ReadImportRules(w.configPath().toStdString()).size(), std::size_t(1));
    p->reject();
}

void StatementImportTest::encodingAndSheetAreChosenInThePreview()
{
    Tmainf& w = *fx_->window;
    // CP949 with one broken byte in a note: the guess is CP949, but unsure.
    const QByteArray list = QByteArray::fromStdString(toCp949(QString::fromUtf8(kCardList))) + "\xFF note\n";
    StatementPreview* p = openWith(writeFile(QStringLiteral("broken.csv"), list));
    QVERIFY(p);
    QVERIFY(!p->encodingBox->isHidden());
    QCOMPARE(p->encodingBox->currentText(), QStringLiteral("CP949 (완성형)"));
    QCOMPARE(p->model->rowCount(), 4);
    p->encodingBox->setCurrentIndex(p->encodingBox->findText(QStringLiteral("UTF-8")));
    QCOMPARE(p->model->rowCount(), 0);               // no header readable as UTF-8
    QVERIFY(!p->bookButton->isEnabled());
    p->encodingBox->setCurrentIndex(p->encodingBox->findText(QStringLiteral("CP949 (완성형)")));
    QCOMPARE(p->model->rowCount(), 4);
    QVERIFY(p->sheetBox->isHidden());                // one sheet: no choice to make
    p->reject();
    QTRY_VERIFY(!probe(w).statementPreview());

    // A workbook of two sheets, the list on the second.
    StatementPreview::Setup setup;
    setup.path = fx_->tempPath() + QStringLiteral("/book.xlsx");
    setup.book.sheets.resize(1);
    setup.book.sheets[0].name = "표지";
    setup.book.sheets[0].rows = {{{quill::StatementCell::Kind::Text, "카드 이용내역", 0}}};
    quill::StatementSheet list2 = quill::ReadDelimitedStatement(kCardList, {}).book.sheets.at(0);
    list2.name = "내역";
    setup.book.sheets.push_back(list2);
    setup.table = &probe(w).TAcunt();
    setup.dialogs = &fx_->dialogs;
    setup.configPath = w.configPath();
    // It opens on the sheet a profile reads; the first sheet shows its own
    // columns to give meanings to, and going back takes that panel away.
    StatementPreview preview(std::move(setup));
    QVERIFY(!preview.sheetBox->isHidden());
    QCOMPARE(preview.sheetBox->currentIndex(), 1);
    QCOMPARE(preview.model->rowCount(), 4);
    QCOMPARE(preview.rows()[0].status, quill::ImportStatus::Duplicate);
    QVERIFY(preview.mappingPanel->isHidden());
    preview.sheetBox->setCurrentIndex(0);
    QCOMPARE(preview.model->rowCount(), 0);
    QVERIFY(!preview.mappingPanel->isHidden());
    QCOMPARE(preview.mappingTable->columnCount(), 1);
    QCOMPARE(preview.mappingTable->item(0, 0)->text(), QStringLiteral("카드 이용내역"));
    preview.sheetBox->setCurrentIndex(1);
    QCOMPARE(preview.model->rowCount(), 4);
    QVERIFY(preview.mappingPanel->isHidden());

    // CP949 names that are also valid UTF-8: read as CP949, the choice offered.
    StatementPreview* q = openWith(writeFile(QStringLiteral("short.csv"),
                                             QByteArray::fromStdString(toCp949(QStringLiteral("date,name,amount\n2024-03-05,치킨,1000\n")))));
    QVERIFY(q);
    QVERIFY(!q->encodingBox->isHidden());
    QCOMPARE(q->encodingBox->currentText(), QStringLiteral("CP949 (완성형)"));
    QCOMPARE(q->mappingTable->item(0, 1)->text(), QStringLiteral("name"));
    q->reject();
    QTRY_VERIFY(!probe(w).statementPreview());
}

void StatementImportTest::newProfilesProposeOneRolePerColumnAndTheBankDirection()
{
    Tmainf& w = *fx_->window;
    // The tax office's card list: the shipped profile reads it. A profile
    // made from it proposes each meaning once.
    const QByteArray hometax =
        "승인일자,카드번호,승인번호,가맹점사업자번호,가맹점명,가맹점유형,공급가액,부가세,봉사료,합계,공제여부(결정)\n"
        "2024-03-07,1234,101,234-56-78901,대한문구,일반,\"9,091\",909,0,\"10,000\",공제\n";
    StatementPreview* p = openWith(writeFile(QStringLiteral("hometax.csv"), hometax));
    QVERIFY(p);
    QCOMPARE(p->plan().profile.name, std::string("홈택스 신용카드 매입"));
    p->profileBox->setCurrentIndex(p->profileBox->count() - 1);   // 새 틀 만들기…
    QVERIFY(!p->mappingPanel->isHidden());
    auto role = [p](int c) { return qobject_cast<QComboBox*>(p->mappingTable->cellWidget(1, c))->currentText(); };
    const char* const want[] = {"날짜", "카드/계좌번호", "승인번호", "사용 안 함", "거래처", "사용 안 함",
                                "공급가액", "부가세", "봉사료", "금액(합계)", "공제여부"};
    for (int c = 0; c < 11; ++c)
        QCOMPARE(role(c), QString::fromUtf8(want[c]));
    // A meaning chosen again leaves the column that had it.
    qobject_cast<QComboBox*>(p->mappingTable->cellWidget(1, 5))->setCurrentText(QStringLiteral("거래처"));
    QCOMPARE(role(4), QStringLiteral("사용 안 함"));
    qobject_cast<QComboBox*>(p->mappingTable->cellWidget(1, 4))->setCurrentText(QStringLiteral("거래처"));
    QCOMPARE(role(5), QStringLiteral("사용 안 함"));
    // Saved without 봉사료, it knows less than the shipped profile.
    qobject_cast<QComboBox*>(p->mappingTable->cellWidget(1, 8))->setCurrentText(QStringLiteral("사용 안 함"));
    p->profileName->setText(QStringLiteral("내 카드"));
    QVERIFY(p->saveProfile());
    QCOMPARE(p->rows().at(0).counterparty, std::string("대한문구"));
    p->reject();
    QTRY_VERIFY(!probe(w).statementPreview());
    // Later lists go to the shipped profile, which reads them better; the
    // user's is there to choose.
    p = openWith(writeFile(QStringLiteral("hometax2.csv"), hometax));
    QVERIFY(p);
    QCOMPARE(p->plan().profile.name, std::string("홈택스 신용카드 매입"));
    QVERIFY(p->profileBox->findText(QStringLiteral("내 카드")) > 0);
    p->reject();
    QTRY_VERIFY(!probe(w).statementPreview());

    // A bank's list no profile knows: money in and out bound, the category
    // follows the money.
    p = openWith(writeFile(QStringLiteral("bank.csv"), "거래일,입금액,출금액,거래처명\n2024-06-01,\"300,000\",,새봄카페\n"
                                                        "2024-06-02,,\"44,000\",동네마트\n"));
    QVERIFY(p);
    QVERIFY(!p->mappingPanel->isHidden());
    QCOMPARE(p->profileCategory->currentText(), QStringLiteral("입출금에 따름"));
    p->profileName->setText(QStringLiteral("우리 은행"));
    QVERIFY(p->saveProfile());
    QCOMPARE(p->rows().size(), std::size_t(2));
    QCOMPARE(p->rows()[0].category, quill::Category::Income);
    QCOMPARE(p->rows()[0].amount, 300000.0);
    QCOMPARE(p->rows()[1].category, quill::Category::Expense);
    QCOMPARE(p->rows()[1].amount, 44000.0);
    // A profile without a name is refused, under the window's title.
    p->profileBox->setCurrentIndex(p->profileBox->count() - 1);
    p->profileName->setText(QStringLiteral(""));
    QVERIFY(!p->saveProfile());
    QCOMPARE(fx_->dialogs.infoTitles.last(), QStringLiteral("가져오기"));
    p->reject();
}

void StatementImportTest::salesOrPurchasesAskedWhenTheListDoesNotSay()
{
    Tmainf& w = *fx_->window;
    StatementPreview* p = openWith(writeFile(QStringLiteral("invoice.csv"),
                                             "작성일자,승인번호,상호,상호,합계금액,공급가액,세액,품목명\n"
                                             "20240405,1,우리가게,새봄카페,\"110,000\",\"100,000\",\"10,000\",원두\n"));
    QVERIFY(p);
    QVERIFY(p->summary->text().startsWith(QStringLiteral("매입 목록인지 매출 목록인지 알 수 없습니다")));
    QVERIFY(!p->bookButton->isEnabled());
    QVERIFY(p->mappingPanel->isHidden());
    const int sales = p->profileBox->findText(QStringLiteral("홈택스 전자세금계산서 매출"));
    QVERIFY(sales > 0);
    QVERIFY(p->profileBox->findText(QStringLiteral("홈택스 전자세금계산서 매입")) > 0);
    p->profileBox->setCurrentIndex(sales);
    QCOMPARE(p->model->rowCount(), 1);
    QCOMPARE(p->rows()[0].category, quill::Category::Income);
    QCOMPARE(p->rows()[0].counterparty, std::string("새봄카페"));
    QVERIFY(p->bookButton->isEnabled());
    p->bookButton->click();
    QTRY_VERIFY(!probe(w).statementPreview());
    QCOMPARE(fx_->dialogs.infoTitles.last(), QStringLiteral("가져오기"));
    QCOMPARE(fx_->dialogs.texts(QStringLiteral("info")).last(), QStringLiteral("1건 가져옴, 0건 중복 제외, 0건 오류"));
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(2));
}

QTEST_MAIN(StatementImportTest)
#include "tst_statement_import.moc"

void StatementImportTest::aLargeListIsReadBehindAProgressWindowThatCancels_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("read to the end") << false;
    QTest::newRow("cancelled") << true;
}

void StatementImportTest::aLargeListIsReadBehindAProgressWindowThatCancels()
{
    // Some megabytes of a card list: read on a thread of its own while a
    // progress window with 취소 stands over the window, which keeps
    // painting; 취소 ends the read and says nothing more.
    QFETCH(bool, cancel);
    Tmainf& w = *fx_->window;
    QByteArray list = QByteArray(kCardList).left(QByteArray(kCardList).indexOf("2024-03-05"));
    const QByteArray line("2024-03-05,1234,100,서울주유소,,\"50,000\",\"5,000\",0,\"55,000\"\n");
    const int lines = cancel ? 400000 : 40000;
    list.reserve(list.size() + lines * line.size());
    for (int k = 0; k < lines; ++k)
        list += line;
    const QString path = writeFile(QStringLiteral("big.csv"), list);
    bool progressShown = false, windowModal = false;
    QTimer::singleShot(0, this, [&] {
        auto* progress = w.findChild<QProgressDialog*>(QStringLiteral("StatementReadProgress"));
        progressShown = progress && progress->isVisible();
        windowModal = progress && progress->windowModality() != Qt::NonModal;
        // 취소 as a user presses it.
        if (progress && cancel)
            if (auto* button = progress->findChild<QPushButton*>())
                button->click();
    });
    const int infosBefore = int(fx_->dialogs.texts(QStringLiteral("info")).size());
    const bool opened = w.openStatementPreview(path);
    QVERIFY(progressShown);
    QVERIFY(windowModal);
    QVERIFY(!w.findChild<QProgressDialog*>(QStringLiteral("StatementReadProgress")));  // gone afterwards
    QCOMPARE(opened, !cancel);
    QCOMPARE(bool(probe(w).statementPreview()), !cancel);
    QCOMPARE(int(fx_->dialogs.texts(QStringLiteral("info")).size()), infosBefore);
    if (probe(w).statementPreview()) {
        QCOMPARE(probe(w).statementPreview()->model->rowCount(), lines);
        probe(w).statementPreview()->reject();
        QTRY_VERIFY(!probe(w).statementPreview());
    }
    QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
}
