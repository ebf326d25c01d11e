// caplin-cli check-playlists end to end: playlists and real STL files whose headers carry
// chosen tape IDs and languages, a settings file with several entries, and every line the
// run prints, logs and writes checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <pthread.h>
#include <regex>
#include <sstream>
#include <streambuf>
#include <string>

#include "cli/CliApp.h"
#include "platform/Registry.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;
using namespace clitest;
namespace fs = std::filesystem;

namespace {

// Standard output that calls OnLine with every complete line as it is written. It has no
// buffer of its own, so every character passes through overflow.
class TLineHookBuffer : public std::streambuf {
public:
    std::function<void(const std::string&)> OnLine;

    std::string Take() {
        std::string text;
        text.swap(text_);
        return text;
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        text_.push_back(traits_type::to_char_type(c));
        if (c != '\n') {
            line_.push_back(traits_type::to_char_type(c));
        } else {
            if (OnLine)
                OnLine(line_);
            line_.clear();
        }
        return c;
    }

private:
    std::string text_;
    std::string line_;
};

// One stored playlist-check entry.
struct TEntry {
    std::string PlaylistsFolder; // as stored
    std::string SubtitlesFolder;
    std::vector<int32_t> Languages;
    std::string MissingsLogFolder;
    bool ThresholdOn = false;
    double Threshold = 0.0;
};

std::string Dword(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    return text;
}

// The 8-byte raw form of a double, as the window stores the threshold.
std::string Binary(double value) {
    uint8_t bytes[8];
    std::memcpy(bytes, &value, sizeof bytes);
    std::string text = "hex:";
    for (size_t i = 0; i < sizeof bytes; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", bytes[i]);
        text += hex;
    }
    return text;
}

class CheckPlaylistsCommandTest : public TSettingsFileTest {
protected:
    void SetUp() override {
        TSettingsFileTest::SetUp();
        for (const char* folder : {"logs", "messages"})
            fs::create_directory(dir.File(folder));
    }

    // Main values naming the folders of the daily files, then the entries; no entry and
    // no count at all when count is negative.
    void WriteSettings(const std::vector<TEntry>& entries, int count = -2) {
        std::string text = "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n"
                           "\"LogsOutputFolder\"=\"" +
                           dir.File("logs") + "\"\n\"MessagesOutputFolder\"=\"" +
                           dir.File("messages") +
                           "\"\n"
                           // The filter of the other pages does not apply to this one.
                           "\"MessagesFilterIndex\"=dword:00000001\n\n";
        if (count == -2)
            count = int(entries.size());
        if (count < 0) {
            WriteText(registry, text);
            return;
        }
        text += "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\PlaylistsCheck]\n"
                "\"PlaylistsCheckListCount\"=" +
                Dword(uint32_t(count)) + "\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            const TEntry& e = entries[i];
            const std::string key =
                "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\PlaylistsCheck\\PC_" +
                std::to_string(i);
            text += "\n" + key + "]\n";
            text += "\"PlaylistsFolder\"=\"" + e.PlaylistsFolder + "\"\n";
            text += "\"SubtitlesFolder\"=\"" + e.SubtitlesFolder + "\"\n";
            text += "\"Comment\"=\"entry " + std::to_string(i) + "\"\n";
            text += "\"MissingsLogFolder\"=\"" + e.MissingsLogFolder + "\"\n";
            text += "\"CheckClipsWidhDurationOver\"=" + Dword(e.ThresholdOn ? 1 : 0) + "\n";
            text += "\"ClipsDurationThreasholdSeconds\"=" + Binary(e.Threshold) + "\n";
            text += "\n" + key +
                    "\\Languages]\n\"LangsCount\"=" + Dword(uint32_t(e.Languages.size())) + "\n";
            for (size_t l = 0; l < e.Languages.size(); ++l)
                text += "\"LangID_" + std::to_string(l) + "\"=" + Dword(uint32_t(e.Languages[l])) +
                        "\n";
        }
        WriteText(registry, text);
    }

