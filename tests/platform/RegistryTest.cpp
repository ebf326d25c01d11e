// TRegistry and the key tree of TSettingsStore: typed values, names that ignore case,
// and the round trip through the settings-file text.
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

const std::string kBatch = "Software\\Velmora\\Caplin\\Batch";

// A copy of store made through its file text, as a save and a later load would make it.
void Reload(const TSettingsStore& from, TSettingsStore& to) {
    ASSERT_TRUE(to.LoadFromText(from.SaveToText(), "reload"));
}

TEST(Registry, EveryTypeSurvivesTheFileText) {
    TSettingsStore store;
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey(kBatch, true));
    std::vector<uint8_t> longBytes(100);
    for (size_t i = 0; i < longBytes.size(); ++i)
        longBytes[i] = uint8_t(i * 7);
    std::string all; // every byte, line breaks and NUL included
    for (int c = 0; c < 256; ++c)
        all += char(c);
    EXPECT_TRUE(reg.WriteString("AllBytes", all));
    EXPECT_TRUE(reg.WriteString("Last", "ends in backslash\\"));
    EXPECT_TRUE(reg.WriteInteger("Negative", -2));
    EXPECT_TRUE(reg.WriteBool("Flag", true));
    EXPECT_TRUE(reg.WriteFloat("Tiny", -1e-300));
    EXPECT_TRUE(reg.WriteBinary("Long", longBytes));
    EXPECT_TRUE(reg.WriteBinary("Empty", {}));

    TSettingsStore copy;
    Reload(store, copy);
    TRegistry back(copy);
    ASSERT_TRUE(back.OpenKey(kBatch, false));
    std::string text, last;
    int32_t number = 0;
    bool flag = false;
    double value = 0;
    std::vector<uint8_t> bytes, empty{1};
    EXPECT_TRUE(back.ReadString("AllBytes", text) && back.ReadString("Last", last));
    EXPECT_EQ(text, all);
    EXPECT_EQ(last, "ends in backslash\\");
    EXPECT_TRUE(back.ReadInteger("Negative", number) && back.ReadBool("Flag", flag));
    EXPECT_EQ(number, -2);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(back.ReadFloat("Tiny", value));
    EXPECT_EQ(value, -1e-300);
    EXPECT_TRUE(back.ReadBinary("Long", bytes) && back.ReadBinary("Empty", empty));
    EXPECT_EQ(bytes, longBytes);
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(copy.SaveToText(), store.SaveToText());
}

TEST(Registry, FileTextHasTheExportLayout) {
    TSettingsStore store;
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey(kBatch, true));
    reg.WriteString("Name", "a\\b");
    reg.WriteInteger("TapeIDSource", 10);
    reg.WriteFloat("Threshold", 12.5);
    EXPECT_EQ(store.SaveToText(), "Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_CURRENT_USER\\Software]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Velmora]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch]\n"
                                  "\"Name\"=\"a\\\\b\"\n"
                                  "\"TapeIDSource\"=dword:0000000a\n"
                                  "\"Threshold\"=hex:00,00,00,00,00,00,29,40\n\n");
    // Long raw values are wrapped as regedit wraps them.
    reg.WriteBinary("Long", std::vector<uint8_t>(300, 0xAB));
    std::istringstream lines(store.SaveToText());
    size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_LE(line.size(), 80u) << line;
    EXPECT_GT(count, 20u);
}

TEST(Registry, NamesIgnoreCaseAndKeepTheFirstWrittenCase) {
    TSettingsStore store;
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("Software\\Velmora\\Caplin\\Batch", true));
    reg.WriteString("DestinationFolder", "one");
    reg.WriteInteger("Count", 1);
    reg.WriteString("DESTINATIONFOLDER", "two");

    TRegistry other(store);
    ASSERT_TRUE(other.OpenKey("\\SOFTWARE\\velmora\\\\caplin\\BATCH\\", false));
    std::string text;
    EXPECT_TRUE(other.ReadString("destinationfolder", text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(other.OpenKey("software\\VELMORA\\Caplin\\batch\\Sub", true));

    const std::string saved = store.SaveToText();
    EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch\\Sub]"),
              std::string::npos);
    // The overwritten value keeps its place before Count.
    EXPECT_NE(saved.find("\"DestinationFolder\"=\"two\"\n\"Count\""), std::string::npos);
    EXPECT_EQ(saved.find("DESTINATIONFOLDER"), std::string::npos);
    EXPECT_EQ(saved.find("batch"), std::string::npos);
}

