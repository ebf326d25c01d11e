// One watch folder: its settings with folder and comment, starting and stopping its
// thread, and the queue that the main thread converts from.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "stl/STLBlocks.h"
#include "tests/watchfolder/WatchFolderTestSupport.h"
#include "watchfolder/WatchFolderItem.h"

using namespace testsupport;
using namespace wftest;
namespace fs = std::filesystem;

namespace {

const std::string KEY = std::string(kWatchFolderKey) + "WF_0\\";

bool Load(TWatchFolderSTLConvertSettings& settings) {
    return settings.LoadFromRegistry(KEY, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey);
}

TEST(WatchFolderSettings, AssignCopiesFolderAndCommentFromTheirOwnKindOnly) {
    TWatchFolderSTLConvertSettings source, target;
    source.WatchFolder = "/srv/in";
    source.Comment = "news";
    source.DestinationFolder = "/srv/out";
    source.HexFindAndReplaceItems.push_back(
        std::make_unique<THexFindAndReplaceValue>(THexFindAndReplaceValue{1, 0x41, 0x42}));
    ASSERT_TRUE(target.Assign(source));
    EXPECT_EQ(target.WatchFolder, "/srv/in");
    EXPECT_EQ(target.Comment, "news");
    EXPECT_EQ(target.DestinationFolder, "/srv/out");
    EXPECT_EQ(target.HexFindAndReplaceItems.size(), 1u);

    TSTLConvertSettings plain;
    plain.DestinationFolder = "/srv/other";
    ASSERT_TRUE(target.Assign(plain));
    EXPECT_EQ(target.DestinationFolder, "/srv/other");
    EXPECT_EQ(target.WatchFolder, "/srv/in");
    EXPECT_EQ(target.Comment, "news");
}

// What the entry's key holds before loading, and the two fields it loads as.
struct TStoredCase {
    const char* name;
    std::function<void(TRegistry&)> store; // null: the key does not exist
    const char* watchFolder;
    const char* comment;
};

void PrintTo(const TStoredCase& c, std::ostream* os) {
    *os << c.name;
}

class StoredValues : public ::testing::TestWithParam<TStoredCase> {};

TEST_P(StoredValues, EachValueLoadsOnItsOwn) {
    TSettingsStore::Global().Clear();
    if (GetParam().store) {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(KEY, true));
        GetParam().store(registry);
    }
    TWatchFolderSTLConvertSettings settings;
    settings.WatchFolder = "stale";
    settings.Comment = "stale";
    EXPECT_TRUE(Load(settings));
    EXPECT_EQ(settings.WatchFolder, GetParam().watchFolder);
    EXPECT_EQ(settings.Comment, GetParam().comment);
}

INSTANTIATE_TEST_SUITE_P(WatchFolderSettings, StoredValues,
                         ::testing::Values(TStoredCase{"KeyMissing", nullptr, "stale", "stale"},
                                           TStoredCase{"KeyEmpty", [](TRegistry&) {}, "", ""},
                                           TStoredCase{"FolderOfWrongType",
                                                       [](TRegistry& r) {
                                                           r.WriteInteger("WatchFolder", 7);
                                                           r.WriteString("Comment", "c");
                                                       },
                                                       "", "c"},
                                           TStoredCase{"CommentOfWrongType",
                                                       [](TRegistry& r) {
                                                           r.WriteString("WatchFolder", "/in");
                                                           r.WriteInteger("Comment", 7);
                                                       },
                                                       "/in", ""}),
                         [](const auto& c) { return std::string(c.param.name); });

class Item : public ::testing::Test {
protected:
    Item() {
        fs::create_directory(in());
        fs::create_directory(out());
        item.Settings.WatchFolder = in();
        MakeConvertible(item.Settings, out());
        item.ReportFunction = [this](int32_t type, const char* text) {
            if (type == rtError)
                errors.push_back(text);
            return STATUS_OK;
        };
    }
    std::string in() const { return dir.File("in"); }
    std::string out() const { return dir.File("out"); }

    TraceCapture trace;
    TempDir dir;
    std::vector<std::string> errors;
    TWatchFolderItem item;
};

