// SPDX-License-Identifier: GPL-3.0-or-later
// Without a mouse and with a screen reader: every command runs from its
// keys and from the grid's menu; every control of every window has a Korean
// name and its true role, grid cells carry their column's name, the totals
// say what they total.
#include "AccessibleTree.h"
#include "MainWindowFixture.h"
#include "gui/app/QtUserDialogs.h"
#include "gui/mainwindow/WindowCommands.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/view/FindBar.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"
#include "gui/view/YearBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>

// Stands in for the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    // Every command of the table, by each of its keys (in the grid, and in
    // the filter row for the grid's keys) and from the grid's menu, which
    // Shift+F10, the Menu key and a right click open; the help lists them.
    void everyCommandByKeysAndMenu()
    {
        MainWindowFixture f;
        QRandomGenerator answers(22);
        f.dialogs.improviser = &answers;  // a file dialog is cancelled, "end?" is No
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        UrlCatcher browser;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
        QSignalSpy invoked(&w, &Tmainf::commandInvoked);
        QFile helpFile(QStringLiteral(QB_SITE_SOURCE "/help/tallyhub/quillbook.htm"));
        QVERIFY(helpFile.open(QIODevice::ReadOnly));
        const QString help = QString::fromUtf8(helpFile.readAll());
        QSet<QWidget*> ours;
        for (QWidget* top : QApplication::topLevelWidgets())
            ours.insert(top);
        // Back to the grid after each command: the panel, the find bar and
        // any window a command opened are closed.
        auto settle = [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->isVisible() && !ours.contains(top) && top != &w)
                    top->close();
            if (probe(w).editorMode() != quill::EditorMode::Idle)
                w.mVoideClick();
            probe(w).findBar()->hide();
            w.activateWindow();
            probe(w).GrdAcunt()->setFocus();
            QCoreApplication::processEvents();
        };
        QStringList missed;
        auto runs = [&](const QString& name, const QString& how, const std::function<void()>& act) {
            settle();
            invoked.clear();
            // A command that runs a window of its own (the print preview)
            // waits in it: close it as soon as it stands.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                QWidget* modal = QApplication::activeModalWidget();
                if (modal && !ours.contains(modal) && modal != &w)
                    modal->close();
            });
            closer.start(50);
            act();
            closer.stop();
            QCoreApplication::processEvents();
            if (invoked.size() != 1 || invoked.first().first().toString() != name)
                missed << name + QStringLiteral(" by ") + how;
            settle();
        };
        const auto& commands = windowCommands();
        QVERIFY(commands.size() >= 19);
        for (const WindowCommand& c : commands) {
            const QString name = QString::fromUtf8(c.name);
            QVERIFY2(!c.ledgerKeys.isEmpty() || !c.windowKeys.isEmpty(), c.name);
            for (int key : c.ledgerKeys) {
                const QString keyName = QKeySequence(key).toString();
                runs(name, keyName + QStringLiteral(" in the grid"), [&] { QTest::keyClick(probe(w).GrdAcunt(), Qt::Key(key)); });
                runs(name, keyName + QStringLiteral(" in 구분"), [&] { QTest::keyClick(probe(w).CmGbn(), Qt::Key(key)); });
            }
            for (const QKeySequence& keys : c.windowKeys)
                runs(name, keys.toString(), [&] {
                    QTest::keyClick(probe(w).GrdAcunt(), keys[0].key(), keys[0].keyboardModifiers());
                });
            runs(name, QStringLiteral("the menu"), [&] {
                QMenu* menu = w.commandMenu();
                for (QAction* a : menu->actions())
                    if (a->text() == name + QLatin1Char('\t') + shortcutText(c))
                        a->trigger();
                menu->close();
            });
            for (QToolButton* Tmainf::*button : c.buttons)
                runs(name, (w.*button)->objectName(), [&] { (w.*button)->click(); });
            QVERIFY2(help.contains(QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(shortcutText(c), name)),
                     c.name);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QStringLiteral(", "))));
        QCOMPARE(browser.opened.size(), 3);  // the home page: its key, the menu, its button

        // The menu itself: one item a command, opened from the keyboard and
        // by a right click, one menu at a time.
        const auto openMenu = [&](const std::function<void()>& how) -> QMenu* {
            settle();
            how();
            QTest::qWait(20);
            return qobject_cast<QMenu*>(QApplication::activePopupWidget());
        };
        invoked.clear();
        const std::function<void()> ways[] = {
            [&] { QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_F10, Qt::ShiftModifier); },
            [&] {
                QTest::keyClick(probe(w).GrdAcunt(), Qt::Key_Menu);
                QContextMenuEvent fromKey(QContextMenuEvent::Keyboard, QPoint(5, 5), probe(w).GrdAcunt()->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(probe(w).GrdAcunt(), &fromKey);
            },
            [&] {
                QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(40, 40),
                                        probe(w).GrdAcunt()->viewport()->mapToGlobal(QPoint(40, 40)));
                QApplication::sendEvent(probe(w).GrdAcunt()->viewport(), &click);
            },
        };
        for (const auto& way : ways) {
            QMenu* menu = openMenu(way);
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), QStringLiteral("CommandMenu"));
            int items = 0;
            for (QAction* a : menu->actions())
                items += a->isSeparator() ? 0 : 1;
            QCOMPARE(items, int(commands.size()));
            QCOMPARE(w.findChildren<QMenu*>(QStringLiteral("CommandMenu")).size(), 1);
            menu->close();
            QVERIFY2(invoked.isEmpty(), qPrintable(invoked.value(0).value(0).toString()));
        }
        // Escape in the menu closes it and leaves the grid with the keys.
        QMenu* menu = openMenu(ways[0]);
        QVERIFY(menu);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY2(invoked.isEmpty(), qPrintable(invoked.value(0).value(0).toString()));
    }

    // The grid shows whether the keys go to it: its selected row in the
    // desktop's highlight colour with the focus, grey without.
    void gridShowsItsFocus()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry(QStringLiteral("2009.05.01"), QStringLiteral("원두"), 0, 0, 5000, 500);
        f.addEntry(QStringLiteral("2009.05.02"), QStringLiteral("우유"), 0, 0, 3000, 300);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        probe(w).GrdAcunt()->selectRow(0);
        auto selectedRowColour = [&] {
            const QRect row = probe(w).GrdAcunt()->visualRect(probe(w).GrdAcunt()->model()->index(0, 1));
            const QImage shot = probe(w).GrdAcunt()->viewport()->grab().toImage();
            return shot.pixelColor(row.right() - 3, row.center().y());
        };
        const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        struct {
            QWidget* focus;
            bool gridHasIt;
        } steps[] = {{probe(w).GrdAcunt(), true}, {probe(w).CmGbn(), false}, {probe(w).YerEdit(), false}, {probe(w).GrdAcunt(), true}};
        for (const auto& step : steps) {
            step.focus->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(step.focus->hasFocus());
            const QColor shown = selectedRowColour();
            QVERIFY2((shown == highlight) == step.gridHasIt, qPrintable(shown.name() + QLatin1Char(' ') + step.focus->objectName()));
            QVERIFY(shown != probe(w).GrdAcunt()->palette().color(QPalette::Base));  // never hidden
        }
    }

    // Every window of the program, walked as a screen reader walks it:
    // no control the keyboard reaches is without a name.
    void everyControlOfEveryWindowIsNamed_data()
    {
        QTest::addColumn<int>("window");
        QTest::newRow("main window, entry panel and find bar") << 0;
        QTest::newRow("grid menu") << 1;
        QTest::newRow("message box") << 2;
        QTest::newRow("file dialog") << 3;
        QTest::newRow("about box") << 4;
        QTest::newRow("help pane") << 5;
        QTest::newRow("downloads pane") << 6;
        QTest::newRow("special characters") << 7;
    }
    void everyControlOfEveryWindowIsNamed()
    {
        QFETCH(int, window);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        // The helper libraries as built, for their windows.
        SetPluginFolder(QStringLiteral(QB_BIN_DIR "/"));
        QtUserDialogs real;
        QStringList unnamed;
        int walked = 0;
        auto walk = [&](QWidget* top) {
            const QList<AccessibleNode> tree = accessibleTree(top);
            walked = int(tree.size());
            unnamed = unnamedFocusableControls(top);
        };
        switch (window) {
        case 0:
            w.openFindBar();
            w.BtnAppClick();  // the entry panel open, every field enabled
            walk(&w);
            QVERIFY(walked > 40);
            break;
        case 1: {
            QMenu* menu = w.commandMenu();
            menu->popup(w.mapToGlobal(QPoint(100, 300)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            walk(menu);
            menu->close();
            break;
        }
        case 2:
            QVERIFY(inspectNextWindow([&] { real.askYesNoCancel(QStringLiteral("저장할까요?")); }, walk));
            break;
        case 3:
            QVERIFY(inspectNextWindow([&] { real.openFileName({QStringLiteral("파일명을 확인하세요."), f.folder, {},
                                                               QStringLiteral("간편장부"), QStringLiteral("*.Aut"),
                                                               QStringLiteral("Aut")}); },
                                      walk));
            break;
        case 4:
            QVERIFY(inspectNextWindow([&] { w.HinfoClick(); }, walk));
            break;
        case 5:
            QVERIFY(inspectNextWindow([&] { w.HelpBtnClick(); }, walk));
            break;
        case 6:
            QVERIFY(inspectNextWindow([&] { w.dDTZIPClick(); }, walk));
            break;
        case 7:
            w.BtnAppClick();
            QVERIFY(inspectNextWindow([&] { QTest::keyClick(probe(w).TpPnl3()->JKYUEdt, Qt::Key_F11); }, walk));
            break;
        }
        QVERIFY2(walked > 1, "nothing was walked");
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(f.dialogs.texts(QStringLiteral("error")), QStringList());
    }

    // The names and roles a screen reader announces for the main window's
    // own controls.
    void controlsSayWhatTheyAre()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        w.openFindBar();
        EntryPanel* p = probe(w).TpPnl3();
        auto* findEdit = probe(w).findBar()->findChild<QLineEdit*>(QStringLiteral("FindEdit"));
        QVERIFY(findEdit);
        const struct {
            QWidget* control;
            const char* name;
            QAccessible::Role role;
        } expected[] = {
            {&w, "간편장부", QAccessible::Window},
            {probe(w).GrdAcunt(), "장부", QAccessible::Table},
            {probe(w).CmGbn(), "구분", QAccessible::ComboBox},
            {probe(w).YerEdit(), "년도", QAccessible::SpinBox},
            {probe(w).gCombo(), "월", QAccessible::ComboBox},
            {probe(w).HelpBtn(), "도움말", QAccessible::Button},
            {probe(w).DgaBtn(), "홈페이지", QAccessible::Button},
            {probe(w).dDTZIP(), "자료받기", QAccessible::Button},
            {probe(w).Hinfo(), "프로그램 정보", QAccessible::Button},
            {probe(w).FileAdd(), "파일추가", QAccessible::Button},
            {p->IDAYEdt, "거래일자", QAccessible::EditableText},
            {p->JKYUEdt, "거래내용", QAccessible::EditableText},
            {p->SANGHOEdt, "거래처", QAccessible::EditableText},
            {p->mTmnyEdt, "금액", QAccessible::EditableText},
            {p->mTvatEdt, "부가세", QAccessible::EditableText},
            {p->mTotmy, "계", QAccessible::EditableText},
            {p->EtcCmb, "비고", QAccessible::EditableText},
            {findEdit, "찾기", QAccessible::EditableText},
        };
        for (const auto& e : expected) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(e.control);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(e.name));
            QCOMPARE(a->role(), e.role);
        }
        // A combo box's value stays its chosen item; the name does not follow it.
        probe(w).CmGbn()->setCurrentIndex(2);
        QCOMPARE(QAccessible::queryAccessibleInterface(probe(w).CmGbn())->text(QAccessible::Value), QStringLiteral("비용"));
        QCOMPARE(QAccessible::queryAccessibleInterface(probe(w).CmGbn())->text(QAccessible::Name), QStringLiteral("구분"));
        // The total is read only, and says so.
        const QAccessible::State total = QAccessible::queryAccessibleInterface(p->mTotmy)->state();
        QVERIFY(total.readOnly);
        QVERIFY(!total.editable);
        // Each button tells its shortcut.
        QCOMPARE(probe(w).FileAdd()->accessibleDescription(), QStringLiteral("단축키: Ctrl+Shift+O"));
    }

    void everyButtonHasAName()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QStringList unnamed;
        const auto buttons = f.window->findChildren<QAbstractButton*>();
        QVERIFY(buttons.size() > 20);
        for (QAbstractButton* b : buttons) {
            // Qt's own helpers inside the grid and the find field are not ours to name.
            const QString kind = QString::fromLatin1(b->metaObject()->className());
            if (kind == QStringLiteral("QTableCornerButton") || kind == QStringLiteral("QLineEditIconButton"))
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << b->objectName();
        }
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(probe(f.window).HFileOpen()->accessibleName(), QStringLiteral("파일열기"));
        QCOMPARE(probe(f.window).QuitBtn()->accessibleName(), QStringLiteral("종료"));
    }

    void cellsAndTotalsNameTheirField()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.addEntry(QStringLiteral("2009.03.01"), QStringLiteral("원두"), 0, 0, 5000, 500);
        f.window->RecomputeTotals();
        QAbstractItemModel* m = probe(f.window).GrdAcunt()->model();
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->data(m->index(0, 5), Qt::AccessibleTextRole).toString(), QStringLiteral("비용: 5,000"));
        QCOMPARE(m->data(m->index(0, 1), Qt::AccessibleTextRole).toString(), QStringLiteral("거래내용: 원두"));
        QCOMPARE(probe(f.window).Bmxsm()[2]->accessibleDescription(), QStringLiteral("비용 합계"));
        QCOMPARE(probe(f.window).CntLbe()->accessibleDescription(), QStringLiteral("자료 건수"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