    // A real STL file copied to path with its header rewritten to the tape ID (Subtitle
    // List Reference Code) and the language code given. Each call takes the next real file.
    void WriteSubtitle(const std::string& path, const std::string& tapeID,
                       const std::string& languageCode) {
        static const std::vector<TRealFile> rows = [] {
            std::vector<TRealFile> openable;
            for (const TRealFile& row : LoadRealFileList())
                if (row.ExpectOpen())
                    openable.push_back(row);
            return openable;
        }();
        ASSERT_FALSE(rows.empty());
        std::vector<uint8_t> bytes = ReadBytes(rows[nextReal++ % rows.size()].Path);
        ASSERT_GE(bytes.size(), 1024u);
        SetField(bytes, 14, 2, languageCode);
        SetField(bytes, 208, 16, tapeID);
        WriteBytes(path, bytes);
    }

    std::string Folder(const std::string& name) {
        const std::string path = dir.File(name);
        fs::create_directories(path);
        return path;
    }

    int Run() {
        const char* argv[] = {"caplin-cli", "check-playlists"};
        std::ostringstream errStream;
        std::ostream outStream(&outBuffer);
        const int status = RunCli(2, argv, outStream, errStream);
        out = outBuffer.Take();
        err = errStream.str();
        return status;
    }

    std::string LogsFile() const {
        return dir.File("logs") + "/STL_OpSeq_Logs_PlaylistCheck_" + Today() + ".txt";
    }
    std::string MessagesFile() const {
        return dir.File("messages") + "/STL_Messages_PlaylistCheck_" + Today() + ".txt";
    }

    size_t nextReal = 0;
    TLineHookBuffer outBuffer;
    std::string out, err;
};

// The folders of the two checked entries and the one whose playlists folder is missing.
struct TScene {
    TEntry News;   // threshold off, English and French
    TEntry Absent; // no playlists folder
    TEntry Sport;  // threshold of 10 s, German and the "Unknown/not applicable" row
    std::string NewsLists, SportLists;
};

constexpr int32_t kEnglish = 0x09, kFrench = 0x0F, kGerman = 0x08, kUnknown = 0x00;

class CheckPlaylistsSceneTest : public CheckPlaylistsCommandTest {
protected:
    // Two playlists folders with their subtitles, and one entry with no folder at all.
    TScene MakeScene() {
        TScene scene;
        const std::string newsSubs = Folder("news/subs");
        scene.NewsLists = Folder("news/lists");
        // Stored without its trailing "/": loading adds it.
        scene.News = {scene.NewsLists,        newsSubs, {kEnglish, kFrench},
                      Folder("news/missing"), false,    50.0};
        WriteSubtitle(newsSubs + "/a.stl", "T001", "09");
        WriteSubtitle(newsSubs + "/b-en.stl", " t002", "09");
        // Any letter case of the extension is an STL file.
        WriteSubtitle(newsSubs + "/b-fr.STL", "T002", "0F");
        // The right tape in another language; the right language on another tape.
        WriteSubtitle(newsSubs + "/d-de.stl", "T004", "08");
        WriteSubtitle(newsSubs + "/e-fr.stl", "T005", "0f");
        // Not an STL file, whatever its header says.
        WriteSubtitle(newsSubs + "/d-en.bak", "T004", "09");

        WriteText(scene.NewsLists + "/Monday.ply",
                  "; Monday\r\n"
                  "#TAPEID T001\r\n"
                  "\"CLIP_A\";100.00;100.00\r\n" // zero length: checked with the threshold off
                  "#TAPEID  t002 \r\n"
                  "\r\n"
                  "\"CLIP_B\";0.00;30.00\r\n"
                  "#TAPEID T003\r\n"
                  "\"CLIP_C\";50.00;48.50\r\n" // -1.5 s: never checked
                  "#TAPEID T004\r\n"
                  "\"CLIP_D\";0.00;20.00\r\n"
                  "#TAPEID T005\r\n"
                  "\"CLIP_E\";10.50;10.00\r\n" // -0.5 s: still above -1
                  "#TAPEID T006\r\n"
                  "\"clip_a \";0.00;40.00\r\n"); // the same file name: no clip
        WriteText(scene.NewsLists + "/Tuesday.PLY", "#TAPEID T002\n\"CLIP_B\";0;1500\n");
        WriteText(scene.NewsLists + "/Monday.txt", "#TAPEID T009\n\"CLIP_Z\";0;10\n");
        // An older log of a language with a miss is replaced; one without a miss is kept.
        WriteText(scene.News.MissingsLogFolder + "/Monday-French-MissingLog.txt", "older\r\n");
        WriteText(scene.News.MissingsLogFolder + "/Tuesday-English-MissingLog.txt", "older\r\n");

        scene.Absent = {dir.File("absent/lists"), newsSubs, {kEnglish},
                        Folder("absent/missing"), false,    0.0};

        const std::string sportSubs = Folder("sport/subs");
        scene.SportLists = Folder("sport/lists");
        scene.Sport = {scene.SportLists + "/",
                       sportSubs + "/",
                       {kGerman, kUnknown},
                       Folder("sport/missing") + "/",
                       true,
                       10.0};
        WriteSubtitle(sportSubs + "/long.stl", "T100", "08");
        WriteText(scene.SportLists + "/Final.ply",
                  "#TAPEID T101\n"
                  "\"EXACT\";0.00;10.00\n" // exactly the threshold: not checked
                  "#TAPEID T102\n"
                  "\"ABOVE\";100.00;110.04\n" // just above: checked
                  "#TAPEID T100\n"
                  "\"LONG\";0;600\n"
                  "#TAPEID T103\n"
                  "\"SHORT\";0;9.99\n");
        return scene;
    }
};

