// One scan of a watched folder that holds many files already known: the polling thread's
// pass over a folder nobody is writing to, which is what it does almost all the time. The
// limit is 50 ms for 10,000 files; the figure checked is the slowest of the scans.
//
//   watch_scan [FILES [SCANS]]         defaults: 10000 files, 50 scans
//
// The files are made in a new folder under $TMPDIR (or /tmp) and removed at the end. Prints
// the first scan (every file new, each opened once) and the median and maximum of the
// following ones; exits 1 when the maximum is 50 ms or more.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "watchfolder/STLWatchFolderUtils.h"

namespace {

constexpr double kLimitMs = 50.0;

int Fail(const std::string& message) {
    std::fprintf(stderr, "watch_scan: %s\n", message.c_str());
    return 2;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Removes the work folder however the program ends.
struct TWorkFolder {
    std::filesystem::path Path;
    ~TWorkFolder() {
        std::error_code ec;
        if (!Path.empty())
            std::filesystem::remove_all(Path, ec);
    }
};

} // namespace

int main(int argc, char** argv) {
    int32_t files = 10000;
    int32_t scans = 50;
    if ((argc > 1 && (!TryStrToInt(argv[1], files) || files < 1)) ||
        (argc > 2 && (!TryStrToInt(argv[2], scans) || scans < 1)) || argc > 3)
        return Fail("usage: watch_scan [FILES [SCANS]]");

    TWorkFolder work;
    std::string pattern = GetTmpPath() + "caplin-watch-scan.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return Fail("cannot make a work folder under " + GetTmpPath());
    work.Path = pattern;

    // Small closed files: a scan of known names never opens them, and the first scan opens
    // each once whatever its size.
    const std::vector<uint8_t> content(1024, 0x20);
    for (int32_t i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "F%07d_EN1.stl", int(i));
        TFile file;
        if (!file.CreateExclusive((work.Path / name).string()) ||
            !file.Append(content.data(), int64_t(content.size())))
            return Fail("cannot write the files in " + work.Path.string());
    }

    int64_t reported = 0;
    // The longest interval: the thread's own loop stays asleep while this program scans.
    TSTLWatchFolderThread thread(
        work.Path.string(), [&reported](const std::string&) { ++reported; }, kMaxCheckIntervalMS);

    auto start = std::chrono::steady_clock::now();
    if (!thread.Scan())
        return Fail("the first scan failed");
    const double first = Milliseconds(std::chrono::steady_clock::now() - start);
    if (reported != files)
        return Fail("the first scan reported " + std::to_string(reported) + " files, not " +
                    std::to_string(files));

    std::vector<double> times;
    for (int32_t i = 0; i < scans; ++i) {
        start = std::chrono::steady_clock::now();
        if (!thread.Scan())
            return Fail("a scan failed");
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    if (reported != files)
        return Fail("known files were reported again");

    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double maximum = times.back();
    std::printf("scan of %d known files: median %.2f ms, max %.2f ms over %d scans (limit %.0f "
                "ms); first scan, every file new: %.2f ms\n",
                int(files), median, maximum, int(scans), kLimitMs, first);
    return maximum < kLimitMs ? 0 : 1;
}
