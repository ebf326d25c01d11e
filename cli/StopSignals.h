// SIGINT and SIGTERM as a stop request for the long-running commands, and SIGHUP as a reload
// request for those that ask for it.
#pragma once

#include <chrono>
#include <csignal>

// Holds SIGINT and SIGTERM blocked in this thread while it lives, so they stay pending until
// asked for: a signal then ends a wait at once but never cuts a conversion or an entry's
// check short. Threads started meanwhile inherit the mask and never take them.
enum class TRunSignal { None, Stop, Reload };

class TStopSignals {
public:
    // With reload, SIGHUP is held and taken as well.
    explicit TStopSignals(bool reload = false);
    // A signal that came after the last look would end the process once unblocked; the run
    // is over anyway, so it is taken here.
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    bool Blocked() const { return blocked_; }
    // Waits up to timeout for SIGINT or SIGTERM (Stop) or SIGHUP (Reload), one that is already
    // pending included; None when the time passed. A stop comes before a reload pending with
    // it.
    TRunSignal Wait(std::chrono::milliseconds timeout);
    // Takes a pending SIGINT or SIGTERM without waiting; true when there was one.
    bool Pending();

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool blocked_ = false;
};
