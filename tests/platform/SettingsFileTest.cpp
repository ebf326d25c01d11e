// Reading settings files as users and Windows exports write them, and saving them without
// ever losing the previous file.
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using testsupport::ReadText;
using testsupport::TempDir;
using testsupport::TraceCapture;
using testsupport::WriteText;

namespace {

const std::string kHead = "Windows Registry Editor Version 5.00\n\n";

std::string ReadStr(TSettingsStore& store, const std::string& key, const std::string& name) {
    TRegistry reg(store);
    std::string text;
    if (!reg.OpenKey(key, false) || !reg.ReadString(name, text))
        return "<absent>";
    return text;
}

// Resets the fault hooks however a test ends.
struct FaultScope {
    ~FaultScope() { FileFaults() = TFileFaults(); }
};

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingsFile, ReadsAUtf16ExportWithMark) {
    const std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\r\n"
                                u"\"Name\"=\"D\u00FCsseldorf \U0001F3AC\"\r\n";
    std::string bytes;
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    TSettingsStore store;
    TraceCapture trace;
    ASSERT_TRUE(store.LoadFromText(bytes));
    EXPECT_EQ(ReadStr(store, "Software\\Velmora\\Caplin", "name"),
              "D\xC3\xBCsseldorf \xF0\x9F\x8E\xAC");
    EXPECT_TRUE(trace.Lines().empty());
}

TEST(SettingsFile, ReadsOldHeaderMarkCrLfCommentsAndContinuations) {
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n"
                             "; exported by hand\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                             "  ; indented comment\r\n"
                             "\"Bytes\"=hex:00,01,\\\r\n"
                             "  02,0a,\\\r\n"
                             "  ff\r\n"
                             "\"Flag\"=dword:FFFFFFFF\r\n"
                             "\"Path\"=\"C:\\\\x\\\"y\\\"\"\r\n"
                             "[hkey_current_user\\software\\a\\B]\r\n"
                             "[HKEY_CURRENT_USER]\r\n";
    TSettingsStore store;
    TraceCapture trace;
    ASSERT_TRUE(store.LoadFromText(text));
    EXPECT_TRUE(trace.Lines().empty()) << trace.Lines()[0];
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("software\\a", false));
    std::vector<uint8_t> bytes;
    int32_t number = 0;
    EXPECT_TRUE(reg.ReadBinary("Bytes", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 1, 2, 10, 255}));
    EXPECT_TRUE(reg.ReadInteger("Flag", number));
    EXPECT_EQ(number, -1);
    EXPECT_EQ(ReadStr(store, "Software\\A", "Path"), "C:\\x\"y\"");
    EXPECT_EQ(store.KeyPaths(),
              (std::vector<std::string>{"", "Software", "Software\\A", "Software\\A\\B"}));
}

// One bad line at line 5, between two good ones: it is skipped with the exact trace line
// and the rest of the file still loads.
struct TBadLine {
    const char* Name;
    const char* Line;
};

void PrintTo(const TBadLine& c, std::ostream* os) {
    *os << c.Name;
}

class SettingsBadLine : public testing::TestWithParam<TBadLine> {};

TEST_P(SettingsBadLine, IsSkippedAndTraced) {
    const std::string text = kHead + "[HKEY_CURRENT_USER\\K]\n\"Before\"=\"1\"\n" +
                             GetParam().Line + "\n\"After\"=\"2\"\n";
    TSettingsStore store;
    TraceCapture trace;
    ASSERT_TRUE(store.LoadFromText(text, "/home/u/registry.reg"));
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"vlm: Error in TSettingsStore.Load - "
                                                      "cannot parse /home/u/registry.reg line 5."});
    EXPECT_EQ(ReadStr(store, "K", "Before"), "1");
    EXPECT_EQ(ReadStr(store, "K", "After"), "2");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, SettingsBadLine, testing::Values(
    TBadLine{"NeitherKeyNorValue", "junk"},
    TBadLine{"StringNotClosed", "\"Open\"=\"no end"},
    TBadLine{"DwordOfNineDigits", "\"N\"=dword:12345678a"},
    TBadLine{"DwordEmpty", "\"N\"=dword:"},
    TBadLine{"DwordNotHexadecimal", "\"N\"=dword:xyz"},
    TBadLine{"HexNotHexadecimal", "\"H\"=hex:0g"},
    TBadLine{"HexEmptyByte", "\"H\"=hex:00,,01"},
    TBadLine{"HexByteOfThreeDigits", "\"H\"=hex:123"},
    TBadLine{"TextAfterString", "\"S\"=\"x\" tail"},
    TBadLine{"HexOfAnotherType", "\"E\"=hex(2):41,00"},
    TBadLine{"ValueDeletion", "\"D\"=-"},
    TBadLine{"NameWithoutValue", "\"NoValue\""},
    TBadLine{"QuoteInsideName", "\"Name=\"x\""},
    TBadLine{"KeyNotClosed", "[HKEY_CURRENT_USER\\K"}),
    [](const auto& c) { return std::string(c.param.Name); });
