// The three runs stepped without a window, as the command line steps them: their lines, their
// per-entry states, their refusals, and how each ends by itself, by its own button and when
// the busy flag is cleared from outside (a close).
#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "session/CaplinSession.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

class LineRecorder : public TLogsObserver {
public:
    std::vector<std::string> Lines;
    void LogLineWritten(const std::string& text) override { Lines.push_back(text); }
    void MessageLineWritten(int32_t type, const std::string& text) override {
        Lines.push_back(ReportTypeToString(type) + " - " + text);
    }
};

class RunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.File("out"));
        // Default settings and empty lists, whatever an earlier test left in the store.
        TSettingsStore::Global().SetContent({});
        session.InitializeConverter(0, 0);
        session.Logs().LogsOutputFolder = dir.File("");
        session.Logs().MessagesOutputFolder = dir.File("");
        session.Logs().SetObserver(&lines);
        session.BatchSettings()->DestinationFolder = dir.File("out");
        // Test files carry neither a tape ID nor a language in their names.
        session.BatchSettings()->LanguageSource = lsPredefined;
        session.BatchSettings()->LanguagePredefined = "09";
    }
    void TearDown() override { session.Logs().SetObserver(nullptr); }

    std::string GoodFile(const std::string& name) {
        WriteStl(dir.File(name), MakeGsi(1), {MakeTti(1, "Hello")});
        return dir.File(name);
    }
    void AddBatch(const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            session.Batch().AppendToBatchList(path);
    }
    std::vector<TBatchItemStatus> Statuses() const {
        std::vector<TBatchItemStatus> statuses;
        for (const TBatchItem& item : session.Batch().BatchList())
            statuses.push_back(item.Status);
        return statuses;
    }

    TempDir dir;
    LineRecorder lines;
    TCaplinSession session{TSessionOwner::CommandLine};
};

constexpr auto kNone = TBatchItemStatus::NotProcessed;
constexpr auto kDone = TBatchItemStatus::Processed;

TEST_F(RunsTest, BatchRefusesAnEmptyListBeforeAMissingDestination) {
    session.BatchSettings()->DestinationFolder.clear();
    EXPECT_EQ(session.Batch().Start().Refusal, "No files to convert.");
    AddBatch({GoodFile("a.stl")});
    const TRunStart start = session.Batch().Start();
    EXPECT_FALSE(start.Started);
    EXPECT_EQ(start.Refusal, "No destination folder specified.");
    EXPECT_TRUE(lines.Lines.empty());
    EXPECT_FALSE(session.ConversionInProgress());
}

TEST_F(RunsTest, BatchConvertsEveryEntryAndCountsTheFailedOnes) {
    const std::string missing = dir.File("missing.stl");
    AddBatch({GoodFile("a.stl"), missing});
    std::vector<std::pair<size_t, TBatchItemStatus>> seen;
    session.Batch().EntryChanged = [&](size_t index) {
        seen.emplace_back(index, session.Batch().BatchList()[index].Status);
    };
    ASSERT_TRUE(session.Batch().Start().Started);
    EXPECT_TRUE(session.ConversionInProgress());
    EXPECT_EQ(session.Batch().Step(), TRunNext::AfterPause);
    EXPECT_EQ(session.Batch().Step(), TRunNext::Finished);
    EXPECT_FALSE(session.ConversionInProgress());
    EXPECT_FALSE(session.Batch().Running());
    EXPECT_EQ(session.Batch().Failed(), 1u);
    // "Processing" is told before each conversion, "Processed" or "Failed" after it.
    const std::vector<std::pair<size_t, TBatchItemStatus>> expectedSeen = {
        {0, TBatchItemStatus::Processing},
        {0, kDone},
        {1, TBatchItemStatus::Processing},
        {1, TBatchItemStatus::Failed}};
    EXPECT_EQ(seen, expectedSeen);
    const std::vector<std::string> expected = {"Batch conversion started.",
                                               "Converting STL file : " + dir.File("a.stl"),
                                               "Converting STL file : " + missing,
                                               "Error - Source STL file " + missing + " not found.",
                                               "Error - Error converting STL file " + missing,
                                               "Batch conversion done."};
    EXPECT_EQ(lines.Lines, expected);
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/a.stl")));
}

TEST_F(RunsTest, BatchCancelAndCloseLeaveTheRestUntouched) {
    AddBatch({GoodFile("a.stl"), GoodFile("b.stl"), GoodFile("c.stl")});
    ASSERT_TRUE(session.Batch().Start().Started);
    session.Batch().Step();
    session.Batch().Cancel();
    EXPECT_EQ(session.Batch().Step(), TRunNext::Finished);
    EXPECT_EQ(Statuses(), (std::vector{kDone, kNone, kNone}));
    EXPECT_EQ(lines.Lines.back(), "Batch conversion canceled.");
    EXPECT_FALSE(session.ConversionInProgress());

    // A new run starts from empty statuses; a close clears the flag and the run ends
    // without a line of its own.
    lines.Lines.clear();
    ASSERT_TRUE(session.Batch().Start().Started);
    EXPECT_EQ(Statuses(), (std::vector{kNone, kNone, kNone}));
    session.SetConversionInProgress(false);
    EXPECT_EQ(session.Batch().Step(), TRunNext::Finished);
    EXPECT_EQ(lines.Lines, std::vector<std::string>{"Batch conversion started."});
    EXPECT_FALSE(session.Batch().Running());
}

