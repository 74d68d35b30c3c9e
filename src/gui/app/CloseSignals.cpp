// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/CloseSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};

extern "C" void onCloseSignal(int signal)
{
    const int saved = errno;
    const char c = static_cast<char>(signal);
    (void)!::write(gPipe[1], &c, 1);
    errno = saved;
}

} // namespace

CloseSignals::CloseSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal))
{
    if (gPipe[0] < 0 && ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char c;
        while (::read(gPipe[0], &c, 1) == 1)
            if (onSignal_)
                onSignal_(static_cast<unsigned char>(c));
    });
    struct sigaction action {};
    action.sa_handler = onCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGHUP})
        ::sigaction(s, &action, nullptr);
}

CloseSignals::~CloseSignals()
{
    // Back to the default: a signal now ends the process as it would have.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGHUP})
        ::sigaction(s, &action, nullptr);
}
