// SPDX-License-Identifier: GPL-3.0-or-later
// The wait window in its two modes: look, placement, the bar's clamping and
// the program-wide step counter.
#include "gui/support/TSprSfm.h"
#include "gui/support/WaitWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <stdexcept>

class TestWaitWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CloseWait(); }

    void gaugeModeIsFramedColouredAndPaintedAtOnce()
    {
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("파일을 읽고 있습니다. 잠시만..."));
        TSprSfm* w = CurrentWaitWindow();
        QVERIFY(w);
        QCOMPARE(w->mode(), TSprSfm::Mode::Gauge);
        QVERIFY(w->isVisible());
        QVERIFY(w->windowHandle() && w->windowHandle()->isExposed());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);  // no title bar
        QCOMPARE(w->frameStyle() & QFrame::Shape_Mask, int(QFrame::Panel));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 107, 159));
        QCOMPARE(w->MessageLabel->text(), QStringLiteral("파일을 읽고 있습니다. 잠시만..."));
        QCOMPARE(w->MessageLabel->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(w->MessageLabel->font().bold());
        QVERIFY(w->GaugeBar->isVisible());
        QCOMPARE(w->GaugeBar->geometry().translated(-TSprSfm::kFrameWidth, -TSprSfm::kFrameWidth),
                 QRect(8, 11, 352, 11));
        QCOMPARE(w->MessageLabel->y() - TSprSfm::kFrameWidth, 30);
        QVERIFY(w->GaugeTimer->isActive());
        QCOMPARE(w->GaugeTimer->interval(), 30);
        QCOMPARE(w->size(), QSize(371 + 2 * TSprSfm::kFrameWidth, 56 + 2 * TSprSfm::kFrameWidth));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w->geometry().center().x(), screen.center().x());
        QVERIFY(qAbs(w->geometry().center().y() - screen.center().y()) <= 1);

        // The painted window shows the chosen colour inside the frame.
        const QImage shot = w->grab().toImage();
        QCOMPARE(shot.pixelColor(5, 40), QColor(0, 107, 159));

        CloseWait();
        QVERIFY(!CurrentWaitWindow());
    }

    void messageModeShowsOnlyTheMessage()
    {
        ShowWaitMessage(QColor(26, 27, 22), QStringLiteral("자료를 재계산합니다. 잠시만..."));
        TSprSfm* w = CurrentWaitWindow();
        QVERIFY(w);
        QCOMPARE(w->mode(), TSprSfm::Mode::Message);
        QVERIFY(w->isVisible());
        QCOMPARE(w->frameStyle(), int(QFrame::NoFrame));
        QVERIFY(!w->autoFillBackground());
        QVERIFY(!w->GaugeBar->isVisible());
        QVERIFY(!w->GaugeTimer->isActive());
        QCOMPARE(w->height(), 25);
        QCOMPARE(w->MessageLabel->y(), 12);
        QCOMPARE(w->MessageLabel->palette().color(QPalette::WindowText), QColor(26, 27, 22));
        QVERIFY(w->MessageLabel->font().bold());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        // None of the window's own colour is painted.
        const QImage shot = w->grab().toImage();
        for (QPoint p : {QPoint(1, 1), QPoint(2, 22), QPoint(369, 3)})
            QVERIFY(shot.pixelColor(p) != QColor(31, 124, 209));
    }

    void messageModeShowsOurWindowBeneath()
    {
        // The screen still shows a white dialog that has just closed over our
        // window; beneath the message our window is to be seen, and the
        // screen's picture only where our window does not reach.
        QWidget under;
        under.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        under.setAutoFillBackground(true);
        QPalette pal = under.palette();
        pal.setColor(QPalette::Window, QColor(200, 30, 40));
        under.setPalette(pal);
        under.setGeometry(100, 100, 300, 200);
        under.show();
        QVERIFY(QTest::qWaitForWindowExposed(&under));
        QPixmap stale(371, 25);
        stale.fill(Qt::white);
        const QRect area(QPoint(under.mapToGlobal(QPoint(250, 50))), stale.size());  // reaches past the right edge
        const QImage seen = PictureBeneath(stale, area, &under).toImage();
        QCOMPARE(seen.pixelColor(1, 1), QColor(200, 30, 40));
        QCOMPARE(seen.pixelColor(49, 24), QColor(200, 30, 40));
        QCOMPARE(seen.pixelColor(50, 1), QColor(Qt::white));
        QCOMPARE(seen.pixelColor(370, 24), QColor(Qt::white));
        // No window of ours is active (the dialog that closed took the
        // activation with it): our shown windows are drawn all the same.
        const QImage inactive = PictureBeneath(stale, area).toImage();
        QCOMPARE(inactive.pixelColor(1, 1), QColor(200, 30, 40));
        QCOMPARE(inactive.pixelColor(50, 1), QColor(Qt::white));
        // A hidden window of ours is not drawn.
        under.hide();
        QCOMPARE(PictureBeneath(stale, area).toImage().pixelColor(1, 1), QColor(Qt::white));
    }

    void barIsClampedAndDrawnAtOnce_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("position");
        QTest::newRow("above") << 150 << 100;
        QTest::newRow("below") << -5 << 0;
        QTest::newRow("inside") << 37 << 37;
        QTest::newRow("edge") << 100 << 100;
    }
    void barIsClampedAndDrawnAtOnce()
    {
        QFETCH(int, set);
        QFETCH(int, position);
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("x"));
        TSprSfm* w = CurrentWaitWindow();
        w->GaugeTimer->stop();  // no ticks in between
        SetWaitGauge(set);
        QCOMPARE(w->GaugeBar->position(), position);
        const QImage bar = w->GaugeBar->grab().toImage();
        const int inner = w->GaugeBar->width() - 2;
        QCOMPARE(w->GaugeBar->drawnLength(), inner * position / 100);
        // black as far as the bar reaches, white after it
        if (position > 0)
            QCOMPARE(bar.pixelColor(1 + inner * position / 100 - 1, 5), QColor(Qt::black));
        if (position < 100)
            QCOMPARE(bar.pixelColor(1 + inner * position / 100, 5), QColor(Qt::white));
    }

    void stepsFasterThanThePaintIntervalPaintOnce()
    {
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("x"));
        TSprSfm* w = CurrentWaitWindow();
        w->GaugeTimer->stop();
        WaitGaugeBar* bar = w->GaugeBar;
        // Without an interval every visible step is painted at once.
        bar->setPaintInterval(0);
        int before = bar->paintCount();
        SetWaitGauge(10);
        SetWaitGauge(20);
        QCOMPARE(bar->paintCount(), before + 2);
        // A reading loop steps the bar for every entry: within one interval
        // only the first step is painted, however many follow.
        bar->setPaintInterval(60 * 60 * 1000);
        SetWaitGauge(30);
        before = bar->paintCount();
        for (int round = 0; round < 1000; ++round)
            for (int p = 0; p < 100; ++p)
                SetWaitGauge(p);
        QCOMPARE(bar->paintCount(), before);
        // The full bar is always shown.
        SetWaitGauge(100);
        QCOMPARE(bar->paintCount(), before + 1);
    }

    void stepCounterBelongsToTheProgram()
    {
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("x"));
        TSprSfm* first = CurrentWaitWindow();
        first->GaugeTimer->stop();
        for (int i = 0; i < 3; ++i)
            first->GaugeTimerTimer();
        const int reached = WaitStepCounter();
        QCOMPARE(first->GaugeBar->position(), reached);
        CloseWait();

        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("y"));
        TSprSfm* second = CurrentWaitWindow();
        second->GaugeTimer->stop();
        second->GaugeTimerTimer();
        QCOMPARE(second->GaugeBar->position(), (reached + 1) % 100);
        // round and round: 99 is followed by 0
        while (WaitStepCounter() != 99)
            second->GaugeTimerTimer();
        second->GaugeTimerTimer();
        QCOMPARE(WaitStepCounter(), 0);
        QCOMPARE(second->GaugeBar->position(), 0);
    }

    void timerTurnsTheBarWhileTheEventLoopRuns()
    {
        ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("x"));
        const int start = WaitStepCounter();
        QTRY_VERIFY(WaitStepCounter() != start);
        QCOMPARE(CurrentWaitWindow()->GaugeBar->position(), WaitStepCounter());
    }

    void oneWindowAtATimeAndCloserOnEveryPath()
    {
        ShowWaitMessage(Qt::black, QStringLiteral("a"));
        ShowWaitGauge(30, Qt::blue, Qt::white, QStringLiteral("b"));
        QCOMPARE(CurrentWaitWindow()->MessageLabel->text(), QStringLiteral("b"));
        try {
            WaitCloser closer;
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(!CurrentWaitWindow());
        CloseWait();  // closing again does nothing
        SetWaitGauge(50);
        QVERIFY(!CurrentWaitWindow());
    }
};

QTEST_MAIN(TestWaitWindow)
#include "tst_waitwindow.moc"
