// The registry form of one playlist-check entry and of the list of entries.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/Registry.h"
#include "playlist/PlaylistCheckList.h"
#include "playlist/PlaylistCheckSettings.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

const std::string kEntry = std::string(kPlaylistsCheckKey) + "PC_0\\";
const std::string kLanguages = kEntry + "Languages";

TPlaylistCheckSettings Sample(const std::string& lists = "/lists/",
                              const std::string& subs = "/subs/") {
    TPlaylistCheckSettings settings;
    settings.PlaylistsFolder = lists;
    settings.SubtitlesFolder = subs;
    settings.LanguageCheckList = {9, 15, 0};
    settings.Comment = "night";
    settings.MissingsLogFolder = "/logs/";
    settings.CheckClipsWidhDurationOver = true;
    settings.ClipsDurationThreasholdSeconds = 12.5;
    return settings;
}

auto Fields(const TPlaylistCheckSettings& s) {
    return std::tie(s.PlaylistsFolder, s.SubtitlesFolder, s.LanguageCheckList, s.Comment,
                    s.MissingsLogFolder, s.CheckClipsWidhDurationOver,
                    s.ClipsDurationThreasholdSeconds);
}

class Settings : public ::testing::Test {
protected:
    Settings() { TSettingsStore::Global().Clear(); }
    ~Settings() override { TSettingsStore::Global().Clear(); }

    static TRegistry Open(const std::string& key) {
        TRegistry registry;
        EXPECT_TRUE(registry.OpenKey(key, true)) << key;
        return registry;
    }
    static int32_t Stored(const std::string& key, const std::string& name) {
        int32_t value = -1;
        EXPECT_TRUE(Open(key).ReadInteger(name, value)) << name;
        return value;
    }

    TraceCapture trace;
};

// Saved under a key path without its final backslash, loaded with it: the languages are in
// the same subkey either way.
TEST_F(Settings, RoundTripKeepsEveryFieldAndTheThresholdAsEightRawBytes) {
    ASSERT_TRUE(Sample().SaveToRegistry(kEntry.substr(0, kEntry.size() - 1), "Languages"));
    std::vector<uint8_t> raw;
    ASSERT_TRUE(Open(kEntry).ReadBinary("ClipsDurationThreasholdSeconds", raw));
    EXPECT_EQ(raw, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0x29, 0x40}));
    EXPECT_EQ(Stored(kEntry, "CheckClipsWidhDurationOver"), 1);
    EXPECT_EQ(Stored(kLanguages, "LangsCount"), 3);

    TPlaylistCheckSettings loaded;
    ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
    EXPECT_EQ(Fields(loaded), Fields(Sample()));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Settings, LoadAppendsASlashToEachNonEmptyFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"/srv/lists", "/srv/lists/"}, {"/srv/lists/", "/srv/lists/"}, {"", ""}};
    for (const auto& [stored, expected] : cases) {
        TRegistry entry = Open(kEntry);
        for (const char* name :
             {"PlaylistsFolder", "SubtitlesFolder", "MissingsLogFolder", "Comment"})
            entry.WriteString(name, stored);
        TPlaylistCheckSettings loaded;
        ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
        EXPECT_EQ(loaded.PlaylistsFolder, expected);
        EXPECT_EQ(loaded.SubtitlesFolder, expected);
        EXPECT_EQ(loaded.MissingsLogFolder, expected);
        EXPECT_EQ(loaded.Comment, stored);
    }
}

TEST_F(Settings, MissingOrMistypedValuesGiveEmptyFieldsWithoutStoppingTheOthers) {
    TRegistry entry = Open(kEntry);
    entry.WriteInteger("PlaylistsFolder", 5);
    entry.WriteString("SubtitlesFolder", "/subs");
    entry.WriteString("CheckClipsWidhDurationOver", "1");
    entry.WriteInteger("ClipsDurationThreasholdSeconds", 12);
    TPlaylistCheckSettings loaded = Sample();
    ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
    TPlaylistCheckSettings expected;
    expected.SubtitlesFolder = "/subs/";
    expected.LanguageCheckList = Sample().LanguageCheckList; // no languages key: kept
    EXPECT_EQ(Fields(loaded), Fields(expected));

    entry.WriteInteger("CheckClipsWidhDurationOver", 7); // any non-zero value is true
    ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
    EXPECT_TRUE(loaded.CheckClipsWidhDurationOver);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Settings, LanguageListSkipsMissingValuesAndWritesAMissingCountBackAsZero) {
    TRegistry languages = Open(kLanguages);
    languages.WriteInteger("LangsCount", 3);
    languages.WriteInteger("LangID_0", 9);
    languages.WriteInteger("LangID_2", 15);
    languages.WriteInteger("LangID_3", 16); // beyond the count
    std::vector<int32_t> codes = {1, 2, 3, 4};
    ASSERT_TRUE(LoadLanguageCheckListFromRegistry(kLanguages, &codes));
    EXPECT_EQ(codes, (std::vector<int32_t>{9, 15}));

    TSettingsStore::Global().DeleteValue(kLanguages, "LangsCount");
    ASSERT_TRUE(LoadLanguageCheckListFromRegistry(kLanguages, &codes));
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(Stored(kLanguages, "LangsCount"), 0);
}

