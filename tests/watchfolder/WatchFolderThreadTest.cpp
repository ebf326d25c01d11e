// The polling thread: which names a scan reports, the in-use test, and the loop's life.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/watchfolder/WatchFolderTestSupport.h"
#include "watchfolder/STLWatchFolderUtils.h"

using namespace testsupport;
using namespace wftest;
namespace fs = std::filesystem;

namespace {

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// A thread whose own loop never scans, so each test drives Scan() itself.
class ScanFixture : public ::testing::Test {
protected:
    ~ScanFixture() override { LeaseFault() = nullptr; }
    // Reported file names of one pass, sorted; every path must lie in the folder.
    std::vector<std::string> ScanNames() {
        EXPECT_TRUE(thread.Scan());
        std::vector<std::string> names;
        for (const std::string& path : recorder.TakeSorted()) {
            EXPECT_EQ(path, dir.File(fs::path(path).filename().string()));
            names.push_back(fs::path(path).filename().string());
        }
        return names;
    }
    void Touch(const std::string& name) { Append(dir.File(name), "x"); }

    TraceCapture trace;
    TempDir dir;
    TRecorder recorder;
    TSTLWatchFolderThread thread{dir.Path().string(),
                                 [this](const std::string& path) { recorder.Add(path); },
                                 kMaxCheckIntervalMS};
};

struct TScanStep {
    std::vector<std::string> remove, create;
    std::vector<std::string> reported; // sorted
};

struct TScanCase {
    const char* name;
    std::vector<std::string> folders;
    std::vector<TScanStep> steps;
};

void PrintTo(const TScanCase& c, std::ostream* os) {
    *os << c.name;
}

class ScanCases : public ScanFixture, public ::testing::WithParamInterface<TScanCase> {};

TEST_P(ScanCases, ReportsEachNewNameOnce) {
    for (const std::string& folder : GetParam().folders)
        fs::create_directories(dir.File(folder));
    int pass = 0;
    for (const TScanStep& step : GetParam().steps) {
        for (const std::string& name : step.remove)
            fs::remove(dir.File(name));
        for (const std::string& name : step.create)
            Touch(name);
        EXPECT_EQ(ScanNames(), step.reported) << "scan " << ++pass;
    }
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Thread, ScanCases,
    ::testing::Values(
        TScanCase{"FileStayingInTheFolder", {}, {{{}, {"a.stl"}, {"a.stl"}}, {}, {}}},
        TScanCase{"AbsentForOneScanThenBack",
                  {},
                  {{{}, {"a.stl"}, {"a.stl"}}, {{"a.stl"}, {}, {}}, {{}, {"a.stl"}, {"a.stl"}}}},
        TScanCase{"RecreatedBetweenTwoScansThatSeeIt",
                  {},
                  {{{}, {"a.stl"}, {"a.stl"}}, {{"a.stl"}, {"a.stl"}, {}}}},
        TScanCase{"NamesDifferingInCaseAreTwoFiles",
                  {},
                  {{{}, {"a.stl", "A.stl"}, {"A.stl", "a.stl"}},
                   {{}, {"b.stl"}, {"b.stl"}},
                   {{}, {"B.STL"}, {"B.STL"}}}},
        TScanCase{"ExtensionInAnyCaseAndNothingElse",
                  {},
                  {{{},
                    {"A.STL", "b.Stl", "c.txt", "d.stl.part", ".e.stl.part", "f.stlx", "stl"},
                    {"A.STL", "b.Stl"}}}},
        TScanCase{"FolderNamedLikeAFileAndSubfolders",
                  {"x.stl", "sub"},
                  {{{}, {"sub/y.stl"}, {}}, {{}, {"z.stl"}, {"z.stl"}}, {}}}),
    [](const auto& c) { return std::string(c.param.name); });

class IntervalClamp : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(IntervalClamp, StaysBetweenATenthOfASecondAndAnHour) {
    TSTLWatchFolderThread thread("/nonexistent", nullptr, GetParam().first);
    EXPECT_EQ(thread.CheckIntervalMS(), GetParam().second);
    EXPECT_FALSE(thread.Active());
}

INSTANTIATE_TEST_SUITE_P(Thread, IntervalClamp,
                         ::testing::Values(std::pair{50, 100}, std::pair{-1, 100},
                                           std::pair{100, 100}, std::pair{5000, 5000},
                                           std::pair{3600000, 3600000}, std::pair{4000000, 3600000},
                                           std::pair{INT32_MAX, 3600000}),
                         [](const auto& c) {
                             const auto ms = [](int32_t n) {
                                 return n < 0 ? "Minus" + std::to_string(-n) : std::to_string(n);
                             };
                             return "Asked" + ms(c.param.first) + "Runs" + ms(c.param.second);
                         });

class FolderSlash : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(FolderSlash, EndsInOneSlashAndAnEmptyFolderStaysEmpty) {
    TSTLWatchFolderThread thread(GetParam().first, nullptr, 100);
    EXPECT_EQ(thread.WatchFolder(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Thread, FolderSlash,
                         ::testing::Values(std::pair{"/srv/in", "/srv/in/"},
                                           std::pair{"/srv/in/", "/srv/in/"}, std::pair{"", ""}),
                         [](const auto& c) {
                             const std::string folder = c.param.first;
                             return folder.empty()         ? "Empty"
                                    : folder.back() == '/' ? "EndingInSlash"
                                                           : "WithoutSlash";
                         });

// What holds the file while IsFileOpen looks at it; returns a descriptor to close after.
struct TOpenCase {
    const char* name;
    std::function<int(const std::string& path)> hold;
    bool inUse;
};

void PrintTo(const TOpenCase& c, std::ostream* os) {
    *os << c.name;
}

class OpenCases : public ::testing::TestWithParam<TOpenCase> {};

TEST_P(OpenCases, InUseWhileWrittenOrNotAFile) {
    TempDir dir;
    const std::string path = dir.File("a.stl");
    const int fd = GetParam().hold(path);
    EXPECT_EQ(IsFileOpen(path), GetParam().inUse);
    if (fd >= 0)
        ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Thread, OpenCases,
    ::testing::Values(
        TOpenCase{"Missing", [](const std::string&) { return -1; }, true},
        TOpenCase{"Folder",
                  [](const std::string& p) {
                      fs::create_directory(p);
                      return -1;
                  },
                  true},
        TOpenCase{"Fifo",
                  [](const std::string& p) {
                      ::mkfifo(p.c_str(), 0600);
                      return -1;
                  },
                  true},
        TOpenCase{"Closed",
                  [](const std::string& p) {
                      Append(p, "x");
                      return -1;
                  },
                  false},
        TOpenCase{"HeldForReading",
                  [](const std::string& p) {
                      Append(p, "x");
                      return ::open(p.c_str(), O_RDONLY);
                  },
                  false},
        TOpenCase{"HeldForWriting",
                  [](const std::string& p) { return ::open(p.c_str(), O_WRONLY | O_CREAT, 0644); },
                  true},
        TOpenCase{"HeldForReadingAndWriting",
                  [](const std::string& p) { return ::open(p.c_str(), O_RDWR | O_CREAT, 0644); },
                  true}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(IsFileOpenTest, WriterInAnotherProcess) {
    TempDir dir;
    const std::string path = dir.File("copying.stl");
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls here: open, tell, wait for the word, close, tell.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        char c = fd >= 0 ? 'o' : 'e';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
        ::close(fd);
        (void)!::write(toParent[1], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'o');
    EXPECT_TRUE(IsFileOpen(path));
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    EXPECT_FALSE(IsFileOpen(path));
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
}

// Where no lease can be had, a file counts as written until two looks agree.
class NoLease : public ScanFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        const int error = GetParam();
        LeaseFault() = [error](const std::string&) { return error; };
    }
};

TEST_P(NoLease, StampMustHoldStillForOneScan) {
    const std::string path = dir.File("a.stl");
    Append(path, "abc");
    EXPECT_TRUE(IsFileOpen(path)) << "without a stamp it is never known to be done";
    TFileStamp stamp;
    EXPECT_TRUE(IsFileOpen(path, &stamp));
    EXPECT_EQ(stamp.Size, 3);
    EXPECT_FALSE(IsFileOpen(path, &stamp));
    Append(path, "d");
    EXPECT_TRUE(IsFileOpen(path, &stamp));
    EXPECT_FALSE(IsFileOpen(path, &stamp));
}

TEST_P(NoLease, ScanReportsAFileOneScanAfterItStoppedChanging) {
    Touch("a.stl");
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    Touch("b.stl");
    EXPECT_EQ(ScanNames(), std::vector<std::string>{"a.stl"});
    Touch("b.stl");
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    EXPECT_EQ(ScanNames(), std::vector<std::string>{"b.stl"});
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
}

TEST_P(NoLease, StampOfAVanishedNameIsForgotten) {
    const std::string path = dir.File("a.stl");
    Touch("a.stl");
    const auto written = fs::last_write_time(path);
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    fs::remove(path);
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    // Back with the very same size and time: it must still hold still for a scan.
    Touch("a.stl");
    fs::last_write_time(path, written);
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    EXPECT_EQ(ScanNames(), std::vector<std::string>{"a.stl"});
}

INSTANTIATE_TEST_SUITE_P(Thread, NoLease, ::testing::Values(EACCES, EINVAL), [](const auto& c) {
    return std::string(c.param == EACCES ? "EACCES" : "EINVAL");
});

TEST_F(ScanFixture, RefusedLeaseMeansInUseWhateverTheStamp) {
    LeaseFault() = [](const std::string&) { return EAGAIN; };
    Touch("a.stl");
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    LeaseFault() = nullptr;
    EXPECT_EQ(ScanNames(), std::vector<std::string>{"a.stl"});
}

TEST_F(ScanFixture, FileHeldByAWriterIsReportedAfterItCloses) {
    const int fd = ::open(dir.File("a.stl").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    EXPECT_EQ(ScanNames(), std::vector<std::string>{});
    ::close(fd);
    EXPECT_EQ(ScanNames(), std::vector<std::string>{"a.stl"});
}

TEST_F(ScanFixture, FailingCallbackFailsThePass) {
    TSTLWatchFolderThread failing(
        dir.Path().string(), [](const std::string&) { throw std::runtime_error("full"); },
        kMaxCheckIntervalMS);
    Touch("a.stl");
    EXPECT_FALSE(failing.Scan());
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWatchFolderThread.Execute call..."});
}

// The real loop, at the shortest interval.
class Loop : public ::testing::Test {
protected:
    TraceCapture trace;
    TempDir dir;
    TRecorder recorder;
};

TEST_F(Loop, InactiveReportsNothingThenAllOnTheNextScan) {
    TSTLWatchFolderThread thread(
        dir.Path().string(), [this](const std::string& path) { recorder.Add(path); }, 100);
    for (const char* name : {"a.stl", "b.stl", "c.stl"})
        WriteStlFile(dir.File(name));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(recorder.Count(), 0u);
    EXPECT_EQ(thread.Activate(), STATUS_OK);
    EXPECT_TRUE(WaitUntil([&] { return recorder.Count() == 3; }));
    EXPECT_EQ(thread.Deactivate(), STATUS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(250)); // a pass under way ends
    WriteStlFile(dir.File("d.stl"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(recorder.TakeSorted(),
              (std::vector<std::string>{dir.File("a.stl"), dir.File("b.stl"), dir.File("c.stl")}));
}

TEST_F(Loop, DestructionWaitsForThePassUnderWay) {
    std::atomic<bool> inCallback{false};
    std::atomic<int> calls{0};
    auto thread = std::make_unique<TSTLWatchFolderThread>(
        dir.Path().string(),
        [&](const std::string&) {
            inCallback = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ++calls;
            inCallback = false;
        },
        100);
    WriteStlFile(dir.File("a.stl"));
    WriteStlFile(dir.File("b.stl"));
    thread->Activate();
    ASSERT_TRUE(WaitUntil([&] { return inCallback.load(); }));
    thread.reset();
    EXPECT_FALSE(inCallback);
    const int after = calls;
    EXPECT_GE(after, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(calls, after);
}

TEST_F(Loop, FailedPassIsTracedAndTheLoopGoesOn) {
    std::atomic<int> calls{0};
    TSTLWatchFolderThread thread(
        dir.Path().string(),
        [&](const std::string& path) {
            if (++calls == 1)
                throw std::runtime_error("callback failed");
            recorder.Add(path);
        },
        100);
    thread.Activate();
    WriteStlFile(dir.File("a.stl"));
    ASSERT_TRUE(WaitUntil([&] { return calls >= 1; }));
    WriteStlFile(dir.File("b.stl"));
    // The file whose hand-over failed is offered again; no name is offered twice.
    ASSERT_TRUE(WaitUntil([&] { return recorder.Count() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(recorder.TakeSorted(),
              (std::vector<std::string>{dir.File("a.stl"), dir.File("b.stl")}));
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWatchFolderThread.Execute call..."});
}

} // namespace
