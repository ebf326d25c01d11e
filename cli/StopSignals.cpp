#include "cli/StopSignals.h"

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
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0)
            return false;
        const timespec wait{time_t(left.count() / 1000000000), long(left.count() % 1000000000)};
        const int signal = sigtimedwait(&set_, nullptr, &wait);
        if (signal == SIGINT || signal == SIGTERM)
            return true;
        // EINTR: another signal was handled; wait out the rest of the pause.
        if (signal < 0 && errno != EINTR)
            return false;
    }
}

bool TStopSignals::Pending() {
    const timespec none{0, 0};
    const int signal = sigtimedwait(&set_, nullptr, &none);
    return signal == SIGINT || signal == SIGTERM;
}
