// The watch-folder list without the window: its registry form, the frame-rate policy,
// arming and disarming, and the pass of the arm loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "tests/watchfolder/WatchFolderTestSupport.h"
#include "watchfolder/WatchFolderList.h"

using namespace testsupport;
using namespace wftest;
namespace fs = std::filesystem;

namespace {

std::string EntryKey(int n) {
    return std::string(kWatchFolderKey) + "WF_" + std::to_string(n);
}

class List : public ::testing::Test {
protected:
    List() {
        TSettingsStore::Global().Clear();
        list.ReportFunction = [this](int32_t type, const char* text) {
            EXPECT_EQ(std::this_thread::get_id(), mainThread) << "reported off the main thread";
            reports.emplace_back(type, text);
            return STATUS_OK;
        };
        list.LogFunction = [this](const char* text) {
            logs.emplace_back(text);
            return STATUS_OK;
        };
    }
    // An item watching folder (created) and writing into folder + ".out" (created).
    TWatchFolderItem& Add(const std::string& folder, const std::string& comment = "") {
        TWatchFolderSTLConvertSettings settings;
        settings.WatchFolder = dir.File(folder);
        settings.Comment = comment;
        MakeConvertible(settings, dir.File(folder + ".out"));
        fs::create_directories(settings.WatchFolder);
        fs::create_directories(settings.DestinationFolder);
        list.Items.push_back(list.NewItem(settings));
        return *list.Items.back();
    }
    std::vector<bool> Started() const {
        std::vector<bool> started;
        for (const auto& item : list.Items)
            started.push_back(item->IsStarted());
        return started;
    }
    static int32_t StoredInteger(const std::string& key, const std::string& name) {
        TRegistry registry;
        int32_t value = -1;
        EXPECT_TRUE(registry.OpenKey(key, false) && registry.ReadInteger(name, value)) << name;
        return value;
    }

    // Runs passes for the time given, returning the files they took.
    int PassesFor(std::chrono::milliseconds time) {
        int taken = 0;
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            taken += list.ProcessPass();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return taken;
    }
    // Runs passes until one takes a file; false when none does within the limit.
    bool PassUntilTaken() {
        return WaitUntil([&] { return list.ProcessPass() > 0; });
    }

