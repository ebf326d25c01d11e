#include "session/PlaylistCheckRun.h"

#include "logs/LogsAndMessages.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckList.h"
#include "playlist/PlaylistGroupCheck.h"

namespace {

constexpr const char* kRunRoutine = "TCaplinForm.btnPCCheckClick";

} // namespace

TPlaylistCheckRun::TPlaylistCheckRun(TRunContext context,
                                     const std::unique_ptr<TPlaylistCheckList>& list)
    : context_(context), list_(list) {}

TPlaylistCheckRun::~TPlaylistCheckRun() = default;

TRunStart TPlaylistCheckRun::Start() {
    return Guarded(kRunRoutine, TRunStart{}, [&] {
        const TPlaylistCheckList* list = list_.get();
        if (!list || list->Entries.empty())
            return TRunStart{false, "There are no playlist folders specified."};
        context_.Busy = true;
        context_.Logs.LogFunction("Playlist check starting.");
        running_ = true;
        count_ = list->Entries.size();
        index_ = 0;
        failedEntries_ = 0;
        tally_ = TPlaylistCheckTally();
        entryCheck_.reset();
        return TRunStart{true, {}};
    });
}

TRunNext TPlaylistCheckRun::Step() {
    return Guarded(kRunRoutine, TRunNext::Finished, [&] {
        if (!running_)
            return TRunNext::Finished;
        const bool stopped = !context_.Busy;
        if (!entryCheck_) {
            // The pause before an entry is over. The list may have shrunk meanwhile.
            const auto& entries = list_->Entries;
            if (stopped || index_ >= count_ || index_ >= entries.size()) {
                EndRun();
                return TRunNext::Finished;
            }
            entryCheck_ = std::make_unique<TPlaylistGroupCheck>(
                *entries[index_], context_.Logs.LogSink(), context_.Logs.ReportSink(), StepBudget,
                &tally_);
        }
        if (stopped)
            entryCheck_->Finish();
        else if (entryCheck_->Step())
            return TRunNext::Now;
        EndEntry();
        if (context_.Busy && index_ < count_)
            return TRunNext::AfterPause;
        EndRun();
        return TRunNext::Finished;
    });
}

void TPlaylistCheckRun::Stop() {
    GuardedVoid(kRunRoutine, [&] {
        if (entryCheck_) {
            entryCheck_->Finish();
            EndEntry();
        }
        running_ = false;
        context_.Logs.LogFunction("Playlist check stopping.");
        context_.Busy = false;
    });
}

void TPlaylistCheckRun::Abandon() {
    running_ = false;
    entryCheck_.reset();
}

void TPlaylistCheckRun::EndEntry() {
    if (!entryCheck_->Succeeded()) {
        ++failedEntries_;
        context_.Logs.ReportFunction(
            rtError,
            ("Error checking playlist folder " + entryCheck_->Settings().PlaylistsFolder).c_str());
    }
    entryCheck_.reset();
    ++index_;
}

void TPlaylistCheckRun::EndRun() {
    running_ = false;
    entryCheck_.reset();
    // A close has already cleared the flag; the run then ends without its line.
    if (!context_.Busy)
        return;
    context_.Busy = false;
    context_.Logs.LogFunction("Playlist check done.");
}
