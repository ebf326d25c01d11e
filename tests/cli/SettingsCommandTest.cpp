// caplin-cli settings, watch-folders, playlists, file-types and hex: every refusal leaves the
// settings file as it was; what the commands write reads back through the window's loaders;
// what the window's save routines write is shown as the window shows it; values Caplin does
// not know survive a change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "lang/STLCustomLangUtils.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "session/CaplinSession.h"
#include "session/EntryLists.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
using namespace clitest;
namespace fs = std::filesystem;

namespace {

const std::string kRoot = "HKEY_CURRENT_USER\\Software\\Velmora\\Caplin";

struct TCliResult {
    int Status = 0;
    std::string Out, Err;
};

// A settings file with one watch folder (/in to /out), and a Batch page whose two lists are
// full: sixteen hex items and sixteen file types.
std::string FullListsFile() {
    std::ostringstream text;
    text << "Windows Registry Editor Version 5.00\n\n[" << kRoot << "\\Batch\\HexFindReplace]\n"
         << "\"HexFindAndReplaceCount\"=dword:00000010\n";
    for (int n = 0; n < 16; ++n)
        text << "\"HexFindReplace_NumBytes_" << n << "\"=dword:00000001\n\"HexFindReplace_FindHex_"
             << n << "\"=dword:0000004" << std::hex << n << std::dec << "\n";
    text << "\n[" << kRoot << "\\Batch\\SubtitleFileType]\n\"SubTypesCount\"=dword:00000010\n";
    for (int n = 0; n < 16; ++n)
        text << "\"SubType_Name_" << n << "\"=\"T" << n << "\"\n";
    text << "\n[" << kRoot << "\\WatchFolder]\n\"WatchFoldersCount\"=dword:00000001\n\n[" << kRoot
         << "\\WatchFolder\\WF_0]\n\"WatchFolder\"=\"/in\"\n\"DestinationFolder\"=\"/out\"\n";
    return text.str();
}

class SettingsCommandTest : public TSettingsFileTest {
protected:
    void SetUp() override {
        TSettingsFileTest::SetUp();
        // The window's lock of this test alone, so parallel tests and a real window do not meet.
        SetEnv("XDG_RUNTIME_DIR", dir.Path().string());
    }
    void TearDown() override {
        TSettingsFileTest::TearDown();
        SetCustomLanguageListToDefault();
    }

    TCliResult Run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int status = RunCliArgs(args, out, err);
        return {status, out.str(), err.str()};
    }

    // Runs a command that must succeed.
    std::string Ok(const std::vector<std::string>& args) {
        const TCliResult result = Run(args);
        EXPECT_EQ(result.Status, 0) << result.Err;
        return result.Out;
    }

    // The lines of `settings show part` that name, in order.
    std::vector<std::string> Shown(const std::string& part, const std::vector<std::string>& names) {
        const std::vector<std::string> lines = Lines(Ok({"settings", "show", part}));
        std::vector<std::string> found;
        for (const std::string& name : names)
            for (const std::string& line : lines)
                if (line.rfind(name + " = ", 0) == 0) {
                    found.push_back(line);
                    break;
                }
        return found;
    }
};

// ---------------------------------------------------------------------------------------
// Every refusal: its message, exit status 2, nothing printed, the file byte for byte as it was.

enum class TSetup { FullLists, HeldLock, NotSettings, Folder };

struct TRefusal {
    const char* Name;
    std::vector<std::string> Args;
    std::string Message; // "<file>" stands for the settings file's path
    TSetup Setup = TSetup::FullLists;
};

void PrintTo(const TRefusal& refusal, std::ostream* os) {
    *os << refusal.Name;
}

class SettingsRefusalTest : public SettingsCommandTest,
                            public ::testing::WithParamInterface<TRefusal> {};

TEST_P(SettingsRefusalTest, LeavesTheFileAsItWas) {
    const TRefusal& c = GetParam();
    TInstanceLock window;
    if (c.Setup == TSetup::Folder) {
        fs::create_directory(registry);
    } else {
        WriteText(registry,
                  c.Setup == TSetup::NotSettings ? "not a settings file\n" : FullListsFile());
    }
    if (c.Setup == TSetup::HeldLock) {
        ASSERT_TRUE(window.Acquire("Caplin"));
    }
    const std::string before = c.Setup == TSetup::Folder ? "" : ReadText(registry);

    const TCliResult result = Run(c.Args);
    std::string message = c.Message;
    if (const size_t at = message.find("<file>"); at != std::string::npos)
        message.replace(at, 6, registry);
    EXPECT_EQ(result.Status, CLI_EXIT_USAGE);
    EXPECT_EQ(result.Err, message + "\n");
    EXPECT_EQ(result.Out, "");
    if (c.Setup == TSetup::Folder)
        EXPECT_TRUE(fs::is_directory(registry) && fs::is_empty(registry));
    else
        EXPECT_EQ(ReadText(registry), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
              c.Setup == TSetup::HeldLock ? 2 : 1 + (fs::exists(dir.File("Caplin.lock")) ? 1 : 0))
        << "no file set aside, no hidden file left";
}

