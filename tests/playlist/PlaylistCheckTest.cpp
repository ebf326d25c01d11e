// The check itself: which clips are looked for, how subtitle files are matched, what is
// reported and logged, and folders that hold something other than what they should.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/Registry.h"
#include "playlist/PlaylistCheckList.h"
#include "playlist/PlaylistCheckUtils.h"
#include "stl/STLBlocks.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr int32_t kEnglish = 0x09;
constexpr int32_t kFrench = 0x0F;

std::array<uint8_t, GSI_BLOCK_SIZE> Gsi(const std::string& tapeID, const std::string& language) {
    std::vector<uint8_t> gsi = MakeGsi(0);
    SetField(gsi, 14, 2, language);
    SetField(gsi, 208, 16, tapeID);
    std::array<uint8_t, GSI_BLOCK_SIZE> block{};
    std::copy(gsi.begin(), gsi.end(), block.begin());
    return block;
}

class Check : public ::testing::Test {
protected:
    Check() {
        settings.PlaylistsFolder = Folder("lists");
        settings.SubtitlesFolder = Folder("subs");
        settings.MissingsLogFolder = Folder("logs");
        settings.LanguageCheckList = {kEnglish};
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(dir.File(name));
        return dir.File(name) + "/";
    }
    void Subtitle(const std::string& name, const std::string& tapeID, const std::string& language) {
        const auto gsi = Gsi(tapeID, language);
        WriteStl(settings.SubtitlesFolder + name, {gsi.begin(), gsi.end()}, {});
    }
    std::string Playlist(const std::string& name, const std::string& content) {
        WriteText(settings.PlaylistsFolder + name, content);
        return settings.PlaylistsFolder + name;
    }
    std::string Log(const std::string& name) const { return settings.MissingsLogFolder + name; }
    TReportFunction Recorder() {
        return [this](int32_t type, const char* text) {
            EXPECT_EQ(type, rtError);
            reports.emplace_back(text);
            return STATUS_OK;
        };
    }
    bool RunGroup() {
        const auto log = [this](const char* text) {
            logs.emplace_back(text);
            return STATUS_OK;
        };
        return CheckPlaylistGroup(settings, log, Recorder(), &tally);
    }

    TraceCapture trace;
    TempDir dir;
    TPlaylistCheckSettings settings;
    std::vector<std::string> logs;
    std::vector<std::string> reports;
    TPlaylistCheckTally tally;
};

TEST_F(Check, ReportsAndLogsComeLanguageByLanguageInPlaylistOrder) {
    Subtitle("one.stl", "T1", "09");
    Subtitle("two.STL", "T2", "0F"); // the mask takes the extension in any case
    const std::string playlist = Playlist(
        "Monday.ply", "#TAPEID T1\n\"CLIP_A\";0;5\n#TAPEID T2\n\"CLIP_B\";0;5\n#TAPEID T3\n"
                      "\"CLIP_C\";0;5\n");
    settings.LanguageCheckList = {kEnglish, kFrench};
    ASSERT_TRUE(RunGroup());

    EXPECT_EQ(logs, std::vector<std::string>{"Playlist check: " + playlist});
    const std::string head = "Subtitle file not found. Playlist: " + playlist + ". ";
    EXPECT_EQ(reports, (std::vector<std::string>{
                           head + "File Name: CLIP_B. TapeID: T2. Language: English",
                           head + "File Name: CLIP_C. TapeID: T3. Language: English",
                           head + "File Name: CLIP_A. TapeID: T1. Language: French",
                           head + "File Name: CLIP_C. TapeID: T3. Language: French",
                       }));
    EXPECT_EQ(ReadText(Log("Monday-English-MissingLog.txt")),
              "File Name: CLIP_B. TapeID: T2. Language: English\r\n"
              "File Name: CLIP_C. TapeID: T3. Language: English\r\n");
    EXPECT_EQ(ReadText(Log("Monday-French-MissingLog.txt")),
              "File Name: CLIP_A. TapeID: T1. Language: French\r\n"
              "File Name: CLIP_C. TapeID: T3. Language: French\r\n");
    EXPECT_EQ(tally.Playlists, 1);
    EXPECT_EQ(tally.FailedPlaylists, 0);
    EXPECT_EQ(tally.Missing, 4);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Check, NoMissLeavesAnOlderLogUntouchedAndAMissReplacesIt) {
    Subtitle("one.stl", "T1", "09");
    Playlist("Monday.ply", "#TAPEID T1\n\"CLIP_A\";0;5\n");
    WriteText(Log("Monday-English-MissingLog.txt"), "older run\r\n");
    ASSERT_TRUE(RunGroup());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(ReadText(Log("Monday-English-MissingLog.txt")), "older run\r\n");
    EXPECT_FALSE(fs::exists(Log("Monday-French-MissingLog.txt")));

    fs::remove(settings.SubtitlesFolder + "one.stl");
    ASSERT_TRUE(RunGroup());
    EXPECT_EQ(ReadText(Log("Monday-English-MissingLog.txt")),
              "File Name: CLIP_A. TapeID: T1. Language: English\r\n");
}

