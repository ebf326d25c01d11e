// What the three runs (a batch, armed watch folders, a playlist check) share: how a start
// ends and what a front end does after a step. A run is stepped by the window's timer or
// by the command line's loop; both call the same step.
#pragma once

#include <chrono>
#include <string>

class TLogsAndMessages;

// After a step: step again at once, step again after the run's pause, or stop stepping.
enum class TRunNext { Now, AfterPause, Finished };

// The pause a run takes before each entry (a batch, a playlist check) or between two passes
// (watch folders); the window takes its pending events in it.
inline constexpr std::chrono::milliseconds kRunPause{100};

struct TRunStart {
    bool Started = false;
    // Why the run did not start, in the operator's words (a message box of the window, a line
    // on standard error of the command line); empty when it started, or when it failed for a
    // reason only the trace tells.
    std::string Refusal;
};

// What every run works with besides its own state and the settings or list it takes: where it
// reports, and the busy flag the three runs share (set while one runs; a front end clears it
// to end a run at its next step without its closing line).
struct TRunContext {
    TLogsAndMessages& Logs;
    bool& Busy;
};