TEST(Registry, KeysWithoutValuesExistAfterTheRoundTrip) {
    TSettingsStore store;
    ASSERT_TRUE(store.CreateKey("Software\\Velmora\\Caplin\\WatchFolder\\WF_0"));
    EXPECT_FALSE(store.KeyExists("Software\\Velmora\\Caplin\\WatchFolder\\WF_1"));
    TSettingsStore copy;
    Reload(store, copy);
    EXPECT_TRUE(copy.KeyExists("software\\velmora\\caplin\\watchfolder\\wf_0"));
    EXPECT_TRUE(copy.KeyExists("Software\\Velmora"));
    TRegistry reg(copy);
    EXPECT_FALSE(reg.OpenKey("Software\\Velmora\\Caplin\\WatchFolder\\WF_1", false));
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(copy.KeyExists("Software\\Velmora\\Caplin\\WatchFolder\\WF_1"));
}

TEST(Registry, KeysAreWrittenParentsFirstIgnoringCase) {
    TSettingsStore store;
    for (const char* path : {"zeta", "Alpha\\Beta", "alpha two", "ALPHA\\beta\\Gamma", "Alpha1"})
        store.CreateKey(path);
    EXPECT_EQ(store.KeyPaths(),
              (std::vector<std::string>{"Alpha", "Alpha\\Beta", "Alpha\\Beta\\Gamma", "alpha two",
                                        "Alpha1", "zeta"}));
}

TEST(Registry, DeleteKeyTakesItsSubkeysOnly) {
    TSettingsStore store;
    store.CreateKey("A\\B\\C");
    store.CreateKey("A\\BC");
    store.CreateKey("A\\B D");
    EXPECT_TRUE(store.DeleteKey("a\\b"));
    EXPECT_EQ(store.KeyPaths(), (std::vector<std::string>{"A", "A\\B D", "A\\BC"}));
    EXPECT_FALSE(store.DeleteKey("A\\B"));
}

// Each reader against each stored type: only the matching type reads, a failed read
// leaves its output alone, and ReadStringOrEmpty takes a missing value as empty.
TEST(Registry, OnlyTheStoredTypeReads) {
    TSettingsStore store;
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("Str", "text");
    reg.WriteInteger("Num", -1);
    reg.WriteFloat("Eight", 0.25);
    reg.WriteBinary("Three", {1, 2, 3});

    std::string s;
    int32_t i;
    bool b;
    std::vector<uint8_t> v;
    double d;
    auto reset = [&] { s = "?", i = 77, b = false, v = {9}, d = -7; };
    auto untouched = [&] { return s == "?" && i == 77 && !b && v.size() == 1 && d == -7; };
    using TRead = std::function<bool(const std::string&)>;
    const std::pair<TRead, const char*> rows[] = {
        // Str, Num, Eight, Three, Missing
        {[&](auto& n) { return reg.ReadString(n, s) && s == "text"; }, "10000"},
        {[&](auto& n) { return reg.ReadStringOrEmpty(n, s) && s == (n == "Str" ? "text" : ""); },
         "10001"},
        {[&](auto& n) { return reg.ReadInteger(n, i) && i == -1; }, "01000"},
        {[&](auto& n) { return reg.ReadBool(n, b) && b; }, "01000"},
        {[&](auto& n) { return reg.ReadBinary(n, v) && v.size() == (n == "Three" ? 3u : 8u); },
         "00110"},
        {[&](auto& n) { return reg.ReadFloat(n, d) && d == 0.25; }, "00100"},
    };
    const std::string names[] = {"Str", "Num", "Eight", "Three", "Missing"};
    for (size_t row = 0; row < std::size(rows); ++row)
        for (size_t col = 0; col < std::size(names); ++col) {
            reset();
            const bool ok = rows[row].first(names[col]);
            EXPECT_EQ(ok, rows[row].second[col] == '1') << "reader " << row << ", " << names[col];
            if (!ok) {
                EXPECT_TRUE(untouched()) << "reader " << row << ", " << names[col];
            }
        }
}

TEST(Registry, NothingReadsOrWritesWithoutAnOpenKey) {
    TSettingsStore store;
    TRegistry reg(store);
    std::string text;
    int32_t number;
    EXPECT_FALSE(reg.WriteString("A", "x"));
    EXPECT_FALSE(reg.WriteInteger("A", 1));
    EXPECT_FALSE(reg.ReadStringOrEmpty("A", text));
    ASSERT_TRUE(reg.OpenKey("K", true));
    EXPECT_TRUE(reg.WriteInteger("A", 1));
    reg.CloseKey();
    EXPECT_FALSE(reg.ReadInteger("A", number));
    EXPECT_FALSE(reg.ValueExists("A"));
    // A key deleted under an open handle takes no more values.
    ASSERT_TRUE(reg.OpenKey("K", false));
    ASSERT_TRUE(store.DeleteKey("K"));
    EXPECT_FALSE(reg.WriteInteger("A", 1));
    EXPECT_FALSE(store.KeyExists("K"));
}

} // namespace
