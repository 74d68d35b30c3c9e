// SPDX-License-Identifier: GPL-3.0-or-later
// The special-character picker library itself, called through F11 in the
// entry panel as the program does: its pages, keys and mouse, and what it
// leaves on the clipboard.
#include "ScriptedDialogs.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/HelperLibrary.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>

#include <functional>

namespace {

// Runs `act` on the picker once it is open (while F11 waits for it).
void WhenPickerOpens(std::function<void(QDialog*, QTabWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("Glyphpad") || !dialog->isVisible()) {
            if (++*tries > 1500) {  // 30 s: give up, fail below, and never hang on a stray window
                timer->stop();
                timer->deleteLater();
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        // Keys go where the focus is once the picker is the active window.
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("the picker did not become active");
        act(dialog, dialog->findChild<QTabWidget*>(QStringLiteral("glyphPages")));
        // Whatever the act did, never leave the picker open.
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

// True while the library at `path` is loaded in this process.
bool IsLoaded(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

QTableWidget* Grid(QTabWidget* tabs) { return qobject_cast<QTableWidget*>(tabs->currentWidget()); }

// Sends a key to whatever has the keyboard in the picker: its current page.
void Key(QDialog* dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || !dialog->isAncestorOf(target))
        target = dialog->findChild<QTabWidget*>(QStringLiteral("glyphPages"))->currentWidget();
    QTest::keyClick(target, key, modifiers);
}

} // namespace

class TestGlyphpad : public QObject {
    Q_OBJECT

private:
    EntryPanel* panel = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    QWidget* window = nullptr;

    void pressF11In(LimitedTextEdit* edit)
    {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_F11);
        QVERIFY2(dialogs->shown.isEmpty(), dialogs->shown.isEmpty() ? "" : qPrintable(dialogs->shown.first().text));
        // Unloaded after every call; the next call loads it afresh.
        QVERIFY2(!IsLoaded(QB_BIN_DIR "/Glyphpad.dll"), "Glyphpad.dll stayed loaded");
    }

private slots:
    void initTestCase()
    {
        SetPluginFolder(QStringLiteral(QB_BIN_DIR));
        if (!QFile::exists(QStringLiteral(QB_BIN_DIR "/Glyphpad.dll")))
            QFAIL("Glyphpad.dll was not built");
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
        panel->setMode(quill::EditorMode::Adding);
        panel->setEnabled(true);
        panel->setButtonsActive(true);
    }
    void cleanup()
    {
        delete window;
        delete dialogs;
    }

    void pagesHaveKoreanNamesAndDrawableGlyphs()
    {
        QStringList names;
        int missing = 0;
        QString firstMissing;
        WhenPickerOpens([&](QDialog* dialog, QTabWidget* tabs) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("특수 문자"));
            for (int i = 0; i < tabs->count(); ++i) {
                names << tabs->tabText(i);
                auto* grid = qobject_cast<QTableWidget*>(tabs->widget(i));
                const QFontMetrics metrics(grid->font());
                for (int r = 0; r < grid->rowCount(); ++r)
                    for (int c = 0; c < grid->columnCount(); ++c) {
                        const QString g = grid->item(r, c)->text();
                        if (!g.isEmpty() && !metrics.inFontUcs4(g.toUcs4().first())) {
                            ++missing;
                            firstMissing = g;
                        }
                    }
            }
            Key(dialog, Qt::Key_Escape);
        });
        pressF11In(panel->JKYUEdt);
        QVERIFY(names.size() >= 6);
        QCOMPARE(names.mid(0, 3), QStringList({"단위", "원문자", "괄호문자"}));
        QVERIFY2(missing == 0, qPrintable(QStringLiteral("no glyph for %1 (%2 in all)").arg(firstMissing).arg(missing)));
    }

