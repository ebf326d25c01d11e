#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "logs/LogsAndMessages.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
using Clock = std::chrono::system_clock;

namespace {

Clock::time_point LocalAt(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return Clock::from_time_t(std::mktime(&t));
}

// Every observer call as one short text, in order.
class TRecorder : public TLogsObserver {
public:
    std::vector<std::string> Events;
    std::vector<std::string> LogPane;
    std::vector<std::string> MessagesPane;
    int32_t Errors = -1;
    int32_t Warnings = -1;
    int FilterShown = -1;

    void LogLineWritten(const std::string& text) override { Events.push_back("log " + text); }
    void MessageLineWritten(int32_t type, const std::string& text) override {
        Events.push_back("message " + std::to_string(type) + " " + text);
    }
    void LogPaneCleared() override { LogPane.clear(); }
    void LogPaneLineAdded(const std::string& line) override { LogPane.push_back(line); }
    void MessagesPaneCleared() override { MessagesPane.clear(); }
    void MessagesPaneLineAdded(const std::string& line, int32_t) override {
        MessagesPane.push_back(line);
    }
    void CountersChanged(int32_t errors, int32_t warnings) override {
        Errors = errors;
        Warnings = warnings;
    }
    void FilterVisibilityChanged(bool visible) override { FilterShown = visible ? 1 : 0; }
};

class LogsAndMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.File("logs"));
        std::filesystem::create_directory(dir.File("messages"));
        sinks.LogsOutputFolder = dir.File("logs");
        sinks.MessagesOutputFolder = dir.File("messages") + "/";
        sinks.SetObserver(&recorder);
        sinks.SetClock([this] { return now; });
    }

    std::string LogsFile(const char* word, const char* date) const {
        return dir.File("logs") + "/STL_OpSeq_Logs_" + word + "_" + date + ".txt";
    }
    std::string MessagesFile(const char* word, const char* date) const {
        return dir.File("messages") + "/STL_Messages_" + word + "_" + date + ".txt";
    }
    void ReportThree() {
        EXPECT_EQ(sinks.ReportFunction(rtInfo, "i"), STATUS_OK);
        EXPECT_EQ(sinks.ReportFunction(rtWarning, "w"), STATUS_OK);
        EXPECT_EQ(sinks.ReportFunction(rtError, "e"), STATUS_OK);
    }

    TempDir dir;
    TRecorder recorder;
    TLogsAndMessages sinks;
    Clock::time_point now = LocalAt(2011, 5, 3, 14, 2, 7);
};

TEST_F(LogsAndMessagesTest, LinesAreTimestampedWrittenWithCrLfAndReachTheFileAtOnce) {
    struct {
        int Hour, Minute, Second;
        int32_t Type;
        const char* Text;
        const char* Message;
    } cases[] = {
        {14, 2, 7, rtInfo, "2011-05-03 14:02:07", "2011-05-03 14:02:07 : Info - x"},
        {9, 30, 0, rtWarning, "2011-05-03 09:30:00", "2011-05-03 09:30:00 : Warning - x"},
        {0, 0, 1, rtError, "2011-05-03 00:00:01", "2011-05-03 00:00:01 : Error - x"},
        // The first second after midnight carries the date alone.
        {0, 0, 0, rtNone, "2011-05-03", "2011-05-03 : None - x"},
        {23, 59, 59, 7, "2011-05-03 23:59:59", "2011-05-03 23:59:59 : Unknown - x"},
        {12, 0, 0, -1, "2011-05-03 12:00:00", "2011-05-03 12:00:00 : Unknown - x"},
    };
    std::string logs, messages;
    for (const auto& c : cases) {
        now = LocalAt(2011, 5, 3, c.Hour, c.Minute, c.Second);
        EXPECT_EQ(sinks.Timestamp(), c.Text);
        ASSERT_EQ(sinks.LogFunction("x"), STATUS_OK);
        ASSERT_EQ(sinks.ReportFunction(c.Type, "x"), STATUS_OK);
        logs += std::string(c.Text) + " - x\r\n";
        messages += std::string(c.Message) + "\r\n";
        // Nothing waits in a buffer: the file holds the line while the sink is still open.
        EXPECT_EQ(ReadText(LogsFile("Batch", "2011_05_03")), logs);
        EXPECT_EQ(ReadText(MessagesFile("Batch", "2011_05_03")), messages);
        EXPECT_EQ(sinks.LogLines(pgBatch).back(), std::string(c.Text) + " - x");
        EXPECT_EQ(sinks.MessageLines(pgBatch).back().Line, c.Message);
        EXPECT_EQ(sinks.MessageLines(pgBatch).back().Type, c.Type);
    }
    EXPECT_EQ(sinks.CurrentLogsFileName(), LogsFile("Batch", "2011_05_03"));
    EXPECT_EQ(sinks.CurrentMessagesFileName(), MessagesFile("Batch", "2011_05_03"));
}

