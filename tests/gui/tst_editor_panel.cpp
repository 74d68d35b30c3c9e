// SPDX-License-Identifier: GPL-3.0-or-later
// The entry panel's fields on their own: the masked date, byte limits, the
// amount fields, the remark box, the proposals and the Enter walk.
#include "ScriptedDialogs.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/HelperLibrary.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

// Types any text, one character (or surrogate pair) per key event, as an
// input method hands it over.
static void typeText(QWidget* w, const QString& s)
{
    for (int i = 0; i < s.size(); ++i) {
        const int n = s[i].isHighSurrogate() ? 2 : 1;
        const QString ch = s.mid(i, n);
        i += n - 1;
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, ch, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, ch, Qt::NoModifier);
    }
}

class TestEntryPanel : public QObject {
    Q_OBJECT

private:
    EntryPanel* panel = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    QWidget* window = nullptr;
    QTemporaryDir plugins;

    void open(quill::EditorMode mode)
    {
        panel->setMode(mode);
        panel->setEnabled(true);
        panel->setButtonsActive(true);
    }

    void EtcCmbShowsText(const QString& text)
    {
        open(quill::EditorMode::Editing);
        panel->EtcCmb->setText(text);
        panel->EtcCmb->setCursorPosition(text.size());
        QStyleOptionFrame option;
        option.initFrom(panel->EtcCmb);
        option.lineWidth = panel->EtcCmb->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, panel->EtcCmb);
        const int room =
            panel->EtcCmb->style()->subElementRect(QStyle::SE_LineEditContents, &option, panel->EtcCmb).width() - 4;
        QVERIFY2(panel->EtcCmb->fontMetrics().horizontalAdvance(text) + 1 <= room, "the remark is cut");
        // The buttons moved out of its way, still inside the panel.
        QVERIFY(panel->mOk->x() >= panel->EtcCmb->geometry().right());
        QVERIFY(panel->mVoide->x() > panel->mOk->x());
        QVERIFY(panel->mVoide->geometry().right() < panel->width());
    }