// Start and Stop called in order, with their results, and the trace lines they leave.
struct TLifeCase {
    const char* name;
    std::vector<std::pair<bool, bool>> calls; // {start?, expected result}
    std::vector<std::string> trace;
};

void PrintTo(const TLifeCase& c, std::ostream* os) {
    *os << c.name;
}

class Life : public Item, public ::testing::WithParamInterface<TLifeCase> {};

TEST_P(Life, StartAndStopRefuseTheStateTheyWouldMake) {
    bool started = false;
    for (const auto& [start, result] : GetParam().calls) {
        const TSTLWatchFolderThread* before = item.Thread.get();
        EXPECT_EQ(start ? item.Start(kMinCheckIntervalMS) : item.Stop(), result);
        if (result)
            started = start;
        else
            EXPECT_EQ(item.Thread.get(), before) << "a refused call leaves the thread alone";
        EXPECT_EQ(item.IsStarted(), started);
    }
    EXPECT_EQ(trace.Lines(), GetParam().trace);
}

INSTANTIATE_TEST_SUITE_P(
    Item, Life,
    ::testing::Values(TLifeCase{"StartStop", {{true, true}, {false, true}}, {}},
                      TLifeCase{"StartTwice",
                                {{true, true}, {true, false}, {false, true}},
                                {"vlm: Error in TWatchFolderItem.Start - already started."}},
                      TLifeCase{"StopWhenStopped",
                                {{false, false}, {true, true}, {false, true}, {false, false}},
                                {"vlm: Error in TWatchFolderItem.Stop - already stopped.",
                                 "vlm: Error in TWatchFolderItem.Stop - already stopped."}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(Item, QueueIsFirstInFirstOutAndKeepsDuplicates) {
    std::string next = "untouched";
    EXPECT_FALSE(item.TakeNextFile(next));
    EXPECT_EQ(next, "untouched");
    for (const char* name : {"b.stl", "a.stl", "b.stl"})
        item.NewWatchFolderSTLFile(in() + "/" + name);
    EXPECT_EQ(item.PendingCount(), 3u);
    std::vector<std::string> order;
    while (item.TakeNextFile(next)) {
        order.push_back(next);
        EXPECT_EQ(item.PendingCount(), 3u - order.size()) << "a take hands a file out once";
        EXPECT_FALSE(item.ConvertFile(next).Succeeded()); // none of them exists
    }
    EXPECT_EQ(order, (std::vector<std::string>{in() + "/b.stl", in() + "/a.stl", in() + "/b.stl"}));
    std::vector<std::string> expected;
    for (const std::string& path : order)
        expected.push_back("Source STL file " + path + " not found.");
    EXPECT_EQ(errors, expected);
}

TEST_F(Item, ConvertFileConvertsWithTheItemsSettings) {
    const std::string source = in() + "/a.stl";
    WriteStlFile(source);
    EXPECT_TRUE(item.ConvertFile(source).Succeeded());
    EXPECT_EQ(ReadBytes(out() + "/a.stl").size(), size_t(GSI_BLOCK_SIZE + 2 * TTI_BLOCK_SIZE));
    EXPECT_TRUE(errors.empty());
    // The second time the destination is there and overwriting is off.
    EXPECT_EQ(item.ConvertFile(source).Fault, TConvertFault::DestinationExists);
    EXPECT_EQ(errors,
              std::vector<std::string>{"Duplicated destination STL file " + out() + "/a.stl"});
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(Item, FilesQueuedAtStopComeUpAgainAfterTheNextStart) {
    WriteStlFile(in() + "/a.stl");
    WriteStlFile(in() + "/b.stl");
    ASSERT_TRUE(item.Start(kMinCheckIntervalMS));
    ASSERT_TRUE(WaitUntil([&] { return item.PendingCount() == 2; }));
    ASSERT_TRUE(item.Stop());
    EXPECT_EQ(item.PendingCount(), 2u);
    ASSERT_TRUE(item.Start(kMinCheckIntervalMS));
    EXPECT_TRUE(WaitUntil([&] { return item.PendingCount() == 4; }));
    // Left started: destroying the item ends its thread before the queue goes.
}

} // namespace
