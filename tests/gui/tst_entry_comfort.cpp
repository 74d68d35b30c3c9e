// SPDX-License-Identifier: GPL-3.0-or-later
// The history of the working ledger (undo and redo with Modified and the
// totals), the suggestions of the description and counterparty fields, and
// the find bar, inside the main window.
#include "MainWindowFixture.h"
#include "gui/app/UserDialogs.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/editor/SuggestionPopup.h"
#include "gui/support/KoreanInput.h"
#include "gui/view/FindBar.h"
#include "gui/view/FitLabel.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QUndoStack>

namespace {

QString text(const std::string& cp949) { return QString::fromStdString(quill::decodeCp949(cp949)); }

QString total(const Tmainf& w, int i) { return probe(w).Bmxsm()[i]->text().trimmed(); }

void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "nothing has the focus");
    QTest::keyClick(target, key, mods);
}

void type(const QString& s)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "nothing has the focus");
    for (QChar c : s) {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// An entry through the entry panel's own confirm, as a person adds one.
void addThroughPanel(Tmainf& w, const QString& date, const QString& description, const QString& counterparty,
                     double amount, quill::Category category = quill::Category::Expense,
                     const QString& remark = QString())
{
    w.BtnAppClick();
    EntryPanel& p = *probe(w).TpPnl3();
    p.IDAYEdt->setDateText(date);
    p.JKYUEdt->setProgramText(description);
    p.SANGHOEdt->setProgramText(counterparty);
    p.setCategory(category);
    p.mTmnyEdt->setValue(amount);
    p.EtcCmb->setProgramText(remark);
    w.mOkClick();
}

QStringList descriptions(const Tmainf& w)
{
    QStringList out;
    for (std::size_t i = 0; i < probe(w).TAcunt().rowCount(); ++i)
        out << text(probe(w).TAcunt().row(i).JKYU.str());
    return out;
}

// A saved ledger with three entries, open in the window.
QString openSavedLedger(MainWindowFixture& f, const QString& name = QStringLiteral("shop.Aut"))
{
    Tmainf& w = *f.window;
    addThroughPanel(w, "2009.03.01", "판매", "서울상회", 100, quill::Category::Income);
    addThroughPanel(w, "2009.03.05", "사무용품", "서울상회", 200);
    addThroughPanel(w, "2009.03.09", "식대", "부산식당", 300);
    const QString path = f.tempPath() + QLatin1Char('/') + name;
    f.dialogs.fileNames.enqueue(path);
    w.SaveBtnClick();
    // The wait window of the save had the keyboard for a moment.
    w.activateWindow();
    QTest::qWaitFor([&w] { return w.isActiveWindow(); });
    return path;
}

} // namespace

class TestEntryComfort : public QObject {
    Q_OBJECT

private slots:
    void undoAndRedoOfEachKindOfChange()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(!probe(w).undoStack()->canUndo());
        addThroughPanel(w, "2009.03.05", "사무용품", "서울상회", 200);
        addThroughPanel(w, "2009.03.01", "판매", "서울상회", 100, quill::Category::Income, "영");
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(total(w, 0), QStringLiteral("100"));
        const quill::LedgerEntry sale = probe(w).TAcunt().row(0);

