// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM and SIGHUP (a session ending, `kill`) would end the program
// without a word: they arrive through a pipe written by the signal handler
// (the only thing a handler may safely do) and reach `onSignal` in the event
// loop, as a close request. One instance per process.
class CloseSignals : public QObject {
public:
    explicit CloseSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~CloseSignals() override;

private:
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