TEST_F(RunsTest, WatchConvertsOneQueuedFilePerFolderPerStep) {
    EXPECT_EQ(session.Watch().Arm().Refusal, "There are no watch folder specified.");
    session.WatchFolderList()->WatchFolderCheckIntervalMS = 3600000; // the test queues the files
    for (const char* name : {"in1", "in2"}) {
        std::filesystem::create_directories(dir.File(name));
        TWatchFolderSTLConvertSettings settings;
        settings.Assign(*session.BatchSettings());
        settings.WatchFolder = dir.File(name);
        session.WatchFolderList()->Items.push_back(session.WatchFolderList()->NewItem(settings));
    }
    ASSERT_TRUE(session.Watch().Arm().Started);
    EXPECT_TRUE(session.ConversionInProgress());
    auto& items = session.WatchFolderList()->Items;
    items[0]->NewWatchFolderSTLFile(GoodFile("in1/a.stl"));
    items[0]->NewWatchFolderSTLFile(GoodFile("in1/b.stl"));
    items[1]->NewWatchFolderSTLFile(GoodFile("in2/c.stl"));
    // A pass that converted a file is followed at once; only an idle one waits.
    EXPECT_EQ(session.Watch().Step(), TRunNext::Now);
    EXPECT_EQ(session.Watch().LastPass(), 2);
    EXPECT_EQ(session.Watch().Step(), TRunNext::Now);
    EXPECT_EQ(session.Watch().LastPass(), 1);
    EXPECT_EQ(session.Watch().Step(), TRunNext::AfterPause);
    EXPECT_EQ(session.Watch().LastPass(), 0);
    session.Watch().Disarm();
    const std::vector<std::string> expected = {
        "Watch folder conversion armed.", "Converting STL file : " + dir.File("in1/a.stl"),
        "Converting STL file : " + dir.File("in2/c.stl"),
        "Converting STL file : " + dir.File("in1/b.stl"), "Watch folder conversion disarmed."};
    EXPECT_EQ(lines.Lines, expected);
    EXPECT_FALSE(session.ConversionInProgress());
    for (const auto& item : items)
        EXPECT_FALSE(item->IsStarted());

    // A close: the flag goes, the next step stops every folder without a line.
    ASSERT_TRUE(session.Watch().Arm().Started);
    session.SetConversionInProgress(false);
    EXPECT_EQ(session.Watch().Step(), TRunNext::Finished);
    EXPECT_FALSE(session.Watch().Armed());
    for (const auto& item : items)
        EXPECT_FALSE(item->IsStarted());
    EXPECT_EQ(lines.Lines.back(), "Watch folder conversion armed.");
}

TEST_F(RunsTest, PlaylistCheckStopsAfterTheEntryUnderWay) {
    EXPECT_EQ(session.PlaylistCheck().Start().Refusal, "There are no playlist folders specified.");
    for (int n = 0; n < 3; ++n) {
        const std::string base = dir.File("e" + std::to_string(n));
        for (const char* folder : {"/lists", "/subs", "/logs"})
            std::filesystem::create_directories(base + folder);
        WriteText(base + "/lists/p.ply", "#TAPEID TAPE0001\n\"CLIP\";0;5\n");
        auto entry = std::make_unique<TPlaylistCheckSettings>();
        entry->PlaylistsFolder = base + "/lists/";
        entry->SubtitlesFolder = base + "/subs/";
        entry->MissingsLogFolder = base + "/logs/";
        entry->LanguageCheckList = {9};
        session.PlaylistCheckList()->Entries.push_back(std::move(entry));
    }
    ASSERT_TRUE(session.PlaylistCheck().Start().Started);
    TRunNext next = TRunNext::Now;
    while (session.PlaylistCheck().EntriesChecked() < 1)
        next = session.PlaylistCheck().Step();
    EXPECT_EQ(next, TRunNext::AfterPause);
    session.PlaylistCheck().Stop();
    EXPECT_EQ(session.PlaylistCheck().EntriesChecked(), 1u);
    EXPECT_EQ(session.PlaylistCheck().Tally().Missing, 1);
    EXPECT_EQ(lines.Lines.front(), "Playlist check starting.");
    EXPECT_EQ(lines.Lines.back(), "Playlist check stopping.");
    EXPECT_FALSE(session.ConversionInProgress());

    // Run to its end: every entry, one miss each, then the closing line.
    lines.Lines.clear();
    ASSERT_TRUE(session.PlaylistCheck().Start().Started);
    while (session.PlaylistCheck().Step() != TRunNext::Finished) {
    }
    EXPECT_EQ(session.PlaylistCheck().EntriesChecked(), 3u);
    EXPECT_EQ(session.PlaylistCheck().Tally().Missing, 3);
    EXPECT_EQ(session.PlaylistCheck().FailedEntries(), 0u);
    EXPECT_EQ(lines.Lines.back(), "Playlist check done.");
    EXPECT_FALSE(session.ConversionInProgress());
}

} // namespace
