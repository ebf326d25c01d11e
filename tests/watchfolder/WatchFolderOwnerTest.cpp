// One owner per watch folder: the lock (exclusive against every other open of its file,
// shared within the process, naming its owner, standing in on this host where the folder
// cannot hold it) and the polling thread that stands by, takes over as newly armed, and takes
// its lock again when the lock file is replaced.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "stl/STLUtils.h"
#include "tests/watchfolder/WatchFolderTestSupport.h"
#include "watchfolder/STLWatchFolderUtils.h"

using namespace testsupport;
using namespace wftest;
namespace fs = std::filesystem;

namespace {

using TMessages = std::vector<std::pair<int32_t, std::string>>;
using TNames = std::vector<std::string>;

std::string OwnText() {
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    return std::string(host) + " " + std::to_string(::getpid()) + "\n";
}

class Owner : public ::testing::Test {
protected:
    Owner() { fs::create_directory(folder()); }
    ~Owner() override {
        FileFaults() = {};
        for (int fd : held_)
            ::close(fd);
    }
    std::string folder() const { return dir.File("in"); }
    std::string lockFile() const { return folder() + "/.caplin-watch.lock"; }
    std::string hostLockFile() const {
        return TFolderLock::HostLockPath(fs::canonical(folder()).string());
    }
    std::unique_ptr<TFolderLock> Acquire(const std::string& path) {
        return TFolderLock::TryAcquire(path, owner);
    }
    // Held as another process would hold it, until the test ends or Let is called.
    int Hold(const std::string& path, const std::string& text) {
        held_.push_back(HoldLockFile(path, text));
        EXPECT_GE(held_.back(), 0) << path;
        return held_.back();
    }
    void Let(int fd) {
        std::erase(held_, fd);
        ::close(fd);
    }
    // A thread whose own loop never scans: the test calls Scan.
    std::unique_ptr<TSTLWatchFolderThread> NewThread() {
        return std::make_unique<TSTLWatchFolderThread>(
            folder(), [this](const std::string& path) { found.Add(path); }, kMaxCheckIntervalMS,
            [this](int32_t type, const std::string& text) { messages.Add(type, text); });
    }
    TNames Scan(TSTLWatchFolderThread& thread) {
        EXPECT_TRUE(thread.Scan());
        TNames names;
        for (const std::string& path : found.TakeSorted())
            names.push_back(fs::path(path).filename().string());
        return names;
    }
    std::string Said(const std::string& what) const { return "Watch folder " + folder() + what; }

    TempDir dir;
    TRuntimeDir runtime{dir.File("run")};
    TraceCapture trace;
    TFolderOwner owner;
    TMessageRecorder messages;
    TRecorder found;
    std::vector<int> held_;
};

TEST_F(Owner, LockIsExclusiveSharedWithinTheProcessAndNamesItsOwner) {
    auto first = Acquire(folder());
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Scope(), TFolderLockScope::Folder);
    EXPECT_EQ(ReadText(lockFile()), OwnText());
    EXPECT_FALSE(LockFileIsFree(lockFile())) << "another open of the file must be refused";
    auto second = Acquire(folder() + "/"); // a second entry of the folder, spelled otherwise
    ASSERT_TRUE(second);
    first.reset();
    EXPECT_FALSE(LockFileIsFree(lockFile())) << "released while a holder is left";
    second.reset();
    EXPECT_TRUE(LockFileIsFree(lockFile()));

    // Held elsewhere: named as its file says. The last line stays, as a dead owner's would.
    for (const auto& [text, host, pid] :
         std::vector<std::array<std::string, 3>>{{"", "unknown", "unknown"},
                                                 {"two words 7\n", "unknown", "unknown"},
                                                 {"otherhost 4242\n", "otherhost", "4242"}}) {
        const int fd = Hold(lockFile(), text);
        EXPECT_FALSE(Acquire(folder())) << text;
        EXPECT_EQ(owner.Host + " " + owner.Pid, host + " " + pid) << text;
        Let(fd);
    }
    EXPECT_EQ(Acquire(folder())->Scope(), TFolderLockScope::Folder);
    EXPECT_EQ(ReadText(lockFile()), OwnText());
    EXPECT_TRUE(trace.Lines().empty());
}

// What keeps the folder's own lock file from serving, and the reason given for it.
struct TFallbackCase {
    const char* name;
    std::function<void(const std::string& lockFile)> spoil;
    const char* refusal;
};

void PrintTo(const TFallbackCase& c, std::ostream* os) {
    *os << c.name;
}

class Fallback : public Owner, public ::testing::WithParamInterface<TFallbackCase> {};

