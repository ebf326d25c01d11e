// caplin-cli watch as it runs in production: the built program in a child process, real STL
// files landing in two watched folders, some still being written, and a signal to end it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cli/CliApp.h"
#include "convert/STLConvertSettings.h"
#include "convert/STLConvertUtils.h"
#include "lang/STLCustomLangUtils.h"
#include "platform/TextUtils.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;
using namespace clitest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {

// Deadlines are generous: they only bound a test that has already failed.
constexpr auto kDeadline = 20s;

// `caplin-cli watch` in a child process with its own settings file. Standard output is read
// line by line as it comes, each line stamped with the moment it was read.
class TWatchProcess {
public:
    struct TLine {
        std::string Text;
        TClock::time_point At;
    };

    TWatchProcess(const std::string& registry, const std::string& trace,
                  const std::string& errFile) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        try {
            pid_ = clitest::SpawnWatch({"CAPLIN_REGISTRY=" + registry, "CAPLIN_TRACE=" + trace},
                                       {"CAPLIN_REGISTRY", "CAPLIN_TRACE"}, fds[1], "", errFile);
        } catch (...) {
            ::close(fds[0]);
            ::close(fds[1]);
            throw;
        }
        ::close(fds[1]);
        reader_ = std::thread([this, fd = fds[0]] { Read(fd); });
    }

    ~TWatchProcess() {
        if (!exited_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        reader_.join();
    }

    void Signal(int signal) { ::kill(pid_, signal); }
    pid_t Pid() const { return pid_; }

    // Waits for a line equal to text; true when it came before the deadline.
    bool WaitForLine(const std::string& text, std::chrono::seconds timeout = kDeadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return std::any_of(lines_.begin(), lines_.end(),
                               [&](const TLine& line) { return line.Text == text; });
        });
    }

    // Waits for the child to end and for the rest of its output; its wait status, or -1.
    int WaitForExit(std::chrono::seconds timeout = kDeadline) {
        const auto deadline = TClock::now() + timeout;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (TClock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(5ms);
        }
        exited_ = true;
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return closed_; });
        return status;
    }

    std::vector<TLine> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const TLine& line : Lines())
            texts.push_back(line.Text);
        return texts;
    }
    // When the line equal to text was read (the latest possible moment it was printed).
    TClock::time_point ReadAt(const std::string& text) {
        for (const TLine& line : Lines())
            if (line.Text == text)
                return line.At;
        return TClock::time_point::max();
    }

private:
    void Read(int fd) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            const auto now = TClock::now();
            pending.append(buffer, size_t(count));
            std::lock_guard<std::mutex> lock(mutex_);
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                lines_.push_back({pending.substr(0, end), now});
                pending.erase(0, end + 1);
            }
            changed_.notify_all();
        }
        ::close(fd);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!pending.empty())
            lines_.push_back({pending, TClock::now()});
        closed_ = true;
        changed_.notify_all();
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TLine> lines_;
    bool closed_ = false;
};

struct TWatchedFolder {
    std::string In, Out;
};

class WatchCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(CliProgram())) << CliProgram();
        for (const char* folder : {"logs", "messages", "staging", "orig", "expected"})
            fs::create_directory(dir.File(folder));
        registry = dir.File("registry.reg");
        trace = dir.File("trace.log");
        errFile = dir.File("stderr.txt");
    }

    TWatchedFolder MakeFolder(const std::string& name) {
        TWatchedFolder folder{dir.File(name + "-in"), dir.File(name + "-out")};
        fs::create_directory(folder.In);
        fs::create_directory(folder.Out);
        return folder;
    }

    // Main values that keep each file's frame rate, the folders of the daily files, and
    // the given watch folders with settings that keep every field of the files.
    void WriteSettings(const std::vector<TWatchedFolder>& folders, const std::string& interval) {
        std::string text = "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n"
                           "\"FPSSource\"=dword:00000000\n"
                           "\"LogsOutputFolder\"=\"" +
                           dir.File("logs") + "\"\n\"MessagesOutputFolder\"=\"" +
                           dir.File("messages") + "\"\n\n";
        if (!interval.empty() || !folders.empty()) {
            char count[16];
            std::snprintf(count, sizeof count, "%08zx", folders.size());
            text += "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]\n"
                    "\"WatchFoldersCount\"=dword:" +
                    std::string(count) + "\n";
            if (!interval.empty())
                text += "\"WatchFolderCheckIntervalMS\"=dword:" + interval + "\n";
        }
        for (size_t i = 0; i < folders.size(); ++i) {
            text += "\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_" +
                    std::to_string(i) + "]\n\"WatchFolder\"=\"" + folders[i].In +
                    "\"\n\"DestinationFolder\"=\"" + folders[i].Out + "\"\n";
            for (const char* zero :
                 {"TapeIDSource", "LanguageSource", "PerformLanguageCheck", "RemoveZeroPage",
                  "TimeCodeStartOfProgrammeSource", "OverrideDestination", "MoveProcessedFiles",
                  "CodePageNumberSource", "CharacterCodeTableNumberSource",
                  "DisplayStandardCodeSource"})
                text += "\"" + std::string(zero) + "\"=dword:00000000\n";
            // Set by hand or with caplin-cli settings: the window has no control for it.
            text += "\"TimeCodeFirstInCueSource\"=dword:00000001\n"
                    "\"TimeCodeFirstInCue\"=\"10000012\"\n";
            // The language is kept, but the file name must still name one: "Q1a_EN.stl".
            text += "\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_" +
                    std::to_string(i) +
                    "\\SubtitleFileType]\n"
                    "\"SubTypesCount\"=dword:00000001\n"
                    "\"SubType_Name_0\"=\"Role and language\"\n"
                    "\"SubType_CharsCount_0\"=dword:0000000a\n"
                    "\"SubType_LanguageParseStringStartPosition_0\"=dword:00000005\n"
                    "\"SubType_LanguageParseStringCharsCount_0\"=dword:00000002\n";
        }
        WriteText(registry, text);
    }

    // Real files under the given names, each with the bytes that converting it with
    // settings that keep every field gives (the conversion run here, in this process).
    void PrepareSources(const std::vector<std::string>& names) {
        TSTLConvertSettings keepAll;
        keepAll.DestinationFolder = dir.File("expected");
        keepAll.TimeCodeFirstInCueSource = 1;
        keepAll.TimeCodeFirstInCue = "10000012";
        auto type = std::make_unique<TSubtitleFileType>();
        type->Name = "Role and language";
        type->CharsCount = 10;
        type->LanguageParseStringStartPosition = 5;
        type->LanguageParseStringCharsCount = 2;
        keepAll.SubtitleFileTypes.push_back(std::move(type));
        SetCustomLanguageListToDefault();
        size_t next = 0;
        const auto rows = LoadRealFileList();
        for (const std::string& name : names) {
            for (; next < rows.size(); ++next) {
                if (!rows[next].ExpectOpen())
                    continue;
                const std::string copy = dir.File("orig") + "/" + name;
                fs::copy_file(rows[next].Path, copy, fs::copy_options::overwrite_existing);
                if (ConvertSTLFile(copy, keepAll, "", nullptr))
                    break;
            }
            ASSERT_LT(next++, rows.size()) << "too few real STL files that convert";
        }
    }
    std::vector<uint8_t> Source(const std::string& name) const {
        return ReadBytes(dir.File("orig") + "/" + name);
    }
    std::vector<uint8_t> Expected(const std::string& name) const {
        return ReadBytes(dir.File("expected") + "/" + name);
    }

    // A file that lands whole: written outside, renamed in.
    std::string Land(const TWatchedFolder& folder, const std::string& name) {
        const std::string staged = dir.File("staging") + "/" + name;
        WriteBytes(staged, Source(name));
        const std::string path = folder.In + "/" + name;
        EXPECT_EQ(::rename(staged.c_str(), path.c_str()), 0) << path;
        return path;
    }

    TempDir dir;
    std::string registry, trace, errFile;
};

std::string Converting(const std::string& path) {
    return "Converting STL file : " + path;
}