        // Changed: date, text and category; undo puts every byte back.
        probe(w).TAcunt().moveTo(0);
        w.BtnEdtClick();
        probe(w).TpPnl3()->IDAYEdt->setDateText("2009.04.01");
        probe(w).TpPnl3()->JKYUEdt->setProgramText("반품");
        probe(w).TpPnl3()->setCategory(quill::Category::Expense);
        w.mOkClick();
        QCOMPARE(descriptions(w), (QStringList{"사무용품", "반품"}));
        QCOMPARE(total(w, 0), QStringLiteral("0"));
        QCOMPARE(total(w, 2), QStringLiteral("300"));
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(descriptions(w), (QStringList{"판매", "사무용품"}));
        QVERIFY(probe(w).TAcunt().row(0) == sale);
        QCOMPARE(probe(w).TAcunt().recNo(), 0);  // the grid is on the restored entry
        QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 0);
        QCOMPARE(total(w, 0), QStringLiteral("100"));
        QCOMPARE(total(w, 2), QStringLiteral("200"));
        press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(descriptions(w), (QStringList{"사무용품", "반품"}));
        QCOMPARE(total(w, 2), QStringLiteral("300"));
        press(Qt::Key_Z, Qt::ControlModifier);

        // Deleted.
        probe(w).TAcunt().moveTo(1);
        f.dialogs.yesNo.enqueue(true);
        w.BtnDelClick();
        QCOMPARE(descriptions(w), QStringList{"판매"});
        QCOMPARE(total(w, 2), QStringLiteral("0"));
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(descriptions(w), (QStringList{"판매", "사무용품"}));
        QCOMPARE(probe(w).TAcunt().recNo(), 1);
        QCOMPARE(total(w, 2), QStringLiteral("200"));
        press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(descriptions(w), QStringList{"판매"});

        // Added: undone back to the empty start, Modified clears.
        press(Qt::Key_Z, Qt::ControlModifier);
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
        QVERIFY(probe(w).book().isModified());
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(0));
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(probe(w).CntLbe()->text().trimmed(), QStringLiteral("0건"));
        press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(total(w, 2), QStringLiteral("200"));
        QCOMPARE(f.dialogs.texts("error"), QStringList{});  // every step applied
    }

    void undoAcrossASave()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        openSavedLedger(f);
        QVERIFY(!probe(w).book().isModified());
        addThroughPanel(w, "2009.03.10", "추가", "갑", 50);
        QVERIFY(probe(w).book().isModified());
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_Z, Qt::ControlModifier);  // back to what is saved
        QVERIFY(!probe(w).book().isModified());
        press(Qt::Key_Z, Qt::ControlModifier);  // before the save
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(descriptions(w), (QStringList{"판매", "사무용품"}));
        press(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));
    }

    void newAndOpenEmptyTheHistory()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString path = openSavedLedger(f);
        addThroughPanel(w, "2009.03.10", "추가", "갑", 50);
        QVERIFY(probe(w).undoStack()->canUndo());
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::No);
        f.dialogs.fileNames.enqueue(path);
        w.HFileOpenClick();
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));
        QVERIFY(!probe(w).undoStack()->canUndo());
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(3));
        QVERIFY(!probe(w).book().isModified());

        addThroughPanel(w, "2009.03.10", "추가", "갑", 50);
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::No);
        w.NewFileClick();
        QVERIFY(!probe(w).undoStack()->canUndo());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(0));
        // The suggestions are the new ledger's too.
        w.BtnAppClick();
        probe(w).TpPnl3()->SANGHOEdt->setFocus();
        type("서");
        QVERIFY(!probe(w).SANGHOSuggest()->isOpen());
    }

    void addFileIsOneStep()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const QString other = openSavedLedger(f, "other.Aut");
        f.dialogs.fileNames.enqueue(other);
        w.FileAddClick();
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(6));
        QVERIFY(probe(w).book().isModified());
        QCOMPARE(total(w, 2), QStringLiteral("1,000"));
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(descriptions(w), (QStringList{"판매", "사무용품", "식대"}));
        QVERIFY(!probe(w).book().isModified());
        QCOMPARE(total(w, 2), QStringLiteral("500"));
        press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(6));
        QVERIFY(probe(w).book().isModified());
    }

    void ctrlZInAnOpenEntryIsTheFieldsOwn()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.05", "사무용품", "서울상회", 200);
        w.BtnAppClick();
        probe(w).TpPnl3()->JKYUEdt->setFocus();
        type("abc");
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(probe(w).TpPnl3()->JKYUEdt->text(), QString());
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
        // On a category button, too, the ledger is left alone.
        probe(w).TpPnl3()->RadioA->setFocus();
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(probe(w).TAcunt().rowCount(), std::size_t(1));
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
    }

    void suggestionsByPrefixAndInitials()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.01", "판매", "서울식당", 10);
        addThroughPanel(w, "2009.03.02", "판매", "서울상회", 10);
        addThroughPanel(w, "2009.03.03", "판매", "서울상회", 10);
        addThroughPanel(w, "2009.03.04", "판매", "성우전자", 10);
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.SANGHOEdt->setFocus();
        type("서울");
        QVERIFY(probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(probe(w).SANGHOSuggest()->texts(), (QStringList{"서울상회", "서울식당"}));
        p.SANGHOEdt->clear();
        type("ㅅㅇ");
        // Most used first, then the most recent.
        QCOMPARE(probe(w).SANGHOSuggest()->texts(), (QStringList{"서울상회", "성우전자", "서울식당"}));
        // Esc closes the list only; the entry stays open.
        press(Qt::Key_Escape);
        QVERIFY(!probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
        QVERIFY(f.dialogs.shown.isEmpty());
        type("ㅈ");
        QCOMPARE(probe(w).SANGHOSuggest()->texts(), QStringList{"성우전자"});
        // Enter with nothing chosen walks on as before.
        press(Qt::Key_Return);
        QVERIFY(!probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.RadioA));
    }

    void enterAcceptsThenTheWalkGoesOn()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.01", "사무용품 구입", "서울상회", 10);
        addThroughPanel(w, "2009.03.02", "사무실 임대", "서울상회", 10);
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.JKYUEdt->setFocus();
        type("사무");
        QCOMPARE(probe(w).JKYUSuggest()->texts(), (QStringList{"사무실 임대", "사무용품 구입"}));
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        press(Qt::Key_Up);
        QCOMPARE(probe(w).JKYUSuggest()->chosen(), 0);
        press(Qt::Key_Down);
        press(Qt::Key_Return);  // only accepts
        QCOMPARE(p.JKYUEdt->text(), QStringLiteral("사무용품 구입"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.JKYUEdt));
        QVERIFY(!probe(w).JKYUSuggest()->isOpen());
        press(Qt::Key_Return);  // walks on
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.SANGHOEdt));
        // A click accepts as well.
        type("ㅅ");
        QVERIFY(probe(w).SANGHOSuggest()->isOpen());
        QListView* list = probe(w).SANGHOSuggest()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울상회"));
        QCOMPARE(p.input().SANGHO, toCp949("서울상회"));
    }

    void theComposingSyllableCountsAndTheChoiceSurvivesItsCommit()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.01", "판매", "서울상회", 10);
        addThroughPanel(w, "2009.03.02", "판매", "서우기획", 10);
        addThroughPanel(w, "2009.03.03", "판매", "서우기획", 10);
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.SANGHOEdt->setFocus();
        type("서");
        // The input method composes "우" (it may yet become "울").
        QInputMethodEvent composing(QStringLiteral("우"), {});
        QApplication::sendEvent(p.SANGHOEdt, &composing);
        QTRY_VERIFY(probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(probe(w).SANGHOSuggest()->texts(), (QStringList{"서우기획", "서울상회"}));
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        // The arrow key made the input method finish the syllable first.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("우"));
        QApplication::sendEvent(p.SANGHOEdt, &commit);
        QCoreApplication::processEvents();
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서우"));
        QCOMPARE(probe(w).SANGHOSuggest()->chosen(), 1);
        press(Qt::Key_Return);
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울상회"));

        // A click while "우" is still composed: the syllable the input
        // method hands over late does not land after the accepted text.
        p.SANGHOEdt->clear();
        type("서");
        QApplication::sendEvent(p.SANGHOEdt, &composing);
        QTRY_VERIFY(probe(w).SANGHOSuggest()->isOpen());
        QListView* list = probe(w).SANGHOSuggest()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
        QApplication::sendEvent(p.SANGHOEdt, &commit);
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울상회"));
        type("x");  // typing goes on as usual afterwards
        QApplication::sendEvent(p.SANGHOEdt, &commit);
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울상회x우"));
    }

    void enterTakesWhatTheFieldShows_data()
    {
        QTest::addColumn<QString>("typed");     // typed as keys
        QTest::addColumn<QString>("composed");  // then composed and committed by the Enter
        QTest::addColumn<QString>("then");      // more keys before Enter ("\b" is Backspace)
        QTest::addColumn<QString>("shown");     // the field before Enter
        QTest::addColumn<QString>("kept");      // the field after Enter
        QTest::newRow("the completion is taken") << "신한" << "" << "" << "신한카드" << "신한카드";
        // The user never saw a completion of what Enter finished.
        QTest::newRow("a syllable Enter finished") << "신" << "한" << "" << "신" << "신한";
        QTest::newRow("a letter replaces it") << "신한" << "" << "은" << "신한은" << "신한은";
        QTest::newRow("Backspace removes it") << "신한" << "" << "\b" << "신한" << "신한";
        QTest::newRow("initials complete nothing") << "ㅅㅎ" << "" << "" << "ㅅㅎ" << "ㅅㅎ";
    }
    void enterTakesWhatTheFieldShows()
    {
        // The first suggestion's remaining letters stand selected in the
        // field: Enter takes what the user sees, and walks on.
        QFETCH(QString, typed);
        QFETCH(QString, composed);
        QFETCH(QString, then);
        QFETCH(QString, shown);
        QFETCH(QString, kept);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.01", "신한카드 수수료", "신한카드", 10);
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.SANGHOEdt->setFocus();
        type(typed);
        QCoreApplication::processEvents();
        if (!composed.isEmpty()) {
            QInputMethodEvent composing(composed, {});
            QApplication::sendEvent(p.SANGHOEdt, &composing);
            QCoreApplication::processEvents();
        }
        for (QChar c : then) {
            if (c == QLatin1Char('\b'))
                press(Qt::Key_Backspace);
            else
                type(QString(c));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(p.SANGHOEdt->text(), shown == "신한" && then.isEmpty() && composed.isEmpty() ? "신한카드" : shown);
        if (shown == "신한카드")
            QCOMPARE(p.SANGHOEdt->selectedText(), QStringLiteral("카드"));
        if (!composed.isEmpty()) {
            // Enter makes the input method finish the syllable just before
            // the key itself arrives.
            QInputMethodEvent commit;
            commit.setCommitString(composed);
            QApplication::sendEvent(p.SANGHOEdt, &commit);
        }
        press(Qt::Key_Return);
        QCOMPARE(p.SANGHOEdt->text(), kept);
        QCOMPARE(p.input().SANGHO, toCp949(kept));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.RadioA));
        QVERIFY(!probe(w).SANGHOSuggest()->isOpen());
    }

    void aTextInUseAsTypedIsKept_data()
    {
        QTest::addColumn<bool>("counterparty");  // else the description
        QTest::addColumn<QString>("typed");      // typed as keys
        QTest::addColumn<QString>("composed");   // then composed, finished by the Enter
        QTest::addColumn<QString>("kept");
        QTest::newRow("counterparty typed in full") << true << "다이소" << "" << "다이소";
        QTest::newRow("counterparty, last syllable composed") << true << "다이" << "소" << "다이소";
        QTest::newRow("description typed in full") << false << "우유" << "" << "우유";
        QTest::newRow("description, last syllable composed") << false << "우" << "유" << "우유";
    }
    void aTextInUseAsTypedIsKept()
    {
        QFETCH(bool, counterparty);
        QFETCH(QString, typed);
        QFETCH(QString, composed);
        QFETCH(QString, kept);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        // The longer texts are used more often and more lately: they come first.
        addThroughPanel(w, "2009.03.01", "우유", "다이소", 10);
        for (const char* day : {"2009.03.02", "2009.03.03"})
            addThroughPanel(w, day, "우유 구입", "다이소 양재점", 20, quill::Category::Asset, "카드");
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        LimitedTextEdit* field = counterparty ? p.SANGHOEdt : p.JKYUEdt;
        field->setFocus();
        type(typed);
        QCoreApplication::processEvents();
        if (!composed.isEmpty()) {
            QInputMethodEvent composing(composed, {});
            QApplication::sendEvent(field, &composing);
            QCoreApplication::processEvents();
            QInputMethodEvent commit;
            commit.setCommitString(composed);
            QApplication::sendEvent(field, &commit);
        }
        QTest::qWait(20);
        QCOMPARE(field->text(), kept);
        QVERIFY(!field->hasSelectedText());
        press(Qt::Key_Return);
        QCOMPARE(field->text(), kept);
        // Nothing of the longer name's entry came along.
        QCOMPARE(p.category(), quill::Category::None);
        QCOMPARE(p.EtcCmb->text(), QString());
    }

    void koreanFieldsAskForKoreanAndShowLatin()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        EntryPanel& p = *probe(w).TpPnl3();
        // Every field where Korean is typed asks on entry; the date and the
        // amounts do not.
        QVERIFY(korean_input::asksOnEntry(p.JKYUEdt));
        QVERIFY(korean_input::asksOnEntry(p.SANGHOEdt));
        QVERIFY(korean_input::asksOnEntry(probe(w).findBar()->edit()));
        QVERIFY(!korean_input::asksOnEntry(p.mTmnyEdt));
        // Nothing known yet: no field shows the mark.
        for (QLineEdit* field : {static_cast<QLineEdit*>(p.JKYUEdt), static_cast<QLineEdit*>(p.SANGHOEdt), probe(w).findBar()->edit()})
            QVERIFY(!korean_input::showsLatinMark(field));

        // Latin letters typed: the field where Korean belongs says so.
        w.BtnAppClick();
        p.JKYUEdt->setFocus();
        QTRY_VERIFY(p.JKYUEdt->hasFocus());
        QTest::keyClick(p.JKYUEdt, Qt::Key_D, Qt::NoModifier);
        QCOMPARE(korean_input::knownMode(), korean_input::Mode::Latin);
        QVERIFY(korean_input::showsLatinMark(p.JKYUEdt));
        QVERIFY(!korean_input::showsLatinMark(p.SANGHOEdt));  // only where the focus is
        p.SANGHOEdt->setFocus();
        QTRY_VERIFY(korean_input::showsLatinMark(p.SANGHOEdt));
        QVERIFY(!korean_input::showsLatinMark(p.JKYUEdt));
        // A syllable composed: Hangul, the mark goes.
        QInputMethodEvent composing(QStringLiteral("우"), {});
        QApplication::sendEvent(p.SANGHOEdt, &composing);
        QCOMPARE(korean_input::knownMode(), korean_input::Mode::Hangul);
        QVERIFY(!korean_input::showsLatinMark(p.SANGHOEdt));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("우"));
        QApplication::sendEvent(p.SANGHOEdt, &commit);
    }

    void theListStandsUnderItsFieldAndNeverOverTheButtons()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const char* name : {"서울우유", "서울상회", "서울식당", "서울기획", "서울약국", "서울문구"})
            addThroughPanel(w, "2009.03.01", "구입", QString::fromUtf8(name), 10);
        w.move(160, 80);
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.SANGHOEdt->setFocus();
        type("서울");
        QTRY_VERIFY(probe(w).SANGHOSuggest()->isOpen());
        QListView* list = probe(w).SANGHOSuggest()->list();
        // Part of the window, never a window of its own that the window
        // manager may place elsewhere.
        QVERIFY(!list->isWindow());
        QCOMPARE(list->window(), static_cast<QWidget*>(&w));
        const QRect shown(list->mapToGlobal(QPoint(0, 0)), list->size());
        for (QWidget* button : {static_cast<QWidget*>(p.mOk), static_cast<QWidget*>(p.mVoide)})
            QVERIFY(!shown.intersects(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
        const QPoint field = p.SANGHOEdt->mapToGlobal(QPoint(0, 0));
        QCOMPARE(shown.left(), field.x());
        QVERIFY(shown.bottom() < field.y() || shown.top() >= field.y() + p.SANGHOEdt->height());
        // A click on 확인 closes the list and confirms (refused here: no amount).
        QTest::mouseClick(p.mOk, Qt::LeftButton);
        QVERIFY(!probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(f.dialogs.texts("info"), QStringList{QStringLiteral("거래내용이 입력되지 않았습니다.")});
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울"));
        // The first Esc closes the list also when the input method takes it
        // for itself (seen as the display's key event only).
        p.SANGHOEdt->setFocus();
        type("우");
        QTRY_VERIFY(probe(w).SANGHOSuggest()->isOpen());
        const unsigned char escape[32] = {2, 9};
        probe(w).SANGHOSuggest()->nativeEventFilter("xcb_generic_event_t", const_cast<unsigned char*>(escape), nullptr);
        QTRY_VERIFY(!probe(w).SANGHOSuggest()->isOpen());
        QCOMPARE(probe(w).editorMode(), quill::EditorMode::Adding);
    }

    void theLastSyllableLandsOnceWhateverTheClickLeadsTo_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("click");
        QTest::newRow("refused confirm, description") << "JKYUEdt" << "confirm";
        QTest::newRow("refused confirm, counterparty") << "SANGHOEdt" << "confirm";
        QTest::newRow("save, kept open") << "JKYUEdt" << "save";
        QTest::newRow("exit, not ended") << "EtcCmb" << "exit";
    }
    void theLastSyllableLandsOnceWhateverTheClickLeadsTo()
    {
        // The click ends the composition: the field takes the syllable, and
        // the input method hands it over once more a moment later (into
        // whichever field has the focus by then). It lands once.
        QFETCH(QString, field);
        QFETCH(QString, click);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        auto* edit = p.findChild<LimitedTextEdit*>(field);
        QVERIFY(edit);
        edit->setFocus();
        edit->setProgramText(QString());  // the remark box proposes one on entry
        const QString typed = field == "EtcCmb" ? QStringLiteral("카") : QStringLiteral("우유 구");
        const QString syllable = field == "EtcCmb" ? QStringLiteral("드") : QStringLiteral("입");
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(edit, &commit);
        QInputMethodEvent composing(syllable, {});
        QApplication::sendEvent(edit, &composing);
        if (click == "confirm") {
            QTest::mouseClick(p.mOk, Qt::LeftButton);
        } else if (click == "save") {
            f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::Cancel);  // keep typing
            QTest::mouseClick(probe(w).SaveBtn(), Qt::LeftButton);
        } else {
            f.dialogs.yesNo.enqueue(false);  // 작업을 끝내겠습니까 ?? No
            QTest::mouseClick(probe(w).QuitBtn(), Qt::LeftButton);
        }
        QCoreApplication::processEvents();
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now);
        QInputMethodEvent late;
        late.setCommitString(syllable);
        QApplication::sendEvent(now, &late);
        QCOMPARE(edit->text(), typed + syllable);
        for (LimitedTextEdit* other : p.findChildren<LimitedTextEdit*>())
            if (other != edit)
                QVERIFY2(!other->text().contains(syllable), qPrintable(other->objectName()));
        // Typing the same syllable again afterwards is new typing.
        edit->setFocus();
        edit->end(false);
        QInputMethodEvent again(syllable, {});
        QApplication::sendEvent(edit, &again);
        QApplication::sendEvent(edit, &late);
        QCOMPARE(edit->text(), typed + syllable + syllable);
    }

    void counterpartyProposesItsLatestCategoryAndRemark_data()
    {
        QTest::addColumn<int>("chosen");     // category chosen before
        QTest::addColumn<QString>("remark");  // remark typed before
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("expectedRemark");
        QTest::newRow("nothing chosen: proposed") << 0 << "" << int(quill::Category::Asset) << "카드";
        QTest::newRow("a category chosen: kept") << int(quill::Category::Income) << "" << int(quill::Category::Income)
                                                 << "";
        QTest::newRow("a remark typed: kept") << 0 << "계" << 0 << "계";
    }
    void counterpartyProposesItsLatestCategoryAndRemark()
    {
        QFETCH(int, chosen);
        QFETCH(QString, remark);
        QFETCH(int, category);
        QFETCH(QString, expectedRemark);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.09", "기계", "서울상회", 10, quill::Category::Asset, "카드");
        addThroughPanel(w, "2009.03.01", "판매", "서울상회", 10, quill::Category::Income, "영");
        w.BtnAppClick();
        EntryPanel& p = *probe(w).TpPnl3();
        p.setCategory(quill::Category(chosen));
        p.EtcCmb->setProgramText(remark);
        p.SANGHOEdt->setFocus();
        type("ㅅㅇ");
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QCOMPARE(p.SANGHOEdt->text(), QStringLiteral("서울상회"));
        QCOMPARE(int(p.category()), category);
        QCOMPARE(p.EtcCmb->text(), expectedRemark);
    }

    void findBarKeysAndCounts()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        addThroughPanel(w, "2009.03.01", "ABC 마트", "갑", 10);
        addThroughPanel(w, "2009.03.02", "식대", "서울식당", 10);
        addThroughPanel(w, "2009.03.03", "교통", "abc택시", 10);
        addThroughPanel(w, "2009.03.04", "기타", "을", 10, quill::Category::Expense, "abc");
        addThroughPanel(w, "2008.03.04", "abc 작년", "을", 10);  // hidden by the year filter
        probe(w).TAcunt().moveTo(1);
        probe(w).GrdAcunt()->setFocus();
        press(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(probe(w).findBar()->isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(probe(w).findBar()->edit()));
        QVERIFY(probe(w).findBar()->geometry().bottom() < probe(w).GrdAcunt()->geometry().top());
        type("abc");
        press(Qt::Key_Return);
        QCOMPARE(probe(w).TAcunt().recNo(), 2);
        QTRY_COMPARE(probe(w).findBar()->countLabel()->text(), QStringLiteral("2 / 3"));
        press(Qt::Key_Return);
        QCOMPARE(probe(w).TAcunt().recNo(), 3);
        QCOMPARE(probe(w).findBar()->countLabel()->text(), QStringLiteral("3 / 3"));
        press(Qt::Key_Return);  // round to the top
        QCOMPARE(probe(w).TAcunt().recNo(), 0);
        QCOMPARE(probe(w).findBar()->countLabel()->text(), QStringLiteral("1 / 3"));
        press(Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(probe(w).TAcunt().recNo(), 3);
        QCOMPARE(probe(w).GrdAcunt()->currentIndex().row(), 3);
        // 초성
        probe(w).findBar()->edit()->clear();
        type("ㅅㄷ");
        press(Qt::Key_Return);
        QCOMPARE(probe(w).TAcunt().recNo(), 1);
        QTRY_COMPARE(probe(w).findBar()->countLabel()->text(), QStringLiteral("1 / 1"));
        probe(w).findBar()->edit()->clear();
        type("없음");
        press(Qt::Key_Return);
        QCOMPARE(probe(w).findBar()->countLabel()->text(), QStringLiteral("0 / 0"));
        QCOMPARE(probe(w).TAcunt().recNo(), 1);
        // Esc closes the bar, the grid has the focus and asks nothing.
        press(Qt::Key_Escape);
        QVERIFY(!probe(w).findBar()->isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(probe(w).GrdAcunt()));
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(probe(w).GrdAcunt()->geometry().top(), probe(w).findBar()->geometry().top());
    }
};

QTEST_MAIN(TestEntryComfort)
#include "tst_entry_comfort.moc"