TEST_P(Fallback, LocksOnThisHostOnlySaysSoAndConverts) {
    GetParam().spoil(lockFile());
    WriteStlFile(folder() + "/a.stl");
    auto thread = NewThread();
    thread->Activate();
    EXPECT_TRUE(thread->OwnsFolder());
    EXPECT_EQ(Scan(*thread), TNames{"a.stl"});
    EXPECT_EQ(Scan(*thread), TNames{});
    EXPECT_EQ(messages.Take(),
              (TMessages{{rtWarning, Said(" cannot hold its lock file (") + GetParam().refusal +
                                         "); it is locked on this host only."}}));
    EXPECT_EQ(ReadText(hostLockFile()), OwnText());
    EXPECT_FALSE(LockFileIsFree(hostLockFile()));
    thread->Deactivate();
    EXPECT_TRUE(LockFileIsFree(hostLockFile()));

    // Another process on this host holding the stand-in owns the folder.
    Hold(hostLockFile(), "thishost 77\n");
    thread->Activate();
    EXPECT_EQ(Scan(*thread), TNames{});
    EXPECT_EQ(messages.Take(),
              (TMessages{{rtWarning, Said(" is armed by thishost (pid 77); standing by.")}}));
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Owner, Fallback,
    ::testing::Values(TFallbackCase{"LockFileIsAFolder",
                                    [](const std::string& path) { fs::create_directories(path); },
                                    "Is a directory"},
                      TFallbackCase{"LockFileHoldsSomethingElse",
                                    [](const std::string& path) { WriteText(path, "#!/bin/sh\n"); },
                                    "it holds something other than a host name and a pid"},
                      TFallbackCase{"LockFileIsAFifo",
                                    [](const std::string& path) { ::mkfifo(path.c_str(), 0644); },
                                    "it is not a regular file"},
                      // Root writes through permissions, so the refused open is simulated.
                      TFallbackCase{"FolderOrLockFileNotWritable",
                                    [](const std::string& lockFile) {
                                        FileFaults().BeforeOpen =
                                            [lockFile](const std::string& path) {
                                                return path != lockFile;
                                            };
                                    },
                                    "Permission denied"},
                      TFallbackCase{"NoLockManager",
                                    [](const std::string& lockFile) {
                                        FileFaults().BeforeLock =
                                            [lockFile](const std::string& path) {
                                                return path != lockFile;
                                            };
                                    },
                                    "No locks available"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(Owner, NoLockAnywhereStillLetsTheFolderBeWatched) {
    WriteText(lockFile(), "garbage");
    WriteText(dir.File("not-a-folder"), "");
    TRuntimeDir unusable(dir.File("not-a-folder"));
    auto lock = Acquire(folder());
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->Scope(), TFolderLockScope::None);
    EXPECT_NE(lock->HostRefusal(), "");
    EXPECT_TRUE(lock->StillGuards()) << "nothing to take again";
    EXPECT_EQ(trace.Lines().size(), 1u);
}

TEST_F(Owner, HostLockFileIsNamedAfterTheCanonicalPath) {
    EXPECT_EQ(TFolderLock::HostLockPath("/srv/100%"),
              dir.File("run") + "/caplin/%2Fsrv%2F100%25.lock");
    // Deep paths stay within a file name's 255 bytes and apart from each other.
    const std::string deep = "/" + std::string(300, 'x');
    const fs::path a = TFolderLock::HostLockPath(deep + "a");
    EXPECT_NE(a, TFolderLock::HostLockPath(deep + "b"));
    EXPECT_LE(a.filename().string().size(), 255u);
}

TEST_F(Owner, StandsByWhileAnotherHoldsTheFolderThenTakesItOverAsNewlyArmed) {
    WriteStlFile(folder() + "/a.stl");
    const int other = Hold(lockFile(), "otherhost 4242\n");
    auto thread = NewThread();
    thread->Activate();
    EXPECT_FALSE(thread->OwnsFolder());
    WriteStlFile(folder() + "/b.stl");
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(Scan(*thread), TNames{}) << "nothing is converted while standing by";
    EXPECT_EQ(messages.Take(),
              (TMessages{{rtWarning, Said(" is armed by otherhost (pid 4242); standing by.")}}));

    Let(other);
    EXPECT_EQ(Scan(*thread), (TNames{"a.stl", "b.stl"}));
    EXPECT_EQ(messages.Take(), (TMessages{{rtInfo, Said(" taken over.")}}));
    EXPECT_FALSE(LockFileIsFree(lockFile()));
    thread->Deactivate();
    EXPECT_TRUE(LockFileIsFree(lockFile())) << "disarming gives the folder back";
}

TEST_F(Owner, LockFileReplacedUnderTheOwnerIsTakenAgainOrLostToWhoeverTookIt) {
    WriteStlFile(folder() + "/a.stl");
    auto thread = NewThread();
    thread->Activate();
    EXPECT_EQ(Scan(*thread), TNames{"a.stl"});
    // The folder deleted and made again: the owner takes the new file at the next scan.
    fs::remove_all(folder());
    fs::create_directory(folder());
    WriteStlFile(folder() + "/a.stl");
    EXPECT_EQ(Scan(*thread), TNames{}) << "a name seen at every scan is known";
    EXPECT_FALSE(LockFileIsFree(lockFile()));

    // Replaced by a file someone else holds: that one owns the folder now.
    fs::remove(lockFile());
    const int other = Hold(lockFile(), "otherhost 9\n");
    EXPECT_EQ(Scan(*thread), TNames{});
    Let(other);
    EXPECT_EQ(Scan(*thread), TNames{"a.stl"}) << "taken over: every file lying there is offered";
    EXPECT_EQ(messages.Take(),
              (TMessages{{rtWarning, Said(" is armed by otherhost (pid 9); standing by.")},
                         {rtInfo, Said(" taken over.")}}));
}

} // namespace
