// A playlist check over every entry of the list, in slices short enough for a window to
// stay responsive, with a tally of what it found.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "playlist/PlaylistCheckUtils.h"
#include "session/Run.h"

class TPlaylistCheckList;
class TPlaylistGroupCheck;

class TPlaylistCheckRun {
public:
    TPlaylistCheckRun(TRunContext context, const std::unique_ptr<TPlaylistCheckList>& list);
    ~TPlaylistCheckRun();

    // Refused with an empty list; otherwise the start is logged and the busy flag set.
    // The number of entries is taken now, once.
    TRunStart Start();
    // A slice of the entry under way, of at most StepBudget (it always takes one piece of
    // work); Now while the entry has work left, AfterPause when it ended and another follows.
    // After the last entry the busy flag is cleared and the end logged. A busy
    // flag cleared from outside (a close) finishes the entry under way and ends the run
    // without a line.
    TRunNext Step();
    // "Stop": the entry under way is finished first (its missing-subtitle logs would
    // otherwise be partial), then the stop is logged and the busy flag cleared.
    void Stop();
    // Drops a check under way without finishing it (the run ends with its owner).
    void Abandon();

    bool Running() const { return running_; }
    // Entries checked to their end by this check, or by the last one.
    size_t EntriesChecked() const { return index_; }
    // Entries that could not be checked at all (each reported as an Error).
    size_t FailedEntries() const { return failedEntries_; }
    const TPlaylistCheckTally& Tally() const { return tally_; }

    // How long one step may go on before the window takes its events again.
    std::chrono::milliseconds StepBudget{40};

private:
    void EndEntry();
    void EndRun();

    TRunContext context_;
    const std::unique_ptr<TPlaylistCheckList>& list_;
    bool running_ = false;
    size_t count_ = 0;
    size_t index_ = 0; // the entry under way, or the next one
    size_t failedEntries_ = 0;
    TPlaylistCheckTally tally_;
    std::unique_ptr<TPlaylistGroupCheck> entryCheck_;
};
