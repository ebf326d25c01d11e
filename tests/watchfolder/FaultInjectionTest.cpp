// A watch-folder run under trouble: a folder that vanishes between its listing and the
// opening of its files, a destination folder that vanishes mid-run, and a clock that passes
// midnight while files are converted. Nothing may be reported twice or lost.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "logs/LogsAndMessages.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "tests/watchfolder/WatchFolderTestSupport.h"
#include "watchfolder/STLWatchFolderUtils.h"
#include "watchfolder/WatchFolderList.h"

using namespace testsupport;
using namespace wftest;
namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

namespace {

std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& path : paths)
        names.push_back(fs::path(path).filename().string());
    return names;
}

TEST(WatchFolderFault, FolderVanishingBetweenListingAndOpeningLosesNoName) {
    TraceCapture trace;
    TempDir dir;
    const std::string folder = dir.File("in");
    fs::create_directory(folder);
    const std::vector<std::string> all = {"a.stl", "b.stl", "c.stl"};
    for (const std::string& name : all)
        WriteStlFile(folder + "/" + name);

    TRecorder recorder;
    TSTLWatchFolderThread thread(
        folder, [&](const std::string& path) { recorder.Add(path); }, kMaxCheckIntervalMS);
    // The first file opened takes its folder with it: the other listed names are gone by
    // the time the scan opens them.
    int leases = 0;
    LeaseFault() = [&](const std::string&) {
        if (leases++ == 0)
            fs::remove_all(folder);
        return 0;
    };
    EXPECT_TRUE(thread.Scan());
    LeaseFault() = nullptr;
    const std::vector<std::string> first = Names(recorder.TakeSorted());
    ASSERT_EQ(first.size(), 1u);

    // The folder comes back with the same files: each name not yet reported is, once.
    fs::create_directory(folder);
    for (const std::string& name : all)
        WriteStlFile(folder + "/" + name);
    EXPECT_TRUE(thread.Scan());
    EXPECT_TRUE(thread.Scan());
    std::vector<std::string> reported = first;
    for (const std::string& name : Names(recorder.TakeSorted()))
        reported.push_back(name);
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, all);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{});
}

class WatchRun : public ::testing::Test {
protected:
    WatchRun() {
        TSettingsStore::Global().Clear();
        list.ReportFunction = [this](int32_t type, const char* text) {
            reports.emplace_back(type, text);
            return STATUS_OK;
        };
        list.LogFunction = [this](const char* text) {
            logs.emplace_back(text);
            return STATUS_OK;
        };
    }
    TWatchFolderItem& Add() {
        TWatchFolderSTLConvertSettings settings;
        settings.WatchFolder = dir.File("in");
        MakeConvertible(settings, dir.File("out"));
        fs::create_directories(settings.WatchFolder);
        fs::create_directories(settings.DestinationFolder);
        list.Items.push_back(list.NewItem(settings));
        return *list.Items.back();
    }
    // Queues the files as the polling thread would, in order.
    void Queue(TWatchFolderItem& item, const std::vector<std::string>& names, bool valid = true) {
        for (const std::string& name : names) {
            if (valid)
                WriteStlFile(dir.File("in/" + name));
            else
                WriteText(dir.File("in/" + name), "not an STL file");
            item.NewWatchFolderSTLFile(dir.File("in/" + name));
        }
    }
    void RunAll() {
        while (list.ProcessPass() > 0) {
        }
    }

    TraceCapture trace;
    TempDir dir;
    std::vector<std::pair<int32_t, std::string>> reports;
    std::vector<std::string> logs;
    TWatchFolderList list;
};

TEST_F(WatchRun, DestinationFolderVanishingMidRunKeepsTheSources) {
    TWatchFolderItem& item = Add();
    Queue(item, {"1.stl", "2.stl", "3.stl"});
    EXPECT_EQ(list.ProcessPass(), 1);
    fs::remove_all(dir.File("out"));
    RunAll();

    EXPECT_EQ(logs.size(), 3u);
    const auto failed = [&](const std::string& name) {
        return std::vector<std::pair<int32_t, std::string>>{
            {rtError, "Cannot create destination STL file " + dir.File("out/" + name)},
            {rtInfo, "Reason: No such file or directory"},
            {rtError, "Error converting STL file " + dir.File("in/" + name)}};
    };
    auto want = failed("2.stl");
    for (auto& report : failed("3.stl"))
        want.push_back(report);
    EXPECT_EQ(reports, want);
    for (const char* name : {"1.stl", "2.stl", "3.stl"})
        EXPECT_TRUE(fs::exists(dir.File(std::string("in/") + name))) << name;
    EXPECT_FALSE(fs::exists(dir.File("out")));
}

