#include "session/WatchRun.h"

#include "logs/LogsAndMessages.h"
#include "platform/Trace.h"

namespace {

constexpr const char* kRunRoutine = "TCaplinForm.btnWFArmClick";

} // namespace

TRunStart TWatchRun::Arm() {
    return Guarded(kRunRoutine, TRunStart{}, [&] {
        TWatchFolderList* list = list_.get();
        if (!list || list->Items.empty())
            return TRunStart{false, "There are no watch folder specified."};
        context_.Busy = true;
        if (!list->StartWatchFolderObjects()) {
            TraceError(kRunRoutine, "cannot start watch folder objects");
            // The list stopped the folders it had started; nothing stays half armed.
            context_.Busy = false;
            return TRunStart{};
        }
        armed_ = true;
        context_.Logs.LogFunction("Watch folder conversion armed.");
        return TRunStart{true, {}};
    });
}

TRunNext TWatchRun::Step() {
    return Guarded(kRunRoutine, TRunNext::Finished, [&] {
        lastPass_ = 0;
        if (!armed_)
            return TRunNext::Finished;
        if (!context_.Busy || !list_) {
            Abandon();
            return TRunNext::Finished;
        }
        lastPass_ = list_->ProcessPass(FileConverted);
        // A pass that converted a file is followed by the next at once, so a burst drains at
        // conversion speed; only an idle pass waits.
        return lastPass_ > 0 ? TRunNext::Now : TRunNext::AfterPause;
    });
}

TWatchReload TWatchRun::Reload(TWatchFolderList& fresh) {
    return Guarded("TWatchRun.Reload", TWatchReload{}, [&] {
        if (!list_)
            return TWatchReload{};
        const TWatchReload counts = list_->Reload(fresh, armed_);
        context_.Logs.LogFunction(
            ("Watch folder settings reloaded: " + std::to_string(counts.Added) + " added, " +
             std::to_string(counts.Removed) + " removed, " + std::to_string(counts.Changed) +
             " changed.")
                .c_str());
        return counts;
    });
}

void TWatchRun::Disarm() {
    GuardedVoid(kRunRoutine, [&] {
        armed_ = false;
        if (list_ && !list_->StopWatchFolderObjects())
            TraceError(kRunRoutine, "cannot stop watch folder objects");
        context_.Logs.LogFunction("Watch folder conversion disarmed.");
        context_.Busy = false;
    });
}

void TWatchRun::Abandon() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        armed_ = false;
        if (!list_)
            return;
        for (const auto& item : list_->Items)
            if (item->IsStarted())
                item->Stop();
    });
}