// clang-format on

TEST(SettingsFile, KeysThatAreNotOursAreSkipped) {
    const std::string text = kHead + "\"Early\"=\"no key yet\"\n" +
                             "[HKEY_LOCAL_MACHINE\\Software\\Velmora]\n\"M\"=\"machine\"\n" +
                             "\"Odd\"=hex(7):41,00,\\\n  00,00\n" +
                             "[-HKEY_CURRENT_USER\\Software\\Gone]\n\"G\"=\"gone\"\n" +
                             "[HKEY_CURRENT_USER\\Software\\Kept]\n\"K\"=\"kept\"\n";
    TSettingsStore store;
    TraceCapture trace;
    ASSERT_TRUE(store.LoadFromText(text, "x.reg"));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "vlm: Error in TSettingsStore.Load - cannot parse x.reg line 3.",
                  "vlm: Error in TSettingsStore.Load - skipped key outside HKEY_CURRENT_USER in "
                  "x.reg line 4.",
                  "vlm: Error in TSettingsStore.Load - skipped key deletion in x.reg line 8."}));
    EXPECT_EQ(store.KeyPaths(), (std::vector<std::string>{"Software", "Software\\Kept"}));
    EXPECT_EQ(ReadStr(store, "Software\\Kept", "K"), "kept");
}

TEST(SettingsFile, SavesAndLoadsThroughTheFile) {
    TempDir dir;
    const std::string path = dir.File("deep/er/registry.reg");
    TSettingsStore store;
    ASSERT_TRUE(store.Load(path)); // missing: empty, path remembered
    EXPECT_EQ(store.FilePath(), path);
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += char(c);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Velmora\\Caplin", true));
    reg.WriteString("AllBytes", all);
    ASSERT_TRUE(store.Save());
    const std::string saved = ReadText(path);
    EXPECT_EQ(saved, store.SaveToText());
    EXPECT_EQ(saved.find('\r'), std::string::npos);

    TSettingsStore other;
    ASSERT_TRUE(other.Load(path));
    EXPECT_EQ(ReadStr(other, "Software\\Velmora\\Caplin", "AllBytes"), all);
    EXPECT_EQ(FolderEntries(dir.File("deep/er")), std::vector<std::string>{"registry.reg"});
}

// Reads that return less than asked (a network mount, a signal) still give the whole file.
TEST(SettingsFile, ShortReadsLoadTheWholeFile) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    TSettingsStore store;
    TRegistry reg(store);
    for (int k = 0; k < 300; ++k) {
        ASSERT_TRUE(reg.OpenKey("Software\\Velmora\\Caplin\\K" + std::to_string(k), true));
        reg.WriteString("Folder", "/srv/in/" + std::string(200, char('a' + k % 26)));
        reg.WriteInteger("Count", k);
        reg.CloseKey();
    }
    ASSERT_TRUE(store.Save(path));
    ASSERT_GT(ReadText(path).size(), 65536u);

    FaultScope faults;
    int shortReads = 0;
    FileFaults().BeforeRead = [&](const std::string& p, int64_t) {
        shortReads += p == path;
        return p != path;
    };
    TSettingsStore other;
    ASSERT_TRUE(other.Load(path));
    EXPECT_GT(shortReads, 100);
    EXPECT_EQ(other.SaveToText(), store.SaveToText());
}

TEST(SettingsFile, EmptyFileIsAnEmptyStore) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    WriteText(path, "");
    TSettingsStore store;
    store.CreateKey("Old");
    TraceCapture trace;
    EXPECT_TRUE(store.Load(path));
    EXPECT_TRUE(store.KeyPaths().empty());
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_EQ(FolderEntries(dir.Path().string()), std::vector<std::string>{"registry.reg"});
}

TEST(SettingsFile, AReaderThatNeverSavesLeavesAForeignFileInPlace) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    WriteText(path, "my notes\n");
    TSettingsStore store;
    TraceCapture trace;
    EXPECT_FALSE(store.Load(path, false));
    EXPECT_TRUE(store.KeyPaths().empty());
    EXPECT_EQ(FolderEntries(dir.Path().string()), std::vector<std::string>{"registry.reg"});
    EXPECT_EQ(ReadText(path), "my notes\n");
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"vlm: Error in TSettingsStore.Load - " +
                                                      path + " is not a settings file."});
}