// The line on standard error for an entry whose folder does not exist (stored without its
// "/", loaded with it).
std::string NoFolder(int entry, const std::string& what, const std::string& folder) {
    return "caplin-cli: playlist-check entry " + std::to_string(entry) + ": the " + what +
           " folder " + folder + "/ does not exist\n";
}

std::string Missing(const std::string& playlist, const std::string& clip, const std::string& tape,
                    const std::string& language) {
    return "Error - Subtitle file not found. Playlist: " + playlist + ". File Name: " + clip +
           ". TapeID: " + tape + ". Language: " + language;
}

std::string LogLine(const std::string& clip, const std::string& tape, const std::string& language) {
    return "File Name: " + clip + ". TapeID: " + tape + ". Language: " + language + "\r\n";
}

using TBlock = std::vector<std::string>;

// Splits the lines between the first and the last into blocks, each starting with its
// "Playlist check: " line.
std::vector<TBlock> Blocks(const std::vector<std::string>& lines, size_t from, size_t to) {
    std::vector<TBlock> blocks;
    for (size_t i = from; i < to; ++i) {
        if (lines[i].rfind("Playlist check: ", 0) == 0 || blocks.empty())
            blocks.emplace_back();
        blocks.back().push_back(lines[i]);
    }
    return blocks;
}

