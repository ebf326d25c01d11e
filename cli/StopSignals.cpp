#include "cli/StopSignals.h"

#include <algorithm>
#include <cerrno>
#include <pthread.h>

TStopSignals::TStopSignals(bool reload) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    if (reload)
        sigaddset(&set_, SIGHUP);
    blocked_ = pthread_sigmask(SIG_BLOCK, &set_, &previous_) == 0;
}

TStopSignals::~TStopSignals() {
    if (!blocked_)
        return;
    const timespec none{0, 0};
    while (sigtimedwait(&set_, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

TRunSignal TStopSignals::Wait(std::chrono::milliseconds timeout) {
    if (Pending())
        return TRunSignal::Stop;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // A wait of no time still takes a signal already pending: between the passes of a
        // burst the run must stay stoppable.
        const auto left = std::max(std::chrono::nanoseconds(0),
                                   std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       deadline - std::chrono::steady_clock::now()));
        const timespec wait{time_t(left.count() / 1000000000), long(left.count() % 1000000000)};
        const int signal = sigtimedwait(&set_, nullptr, &wait);
        if (signal == SIGINT || signal == SIGTERM)
            return TRunSignal::Stop;
        if (signal == SIGHUP)
            return Pending() ? TRunSignal::Stop : TRunSignal::Reload;
        // EINTR: another signal was handled; wait out the rest of the pause.
        if ((signal < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            return TRunSignal::None;
    }
}

bool TStopSignals::Pending() {
    // Only the stop signals: a pending SIGHUP stays for the next wait.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    const timespec none{0, 0};
    const int signal = sigtimedwait(&stop, nullptr, &none);
    return signal == SIGINT || signal == SIGTERM;
}
