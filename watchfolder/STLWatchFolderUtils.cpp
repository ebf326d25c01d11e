#include "watchfolder/STLWatchFolderUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "stl/STLUtils.h"

namespace {

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// 0 when a read lease was granted (and given back at once), else the kernel's error. The
// kernel refuses a read lease while any process has the file open for writing.
int TryReadLease(int fd, const std::string& path) {
    if (const auto& fault = LeaseFault())
        return fault(path);
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return 0;
    }
    return errno;
}

TFileStamp StampOfStatus(const struct stat& status) {
    return {static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

} // namespace

TFileStamp StampOf(const std::string& path) {
    return Guarded("StampOf", TFileStamp{}, [&] {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? StampOfStatus(status) : TFileStamp{};
    });
}

std::function<int(const std::string& path)>& LeaseFault() {
    static std::function<int(const std::string& path)> fault;
    return fault;
}

bool IsFileOpen(const std::string& path, TFileStamp* previous) {
    return Guarded("IsFileOpen", true, [&] {
        // Non-blocking, so neither a writer's lease nor a FIFO can stall the scan.
        TDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (file.Get() < 0)
            return true;
        struct stat status {};
        // Only a regular file can be converted; a folder named x.stl stays "open" for good.
        if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
            return true;
        const int leaseError = TryReadLease(file.Get(), path);
        if (leaseError == 0)
            return false;
        if (leaseError == EAGAIN || leaseError == EBUSY)
            return true;
        // No lease here (another user's file, a network mount): a file counts as written
        // until it looks the same at two scans in a row.
        const TFileStamp now = StampOfStatus(status);
        if (previous == nullptr)
            return true;
        if (*previous == now)
            return false;
        *previous = now;
        return true;
    });
}

TSTLWatchFolderThread::TSTLWatchFolderThread(const std::string& watchFolder,
                                             TNewFileCallback onNewFile, int32_t checkIntervalMS,
                                             TFolderMessageCallback onMessage) {
    GuardedVoid("TSTLWatchFolderThread.Create", [&] {
        folder_ = watchFolder;
        // An empty folder stays empty rather than becoming "/": it lists nothing.
        watchFolder_ = IncludeTrailingSlash(watchFolder);
        onNewFile_ = std::move(onNewFile);
        onMessage_ = std::move(onMessage);
        checkIntervalMS_ = std::clamp(checkIntervalMS, kMinCheckIntervalMS, kMaxCheckIntervalMS);
        thread_ = std::thread([this] { Execute(); });
    });
}

TSTLWatchFolderThread::~TSTLWatchFolderThread() {
    GuardedVoid("TSTLWatchFolderThread.Destroy", [&] {
        stopping_ = true;
        stopEvent_.Set();
        if (thread_.joinable())
            thread_.join();
    });
}

TStatus TSTLWatchFolderThread::Activate() {
    return Guarded("TSTLWatchFolderThread.Activate", STATUS_FAIL, [&] {
        {
            std::lock_guard<std::mutex> lock(scanLock_);
            // A folder that is not there yet is said by the first scan, not as a lock problem.
            if (!watchFolder_.empty() && DirectoryExists(watchFolder_))
                HoldFolder();
        }
        active_ = true;
        return STATUS_OK;
    });
}

TStatus TSTLWatchFolderThread::Deactivate() {
    return Guarded("TSTLWatchFolderThread.Deactivate", STATUS_FAIL, [&] {
        active_ = false;
        std::lock_guard<std::mutex> lock(scanLock_);
        lock_.reset();
        owner_ = TOwner::NotTried;
        owns_ = false;
        unreadable_ = false;
        return STATUS_OK;
    });
}

void TSTLWatchFolderThread::FileFailed(const std::string& path, const TFileStamp& stamp) {
    GuardedVoid("TSTLWatchFolderThread.FileFailed", [&] {
        std::pair<std::string, TFileStamp> failure{path, stamp}; // copied before the lock
        std::lock_guard<std::mutex> lock(failuresLock_);
        failures_.push_back(std::move(failure));
    });
}

void TSTLWatchFolderThread::Execute() {
    // A failed pass is traced by Scan; the folder is scanned again at the next interval, so
    // nothing but disarming ends the watch.
    for (;;) {
        const bool woken = stopEvent_.WaitFor(checkIntervalMS_);
        if (stopping_)
            return;
        if (!woken && active_)
            Pass(true);
    }
}

void TSTLWatchFolderThread::SetCheckIntervalMS(int32_t checkIntervalMS) {
    GuardedVoid("TSTLWatchFolderThread.SetCheckIntervalMS", [&] {
        const int32_t interval =
            std::clamp(checkIntervalMS, kMinCheckIntervalMS, kMaxCheckIntervalMS);
        if (checkIntervalMS_.exchange(interval) != interval)
            stopEvent_.Set();
    });
}

void TSTLWatchFolderThread::Say(int32_t type, const std::string& text) const {
    if (onMessage_)
        onMessage_(type, text);
}

void TSTLWatchFolderThread::ForgetNames() {
    previousScan_.clear();
    pendingStamps_.clear();
    failed_.clear();
}

bool TSTLWatchFolderThread::HoldFolder() {
    if (lock_ && lock_->StillGuards())
        return true;
    const TFolderLockScope before = lock_ ? lock_->Scope() : TFolderLockScope::Folder;
    lock_.reset();
    TFolderOwner owner;
    lock_ = TFolderLock::TryAcquire(watchFolder_, owner);
    if (!lock_ && owner.Host.empty()) {
        // The try itself failed (traced): a lock problem never leaves the folder unwatched.
        owns_ = owner_ != TOwner::StandingBy;
        return owns_;
    }
    if (!lock_) {
        if (owner_ != TOwner::StandingBy)
            Say(rtWarning, "Watch folder " + folder_ + " is armed by " + owner.Host + " (pid " +
                               owner.Pid + "); standing by.");
        owner_ = TOwner::StandingBy;
        owns_ = false;
        return false;
    }
    const TFolderLockScope scope = lock_->Scope();
    const bool takenOver = owner_ == TOwner::StandingBy;
    if (takenOver) {
        Say(rtInfo, "Watch folder " + folder_ + " taken over.");
        ForgetNames(); // as newly armed: every file lying in the folder is offered
    }
    // Said once per arming or take-over, and again only when the kind of lock changes.
    if (scope != TFolderLockScope::Folder && (owner_ != TOwner::Owner || scope != before)) {
        const std::string cannot = "Watch folder " + folder_ + " cannot hold its lock file (" +
                                   lock_->FolderRefusal() + ")";
        Say(rtWarning, scope == TFolderLockScope::ThisHost
                           ? cannot + "; it is locked on this host only."
                           : cannot + " nor a lock on this host (" + lock_->HostRefusal() +
                                 "); it is watched without a lock.");
    }
    owner_ = TOwner::Owner;
    owns_ = true;
    return true;
}

void TSTLWatchFolderThread::TakeFailures() {
    std::vector<std::pair<std::string, TFileStamp>> taken;
    {
        std::lock_guard<std::mutex> lock(failuresLock_);
        taken.swap(failures_);
    }
    for (auto& [path, stamp] : taken) {
        if (path.size() <= watchFolder_.size() ||
            path.compare(0, watchFolder_.size(), watchFolder_) != 0)
            continue;
        std::string name = path.substr(watchFolder_.size());
        // A name no longer known will be offered as new anyway.
        if (previousScan_.contains(name))
            failed_[std::move(name)] = stamp;
    }
}

bool TSTLWatchFolderThread::Scan() {
    return Pass(false);
}

bool TSTLWatchFolderThread::Pass(bool loop) {
    return Guarded("TSTLWatchFolderThread.Execute", false, [&] {
        std::lock_guard<std::mutex> lock(scanLock_);
        // A loop pass that waited for a disarm must not take the folder back.
        if (loop && !active_)
            return true;
        if (watchFolder_.empty())
            return true; // an entry without a folder watches nothing
        int error = 0;
        if (!ListFolder(watchFolder_, "stl", names_, error)) {
            if (!unreadable_)
                Say(rtError, "Cannot read watch folder " + folder_ + ": " + std::strerror(error));
            unreadable_ = true;
            return true;
        }
        if (unreadable_)
            Say(rtInfo, "Watch folder " + folder_ + " is readable again.");
        unreadable_ = false;
        if (!HoldFolder())
            return true;
        TakeFailures();

        currentScan_.clear();
        stillPending_.clear();
        try {
            for (const std::string& name : names_) {
                // A known name moves to this scan's set without touching the file or
                // allocating, unless its conversion failed: then it stays known only while the
                // file keeps the stamp it failed with.
                if (auto known = previousScan_.extract(name)) {
                    const auto failed = failed_.find(name);
                    if (failed == failed_.end() || StampOf(watchFolder_ + name) == failed->second) {
                        currentScan_.insert(std::move(known));
                        continue;
                    }
                    failed_.erase(failed);
                }
                const std::string path = watchFolder_ + name;
                TFileStamp stamp;
                if (const auto seen = pendingStamps_.find(name); seen != pendingStamps_.end())
                    stamp = seen->second;
                if (IsFileOpen(path, &stamp)) {
                    stillPending_.emplace(name, stamp); // considered again, as new, next scan
                    continue;
                }
                if (onNewFile_)
                    onNewFile_(path);
                // Known only once handed over: a failed hand-over offers it again next scan.
                currentScan_.insert(name);
            }
        } catch (...) {
            // The names this pass handled stay known, so the next pass repeats none of them.
            previousScan_.merge(currentScan_);
            throw;
        }
        // Names that vanished fall out of every memory, so they stay as small as the folder.
        previousScan_.clear();
        std::swap(previousScan_, currentScan_);
        std::swap(pendingStamps_, stillPending_);
        std::erase_if(failed_,
                      [&](const auto& entry) { return !previousScan_.contains(entry.first); });
        return true;
    });
}