// A disk that fills while the settings are written: the old file stays whole and no hidden
// file is left beside it.
TEST_F(SettingsCommandTest, AFullDiskLeavesTheFileAsItWas) {
    WriteText(registry, FullListsFile());
    const std::string before = ReadText(registry);
    FileFaults().BeforeWrite = [](const std::string& path, int64_t) {
        return path.find(".part-") == std::string::npos;
    };
    const TCliResult result = Run({"watch-folders", "add", "/in2", "/out2"});
    FileFaults() = TFileFaults();
    EXPECT_EQ(result.Status, CLI_EXIT_FAILED);
    EXPECT_EQ(result.Err, "caplin-cli: cannot save the settings file " + registry + "\n");
    EXPECT_EQ(ReadText(registry), before);
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos);
}

const TRefusal kRefusals[] = {
    {"UnknownName",
     {"settings", "set", "batch", "TapeIDSource=1", "Folder=/x"},
     "\"Folder\" is not a value of batch; the values are: DestinationFolder, TapeIDSource, "
     "TapeIDPredefined, LanguageSource, LanguagePredefined, PerformLanguageCheck, RemoveZeroPage, "
     "ZeroPageKeyWord, TimeCodeStartOfProgrammeSource, TimeCodeStartOfProgramme, "
     "TimeCodeFirstInCueSource, TimeCodeFirstInCue, FramesPerSecondSource, FramesPerSecond, "
     "OverrideDestination, MoveProcessedFiles, MoveProcessedFilesFolder, CodePageNumberSource, "
     "CodePageNumberCustom, CharacterCodeTableNumberSource, DisplayStandardCodeSource, "
     "QualityCheck."},
    {"IndexOutOfRange",
     {"settings", "set", "batch", "TapeIDSource=3"},
     "TapeIDSource: \"3\" is not allowed; allowed: 0 \"Use Tape ID value from source\", 1 "
     "\"Overwrite Tape ID value\", 2 \"Use Tape ID value parsed from file name\"."},
    {"TextNotAnItem",
     {"settings", "set", "batch", "CodePageNumberSource=Nordic - 866"},
     "CodePageNumberSource: \"Nordic - 866\" is not allowed; allowed: 0 \"Use Code Page Number "
     "from source\", 1 \"United States - 437\", 2 \"Multilingual - 850\", 3 \"Portugal - 860\", 4 "
     "\"Canada-French - 863\", 5 \"Nordic - 865\", 6 \"Set custom Code Page Number\"."},
    {"FramesPastTheShownClamp",
     {"settings", "set", "batch", "TimeCodeStartOfProgramme=10000030"},
     "TimeCodeStartOfProgramme: \"10000030\" is not allowed; allowed: HHMMSSFF: hours 00 to 23, "
     "minutes and seconds 00 to 59, frames 00 to 29."},
    {"NotALanguage",
     {"settings", "set", "batch", "LanguagePredefined=Klingon"},
     "LanguagePredefined: \"Klingon\" is not allowed; allowed: a language of the table by its "
     "name (English), code (09) or two- or three-letter name (en, eng)."},
    {"FrameRateCopy",
     {"settings", "set", "batch", "FramesPerSecond=STL30.01"},
     "FramesPerSecond is set by the window from FPS of main: set FPS of main instead."},
    {"BelowTheWindowsMinimum",
     {"settings", "set", "main", "FormHeight=700"},
     "FormHeight: \"700\" is not allowed; allowed: 785 or more."},
    {"CheckBoxNotYesOrNo",
     {"watch-folders", "update", "1", "OverrideDestination=maybe"},
     "OverrideDestination: \"maybe\" is not allowed; allowed: yes or no."},
    {"SeventeenthHexItemBeforeItsEntries",
     {"hex", "add", "--batch", "0X41", "0x42"},
     "The max count of Hex Find And Replace values reached."},
    {"HexEntryFormat",
     {"hex", "add", "--watch-folder", "1", "0X41", "0x42"},
     "Invalid hex value. Find hex string must be in 0xXX or 0xXXXX format."},
    {"HexWidths",
     {"hex", "add", "--watch-folder", "1", "0x00", "0x0000"},
     "Both Find and Replace values must have equal number of bytes."},
    {"SeventeenthFileTypeBeforeItsValues",
     {"file-types", "add", "--batch", "CharsCount=500"},
     "The max count of Subtitle File Types reached."},
    {"FileTypeOutOfRange",
     {"file-types", "add", "--watch-folder", "1", "LanguageParseStringCharsCount=4"},
     "LanguageParseStringCharsCount: \"4\" is not allowed; allowed: 2 to 3."},
    {"NoWatchFolder", {"watch-folders", "add", "", "/x"}, "No watch folder specified."},
    {"SameFolders",
     {"watch-folders", "add", "/x", "/x"},
     "Watch and Destination folders must not be the same."},
    {"WatchFolderInTheList",
     {"watch-folders", "add", "/IN ", "/out"},
     "These Watch and Destination folders exist in the current list."},
    {"UpdateEmptiesTheDestination",
     {"watch-folders", "update", "1", "DestinationFolder="},
     "No destination folder specified."},
    {"EntryNumberOutOfRange",
     {"watch-folders", "remove", "2"},
     "No item selected: there is no watch folder #2; the list holds #1 to #1."},
    {"ListOwnerOutOfRange",
     {"file-types", "list", "--watch-folder", "3"},
     "No item selected: there is no watch folder #3; the list holds #1 to #1."},
    {"ItemNumberOutOfRange",
     {"hex", "remove", "--batch", "17"},
     "No item selected: there is no hex item #17; the list holds #1 to #16."},
    {"PlaylistWithoutLanguages",
     {"playlists", "add", "/lists", "/subs", "/logs", "Comment=night"},
     "No languages for checking specified."},
    {"PlaylistEmptyEntry",
     {"playlists", "update", "1", "Comment=x"},
     "No item selected: there is no playlist-check entry #1; the list is empty."},
    {"WindowRunning",
     {"watch-folders", "add", "/a", "/b"},
     "Caplin is running: change the settings in its window, or close it first.",
     TSetup::HeldLock},
    {"NotASettingsFile",
     {"settings", "set", "main", "FPS=30"},
     "caplin-cli: cannot read the settings file <file>",
     TSetup::NotSettings},
    {"UnreadableFile",
     {"hex", "add", "--batch", "0x41", "0x42"},
     "caplin-cli: cannot read the settings file <file>",
     TSetup::Folder},
    {"ShowOfAForeignFile",
     {"settings", "show"},
     "caplin-cli: cannot read the settings file <file>",
     TSetup::NotSettings},
};

