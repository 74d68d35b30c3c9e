// SPDX-License-Identifier: GPL-3.0-or-later
// The entry editor inside the main window: the keyboard walks of a new and
// a changed entry, confirm and its refusals, cancel, delete and the mirror
// of the current row.
#include "MainWindowFixture.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"

#include <QApplication>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

namespace {

// Keys go where a person's keys go: to the widget with the focus.
void press(Qt::Key key)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "nothing has the focus");
    QTest::keyClick(target, key);
}

// Types text as an input method hands it over, one character per key.
void type(const QString& s)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "nothing has the focus");
    for (QChar c : s) {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

template <std::size_t N>
QString text(const quill::FixedText<N>& field)
{
    return QString::fromStdString(quill::decodeCp949(field.str()));
}

// Three entries of March 2009 and one of 2008, shown under the year 2009.
void prepareLedger(MainWindowFixture& f)
{
    probe(f.window).TAcunt().disableControls();
    f.addEntry("2008.11.02", "작년 판매", 300, 30);
    f.addEntry("2009.03.01", "판매", 1000, 100);
    f.addEntry("2009.03.05", "사무용품", 0, 0, 2000, 200);
    f.addEntry("2009.03.09", "기계", 0, 0, 0, 0, 50000, 5000);
    probe(f.window).TAcunt().enableControls();
    f.window->CmGbnChange();
}

QString total(const Tmainf& w, int i) { return probe(w).Bmxsm()[i]->text().trimmed(); }

} // namespace

class TestEditorCommands : public QObject {
    Q_OBJECT

private slots:
    void keyboardWalkAddsAnEntry_data()
    {
        QTest::addColumn<QList<int>>("arrows");  // keys on the category buttons
        QTest::addColumn<int>("pair");           // 0 income, 2 expense, 4 asset
        QTest::addColumn<QString>("shown");      // the button selected afterwards
        QTest::newRow("no choice is an expense") << QList<int>{} << 2 << "RadioB";
        QTest::newRow("right chooses expense") << QList<int>{Qt::Key_Right} << 2 << "RadioB";
        QTest::newRow("left chooses asset") << QList<int>{Qt::Key_Left} << 4 << "RadioC";
        QTest::newRow("right then left is income") << QList<int>{Qt::Key_Right, Qt::Key_Left} << 0 << "RadioA";
    }
    void keyboardWalkAddsAnEntry()
    {
        QFETCH(QList<int>, arrows);
        QFETCH(int, pair);
        QFETCH(QString, shown);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(probe(w).GrdAcunt()));

