// SIGINT and SIGTERM as a stop request for the long-running commands.
#pragma once

#include <chrono>
#include <csignal>

// Holds SIGINT and SIGTERM blocked in this thread while it lives, so they stay pending until
// asked for: a signal then ends a wait at once but never cuts a conversion or an entry's
// check short. Threads started meanwhile inherit the mask and never take them.
class TStopSignals {
public:
    TStopSignals();
    // A signal that came after the last look would end the process once unblocked; the run
    // is over anyway, so it is taken here.
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    bool Blocked() const { return blocked_; }
    // Waits up to timeout; true when SIGINT or SIGTERM arrived (or was already pending).
    bool WaitForStop(std::chrono::milliseconds timeout);
    // Takes a pending SIGINT or SIGTERM without waiting; true when there was one.
    bool Pending();

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool blocked_ = false;
};