    const std::thread::id mainThread = std::this_thread::get_id();
    TraceCapture trace;
    TempDir dir;
    std::vector<std::pair<int32_t, std::string>> reports;
    std::vector<std::string> logs;
    TWatchFolderList list;
};

TEST_F(List, RegistryRoundTripOfTwoEntries) {
    Add("a", "first")
        .Settings.HexFindAndReplaceItems.push_back(
            std::make_unique<THexFindAndReplaceValue>(THexFindAndReplaceValue{2, 0x4142, 0x4344}));
    Add("b", "second").Settings.OverrideDestination = true;
    ASSERT_TRUE(list.SaveRegistryWatchFolders());
    EXPECT_EQ(StoredInteger(kWatchFolderKey, "WatchFoldersCount"), 2);

    TWatchFolderList loaded;
    ASSERT_TRUE(loaded.LoadRegistryWatchFolders(1, "STL30.01"));
    ASSERT_EQ(loaded.Items.size(), 2u);
    EXPECT_EQ(loaded.WatchFolderCheckIntervalMS, 5000);
    EXPECT_EQ(StoredInteger(kWatchFolderKey, "WatchFolderCheckIntervalMS"), 5000);
    for (size_t n = 0; n < 2; ++n) {
        const auto& settings = loaded.Items[n]->Settings;
        EXPECT_EQ(settings.WatchFolder, list.Items[n]->Settings.WatchFolder);
        EXPECT_EQ(settings.Comment, list.Items[n]->Settings.Comment);
        EXPECT_EQ(settings.DestinationFolder, list.Items[n]->Settings.DestinationFolder);
        EXPECT_EQ(settings.OverrideDestination, n == 1);
        EXPECT_EQ(settings.FramesPerSecondSource, 1);
        EXPECT_EQ(settings.FramesPerSecond, "STL30.01");
    }
    ASSERT_EQ(loaded.Items[0]->Settings.HexFindAndReplaceItems.size(), 1u);
    EXPECT_EQ(loaded.Items[0]->Settings.HexFindAndReplaceItems[0]->ReplaceHex, 0x4344);
}

// A reload keeps the item (its thread, what it knows, its queue) of every pair of folders
// that stays, whether its other values changed or not; a hex item counts as a change.
TEST_F(List, ReloadKeepsEveryEntryThatStaysAndCountsWhatChanged) {
    Add("kept");
    Add("changed");
    Add("gone");
    list.WatchFolderCheckIntervalMS = 1000;
    ASSERT_TRUE(list.StartWatchFolderObjects());
    WriteStlFile(dir.File("kept/queued.stl"));
    ASSERT_TRUE(WaitUntil([&] { return list.Items[0]->PendingCount() == 1; }));
    const TSTLWatchFolderThread* keptThread = list.Items[0]->Thread.get();
    const TSTLWatchFolderThread* changedThread = list.Items[1]->Thread.get();

    TWatchFolderList fresh;
    fresh.WatchFolderCheckIntervalMS = 200;
    for (const char* folder : {"new", "changed", "kept"}) {
        TWatchFolderSTLConvertSettings settings;
        settings.Assign(list.Items[0]->Settings);
        settings.WatchFolder = dir.File(folder);
        // The pair is known ignoring case, as the page compares it.
        settings.DestinationFolder = dir.File(std::string(folder) + ".OUT");
        fs::create_directories(settings.WatchFolder);
        fresh.Items.push_back(fresh.NewItem(settings));
    }
    fresh.Items[1]->Settings.HexFindAndReplaceItems.push_back(
        std::make_unique<THexFindAndReplaceValue>(THexFindAndReplaceValue{2, 0x4142, 0x4344}));
    fresh.Items[2]->Settings.DestinationFolder = list.Items[0]->Settings.DestinationFolder;

    const TWatchReload counts = list.Reload(fresh, true);
    EXPECT_EQ((std::vector<int>{counts.Added, counts.Removed, counts.Changed}),
              (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(fresh.Items.empty());
    ASSERT_EQ(list.Items.size(), 3u);
    EXPECT_EQ(Started(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(list.Items[1]->Thread.get(), changedThread);
    EXPECT_EQ(list.Items[1]->Settings.HexFindAndReplaceItems.size(), 1u);
    EXPECT_EQ(list.Items[2]->Thread.get(), keptThread);
    EXPECT_EQ(list.Items[2]->PendingCount(), 1u);
    for (const auto& item : list.Items)
        EXPECT_EQ(item->Thread->CheckIntervalMS(), 200);
    // The file the kept folder already knows is not offered again; a new one is, at the new
    // interval.
    WriteStlFile(dir.File("kept/landed.stl"));
    ASSERT_TRUE(WaitUntil([&] { return list.Items[2]->PendingCount() == 2; }));
    EXPECT_TRUE(list.StopWatchFolderObjects());
}

TEST_F(List, CountBeyondTheStoredEntriesLoadsEmptyEntriesThatArmHarmlessly) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kWatchFolderKey, true));
    registry.WriteInteger("WatchFoldersCount", 50);
    registry.WriteInteger("WatchFolderCheckIntervalMS", 100);
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(registry.OpenKey(EntryKey(n), true));
        registry.WriteString("WatchFolder", dir.File("in" + std::to_string(n)));
    }
    ASSERT_TRUE(list.LoadRegistryWatchFolders(1, "STL25.01"));
    ASSERT_EQ(list.Items.size(), 50u);
    for (size_t n = 0; n < 50; ++n)
        EXPECT_EQ(list.Items[n]->Settings.WatchFolder,
                  n < 3 ? dir.File("in" + std::to_string(n)) : "");
    ASSERT_TRUE(list.StartWatchFolderObjects());
    EXPECT_EQ(list.Items[49]->Thread->WatchFolder(), "") << "never the root folder";
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(list.ProcessPass(), 0);
    EXPECT_TRUE(list.StopWatchFolderObjects());
    EXPECT_TRUE(trace.Lines().empty());
}

// Values of the list key as stored, and what the load makes of them.
struct TKeyCase {
    const char* name;
    std::function<void(TRegistry&)> store;
    size_t items;
    int32_t interval;       // read into the list and its items
    int32_t storedInterval; // afterwards in the store
};

void PrintTo(const TKeyCase& c, std::ostream* os) {
    *os << c.name;
}

class ListKey : public List, public ::testing::WithParamInterface<TKeyCase> {};

TEST_P(ListKey, LoadsWhatIsReadableAndWritesTheIntervalBack) {
    TRegistry registry;
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(registry.OpenKey(EntryKey(n), true));
    ASSERT_TRUE(registry.OpenKey(kWatchFolderKey, true));
    GetParam().store(registry);
    ASSERT_TRUE(list.LoadRegistryWatchFolders(0, "STL25.01"));
    EXPECT_EQ(list.Items.size(), GetParam().items);
    EXPECT_EQ(list.WatchFolderCheckIntervalMS, GetParam().interval);
    EXPECT_EQ(StoredInteger(kWatchFolderKey, "WatchFolderCheckIntervalMS"),
              GetParam().storedInterval);
}

INSTANTIATE_TEST_SUITE_P(
    List, ListKey,
    ::testing::Values(TKeyCase{"NothingStored", [](TRegistry&) {}, 0, 5000, 5000},
                      TKeyCase{"BothStored",
                               [](TRegistry& r) {
                                   r.WriteInteger("WatchFoldersCount", 3);
                                   r.WriteInteger("WatchFolderCheckIntervalMS", 2500);
                               },
                               3, 2500, 2500},
                      TKeyCase{"CountAsText",
                               [](TRegistry& r) {
                                   r.WriteString("WatchFoldersCount", "3");
                                   r.WriteInteger("WatchFolderCheckIntervalMS", 2500);
                               },
                               0, 2500, 2500},
                      TKeyCase{"IntervalAsText",
                               [](TRegistry& r) {
                                   r.WriteInteger("WatchFoldersCount", 2);
                                   r.WriteString("WatchFolderCheckIntervalMS", "250");
                               },
                               2, 5000, 5000},
                      TKeyCase{"NegativeCount",
                               [](TRegistry& r) { r.WriteInteger("WatchFoldersCount", -4); }, 0,
                               5000, 5000},
                      TKeyCase{"ImpossibleCount",
                               [](TRegistry& r) { r.WriteInteger("WatchFoldersCount", INT32_MAX); },
                               1024, 5000, 5000}),
    [](const auto& c) { return std::string(c.param.name); });

struct TFpsCase {
    const char* name;
    int32_t source;
    const char* fps;
    int32_t expectedSource;
    const char* expectedFps;
};

void PrintTo(const TFpsCase& c, std::ostream* os) {
    *os << c.name;
}

class Fps : public List, public ::testing::WithParamInterface<TFpsCase> {};

TEST_P(Fps, PolicyIsNormalisedIntoEditingAndEveryEntry) {
    Add("a");
    Add("b");
    TWatchFolderSTLConvertSettings editing;
    ASSERT_TRUE(list.UpdateWatchFolderFPS(GetParam().source, GetParam().fps, &editing));
    for (const TSTLConvertSettings* settings :
         {static_cast<TSTLConvertSettings*>(&editing),
          static_cast<TSTLConvertSettings*>(&list.Items[0]->Settings),
          static_cast<TSTLConvertSettings*>(&list.Items[1]->Settings)}) {
        EXPECT_EQ(settings->FramesPerSecondSource, GetParam().expectedSource);
        EXPECT_EQ(settings->FramesPerSecond, GetParam().expectedFps);
    }
}

INSTANTIATE_TEST_SUITE_P(
    List, Fps,
    ::testing::Values(TFpsCase{"Source0With30Kept", 0, "STL30.01", 0, "STL30.01"},
                      TFpsCase{"Source1With25Kept", 1, "STL25.01", 1, "STL25.01"},
                      TFpsCase{"Source2BecomesSource0", 2, "STL30.01", 0, "STL30.01"},
                      TFpsCase{"NegativeSourceBecomesSource0", -1, "STL25.01", 0, "STL25.01"},
                      TFpsCase{"LowerCaseCodeBecomes25", 1, "stl30.01", 1, "STL25.01"},
                      TFpsCase{"CodeWithBlankBecomes25", 1, "STL30.01 ", 1, "STL25.01"},
                      TFpsCase{"EmptyCodeBecomes25", 1, "", 1, "STL25.01"}),
    [](const auto& c) { return std::string(c.param.name); });

struct TInListCase {
    const char* name;
    const char* watchFolder;
    const char* destination;
    bool found;
};

void PrintTo(const TInListCase& c, std::ostream* os) {
    *os << c.name;
}

class InList : public ::testing::TestWithParam<TInListCase> {};

TEST_P(InList, BothFoldersMatchTrimmedIgnoringCase) {
    TWatchFolderList list;
    TWatchFolderSTLConvertSettings settings;
    settings.WatchFolder = "/srv/In";
    settings.DestinationFolder = "/srv/Out";
    list.Items.push_back(list.NewItem(settings));
    EXPECT_EQ(list.IsWatchFolderInList(GetParam().watchFolder, GetParam().destination),
              GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    List, InList,
    ::testing::Values(TInListCase{"SameSpelling", "/srv/In", "/srv/Out", true},
                      TInListCase{"OtherCase", "/srv/in", "/SRV/OUT", true},
                      TInListCase{"SurroundingBlanks", " /srv/in\t", "/srv/out ", true},
                      TInListCase{"OtherDestination", "/srv/In", "/srv/Out2", false},
                      TInListCase{"OtherWatchFolder", "/srv/In2", "/srv/Out", false},
                      TInListCase{"FoldersSwapped", "/srv/Out", "/srv/In", false}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(List, ArmingStopsTheItemsItStartedWhenOneFails) {
    for (const char* folder : {"a", "b", "c", "d"})
        Add(folder);
    ASSERT_TRUE(list.Items[2]->Start(list.WatchFolderCheckIntervalMS));
    EXPECT_FALSE(list.StartWatchFolderObjects());
    EXPECT_EQ(Started(), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "vlm: Error in TWatchFolderItem.Start - already started.",
                  "vlm: Error in TCaplinForm.StartWatchFolderObjects - cannot start object."}));
}

TEST_F(List, DisarmingStopsEveryItemAndTracesOneFailure) {
    for (const char* folder : {"a", "b", "c"})
        Add(folder);
    ASSERT_TRUE(list.StartWatchFolderObjects());
    EXPECT_EQ(Started(), (std::vector<bool>{true, true, true}));
    ASSERT_TRUE(list.Items[0]->Stop());
    EXPECT_FALSE(list.StopWatchFolderObjects());
    EXPECT_EQ(Started(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "vlm: Error in TWatchFolderItem.Stop - already stopped.",
                  "vlm: Error in TCaplinForm.StopWatchFolderObjects - cannot stop object."}));
}

TEST_F(List, PassConvertsOneFilePerFolderInTurn) {
    list.WatchFolderCheckIntervalMS = 100;
    for (const char* folder : {"a", "b"}) {
        Add(folder);
        for (const char* name : {"1.stl", "2.stl", "3.stl"})
            WriteStlFile(dir.File(std::string(folder) + "/" + name));
    }
    ASSERT_TRUE(list.StartWatchFolderObjects());
    ASSERT_TRUE(WaitUntil(
        [&] { return list.Items[0]->PendingCount() == 3 && list.Items[1]->PendingCount() == 3; }));
    EXPECT_TRUE(list.StopWatchFolderObjects());
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(list.ProcessPass(), 2);
    EXPECT_EQ(list.ProcessPass(), 0);
    ASSERT_EQ(logs.size(), 6u);
    for (size_t n = 0; n < logs.size(); ++n) {
        const std::string prefix = "Converting STL file : " + dir.File(n % 2 ? "b/" : "a/");
        EXPECT_EQ(logs[n].substr(0, prefix.size()), prefix) << logs[n];
        const std::string name = fs::path(logs[n]).filename().string();
        EXPECT_TRUE(fs::exists(dir.File(std::string(n % 2 ? "b" : "a") + ".out/" + name)));
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(List, PassReportsAFailedConversionAfterItsOwnReasons) {
    Add("a").NewWatchFolderSTLFile(dir.File("a/gone.stl"));
    EXPECT_EQ(list.ProcessPass(), 1);
    EXPECT_EQ(logs, std::vector<std::string>{"Converting STL file : " + dir.File("a/gone.stl")});
    EXPECT_EQ(reports, (decltype(reports){
                           {rtError, "Source STL file " + dir.File("a/gone.stl") + " not found."},
                           {rtError, "Error converting STL file " + dir.File("a/gone.stl")}}));
}

// How a file whose conversion failed is first written, and how it changes afterwards.
struct TRetryCase {
    const char* name;
    std::function<void(const std::string& path, const std::vector<uint8_t>& good)> first;
    std::function<void(const std::string& path, const std::vector<uint8_t>& good)> change;
};

void PrintTo(const TRetryCase& c, std::ostream* os) {
    *os << c.name;
}

class Retry : public List, public ::testing::WithParamInterface<TRetryCase> {};

TEST_P(Retry, FailedFileIsOfferedAgainOnlyOnceItChanges) {
    list.WatchFolderCheckIntervalMS = 100;
    Add("a");
    const std::string path = dir.File("a/late.stl");
    WriteStlFile(dir.File("good.stl"));
    const std::vector<uint8_t> good = ReadBytes(dir.File("good.stl"));
    GetParam().first(path, good);
    ASSERT_TRUE(list.StartWatchFolderObjects());
    ASSERT_TRUE(PassUntilTaken());
    const std::pair<int32_t, std::string> failed{rtError, "Error converting STL file " + path};
    EXPECT_NE(std::find(reports.begin(), reports.end(), failed), reports.end());
    EXPECT_EQ(PassesFor(std::chrono::milliseconds(500)), 0) << "unchanged, it is not offered";

    GetParam().change(path, good);
    ASSERT_TRUE(PassUntilTaken());
    EXPECT_EQ(ReadBytes(dir.File("a.out/late.stl")).size(), good.size());
    EXPECT_EQ(PassesFor(std::chrono::milliseconds(300)), 0) << "delivered once";
    EXPECT_TRUE(list.StopWatchFolderObjects());
    EXPECT_EQ(logs, std::vector<std::string>(2, "Converting STL file : " + path));
}

INSTANTIATE_TEST_SUITE_P(
    List, Retry,
    ::testing::Values(
        // A writer that closes between chunks: taken too early, then completed.
        TRetryCase{"TakenBeforeTheWriterAppendedTheRest",
                   [](const std::string& path, const std::vector<uint8_t>& good) {
                       WriteBytes(path, {good.begin(), good.begin() + long(good.size() / 2)});
                   },
                   [](const std::string& path, const std::vector<uint8_t>& good) {
                       std::ofstream(path, std::ios::binary | std::ios::app)
                           .write(reinterpret_cast<const char*>(good.data()) + good.size() / 2,
                                  long(good.size() - good.size() / 2));
                   }},
        TRetryCase{"ReplacedByACorrectedFile",
                   [](const std::string& path, const std::vector<uint8_t>&) {
                       WriteText(path, "not an STL file");
                   },
                   [](const std::string& path, const std::vector<uint8_t>& good) {
                       WriteBytes(path + ".part", good);
                       fs::rename(path + ".part", path);
                   }}),
    [](const auto& c) { return std::string(c.param.name); });

// What stands where the watch folder was, and the system's reason for not listing it.
class Unreadable : public List,
                   public ::testing::WithParamInterface<std::pair<bool, const char*>> {};

TEST_P(Unreadable, FolderIsSaidOnceAndConvertsAgainWhenBack) {
    const auto [file, reason] = GetParam();
    list.WatchFolderCheckIntervalMS = 100;
    Add("a");
    ASSERT_TRUE(list.StartWatchFolderObjects());
    EXPECT_EQ(PassesFor(std::chrono::milliseconds(250)), 0);
    fs::rename(dir.File("a"), dir.File("a.away"));
    if (file)
        WriteText(dir.File("a"), "");
    EXPECT_EQ(PassesFor(std::chrono::milliseconds(500)), 0);
    fs::remove(dir.File("a"));
    fs::rename(dir.File("a.away"), dir.File("a"));
    WriteStlFile(dir.File("a/landed.stl"));
    ASSERT_TRUE(PassUntilTaken());
    EXPECT_TRUE(fs::exists(dir.File("a.out/landed.stl")));
    EXPECT_TRUE(list.StopWatchFolderObjects());
    EXPECT_EQ(reports, (decltype(reports){
                           {rtError, "Cannot read watch folder " + dir.File("a") + ": " + reason},
                           {rtInfo, "Watch folder " + dir.File("a") + " is readable again."}}));
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(List, Unreadable,
                         ::testing::Values(std::pair{false, "No such file or directory"},
                                           std::pair{true, "Not a directory"}),
                         [](const auto& c) {
                             return std::string(c.param.first ? "AFileInItsPlace" : "Gone");
                         });

TEST_F(List, ArmingSaysWhatItMeetsAtTheFoldersNextTurnInOrder) {
    list.WatchFolderCheckIntervalMS = 100;
    Add("a");
    fs::remove(dir.File("a.out"));
    Add("b");
    WriteStlFile(dir.File("b/waiting.stl"));
    const int other = HoldLockFile(dir.File("b/.caplin-watch.lock"), "otherhost 1\n");
    ASSERT_GE(other, 0);
    ASSERT_TRUE(list.StartWatchFolderObjects());
    EXPECT_TRUE(reports.empty()) << "arming only queues";
    EXPECT_EQ(PassesFor(std::chrono::milliseconds(400)), 0);
    EXPECT_EQ(reports,
              (decltype(reports){
                  {rtWarning, "Destination folder " + dir.File("a.out") + " does not exist."},
                  {rtWarning, "Watch folder " + dir.File("b") +
                                  " is armed by otherhost (pid 1); standing by."}}));
    EXPECT_TRUE(list.StopWatchFolderObjects());
    ::close(other);
    EXPECT_TRUE(logs.empty());
}

} // namespace
