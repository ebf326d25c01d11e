#include "cli/StopSignals.h"

#include <algorithm>
#include <cerrno>
#include <pthread.h>

TStopSignals::TStopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    blocked_ = pthread_sigmask(SIG_BLOCK, &set_, &previous_) == 0;
}

TStopSignals::~TStopSignals() {
    if (!blocked_)
        return;
    while (Pending()) {
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool TStopSignals::WaitForStop(std::chrono::milliseconds timeout) {
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
            return true;
        // EINTR: another signal was handled; wait out the rest of the pause.
        if ((signal < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

bool TStopSignals::Pending() {
    const timespec none{0, 0};
    const int signal = sigtimedwait(&set_, nullptr, &none);
    return signal == SIGINT || signal == SIGTERM;
}