TEST_F(LogsAndMessagesTest, AnExistingDayFileIsAppendedTo) {
    WriteText(LogsFile("Batch", "2011_05_03"), "earlier\r\n");
    ASSERT_EQ(sinks.LogFunction("later"), STATUS_OK);
    EXPECT_EQ(ReadText(LogsFile("Batch", "2011_05_03")),
              "earlier\r\n2011-05-03 14:02:07 - later\r\n");
}

TEST_F(LogsAndMessagesTest, FileNamesPerPageAndFolder) {
    struct {
        int32_t Page;
        std::string LogsFolder, MessagesFolder, Logs, Messages;
    } cases[] = {
        {pgBatch, "/srv/logs", "/srv/msg/", "/srv/logs/STL_OpSeq_Logs_Batch_2011_05_03.txt",
         "/srv/msg/STL_Messages_Batch_2011_05_03.txt"},
        {pgWatchFolder, "/srv/logs/", "/srv/msg",
         "/srv/logs/STL_OpSeq_Logs_WatchFolder_2011_05_03.txt",
         "/srv/msg/STL_Messages_WatchFolder_2011_05_03.txt"},
        {pgPlaylistCheck, "", "", "STL_OpSeq_Logs_PlaylistCheck_2011_05_03.txt",
         "STL_Messages_PlaylistCheck_2011_05_03.txt"},
    };
    for (const auto& c : cases) {
        sinks.CurrentPage = c.Page;
        sinks.LogsOutputFolder = c.LogsFolder;
        sinks.MessagesOutputFolder = c.MessagesFolder;
        EXPECT_EQ(sinks.GetOutputLogsFileName(), c.Logs);
        EXPECT_EQ(sinks.GetOutputMessagesFileName(), c.Messages);
    }
    now = LocalAt(2009, 12, 31, 8, 0, 0);
    EXPECT_EQ(sinks.GetOutputLogsFileName(), "STL_OpSeq_Logs_PlaylistCheck_2009_12_31.txt");
}

struct TFilterCase {
    const char* Name;
    int32_t Page;
    int32_t Filter;
    std::vector<std::string> Shown; // texts of the lines in the pane
    int32_t Errors, Warnings;
    bool FilterShown;
};

void PrintTo(const TFilterCase& c, std::ostream* os) {
    *os << c.Name;
}

class LogsAndMessagesFilter : public LogsAndMessagesTest,
                              public ::testing::WithParamInterface<TFilterCase> {};

