#include <gtest/gtest.h>

#include "session/MainSettings.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00\n\n";
const char* const kSection = "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n";

class MainSettingsTest : public ::testing::Test {
protected:
    void TearDown() override { TSettingsStore::Global().Clear(); }
    void Store(const std::string& values) {
        ASSERT_TRUE(
            TSettingsStore::Global().LoadFromText(kHeader + std::string(kSection) + values));
    }
    TempDir dir;
};

TEST_F(MainSettingsTest, DefaultsCentreTheWindowAndUseTheTemporaryFolder) {
    const TMainSettings s = DefaultMainSettings(1024, 768);
    EXPECT_EQ(s.FormLeft, 112);
    EXPECT_EQ(s.FormTop, 9);
    EXPECT_EQ(s.FormWidth, 800);
    EXPECT_EQ(s.FormHeight, 750);
    EXPECT_EQ(s.FPSSource, 1);
    EXPECT_EQ(s.FPS, "STL25.01");
    EXPECT_EQ(s.LogsOutputFolder, GetTmpPath());
    EXPECT_EQ(s.MessagesOutputFolder, GetTmpPath());
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
        {"", 1, "STL25.01", GetTmpPath(), GetTmpPath(), 0},
        {"\"FPSSource\"=dword:00000000\n\"FPS\"=\"STL30.01\"\n", 0, "STL30.01", GetTmpPath(),
         GetTmpPath(), 0},
        {"\"FPSSource\"=dword:00000005\n\"FPS\"=\"stl30.01\"\n", 0, "STL25.01", GetTmpPath(),
         GetTmpPath(), 0},
        {"\"FPSSource\"=dword:ffffffff\n\"FPS\"=\" STL30.01\"\n", 0, "STL25.01", GetTmpPath(),
         GetTmpPath(), 0},
        {"\"FPS\"=dword:00000001\n", 1, "STL25.01", GetTmpPath(), GetTmpPath(), 0},
        {"\"LogsOutputFolder\"=\"" + folder + "\"\n\"MessagesOutputFolder\"=\"" + folder +
             "/gone\"\n\"MessagesFilterIndex\"=dword:00000009\n",
         1, "STL25.01", folder, GetTmpPath(), 9},
        {"\"LogsOutputFolder\"=\"\"\n\"MessagesOutputFolder\"=\"" + folder + "\"\n", 1, "STL25.01",
         GetTmpPath(), folder, 0},
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

} // namespace