    void keysChooseAndTheCharacterLandsAtTheCaret_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<int>>("keys");  // a key, or a key + Qt::ShiftModifier etc.
        QTest::addColumn<QString>("landed");
        const int shift = int(Qt::ShiftModifier), ctrl = int(Qt::ControlModifier);
        QTest::newRow("first unit") << "JKYUEdt" << QList<int>{Qt::Key_Return} << "a㎏b";
        QTest::newRow("Tab, Right") << "JKYUEdt" << QList<int>{Qt::Key_Tab, Qt::Key_Right, Qt::Key_Enter} << "a②b";
        QTest::newRow("PageDown twice, Down") << "SANGHOEdt"
                                             << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_Down,
                                                           Qt::Key_Return}
                                             << "a⒂b";
        QTest::newRow("Shift+Tab to the last page, back with Tab")
            << "EtcCmb" << QList<int>{Qt::Key_Tab + shift, Qt::Key_Tab, Qt::Key_PageUp, Qt::Key_Return} << "aⅠb";
        QTest::newRow("Ctrl+Tab, Ctrl+PageDown, Ctrl+Shift+Tab")
            << "JKYUEdt"
            << QList<int>{Qt::Key_Tab + ctrl, Qt::Key_PageDown + ctrl, Qt::Key_Backtab + ctrl + shift,
                          Qt::Key_Return}
            << "a①b";
    }
    void keysChooseAndTheCharacterLandsAtTheCaret()
    {
        QFETCH(QString, field);
        QFETCH(QList<int>, keys);
        QFETCH(QString, landed);
        auto* edit = panel->findChild<LimitedTextEdit*>(field);
        edit->setText(QStringLiteral("ab"));
        edit->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        bool closed = false;
        WhenPickerOpens([&](QDialog* dialog, QTabWidget*) {
            for (int k : keys)
                Key(dialog, Qt::Key(k & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(k & Qt::KeyboardModifierMask));
            closed = !dialog->isVisible();
        });
        pressF11In(edit);
        QVERIFY(closed);
        QCOMPARE(edit->text(), landed);
        QCOMPARE(QGuiApplication::clipboard()->text(), landed.mid(1, 1));
        QCOMPARE(panel->noteText(), QString());
    }

    void escapeLeavesNonAndPastesNothing()
    {
        panel->SANGHOEdt->setText(QStringLiteral("ab"));
        panel->SANGHOEdt->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        WhenPickerOpens([](QDialog* dialog, QTabWidget*) {
            Key(dialog, Qt::Key_Right);
            Key(dialog, Qt::Key_Escape);
        });
        pressF11In(panel->SANGHOEdt);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Non"));
        QCOMPARE(panel->SANGHOEdt->text(), QStringLiteral("ab"));
        QCOMPARE(panel->SANGHOEdt->selectedText(), QStringLiteral("ab"));
    }

    void mouseDoubleClickChoosesAndArrowsStayOnCharacters()
    {
        WhenPickerOpens([](QDialog* dialog, QTabWidget* tabs) {
            tabs->setCurrentIndex(3);  // company marks
            QTableWidget* grid = Grid(tabs);
            QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("㈜"));
            // The arrows never reach the empty places after the last one.
            Key(dialog, Qt::Key_Down);
            for (int i = 0; i < 6; ++i)
                Key(dialog, Qt::Key_Right);
            QCOMPARE(grid->currentItem()->text(), QStringLiteral("☞"));
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("glyphPreview"))->text(), QStringLiteral("☞"));
            QVERIFY(dialog->isVisible());
            const QRect cell = grid->visualRect(grid->model()->index(0, 0));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        });
        pressF11In(panel->JKYUEdt);
        QCOMPARE(panel->JKYUEdt->text(), QStringLiteral("㈜"));
    }

    void aChoiceThatDoesNotFitIsRefusedWithTheNote()
    {
        panel->JKYUEdt->setText(QString(21, QChar(u'가')));
        WhenPickerOpens([](QDialog* dialog, QTabWidget*) { Key(dialog, Qt::Key_Return); });
        pressF11In(panel->JKYUEdt);
        QCOMPARE(panel->JKYUEdt->text(), QString(21, QChar(u'가')));
        QCOMPARE(panel->noteText(), QStringLiteral("더 입력할 수 없습니다 (최대 43바이트, 한글 21자)"));
    }
};

QTEST_MAIN(TestGlyphpad)
#include "tst_glyphpad.moc"