// With OverrideDestination on, a re-delivery that is refused or cannot be written leaves the
// file delivered before exactly as it was, and its source in the watch folder.
TEST_F(WatchRun, FailedRedeliveryKeepsTheDeliveredFile) {
    TWatchFolderItem& item = Add();
    item.Settings.OverrideDestination = true;
    Queue(item, {"1.stl"});
    RunAll();
    const std::vector<uint8_t> delivered = ReadBytes(dir.File("out/1.stl"));
    ASSERT_FALSE(delivered.empty());

    Queue(item, {"1.stl"}, false);
    RunAll();
    FileFaults().BeforeWrite = [this](const std::string& path, int64_t) {
        return path.rfind(dir.File("out"), 0) != 0;
    };
    Queue(item, {"1.stl"});
    RunAll();
    FileFaults() = TFileFaults();

    EXPECT_EQ(ReadBytes(dir.File("out/1.stl")), delivered);
    EXPECT_TRUE(fs::exists(dir.File("in/1.stl")));
    std::vector<std::string> reasons;
    for (const auto& [type, text] : reports)
        if (text.rfind("Reason: ", 0) == 0)
            reasons.push_back(text);
    EXPECT_EQ(reasons, (std::vector<std::string>{"Reason: not an EBU STL file",
                                                 "Reason: No space left on device"}));
}

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

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(fs::exists(path) ? ReadText(path) : std::string());
    for (std::string line; std::getline(in, line);) {
        EXPECT_FALSE(line.empty() || line.back() != '\r') << path << ": " << line;
        lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

// The clock moves one second on every time the sinks read it, from a few seconds before
// midnight: the run's lines fall on both sides of it.
TEST_F(WatchRun, MidnightDuringARunSplitsTheDailyFilesAndLosesNoLine) {
    TLogsAndMessages sinks;
    fs::create_directory(dir.File("logs"));
    sinks.LogsOutputFolder = dir.File("logs");
    sinks.MessagesOutputFolder = dir.File("logs");
    sinks.CurrentPage = pgWatchFolder;
    Clock::time_point now = LocalAt(2011, 5, 3, 23, 59, 55);
    sinks.SetClock([&now] {
        const Clock::time_point at = now;
        now += std::chrono::seconds(1);
        return at;
    });
    std::vector<std::string> written; // every line as the sinks were handed it
    list.LogFunction = [&](const char* text) {
        written.push_back(text);
        return sinks.LogFunction(text);
    };
    list.ReportFunction = [&](int32_t type, const char* text) {
        written.push_back(ReportTypeToString(type) + " - " + text);
        return sinks.ReportFunction(type, text);
    };
    TWatchFolderItem& item = Add();
    Queue(item, {"1.stl", "2.stl", "3.stl"});
    Queue(item, {"4.stl"}, false);
    Queue(item, {"5.stl", "6.stl"});
    RunAll();

    std::vector<std::string> found;
    std::map<std::string, size_t> perDay;
    for (const char* day : {"2011_05_03", "2011_05_04"}) {
        const std::string date = std::string(day).replace(4, 1, "-").replace(7, 1, "-");
        const std::string logFile =
            dir.File("logs") + "/STL_OpSeq_Logs_WatchFolder_" + day + ".txt";
        const std::string messageFile =
            dir.File("logs") + "/STL_Messages_WatchFolder_" + day + ".txt";
        for (const std::string& file : {logFile, messageFile}) {
            for (const std::string& line : Lines(file)) {
                // Each line carries the date of the file it is in.
                EXPECT_EQ(line.substr(0, 10), date) << line;
                const size_t text = line.find(file == logFile ? " - " : " : ");
                ASSERT_NE(text, std::string::npos) << line;
                found.push_back(line.substr(text + 3));
                ++perDay[day];
            }
        }
    }
    EXPECT_GT(perDay["2011_05_03"], 0u);
    EXPECT_GT(perDay["2011_05_04"], 0u);
    // Every line in exactly one file: the same lines, in any order across the two kinds.
    std::sort(found.begin(), found.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(found, written);
    EXPECT_EQ(logs.size(), 0u); // the sinks took them all
    for (const char* name : {"1.stl", "2.stl", "3.stl", "5.stl", "6.stl"})
        EXPECT_TRUE(fs::exists(dir.File(std::string("out/") + name))) << name;
    EXPECT_FALSE(fs::exists(dir.File("out/4.stl")));
}

} // namespace
