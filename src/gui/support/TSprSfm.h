// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QFrame>
#include <QPixmap>

class QLabel;
class QTimer;

// The wait window's bar: 0..100, black on white, no percentage text.
class WaitGaugeBar : public QWidget {
public:
    explicit WaitGaugeBar(QWidget* parent = nullptr);
    int position() const { return position_; }
    // Clamps into 0..100 and redraws at once when the drawn length changes,
    // at most once per paint interval: a loop stepping the bar for each of
    // a million entries must not wait for a million paints. A full bar is
    // always painted at once.
    void setPosition(int position);
    int drawnLength() const;
    void setPaintInterval(int milliseconds) { paintIntervalMs_ = milliseconds; }
    int paintCount() const { return paintCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int position_ = 0;
    int paintIntervalMs_ = 15;
    int paintCount_ = 0;
    bool updatePending_ = false;
    QElapsedTimer sincePaint_;
};

// The wait window: gauge mode (framed, coloured, bar and message) or
// message mode (only the bold message over what lies beneath). Made by
// ShowWaitGauge / ShowWaitMessage, destroyed by CloseWait.
class TSprSfm : public QFrame {
public:
    enum class Mode { Gauge, Message };

    static constexpr int kInnerWidth = 371;
    static constexpr int kInnerHeight = 56;
    static constexpr int kFrameWidth = 2;
    static constexpr int kMessageHeight = 25;

    explicit TSprSfm(Mode mode);

    WaitGaugeBar* GaugeBar = nullptr;
    QLabel* MessageLabel = nullptr;
    QTimer* GaugeTimer = nullptr;

    Mode mode() const { return mode_; }
    void setColors(const QColor& window, const QColor& text);
    void setMessage(const QString& message);
    // Shows the window centred on the screen and paints it before returning.
    void showPainted();
    // One tick: the program-wide step counter moves on and the bar follows.
    void GaugeTimerTimer();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Mode mode_;
    QPixmap beneath_;  // message mode: what the screen showed there
};

// What the message-mode window shows beneath its message: the screen's
// picture of `area` (global coordinates) with our own shown windows drawn
// from themselves on top, `ownWindow` (the one that was active, if any)
// last: the screen may still show a dialog that has just closed over them.
QPixmap PictureBeneath(QPixmap screenPicture, const QRect& area, QWidget* ownWindow = nullptr);

// The program-wide step counter of the gauge (0..99).
int WaitStepCounter();
