// One watch folder of the list: its settings, its polling thread while started, and the
// queue of files the thread found, converted one at a time on the main thread.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "convert/ConvertOutcome.h"
#include "stl/STLUtils.h"
#include "watchfolder/STLWatchFolderUtils.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

class TWatchFolderItem {
public:
    TWatchFolderItem();
    // The owner always calls Stop first; a thread still running is stopped here too rather
    // than left calling into a destroyed item.
    ~TWatchFolderItem();
    TWatchFolderItem(const TWatchFolderItem&) = delete;
    TWatchFolderItem& operator=(const TWatchFolderItem&) = delete;

    // Polls the folder every checkIntervalMS (brought into the thread's range). Arming says
    // what it meets (a destination that is not there, another owner of the folder) as
    // queued messages.
    bool Start(int32_t checkIntervalMS);
    bool Stop();
    bool IsStarted() const { return Thread != nullptr; }
    // Hands out the oldest queued file, once (one take under the queue's lock); false when
    // none is queued.
    bool TakeNextFile(std::string& fileName);
    // Converts a file taken from the queue with this folder's settings. A failure is told to
    // the polling thread with the file's stamp from just before, so the file is offered again
    // once it changes.
    TConvertOutcome ConvertFile(const std::string& fileName);
    void NewWatchFolderSTLFile(const std::string& fileName); // called on the polling thread
    size_t PendingCount();
    // Queues a message for the operator; any thread.
    void NewWatchFolderMessage(int32_t type, const std::string& text);
    // Reports the queued messages through ReportFunction, in the order they were raised; on
    // the main thread only (the report's observers live there).
    void ReportMessages();

    TWatchFolderSTLConvertSettings Settings;
    std::unique_ptr<TSTLWatchFolderThread> Thread;
    TReportFunction ReportFunction;

private:
    struct TMessage {
        int32_t Type;
        std::string Text;
    };

    std::mutex Lock; // guards the two queues
    std::deque<std::string> PendingFiles;
    std::deque<TMessage> PendingMessages;
};