TEST_F(Settings, ShorterSaveLeavesStaleValuesThatAreNotReadBack) {
    const std::vector<int32_t> three = {1, 2, 3}, two = {7, 8};
    ASSERT_TRUE(SaveLanguageCheckListToRegistry(kLanguages, &three));
    ASSERT_TRUE(SaveLanguageCheckListToRegistry(kLanguages, &two));
    EXPECT_EQ(Stored(kLanguages, "LangID_2"), 3);
    std::vector<int32_t> loaded;
    ASSERT_TRUE(LoadLanguageCheckListFromRegistry(kLanguages, &loaded));
    EXPECT_EQ(loaded, two);
}

TEST_F(Settings, LanguageListFunctionsRefuseANullList) {
    EXPECT_FALSE(SaveLanguageCheckListToRegistry(kLanguages, nullptr));
    EXPECT_FALSE(LoadLanguageCheckListFromRegistry(kLanguages, nullptr));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "vlm: Error in SaveLanguageCheckListToRegistry - invalid arguments.",
                  "vlm: Error in LoadLanguageCheckListFromRegistry - invalid arguments."}));
}

TEST_F(Settings, ListRoundTripAppendsAndLeavesKeysOfALongerListInPlace) {
    TPlaylistCheckList list;
    for (const char* name : {"a", "b", "c"})
        list.Entries.push_back(std::make_unique<TPlaylistCheckSettings>(
            Sample(std::string("/") + name + "/", std::string("/s") + name + "/")));
    list.Entries[1]->LanguageCheckList = {10};
    ASSERT_TRUE(list.SaveRegistryPlaylistCheckLists());
    list.Entries.pop_back();
    ASSERT_TRUE(list.SaveRegistryPlaylistCheckLists());
    EXPECT_EQ(Stored(kPlaylistsCheckKey, "PlaylistsCheckListCount"), 2);
    EXPECT_TRUE(TRegistry().KeyExists(TPlaylistCheckList::EntryKey(2)));

    TPlaylistCheckList loaded;
    ASSERT_TRUE(loaded.LoadRegistryPlaylistCheckLists());
    ASSERT_TRUE(loaded.LoadRegistryPlaylistCheckLists());
    ASSERT_EQ(loaded.Entries.size(), 4u);
    for (size_t n = 0; n < 4; ++n)
        EXPECT_EQ(Fields(*loaded.Entries[n]), Fields(*list.Entries[n % 2])) << n;
}

TEST_F(Settings, ListCountWithoutEntryKeysLoadsEmptyEntries) {
    TPlaylistCheckList list;
    ASSERT_TRUE(list.LoadRegistryPlaylistCheckLists());
    EXPECT_TRUE(list.Entries.empty());
    Open(kPlaylistsCheckKey).WriteInteger("PlaylistsCheckListCount", 2);
    ASSERT_TRUE(list.LoadRegistryPlaylistCheckLists());
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(Fields(*list.Entries[1]), Fields(TPlaylistCheckSettings()));
}

// A damaged count is capped, but a real list longer than the cap loads whole, so that the
// next save cannot drop its tail.
TEST_F(Settings, ListCountBeyondTheCapLoadsOnlyEntriesThatExist) {
    for (int n = 1020; n < 1030; ++n) {
        TRegistry entry = Open(TPlaylistCheckList::EntryKey(static_cast<size_t>(n)));
        entry.WriteString("Comment", "entry " + std::to_string(n));
    }
    Open(kPlaylistsCheckKey).WriteInteger("PlaylistsCheckListCount", 2000000000);
    TPlaylistCheckList list;
    ASSERT_TRUE(list.LoadRegistryPlaylistCheckLists());
    ASSERT_EQ(list.Entries.size(), 1030u);
    EXPECT_EQ(list.Entries[1029]->Comment, "entry 1029");
    EXPECT_EQ(list.Entries[0]->Comment, "");
    ASSERT_TRUE(list.SaveRegistryPlaylistCheckLists());
    EXPECT_EQ(Stored(kPlaylistsCheckKey, "PlaylistsCheckListCount"), 1030);
}

// Eight raw bytes can hold a NaN; it would fail every duration test without a word.
TEST_F(Settings, ThresholdThatIsNotANumberLoadsAsZero) {
    TRegistry entry = Open(kEntry);
    entry.WriteFloat("ClipsDurationThreasholdSeconds", std::nan(""));
    TPlaylistCheckSettings loaded = Sample();
    ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
    EXPECT_EQ(loaded.ClipsDurationThreasholdSeconds, 0.0);
    entry.WriteFloat("ClipsDurationThreasholdSeconds", 12.7);
    ASSERT_TRUE(loaded.LoadFromRegistry(kEntry, "Languages"));
    EXPECT_EQ(loaded.ClipsDurationThreasholdSeconds, 12.7);
}

TEST_F(Settings, ListFindsAFolderPairTrimmedAndIgnoringCase) {
    TPlaylistCheckList list;
    list.Entries.push_back(std::make_unique<TPlaylistCheckSettings>(Sample("/L/", "/S/")));
    const std::tuple<const char*, const char*, bool> cases[] = {{"/L/", "/S/", true},
                                                                {" /l/\t", "/s/ ", true},
                                                                {"/L/", "/X/", false},
                                                                {"/X/", "/S/", false},
                                                                {"/L", "/S/", false}};
    for (const auto& [lists, subs, found] : cases)
        EXPECT_EQ(list.IsPlayListFolderInList(lists, subs), found) << lists << " " << subs;
}

} // namespace
