#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <sys/stat.h>

#include "cli/CliApp.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;
using namespace clitest;
namespace fs = std::filesystem;

namespace {

struct TFileStamp {
    std::vector<uint8_t> Bytes;
    struct timespec Modified {};
    bool operator==(const TFileStamp& other) const {
        return Bytes == other.Bytes && Modified.tv_sec == other.Modified.tv_sec &&
               Modified.tv_nsec == other.Modified.tv_nsec;
    }
};

TFileStamp Stamp(const std::string& path) {
    TFileStamp stamp;
    stamp.Bytes = ReadBytes(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        stamp.Modified = st.st_mtim;
    return stamp;
}

std::string Field(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
    if (bytes.size() < offset + width)
        return std::string();
    return std::string(bytes.begin() + long(offset), bytes.begin() + long(offset + width));
}

class ConvertCommandTest : public TSettingsFileTest {
protected:
    void SetUp() override {
        TSettingsFileTest::SetUp();
        for (const char* folder : {"logs", "messages", "out", "other"})
            fs::create_directory(dir.File(folder));
    }

    // The settings a window would have saved: forced 30 fps, folders of the daily files,
    // and Batch settings that by default need nothing from the file name.
    static constexpr const char* kPredefinedLanguage =
        "\"LanguageSource\"=dword:00000001\n\"LanguagePredefined\"=\"09\"\n";
    void WriteSettings(const std::string& destination, const std::string& fpsSource = "1",
                       const std::string& batchValues = kPredefinedLanguage) {
        auto text = [](const char* name, const std::string& value) {
            return "\"" + std::string(name) + "\"=\"" + value + "\"\n";
        };
        std::string settings = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n";
        settings += "\"FPSSource\"=dword:0000000" + fpsSource + "\n";
        settings += text("FPS", "STL30.01");
        settings += text("LogsOutputFolder", dir.File("logs"));
        settings += text("MessagesOutputFolder", dir.File("messages"));
        settings += "\"MessagesFilterIndex\"=dword:00000003\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch]\n";
        settings += text("DestinationFolder", destination);
        settings += batchValues;
        settings += "\"TimeCodeFirstInCueSource\"=dword:00000001\n";
        settings += text("TimeCodeFirstInCue", "10000012");
        WriteText(registry, settings);
    }

    int Run(const std::vector<std::string>& args) {
        std::ostringstream outStream, errStream;
        const int status = RunCliArgs(args, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    std::string LogsFile() const {
        return dir.File("logs") + "/STL_OpSeq_Logs_Batch_" + Today() + ".txt";
    }
    std::string MessagesFile() const {
        return dir.File("messages") + "/STL_Messages_Batch_" + Today() + ".txt";
    }

    // Real files that open, with distinct names.
    static std::vector<std::string> RealSources(size_t count) {
        std::vector<std::string> paths;
        std::vector<std::string> names;
        for (const TRealFile& row : LoadRealFileList()) {
            const std::string name = fs::path(row.Path).filename().string();
            if (!row.ExpectOpen() || std::find(names.begin(), names.end(), name) != names.end())
                continue;
            paths.push_back(row.Path);
            names.push_back(name);
            if (paths.size() == count)
                break;
        }
        return paths;
    }

    std::string out, err;
};

TEST_F(ConvertCommandTest, RefusalsPrintTheWindowsMessageAndLogNothing) {
    struct {
        const char* Name;
        std::string StoredDestination;
        std::vector<std::string> Args;
        std::string Error;
    } cases[] = {
        {"no file, no destination", "", {"convert"}, "No files to convert.\n"},
        {"no file",
         dir.File("out"),
         {"convert", "--dest", dir.File("out")},
         "No files to convert.\n"},
        {"no destination", "", {"convert", "a.stl"}, "No destination folder specified.\n"},
        {"empty --dest",
         dir.File("out"),
         {"convert", "--dest", "", "a.stl"},
         "No destination folder specified.\n"},
        {"--dest missing",
         dir.File("out"),
         {"convert", "--dest", dir.File("gone"), "a.stl"},
         "caplin-cli: the destination folder " + dir.File("gone") + " does not exist\n"},
        {"stored destination missing",
         dir.File("gone"),
         {"convert", "a.stl"},
         "caplin-cli: the destination folder " + dir.File("gone") + " does not exist\n"},
        {"--dest a file",
         dir.File("out"),
         {"convert", "--dest", registry, "a.stl"},
         "caplin-cli: the destination " + registry + " is not a folder\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings(c.StoredDestination);
        const TFileStamp before = Stamp(registry);
        EXPECT_EQ(Run(c.Args), CLI_EXIT_USAGE);
        EXPECT_EQ(err, c.Error);
        EXPECT_EQ(out, "");
        EXPECT_TRUE(fs::is_empty(dir.File("logs")));
        EXPECT_TRUE(fs::is_empty(dir.File("messages")));
        EXPECT_TRUE(Stamp(registry) == before);
    }
}

TEST_F(ConvertCommandTest, AnUnreadableSettingsFileIsASettingsProblem) {
    // A folder where the settings file should be cannot be read as one.
    fs::create_directory(registry);
    EXPECT_EQ(Run({"convert", "--dest", dir.File("out"), "a.stl"}), CLI_EXIT_USAGE);
    EXPECT_NE(err.find("cannot read the settings file " + registry), std::string::npos) << err;
    EXPECT_EQ(out, "");
}

TEST_F(ConvertCommandTest, AForeignSettingsFileIsLeftWhereItIs) {
    // The window would set it aside; the command line never writes the settings file.
    WriteText(registry, "notes, not settings\n");
    EXPECT_EQ(Run({"convert", "--dest", dir.File("out"), "a.stl"}), CLI_EXIT_USAGE);
    EXPECT_NE(err.find("cannot read the settings file " + registry), std::string::npos) << err;
    EXPECT_EQ(ReadText(registry), "notes, not settings\n");
    for (const auto& entry : fs::directory_iterator(fs::path(registry).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".corrupt-"), std::string::npos);
}

TEST_F(ConvertCommandTest, ConvertsAsABatchRunWithTheStoredSettings) {
    REQUIRE_REAL_STL_FILES();
    const auto sources = RealSources(2);
    ASSERT_EQ(sources.size(), 2u);
    WriteSettings(dir.File("out"));
    const TFileStamp before = Stamp(registry);
    // A window holding its single-instance lock does not stop the command line.
    TInstanceLock windowLock;
    windowLock.Acquire();

    ASSERT_EQ(Run({"convert", sources[0], sources[1]}), CLI_EXIT_OK) << err;
    const std::vector<std::string> expected = {
        "Batch conversion started.", "Converting STL file : " + sources[0],
        "Converting STL file : " + sources[1], "Batch conversion done."};
    EXPECT_EQ(Lines(out), expected);
    EXPECT_EQ(err, "2 converted, 0 failed\n");
    EXPECT_EQ(DailyLines(LogsFile()), expected);
    // No message, so no messages file.
    EXPECT_TRUE(fs::is_empty(dir.File("messages")));
    EXPECT_TRUE(Stamp(registry) == before);

    for (const std::string& source : sources) {
        const auto input = ReadBytes(source);
        const auto output = ReadBytes(dir.File("out") + "/" + fs::path(source).filename().string());
        ASSERT_GE(output.size(), 1024u) << source;
        // The stored frame-rate policy applies, and so does the first-in-cue time code that
        // the window has no control for.
        EXPECT_EQ(Field(output, 3, 8), "STL30.01");
        EXPECT_EQ(Field(output, 264, 8), "10000012");
        EXPECT_EQ(Field(output, 14, 2), "09");
    }
}

TEST_F(ConvertCommandTest, FramesPerSecondSourceZeroKeepsEachFilesRate) {
    REQUIRE_REAL_STL_FILES();
    const auto sources = RealSources(1);
    ASSERT_EQ(sources.size(), 1u);
    WriteSettings(dir.File("out"), "0");
    ASSERT_EQ(Run({"convert", sources[0]}), CLI_EXIT_OK) << out;
    const auto output = ReadBytes(dir.File("out") + "/" + fs::path(sources[0]).filename().string());
    EXPECT_EQ(Field(output, 3, 8), Field(ReadBytes(sources[0]), 3, 8));
}

TEST_F(ConvertCommandTest, AFailedFileIsReportedAndTheRunGoesOn) {
    REQUIRE_REAL_STL_FILES();
    const auto sources = RealSources(1);
    ASSERT_EQ(sources.size(), 1u);
    WriteSettings(dir.File("out"));
    const std::string missing = "no/such/file.stl";

    ASSERT_EQ(Run({"convert", missing, sources[0]}), CLI_EXIT_FAILED);
    const std::vector<std::string> expected = {"Batch conversion started.",
                                               "Converting STL file : " + missing,
                                               "Error - Source STL file " + missing + " not found.",
                                               "Error - Error converting STL file " + missing,
                                               "Converting STL file : " + sources[0],
                                               "Batch conversion done."};
    EXPECT_EQ(Lines(out), expected);
    EXPECT_EQ(err, "1 converted, 1 failed\n");
    EXPECT_EQ(DailyLines(MessagesFile()),
              (std::vector<std::string>{"Error - Source STL file " + missing + " not found.",
                                        "Error - Error converting STL file " + missing}));
    EXPECT_EQ(DailyLines(LogsFile()).size(), 4u);
    EXPECT_TRUE(fs::exists(dir.File("out") + "/" + fs::path(sources[0]).filename().string()));

    // A second run finds the destination already there: every file fails.
    ASSERT_EQ(Run({"convert", sources[0]}), CLI_EXIT_FAILED);
    const std::string destination =
        dir.File("out") + "/" + fs::path(sources[0]).filename().string();
    EXPECT_NE(out.find("Error - Duplicated destination STL file " + destination + "\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(err, "0 converted, 1 failed\n");
    // The day's files are appended to, run after run.
    EXPECT_EQ(DailyLines(LogsFile()).size(), 7u);
}

// With OverrideDestination on, a re-delivery that is refused or fails leaves the file
// delivered before byte for byte, and a failure with a cause says why, on standard output and
// in the day's messages file.
TEST_F(ConvertCommandTest, AFailedRedeliveryKeepsTheDeliveredFile) {
    const std::string source = dir.File("news.stl");
    const std::string delivered = dir.File("out/news.stl");
    WriteStl(source, MakeGsi(1), {MakeTti(1, "First")});
    const std::string overriding =
        std::string(kPredefinedLanguage) + "\"OverrideDestination\"=dword:00000001\n";
    WriteSettings(dir.File("out"), "1", overriding);
    ASSERT_EQ(Run({"convert", source}), CLI_EXIT_OK) << out;
    const std::vector<uint8_t> before = ReadBytes(delivered);
    WriteStl(source, MakeGsi(1), {MakeTti(1, "Corrected")});

    // Refused: the language differs from the one chosen.
    WriteSettings(dir.File("out"), "1",
                  overriding + "\"PerformLanguageCheck\"=dword:00000001\n"
                               "\"LanguagePredefined\"=\"0F\"\n");
    EXPECT_EQ(Run({"convert", source}), CLI_EXIT_FAILED);
    EXPECT_EQ(ReadBytes(delivered), before);

    // Failed: the disk fills while the new file is written.
    WriteSettings(dir.File("out"), "1", overriding);
    FileFaults().BeforeWrite = [this](const std::string& path, int64_t) {
        return path.rfind(dir.File("out") + "/", 0) != 0;
    };
    EXPECT_EQ(Run({"convert", source}), CLI_EXIT_FAILED);
    FileFaults() = TFileFaults();
    EXPECT_EQ(ReadBytes(delivered), before);
    const std::vector<std::string> failure = {
        "Error - Cannot add new Text And Timing Information block",
        "Info - Reason: No space left on device", "Error - Error converting STL file " + source};
    const std::vector<std::string> lines = Lines(out);
    EXPECT_NE(std::search(lines.begin(), lines.end(), failure.begin(), failure.end()), lines.end())
        << out;
    const std::vector<std::string> daily = DailyLines(MessagesFile());
    EXPECT_NE(std::search(daily.begin(), daily.end(), failure.begin(), failure.end()), daily.end());
}

TEST_F(ConvertCommandTest, DestReplacesTheStoredFolderForOneRunOnly) {
    REQUIRE_REAL_STL_FILES();
    const auto sources = RealSources(1);
    ASSERT_EQ(sources.size(), 1u);
    const std::string name = fs::path(sources[0]).filename().string();
    WriteSettings(dir.File("out"));
    const TFileStamp before = Stamp(registry);

    ASSERT_EQ(Run({"convert", "--dest", dir.File("other"), sources[0]}), CLI_EXIT_OK) << out;
    EXPECT_TRUE(fs::exists(dir.File("other") + "/" + name));
    EXPECT_FALSE(fs::exists(dir.File("out") + "/" + name));

    ASSERT_EQ(Run({"convert", sources[0]}), CLI_EXIT_OK) << out;
    EXPECT_TRUE(fs::exists(dir.File("out") + "/" + name));
    EXPECT_TRUE(Stamp(registry) == before);
}

TEST_F(ConvertCommandTest, TheBuiltProgramDrawsNoProgressBarOutsideATerminal) {
    REQUIRE_REAL_STL_FILES();
    const std::string program = std::string(CAPLIN_BINARY_DIR) + "/bin/caplin-cli";
    if (!fs::exists(program))
        GTEST_SKIP() << program << " is not built";
    const auto sources = RealSources(1);
    ASSERT_EQ(sources.size(), 1u);
    WriteSettings(dir.File("out"));
    struct {
        std::string Args;
        int Status;
        std::string Out, Err;
    } cases[] = {
        {sources[0], CLI_EXIT_OK,
         "Batch conversion started.\nConverting STL file : " + sources[0] +
             "\nBatch conversion done.\n",
         "1 converted, 0 failed\n"},
        {"", CLI_EXIT_USAGE, "", "No files to convert.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        const std::string command = "CAPLIN_REGISTRY='" + registry + "' '" + program +
                                    "' convert " + c.Args + " >'" + dir.File("stdout") + "' 2>'" +
                                    dir.File("stderr") + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.Status);
        EXPECT_EQ(ReadText(dir.File("stdout")), c.Out);
        EXPECT_EQ(ReadText(dir.File("stderr")), c.Err);
    }
}

// A file name that gives no tape ID or language while the Batch settings hold no subtitle
// file type: one hint on standard error for the whole run, naming the two ways out, and
// nothing more on standard output or in the daily files.
TEST_F(ConvertCommandTest, AFileNameThatGivesNothingBringsOneHint) {
    const std::string fileType = "\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch\\"
                                 "SubtitleFileType]\n\"SubTypesCount\"=dword:00000001\n"
                                 "\"SubType_Name_0\"=\"Long names\"\n"
                                 "\"SubType_CharsCount_0\"=dword:00000040\n";
    const std::string tapeFromName = "\"TapeIDSource\"=dword:00000002\n";
    struct {
        const char* Name;
        std::string BatchValues;
        std::string Refusal;
        bool Hint;
    } cases[] = {
        {"no language, no file type", "\"LanguageSource\"=dword:00000002\n",
         "Cannot retrieve Language from file name", true},
        {"no tape ID, no file type", kPredefinedLanguage + tapeFromName,
         "Cannot retrieve TapeID from file name", true},
        {"a file type that does not fit", "\"LanguageSource\"=dword:00000000\n" + fileType,
         "Cannot retrieve Language from file name", false},
    };
    const std::vector<std::string> files = {dir.File("a.stl"), dir.File("b.stl")};
    for (const std::string& file : files)
        WriteStl(file, MakeGsi(1), {MakeTti(1, "One")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings(dir.File("out"), "1", c.BatchValues);
        fs::remove(MessagesFile());
        EXPECT_EQ(Run({"convert", files[0], files[1]}), CLI_EXIT_FAILED);
        const std::string hint =
            "caplin-cli: hint: the Batch settings hold no subtitle file type to read the tape ID "
            "and language from a file name; add one (caplin-cli file-types add --batch Name=... "
            "CharsCount=... TapeIDParseStringStartPosition=... ...) or take them from elsewhere "
            "(caplin-cli settings set batch LanguageSource=... TapeIDSource=...)\n";
        EXPECT_EQ(err, (c.Hint ? hint : "") + "0 converted, 2 failed\n");
        std::vector<std::string> messages;
        for (const std::string& file : files)
            for (const std::string& text : {c.Refusal, "Error converting STL file " + file})
                messages.push_back("Error - " + text);
        EXPECT_EQ(DailyLines(MessagesFile()), messages);
        EXPECT_EQ(out.find("hint"), std::string::npos) << out;
    }
}

} // namespace