INSTANTIATE_TEST_SUITE_P(Commands, SettingsRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& test) { return std::string(test.param.Name); });

// ---------------------------------------------------------------------------------------
// What the commands write is what the window's loaders read.

TEST_F(SettingsCommandTest, ValuesSetReadBackThroughTheWindowsLoaders) {
    Ok({"settings", "set", "main", "FPSSource=Overwrite FPS value", "FPS=30", "FormWidth=1000"});
    Ok({"settings", "set", "batch", "TapeIDSource=Overwrite Tape ID value",
        "TapeIDPredefined=TAPE01", "languagesource=1", "LanguagePredefined=fr",
        "TimeCodeStartOfProgrammeSource=1", "TimeCodeStartOfProgramme=10203004",
        "TimeCodeFirstInCueSource=1", "TimeCodeFirstInCue=10000000", "CodePageNumberSource=6",
        "CodePageNumberCustom=0437", "MoveProcessedFiles=yes", "RemoveZeroPage=yes",
        "CharacterCodeTableNumberSource=Latin/Greek - 03",
        "QualityCheck=Refuse files with errors"});
    Ok({"hex", "add", "--batch", "0x8a8B", "0x0A0B"});
    Ok({"file-types", "add", "--batch", "Name=News", "CharsCount=20",
        "TapeIDParseStringCharsCount=8", "LanguageParseStringStartPosition=10"});
    Ok({"watch-folders", "add", "/in", "/out", "Comment=night", "DisplayStandardCodeSource=4",
        "QualityCheck=1"});
    Ok({"watch-folders", "add", "/in2", "/out2", "LanguagePredefined=eng"});
    Ok({"hex", "add", "--watch-folder", "2", "0x41", "0x42"});
    Ok({"playlists", "add", "/lists", "/subs", "/logs", "Languages=en, French,0f",
        "CheckClipsWidhDurationOver=yes", "ClipsDurationThreasholdSeconds=12"});

    TSettingsStore::Global().Clear();
    TCaplinSession session(TSessionOwner::Window);
    ASSERT_TRUE(session.LoadSettingsFile());
    session.InitializeConverter(1024, 768);
    EXPECT_EQ(session.MainSettings().FPSSource, 1);
    EXPECT_EQ(session.MainSettings().FPS, "STL30.01");
    EXPECT_EQ(session.MainSettings().FormWidth, 1000);
    const TSTLConvertSettings& b = *session.BatchSettings();
    EXPECT_EQ(b.TapeIDSource, 1);
    EXPECT_EQ(b.TapeIDPredefined, "TAPE01");
    EXPECT_EQ(b.LanguageSource, 1);
    EXPECT_EQ(b.LanguagePredefined, "0F");
    EXPECT_EQ(b.TimeCodeStartOfProgrammeSource, 1);
    EXPECT_EQ(b.TimeCodeStartOfProgramme, "10203004");
    EXPECT_EQ(b.TimeCodeFirstInCueSource, 1);
    EXPECT_EQ(b.TimeCodeFirstInCue, "10000000");
    EXPECT_EQ(b.CodePageNumberSource, 6);
    EXPECT_EQ(b.CodePageNumberCustom, "437");
    EXPECT_TRUE(b.MoveProcessedFiles);
    EXPECT_TRUE(b.RemoveZeroPage);
    EXPECT_EQ(b.CharacterCodeTableNumberSource, 4);
    EXPECT_EQ(b.QualityCheck, qcRefuse);
    ASSERT_EQ(b.HexFindAndReplaceItems.size(), 1u);
    EXPECT_EQ(*b.HexFindAndReplaceItems[0], (THexFindAndReplaceValue{2, 0x8A8B, 0x0A0B}));
    ASSERT_EQ(b.SubtitleFileTypes.size(), 1u);
    EXPECT_EQ(*b.SubtitleFileTypes[0],
              (TSubtitleFileType{"News", 20, 1, 8, 10, 2, "File_0123_PT.STL"}));

    const auto& items = session.WatchFolderList()->Items;
    ASSERT_EQ(items.size(), 2u);
    const TWatchFolderSTLConvertSettings& wf = items[0]->Settings;
    EXPECT_EQ(wf.WatchFolder, "/in");
    EXPECT_EQ(wf.DestinationFolder, "/out");
    EXPECT_EQ(wf.Comment, "night");
    EXPECT_EQ(wf.DisplayStandardCodeSource, 4);
    EXPECT_EQ(wf.QualityCheck, qcReport);
    // A new entry is the window's cleared panel: zero time code, code page 850.
    EXPECT_EQ(wf.TimeCodeStartOfProgramme, "00000000");
    EXPECT_EQ(wf.CodePageNumberCustom, "850");
    EXPECT_EQ(items[1]->Settings.LanguagePredefined, "09");
    ASSERT_EQ(items[1]->Settings.HexFindAndReplaceItems.size(), 1u);
    EXPECT_TRUE(wf.HexFindAndReplaceItems.empty());

    ASSERT_EQ(session.PlaylistCheckList()->Entries.size(), 1u);
    const TPlaylistCheckSettings& pc = *session.PlaylistCheckList()->Entries[0];
    EXPECT_EQ(pc.PlaylistsFolder, "/lists/");
    EXPECT_EQ(pc.MissingsLogFolder, "/logs/");
    EXPECT_EQ(pc.LanguageCheckList, (std::vector<int32_t>{0x09, 0x0F}));
    EXPECT_TRUE(pc.CheckClipsWidhDurationOver);
    EXPECT_EQ(pc.ClipsDurationThreasholdSeconds, 12.0);
}

