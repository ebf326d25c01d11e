#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "platform/UserFolders.h"
#include "session/CaplinSession.h"
#include "session/MainSettings.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00\n\n";
const char* const kSection = "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n";

// Sets (or, with nullptr, unsets) one environment variable while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* previous = std::getenv(name);
        if (previous)
            previous_ = previous;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (previous_)
            setenv(name_, previous_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

class MainSettingsTest : public ::testing::Test {
protected:
    void TearDown() override { TSettingsStore::Global().Clear(); }
    void Store(const std::string& values) {
        ASSERT_TRUE(
            TSettingsStore::Global().LoadFromText(kHeader + std::string(kSection) + values));
    }
    TempDir dir;
    // The default folder of the daily files, inside the test's folder.
    ScopedEnv state{"XDG_STATE_HOME", dir.File("state").c_str()};
    const std::string logs = dir.File("state") + "/caplin/logs/";
};

TEST_F(MainSettingsTest, DefaultsCentreTheWindowAndUseTheStateFolder) {
    const TMainSettings s = DefaultMainSettings(1024, 768);
    EXPECT_EQ(s.FormLeft, 112);
    EXPECT_EQ(s.FormTop, 9);
    EXPECT_EQ(s.FormWidth, 800);
    EXPECT_EQ(s.FormHeight, 750);
    EXPECT_EQ(s.FPSSource, 1);
    EXPECT_EQ(s.FPS, "STL25.01");
    EXPECT_EQ(s.LogsOutputFolder, logs);
    EXPECT_EQ(s.MessagesOutputFolder, logs);
    EXPECT_EQ(s.MessagesFilterIndex, 0);
    // Halvings round toward zero on a screen smaller than the window.
    EXPECT_EQ(DefaultMainSettings(799, 749).FormLeft, 0);
    EXPECT_EQ(DefaultMainSettings(797, 747).FormTop, -1);
}

TEST_F(MainSettingsTest, StoredValuesAreNormalised) {
    const std::string folder = dir.Path().string();
    struct {
        std::string Values;
        int32_t FPSSource;
        std::string FPS;
        std::string Logs, Messages;
        int32_t Filter;
    } cases[] = {
        {"", 1, "STL25.01", logs, logs, 0},
        {"\"FPSSource\"=dword:00000000\n\"FPS\"=\"STL30.01\"\n", 0, "STL30.01", logs, logs, 0},
        {"\"FPSSource\"=dword:00000005\n\"FPS\"=\"stl30.01\"\n", 0, "STL25.01", logs, logs, 0},
        {"\"FPSSource\"=dword:ffffffff\n\"FPS\"=\" STL30.01\"\n", 0, "STL25.01", logs, logs, 0},
        {"\"FPS\"=dword:00000001\n", 1, "STL25.01", logs, logs, 0},
        {"\"LogsOutputFolder\"=\"" + folder + "\"\n\"MessagesOutputFolder\"=\"" + folder +
             "/gone\"\n\"MessagesFilterIndex\"=dword:00000009\n",
         1, "STL25.01", folder, logs, 9},
        {"\"LogsOutputFolder\"=\"\"\n\"MessagesOutputFolder\"=\"" + folder + "\"\n", 1, "STL25.01",
         logs, folder, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Values);
        Store(c.Values);
        TMainSettings s = DefaultMainSettings(1024, 768);
        ASSERT_TRUE(LoadMainSettings(s, false));
        EXPECT_EQ(s.FPSSource, c.FPSSource);
        EXPECT_EQ(s.FPS, c.FPS);
        EXPECT_EQ(s.LogsOutputFolder, c.Logs);
        EXPECT_EQ(s.MessagesOutputFolder, c.Messages);
        EXPECT_EQ(s.MessagesFilterIndex, c.Filter);
    }
}

TEST_F(MainSettingsTest, WriteBackCreatesOnlyTheBoundsAndFrameRateValues) {
    for (bool writeBack : {false, true}) {
        SCOPED_TRACE(writeBack);
        Store("\"FormTop\"=dword:00000020\n\"FPS\"=dword:00000001\n");
        TMainSettings s = DefaultMainSettings(1024, 768);
        ASSERT_TRUE(LoadMainSettings(s, writeBack));
        EXPECT_EQ(s.FormTop, 32);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(kCaplinKey, false));
        int32_t number = 0;
        std::string text;
        EXPECT_EQ(registry.ReadInteger("FormLeft", number), writeBack);
        if (writeBack) {
            EXPECT_EQ(number, 112);
        }
        EXPECT_EQ(registry.ReadInteger("FormHeight", number), writeBack);
        EXPECT_EQ(registry.ReadInteger("FPSSource", number), writeBack);
        // A value of another type is replaced by the current one.
        EXPECT_EQ(registry.ReadString("FPS", text), writeBack);
        EXPECT_FALSE(registry.ValueExists("LogsOutputFolder"));
        EXPECT_FALSE(registry.ValueExists("MessagesFilterIndex"));
    }
}

TEST_F(MainSettingsTest, AMissingKeyKeepsTheDefaultsAndWritesNothing) {
    ASSERT_TRUE(TSettingsStore::Global().LoadFromText(kHeader));
    TMainSettings s = DefaultMainSettings(1024, 768);
    ASSERT_TRUE(LoadMainSettings(s, true));
    EXPECT_EQ(s.FormTop, 9);
    EXPECT_TRUE(TSettingsStore::Global().KeyPaths().empty());
}

// Where the daily files go by default: a folder that outlives a reboot, found from the
// environment as the XDG base directories say.
TEST_F(MainSettingsTest, TheDefaultLogsFolderFollowsTheEnvironment) {
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    struct {
        const char* Name;
        const char* StateHome;
        const char* Home;
        std::string Expected;
    } cases[] = {
        {"state home", "/srv/state", "/home/op", "/srv/state/caplin/logs/"},
        {"state home with slash", "/srv/state/", "/home/op", "/srv/state/caplin/logs/"},
        {"empty state home", "", "/home/op", "/home/op/.local/state/caplin/logs/"},
        {"home", nullptr, "/home/op/", "/home/op/.local/state/caplin/logs/"},
        {"password database", nullptr, nullptr,
         std::string(user->pw_dir) + "/.local/state/caplin/logs/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ScopedEnv stateHome("XDG_STATE_HOME", c.StateHome);
        ScopedEnv home("HOME", c.Home);
        EXPECT_EQ(GetDefaultLogsPath(), c.Expected);
    }
}

// The default folder does not exist on a fresh account: nothing makes it at start, the first
// daily file does. A folder the operator chose is never made.
TEST_F(MainSettingsTest, TheDefaultLogsFolderIsMadeWithTheFirstDailyFile) {
    const std::string chosen = dir.File("chosen");
    for (const bool stored : {false, true}) {
        SCOPED_TRACE(stored);
        TCaplinSession session(TSessionOwner::CommandLine);
        session.InitializeConverter(1024, 768);
        EXPECT_FALSE(std::filesystem::exists(dir.File("state")));
        if (stored) // gone after the start, as a removed mount would be
            session.Logs().LogsOutputFolder = chosen;
        session.Logs().LogFunction("Batch conversion started.");
        EXPECT_EQ(FileExists(session.Logs().CurrentLogsFileName()), !stored);
        EXPECT_EQ(std::filesystem::exists(logs), !stored);
        EXPECT_FALSE(std::filesystem::exists(chosen));
        std::filesystem::remove_all(dir.File("state"));
    }
}

} // namespace
