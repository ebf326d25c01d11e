#include "watchfolder/WatchFolderItem.h"

#include "convert/STLConvertUtils.h"
#include "platform/FileSystem.h"
#include "platform/Trace.h"

TWatchFolderItem::TWatchFolderItem() = default;

TWatchFolderItem::~TWatchFolderItem() {
    // The queue and its lock go before Thread would, so a running thread is ended first.
    GuardedVoid("TWatchFolderItem.Destroy", [&] { Thread.reset(); });
}

bool TWatchFolderItem::Start(int32_t checkIntervalMS) {
    return Guarded("TWatchFolderItem.Start", false, [&] {
        if (Thread) {
            TraceError("TWatchFolderItem.Start", "already started");
            return false;
        }
        {
            // Messages of an earlier arming that nobody reported spoke of a watch that ended.
            std::lock_guard<std::mutex> lock(Lock);
            PendingMessages.clear();
        }
        const std::string& destination = Settings.DestinationFolder;
        if (!destination.empty() && !DirectoryExists(destination))
            NewWatchFolderMessage(rtWarning,
                                  "Destination folder " + destination + " does not exist.");
        Thread = std::make_unique<TSTLWatchFolderThread>(
            Settings.WatchFolder, [this](const std::string& path) { NewWatchFolderSTLFile(path); },
            checkIntervalMS,
            [this](int32_t type, const std::string& text) { NewWatchFolderMessage(type, text); });
        Thread->Activate();
        return true;
    });
}

bool TWatchFolderItem::Stop() {
    return Guarded("TWatchFolderItem.Stop", false, [&] {
        if (!Thread) {
            TraceError("TWatchFolderItem.Stop", "already stopped");
            return false;
        }
        Thread->Deactivate();
        Thread.reset(); // waits for the pass under way; files already queued stay queued
        return true;
    });
}

bool TWatchFolderItem::TakeNextFile(std::string& fileName) {
    return Guarded("TWatchFolderItem.GetNextFileForProcessing", false, [&] {
        // Held for the queue alone: the polling thread never waits for a conversion.
        std::lock_guard<std::mutex> lock(Lock);
        if (PendingFiles.empty())
            return false;
        fileName = std::move(PendingFiles.front());
        PendingFiles.pop_front();
        return true;
    });
}

TConvertOutcome TWatchFolderItem::ConvertFile(const std::string& fileName) {
    return Guarded("TWatchFolderItem.ProcessNextFile",
                   TConvertOutcome{TConvertFault::Unexpected, {}, {}}, [&] {
                       const TFileStamp stamp = StampOf(fileName);
                       TConvertOutcome outcome =
                           ConvertSTLFileWithOutcome(fileName, Settings, {}, ReportFunction);
                       if (!outcome.Succeeded() && Thread)
                           Thread->FileFailed(fileName, stamp);
                       return outcome;
                   });
}

void TWatchFolderItem::NewWatchFolderSTLFile(const std::string& fileName) {
    GuardedVoid("TWatchFolderItem.NewWatchFolderSTLFile", [&] {
        std::string path = fileName; // copied before the lock is taken
        std::lock_guard<std::mutex> lock(Lock);
        PendingFiles.push_back(std::move(path));
    });
}

size_t TWatchFolderItem::PendingCount() {
    return Guarded("TWatchFolderItem.PendingCount", size_t{0}, [&] {
        std::lock_guard<std::mutex> lock(Lock);
        return PendingFiles.size();
    });
}

void TWatchFolderItem::NewWatchFolderMessage(int32_t type, const std::string& text) {
    GuardedVoid("TWatchFolderItem.NewWatchFolderMessage", [&] {
        TMessage message{type, text}; // copied before the lock is taken
        std::lock_guard<std::mutex> lock(Lock);
        PendingMessages.push_back(std::move(message));
    });
}

void TWatchFolderItem::ReportMessages() {
    GuardedVoid("TWatchFolderItem.ReportMessages", [&] {
        std::deque<TMessage> messages;
        {
            std::lock_guard<std::mutex> lock(Lock);
            messages.swap(PendingMessages);
        }
        // Reported outside the lock: an observer may take its time.
        for (const TMessage& message : messages)
            if (ReportFunction)
                ReportFunction(message.Type, message.Text.c_str());
    });
}