// What the window's own save routines write, `settings show` shows with the same values.
TEST_F(SettingsCommandTest, ShowsWhatTheWindowSaved) {
    {
        TCaplinSession window(TSessionOwner::Window);
        ASSERT_TRUE(window.LoadSettingsFile());
        window.InitializeConverter(1024, 768);
        TSTLConvertSettings& b = *window.BatchSettings();
        b.TapeIDSource = 1;
        b.TapeIDPredefined = "TAPE01";
        b.LanguagePredefined = "0F";
        b.PerformLanguageCheck = true;
        b.CodePageNumberCustom = "437";
        b.HexFindAndReplaceItems.push_back(
            std::make_unique<THexFindAndReplaceValue>(THexFindAndReplaceValue{1, 0x8A, 0x0A}));
        auto item = window.WatchFolderList()->NewItem(b);
        item->Settings.WatchFolder = "/in";
        item->Settings.Comment = "night";
        window.WatchFolderList()->Items.push_back(std::move(item));
        auto entry = std::make_unique<TPlaylistCheckSettings>();
        entry->PlaylistsFolder = "/lists/";
        entry->LanguageCheckList = {0x0F, 0x09};
        entry->ClipsDurationThreasholdSeconds = 12.5;
        window.PlaylistCheckList()->Entries.push_back(std::move(entry));
        window.MainSettings().FPS = "STL30.01";
        window.DeinitializeConverter();
        ASSERT_TRUE(window.SaveSettingsFile().Saved);
    }
    EXPECT_EQ(Shown("batch", {"TapeIDSource", "TapeIDPredefined", "LanguagePredefined",
                              "PerformLanguageCheck", "CodePageNumberCustom"}),
              (std::vector<std::string>{
                  "TapeIDSource = 1 (Overwrite Tape ID value)",
                  "TapeIDPredefined = TAPE01 (tape ID written when TapeIDSource is 1)",
                  "LanguagePredefined = 0F (French)",
                  "PerformLanguageCheck = yes (refuse a file whose Language Code differs from "
                  "the language chosen)",
                  "CodePageNumberCustom = 437 (Code Page Number written when "
                  "CodePageNumberSource is 6)"}));
    EXPECT_EQ(Ok({"hex", "list", "--batch"}), "# | Find Hex | Replace Hex\n1 | 0x8A | 0x0A\n");
    EXPECT_EQ(Ok({"watch-folders", "list"}),
              "# | Watch Folder | Destination Folder | Comment\n1 | /in |  | night\n");
    EXPECT_EQ(Shown("playlists", {"Languages", "ClipsDurationThreasholdSeconds"}),
              (std::vector<std::string>{
                  "Languages = French, English (languages every clip needs a subtitle file in)",
                  "ClipsDurationThreasholdSeconds = 12.5 (the clip-duration threshold, in "
                  "seconds; the window shows 12)"}));
    EXPECT_EQ(Shown("main", {"FPS"}),
              (std::vector<std::string>{
                  "FPS = STL30.01 (the Disk Format Code written when FPSSource is 1)"}));
}