// A copier that holds a file open under its final name and writes it in pieces, at least
// 1 s from the first byte to the close. Whoever drives it calls Step() often.
class TSlowWriter {
public:
    TSlowWriter(const std::string& path, std::vector<uint8_t> bytes, std::string destination)
        : bytes_(std::move(bytes)), destination_(std::move(destination)) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        opened_ = TClock::now();
    }
    ~TSlowWriter() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Opened() const { return fd_ >= 0; }

    // Writes the next piece when it is due; notes a destination that appeared meanwhile.
    void Step() {
        if (fd_ < 0)
            return;
        const size_t piece = (bytes_.size() + kPieces - 1) / kPieces;
        if (written_ < bytes_.size() && TClock::now() >= opened_ + kPause * (written_ / piece)) {
            const size_t count = std::min(piece, bytes_.size() - written_);
            if (::write(fd_, bytes_.data() + written_, count) == ssize_t(count))
                written_ += count;
        }
        if (fs::exists(destination_))
            convertedWhileOpen_ = true;
    }
    // Keeps writing until everything is written and 1 s has passed, then closes.
    void Finish() {
        while (written_ < bytes_.size() || TClock::now() < opened_ + 1s) {
            Step();
            std::this_thread::sleep_for(10ms);
        }
        Step();
        ::close(fd_);
        fd_ = -1;
        closed_ = TClock::now();
    }
    bool ConvertedWhileOpen() const { return convertedWhileOpen_; }
    TClock::time_point Closed() const { return closed_; }

private:
    static constexpr size_t kPieces = 20;
    static constexpr auto kPause = 50ms;
    std::vector<uint8_t> bytes_;
    std::string destination_;
    int fd_ = -1;
    size_t written_ = 0;
    TClock::time_point opened_, closed_;
    bool convertedWhileOpen_ = false;
};