TEST_F(CheckPlaylistsSceneTest, ReportsAndLogsEveryMissingSubtitleOfEveryEntry) {
    REQUIRE_REAL_STL_FILES();
    const TScene scene = MakeScene();
    WriteSettings({scene.News, scene.Absent, scene.Sport});
    const std::string registryBefore = ReadText(registry);
    TraceCapture trace;

    ASSERT_EQ(Run(), CLI_EXIT_FAILED) << err;
    EXPECT_EQ(err, NoFolder(2, "playlists", scene.Absent.PlaylistsFolder));

    const std::string monday = scene.NewsLists + "/Monday.ply";
    const std::string tuesday = scene.NewsLists + "/Tuesday.PLY";
    const std::string final = scene.SportLists + "/Final.ply";
    // Language by language, each in playlist order.
    const TBlock mondayBlock = {
        "Playlist check: " + monday, Missing(monday, "CLIP_D", "T004", "English"),
        Missing(monday, "CLIP_E", "T005", "English"), Missing(monday, "CLIP_A", "T001", "French"),
        Missing(monday, "CLIP_D", "T004", "French")};
    const TBlock tuesdayBlock = {"Playlist check: " + tuesday};
    const TBlock finalBlock = {"Playlist check: " + final,
                               Missing(final, "ABOVE", "T102", "German"),
                               Missing(final, "ABOVE", "T102", "Unknown/not applicable"),
                               Missing(final, "LONG", "T100", "Unknown/not applicable")};

    // The playlists of one folder come in the order the system lists them.
    const std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 2 + mondayBlock.size() + tuesdayBlock.size() + finalBlock.size())
        << out;
    EXPECT_EQ(lines.front(), "Playlist check starting.");
    EXPECT_EQ(lines.back(), "Playlist check done.");
    std::vector<TBlock> blocks = Blocks(lines, 1, lines.size() - 1);
    ASSERT_EQ(blocks.size(), 3u) << out;
    std::sort(blocks.begin(), blocks.begin() + 2);
    std::vector<TBlock> expected = {mondayBlock, tuesdayBlock};
    std::sort(expected.begin(), expected.end());
    expected.push_back(finalBlock);
    EXPECT_EQ(blocks, expected);

    // One log per playlist and language with a miss, in CR LF lines; the name of the
    // "Unknown/not applicable" row cannot hold its "/".
    const std::map<std::string, std::string> newsLogs = {
        {"Monday-English-MissingLog.txt",
         LogLine("CLIP_D", "T004", "English") + LogLine("CLIP_E", "T005", "English")},
        {"Monday-French-MissingLog.txt",
         LogLine("CLIP_A", "T001", "French") + LogLine("CLIP_D", "T004", "French")},
        {"Tuesday-English-MissingLog.txt", "older\r\n"},
    };
    const std::map<std::string, std::string> sportLogs = {
        {"Final-German-MissingLog.txt", LogLine("ABOVE", "T102", "German")},
        {"Final-Unknown_not applicable-MissingLog.txt",
         LogLine("ABOVE", "T102", "Unknown/not applicable") +
             LogLine("LONG", "T100", "Unknown/not applicable")},
    };
    for (const auto& [folder, logs] :
         {std::pair{scene.News.MissingsLogFolder, newsLogs},
          std::pair{scene.Sport.MissingsLogFolder, sportLogs},
          std::pair{scene.Absent.MissingsLogFolder, std::map<std::string, std::string>{}}}) {
        std::map<std::string, std::string> found;
        for (const auto& file : fs::directory_iterator(folder))
            found[file.path().filename().string()] = ReadText(file.path().string());
        EXPECT_EQ(found, logs) << folder;
    }

    // The Playlist Check page's daily files hold the same lines, timestamped.
    std::vector<std::string> logLines, messageLines;
    for (const std::string& line : lines)
        (line.rfind("Error - ", 0) == 0 ? messageLines : logLines).push_back(line);
    EXPECT_EQ(DailyLines(LogsFile()), logLines);
    EXPECT_EQ(DailyLines(MessagesFile()), messageLines);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("logs")), fs::directory_iterator()), 1);

    EXPECT_EQ(trace.Lines(), std::vector<std::string>{});
    EXPECT_EQ(ReadText(registry), registryBefore);
}