TEST_P(LogsAndMessagesFilter, EveryLineIsKeptAndWrittenOnlyAdmittedOnesAreShownAndCounted) {
    const TFilterCase& c = GetParam();
    sinks.CurrentPage = c.Page;
    sinks.MessagesFilterIndex = c.Filter;
    // None and unknown types go to the list and the file but never to the pane.
    ASSERT_EQ(sinks.ReportFunction(rtNone, "n"), STATUS_OK);
    ReportThree();
    ASSERT_EQ(sinks.ReportFunction(7, "u"), STATUS_OK);

    auto shownTexts = [&] {
        std::vector<std::string> texts;
        for (const std::string& line : recorder.MessagesPane)
            texts.push_back(line.substr(line.rfind(" - ") + 3));
        return texts;
    };
    EXPECT_EQ(sinks.MessageLines(c.Page).size(), 5u);
    EXPECT_EQ(ReadText(sinks.CurrentMessagesFileName()),
              "2011-05-03 14:02:07 : None - n\r\n2011-05-03 14:02:07 : Info - i\r\n"
              "2011-05-03 14:02:07 : Warning - w\r\n2011-05-03 14:02:07 : Error - e\r\n"
              "2011-05-03 14:02:07 : Unknown - u\r\n");
    EXPECT_EQ(shownTexts(), c.Shown);
    EXPECT_EQ(sinks.ErrorsCount(), c.Errors);
    EXPECT_EQ(sinks.WarningsCount(), c.Warnings);

    // A refresh rebuilds the same pane and counters from the list.
    recorder.Errors = recorder.Warnings = -1;
    sinks.RefreshMessages();
    EXPECT_EQ(shownTexts(), c.Shown);
    EXPECT_EQ(recorder.Errors, c.Errors);
    EXPECT_EQ(recorder.Warnings, c.Warnings);
    EXPECT_EQ(recorder.FilterShown, c.FilterShown ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, LogsAndMessagesFilter,
    ::testing::Values(
        TFilterCase{"BatchShowAll", pgBatch, 0, {"i", "w", "e"}, 1, 1, true},
        TFilterCase{"BatchShowInfos", pgBatch, 1, {"i"}, 0, 0, true},
        TFilterCase{"WatchFolderShowWarnings", pgWatchFolder, 2, {"w"}, 0, 1, true},
        TFilterCase{"WatchFolderShowErrors", pgWatchFolder, 3, {"e"}, 1, 0, true},
        // A stored index outside the combo's items is used as it is.
        TFilterCase{"BatchIndex7", pgBatch, 7, {}, 0, 0, true},
        TFilterCase{"BatchIndexMinus1", pgBatch, -1, {}, 0, 0, true},
        // The Playlist Check page ignores the filter.
        TFilterCase{"PlaylistCheckShowErrors", pgPlaylistCheck, 3, {"i", "w", "e"}, 1, 1, false},
        TFilterCase{"PlaylistCheckIndex7", pgPlaylistCheck, 7, {"i", "w", "e"}, 1, 1, false}),
    [](const ::testing::TestParamInfo<TFilterCase>& param) { return param.param.Name; });

TEST_F(LogsAndMessagesTest, ShowErrorsThenShowAll) {
    sinks.MessagesFilterIndex = 3;
    ReportThree();
    EXPECT_EQ(recorder.MessagesPane, std::vector<std::string>{"2011-05-03 14:02:07 : Error - e"});
    EXPECT_EQ(recorder.Errors, 1);
    EXPECT_EQ(recorder.Warnings, 0);

    sinks.SetFilterIndex(0);
    EXPECT_EQ(sinks.MessagesFilterIndex, 0);
    EXPECT_EQ(recorder.MessagesPane.size(), 3u);
    EXPECT_EQ(recorder.Errors, 1);
    EXPECT_EQ(recorder.Warnings, 1);
}

TEST_F(LogsAndMessagesTest, ClearEmptiesOnlyThePanesARefreshShowsTheLinesAgain) {
    ASSERT_EQ(sinks.LogFunction("a"), STATUS_OK);
    ASSERT_EQ(sinks.LogFunction("b"), STATUS_OK);
    ReportThree();

    sinks.ClearLogsPane();
    sinks.ClearMessagesPane();
    EXPECT_TRUE(recorder.LogPane.empty());
    EXPECT_TRUE(recorder.MessagesPane.empty());
    EXPECT_EQ(recorder.Errors, 0);
    EXPECT_EQ(recorder.Warnings, 0);
    EXPECT_EQ(sinks.LogLines(pgBatch).size(), 2u);
    EXPECT_EQ(sinks.MessageLines(pgBatch).size(), 3u);

    // To another page and back, as the page control's change does.
    for (int32_t page : {pgWatchFolder, pgBatch}) {
        sinks.CurrentPage = page;
        sinks.RefreshMessages();
        sinks.RefreshLogs();
    }
    EXPECT_EQ(recorder.LogPane,
              (std::vector<std::string>{"2011-05-03 14:02:07 - a", "2011-05-03 14:02:07 - b"}));
    EXPECT_EQ(recorder.MessagesPane.size(), 3u);
    EXPECT_EQ(recorder.Errors, 1);
    EXPECT_EQ(recorder.Warnings, 1);
}

TEST_F(LogsAndMessagesTest, TheFirstLineAfterMidnightStartsANewDay) {
    now = LocalAt(2011, 5, 3, 23, 59, 59);
    ASSERT_EQ(sinks.LogFunction("late"), STATUS_OK);
    ReportThree();
    const std::string oldLogs = ReadText(LogsFile("Batch", "2011_05_03"));
    const std::string oldMessages = ReadText(MessagesFile("Batch", "2011_05_03"));
    ASSERT_FALSE(oldLogs.empty());

    now = LocalAt(2011, 5, 4, 0, 0, 0);
    ASSERT_EQ(sinks.LogFunction("early"), STATUS_OK);
    ASSERT_EQ(sinks.ReportFunction(rtWarning, "dawn"), STATUS_OK);

    EXPECT_EQ(sinks.LogLines(pgBatch), std::vector<std::string>{"2011-05-04 - early"});
    EXPECT_EQ(recorder.LogPane, std::vector<std::string>{"2011-05-04 - early"});
    ASSERT_EQ(sinks.MessageLines(pgBatch).size(), 1u);
    EXPECT_EQ(recorder.MessagesPane, std::vector<std::string>{"2011-05-04 : Warning - dawn"});
    EXPECT_EQ(sinks.ErrorsCount(), 0);
    EXPECT_EQ(sinks.WarningsCount(), 1);
    EXPECT_EQ(ReadText(LogsFile("Batch", "2011_05_04")), "2011-05-04 - early\r\n");
    EXPECT_EQ(ReadText(MessagesFile("Batch", "2011_05_04")), "2011-05-04 : Warning - dawn\r\n");
    EXPECT_EQ(ReadText(LogsFile("Batch", "2011_05_03")), oldLogs);
    EXPECT_EQ(ReadText(MessagesFile("Batch", "2011_05_03")), oldMessages);
}

TEST_F(LogsAndMessagesTest, APageSwitchEmptiesTheNewPagesListTheFileKeepsTheDay) {
    sinks.CurrentPage = pgWatchFolder;
    ASSERT_EQ(sinks.LogFunction("first"), STATUS_OK);
    sinks.CurrentPage = pgBatch;
    ASSERT_EQ(sinks.LogFunction("batch"), STATUS_OK);
    sinks.CurrentPage = pgWatchFolder;
    sinks.RefreshLogs();
    EXPECT_EQ(recorder.LogPane, std::vector<std::string>{"2011-05-03 14:02:07 - first"});

    ASSERT_EQ(sinks.LogFunction("second"), STATUS_OK);
    EXPECT_EQ(sinks.LogLines(pgWatchFolder),
              std::vector<std::string>{"2011-05-03 14:02:07 - second"});
    EXPECT_EQ(recorder.LogPane, std::vector<std::string>{"2011-05-03 14:02:07 - second"});
    EXPECT_EQ(sinks.LogLines(pgBatch), std::vector<std::string>{"2011-05-03 14:02:07 - batch"});
    EXPECT_EQ(ReadText(LogsFile("WatchFolder", "2011_05_03")),
              "2011-05-03 14:02:07 - first\r\n2011-05-03 14:02:07 - second\r\n");
    // Only a change of name switches: the same page keeps its file and its list.
    ASSERT_EQ(sinks.LogFunction("third"), STATUS_OK);
    EXPECT_EQ(sinks.LogLines(pgWatchFolder).size(), 2u);
}

TEST_F(LogsAndMessagesTest, NoPageSelectedChangesNothing) {
    ASSERT_EQ(sinks.LogFunction("kept"), STATUS_OK);
    ASSERT_EQ(sinks.ReportFunction(rtError, "kept"), STATUS_OK);
    recorder.Events.clear();
    for (int32_t page : {-1, 3, 100}) {
        sinks.CurrentPage = page;
        EXPECT_EQ(sinks.LogFunction("x"), STATUS_FAIL);
        EXPECT_EQ(sinks.ReportFunction(rtError, "x"), STATUS_FAIL);
        EXPECT_TRUE(sinks.LogLines(page).empty());
    }
    EXPECT_TRUE(recorder.Events.empty());
    EXPECT_EQ(sinks.LogLines(pgBatch).size(), 1u);
    EXPECT_EQ(sinks.MessageLines(pgBatch).size(), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("logs")), {}), 1);
}

