// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QString>

class TSprSfm;

// The wait window: at most one at a time, shown before a long operation and
// closed after it. The operation runs without returning to the event loop;
// the window is painted at once when shown and repainted by gauge steps.

// Gauge mode: framed, coloured, with a bar 0..100 and a bold message.
void ShowWaitGauge(int intervalMs, const QColor& windowColor, const QColor& textColor,
                   const QString& message);
// Message mode: only the bold message, no frame and no background.
void ShowWaitMessage(const QColor& textColor, const QString& message);
// Hides and destroys the current wait window; does nothing when none is open.
void CloseWait();
// Sets the current window's bar; below 0 counts as 0, above 100 as 100.
void SetWaitGauge(int position);
// The current wait window, or nullptr.
TSprSfm* CurrentWaitWindow();

// Closes the wait window on every path out of a scope.
class WaitCloser {
public:
    WaitCloser() = default;
    ~WaitCloser() { CloseWait(); }
    WaitCloser(const WaitCloser&) = delete;
    WaitCloser& operator=(const WaitCloser&) = delete;
};
