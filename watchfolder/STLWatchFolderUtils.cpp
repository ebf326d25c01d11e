#include "watchfolder/STLWatchFolderUtils.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

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

} // namespace

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
        const TFileStamp now{static_cast<int64_t>(status.st_size),
                             static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                                 status.st_mtim.tv_nsec};
        if (previous == nullptr)
            return true;
        if (*previous == now)
            return false;
        *previous = now;
        return true;
    });
}

TSTLWatchFolderThread::TSTLWatchFolderThread(const std::string& watchFolder,
                                             TNewFileCallback onNewFile, int32_t checkIntervalMS) {
    GuardedVoid("TSTLWatchFolderThread.Create", [&] {
        // An empty folder stays empty rather than becoming "/": it lists nothing.
        watchFolder_ = IncludeTrailingSlash(watchFolder);
        onNewFile_ = std::move(onNewFile);
        checkIntervalMS_ = std::clamp(checkIntervalMS, kMinCheckIntervalMS, kMaxCheckIntervalMS);
        thread_ = std::thread([this] { Execute(); });
    });
}

TSTLWatchFolderThread::~TSTLWatchFolderThread() {
    GuardedVoid("TSTLWatchFolderThread.Destroy", [&] {
        stopEvent_.Set();
        if (thread_.joinable())
            thread_.join();
    });
}

TStatus TSTLWatchFolderThread::Activate() {
    return Guarded("TSTLWatchFolderThread.Activate", STATUS_FAIL, [&] {
        active_ = true;
        return STATUS_OK;
    });
}

TStatus TSTLWatchFolderThread::Deactivate() {
    return Guarded("TSTLWatchFolderThread.Deactivate", STATUS_FAIL, [&] {
        active_ = false;
        return STATUS_OK;
    });
}

void TSTLWatchFolderThread::Execute() {
    while (!stopEvent_.WaitFor(checkIntervalMS_)) {
        // A failed pass is traced by Scan; the folder then stays silent until re-armed.
        if (active_ && !Scan())
            return;
    }
}

bool TSTLWatchFolderThread::Scan() {
    return Guarded("TSTLWatchFolderThread.Execute", false, [&] {
        std::lock_guard<std::mutex> lock(scanLock_);
        currentScan_.clear();
        stillPending_.clear();
        for (const std::string& name : ListFolder(watchFolder_, "stl")) {
            // A known name moves to this scan's set without touching the file or allocating.
            if (auto known = previousScan_.extract(name)) {
                currentScan_.insert(std::move(known));
                continue;
            }
            const std::string path = watchFolder_ + name;
            TFileStamp stamp;
            if (const auto seen = pendingStamps_.find(name); seen != pendingStamps_.end())
                stamp = seen->second;
            if (IsFileOpen(path, &stamp)) {
                stillPending_.emplace(name, stamp); // considered again, as new, next scan
                continue;
            }
            currentScan_.insert(name);
            if (onNewFile_)
                onNewFile_(path);
        }
        // Names that vanished fall out of both memories, so they stay as small as the folder.
        previousScan_.clear();
        std::swap(previousScan_, currentScan_);
        std::swap(pendingStamps_, stillPending_);
        return true;
    });
}
