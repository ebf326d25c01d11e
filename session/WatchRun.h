// The armed watch folders: every folder of the list polled by its thread, and on each step
// one queued file per folder converted with the folder's settings.
#pragma once

#include <memory>

#include "session/Run.h"
#include "watchfolder/WatchFolderList.h"

class TWatchRun {
public:
    TWatchRun(TRunContext context, const std::unique_ptr<TWatchFolderList>& list)
        : context_(context), list_(list) {}

    // Refused with an empty list; otherwise every folder is started and the arming logged.
    // If one fails, those started are stopped again and the busy flag
    // is cleared: nothing stays half armed (Started false, no refusal text).
    TRunStart Arm();
    // One pass over the folders: Now after a pass that converted a file, AfterPause after an
    // idle one. A busy flag cleared from outside (a close) stops every folder here without a
    // line.
    TRunNext Step();
    // Takes the entries of fresh (see TWatchFolderList::Reload), starting new ones when armed,
    // and logs "Watch folder settings reloaded: A added, R removed, C changed."
    TWatchReload Reload(TWatchFolderList& fresh);
    // The Disarm button: every folder stopped, the disarming logged, the busy flag cleared.
    void Disarm();
    // Stops every started folder without a line (the run ends with its owner).
    void Abandon();

    bool Armed() const { return armed_; }
    // Files taken by the last pass.
    int LastPass() const { return lastPass_; }

    // Told what became of each file taken, with the index of its watch folder.
    TFileConverted FileConverted;

private:
    TRunContext context_;
    const std::unique_ptr<TWatchFolderList>& list_;
    bool armed_ = false;
    int lastPass_ = 0;
};
