// SPDX-License-Identifier: GPL-3.0-or-later
// The wait window over the file commands: the save gauge moves while the
// entries are written (before the scratch table is complete, which used to
// be written and read back with an empty bar), and Open and Add file close
// the window only once the new ledger is shown.
#include "MainWindowFixture.h"
#include "gui/support/TSprSfm.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QPrintPreviewDialog>

#include <vector>

namespace {

// Watches every wait window: makes its bar paint on each step (no paint
// interval), and records what each paint of the bar and the window's
// closing saw through the callbacks.
class WaitSpy : public QObject {
public:
    std::function<void(int position)> onBarPaint;
    std::function<void()> onClose;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* bar = dynamic_cast<WaitGaugeBar*>(watched)) {
            if (event->type() == QEvent::Show)
                bar->setPaintInterval(0);
            else if (event->type() == QEvent::Paint && onBarPaint)
                onBarPaint(bar->position());
        } else if (dynamic_cast<TSprSfm*>(watched) && event->type() == QEvent::Hide && onClose) {
            onClose();
        }
        return false;
    }
};

} // namespace

class TestWaitProgress : public QObject {
    Q_OBJECT

private slots:
    void saveGaugeMovesBeforeTheScratchTableIsComplete()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        const int n = 3000;
        for (int i = 0; i < n; ++i)
            f.addEntry(QStringLiteral("2024.03.%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                       QStringLiteral("항목 %1").arg(i), 1000 + i, 100);
        const QString scratch = QString::fromStdString(probe(w).book().scratchPath());
        const qint64 scratchBefore = QFileInfo(scratch).size();

        struct Seen { int position; qint64 scratchSize; };
        std::vector<Seen> seen;
        WaitSpy spy;
        spy.onBarPaint = [&](int position) { seen.push_back({position, QFileInfo(scratch).size()}); };
        qApp->installEventFilter(&spy);
        f.dialogs.fileNames.enqueue(f.tempPath() + QStringLiteral("/gauge.Aut"));
        w.RnameBtnClick();
        qApp->removeEventFilter(&spy);

        QVERIFY(f.dialogs.texts(QStringLiteral("error")).isEmpty());
        QVERIFY(QFileInfo::exists(f.tempPath() + QStringLiteral("/gauge.Aut")));
        QVERIFY(QFileInfo(scratch).size() > scratchBefore);  // the scratch table caught up
        QVERIFY(!seen.empty());
        QCOMPARE(seen.back().position, 100);
        // The bar went through the steps in order, and every step short of
        // full was painted while the scratch table was still being written.
        int steps = 0;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            if (i > 0)
                QVERIFY2(seen[i].position >= seen[i - 1].position, "the save gauge went back");
            if (seen[i].position > 0 && seen[i].position < 100) {
                ++steps;
                QCOMPARE(seen[i].scratchSize, scratchBefore);
            }
        }
        QVERIFY2(steps >= 20, qPrintable(QStringLiteral("only %1 steps painted").arg(steps)));
    }

    void openClosesTheWaitWindowOnlyWhenTheLedgerIsShown()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        for (int i = 0; i < 500; ++i)
            f.addEntry(QStringLiteral("2023.07.%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                       QStringLiteral("매출 %1").arg(i), 2000, 200);
        const QString path = f.tempPath() + QStringLiteral("/shown.Aut");
        f.dialogs.fileNames.enqueue(path);
        w.RnameBtnClick();
        f.dialogs.yesNoCancel.enqueue(UserDialogs::Answer::No);
        w.NewFileClick();
        QCOMPARE(probe(w).GrdAcunt()->model()->rowCount(), 0);

        QString nameAtClose, countAtClose;
        int rowsAtClose = -1, yearAtClose = -1;
        WaitSpy spy;
        spy.onClose = [&] {
            nameAtClose = probe(w).fNameLabl()->text();
            countAtClose = probe(w).CntLbe()->text();
            rowsAtClose = probe(w).GrdAcunt()->model()->rowCount();
            yearAtClose = probe(w).YerEdit()->value();
        };
        qApp->installEventFilter(&spy);
        f.dialogs.fileNames.enqueue(path);
        w.HFileOpenClick();
        qApp->removeEventFilter(&spy);

        QVERIFY(f.dialogs.texts(QStringLiteral("error")).isEmpty());
        QVERIFY(!CurrentWaitWindow());
        QVERIFY2(nameAtClose.endsWith(QStringLiteral("shown.Aut"), Qt::CaseInsensitive), qPrintable(nameAtClose));
        QCOMPARE(rowsAtClose, 500);
        QCOMPARE(yearAtClose, 2023);
        QCOMPARE(countAtClose, QStringLiteral("  500건 "));

        // Add file likewise shows the merged ledger before the window closes.
        rowsAtClose = -1;
        qApp->installEventFilter(&spy);
        f.dialogs.fileNames.enqueue(path);
        w.FileAddClick();
        qApp->removeEventFilter(&spy);
        QVERIFY(f.dialogs.texts(QStringLiteral("error")).isEmpty());
        QCOMPARE(rowsAtClose, 1000);
        QCOMPARE(countAtClose, QStringLiteral(" 1000건 "));
    }

    void printPreviewOfALongLedgerShowsItsProgress()
    {
        // The preview of a long ledger lays out and draws every page before
        // it shows: the wait window stands meanwhile, its bar going up page
        // by page, and it is gone once the preview is up.
        MainWindowFixture f;
        QVERIFY(f.start());
        Tmainf& w = *f.window;
        for (int i = 0; i < 2500; ++i)
            f.addEntry(QStringLiteral("2009.%1.%2").arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                       QStringLiteral("매출 %1").arg(i), 1000 + i, 100);
        w.CmGbnChange();
        QCOMPARE(probe(w).TAcunt().recordCount(), 2500);  // the year the filter shows
        std::vector<int> seen;
        WaitSpy spy;
        spy.onBarPaint = [&](int position) { seen.push_back(position); };
        qApp->installEventFilter(&spy);
        // The preview is closed once it stands without the wait window.
        QTimer poll;
        bool closed = false;
        connect(&poll, &QTimer::timeout, &w, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (preview && !CurrentWaitWindow() && !closed) {
                closed = true;
                preview->reject();
            }
        });
        poll.start(50);
        w.PrintBtnClick();
        poll.stop();
        qApp->removeEventFilter(&spy);
        QVERIFY(closed);
        QVERIFY(!CurrentWaitWindow());
        QVERIFY2(seen.size() >= 10, qPrintable(QStringLiteral("%1 paints of the bar").arg(seen.size())));
        QCOMPARE(seen.back(), 100);
        for (std::size_t i = 1; i < seen.size(); ++i)
            QVERIFY2(seen[i] >= seen[i - 1], "the bar went back");
    }
};

QTEST_MAIN(TestWaitProgress)
#include "tst_wait_progress.moc"
