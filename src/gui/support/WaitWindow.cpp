// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/WaitWindow.h"

#include "gui/app/AppFonts.h"
#include "gui/support/TSprSfm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

TSprSfm* current = nullptr;
// The window that was active before the wait window appeared: it gets the
// activation back should the wait window have taken it.
QPointer<QWidget> activeBefore;
int stepCounter = 0;  // belongs to the program: a new window continues from here

} // namespace

// --- bar -------------------------------------------------------------------

WaitGaugeBar::WaitGaugeBar(QWidget* parent) : QWidget(parent) {}

int WaitGaugeBar::drawnLength() const
{
    const int inner = qMax(0, width() - 2);
    return inner * position_ / 100;
}

void WaitGaugeBar::setPosition(int position)
{
    position = qBound(0, position, 100);
    if (position == position_)
        return;
    const int before = drawnLength();
    position_ = position;
    if (drawnLength() == before || !isVisible())
        return;
    // Callers step the bar without returning to the event loop: paint now,
    // unless it was painted a moment ago; then the next step (or the event
    // loop) shows it.
    // One pending update is enough: asking again for each of a million
    // steps costs more than the reading itself.
    if (position_ == 100 || !sincePaint_.isValid() || sincePaint_.elapsed() >= paintIntervalMs_) {
        repaint();
    } else if (!updatePending_) {
        updatePending_ = true;
        update();
    }
}

void WaitGaugeBar::paintEvent(QPaintEvent*)
{
    ++paintCount_;
    updatePending_ = false;
    sincePaint_.start();
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (const int len = drawnLength(); len > 0)
        p.fillRect(QRect(1, 1, len, height() - 2), Qt::black);
}

// --- window ------------------------------------------------------------------

TSprSfm::TSprSfm(Mode mode) : QFrame(nullptr), mode_(mode)
{
    setWindowTitle(QStringLiteral("잠시만..."));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(appfonts::pixelFont(appfonts::gulim(), 12));

    GaugeBar = new WaitGaugeBar(this);
    MessageLabel = new QLabel(QStringLiteral("자료를 준비중입니다. 잠시만..."), this);
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setFont(appfonts::pixelFont(appfonts::gulim(), 12, true));
    MessageLabel->setAttribute(Qt::WA_TranslucentBackground);
    GaugeTimer = new QTimer(this);
    GaugeTimer->setInterval(10);
    QObject::connect(GaugeTimer, &QTimer::timeout, this, [this] { GaugeTimerTimer(); });

    if (mode == Mode::Gauge) {
        // A thin frame and no title bar; the inner area keeps its design size.
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(kFrameWidth);
        const int f = kFrameWidth;
        setFixedSize(kInnerWidth + 2 * f, kInnerHeight + 2 * f);
        GaugeBar->setGeometry(f + 8, f + 11, 352, 11);
        MessageLabel->setGeometry(f + 8, f + 30, 352, 12);
        GaugeBar->show();
    } else {
        setFrameStyle(QFrame::NoFrame);
        setFixedSize(kInnerWidth, kMessageHeight);
        GaugeBar->hide();
        MessageLabel->setGeometry(8, 12, 352, 12);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    setColors(QColor(31, 124, 209), Qt::black);
}

void TSprSfm::setColors(const QColor& window, const QColor& text)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, window);
    setPalette(pal);
    setAutoFillBackground(mode_ == Mode::Gauge);
    QPalette lp = MessageLabel->palette();
    lp.setColor(QPalette::WindowText, text);
    MessageLabel->setPalette(lp);
}

void TSprSfm::setMessage(const QString& message) { MessageLabel->setText(message); }

void TSprSfm::showPainted()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        if (mode_ == Mode::Message) {
            // Only the message is to be seen: keep what the screen shows
            // beneath the window as its background. Where the display cannot
            // hand that out, let the compositor show through instead.
            beneath_ = screen->grabWindow(0, x() - area.x(), y() - area.y(), width(), height());
            if (beneath_.isNull() || beneath_.size() != size())
                setAttribute(Qt::WA_TranslucentBackground);
            else
                beneath_ = PictureBeneath(beneath_, QRect(pos(), size()),
                                          activeBefore ? activeBefore.data() : QApplication::activeWindow());
        }
    }
    show();
    raise();
    // The caller keeps the event loop busy until it closes the window, so
    // wait briefly for the window to appear and paint it now.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
}

QPixmap PictureBeneath(QPixmap screenPicture, const QRect& area, QWidget* ownWindow)
{
    if (screenPicture.isNull())
        return screenPicture;
    // Every window of ours that is shown, the active one last (on top).
    // Whether or not one is active: the dialog that has just closed took
    // the activation with it.
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (w == ownWindow || dynamic_cast<TSprSfm*>(w) || !w->isVisible() || w->isMinimized()
            || (type != Qt::Window && type != Qt::Dialog))
            continue;
        windows.append(w);
    }
    if (ownWindow && ownWindow->isVisible())
        windows.append(ownWindow);
    QPainter p(&screenPicture);
    for (QWidget* w : std::as_const(windows)) {
        const QRect overlap = area & QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
        if (overlap.isEmpty())
            continue;
        const QPixmap part = w->grab(QRect(w->mapFromGlobal(overlap.topLeft()), overlap.size()));
        p.drawPixmap(overlap.topLeft() - area.topLeft(), part);
    }
    return screenPicture;
}

void TSprSfm::paintEvent(QPaintEvent* event)
{
    if (mode_ == Mode::Message) {
        if (!beneath_.isNull() && !testAttribute(Qt::WA_TranslucentBackground)) {
            QPainter p(this);
            p.drawPixmap(0, 0, beneath_);
        }
        return;
    }
    QFrame::paintEvent(event);
}

void TSprSfm::GaugeTimerTimer()
{
    stepCounter = (stepCounter + 1) % 100;
    GaugeBar->setPosition(stepCounter);
}

int WaitStepCounter() { return stepCounter; }

// --- operations ----------------------------------------------------------------

void ShowWaitGauge(int intervalMs, const QColor& windowColor, const QColor& textColor, const QString& message)
{
    CloseWait();  // never two at a time
    activeBefore = QApplication::activeWindow();
    current = new TSprSfm(TSprSfm::Mode::Gauge);
    current->setColors(windowColor, textColor);
    current->setMessage(message);
    current->GaugeTimer->setInterval(intervalMs);
    current->GaugeTimer->start();
    current->showPainted();
}

void ShowWaitMessage(const QColor& textColor, const QString& message)
{
    CloseWait();
    activeBefore = QApplication::activeWindow();
    current = new TSprSfm(TSprSfm::Mode::Message);
    current->GaugeTimer->stop();
    current->setColors(QColor(31, 124, 209), textColor);
    current->setMessage(message);
    current->showPainted();
}

void CloseWait()
{
    if (!current)
        return;
    TSprSfm* w = current;
    current = nullptr;
    w->GaugeTimer->stop();
    w->hide();
    delete w;
    if (activeBefore && activeBefore->isVisible() && QApplication::activeWindow() != activeBefore)
        activeBefore->activateWindow();
    activeBefore = nullptr;
}

void SetWaitGauge(int position)
{
    if (current)
        current->GaugeBar->setPosition(position);
}

TSprSfm* CurrentWaitWindow() { return current; }