TEST_F(Check, LanguageNameWithASlashGetsALogFileWithAnUnderscore) {
    const std::string playlist = Playlist("Monday.night.ply", "#TAPEID T1\n\"CLIP_A\";0;5\n");
    settings.LanguageCheckList = {0x00, 0x30, kEnglish}; // 0x30 is no STL language
    ASSERT_TRUE(RunGroup());
    const std::string entry = "File Name: CLIP_A. TapeID: T1. Language: Unknown/not applicable";
    EXPECT_EQ(reports, (std::vector<std::string>{
                           "Subtitle file not found. Playlist: " + playlist + ". " + entry,
                           "Subtitle file not found. Playlist: " + playlist + ". " + entry,
                           "Subtitle file not found. Playlist: " + playlist +
                               ". File Name: CLIP_A. TapeID: T1. Language: English"}));
    // The unknown code falls back to the first row and so writes the same log again.
    EXPECT_EQ(ReadText(Log("Monday.night-Unknown_not applicable-MissingLog.txt")), entry + "\r\n");
    EXPECT_TRUE(fs::exists(Log("Monday.night-English-MissingLog.txt")));
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{
                                 "vlm: Error in CheckPlaylist - cannot retrieve language index."});
}

TEST_F(Check, LogThatCannotBeCreatedStopsThatPlaylistAfterItsFirstMiss) {
    Playlist("a.ply", "#TAPEID T1\n\"CLIP_A\";0;5\n#TAPEID T2\n\"CLIP_B\";0;5\n");
    const std::string second = Playlist("b.ply", "#TAPEID T3\n\"CLIP_C\";0;5\n");
    settings.LanguageCheckList = {kEnglish, kFrench};
    settings.MissingsLogFolder = dir.File("no such folder") + "/";
    ASSERT_TRUE(RunGroup());
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[1], "Playlist check: " + second);
    ASSERT_EQ(reports.size(), 2u); // one per playlist: English, first clip
    EXPECT_NE(reports[0].find("CLIP_A. TapeID: T1. Language: English"), std::string::npos);
    EXPECT_NE(reports[1].find("CLIP_C. TapeID: T3. Language: English"), std::string::npos);
    const std::string failed[] = {"vlm: Error in CheckPlaylist call...",
                                  "vlm: Error in CheckPlaylistGroup - cannot check playlist."};
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{failed[0], failed[1], failed[0], failed[1]}));
    EXPECT_EQ(tally.Playlists, 2);
    EXPECT_EQ(tally.FailedPlaylists, 2);
    EXPECT_EQ(tally.Missing, 2);
}