TEST_F(WatchCommandTest, ConvertsEveryFileThatLandsOnceAndStopsOnSigterm) {
    REQUIRE_REAL_STL_FILES();
    const TWatchedFolder one = MakeFolder("one"), two = MakeFolder("two");
    PrepareSources({"Q1a_EN.stl", "Q1b_EN.stl", "S1s_EN.stl", "Q1c_EN.stl", "Q2a_EN.stl",
                    "Q2b_EN.stl", "Q2c_EN.stl", "D2d_EN.stl", "S2s_EN.stl", "Q2d_EN.stl"});
    if (HasFatalFailure())
        return;
    WriteSettings({one, two}, "00000064");
    const std::string registryBefore = ReadText(registry);
    // Left by an earlier run: the conversion must refuse to overwrite it.
    const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    WriteBytes(two.Out + "/D2d_EN.stl", earlier);

    TWatchProcess watch(registry, trace, errFile);
    ASSERT_TRUE(watch.WaitForLine("Watch folder conversion armed.")) << ReadText(errFile);

    // Each folder is fed by its own thread, both at once. A file lands only after the line
    // of the one before it came, so the order of arrival is known; files that land while a
    // slow copy is under way must not wait for it.
    std::string problemsOne, problemsTwo;
    bool heldOpenOne = false, heldOpenTwo = false;
    TClock::time_point closedOne, closedTwo;
    std::vector<std::string> linesOne, linesTwo;
    auto await = [&watch](const std::string& line, std::string& problems,
                          const std::function<void()>& meanwhile) {
        const auto deadline = TClock::now() + kDeadline;
        while (!watch.WaitForLine(line, 0s)) {
            if (TClock::now() > deadline) {
                problems += "no line \"" + line + "\"\n";
                return;
            }
            if (meanwhile)
                meanwhile();
            std::this_thread::sleep_for(5ms);
        }
    };

    std::thread feedOne([&] {
        TSlowWriter slow(one.In + "/S1s_EN.stl", Source("S1s_EN.stl"), one.Out + "/S1s_EN.stl");
        if (!slow.Opened()) {
            problemsOne += "cannot create S1s_EN.stl\n";
            return;
        }
        auto step = [&slow] { slow.Step(); };
        for (const char* name : {"Q1a_EN.stl", "Q1b_EN.stl"}) {
            linesOne.push_back(Converting(Land(one, name)));
            await(linesOne.back(), problemsOne, step);
        }
        slow.Finish();
        heldOpenOne = slow.ConvertedWhileOpen();
        closedOne = slow.Closed();
        linesOne.push_back(Converting(one.In + "/S1s_EN.stl"));
        await(linesOne.back(), problemsOne, nullptr);
        linesOne.push_back(Converting(Land(one, "Q1c_EN.stl")));
        await(linesOne.back(), problemsOne, nullptr);
    });

    std::thread feedTwo([&] {
        // Three at once: they come in the order the folder lists them.
        for (const char* name : {"Q2a_EN.stl", "Q2b_EN.stl", "Q2c_EN.stl"})
            linesTwo.push_back(Converting(Land(two, name)));
        for (size_t i = 0; i < 3; ++i)
            await(linesTwo[i], problemsTwo, nullptr);
        const std::string duplicate = Land(two, "D2d_EN.stl");
        linesTwo.push_back(Converting(duplicate));
        linesTwo.push_back("Error - Duplicated destination STL file " + two.Out + "/D2d_EN.stl");
        linesTwo.push_back("Error - Error converting STL file " + duplicate);
        await(linesTwo.back(), problemsTwo, nullptr);
        {
            TSlowWriter slow(two.In + "/S2s_EN.stl", Source("S2s_EN.stl"), two.Out + "/S2s_EN.stl");
            if (!slow.Opened()) {
                problemsTwo += "cannot create S2s_EN.stl\n";
                return;
            }
            slow.Finish();
            heldOpenTwo = slow.ConvertedWhileOpen();
            closedTwo = slow.Closed();
        }
        linesTwo.push_back(Converting(two.In + "/S2s_EN.stl"));
        await(linesTwo.back(), problemsTwo, nullptr);
        linesTwo.push_back(Converting(Land(two, "Q2d_EN.stl")));
        await(linesTwo.back(), problemsTwo, nullptr);
    });
    feedOne.join();
    feedTwo.join();
    EXPECT_EQ(problemsOne, "");
    EXPECT_EQ(problemsTwo, "");

    watch.Signal(SIGTERM);
    const int status = watch.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadText(errFile), "");
    EXPECT_FALSE(fs::exists(trace) && !ReadText(trace).empty()) << ReadText(trace);

    // Standard output: armed, the lines of both folders interleaved, disarmed.
    const std::vector<std::string> out = watch.Texts();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.front(), "Watch folder conversion armed.");
    EXPECT_EQ(out.back(), "Watch folder conversion disarmed.");
    auto linesOf = [&out](const TWatchedFolder& folder) {
        std::vector<std::string> lines;
        for (const std::string& line : out)
            if (line.find(folder.In + "/") != std::string::npos ||
                line.find(folder.Out + "/") != std::string::npos)
                lines.push_back(line);
        return lines;
    };
    EXPECT_EQ(linesOf(one), linesOne);
    std::vector<std::string> seenTwo = linesOf(two);
    // The burst of three may come in any order, each once.
    ASSERT_EQ(seenTwo.size(), linesTwo.size()) << ::testing::PrintToString(seenTwo);
    std::sort(seenTwo.begin(), seenTwo.begin() + 3);
    std::sort(linesTwo.begin(), linesTwo.begin() + 3);
    EXPECT_EQ(seenTwo, linesTwo);
    EXPECT_EQ(out.size(), linesOne.size() + linesTwo.size() + 2);

    // Nothing was converted while its copier still held it open.
    EXPECT_FALSE(heldOpenOne);
    EXPECT_FALSE(heldOpenTwo);
    EXPECT_GE(watch.ReadAt(Converting(one.In + "/S1s_EN.stl")), closedOne);
    EXPECT_GE(watch.ReadAt(Converting(two.In + "/S2s_EN.stl")), closedTwo);

    // Every destination holds the conversion of its whole source; the refused one is untouched.
    for (const auto& [folder, names] :
         {std::pair{one, std::vector<std::string>{"Q1a_EN.stl", "Q1b_EN.stl", "S1s_EN.stl",
                                                  "Q1c_EN.stl"}},
          std::pair{two, std::vector<std::string>{"Q2a_EN.stl", "Q2b_EN.stl", "Q2c_EN.stl",
                                                  "S2s_EN.stl", "Q2d_EN.stl"}}})
        for (const std::string& name : names) {
            const std::vector<uint8_t> converted = ReadBytes(folder.Out + "/" + name);
            EXPECT_TRUE(converted == Expected(name)) << name;
            ASSERT_GE(converted.size(), 1024u) << name;
            // The stored first-in-cue time code, which the window cannot show, applies.
            EXPECT_EQ(std::string(converted.begin() + 264, converted.begin() + 272), "10000012")
                << name;
        }
    EXPECT_TRUE(ReadBytes(two.Out + "/D2d_EN.stl") == earlier);

    // The Watch Folder page's daily files got the same lines, and the settings file was
    // not written.
    std::vector<std::string> logLines, messageLines;
    for (const std::string& line : out)
        (line.rfind("Error - ", 0) == 0 ? messageLines : logLines).push_back(line);
    EXPECT_EQ(DailyLines(dir.File("logs") + "/STL_OpSeq_Logs_WatchFolder_" + Today() + ".txt"),
              logLines);
    EXPECT_EQ(DailyLines(dir.File("messages") + "/STL_Messages_WatchFolder_" + Today() + ".txt"),
              messageLines);
    EXPECT_EQ(ReadText(registry), registryBefore);
}