// ---------------------------------------------------------------------------------------
// A stored value the window would not show as it is: what it uses instead.

struct TOddValue {
    const char* Name;
    std::string Section; // below the root key
    std::string Line;    // the stored value
    std::string Part;    // of `settings show`
    std::string Shown;
};

void PrintTo(const TOddValue& odd, std::ostream* os) {
    *os << odd.Name;
}

class SettingsShowTest : public SettingsCommandTest,
                         public ::testing::WithParamInterface<TOddValue> {};

TEST_P(SettingsShowTest, SaysWhatTheWindowUses) {
    const TOddValue& c = GetParam();
    const std::string watchFolders =
        "[" + kRoot + "\\WatchFolder]\n\"WatchFoldersCount\"=dword:00000001\n\n";
    const std::string playlists =
        "[" + kRoot + "\\PlaylistsCheck]\n\"PlaylistsCheckListCount\"=dword:00000001\n\n";
    WriteText(registry, "Windows Registry Editor Version 5.00\n\n" + watchFolders + playlists +
                            "[" + kRoot + c.Section + "]\n" + c.Line + "\n");
    const std::string name = c.Shown.substr(0, c.Shown.find(' '));
    EXPECT_EQ(Shown(c.Part, {name}), std::vector<std::string>{c.Shown});
}

