// The stepped check of one entry does what the one-call check does, one piece of work a
// step when given no time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "playlist/PlaylistGroupCheck.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

struct TRecord {
    std::vector<std::string> Logs, Reports;
    TLogFunction Log() {
        return [this](const char* text) {
            Logs.emplace_back(text);
            return STATUS_OK;
        };
    }
    TReportFunction Report() {
        return [this](int32_t, const char* text) {
            Reports.emplace_back(text);
            return STATUS_OK;
        };
    }
};

class GroupCheck : public ::testing::Test {
protected:
    // Four playlists, one of them unreadable, with misses in both languages, and more
    // subtitle files than one piece of header reading takes.
    GroupCheck() {
        for (const char* folder : {"lists", "subs", "logs"})
            fs::create_directories(dir.File(folder));
        settings.PlaylistsFolder = dir.File("lists") + "/";
        settings.SubtitlesFolder = dir.File("subs") + "/";
        settings.MissingsLogFolder = dir.File("logs") + "/";
        settings.LanguageCheckList = {0x09, 0x0F};
        for (int i = 0; i <= 70; ++i) {
            std::vector<uint8_t> gsi = MakeGsi(0);
            SetField(gsi, 14, 2, i < 70 ? "09" : "0F");
            SetField(gsi, 208, 16, "T" + std::to_string(i % 70));
            WriteStl(dir.File("subs/s" + std::to_string(i) + ".stl"), gsi, {});
        }
        WriteText(dir.File("lists/a.ply"), "#TAPEID T0\n\"A1\";0;5\n#TAPEID X\n\"A2\";0;5\n");
        WriteText(dir.File("lists/b.ply"), "#TAPEID T2\n\"B1\";0;5\n");
        WriteText(dir.File("lists/c.ply"), "#TAPEID Y\n\"C1\";0;5\n");
        fs::create_directories(dir.File("lists/unreadable.ply"));
    }
    std::vector<std::string> LogFiles() const {
        std::vector<std::string> files;
        for (const auto& file : fs::directory_iterator(settings.MissingsLogFolder))
            files.push_back(file.path().filename().string() + ": " + ReadText(file.path()));
        std::sort(files.begin(), files.end());
        return files;
    }

    TraceCapture trace;
    TempDir dir;
    TPlaylistCheckSettings settings;
};

TEST_F(GroupCheck, SlicesDoWhatTheOneCallCheckDoes) {
    TRecord whole;
    ASSERT_TRUE(CheckPlaylistGroup(settings, whole.Log(), whole.Report()));
    const auto wholeFiles = LogFiles();
    const auto wholeTrace = trace.Lines();
    fs::remove_all(settings.MissingsLogFolder);
    fs::create_directories(settings.MissingsLogFolder);
    trace.Clear();

    TRecord sliced;
    TPlaylistGroupCheck check(settings, sliced.Log(), sliced.Report(),
                              std::chrono::milliseconds(0));
    settings.LanguageCheckList.clear(); // the check keeps its own copy
    // The listing and two pieces of headers, then one playlist a step.
    for (int step = 0; step < 3; ++step)
        EXPECT_TRUE(check.Step());
    EXPECT_TRUE(sliced.Logs.empty());
    for (size_t playlist = 1; playlist <= 4; ++playlist) {
        EXPECT_EQ(check.Step(), playlist < 4);
        EXPECT_EQ(sliced.Logs.size(), playlist);
    }
    EXPECT_TRUE(check.Done());
    EXPECT_TRUE(check.Succeeded());

    EXPECT_EQ(sliced.Logs, whole.Logs);
    // A2 and C1 in English; A2, B1 and C1 in French.
    EXPECT_EQ(sliced.Reports.size(), 5u);
    EXPECT_EQ(sliced.Reports, whole.Reports);
    EXPECT_EQ(LogFiles(), wholeFiles);
    EXPECT_EQ(trace.Lines(), wholeTrace);
}

TEST_F(GroupCheck, AFailureEndsTheCheckAsFailed) {
    TRecord record;
    const TLogFunction failingLog = [](const char*) -> TStatus {
        throw std::runtime_error("sink gone");
    };
    TPlaylistGroupCheck check(settings, failingLog, record.Report(), std::chrono::hours(1));
    EXPECT_FALSE(check.Step());
    EXPECT_FALSE(check.Succeeded());
    EXPECT_TRUE(record.Reports.empty());
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"vlm: Error in CheckPlaylistGroup call..."});
}

} // namespace
