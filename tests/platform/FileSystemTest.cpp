// File services, the fault hooks the core's tests rely on, the instance lock and the event.
#include "platform/FileSystem.h"
#include "platform/Event.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testsupport::ReadText;
using testsupport::TempDir;
using testsupport::WriteText;

namespace {

struct FaultScope {
    FaultScope() { FileFaults() = TFileFaults(); }
    ~FaultScope() { FileFaults() = TFileFaults(); }
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileSystem, TellsFilesFromFolders) {
    TempDir dir;
    WriteText(dir.File("file"), "12345");
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("folder"));
    struct TCase {
        const char* Name;
        bool File, Folder;
        int64_t Size;
    };
    for (const TCase& c : {TCase{"file", true, false, 5}, TCase{"fifo", true, false, 0},
                           TCase{"folder", false, true, -1}, TCase{"none", false, false, -1}}) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FileExists(dir.File(c.Name)), c.File);
        EXPECT_EQ(DirectoryExists(dir.File(c.Name)), c.Folder);
        EXPECT_EQ(FileSize(dir.File(c.Name)), c.Size);
    }
    EXPECT_TRUE(DeleteFileAt(dir.File("file")));
    EXPECT_FALSE(FileExists(dir.File("file")));
    EXPECT_FALSE(DeleteFileAt(dir.File("file")));
}

TEST(FileSystem, ListFolderMatchesTheExtensionInAnyCase) {
    TempDir dir;
    for (const char* name : {"a.stl", "B.STL", "c.Stl", "d.stlx", "e.txt", "stl", "f.tl"})
        WriteText(dir.File(name), "");
    std::filesystem::create_directory(dir.File("x.stl"));
    std::filesystem::create_directory(dir.File("sub"));
    WriteText(dir.File("sub/inner.stl"), "");
    EXPECT_EQ(Sorted(ListFolder(dir.Path().string(), "stl")),
              (std::vector<std::string>{"B.STL", "a.stl", "c.Stl", "x.stl"}));
    EXPECT_EQ(Sorted(ListFolder(dir.Path().string() + "/", "STL")).size(), 4u);
    EXPECT_TRUE(ListFolder(dir.File("missing"), "stl").empty());
    EXPECT_TRUE(ListFolder(dir.File("a.stl"), "stl").empty());
}

TEST(FileSystem, RenameFaultLooksLikeACrossDeviceMove) {
    TempDir dir;
    WriteText(dir.File("a"), "1");
    FaultScope faults;
    FileFaults().BeforeRename = [&](const std::string& from, const std::string& to) {
        return !(from == dir.File("a") && to == dir.File("b"));
    };
    EXPECT_FALSE(RenameFile(dir.File("a"), dir.File("b")));
    EXPECT_EQ(errno, EXDEV);
    EXPECT_TRUE(RenameFile(dir.File("a"), dir.File("c")));
    EXPECT_EQ(ReadText(dir.File("c")), "1");
}

TEST(TFileTest, ExclusiveCreationPositionedReadsAndAppends) {
    TempDir dir;
    const std::string path = dir.File("f");
    TFile file;
    ASSERT_TRUE(file.CreateExclusive(path));
    TFile second;
    EXPECT_FALSE(second.CreateExclusive(path));
    const int fd = open(path.c_str(), O_RDONLY); // the writer's flock keeps others out
    EXPECT_NE(flock(fd, LOCK_SH | LOCK_NB), 0);
    EXPECT_EQ(file.WriteAt(4, "5678", 4), 4);
    EXPECT_EQ(file.WriteAt(0, "1234", 4), 4);
    EXPECT_TRUE(file.Sync());
    EXPECT_EQ(file.Size(), 8);
    char buffer[16] = {};
    EXPECT_EQ(file.ReadAt(2, buffer, 16), 6); // short at the end
    EXPECT_EQ(std::string(buffer, 6), "345678");
    EXPECT_EQ(file.ReadAt(8, buffer, 4), 0);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(flock(fd, LOCK_SH | LOCK_NB), 0);
    close(fd);
    EXPECT_EQ(file.ReadAt(0, buffer, 1), -1);
    EXPECT_EQ(file.Size(), -1);

    ASSERT_TRUE(file.OpenAppend(path));
    EXPECT_TRUE(file.Append("9", 1));
    file.Close();
    EXPECT_EQ(ReadText(path), "123456789");
    ASSERT_TRUE(file.OpenRead(path));
    EXPECT_EQ(file.WriteAt(0, "x", 1), -1);
    EXPECT_FALSE(file.OpenRead(dir.File("missing")));
}