const TOddValue kOddValues[] = {
    {"BatchIndexClamped", "\\Batch", "\"TapeIDSource\"=dword:00000007", "batch",
     "TapeIDSource = 2 (Use Tape ID value parsed from file name; stored 7: out of range, the "
     "window uses 2)"},
    {"WatchFolderIndexLeftAsStored", "\\WatchFolder\\WF_0", "\"TapeIDSource\"=dword:00000007",
     "watch-folders",
     "TapeIDSource = 7 (no item; stored 7: out of range, the window shows no item)"},
    {"BatchIndexNotClamped", "\\Batch", "\"DisplayStandardCodeSource\"=dword:00000009", "batch",
     "DisplayStandardCodeSource = 9 (no item; stored 9: out of range, the window shows no item "
     "and stores -1 at its close)"},
    {"WatchFolderIndexClamped", "\\WatchFolder\\WF_0",
     "\"DisplayStandardCodeSource\"=dword:ffffffff", "watch-folders",
     "DisplayStandardCodeSource = 0 (Use Display Standard Code from source; stored -1: out of "
     "range, the window shows 0)"},
    {"QualityCheckOutOfRange", "\\WatchFolder\\WF_0", "\"QualityCheck\"=dword:00000005",
     "watch-folders", "QualityCheck = 0 (Off; stored 5: out of range, read as 0)"},
    {"IntegerStoredAsText", "\\Batch", "\"CodePageNumberSource\"=\"6\"", "batch",
     "CodePageNumberSource = 0 (Use Code Page Number from source; stored as a string: another "
     "type, read as 0)"},
    {"CodePageStoredAsInteger", "\\Batch", "\"CodePageNumberCustom\"=dword:000001b5", "batch",
     "CodePageNumberCustom = 850 (Code Page Number written when CodePageNumberSource is 6; "
     "stored as a 32-bit integer: another type, read as 850)"},
    {"TimeCodePastTheSpinEdits", "\\Batch", "\"TimeCodeStartOfProgramme\"=\"25617030\"", "batch",
     "TimeCodeStartOfProgramme = 25617030 (Time Code Start Of Programme written when its source "
     "is 1; the window shows 23595929)"},
    {"LanguageCodeOfOneDigit", "\\WatchFolder\\WF_0", "\"LanguagePredefined\"=\"9\"",
     "watch-folders", "LanguagePredefined = 9 (English; the window shows English (09))"},
    {"FrameRateSourceOutOfRange", "", "\"FPSSource\"=dword:00000005", "main",
     "FPSSource = 0 (Use FPS value from source; stored 5, the window uses 0)"},
    {"FrameRateInLowerCase", "", "\"FPS\"=\"stl30.01\"", "main",
     "FPS = STL25.01 (the Disk Format Code written when FPSSource is 1; stored stl30.01, the "
     "window uses STL25.01)"},
    {"PageClamped", "", "\"ActivePageIndex\"=dword:00000007", "main",
     "ActivePageIndex = 2 (Playlist Check; stored 7: out of range, the window uses 2)"},
    {"FolderWithoutItsSlash", "\\PlaylistsCheck\\PC_0", "\"SubtitlesFolder\"=\"/subs\"",
     "playlists",
     "SubtitlesFolder = /subs (folder of the STL subtitle files; the window reads /subs/)"},
    {"FlagOtherThanOne", "\\Batch", "\"OverrideDestination\"=dword:00000005", "batch",
     "OverrideDestination = yes (replace a destination file that exists; stored 5, read as yes)"},
    {"CustomLanguageName", "\\Languages", "\"STL_LANG_CUSTOM_Lang2CharName_9\"=\"gb\"", "languages",
     "STL_LANG_CUSTOM_Lang2CharName_9 = gb (two-letter name of English, 09; the table's is "
     "\"en\")"},
};

INSTANTIATE_TEST_SUITE_P(StoredValues, SettingsShowTest, ::testing::ValuesIn(kOddValues),
                         [](const auto& test) { return std::string(test.param.Name); });

// ---------------------------------------------------------------------------------------
// A change writes only what it changes and keeps what Caplin does not know.