TEST(SettingsFile, ForeignFileIsRenamedAsideNotOverwritten) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    const std::string original = "my notes\nnot settings\n";
    WriteText(path, original);
    TSettingsStore store;
    TraceCapture trace;
    EXPECT_TRUE(store.Load(path));
    EXPECT_TRUE(store.KeyPaths().empty());
    const auto entries = FolderEntries(dir.Path().string());
    ASSERT_EQ(entries.size(), 1u);
    const std::string aside = entries[0];
    ASSERT_EQ(aside.rfind("registry.reg.corrupt-", 0), 0u);
    EXPECT_EQ(aside.size(), std::string("registry.reg.corrupt-YYYYMMDD-HHMMSS").size());
    EXPECT_EQ(ReadText(dir.File(aside)), original);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{
                                 "vlm: Error in TSettingsStore.Load - " + path +
                                 " is not a settings file, renamed to " + dir.File(aside) + "."});

    // A second foreign file within the same second gets a name of its own.
    WriteText(path, "again");
    EXPECT_TRUE(store.Load(path));
    store.CreateKey("New");
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadText(dir.File(aside)), original);
    EXPECT_EQ(FolderEntries(dir.Path().string()).size(), 3u);
}

TEST(SettingsFile, FailedSaveLeavesTheOldFileAlone) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    TSettingsStore store;
    store.CreateKey("Before");
    ASSERT_TRUE(store.Save(path));
    const std::string before = ReadText(path);
    store.CreateKey("After");

    FaultScope faults;
    struct TCase {
        const char* Reason;
        std::function<void()> Arm;
    };
    const TCase cases[] = {
        {"cannot write ",
         [] { FileFaults().BeforeWrite = [](const std::string&, int64_t) { return false; }; }},
        {"cannot rename ",
         [] {
             FileFaults().BeforeRename = [](const std::string&, const std::string&) {
                 return false;
             };
         }},
        {"cannot create ",
         [] { FileFaults().BeforeOpen = [](const std::string&) { return false; }; }},
    };
    for (const TCase& c : cases) {
        FileFaults() = TFileFaults();
        c.Arm();
        TraceCapture trace;
        EXPECT_FALSE(store.Save(path));
        ASSERT_EQ(trace.Lines().size(), 1u);
        EXPECT_EQ(trace.Lines()[0].rfind(std::string("vlm: Error in TSettingsStore.Save - ") +
                                             c.Reason + dir.File(".registry.reg.part-") +
                                             std::to_string(getpid()),
                                         0),
                  0u)
            << trace.Lines()[0];
        EXPECT_EQ(ReadText(path), before);
        EXPECT_EQ(FolderEntries(dir.Path().string()), std::vector<std::string>{"registry.reg"});
    }
}

TEST(SettingsFile, SaveUnderAFileFailsCleanly) {
    TempDir dir;
    WriteText(dir.File("plain"), "x");
    TSettingsStore store;
    store.CreateKey("K");
    TraceCapture trace;
    EXPECT_FALSE(store.Save(dir.File("plain/sub/registry.reg")));
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSettingsStore.Save - cannot create folder " +
                                       dir.File("plain/sub") + "."});
    EXPECT_EQ(ReadText(dir.File("plain")), "x");
}

TEST(SettingsFile, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    TSettingsStore store;
    store.CreateKey("Before");
    ASSERT_TRUE(store.Save(path));
    const std::string before = ReadText(path);
    store.CreateKey("After");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_FALSE(store.Save(path));
    chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadText(path), before);
}

// Readers and writers in several stores at once: every load sees a whole file.
TEST(SettingsFile, ConcurrentSavesNeverShowAHalfFile) {
    TempDir dir;
    const std::string path = dir.File("registry.reg");
    auto writer = [&](int id) {
        TSettingsStore store;
        TRegistry reg(store);
        reg.OpenKey("Writer" + std::to_string(id), true);
        reg.WriteBinary("Payload", std::vector<uint8_t>(4000, uint8_t(id)));
        for (int i = 0; i < 15; ++i)
            EXPECT_TRUE(store.Save(path));
    };
    TraceCapture trace;
    std::thread a(writer, 1), b(writer, 2);
    for (int i = 0; i < 30; ++i) {
        TSettingsStore reader;
        EXPECT_TRUE(reader.Load(path));
        EXPECT_LE(reader.KeyPaths().size(), 1u);
    }
    a.join();
    b.join();
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_EQ(FolderEntries(dir.Path().string()), std::vector<std::string>{"registry.reg"});
}

TEST(SettingsFile, DefaultPathFollowsTheEnvironment) {
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const char* name : {"CAPLIN_REGISTRY", "XDG_CONFIG_HOME", "HOME"})
        if (const char* value = std::getenv(name))
            saved.emplace_back(name, value);
        else
            saved.emplace_back(name, std::nullopt);
    setenv("HOME", "/home/op", 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("CAPLIN_REGISTRY");
    EXPECT_EQ(TSettingsStore::DefaultPath(), "/home/op/.config/caplin/registry.reg");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(TSettingsStore::DefaultPath(), "/cfg/caplin/registry.reg");
    setenv("CAPLIN_REGISTRY", "/srv/caplin.reg", 1);
    EXPECT_EQ(TSettingsStore::DefaultPath(), "/srv/caplin.reg");
    for (const auto& [name, value] : saved)
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
}

} // namespace