// The exit status tells a script whether anything is missing; a refused run prints the
// page's message on standard error and touches nothing.
TEST_F(CheckPlaylistsSceneTest, ExitStatusOfEachKindOfRun) {
    REQUIRE_REAL_STL_FILES();
    const TScene scene = MakeScene();
    TEntry tuesdayOnly = scene.News;
    tuesdayOnly.PlaylistsFolder = Folder("tuesday");
    fs::copy_file(scene.NewsLists + "/Tuesday.PLY", tuesdayOnly.PlaylistsFolder + "/Tuesday.PLY");
    TEntry noSubtitles = tuesdayOnly;
    noSubtitles.PlaylistsFolder = Folder("no-playlists");
    noSubtitles.SubtitlesFolder = dir.File("no-subs");
    const std::string noEntry = "There are no playlist folders specified.\ncaplin-cli: the "
                                "settings file " +
                                registry +
                                " holds no playlist-check entry; add one with: caplin-cli "
                                "playlists add PLAYLISTS_DIR SUBTITLES_DIR LOG_DIR Languages=...\n";
    struct {
        const char* Name;
        std::function<void()> Prepare;
        int Status;
        std::vector<std::string> Out;
        std::string Err;
    } cases[] = {
        {"nothing missing",
         [&] { WriteSettings({tuesdayOnly}); },
         CLI_EXIT_OK,
         {"Playlist check starting.",
          "Playlist check: " + tuesdayOnly.PlaylistsFolder + "/Tuesday.PLY",
          "Playlist check done."},
         ""},
        // Nothing is checked, so nothing is missing; but the run did not do its job.
        {"only a missing folder",
         [&] { WriteSettings({scene.Absent}); },
         CLI_EXIT_FAILED,
         {"Playlist check starting.", "Playlist check done."},
         NoFolder(1, "playlists", scene.Absent.PlaylistsFolder)},
        {"a missing subtitles folder",
         [&] {
             WriteSettings({tuesdayOnly, noSubtitles});
         },
         CLI_EXIT_FAILED,
         {"Playlist check starting.",
          "Playlist check: " + tuesdayOnly.PlaylistsFolder + "/Tuesday.PLY",
          "Playlist check done."},
         NoFolder(2, "subtitles", noSubtitles.SubtitlesFolder)},
        {"a miss",
         [&] {
             WriteSettings({scene.Absent, scene.Sport});
         },
         CLI_EXIT_FAILED,
         {"Playlist check starting.", "Playlist check: " + scene.SportLists + "/Final.ply",
          Missing(scene.SportLists + "/Final.ply", "ABOVE", "T102", "German"),
          Missing(scene.SportLists + "/Final.ply", "ABOVE", "T102", "Unknown/not applicable"),
          Missing(scene.SportLists + "/Final.ply", "LONG", "T100", "Unknown/not applicable"),
          "Playlist check done."},
         NoFolder(1, "playlists", scene.Absent.PlaylistsFolder)},
        {"no playlist-check key", [&] { WriteSettings({}, -1); }, CLI_EXIT_USAGE, {}, noEntry},
        {"a count of 0", [&] { WriteSettings({}, 0); }, CLI_EXIT_USAGE, {}, noEntry},
        {"unreadable settings file",
         [&] { fs::create_directory(registry); },
         CLI_EXIT_USAGE,
         {},
         "caplin-cli: cannot read the settings file " + registry + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(registry);
        fs::remove_all(dir.File("logs"));
        fs::create_directory(dir.File("logs"));
        c.Prepare();
        EXPECT_EQ(Run(), c.Status);
        EXPECT_EQ(Lines(out), c.Out);
        EXPECT_EQ(err, c.Err);
        if (c.Out.empty()) {
            EXPECT_TRUE(fs::is_empty(dir.File("logs")));
            continue;
        }
        std::vector<std::string> logLines;
        std::copy_if(c.Out.begin(), c.Out.end(), std::back_inserter(logLines),
                     [](const std::string& line) { return line.rfind("Error - ", 0) != 0; });
        EXPECT_EQ(DailyLines(LogsFile()), logLines);
    }
}

// SIGINT or SIGTERM while an entry is checked: that entry is finished, no other starts,
// and the run ends as the page's Stop button ends it.
class CheckPlaylistsStopTest : public CheckPlaylistsSceneTest,
                               public ::testing::WithParamInterface<int> {};

TEST_P(CheckPlaylistsStopTest, FinishesTheEntryUnderWayAndStops) {
    REQUIRE_REAL_STL_FILES();
    const TScene scene = MakeScene();
    WriteSettings({scene.News, scene.Absent, scene.Sport});
    // Sent to this thread, which the command must hold blocked for it, from inside the
    // first entry's check.
    bool sent = false;
    outBuffer.OnLine = [&](const std::string& line) {
        if (!sent && line.rfind("Playlist check: " + scene.NewsLists, 0) == 0) {
            sent = true;
            pthread_kill(pthread_self(), GetParam());
        }
    };

    EXPECT_EQ(Run(), CLI_EXIT_FAILED);
    ASSERT_TRUE(sent);
    const std::vector<std::string> lines = Lines(out);
    ASSERT_GE(lines.size(), 3u) << out;
    EXPECT_EQ(lines.front(), "Playlist check starting.");
    EXPECT_EQ(lines.back(), "Playlist check stopping.");
    // Both playlists of the first entry, with all four misses; nothing of the others.
    const std::vector<TBlock> blocks = Blocks(lines, 1, lines.size() - 1);
    ASSERT_EQ(blocks.size(), 2u) << out;
    EXPECT_EQ(blocks[0].size() + blocks[1].size(), 6u) << out;
    EXPECT_EQ(out.find(scene.SportLists), std::string::npos) << out;
    EXPECT_TRUE(fs::is_empty(scene.Sport.MissingsLogFolder));
    EXPECT_EQ(DailyLines(LogsFile()).back(), "Playlist check stopping.");

    // The signal was taken by the run: the mask is as before and nothing is left pending.
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, GetParam()));
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Signals, CheckPlaylistsStopTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(param.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

} // namespace
