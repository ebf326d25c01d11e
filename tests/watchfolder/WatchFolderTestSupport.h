// Shared by the watch-folder tests: files appearing in folders, waiting on the polling
// threads with generous limits, and settings that convert the files written here.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

} // namespace wftest