private slots:
    void initTestCase()
    {
        // None of our helper libraries: F11 meets the missing picker.
        QVERIFY(plugins.isValid());
        SetPluginFolder(plugins.path());
    }

    void init()
    {
        window = new QWidget;
        dialogs = new ScriptedDialogs;
        panel = new EntryPanel(window);
        panel->setDialogs(dialogs);
        window->resize(820, 80);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    void cleanup()
    {
        delete window;
        delete dialogs;
    }

    void startsDisabledWithFlatButtonsThatTakeNoFocus()
    {
        QVERIFY(!panel->isEnabled());
        QVERIFY(!panel->mOk->isEnabled());
        QVERIFY(panel->mOk->autoRaise());
        QCOMPARE(panel->mOk->focusPolicy(), Qt::NoFocus);
        QCOMPARE(panel->mVoide->focusPolicy(), Qt::NoFocus);
        panel->setEnabled(true);
        panel->setButtonsActive(true);
        QVERIFY(panel->mVoide->isEnabled());
        QVERIFY(!panel->mVoide->autoRaise());
    }

    void dateFieldFitsAWholeDateInAnyFont_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::newRow("layout size") << 12;
        QTest::newRow("wider") << 13;
    }
    void dateFieldFitsAWholeDateInAnyFont()
    {
        QFETCH(int, pixels);
        QFont font = panel->font();
        font.setPixelSize(pixels);
        panel->setFont(font);
        const int text = panel->IDAYEdt->fontMetrics().horizontalAdvance(QStringLiteral("2009.03.10"));
        QVERIFY2(panel->IDAYEdt->width() >= text + 8, qPrintable(QString::number(panel->IDAYEdt->width())));
        // never into the next label
        QVERIFY(panel->IDAYEdt->geometry().right() < panel->JKYUEdt->x() - 50);
    }

    void dateFieldReadsBlanksForEmptyPlaces()
    {
        open(quill::EditorMode::Adding);
        panel->IDAYEdt->setDateText(QString());
        QCOMPARE(panel->IDAYEdt->displayText(), QStringLiteral("____.__.__"));
        QCOMPARE(panel->IDAYEdt->dateText(), QStringLiteral("    .  .  "));
        panel->IDAYEdt->setFocus();
        panel->IDAYEdt->home(false);
        QTest::keyClicks(panel->IDAYEdt, "2024x0");  // a letter is refused
        QCOMPARE(panel->IDAYEdt->dateText(), QStringLiteral("2024.0 .  "));
        panel->IDAYEdt->setDateText(QStringLiteral("2024.1 .05"));
        QCOMPARE(panel->IDAYEdt->dateText(), QStringLiteral("2024.1 .05"));
        QCOMPARE(QString::fromStdString(panel->input().IDAY), QStringLiteral("2024.1 .05"));
    }

    void textFieldsCountCp949Bytes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("bytes");
        QTest::newRow("JKYUEdt") << "JKYUEdt" << 43;
        QTest::newRow("SANGHOEdt") << "SANGHOEdt" << 33;
        QTest::newRow("EtcCmb") << "EtcCmb" << 12;
    }
    void textFieldsCountCp949Bytes()
    {
        QFETCH(QString, field);
        QFETCH(int, bytes);
        open(quill::EditorMode::Adding);
        auto* edit = panel->findChild<QLineEdit*>(field);
        QVERIFY(edit);
        edit->setFocus();
        // Two bytes a syllable: one byte short of the limit takes one more
        // letter, not one more syllable.
        typeText(edit, QString(bytes, QChar(u'가')));
        QCOMPARE(edit->text().size(), bytes / 2);
        typeText(edit, QStringLiteral("가"));
        QCOMPARE(edit->text().size(), bytes / 2);
        if (bytes % 2) {
            typeText(edit, QStringLiteral("ab"));
            QCOMPARE(edit->text(), QString(bytes / 2, QChar(u'가')) + "a");
        }
        edit->clear();
        typeText(edit, QStringLiteral("aĀ😀b"));  // no CP949 form for these two
        QCOMPARE(edit->text(), QStringLiteral("ab"));
    }

    void refusedTextsGetANoteAndTheToneUntilTheNextKey_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before");  // already in the field
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("how");         // 0 key, 1 paste (Ctrl+V), 2 input method, 3 F11
        QTest::addColumn<QString>("note");
        const QString full21 = QString(21, QChar(u'가'));
        QTest::newRow("won sign typed") << "JKYUEdt" << "" << "₩" << 0 << "저장할 수 없는 문자입니다: ₩";
        QTest::newRow("accent pasted") << "SANGHOEdt" << "" << "café" << 1 << "저장할 수 없는 문자입니다: é";
        QTest::newRow("emoji composed") << "EtcCmb" << "" << "😀" << 2 << "저장할 수 없는 문자입니다: 😀";
        QTest::newRow("syllable over the limit") << "JKYUEdt" << full21 << "나" << 2
                                                 << "더 입력할 수 없습니다 (최대 43바이트, 한글 21자)";
        QTest::newRow("paste too long") << "EtcCmb" << "가" << "한국전력공사" << 1
                                        << "더 입력할 수 없습니다 (최대 12바이트, 한글 6자)";
        QTest::newRow("F11 won sign") << "JKYUEdt" << "" << "₩1,000" << 3 << "저장할 수 없는 문자입니다: ₩";
        QTest::newRow("F11 too long") << "SANGHOEdt" << QString(16, QChar(u'가')) << "※※" << 3
                                      << "더 입력할 수 없습니다 (최대 33바이트, 한글 16자)";
    }
    void refusedTextsGetANoteAndTheToneUntilTheNextKey()
    {
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(int, how);
        QFETCH(QString, note);
        open(quill::EditorMode::Adding);
        auto* edit = panel->findChild<LimitedTextEdit*>(field);
        QVERIFY(edit);
        edit->setFocus();
        edit->setText(before);
        QCOMPARE(panel->noteText(), QString());
        const int tones = dialogs->beeps;
        switch (how) {
        case 0:
            typeText(edit, typed);
            break;
        case 1:
            QGuiApplication::clipboard()->setText(typed);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            break;
        case 2: {
            QInputMethodEvent commit;
            commit.setCommitString(typed);
            QApplication::sendEvent(edit, &commit);
            break;
        }
        case 3:
            QGuiApplication::clipboard()->setText(typed);
            QTest::keyClick(edit, Qt::Key_F11);
            dialogs->shown.clear();  // the picker's own message
            break;
        }
        QCOMPARE(edit->text(), before);  // refused whole
        QCOMPARE(panel->noteText(), note);
        QVERIFY(dialogs->beeps > tones);
        QVERIFY(dialogs->texts("info").isEmpty());  // not a message box
        auto* label = panel->window()->findChild<QLabel*>(QStringLiteral("entryNote"));
        QVERIFY(label && label->isVisible());
        QVERIFY(label->geometry().intersects(QRect(QPoint(0, 0), panel->window()->size())));
        QTest::keyClick(edit, Qt::Key_Home);
        QCOMPARE(panel->noteText(), QString());
    }

    void largeAmountsKeepEveryDigitInView_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("amount");
        for (const char* f : {"mTmnyEdt", "mTvatEdt", "mTotmy"}) {
            QTest::addRow("%s 123,456,789", f) << f << 123456789.0;
            QTest::addRow("%s largest", f) << f << 919999999999999.0;
            QTest::addRow("%s most negative", f) << f << -919999999999999.0;
        }
    }
    void largeAmountsKeepEveryDigitInView()
    {
        QFETCH(QString, field);
        QFETCH(double, amount);
        open(quill::EditorMode::Adding);
        auto* edit = panel->findChild<MoneyEdit*>(field);
        QVERIFY(edit);
        if (edit == panel->mTotmy)
            panel->mTmnyEdt->setValue(amount);
        else
            edit->setValue(amount);
        QCOMPARE(edit->value(), amount);
        QVERIFY(edit->text().size() >= 11);
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
        QVERIFY2(QFontMetrics(edit->font()).horizontalAdvance(edit->text()) <= room,
                 qPrintable(edit->text() + " is cut"));
        // While typed in, the plain digits fit as well.
        if (!edit->isReadOnly()) {
            edit->setFocus();
            QVERIFY(QFontMetrics(edit->font()).horizontalAdvance(edit->text()) <= room);
        }
    }

    void aFullRemarkIsSeenWhole()
    {
        EtcCmbShowsText(QStringLiteral("한국전력공사"));
    }

    void longerTextFromAFileCanBeShortened()
    {
        open(quill::EditorMode::Editing);
        quill::EntryInput in;
        in.IDAY = "2024.01.01";
        in.JKYU = std::string(45, 'x');
        panel->showInput(in);
        QCOMPARE(panel->JKYUEdt->text().size(), 45);
        panel->JKYUEdt->setFocus();
        panel->JKYUEdt->end(false);
        QTest::keyClick(panel->JKYUEdt, Qt::Key_Backspace);
        QCOMPARE(panel->JKYUEdt->text().size(), 44);
        QTest::keyClicks(panel->JKYUEdt, "yy");
        QCOMPARE(panel->JKYUEdt->text().size(), 45);
    }

    void amountsShowGroupedWholeWonAndKeepTheTotal()
    {
        open(quill::EditorMode::Adding);
        panel->mTmnyEdt->setValue(1234567);
        panel->mTvatEdt->setValue(-1500);
        QCOMPARE(panel->mTmnyEdt->text(), QStringLiteral("1,234,567"));
        QCOMPARE(panel->mTvatEdt->text(), QStringLiteral("-1,500"));
        QCOMPARE(panel->mTotmy->value(), 1233067.0);
        QCOMPARE(panel->mTotmy->text(), QStringLiteral("1,233,067"));
        QVERIFY(panel->mTotmy->isReadOnly());
        panel->mTmnyEdt->setFocus();
        QCOMPARE(panel->mTmnyEdt->text(), QStringLiteral("1234567"));
        QTest::keyClicks(panel->mTmnyEdt, "12a,3");
        QCOMPARE(panel->mTmnyEdt->value(), 123.0);
        QCOMPARE(panel->mTotmy->value(), -1377.0);
        panel->mTvatEdt->setFocus();
        QCOMPARE(panel->mTmnyEdt->text(), QStringLiteral("123"));
    }

    void amountsTheFileCannotHoldAreRefused()
    {
        open(quill::EditorMode::Adding);
        panel->mTmnyEdt->setFocus();
        QTest::keyClicks(panel->mTmnyEdt, "91999999999999");
        QTest::keyClicks(panel->mTmnyEdt, "9");  // 919,999,999,999,999 still fits
        QCOMPARE(panel->mTmnyEdt->value(), 919999999999999.0);
        QVERIFY(dialogs->texts("info").isEmpty());
        panel->mTmnyEdt->selectAll();
        QTest::keyClicks(panel->mTmnyEdt, "920000000000000");
        QCOMPARE(panel->mTmnyEdt->value(), 92000000000000.0);  // the last digit was taken back
        QCOMPARE(dialogs->texts("info"), QStringList{QString::fromUtf8(quill::kAmountTooLargeMessage)});
        panel->mTvatEdt->setFocus();
        panel->mTvatEdt->selectAll();
        QTest::keyClicks(panel->mTvatEdt, "-9999999999999999");
        QCOMPARE(panel->mTvatEdt->value(), -99999999999999.0);
        QCOMPARE(dialogs->texts("info").size(), 3);  // the last two digits
    }

    void vatIsProposedOnEnteringOnlyWhileZero()
    {
        open(quill::EditorMode::Editing);
        panel->mTmnyEdt->setValue(15);
        panel->mTvatEdt->setValue(0);
        panel->mTvatEdt->setFocus();
        QCOMPARE(panel->mTvatEdt->value(), 1.0);
        panel->mTmnyEdt->setFocus();
        panel->mTmnyEdt->selectAll();
        QTest::keyClicks(panel->mTmnyEdt, "-15");
        panel->mTvatEdt->setFocus();
        QCOMPARE(panel->mTvatEdt->value(), 1.0);  // a VAT already there stays
        panel->mTvatEdt->selectAll();
        QTest::keyClicks(panel->mTvatEdt, "0");
        panel->mTmnyEdt->setFocus();
        panel->mTvatEdt->setFocus();
        QCOMPARE(panel->mTvatEdt->value(), -1.0);  // set to 0 again: proposed anew
        panel->mTmnyEdt->setFocus();
        panel->mTmnyEdt->selectAll();
        QTest::keyClick(panel->mTmnyEdt, Qt::Key_Backspace);
        QCOMPARE(panel->mTmnyEdt->text(), QString());
        panel->mTvatEdt->setValue(0);
        panel->mTvatEdt->setFocus();
        QCOMPARE(panel->mTvatEdt->value(), 0.0);  // nothing typed in the amount
    }

    void doubleClickSplitsAVatInclusiveAmount()
    {
        open(quill::EditorMode::Adding);
        panel->mTmnyEdt->setValue(1000);
        panel->mTvatEdt->setValue(7);
        QTest::mouseDClick(panel->mTmnyEdt, Qt::LeftButton);
        QCOMPARE(panel->mTmnyEdt->value(), 909.0);
        QCOMPARE(panel->mTvatEdt->value(), 91.0);
        QCOMPARE(panel->mTotmy->value(), 1000.0);
        panel->mTmnyEdt->setValue(0);
        panel->mTvatEdt->setValue(5);
        QTest::mouseDClick(panel->mTmnyEdt, Qt::LeftButton);
        QCOMPARE(panel->mTvatEdt->value(), 5.0);
    }

    void remarkIsProposedWhileAddingAndSteppedWithArrows()
    {
        open(quill::EditorMode::Adding);
        panel->mTvatEdt->setValue(0);
        panel->EtcCmb->setFocus();
        QCOMPARE(panel->EtcCmb->text(), QStringLiteral("영"));
        QTest::keyClick(panel->EtcCmb, Qt::Key_Down);
        QCOMPARE(panel->EtcCmb->text(), QStringLiteral("카드"));
        QTest::keyClick(panel->EtcCmb, Qt::Key_Down);
        QTest::keyClick(panel->EtcCmb, Qt::Key_Down);
        QCOMPARE(panel->EtcCmb->text(), QStringLiteral("계"));
        QTest::keyClick(panel->EtcCmb, Qt::Key_Up);
        QCOMPARE(panel->EtcCmb->text(), QStringLiteral("카드"));

        panel->JKYUEdt->setFocus();
        panel->EtcCmb->clear();
        panel->setMode(quill::EditorMode::Editing);
        panel->mTvatEdt->setValue(10);
        panel->EtcCmb->setFocus();
        QCOMPARE(panel->EtcCmb->text(), QString());
        panel->JKYUEdt->setFocus();
        panel->setMode(quill::EditorMode::Adding);
        panel->EtcCmb->setFocus();
        QCOMPARE(panel->EtcCmb->text(), QStringLiteral("세계"));
    }

    void enterWalksTheFieldsAndConfirmsInTheRemark()
    {
        open(quill::EditorMode::Adding);
        QSignalSpy confirm(panel, &EntryPanel::confirmRequested);
        panel->IDAYEdt->setDateText(QStringLiteral("2024.01.02"));
        panel->IDAYEdt->setFocus();
        const QList<QWidget*> walk{panel->JKYUEdt, panel->SANGHOEdt, panel->RadioA, panel->mTmnyEdt,
                                   panel->mTvatEdt, panel->EtcCmb};
        for (QWidget* next : walk) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QCOMPARE(confirm.count(), 0);
        QTest::keyClick(panel->EtcCmb, Qt::Key_Return);
        QCOMPARE(confirm.count(), 1);
        panel->mTotmy->setFocus();
        QTest::keyClick(panel->mTotmy, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), panel->mTvatEdt);
        panel->RadioC->setFocus();
        QTest::keyClick(panel->RadioC, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), panel->mTmnyEdt);
    }

    void escapeCancelsFromEveryField()
    {
        open(quill::EditorMode::Editing);
        QSignalSpy cancel(panel, &EntryPanel::cancelRequested);
        for (QWidget* w : std::initializer_list<QWidget*>{panel->IDAYEdt, panel->JKYUEdt, panel->RadioB,
                                                           panel->mTotmy, panel->EtcCmb}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
        }
        QCOMPARE(cancel.count(), 5);
    }

    void dateTestRunsWhenTheFocusLeavesTheDate()
    {
        open(quill::EditorMode::Adding);
        panel->IDAYEdt->setDateText(QStringLiteral("2024.0"));
        panel->IDAYEdt->setFocus();
        QTest::keyClick(panel->IDAYEdt, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), panel->IDAYEdt);
        QCOMPARE(dialogs->texts("info"), QStringList{QString::fromUtf8(quill::kBadDateMessage)});
        panel->IDAYEdt->setDateText(QString());  // an empty date passes
        QTest::keyClick(panel->IDAYEdt, Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(QApplication::focusWidget(), panel->JKYUEdt);
        QCOMPARE(dialogs->texts("info").size(), 1);
    }

    void f11PastesTheClipboardUnlessItSaysNon_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("from");       // caret, or selection start
        QTest::addColumn<int>("length");     // selected characters
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("after");
        QTest::newRow("at the caret") << "SANGHOEdt" << "ab" << 1 << 0 << "★" << int(Qt::ShiftModifier) << "a★b";
        QTest::newRow("over the selection") << "JKYUEdt" << "abcd" << 1 << 2 << "㈜" << int(Qt::NoModifier) << "a㈜d";
        QTest::newRow("remark, Ctrl") << "EtcCmb" << "" << 0 << 0 << "※" << int(Qt::ControlModifier) << "※";
        QTest::newRow("exactly Non") << "JKYUEdt" << "ab" << 1 << 1 << "Non" << int(Qt::NoModifier) << "ab";
        QTest::newRow("non is pasted") << "JKYUEdt" << "ab" << 2 << 0 << "non" << int(Qt::NoModifier) << "abnon";
        QTest::newRow("NON is pasted") << "SANGHOEdt" << "" << 0 << 0 << "NON" << int(Qt::AltModifier) << "NON";
        QTest::newRow("Non with a blank is pasted") << "EtcCmb" << "" << 0 << 0 << "Non " << int(Qt::NoModifier)
                                                    << "Non ";
        QTest::newRow("empty clipboard") << "JKYUEdt" << "abcd" << 1 << 2 << "" << int(Qt::NoModifier) << "abcd";
    }
    void f11PastesTheClipboardUnlessItSaysNon()
    {
        // Without the picker library: its message and tone, then the
        // clipboard as it was.
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QString, clipboard);
        QFETCH(int, modifiers);
        QFETCH(QString, after);
        open(quill::EditorMode::Adding);
        auto* edit = panel->findChild<LimitedTextEdit*>(field);
        QVERIFY(edit);
        edit->setFocus();
        edit->setText(before);
        if (length > 0)
            edit->setSelection(from, length);
        else
            edit->setCursorPosition(from);
        if (clipboard.isEmpty())
            QGuiApplication::clipboard()->clear();
        else
            QGuiApplication::clipboard()->setText(clipboard);
        QTest::keyClick(edit, Qt::Key_F11, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(edit->text(), after);
        QCOMPARE(dialogs->texts("info"),
                 QStringList{QStringLiteral("Glyphpad.dll 파일에 문제가 있거나 Dll 파일을 찾을 수 없습니다")});
        QCOMPARE(dialogs->beeps, 1);
        QCOMPARE(panel->noteText(), QString());
    }

    void f11ElsewhereDoesNothing_data()
    {
        QTest::addColumn<QString>("field");
        for (const char* f : {"IDAYEdt", "mTmnyEdt", "mTvatEdt", "mTotmy", "RadioA", "RadioB", "RadioC"})
            QTest::newRow(f) << f;
    }
    void f11ElsewhereDoesNothing()
    {
        QFETCH(QString, field);
        open(quill::EditorMode::Adding);
        panel->mTmnyEdt->setValue(500);
        QWidget* w = panel->findChild<QWidget*>(field);
        QVERIFY(w);
        w->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w);
        auto* line = qobject_cast<QLineEdit*>(w);
        const QString before = line ? line->text() : QString();
        QGuiApplication::clipboard()->setText(QStringLiteral("7"));
        QTest::keyClick(w, Qt::Key_F11);
        QTest::keyClick(w, Qt::Key_F11, Qt::ShiftModifier);
        if (line)
            QCOMPARE(line->text(), before);
        QCOMPARE(panel->mTmnyEdt->value(), 500.0);
        QVERIFY(dialogs->shown.isEmpty());
        QCOMPARE(dialogs->beeps, 0);
    }

    void rowCopyKeepsTheCategoryWhenNoPairIsInUse()
    {
        panel->setCategory(quill::Category::Income);
        quill::EntryInput in;
        in.JKYU = "x";
        panel->showInput(in);
        QVERIFY(panel->RadioA->isChecked());
        panel->clearForAdding(QStringLiteral("2024.01.01"));
        QCOMPARE(panel->category(), quill::Category::None);
        QCOMPARE(panel->input().JKYU, std::string());
    }
};

QTEST_MAIN(TestEntryPanel)
#include "tst_editor_panel.moc"
