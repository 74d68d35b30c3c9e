// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of random keys, clicks and dialog answers on a main window with
// a ledger: nothing may crash, no error may be reported, no wait window may
// stay open, and the grid and the totals bar must always agree with the
// working ledger.
#include "MainWindowFixture.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"
#include "core/ledger/Totals.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

namespace {

QString trimmed(const QLabel* label) { return label->text().trimmed(); }

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private slots:
    void randomUseKeepsTheWindowConsistent_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void randomUseKeepsTheWindowConsistent()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        f.addEntry("2009.01.05", "판매", 1000, 100);
        f.addEntry("2009.03.10", "구입", 0, 0, 2000, 200);
        f.addEntry("2009.05.01", "기계", 0, 0, 0, 0, 30000, 3000);
        f.addEntry("2008.12.31", "작년", 500, 50);
        w.CmGbnChange();
        // Two ledger files for the dialogs to choose from.
        const QStringList files{f.tempPath() + "/a.Aut", f.tempPath() + "/b.Aut"};
        for (const QString& file : files) {
            f.dialogs.fileNames.enqueue(file);
            w.RnameBtnClick();
        }
        QCOMPARE(QString::fromStdString(probe(w).book().fileName()), files.last());
        f.dialogs.improviser = &random;
        f.dialogs.improvisedFiles = files;

        const int keys[] = {Qt::Key_F2,     Qt::Key_F3,   Qt::Key_F12,    Qt::Key_Return,   Qt::Key_Return,
                            Qt::Key_Return, Qt::Key_Escape, Qt::Key_Delete, Qt::Key_Insert,   Qt::Key_Up,
                            Qt::Key_Down,   Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Tab,      Qt::Key_Home,
                            Qt::Key_End,    Qt::Key_PageDown, Qt::Key_Backspace};
        const QString characters = QStringLiteral("0123456789012345-.a가세");
        QToolButton* buttons[] = {probe(w).BtnApp(),  probe(w).BtnEdt(),  probe(w).BtnDel(),        probe(w).SaveBtn(),       probe(w).RnameBtn(),
                                  probe(w).NewFile(), probe(w).HFileOpen(), probe(w).FileAdd(),     probe(w).PrtBtn(),        probe(w).NavButtons()[0],
                                  probe(w).NavButtons()[1], probe(w).NavButtons()[2], probe(w).NavButtons()[3]};

        for (int step = 0; step < 1500; ++step) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : probe(w).GrdAcunt();
            const int kind = random.bounded(10);
            QString did;
            if (kind < 4) {
                const int key = keys[random.bounded(int(std::size(keys)))];
                did = QStringLiteral("key %1").arg(key, 0, 16);
                QTest::keyClick(target, Qt::Key(key));
            } else if (kind < 7) {
                const QChar c = characters[random.bounded(int(characters.size()))];
                did = QStringLiteral("type %1").arg(c);
                QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
            } else if (kind == 7) {
                QToolButton* b = buttons[random.bounded(int(std::size(buttons)))];
                did = QStringLiteral("click %1").arg(b->objectName());
                if (b->isEnabled())
                    b->click();
            } else if (kind == 8) {
                const int pick = random.bounded(4);
                did = QStringLiteral("filter %1").arg(pick);
                if (pick == 0)
                    probe(w).CmGbn()->setCurrentIndex(random.bounded(4));
                else if (pick == 1)
                    probe(w).gCombo()->setCurrentIndex(random.bounded(13));
                else
                    probe(w).YerEdit()->setValue(2008 + random.bounded(2));
                if (pick < 2)
                    emit (pick == 0 ? probe(w).CmGbn() : probe(w).gCombo())->activated(0);
            } else {
                did = QStringLiteral("panel button");
                QTest::mouseClick(random.bounded(2) ? probe(w).TpPnl3()->mOk : probe(w).TpPnl3()->mVoide, Qt::LeftButton);
            }

            const QString where = QStringLiteral("step %1 (%2)").arg(step).arg(did);
            QVERIFY2(!CurrentWaitWindow(), qPrintable(where));
            QVERIFY2(f.dialogs.texts("error").isEmpty(),
                     qPrintable(where + ": " + f.dialogs.texts("error").value(0)));
            QVERIFY2(w.isVisible() && probe(w).TAcunt().isOpen(), qPrintable(where));
            QCOMPARE(probe(w).gridModel()->rowCount(), probe(w).TAcunt().recordCount());
            if (probe(w).editorMode() == quill::EditorMode::Idle) {
                const quill::TotalsTexts now = quill::FormatTotals(quill::SumVisibleRows(probe(w).TAcunt()));
                for (int i = 0; i < 6; ++i)
                    QVERIFY2(trimmed(probe(w).Bmxsm()[i]) == QString::fromStdString(now.Bmxsm[i]).trimmed(),
                             qPrintable(where + ": " + probe(w).Bmxsm()[i]->text()));
                QVERIFY2(trimmed(probe(w).CntLbe()) == QString::fromStdString(now.CntLbe).trimmed(),
                         qPrintable(where + ": " + probe(w).CntLbe()->text()));
            }
        }
        // The run reached the commands it was meant to shake.
        for (const QString& kind : {"open", "save", "yesnocancel"})
            QVERIFY2(!f.dialogs.texts(kind).isEmpty(), qPrintable(kind));
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