        press(Qt::Key_F2);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
        QVERIFY(p.isEnabled() && p.mOk->isEnabled() && !p.mOk->autoRaise());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.IDAYEdt));
        QCOMPARE(p.IDAYEdt->dateText(), QStringLiteral("2009.05.15"));  // filter's year, today
        press(Qt::Key_Home);
        type(QStringLiteral("20090302"));
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.JKYUEdt));
        type(QStringLiteral("복사 용지"));
        press(Qt::Key_Return);
        type(QStringLiteral("알파문구"));
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.RadioA));
        for (int key : arrows)
            press(Qt::Key(key));
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.mTmnyEdt));
        type(QStringLiteral("500"));
        press(Qt::Key_Return);
        QCOMPARE(p.mTvatEdt->value(), 50.0);  // proposed on entering
        QCOMPARE(p.mTotmy->value(), 550.0);
        press(Qt::Key_Return);
        QCOMPARE(p.EtcCmb->text(), QStringLiteral("세계"));
        QVERIFY(!probe(w).book().isModified());
        press(Qt::Key_Return);  // confirms

        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!p.isEnabled() && !p.mOk->isEnabled() && p.mOk->autoRaise());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(probe(w).GrdAcunt()));
        QVERIFY(probe(w).book().isModified());
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(probe(w).TAcunt().recordCount(), 1);
        const quill::LedgerEntry& e = probe(w).TAcunt().current();
        QCOMPARE(text(e.IDAY), QStringLiteral("2009.03.02"));
        QCOMPARE(text(e.JKYU), QStringLiteral("복사 용지"));
        QCOMPARE(text(e.SANGHO), QStringLiteral("알파문구"));
        QCOMPARE(text(e.ETC), QStringLiteral("세계"));
        QCOMPARE(text(e.TAG), QStringLiteral("N"));
        QCOMPARE(e.CTG, 0);
        const double money[6] = {e.INMNY, e.INVAT, e.OTMNY, e.OTVAT, e.JSMNY, e.JSVAT};
        for (int i = 0; i < 6; ++i) {
            const double expected = i == pair ? 500 : i == pair + 1 ? 50 : 0;
            QCOMPARE(money[i], expected);
            QCOMPARE(total(w, i), expected == 0 ? QStringLiteral("0") : QString::number(expected));
        }
        QCOMPARE(probe(w).CntLbe()->text().trimmed(), QStringLiteral("1건"));
        QVERIFY(p.findChild<QRadioButton*>(shown)->isChecked());
        QCOMPARE(probe(w).gridModel()->rowCount(), 1);
    }

    void editWalkChangesTheRowInPlace()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        probe(w).TAcunt().moveTo(1);  // 사무용품, an expense
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Editing);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.JKYUEdt));
        QCOMPARE(p.JKYUEdt->cursorPosition(), p.JKYUEdt->text().size());
        QVERIFY(p.RadioB->isChecked());
        QCOMPARE(p.mTmnyEdt->value(), 2000.0);
        type(QStringLiteral(" 외"));
        for (int i = 0; i < 5; ++i)  // counterparty, category, amount, VAT, remark
            press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.EtcCmb));
        QCOMPARE(p.EtcCmb->text(), QString());  // never proposed while changing
        press(Qt::Key_Return);

        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QCOMPARE(probe(w).TAcunt().recordCount(), 3);
        QCOMPARE(text(probe(w).TAcunt().visibleRow(1).JKYU), QStringLiteral("사무용품 외"));
        QCOMPARE(probe(w).TAcunt().visibleRow(1).OTMNY, 2000.0);
        QCOMPARE(text(probe(w).TAcunt().visibleRow(1).ETC), QString());
        QVERIFY(probe(w).book().isModified());
    }

    void editWalkKeepsAVatOfZeroUnlessTheAmountChanges_data()
    {
        QTest::addColumn<QString>("amountTyped");  // typed over the amount; empty: left alone
        QTest::addColumn<double>("amount");
        QTest::addColumn<double>("vat");
        QTest::newRow("nothing changed") << QString() << 900000.0 << 0.0;
        QTest::newRow("amount changed") << QStringLiteral("950000") << 950000.0 << 95000.0;
    }
    void editWalkKeepsAVatOfZeroUnlessTheAmountChanges()
    {
        QFETCH(QString, amountTyped);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        probe(w).TAcunt().disableControls();
        f.addEntry("2009.03.25", "월세", 0, 0, 900000, 0);
        probe(w).TAcunt().enableControls();
        w.CmGbnChange();
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_F3);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Editing);
        for (int i = 0; i < 3; ++i)  // description, counterparty, category: on to the amount
            press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.mTmnyEdt));
        if (!amountTyped.isEmpty()) {
            p.mTmnyEdt->selectAll();
            type(amountTyped);
        }
        press(Qt::Key_Return);  // into the VAT field
        press(Qt::Key_Return);  // into the remark box
        press(Qt::Key_Return);  // confirm
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QFETCH(double, amount);
        QFETCH(double, vat);
        QCOMPARE(probe(w).TAcunt().visibleRow(0).OTMNY, amount);
        QCOMPARE(probe(w).TAcunt().visibleRow(0).OTVAT, vat);
    }

    void changingTheAmountKeepsTextsCp949CannotDecode_data()
    {
        QTest::addColumn<int>("field");  // 0 description, 1 counterparty, 2 remark
        QTest::newRow("description") << 0;
        QTest::newRow("counterparty") << 1;
        QTest::newRow("remark") << 2;
    }
    void changingTheAmountKeepsTextsCp949CannotDecode()
    {
        // A text cut inside a syllable by another program: a lone lead byte.
        QFETCH(int, field);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        f.addEntry("2009.03.01", "판매", 0, 0, 1000, 100);
        const std::string cut = toCp949(QStringLiteral("가나다")) + std::string("\xB0", 1);
        quill::LedgerEntry& e = probe(w).TAcunt().edit();
        if (field == 0)
            e.JKYU = cut;
        else if (field == 1)
            e.SANGHO = cut;
        else
            e.ETC = cut;
        probe(w).TAcunt().post();
        w.CmGbnChange();

        w.BtnEdtClick();
        p.mTmnyEdt->setFocus();
        p.mTmnyEdt->selectAll();
        type(QStringLiteral("2000"));
        QTest::mouseClick(p.mOk, Qt::LeftButton);

        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        const quill::LedgerEntry& stored = probe(w).TAcunt().current();
        QCOMPARE(stored.OTMNY, 2000.0);
        const std::string kept = field == 0 ? stored.JKYU.str() : field == 1 ? stored.SANGHO.str() : stored.ETC.str();
        QCOMPARE(QByteArray::fromStdString(kept).toHex(), QByteArray::fromStdString(cut).toHex());
        // Texts that were edited are taken as typed.
        w.BtnEdtClick();
        QLineEdit* edited = field == 0 ? p.JKYUEdt : field == 1 ? p.SANGHOEdt : static_cast<QLineEdit*>(p.EtcCmb);
        edited->setText(QStringLiteral("새 글"));
        QTest::mouseClick(p.mOk, Qt::LeftButton);
        const quill::LedgerEntry& changed = probe(w).TAcunt().current();
        const QString now = field == 0 ? text(changed.JKYU) : field == 1 ? text(changed.SANGHO) : text(changed.ETC);
        QCOMPARE(now, QStringLiteral("새 글"));
    }

    void confirmWritesIntoTheEntryBeingEditedAfterTheGridMoved()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        probe(w).TAcunt().moveTo(0);
        w.BtnEdtClick();
        probe(w).TAcunt().moveTo(2);  // the grid stays usable while editing
        QCOMPARE(p.JKYUEdt->text(), QStringLiteral("판매"));  // no mirror now
        p.JKYUEdt->setText(QStringLiteral("판매 수정"));
        QTest::mouseClick(p.mOk, Qt::LeftButton);
        QCOMPARE(text(probe(w).TAcunt().visibleRow(0).JKYU), QStringLiteral("판매 수정"));
        QCOMPARE(text(probe(w).TAcunt().visibleRow(2).JKYU), QStringLiteral("기계"));
        QCOMPARE(probe(w).TAcunt().visibleRow(2).JSMNY, 50000.0);
    }

    void confirmRefusesIncompleteInput_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("description");
        QTest::addColumn<double>("amount");
        QTest::addColumn<double>("vat");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no description") << "2009.03.02" << "" << 100.0 << 0.0 << "거래내용이 입력되지 않았습니다."
                                        << "JKYUEdt";
        QTest::newRow("blanks only") << "2009.03.02" << "   " << 100.0 << 0.0 << "거래내용이 입력되지 않았습니다."
                                     << "JKYUEdt";
        QTest::newRow("total of zero") << "2009.03.02" << "환불" << 1000.0 << -1000.0
                                       << "거래금액이 입력되지 않았습니다." << "mTmnyEdt";
        QTest::newRow("date of some digits") << "2009.0 .  " << "판매" << 100.0 << 0.0
                                             << "날짜입력 형식이 틀렸습니다. 예)2006.05.27" << "IDAYEdt";
    }
    void confirmRefusesIncompleteInput()
    {
        QFETCH(QString, date);
        QFETCH(QString, description);
        QFETCH(double, amount);
        QFETCH(double, vat);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        w.BtnAppClick();
        p.IDAYEdt->setDateText(date);
        p.JKYUEdt->setText(description);
        p.mTmnyEdt->setValue(amount);
        p.mTvatEdt->setValue(vat);
        QTest::mouseClick(p.mOk, Qt::LeftButton);
        QCOMPARE(f.dialogs.texts("info"), QStringList{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
        QVERIFY(p.isEnabled());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(0));
        QVERIFY(!probe(w).book().isModified());
    }

    void anEmptyDateIsStoredButLeavesTheFilteredGrid()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        w.BtnAppClick();
        p.IDAYEdt->setDateText(QString());
        p.JKYUEdt->setText(QStringLiteral("날짜 없음"));
        p.mTmnyEdt->setValue(10);
        w.mOkClick();
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
        QCOMPARE(text(probe(w).TAcunt().row(0).IDAY), QStringLiteral("    .  .  "));
        QCOMPARE(probe(w).gridModel()->rowCount(), 0);
        QCOMPARE(probe(w).CntLbe()->text().trimmed(), QStringLiteral("0건"));
    }

    void addProposesTheFilterMonth()
    {
        MainWindowFixture f;
        f.clock = QDateTime(QDate(2009, 5, 30), QTime(9, 0));
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        probe(w).YerEdit()->setValue(2011);
        probe(w).gCombo()->setCurrentIndex(probe(w).gCombo()->findText(QStringLiteral("02")));
        w.BtnAppClick();
        QCOMPARE(probe(w).TpPnl3()->IDAYEdt->dateText(), QStringLiteral("2011.02.30"));
        QCOMPARE(probe(w).TpPnl3()->IDAYEdt->cursorPosition(), 10);
    }

    void escapeCancelsAndTheRowShowsAgain()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        probe(w).TAcunt().moveTo(2);
        w.BtnEdtClick();
        type(QStringLiteral("바뀜"));
        p.mTmnyEdt->setFocus();
        press(Qt::Key_Escape);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!p.isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(probe(w).GrdAcunt()));
        QCOMPARE(p.JKYUEdt->text(), QStringLiteral("기계"));
        QCOMPARE(text(probe(w).TAcunt().visibleRow(2).JKYU), QStringLiteral("기계"));
        QVERIFY(!probe(w).book().isModified());
    }

    void cancelWithAnEmptyViewKeepsTheAbandonedInput()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        w.BtnAppClick();
        probe(w).TpPnl3()->JKYUEdt->setText(QStringLiteral("버린 입력"));
        w.mVoideClick();
        QVERIFY(!probe(w).TpPnl3()->isEnabled());
        QCOMPARE(probe(w).TpPnl3()->JKYUEdt->text(), QStringLiteral("버린 입력"));
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(0));
    }

    void mirrorFollowsTheGridOnlyWhileIdle()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        probe(w).TAcunt().moveTo(2);
        QCOMPARE(p.JKYUEdt->text(), QStringLiteral("기계"));
        QVERIFY(p.RadioC->isChecked());
        QCOMPARE(p.mTotmy->value(), 55000.0);
        QCOMPARE(p.IDAYEdt->dateText(), QStringLiteral("2009.03.09"));
        w.BtnAppClick();
        probe(w).TAcunt().moveTo(0);
        QCOMPARE(p.JKYUEdt->text(), QString());
        w.mVoideClick();
        QCOMPARE(p.JKYUEdt->text(), QStringLiteral("판매"));
    }

    void deleteAsksAndRemovesTheCurrentRow_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes deletes") << true;
        QTest::newRow("no keeps") << false;
    }
    void deleteAsksAndRemovesTheCurrentRow()
    {
        QFETCH(bool, yes);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        probe(w).TAcunt().moveTo(1);
        probe(w).GrdAcunt()->setFocus();
        f.dialogs.yesNo.enqueue(yes);
        press(Qt::Key_Delete);
        // No is the default: a stray Enter keeps the entry.
        QCOMPARE(f.dialogs.texts("noyes"), QStringList{QStringLiteral("삭제하시겠습니까??")});
        QCOMPARE(probe(w).TAcunt().recordCount(), yes ? 2 : 3);
        QCOMPARE(probe(w).book().isModified(), yes);
        QCOMPARE(total(w, 2), yes ? QStringLiteral("0") : QStringLiteral("2,000"));
        QCOMPARE(probe(w).CntLbe()->text().trimmed(), yes ? QStringLiteral("2건") : QStringLiteral("3건"));
        if (yes)  // the next row became current and the panel shows it
            QCOMPARE(probe(w).TpPnl3()->JKYUEdt->text(), QStringLiteral("기계"));
    }

    void editAndDeleteOnAnEmptyViewDoNothing()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_Delete);
        press(Qt::Key_F3);
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!probe(w).TpPnl3()->isEnabled());
    }

    void confirmingAnEditOfADeletedEntryKeepsTheInput()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        probe(w).TAcunt().moveTo(0);
        w.BtnEdtClick();
        probe(w).TpPnl3()->JKYUEdt->setText(QStringLiteral("판매 수정"));
        f.dialogs.yesNo.enqueue(true);
        w.BtnDelClick();  // deletes the very entry being changed
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Editing);
        w.mOkClick();
        QCOMPARE(f.dialogs.texts("info").size(), 1);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Editing);
        QCOMPARE(probe(w).TpPnl3()->JKYUEdt->text(), QStringLiteral("판매 수정"));
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));  // 2008's entry and two of 2009, none overwritten
        QCOMPARE(text(probe(w).TAcunt().visibleRow(0).JKYU), QStringLiteral("사무용품"));
    }

    void newWhileAddingReturnsToIdleAndWritesNothingLater()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        w.BtnAppClick();
        w.NewFileClick();  // nothing typed: no question
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!p.mOk->isEnabled());
        QVERIFY(p.isEnabled());  // New leaves the panel's enabled state alone
        w.BtnAppClick();
        p.JKYUEdt->setText(QStringLiteral("미완성"));
        p.mTmnyEdt->setValue(100);
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::No);
        w.NewFileClick();
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QVERIFY(!p.mOk->isEnabled());
        p.EtcCmb->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(0));
        QVERIFY(!probe(w).book().isModified());
    }

    // --- what the input method composes -------------------------------------------

    void theComposedSyllableIsKeptOnAClick_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("field");     // the field's object name
        QTest::addColumn<QString>("typed");     // committed before the click
        QTest::addColumn<QString>("composing"); // still composing at the click
        QTest::addColumn<bool>("throughNew");   // clicked New (and Yes) instead of 확인
        QTest::newRow("remark while adding") << false << "EtcCmb" << "카" << "드" << false;
        QTest::newRow("description while editing") << true << "JKYUEdt" << "서비스료 추" << "가" << false;
        QTest::newRow("counterparty, then New") << false << "SANGHOEdt" << "한국전" << "력" << true;
    }
    void theComposedSyllableIsKeptOnAClick()
    {
        QFETCH(bool, editing);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, composing);
        QFETCH(bool, throughNew);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        if (editing) {
            probe(w).TAcunt().moveTo(1);
            w.BtnEdtClick();
        } else {
            w.BtnAppClick();
            p.JKYUEdt->setText(QStringLiteral("판매"));
            p.mTmnyEdt->setValue(5000);
        }
        auto* edit = p.findChild<QLineEdit*>(field);
        QVERIFY(edit);
        edit->setFocus();
        edit->setText(QString());
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(edit, &commit);
        QInputMethodEvent preedit(composing, {});
        QApplication::sendEvent(edit, &preedit);
        QCOMPARE(edit->text(), typed);  // the composing syllable is not text yet
        const int before = probe(w).TAcunt().recordCount();
        if (throughNew) {
            f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Yes);     // confirm the entry
            f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Cancel);  // but keep the ledger
            QTest::mouseClick(probe(w).NewFile(), Qt::LeftButton);
        } else {
            QTest::mouseClick(p.mOk, Qt::LeftButton);
        }
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        QCOMPARE(probe(w).TAcunt().recordCount(), before + (editing ? 0 : 1));
        const quill::LedgerEntry& e = probe(w).TAcunt().current();
        const QString stored = field == "EtcCmb" ? text(e.ETC) : field == "JKYUEdt" ? text(e.JKYU) : text(e.SANGHO);
        QCOMPARE(stored, typed + composing);
    }

    // --- an entry typed but not confirmed ---------------------------------------------

    void anUnconfirmedEntryIsAskedAbout_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("complete");  // the entry passes confirm
        QTest::addColumn<int>("stored");     // entries afterwards (four before)
        QTest::addColumn<bool>("goesOn");    // the command went on
        const char* commands[] = {"exit", "new", "open", "add"};
        for (const char* c : commands) {
            QTest::addRow("%s, yes", c) << c << int(UserDialogs::Answer::Yes) << true << 5 << true;
            QTest::addRow("%s, yes but refused", c) << c << int(UserDialogs::Answer::Yes) << false << 4 << false;
            QTest::addRow("%s, no", c) << c << int(UserDialogs::Answer::No) << true << 4 << true;
            QTest::addRow("%s, cancel", c) << c << int(UserDialogs::Answer::Cancel) << true << 4 << false;
        }
    }
    void anUnconfirmedEntryIsAskedAbout()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, complete);
        QFETCH(int, stored);
        QFETCH(bool, goesOn);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        prepareLedger(f);
        probe(w).book().setModified(false);
        w.BtnAppClick();
        p.JKYUEdt->setText(QStringLiteral("입력 중"));
        p.mTmnyEdt->setValue(complete ? 700 : 0);
        if (command == "exit")
            f.dialogs.yesNo.enqueue(true);  // 작업을 끝내겠습니까 ??
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer(answer));
        const bool confirmed = answer == int(UserDialogs::Answer::Yes) && complete;
        // Going on after a confirm meets the save prompt: stay there. Add
        // file asks instead to save the untitled ledger first.
        const bool asksSave = confirmed && command != "add";
        if (asksSave)
            f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Cancel);
        const bool reachesDialog = goesOn && !confirmed && command == "open";
        if (reachesDialog)
            f.dialogs.fileNames.enqueue(QString());
        if (command == "exit")
            w.mExit0Click();
        else if (command == "new")
            w.NewFileClick();
        else if (command == "open")
            w.HFileOpenClick();
        else
            w.FileAddClick();

        const QStringList questions = f.dialogs.texts("yesnocancel");
        QVERIFY(!questions.isEmpty());
        QCOMPARE(questions.first(), QStringLiteral("입력 중인 자료가 있습니다. 확인하시겠습니까?"));
        const bool replaced = goesOn && !confirmed && (command == "exit" || command == "new");
        QCOMPARE(int(probe(w).TAcunt().rowCount()), replaced ? 0 : stored);
        QCOMPARE(questions.size(), asksSave ? 2 : 1);
        if (command == "add")
            QCOMPARE(f.dialogs.texts("info").size(), goesOn ? 1 : complete ? 0 : 1);
        const bool stays = !goesOn;
        QCOMPARE(probe(w).editorMode(), stays ? quill::EditorMode::Adding : quill::EditorMode::Idle);
        if (stays)
            QCOMPARE(p.JKYUEdt->text(), QStringLiteral("입력 중"));
        if (command == "exit")
            QCOMPARE(w.isVisible(), !(goesOn && !confirmed));
        QCOMPARE(f.dialogs.texts("open").size(), reachesDialog ? 1 : 0);
    }

    void commandsThatLeaveThePanelAskFirst_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        for (const char* c : {"ctrl+s", "save button", "save as button", "enter in the grid"}) {
            QTest::addRow("%s, yes", c) << c << int(UserDialogs::Answer::Yes);
            QTest::addRow("%s, no", c) << c << int(UserDialogs::Answer::No);
            QTest::addRow("%s, cancel", c) << c << int(UserDialogs::Answer::Cancel);
        }
    }
    void commandsThatLeaveThePanelAskFirst()
    {
        // F2, a date, a description, then a command that takes the focus
        // away: the typed entry is asked about, never silently dropped.
        QFETCH(QString, command);
        QFETCH(int, answer);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        prepareLedger(f);
        w.BtnAppClick();
        p.JKYUEdt->setFocus();
        type(QStringLiteral("제빙기 청소"));
        p.mTmnyEdt->setValue(30000);
        p.JKYUEdt->setFocus();
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer(answer));
        const bool goesOn = answer != int(UserDialogs::Answer::Cancel);
        const QString file = f.tempPath() + "/cafe.Aut";
        const bool saves = command != "enter in the grid";
        if (saves && goesOn)
            f.dialogs.fileNames.enqueue(file);
        if (command == "ctrl+s")
            QTest::keyClick(p.JKYUEdt, Qt::Key_S, Qt::ControlModifier);
        else if (command == "save button")
            QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        else if (command == "save as button")
            QTest::mouseClick(probe(w).RnameBtn(), Qt::LeftButton);
        else {
            probe(w).GrdAcunt()->setFocus();
            QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Return);
        }
        QCOMPARE(f.dialogs.texts("yesnocancel"), QStringList{QStringLiteral("입력 중인 자료가 있습니다. 확인하시겠습니까?")});
        const int rows = answer == int(UserDialogs::Answer::Yes) ? 5 : 4;
        QCOMPARE(int(probe(w).TAcunt().rowCount()), rows);
        if (!goesOn) {
            QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
            QCOMPARE(p.JKYUEdt->text(), QStringLiteral("제빙기 청소"));
            QVERIFY(!QFile::exists(file));
            QVERIFY(f.dialogs.texts("save").isEmpty());
        } else if (saves) {
            QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
            QCOMPARE(QFileInfo(file).size(), qint64(168 * rows));
        } else {
            // The grid's current row is edited once the typed entry is
            // settled: the one just stored, or the one the grid was on.
            QCOMPARE(probe(w).editorMode(), quill::EditorMode::Editing);
            QCOMPARE(p.JKYUEdt->text() == QStringLiteral("제빙기 청소"), rows == 5);
        }
    }

    void nothingTypedIsNotAskedAbout()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        prepareLedger(f);
        probe(w).book().setModified(false);
        probe(w).TAcunt().moveTo(1);
        w.BtnEdtClick();  // opened, nothing changed
        f.dialogs.fileNames.enqueue(QString());
        w.HFileOpenClick();
        QCOMPARE(f.dialogs.texts("yesnocancel").size(), 0);
        QCOMPARE(f.dialogs.texts("open").size(), 1);
    }

    void gridCellsKeepEveryDigitOfLargeAmounts()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2009.04.01", "큰 금액", 123456789, 12345678, 919999999999999, -919999999999999);
        w.CmGbnChange();
        struct Probe : FitTextDelegate {
            using FitTextDelegate::FitTextDelegate;
            using FitTextDelegate::initStyleOption;
        };
        QVERIFY(dynamic_cast<FitTextDelegate*>(probe(w).GrdAcunt()->itemDelegate()));
        Probe styled;
        int checked = 0;
        for (int c = 0; c < probe(w).gridModel()->columnCount(); ++c) {
            const QModelIndex index = probe(w).gridModel()->index(0, c);
            QStyleOptionViewItem option;
            option.initFrom(probe(w).GrdAcunt());
            option.widget = probe(w).GrdAcunt();
            option.font = probe(w).GrdAcunt()->font();
            option.rect = probe(w).GrdAcunt()->visualRect(index);
            styled.initStyleOption(&option, index);
            if (!option.text.contains(QLatin1Char(',')))
                continue;
            ++checked;
            const int margin = probe(w).GrdAcunt()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
            QVERIFY2(QFontMetrics(option.font).horizontalAdvance(option.text) <= option.rect.width() - 2 * margin,
                     qPrintable(option.text + " is cut"));
        }
        QVERIFY(checked >= 4);
    }

    // --- an entry using two pairs ---------------------------------------------------------

    void changingOnlyTheTextsOfATwoPairEntryKeepsBothPairs_data()
    {
        QTest::addColumn<bool>("changeAmount");
        QTest::addColumn<QList<double>>("money");
        QTest::newRow("texts only") << false << QList<double>{1000, 100, 500, 50, 0, 0};
        QTest::newRow("amount changed") << true << QList<double>{0, 0, 1600, 150, 0, 0};
    }
    void changingOnlyTheTextsOfATwoPairEntryKeepsBothPairs()
    {
        QFETCH(bool, changeAmount);
        QFETCH(QList<double>, money);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        f.addEntry("2009.04.01", "두 쌍", 1000, 100, 500, 50);
        w.CmGbnChange();
        probe(w).TAcunt().moveTo(0);
        w.BtnEdtClick();
        QCOMPARE(p.mTmnyEdt->value(), 1500.0);
        QVERIFY(p.RadioB->isChecked());
        p.JKYUEdt->setText(QStringLiteral("두 쌍 수정"));
        if (changeAmount)
            p.mTmnyEdt->setValue(1600);
        QTest::mouseClick(p.mOk, Qt::LeftButton);
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Idle);
        const quill::LedgerEntry& e = probe(w).TAcunt().current();
        QCOMPARE(text(e.JKYU), QStringLiteral("두 쌍 수정"));
        for (int i = 0; i < quill::kMoneyFieldCount; ++i)
            QCOMPARE(quill::moneyValue(e, i), money[i]);
    }
};

QTEST_MAIN(TestEditorCommands)
#include "tst_editor_commands.moc"
