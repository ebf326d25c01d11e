// The polling thread of one armed watch folder. It only discovers files: every new STL file
// that nobody is still writing is handed, once, to its owner's callback. It hands files on
// only while this process owns the folder (FolderLock), and says what it meets (another
// owner, a folder it cannot read) through a second callback, never to the operator directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/Event.h"
#include "platform/FolderLock.h"
#include "platform/Status.h"

using TNewFileCallback = std::function<void(const std::string& path)>;
// A message for the operator (a ReportType and its text), handed on from the thread that
// raised it.
using TFolderMessageCallback = std::function<void(int32_t type, const std::string& text)>;

constexpr int32_t kMinCheckIntervalMS = 100;
constexpr int32_t kMaxCheckIntervalMS = 3600000;

// Size and modification time of a file, as remembered between two scans where the kernel
// refuses a lease.
struct TFileStamp {
    int64_t Size = -1;
    int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at path now; Size -1 when it cannot be read.
TFileStamp StampOf(const std::string& path);

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
    // onMessage hears every message, on whichever thread raised it.
    TSTLWatchFolderThread(const std::string& watchFolder, TNewFileCallback onNewFile,
                          int32_t checkIntervalMS, TFolderMessageCallback onMessage = nullptr);
    // Signals the stop event and returns only after the loop has ended.
    ~TSTLWatchFolderThread();
    TSTLWatchFolderThread(const TSTLWatchFolderThread&) = delete;
    TSTLWatchFolderThread& operator=(const TSTLWatchFolderThread&) = delete;

    // Arming: tries for the folder's lock at once (a folder that is not there yet is tried at
    // the first scan), then scans at every interval.
    TStatus Activate();
    // Disarming: no more scans; the folder's lock is given back once a pass under way ends.
    TStatus Deactivate();

    const std::string& WatchFolder() const { return watchFolder_; }
    int32_t CheckIntervalMS() const { return checkIntervalMS_; }
    // A new interval (clamped as at creation), waited from now on: the wait under way ends
    // early, and the known files stay known.
    void SetCheckIntervalMS(int32_t checkIntervalMS);
    bool Active() const { return active_; }
    // This process owns the folder and converts its files (not standing by).
    bool OwnsFolder() const { return owns_; }

    // The conversion of path (a file this thread offered) failed while the file had stamp:
    // the file is offered again once its size or time differ. Any thread; taken over at the
    // next scan.
    void FileFailed(const std::string& path, const TFileStamp& stamp);

    // One pass of the loop's scan (exposed for tests and benchmarks). False after a failure
    // (traced as the loop's); the loop goes on at its next interval.
    bool Scan();

private:
    enum class TOwner { NotTried, Owner, StandingBy };

    void Execute();
    bool Pass(bool loop);
    // Holds or takes the folder's lock; false while another process owns the folder.
    bool HoldFolder();
    void ForgetNames();
    void TakeFailures();
    void Say(int32_t type, const std::string& text) const;

    TEvent stopEvent_;
    std::string folder_; // as the operator stored it, for the messages
    std::string watchFolder_;
    // Names compare case-sensitively: on Linux a.stl and A.stl are two files.
    std::unordered_set<std::string> currentScan_;
    std::unordered_set<std::string> previousScan_;
    // Stamps of names skipped as in use, for folders where no lease can be taken.
    std::unordered_map<std::string, TFileStamp> pendingStamps_;
    std::unordered_map<std::string, TFileStamp> stillPending_; // reused by each pass
    // Known names whose conversion failed, with the stamp the file had then.
    std::unordered_map<std::string, TFileStamp> failed_;
    std::vector<std::string> names_; // reused by each pass
    // Held for a whole pass, so a pass called from outside never meets the loop's; also
    // guards the lock and the two states below.
    std::mutex scanLock_;
    std::unique_ptr<TFolderLock> lock_;
    TOwner owner_ = TOwner::NotTried;
    bool unreadable_ = false;
    // Failed conversions handed over by the main thread, not yet taken by a scan.
    std::mutex failuresLock_;
    std::vector<std::pair<std::string, TFileStamp>> failures_;
    TNewFileCallback onNewFile_;
    TFolderMessageCallback onMessage_;
    std::atomic<bool> active_{false};
    std::atomic<bool> owns_{false};
    std::atomic<int32_t> checkIntervalMS_{kMinCheckIntervalMS};
    std::atomic<bool> stopping_{false}; // the event then means the end, not a new interval
    std::thread thread_;
};