TEST_F(SettingsCommandTest, RemovalMovesEntriesWithEverythingStoredWithThem) {
    WriteText(registry, "Windows Registry Editor Version 5.00\n\n[" + kRoot +
                            "\\Custom]\n\"Kept\"=\"yes\"\n\n[" + kRoot +
                            "\\WatchFolder]\n\"WatchFoldersCount\"=dword:00000003\n\n[" + kRoot +
                            "\\WatchFolder\\WF_0]\n\"WatchFolder\"=\"/a\"\n\"DestinationFolder\"="
                            "\"/x\"\n\n[" +
                            kRoot + "\\WatchFolder\\WF_1]\n\"WatchFolder\"=\"/b\"\n" +
                            "\"DestinationFolder\"=\"/x\"\n\"PlayoutProfile\"=dword:00000002\n\n[" +
                            kRoot + "\\WatchFolder\\WF_1\\HexFindReplace]\n" +
                            "\"HexFindAndReplaceCount\"=dword:00000001\n\"HexFindReplace_"
                            "NumBytes_0\"=dword:00000001\n\"HexFindReplace_FindHex_0\"=dword:"
                            "00000041\n\n[" +
                            kRoot + "\\WatchFolder\\WF_2]\n\"WatchFolder\"=\"/c\"\n" +
                            "\"DestinationFolder\"=\"/x\"\n");
    EXPECT_EQ(Ok({"watch-folders", "remove", "1"}),
              "# | Watch Folder | Destination Folder | Comment\n1 | /b | /x | \n2 | /c | /x | \n");

    TSettingsStore::Global().Clear();
    ASSERT_TRUE(TSettingsStore::Global().Load(registry));
    const auto stored = [](const std::string& key, const std::string& name) {
        TRegValue value;
        return TSettingsStore::Global().GetValue(kWatchFolderKey + key, name, value)
                   ? value.Text + std::to_string(value.Number)
                   : std::string("missing");
    };
    EXPECT_EQ(stored("WF_0", "WatchFolder"), "/b0");
    EXPECT_EQ(stored("WF_0", "PlayoutProfile"), "2");
    EXPECT_EQ(stored("WF_0\\HexFindReplace", "HexFindReplace_FindHex_0"), "65");
    EXPECT_EQ(stored("WF_1", "WatchFolder"), "/c0");
    EXPECT_EQ(stored("WF_1", "PlayoutProfile"), "missing");
    EXPECT_FALSE(TSettingsStore::Global().KeyExists(kWatchFolderKey + std::string("WF_2")));
    EXPECT_EQ(stored("", "WatchFoldersCount"), "2");
    // Nothing the loaders fill in is written: neither the interval nor a list count.
    EXPECT_EQ(stored("", "WatchFolderCheckIntervalMS"), "missing");
    EXPECT_EQ(stored("WF_1\\SubtitleFileType", "SubTypesCount"), "missing");
    TRegValue kept;
    EXPECT_TRUE(TSettingsStore::Global().GetValue(CAPLIN_SETTINGS_ROOT "Custom", "Kept", kept));
    EXPECT_FALSE(TSettingsStore::Global().KeyExists(kBatchKey));
}

// The session's lists driven as the pages drive them, saved as the window saves at its close,
// and the command line on the same file: the same lists, and the same refusal.
TEST_F(SettingsCommandTest, WindowAndCommandLineMakeTheSameListChange) {
    const std::string original =
        "Windows Registry Editor Version 5.00\n\n[" + kRoot +
        "\\WatchFolder]\n\"WatchFoldersCount\"=dword:00000002\n\n[" + kRoot +
        "\\WatchFolder\\WF_0]\n\"WatchFolder\"=\"/a\"\n\"DestinationFolder\"=\"/x\"\n\n[" + kRoot +
        "\\WatchFolder\\WF_1]\n\"WatchFolder\"=\"/b\"\n\"DestinationFolder\"=\"/x\"\n";
    const std::string windowFile = dir.File("window.reg");
    WriteText(windowFile, original);
    WriteText(registry, original);

    SetEnv("CAPLIN_REGISTRY", windowFile);
    std::string refusal;
    {
        TCaplinSession window(TSessionOwner::Window);
        ASSERT_TRUE(window.LoadSettingsFile());
        window.InitializeConverter(1024, 768);
        const TEntryList& folders = WatchFolderEntries();
        folders.LoadEdited(window, 1);
        window.WFSettings()->Comment = "changed";
        ASSERT_TRUE(folders.Update(window, 1, [] { return true; }).IsMade());
        ASSERT_TRUE(folders.Remove(window, 0).IsMade());
        window.WFSettings()->WatchFolder = "/in";
        window.WFSettings()->DestinationFolder = "/out";
        window.WFSettings()->Comment = "night";
        ASSERT_TRUE(folders.Add(window).IsMade());
        window.WFSettings()->WatchFolder = "/IN ";
        refusal = folders.Add(window).Refusal();
        TPlaylistCheckSettings& entry = *window.PCSettings();
        entry.PlaylistsFolder = "/lists/";
        entry.SubtitlesFolder = "/subs/";
        entry.MissingsLogFolder = "/logs/";
        entry.LanguageCheckList = {0x09};
        entry.Comment = "c";
        ASSERT_TRUE(PlaylistEntries().Add(window).IsMade());
        window.DeinitializeConverter();
        ASSERT_TRUE(window.SaveSettingsFile().Saved);
    }
    const std::string windowFolders = Ok({"watch-folders", "list"});
    const std::string windowChecks = Ok({"playlists", "list"});

    SetEnv("CAPLIN_REGISTRY", registry);
    Ok({"watch-folders", "update", "2", "Comment=changed"});
    Ok({"watch-folders", "remove", "1"});
    Ok({"watch-folders", "add", "/in", "/out", "Comment=night"});
    const TCliResult refused = Run({"watch-folders", "add", "/IN ", "/out", "Comment=night"});
    Ok({"playlists", "add", "/lists", "/subs", "/logs", "Languages=en", "Comment=c"});

    EXPECT_EQ(windowFolders, "# | Watch Folder | Destination Folder | Comment\n1 | /b | /x | "
                             "changed\n2 | /in | /out | night\n");
    EXPECT_EQ(Ok({"watch-folders", "list"}), windowFolders);
    EXPECT_EQ(Ok({"playlists", "list"}), windowChecks);
    EXPECT_EQ(refused.Err, refusal + "\n");
    EXPECT_EQ(refusal, "These Watch and Destination folders exist in the current list.");
}