// An hour-long poll interval and a signal a moment after arming: the run still ends at
// once, cleanly.
// SIGHUP: the settings file read again, every folder that stays keeping what it knows. A file
// that cannot be read whole (not a settings file, missing, cut short) leaves the folders as
// they were; a storm of SIGHUPs changes nothing.
TEST_F(WatchCommandTest, ReloadOnSighupTakesTheNewSettingsAndConvertsNothingTwice) {
    REQUIRE_REAL_STL_FILES();
    const TWatchedFolder one = MakeFolder("one"), two = MakeFolder("two"),
                         three = MakeFolder("three");
    PrepareSources({"Q1a_EN.stl", "Q2a_EN.stl", "Q2b_EN.stl", "Q3a_EN.stl"});
    if (HasFatalFailure())
        return;
    WriteSettings({one, two}, "00000064");
    TWatchProcess watch(registry, trace, errFile);
    ASSERT_TRUE(watch.WaitForLine("Watch folder conversion armed.")) << ReadText(errFile);
    ASSERT_TRUE(watch.WaitForLine(Converting(Land(one, "Q1a_EN.stl"))));
    ASSERT_TRUE(watch.WaitForLine(Converting(Land(two, "Q2a_EN.stl"))));

    // The changes as an operator makes them, with the service running.
    setenv("CAPLIN_REGISTRY", registry.c_str(), 1);
    std::ostringstream out, err;
    EXPECT_EQ(RunCliArgs(
                  {"watch-folders", "update", "2", "LanguageSource=1", "LanguagePredefined=French"},
                  out, err),
              0)
        << err.str();
    EXPECT_EQ(
        RunCliArgs({"watch-folders", "add", three.In, three.Out, "LanguageSource=1"}, out, err), 0)
        << err.str();
    unsetenv("CAPLIN_REGISTRY");
    const std::string changed = ReadText(registry);

    const std::string cannot = "Error - Cannot reload the settings file " + registry;
    const size_t third = changed.find("WF_2]");
    ASSERT_NE(third, std::string::npos);
    const struct {
        const char* Name;
        std::function<void()> Make;
        std::string Reason;
    } refused[] = {
        {"not a settings file", [&] { WriteText(registry, "#!/bin/sh\n"); },
         "it is not a settings file"},
        {"missing", [&] { fs::remove(registry); }, "No such file or directory"},
        {"cut within a line", [&] { WriteText(registry, changed.substr(0, third + 30)); }, ""},
        {"cut before an entry", [&] { WriteText(registry, changed.substr(0, third - 60)); },
         "it names 3 watch folders but holds 2"},
    };
    size_t errors = 0;
    for (const auto& c : refused) {
        SCOPED_TRACE(c.Name);
        c.Make();
        watch.Signal(SIGHUP);
        const auto deadline = TClock::now() + kDeadline;
        std::vector<std::string> texts;
        while (TClock::now() < deadline &&
               (texts = watch.Texts(),
                size_t(std::count(texts.begin(), texts.end(), cannot)) <= errors))
            std::this_thread::sleep_for(5ms);
        ASSERT_EQ(size_t(std::count(texts.begin(), texts.end(), cannot)), ++errors);
        const auto error = std::find(texts.rbegin(), texts.rend(), cannot).base();
        ASSERT_NE(error, texts.end());
        if (!c.Reason.empty())
            EXPECT_EQ(*error, "Info - Reason: " + c.Reason);
        else
            EXPECT_TRUE(
                std::regex_match(*error, std::regex("Info - Reason: line \\d+ cannot be read")))
                << *error;
    }

    WriteText(registry, changed);
    watch.Signal(SIGHUP);
    ASSERT_TRUE(
        watch.WaitForLine("Watch folder settings reloaded: 1 added, 0 removed, 1 changed."));
    for (int n = 0; n < 100; ++n) {
        watch.Signal(SIGHUP);
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(
        watch.WaitForLine("Watch folder settings reloaded: 0 added, 0 removed, 0 changed."));
    ASSERT_TRUE(watch.WaitForLine(Converting(Land(two, "Q2b_EN.stl"))));
    ASSERT_TRUE(watch.WaitForLine(Converting(Land(three, "Q3a_EN.stl"))));
    watch.Signal(SIGTERM);
    const int status = watch.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // Folder 2 writes French from now on; what it converted before stays as it was.
    EXPECT_EQ(ReadBytes(two.Out + "/Q2a_EN.stl"), Expected("Q2a_EN.stl"));
    const std::vector<uint8_t> french = ReadBytes(two.Out + "/Q2b_EN.stl");
    ASSERT_GE(french.size(), 16u);
    EXPECT_EQ(std::string(french.begin() + 14, french.begin() + 16), "0F");
    EXPECT_TRUE(fs::exists(three.Out + "/Q3a_EN.stl"));
    size_t conversions = 0;
    for (const std::string& text : watch.Texts()) {
        conversions += text.rfind("Converting STL file", 0) == 0;
        if (text.rfind("Error", 0) == 0) {
            EXPECT_EQ(text, cannot);
        }
    }
    EXPECT_EQ(conversions, 4u);
    EXPECT_EQ(watch.Texts().back(), "Watch folder conversion disarmed.");
}

class WatchCommandSignalTest : public WatchCommandTest,
                               public ::testing::WithParamInterface<int> {};

TEST_P(WatchCommandSignalTest, EndsPromptlyAndCleanly) {
    const TWatchedFolder folder = MakeFolder("idle");
    WriteSettings({folder}, "0036ee80");
    TWatchProcess watch(registry, trace, errFile);
    ASSERT_TRUE(watch.WaitForLine("Watch folder conversion armed.")) << ReadText(errFile);

    // The polling thread blocks both signals (the loop's thread takes them in its wait, when
    // the kernel shows them unblocked), so none of them can die of the default action.
    int pollingThreads = 0;
    const std::string process = std::to_string(watch.Pid());
    for (const auto& task : fs::directory_iterator("/proc/" + process + "/task")) {
        if (task.path().filename() == process)
            continue;
        ++pollingThreads;
        std::string blocked;
        for (const std::string& line : Lines(ReadText((task.path() / "status").string())))
            if (line.rfind("SigBlk:", 0) == 0)
                blocked = TrimText(line.substr(7));
        const unsigned long long stops =
            (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1)) | (1ULL << (SIGHUP - 1));
        EXPECT_EQ(std::stoull(blocked, nullptr, 16) & stops, stops)
            << task.path() << " SigBlk " << blocked;
    }
    EXPECT_EQ(pollingThreads, 1);

    const auto sent = TClock::now();
    watch.Signal(GetParam());
    const int status = watch.WaitForExit();
    const auto took = TClock::now() - sent;
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(took, 2s);
    EXPECT_EQ(watch.Texts(), (std::vector<std::string>{"Watch folder conversion armed.",
                                                       "Watch folder conversion disarmed."}));
    EXPECT_EQ(ReadText(errFile), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, WatchCommandSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(param.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

TEST_F(WatchCommandTest, RefusesToRunWithoutAStoredWatchFolder) {
    // The page's message, then where the command looked and how to store a folder.
    const std::string noFolder = "There are no watch folder specified.\ncaplin-cli: the settings "
                                 "file " +
                                 registry +
                                 " holds no watch folder; add one with: caplin-cli watch-folders "
                                 "add WATCH_DIR DEST_DIR\n";
    struct {
        const char* Name;
        std::function<void()> Prepare;
        std::string Err;
    } cases[] = {
        {"no watch folder key", [&] { WriteSettings({}, ""); }, noFolder},
        {"a count of 0", [&] { WriteSettings({}, "00000064"); }, noFolder},
        // A folder where the settings file should be cannot be read as one.
        {"unreadable settings file", [&] { fs::create_directory(registry); },
         "caplin-cli: cannot read the settings file " + registry + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(registry);
        c.Prepare();
        const auto before = fs::is_regular_file(registry) ? ReadText(registry) : "";
        TWatchProcess watch(registry, trace, errFile);
        const int status = watch.WaitForExit();
        ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
        EXPECT_EQ(WEXITSTATUS(status), CLI_EXIT_USAGE);
        EXPECT_EQ(ReadText(errFile), c.Err);
        EXPECT_TRUE(watch.Texts().empty());
        EXPECT_TRUE(fs::is_empty(dir.File("logs")));
        EXPECT_TRUE(fs::is_empty(dir.File("messages")));
        if (fs::is_regular_file(registry)) {
            EXPECT_EQ(ReadText(registry), before);
        }
    }
}

} // namespace
