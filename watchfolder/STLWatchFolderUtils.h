// The polling thread of one armed watch folder. It only discovers files: every new STL file
// that nobody is still writing is handed, once, to its owner's callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/Event.h"
#include "platform/Status.h"

using TNewFileCallback = std::function<void(const std::string& path)>;

constexpr int32_t kMinCheckIntervalMS = 100;
constexpr int32_t kMaxCheckIntervalMS = 3600000;

// Size and modification time of a file, as remembered between two scans where the kernel
// refuses a lease.
struct TFileStamp {
    int64_t Size = -1;
    int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

// True when path is still open for writing by some process (or cannot be opened at all).
// previous, when given, is the stamp seen at the previous scan (Size -1 for none) and is
// updated; it decides where the kernel grants no lease (another user's file, a network
// mount): a stamp that changed, or was never seen, counts as in use.
bool IsFileOpen(const std::string& path, TFileStamp* previous = nullptr);

// Test hook: when set, called with the path instead of asking the kernel for the lease; its
// result is the error the kernel would give (0: lease granted; EAGAIN: a writer holds the
// file; EACCES or EINVAL: no lease possible here, so the stamps decide).
std::function<int(const std::string& path)>& LeaseFault();

class TSTLWatchFolderThread {
public:
    // Starts the thread at once, inactive. The interval is clamped to 100 .. 3,600,000 ms.
    TSTLWatchFolderThread(const std::string& watchFolder, TNewFileCallback onNewFile,
                          int32_t checkIntervalMS);
    // Signals the stop event and returns only after the loop has ended.
    ~TSTLWatchFolderThread();
    TSTLWatchFolderThread(const TSTLWatchFolderThread&) = delete;
    TSTLWatchFolderThread& operator=(const TSTLWatchFolderThread&) = delete;

    TStatus Activate();
    TStatus Deactivate();

    const std::string& WatchFolder() const { return watchFolder_; }
    int32_t CheckIntervalMS() const { return checkIntervalMS_; }
    bool Active() const { return active_; }

    // One pass of the loop's scan (exposed for tests and benchmarks). False after a failure
    // (traced as the loop's), which ends the loop when it happens there.
    bool Scan();

private:
    void Execute();

    TEvent stopEvent_;
    std::string watchFolder_;
    // Names compare case-sensitively: on Linux a.stl and A.stl are two files.
    std::unordered_set<std::string> currentScan_;
    std::unordered_set<std::string> previousScan_;
    // Stamps of names skipped as in use, for folders where no lease can be taken.
    std::unordered_map<std::string, TFileStamp> pendingStamps_;
    std::unordered_map<std::string, TFileStamp> stillPending_; // reused by each pass
    // Held for a whole pass, so a pass called from outside never meets the loop's.
    std::mutex scanLock_;
    TNewFileCallback onNewFile_;
    std::atomic<bool> active_{false};
    int32_t checkIntervalMS_ = kMinCheckIntervalMS;
    std::thread thread_;
};