TEST_F(Check, EmptyOrMissingPlaylistsFolderGivesNothing) {
    Subtitle("one.stl", "T1", "09");
    for (const std::string& folder :
         {settings.PlaylistsFolder, dir.File("absent") + "/", std::string()}) {
        settings.PlaylistsFolder = folder;
        EXPECT_TRUE(RunGroup()) << folder;
    }
    EXPECT_TRUE(logs.empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(fs::is_empty(settings.MissingsLogFolder));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Check, UnreadablePlaylistIsSkippedAndTheOthersChecked) {
    fs::create_directories(settings.PlaylistsFolder + "folder.ply");
    Playlist("real.ply", "#TAPEID T1\n\"CLIP_A\";0;5\n");
    ASSERT_TRUE(RunGroup());
    EXPECT_EQ(logs.size(), 2u);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_TRUE(trace.Contains("vlm: Error in CheckPlaylist - cannot load playlist file."));
    EXPECT_TRUE(trace.Contains("vlm: Error in CheckPlaylistGroup - cannot check playlist."));
    EXPECT_EQ(tally.FailedPlaylists, 1);
}

// A subtitle file that does not open keeps what the reader read of it; only a clip with an
// empty tape ID in language 0 can then match an entry that read nothing at all.
struct BadSubtitleCase {
    const char* Name;
    std::string ClipTapeID;
    int32_t Language;
    bool Missing;
};

void PrintTo(const BadSubtitleCase& c, std::ostream* os) {
    *os << c.Name;
}

class BadSubtitles : public Check, public ::testing::WithParamInterface<BadSubtitleCase> {};

TEST_P(BadSubtitles, StayInTheIndexWithWhatWasRead) {
    fs::create_directories(settings.SubtitlesFolder + "folder.stl");
    WriteText(settings.SubtitlesFolder + "empty.stl", "");
    // Not an STL file, but long enough for a header: its bytes are what is compared.
    std::vector<uint8_t> notStl = MakeGsi(0);
    SetField(notStl, 3, 8, "NOTSTL00");
    SetField(notStl, 14, 2, "0F");
    SetField(notStl, 208, 16, "READ ANYWAY");
    WriteBytes(settings.SubtitlesFolder + "bad-format.stl", notStl);
    WriteText(settings.SubtitlesFolder + "text.stl", "plain text, no header\n");
    Playlist("a.ply", "#TAPEID" + GetParam().ClipTapeID + "\n\"CLIP\";0;5\n");
    settings.LanguageCheckList = {GetParam().Language};
    ASSERT_TRUE(RunGroup());
    EXPECT_EQ(tally.Missing, GetParam().Missing ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    PlaylistCheck, BadSubtitles,
    ::testing::Values(BadSubtitleCase{"EmptyTapeIDLanguageZeroMatches", "", 0x00, false},
                      BadSubtitleCase{"BlankTapeIDLanguageZeroMatches", "    ", 0x00, false},
                      BadSubtitleCase{"EmptyTapeIDOtherLanguageMisses", "", kEnglish, true},
                      BadSubtitleCase{"HeaderOfAFileThatFailedValidation", " READ ANYWAY", kFrench,
                                      false},
                      BadSubtitleCase{"TextIsNoTapeID", " plain text", 0x00, true}),
    [](const auto& test) { return std::string(test.param.Name); });

// Clips are checked only when longer than the threshold; off, the threshold is -1 second.
struct ThresholdCase {
    const char* Name;
    bool Enabled;
    double Threshold;
    std::string Times; // in;out
    bool Checked;
};

void PrintTo(const ThresholdCase& c, std::ostream* os) {
    *os << c.Name;
}

class Threshold : public Check, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(Threshold, DecidesWhichClipsAreChecked) {
    Playlist("a.ply", "#TAPEID T1\n\"CLIP\";" + GetParam().Times + "\n");
    settings.CheckClipsWidhDurationOver = GetParam().Enabled;
    settings.ClipsDurationThreasholdSeconds = GetParam().Threshold;
    ASSERT_TRUE(RunGroup());
    EXPECT_EQ(reports.size(), GetParam().Checked ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    PlaylistCheck, Threshold,
    ::testing::Values(ThresholdCase{"OffChecksZeroDuration", false, 10.0, "5;5", true},
                      ThresholdCase{"OffChecksHalfSecondBackwards", false, 0.0, "5;4.5", true},
                      ThresholdCase{"OffSkipsOneSecondBackwards", false, 0.0, "5;4", false},
                      ThresholdCase{"OffSkipsUnreadableInTime", false, 0.0, "12.5;x", false},
                      ThresholdCase{"TenSkipsExactlyTen", true, 10.0, "100;110", false},
                      ThresholdCase{"TenChecksTenPointZeroFour", true, 10.0, "0;10.04", true},
                      ThresholdCase{"ZeroSkipsZeroDuration", true, 0.0, "3;3", false},
                      ThresholdCase{"ZeroChecksAnyLength", true, 0.0, "3;3.01", true}),
    [](const auto& test) { return std::string(test.param.Name); });

// A subtitle file satisfies a clip when both its reference code and its language code match.
struct MatchCase {
    const char* Name;
    std::string StoredTapeID; // the 16-character field, blank-padded
    std::string StoredLanguage;
    std::string ClipTapeID;
    int32_t Language;
    bool Found;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << c.Name;
}

class Match : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Match, FindSubAndTheIndexAgree) {
    const MatchCase& c = GetParam();
    const TSubtitleInformationList list = {{"other.stl", Gsi("ZZZ", "09")},
                                           {"it.stl", Gsi(c.StoredTapeID, c.StoredLanguage)}};
    EXPECT_EQ(FindSub(list, c.ClipTapeID, c.Language), c.Found);
    EXPECT_EQ(TSubtitleIndex(list).Contains(c.ClipTapeID, c.Language), c.Found);
}

INSTANTIATE_TEST_SUITE_P(
    PlaylistCheck, Match,
    ::testing::Values(
        MatchCase{"Same", "T0012345", "09", "T0012345", kEnglish, true},
        MatchCase{"CaseIgnored", "t0012345", "09", "T0012345", kEnglish, true},
        MatchCase{"ClipBlanksIgnored", "T0012345", "09", "  t0012345\t", kEnglish, true},
        MatchCase{"StoredLeadingBlanksIgnored", "  T0012345", "09", "T0012345", kEnglish, true},
        MatchCase{"StoredCutAtNul", std::string("T1\0XYZ", 6), "09", "T1", kEnglish, true},
        MatchCase{"LowerCaseHexLanguage", "T1", "0a", "T1", 0x0A, true},
        MatchCase{"OtherTapeID", "T0012346", "09", "T0012345", kEnglish, false},
        MatchCase{"OtherLanguage", "T0012345", "0F", "T0012345", kEnglish, false},
        MatchCase{"BlankLanguageIsZero", "T1", "  ", "T1", 0, true},
        MatchCase{"NulLanguageIsZero", "T1", std::string("\0\0", 2), "T1", 0, true},
        MatchCase{"HalfHexLanguageIsZero", "T1", std::string("9\0", 2), "T1", 9, false},
        MatchCase{"InnerBlankCounts", "T 1", "09", "T1", kEnglish, false}),
    [](const auto& test) { return std::string(test.param.Name); });

// The index answers as the plain search on headers and tape IDs made of the awkward bytes
// (case, blanks, NUL, control characters) and languages that are and are not hexadecimal.
TEST(SubtitleIndex, AnswersAsFindSubOnRandomData) {
    std::mt19937 random(20240605);
    const char alphabet[] = {'a', 'A', 'b', 'B', '1', ' ', '\t', '\0', '\x1f', '\xe9'};
    const std::string languages[] = {"09", "0F", "0f", "  ", std::string("\0\0", 2),
                                     "7F", "G1", "9 ", " 9", "00"};
    auto text = [&](size_t maxLength) {
        std::string out(random() % (maxLength + 1), ' ');
        for (char& ch : out)
            ch = alphabet[random() % sizeof alphabet];
        return out;
    };
    TSubtitleInformationList list;
    for (int i = 0; i < 400; ++i) {
        TSubtitleInformation subtitle;
        subtitle.Gsi = Gsi(text(5), languages[random() % std::size(languages)]);
        list.push_back(subtitle);
    }
    const TSubtitleIndex index(list);
    int found = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string tapeID = text(7);
        const int32_t language = int32_t(random() % 17) - 1 + (random() % 4 == 0 ? 0x70 : 0);
        const bool expected = FindSub(list, tapeID, language);
        found += expected;
        ASSERT_EQ(index.Contains(tapeID, language), expected)
            << "tape ID of " << tapeID.size() << " bytes, language " << language;
    }
    EXPECT_GT(found, 100); // the data must hit as well as miss
}

TEST_F(Check, IndexAndPlainSearchGiveTheSameReportsAndLogs) {
    std::mt19937 random(7);
    std::string content;
    TSubtitleInformationList list;
    for (int i = 0; i < 300; ++i) {
        const std::string tapeID = "T" + std::to_string(random() % 100);
        content += "#TAPEID " + tapeID + "\n\"CLIP" + std::to_string(i) + "\";0;" +
                   std::to_string(random() % 20) + "\n";
        if (random() % 2 != 0)
            list.push_back({"s.stl", Gsi(tapeID, random() % 2 != 0 ? "09" : "0F")});
    }
    const std::string playlist = Playlist("a.ply", content);
    settings.LanguageCheckList = {kFrench, kEnglish};

    TPlaylistCheckTally plain;
    ASSERT_TRUE(CheckPlaylist(playlist, list, settings.LanguageCheckList, 5.0,
                              settings.MissingsLogFolder, Recorder(), &plain));
    const std::vector<std::string> plainReports = reports;
    const std::string plainLog = ReadText(Log("a-English-MissingLog.txt"));
    reports.clear();
    ASSERT_TRUE(CheckPlaylist(playlist, TSubtitleIndex(list), settings.LanguageCheckList, 5.0,
                              settings.MissingsLogFolder, Recorder(), &tally));
    EXPECT_EQ(reports, plainReports);
    EXPECT_EQ(ReadText(Log("a-English-MissingLog.txt")), plainLog);
    EXPECT_EQ(tally.Missing, plain.Missing);
    EXPECT_GT(tally.Missing, 10);
    EXPECT_LT(tally.Missing, 500);
}

// The list runs one entry and reports a failed one.
TEST_F(Check, CheckEntryReportsAnEntryWhoseCheckFailed) {
    TSettingsStore::Global().Clear();
    Playlist("a.ply", "#TAPEID T1\n\"CLIP\";0;5\n");
    TPlaylistCheckList list;
    list.Entries.push_back(std::make_unique<TPlaylistCheckSettings>(settings));
    EXPECT_TRUE(list.CheckEntry(0, nullptr, Recorder(), &tally));
    EXPECT_EQ(tally.Missing, 1);

    reports.clear();
    const TLogFunction failingLog = [](const char*) -> TStatus {
        throw std::runtime_error("sink gone");
    };
    EXPECT_FALSE(list.CheckEntry(0, failingLog, Recorder(), &tally));
    EXPECT_EQ(reports, std::vector<std::string>{"Error checking playlist folder " +
                                                settings.PlaylistsFolder});
    EXPECT_TRUE(trace.Contains("vlm: Error in CheckPlaylistGroup call..."));

    trace.Clear();
    EXPECT_FALSE(list.CheckEntry(1, nullptr, Recorder(), &tally));
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TCaplinForm.btnPCCheckClick call..."});
}

} // namespace
