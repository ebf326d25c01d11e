// The playlist reader and check under failing I/O: reads that come back short, and folders
// that vanish between their listing and the opening of their files.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/FileSystem.h"
#include "playlist/PlaylistCheckUtils.h"
#include "playlist/TarnPlayListReader.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

struct TFaultScope {
    ~TFaultScope() { FileFaults() = TFileFaults(); }
};

using TClip = std::tuple<std::string, std::string, double>;

std::vector<TClip> Clips(const std::string& path) {
    TTarnPlayListReader reader;
    EXPECT_TRUE(reader.LoadFile(path));
    std::vector<TClip> clips;
    for (int32_t i = 0; i < reader.ItemCount(); ++i) {
        std::string name, tapeID;
        double duration = 0;
        EXPECT_TRUE(reader.GetItem(i, name, tapeID, duration));
        clips.emplace_back(name, tapeID, duration);
    }
    return clips;
}

// Playlists whose lines and line ends straddle any read boundary.
std::string LongPlaylist(const std::string& lineEnd, size_t clips) {
    std::string text;
    for (size_t n = 0; n < clips; ++n)
        text += "#TAPEID T" + std::to_string(n) + lineEnd + "remark " + std::string(n % 97, 'r') +
                lineEnd + "\"CLIP_" + std::to_string(n) + "\";0;" + std::to_string(n % 50) +
                lineEnd;
    return text;
}

struct TPlaylistText {
    const char* Name;
    std::string Text;
};

void PrintTo(const TPlaylistText& c, std::ostream* os) {
    *os << c.Name;
}

class ShortReads : public ::testing::TestWithParam<TPlaylistText> {};

TEST_P(ShortReads, GiveTheSameClipsAsWholeReads) {
    TempDir dir;
    TFaultScope faults;
    const std::string path = dir.File("list.ply");
    WriteText(path, GetParam().Text);
    const std::vector<TClip> whole = Clips(path);
    ASSERT_FALSE(whole.empty());
    // Every read transfers half of what was asked.
    FileFaults().BeforeRead = [](const std::string&, int64_t) { return false; };
    EXPECT_EQ(Clips(path), whole);
}

INSTANTIATE_TEST_SUITE_P(
    Playlist, ShortReads,
    ::testing::Values(TPlaylistText{"ThreeThousandClipsLf", LongPlaylist("\n", 3000)},
                      TPlaylistText{"ThreeThousandClipsCrLf", LongPlaylist("\r\n", 3000)},
                      TPlaylistText{"OneClipCrLf", "#TAPEID T1\r\n\"A\";0;1"},
                      TPlaylistText{"OneClipEndingInCr", "#TAPEID T1\n\"A\";0;1\r"}),
    [](const auto& c) { return std::string(c.param.Name); });

class CheckFault : public ::testing::Test {
protected:
    CheckFault() {
        for (const char* name : {"lists", "subs", "logs"})
            fs::create_directories(dir.File(name));
        settings.PlaylistsFolder = dir.File("lists") + "/";
        settings.SubtitlesFolder = dir.File("subs") + "/";
        settings.MissingsLogFolder = dir.File("logs") + "/";
        settings.LanguageCheckList = {0x09};
        WriteText(dir.File("lists/a.ply"), "#TAPEID T1\n\"CLIP_A\";0;5\n");
        WriteText(dir.File("lists/b.ply"), "#TAPEID T2\n\"CLIP_B\";0;5\n");
        for (const char* tapeID : {"T1", "T2"}) {
            std::vector<uint8_t> gsi = MakeGsi(0);
            SetField(gsi, 208, 16, tapeID);
            WriteStl(dir.File(std::string("subs/") + tapeID + ".stl"), gsi, {});
        }
    }
    // The first file opened below folder takes the whole folder with it.
    void VanishOnFirstOpen(const std::string& folder) {
        FileFaults().BeforeOpen = [folder](const std::string& path) {
            if (path.rfind(folder, 0) == 0)
                fs::remove_all(folder);
            return true;
        };
    }
    bool Run() {
        return CheckPlaylistGroup(
            settings, [this](const char*) { return ++logged, STATUS_OK; },
            [this](int32_t, const char* text) {
                reports.emplace_back(text);
                return STATUS_OK;
            },
            &tally);
    }

    TraceCapture trace;
    TempDir dir;
    TFaultScope faults;
    TPlaylistCheckSettings settings;
    int logged = 0;
    std::vector<std::string> reports;
    TPlaylistCheckTally tally;
};

TEST_F(CheckFault, PlaylistsFolderVanishingFailsEachPlaylistAndReportsNoMiss) {
    VanishOnFirstOpen(settings.PlaylistsFolder);
    EXPECT_TRUE(Run());
    EXPECT_EQ(logged, 2);
    EXPECT_EQ(reports, std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(settings.MissingsLogFolder));
    const std::string read = "vlm: Error in TTarnPlayListReader.LoadFile call...";
    const std::string load = "vlm: Error in CheckPlaylist - cannot load playlist file.";
    const std::string check = "vlm: Error in CheckPlaylistGroup - cannot check playlist.";
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{read, load, check, read, load, check}));
    EXPECT_EQ(tally.Playlists, 2);
    EXPECT_EQ(tally.FailedPlaylists, 2);
}

TEST_F(CheckFault, SubtitlesFolderVanishingReportsEveryClipMissing) {
    EXPECT_TRUE(Run());
    EXPECT_EQ(reports, std::vector<std::string>{}); // both clips have their subtitle
    VanishOnFirstOpen(settings.SubtitlesFolder);
    EXPECT_TRUE(Run());
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("CLIP_"), std::string::npos);
    EXPECT_EQ(tally.Missing, 2);
    EXPECT_EQ(tally.FailedPlaylists, 0);
    for (const char* log : {"a-English-MissingLog.txt", "b-English-MissingLog.txt"})
        EXPECT_TRUE(fs::exists(settings.MissingsLogFolder + log)) << log;
}

} // namespace