// What the watch service needs from the commands: its interval, folders it can find from
// wherever it runs, and word that it must reload to take a change.
TEST_F(SettingsCommandTest, WatchServiceValuesAndTheHintToReloadIt) {
    EXPECT_EQ(Ok({"settings", "set", "watch-folders", "WatchFolderCheckIntervalMS=250"}),
              "WatchFolderCheckIntervalMS = 250 (how often every watch folder is scanned, in "
              "ms)\n");
    EXPECT_EQ(Run({"settings", "set", "watch-folders", "WatchFolderCheckIntervalMS=99"}).Status,
              CLI_EXIT_USAGE);

    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    fs::create_directory("in");
    const TCliResult added =
        Run({"watch-folders", "add", "in", "./gone/../out", "MoveProcessedFilesFolder=done"});
    fs::current_path(before);
    EXPECT_EQ(added.Status, 0) << added.Err;
    EXPECT_EQ(added.Err, "caplin-cli: the folder " + dir.File("out") +
                             " does not exist; it is stored all the same\n"
                             "caplin-cli: the folder " +
                             dir.File("done") + " does not exist; it is stored all the same\n");
    const std::string stored = ReadText(registry);
    for (const char* folder : {"in", "out", "done"})
        EXPECT_NE(stored.find("=\"" + dir.File(folder) + "\""), std::string::npos) << folder;

    // A user manager that says the service is active.
    WriteText(dir.File("bus"), "");
    WriteText(dir.File("systemctl"), "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/asked\"\n");
    fs::permissions(dir.File("systemctl"), fs::perms::owner_all);
    SetEnv("PATH", dir.Path().string() + ":" + std::getenv("PATH"));
    const TCliResult hinted = Run({"watch-folders", "update", "1", "Comment=x"});
    EXPECT_EQ(hinted.Err, "caplin-watch.service is running: systemctl --user reload caplin-watch "
                          "makes it take the change\n");
    EXPECT_EQ(ReadText(dir.File("asked")), "--user is-active --quiet caplin-watch.service\n");
}

TEST_F(SettingsCommandTest, SetWritesOnlyItsValuesInTheWindowsTypes) {
    WriteText(registry, "Windows Registry Editor Version 5.00\n\n[" + kRoot +
                            "\\Batch]\n\"tapeidsource\"=dword:00000002\n\"PlayoutProfile\"=dword:"
                            "00000001\n");
    EXPECT_EQ(Ok({"settings", "set", "batch", "TapeIDSource=0", "PerformLanguageCheck=yes",
                  "CodePageNumberCustom=7"}),
              "TapeIDSource = 0 (Use Tape ID value from source)\n"
              "PerformLanguageCheck = yes (refuse a file whose Language Code differs from the "
              "language chosen)\n"
              "CodePageNumberCustom = 7 (Code Page Number written when CodePageNumberSource is "
              "6)\n");
    EXPECT_EQ(ReadText(registry),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Velmora]\n\n[" +
                  kRoot + "]\n\n[" + kRoot +
                  "\\Batch]\n\"tapeidsource\"=dword:00000000\n\"PlayoutProfile\"=dword:00000001\n"
                  "\"PerformLanguageCheck\"=dword:00000001\n\"CodePageNumberCustom\"=\"7\"\n\n");
}

} // namespace