TEST_F(LogsAndMessagesTest, AnUnwritableFolderFailsKeepsTheLineAndRetriesOnTheNextLine) {
    TraceCapture trace;
    WriteText(dir.File("plain"), "a regular file");
    // Below a regular file nothing can be created, not even by root.
    sinks.LogsOutputFolder = dir.File("plain") + "/logs";
    sinks.MessagesOutputFolder = dir.File("plain") + "/messages";

    EXPECT_EQ(sinks.LogFunction("lost"), STATUS_FAIL);
    EXPECT_EQ(sinks.ReportFunction(rtError, "unseen"), STATUS_FAIL);
    EXPECT_TRUE(trace.Contains("vlm: Error in TCaplinForm.LogFunction call..."));
    EXPECT_TRUE(trace.Contains("vlm: Error in TCaplinForm.ReportFunction call..."));
    EXPECT_TRUE(sinks.CurrentLogsFileName().empty());
    EXPECT_TRUE(sinks.CurrentMessagesFileName().empty());
    EXPECT_EQ(sinks.LogLines(pgBatch), std::vector<std::string>{"2011-05-03 14:02:07 - lost"});
    EXPECT_EQ(recorder.LogPane, std::vector<std::string>{"2011-05-03 14:02:07 - lost"});
    ASSERT_EQ(sinks.MessageLines(pgBatch).size(), 1u);
    // The error still reaches the operator even though no file takes it.
    EXPECT_EQ(recorder.MessagesPane,
              std::vector<std::string>{"2011-05-03 14:02:07 : Error - unseen"});
    EXPECT_EQ(sinks.ErrorsCount(), 1);

    // Still failing: each line tries the open again, and the earlier lines stay.
    trace.Clear();
    EXPECT_EQ(sinks.LogFunction("again"), STATUS_FAIL);
    EXPECT_EQ(sinks.ReportFunction(rtWarning, "twice"), STATUS_FAIL);
    EXPECT_TRUE(trace.Contains("vlm: Error in TCaplinForm.LogFunction call..."));
    EXPECT_EQ(recorder.LogPane, (std::vector<std::string>{"2011-05-03 14:02:07 - lost",
                                                          "2011-05-03 14:02:07 - again"}));
    EXPECT_EQ(sinks.MessageLines(pgBatch).size(), 2u);
    EXPECT_EQ(recorder.MessagesPane.size(), 2u);

    // Once the folder can be written, the next line opens the file (and empties the list).
    sinks.LogsOutputFolder = dir.File("logs");
    sinks.MessagesOutputFolder = dir.File("messages");
    EXPECT_EQ(sinks.LogFunction("found"), STATUS_OK);
    EXPECT_EQ(sinks.ReportFunction(rtError, "seen"), STATUS_OK);
    EXPECT_EQ(ReadText(LogsFile("Batch", "2011_05_03")), "2011-05-03 14:02:07 - found\r\n");
    EXPECT_EQ(ReadText(MessagesFile("Batch", "2011_05_03")),
              "2011-05-03 14:02:07 : Error - seen\r\n");
    EXPECT_EQ(sinks.LogLines(pgBatch).size(), 1u);
    EXPECT_EQ(sinks.ErrorsCount(), 1);
}

TEST_F(LogsAndMessagesTest, AWriteFailureOnAnOpenFileFailsTheSink) {
    ASSERT_EQ(sinks.LogFunction("before"), STATUS_OK);
    TraceCapture trace;
    FileFaults().BeforeWrite = [](const std::string&, int64_t) { return false; };
    const TStatus status = sinks.LogFunction("during");
    FileFaults().BeforeWrite = nullptr;
    EXPECT_EQ(status, STATUS_FAIL);
    EXPECT_TRUE(trace.Contains("vlm: Error in TCaplinForm.LogFunction call..."));
    EXPECT_EQ(sinks.LogLines(pgBatch).size(), 2u);
}

} // namespace