TEST(TFileTest, FaultHooksShortenTransfers) {
    TempDir dir;
    const std::string path = dir.File("f");
    FaultScope faults;
    std::vector<std::pair<std::string, int64_t>> seen;
    FileFaults().BeforeWrite = [&](const std::string& p, int64_t count) {
        seen.emplace_back(p, count);
        return count != 10;
    };
    TFile file;
    ASSERT_TRUE(file.CreateExclusive(path));
    EXPECT_EQ(file.WriteAt(0, "abcd", 4), 4);
    errno = 0;
    EXPECT_EQ(file.WriteAt(4, "0123456789", 10), 5);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(file.Append("ABCDEFGHIJ", 10));
    EXPECT_EQ(file.Size(), 14);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(path, int64_t(4)));

    FileFaults().BeforeRead = [](const std::string&, int64_t) { return false; };
    char buffer[14];
    EXPECT_EQ(file.ReadAt(0, buffer, 14), 7);
    EXPECT_EQ(std::string(buffer, 7), "abcd012");
    file.Close();

    FileFaults().BeforeOpen = [&](const std::string& p) { return p != path; };
    EXPECT_FALSE(file.OpenRead(path));
    EXPECT_FALSE(file.OpenAppend(path));
    EXPECT_TRUE(file.CreateExclusive(dir.File("g")));
    EXPECT_EQ(ReadText(path), "abcd01234ABCDE");
}

// Whether a forked child can take the lock named name.
bool ChildAcquires(const std::string& name) {
    const pid_t pid = fork();
    if (pid == 0) {
        TInstanceLock lock;
        _exit(lock.Acquire(name) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(TInstanceLockTest, OneProcessHoldsTheLock) {
    TempDir dir;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    EXPECT_EQ(TInstanceLock::LockPath("Caplin"), dir.File("Caplin.lock"));
    {
        TInstanceLock lock;
        ASSERT_TRUE(lock.Acquire("Caplin"));
        EXPECT_TRUE(lock.Acquire("Caplin"));
        EXPECT_FALSE(ChildAcquires("Caplin"));
        EXPECT_TRUE(ChildAcquires("Other"));
    }
    EXPECT_TRUE(ChildAcquires("Caplin"));
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TInstanceLock::LockPath("Caplin"),
              "/tmp/Caplin-" + std::to_string(getuid()) + ".lock");
    if (saved)
        setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

// A runtime folder that cannot hold the lock must not pass for a second copy: the lock moves
// to /tmp, where it still keeps a second process out.
TEST(TInstanceLockTest, UnusableRuntimeFolderFallsBackToTmp) {
    TempDir dir;
    WriteText(dir.File("plain"), "not a folder");
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", dir.File("plain").c_str(), 1);
    const std::string name = "CaplinLockTest" + std::to_string(getpid());
    const std::string fallback = "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
    {
        testsupport::TraceCapture trace;
        TInstanceLock lock;
        EXPECT_TRUE(lock.Acquire(name));
        EXPECT_FALSE(ChildAcquires(name));
        ASSERT_EQ(trace.Lines().size(), 1u);
        EXPECT_EQ(trace.Lines()[0], "vlm: Error in TInstanceLock.Acquire - cannot open " +
                                        dir.File("plain") + "/" + name + ".lock.");
    }
    EXPECT_TRUE(ChildAcquires(name));
    std::remove(fallback.c_str());
    if (saved)
        setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(TEventTest, SetWakesOneWaitAndResets) {
    TEvent event;
    event.Set();
    event.Set(); // not counted: still one wake
    EXPECT_TRUE(event.WaitFor(0));
    auto start = Clock::now();
    EXPECT_FALSE(event.WaitFor(30));
    EXPECT_GE(ElapsedMs(start), 29);

    start = Clock::now();
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(5000));
    EXPECT_LT(ElapsedMs(start), 2000);
    setter.join();
    EXPECT_FALSE(event.WaitFor(0));
}

} // namespace
