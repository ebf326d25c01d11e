// Shared by the watch-folder tests: files appearing in folders, waiting on the polling
// threads with generous limits, and settings that convert the files written here.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "convert/STLConvertSettings.h"
#include "tests/common/TestSupport.h"

namespace wftest {

// Polls until done() holds; false when it still does not after the limit.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A valid STL file of two subtitles.
inline void WriteStlFile(const std::string& path) {
    testsupport::WriteStl(path, testsupport::MakeGsi(2),
                          {testsupport::MakeTti(1, "One"), testsupport::MakeTti(2, "Two")});
}

// Converts any file written by WriteStlFile into destination, keeping the source in place.
inline void MakeConvertible(TSTLConvertSettings& settings, const std::string& destination) {
    settings.DestinationFolder = destination;
    settings.LanguageSource = lsPredefined;
    settings.LanguagePredefined = "09";
}

// Paths handed to a callback from another thread, in order.
class TRecorder {
public:
    void Add(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        paths_.push_back(path);
    }
    std::vector<std::string> Paths() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return paths_;
    }
    size_t Count() const { return Paths().size(); }
    // Everything recorded since the last call, sorted.
    std::vector<std::string> TakeSorted() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> taken(paths_.begin() + long(taken_), paths_.end());
        taken_ = paths_.size();
        std::sort(taken.begin(), taken.end());
        return taken;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
    size_t taken_ = 0;
};

// Another holder of a lock file, as another process would be: its own open of the file,
// holding it with text written in; -1 when it cannot have the lock.
inline int HoldLockFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when nobody holds a lock on the file at path (tried with an open of its own).
inline bool LockFileIsFree(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool free = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
    ::close(fd);
    return free;
}

// XDG_RUNTIME_DIR pointed at folder while alive (set before any thread starts).
class TRuntimeDir {
public:
    explicit TRuntimeDir(const std::string& folder) {
        if (const char* was = std::getenv("XDG_RUNTIME_DIR"))
            previous_ = was;
        had_ = std::getenv("XDG_RUNTIME_DIR") != nullptr;
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~TRuntimeDir() {
        if (had_)
            ::setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    TRuntimeDir(const TRuntimeDir&) = delete;
    TRuntimeDir& operator=(const TRuntimeDir&) = delete;

private:
    std::string previous_;
    bool had_ = false;
};

// Messages (type and text) handed to a callback from any thread, in order.
class TMessageRecorder {
public:
    void Add(int32_t type, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(type, text);
    }
    std::vector<std::pair<int32_t, std::string>> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(messages_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<int32_t, std::string>> messages_;
};

} // namespace wftest
