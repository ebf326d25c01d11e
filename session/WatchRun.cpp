#include "session/WatchRun.h"

#include "platform/Trace.h"
#include "session/CaplinSession.h"

namespace {

constexpr const char* kRunRoutine = "TCaplinForm.btnWFArmClick";

} // namespace

TRunStart TWatchRun::Arm() {
    return Guarded(kRunRoutine, TRunStart{}, [&] {
        TWatchFolderList* list = session_.WatchFolderList.get();
        if (!list || list->Items.empty())
            return TRunStart{false, "There are no watch folder specified."};
        session_.SetConversionInProgress(true);
        if (!list->StartWatchFolderObjects()) {
            TraceError(kRunRoutine, "cannot start watch folder objects");
            // The list stopped the folders it had started; nothing stays half armed.
            session_.SetConversionInProgress(false);
            return TRunStart{};
        }
        armed_ = true;
        session_.Logs.LogFunction("Watch folder conversion armed.");
        return TRunStart{true, {}};
    });
}

TRunNext TWatchRun::Step() {
    return Guarded(kRunRoutine, TRunNext::Finished, [&] {
        lastPass_ = 0;
        if (!armed_)
            return TRunNext::Finished;
        if (!session_.ConversionInProgress() || !session_.WatchFolderList) {
            Abandon();
            return TRunNext::Finished;
        }
        lastPass_ = session_.WatchFolderList->ProcessPass(FileConverted);
        return TRunNext::AfterPause;
    });
}

void TWatchRun::Disarm() {
    GuardedVoid(kRunRoutine, [&] {
        armed_ = false;
        if (session_.WatchFolderList && !session_.WatchFolderList->StopWatchFolderObjects())
            TraceError(kRunRoutine, "cannot stop watch folder objects");
        session_.Logs.LogFunction("Watch folder conversion disarmed.");
        session_.SetConversionInProgress(false);
    });
}

void TWatchRun::Abandon() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        armed_ = false;
        if (!session_.WatchFolderList)
            return;
        for (const auto& item : session_.WatchFolderList->Items)
            if (item->IsStarted())
                item->Stop();
    });
}
