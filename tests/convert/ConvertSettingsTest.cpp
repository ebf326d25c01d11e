// TSTLConvertSettings: copies, and persistence as one settings key with two list subkeys.
#include <gtest/gtest.h>

#include <tuple>

#include "convert/STLConvertSettings.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

const std::string KEY = kBatchKey;                               // with the trailing "\"
const std::string KEY_BARE = "Software\\Velmora\\Caplin\\Batch"; // without

// Every field set apart from the fresh state and from every fallback.
void Fill(TSTLConvertSettings& s, int types, int items) {
    for (int i = 0; i < types; ++i)
        s.SubtitleFileTypes.push_back(std::make_unique<TSubtitleFileType>(
            TSubtitleFileType{"T" + std::to_string(i), 10 + i, 2, 8, 11, 3, "s.stl"}));
    for (int i = 0; i < items; ++i)
        s.HexFindAndReplaceItems.push_back(std::make_unique<THexFindAndReplaceValue>(
            THexFindAndReplaceValue{2, 0x4100 + i, 0x4200 + i}));
    s.DestinationFolder = "/srv/out";
    s.TapeIDSource = 2;
    s.TapeIDPredefined = "TAPE0001";
    s.LanguageSource = 7; // outside the value set: kept as it is
    s.LanguagePredefined = "0F";
    s.PerformLanguageCheck = s.RemoveZeroPage = true;
    s.ZeroPageKeyWord = "ZERO";
    s.TimeCodeStartOfProgrammeSource = s.TimeCodeFirstInCueSource = 1;
    s.TimeCodeStartOfProgramme = "10000000";
    s.TimeCodeFirstInCue = "10000010";
    s.FramesPerSecondSource = 1;
    s.FramesPerSecond = "STL30.01";
    s.OverrideDestination = s.MoveProcessedFiles = true;
    s.MoveProcessedFilesFolder = "/srv/done";
    s.CodePageNumberSource = 6;
    s.CodePageNumberCustom = "865";
    s.CharacterCodeTableNumberSource = 4;
    s.DisplayStandardCodeSource = -1;
    s.QualityCheck = qcRefuse;
}

auto Scalars(const TSTLConvertSettings& s) {
    return std::tie(s.DestinationFolder, s.TapeIDSource, s.TapeIDPredefined, s.LanguageSource,
                    s.LanguagePredefined, s.PerformLanguageCheck, s.RemoveZeroPage,
                    s.ZeroPageKeyWord, s.TimeCodeStartOfProgrammeSource, s.TimeCodeStartOfProgramme,
                    s.TimeCodeFirstInCueSource, s.TimeCodeFirstInCue, s.FramesPerSecondSource,
                    s.FramesPerSecond, s.OverrideDestination, s.MoveProcessedFiles,
                    s.MoveProcessedFilesFolder, s.CodePageNumberSource, s.CodePageNumberCustom,
                    s.CharacterCodeTableNumberSource, s.DisplayStandardCodeSource, s.QualityCheck);
}

template <class T> auto Values(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<T> values;
    for (const auto& entry : list)
        values.push_back(*entry);
    return values;
}

class ConvertSettings : public ::testing::Test {
protected:
    void SetUp() override { TSettingsStore::Global().Clear(); }
    bool Load(TSTLConvertSettings& s, const std::string& key = KEY) {
        return s.LoadFromRegistry(key, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey);
    }
    bool Save(const TSTLConvertSettings& s, const std::string& key = KEY) {
        return s.SaveToRegistry(key, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey);
    }
    TraceCapture trace;
};

TEST_F(ConvertSettings, AssignCopiesEveryFieldAndAtMostSixteenListEntries) {
    TSTLConvertSettings source, target;
    Fill(source, 20, 20);
    Fill(target, 1, 1);
    target.SubtitleFileTypes[0]->Name = "former";
    EXPECT_TRUE(target.Assign(source));
    EXPECT_EQ(Scalars(target), Scalars(source));
    const auto types = Values(source.SubtitleFileTypes);
    const auto items = Values(source.HexFindAndReplaceItems);
    EXPECT_EQ(Values(target.SubtitleFileTypes), decltype(types)(types.begin(), types.begin() + 16));
    EXPECT_EQ(Values(target.HexFindAndReplaceItems),
              decltype(items)(items.begin(), items.begin() + 16));

    const TSTLConvertSettings fresh;
    EXPECT_TRUE(target.Assign(fresh));
    EXPECT_EQ(Scalars(target), Scalars(fresh));
    EXPECT_TRUE(target.SubtitleFileTypes.empty() && target.HexFindAndReplaceItems.empty());
    EXPECT_TRUE(source.Assign(source));
    EXPECT_EQ(source.SubtitleFileTypes.size(), 20u);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(ConvertSettings, FreshInstallationLoadsTheCreateState) {
    TSTLConvertSettings settings;
    EXPECT_TRUE(Load(settings));
    EXPECT_EQ(Scalars(settings), Scalars(TSTLConvertSettings()));
    EXPECT_TRUE(settings.SubtitleFileTypes.empty() && settings.HexFindAndReplaceItems.empty());
    EXPECT_TRUE(TSettingsStore::Global().KeyPaths().empty());
    EXPECT_TRUE(trace.Lines().empty());
}

class SettingsRoundTrip
    : public ConvertSettings,
      public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(SettingsRoundTrip, KeyWithOrWithoutBackslashAddressesTheSameValues) {
    TSTLConvertSettings saved, loaded;
    Fill(saved, 3, 2);
    ASSERT_TRUE(Save(saved, std::get<0>(GetParam())));
    // Through the settings-file text, as the next start of the program reads it.
    TSettingsStore& store = TSettingsStore::Global();
    ASSERT_TRUE(store.LoadFromText(store.SaveToText()));
    ASSERT_TRUE(Load(loaded, std::get<1>(GetParam())));
    EXPECT_EQ(Scalars(loaded), Scalars(saved));
    EXPECT_EQ(Values(loaded.SubtitleFileTypes), Values(saved.SubtitleFileTypes));
    EXPECT_EQ(Values(loaded.HexFindAndReplaceItems), Values(saved.HexFindAndReplaceItems));
    EXPECT_TRUE(store.KeyExists(KEY + "SubtitleFileType") &&
                store.KeyExists(KEY + "HexFindReplace"));
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, SettingsRoundTrip,
                         ::testing::Combine(::testing::Values(KEY, KEY_BARE),
                                            ::testing::Values(KEY, KEY_BARE)),
                         [](const auto& c) {
                             const auto spelling = [](const std::string& key) {
                                 return key.back() == '\\' ? "WithBackslash" : "Bare";
                             };
                             return "Saved" + std::string(spelling(std::get<0>(c.param))) +
                                    "Loaded" + spelling(std::get<1>(c.param));
                         });

TEST_F(ConvertSettings, SaveWritesStringsAndIntegers) {
    TSTLConvertSettings settings;
    Fill(settings, 0, 0);
    settings.RemoveZeroPage = false;
    ASSERT_TRUE(Save(settings));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, false));
    for (const char* name :
         {"DestinationFolder", "TapeIDPredefined", "LanguagePredefined", "ZeroPageKeyWord",
          "TimeCodeStartOfProgramme", "TimeCodeFirstInCue", "FramesPerSecond",
          "MoveProcessedFilesFolder", "CodePageNumberCustom"}) {
        std::string text;
        EXPECT_TRUE(registry.ReadString(name, text)) << name;
    }
    const std::vector<std::pair<const char*, int32_t>> numbers = {
        {"TapeIDSource", 2},
        {"LanguageSource", 7},
        {"PerformLanguageCheck", 1},
        {"RemoveZeroPage", 0},
        {"TimeCodeStartOfProgrammeSource", 1},
        {"TimeCodeFirstInCueSource", 1},
        {"FramesPerSecondSource", 1},
        {"OverrideDestination", 1},
        {"MoveProcessedFiles", 1},
        {"CodePageNumberSource", 6},
        {"CharacterCodeTableNumberSource", 4},
        {"DisplayStandardCodeSource", -1},
        {"QualityCheck", 2}};
    for (const auto& [name, value] : numbers) {
        int32_t number = 99;
        EXPECT_TRUE(registry.ReadInteger(name, number) && number == value) << name;
    }
}

enum TStored { Missing, AsString, AsDWord };

struct TFallbackCase {
    const char* Value;
    TStored Stored;
    std::string Expected; // the loaded field as text
};

void PrintTo(const TFallbackCase& c, std::ostream* os) {
    const char* const stored[] = {"Missing", "AsString", "AsDWord"};
    *os << c.Value << '_' << stored[c.Stored];
}

std::string FieldText(const TSTLConvertSettings& s, const std::string& value) {
    if (value == "CodePageNumberSource")
        return std::to_string(s.CodePageNumberSource);
    if (value == "QualityCheck")
        return std::to_string(s.QualityCheck);
    if (value == "CodePageNumberCustom")
        return s.CodePageNumberCustom;
    if (value == "DestinationFolder")
        return s.DestinationFolder;
    return s.PerformLanguageCheck ? "true" : "false";
}

class SettingsFallback : public ConvertSettings,
                         public ::testing::WithParamInterface<TFallbackCase> {};

TEST_P(SettingsFallback, UnreadableValueTakesItsFallback) {
    const TFallbackCase& c = GetParam();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, true));
    if (c.Stored == AsString) {
        ASSERT_TRUE(registry.WriteString(c.Value, "7"));
    } else if (c.Stored == AsDWord) {
        ASSERT_TRUE(registry.WriteInteger(c.Value, 7));
    }
    TSTLConvertSettings settings;
    Fill(settings, 0, 0); // the load must set the field, not leave it
    ASSERT_TRUE(Load(settings));
    EXPECT_EQ(FieldText(settings, c.Value), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsFallback,
                         ::testing::Values(TFallbackCase{"CodePageNumberSource", AsString, "0"},
                                           TFallbackCase{"CodePageNumberSource", Missing, "0"},
                                           TFallbackCase{"CodePageNumberSource", AsDWord, "7"},
                                           TFallbackCase{"CodePageNumberCustom", AsDWord, "850"},
                                           TFallbackCase{"CodePageNumberCustom", Missing, ""},
                                           TFallbackCase{"CodePageNumberCustom", AsString, "7"},
                                           TFallbackCase{"DestinationFolder", AsDWord, ""},
                                           TFallbackCase{"PerformLanguageCheck", AsString, "false"},
                                           TFallbackCase{"PerformLanguageCheck", Missing, "false"},
                                           TFallbackCase{"PerformLanguageCheck", AsDWord, "true"},
                                           // 7 is none of its values.
                                           TFallbackCase{"QualityCheck", AsDWord, "0"},
                                           TFallbackCase{"QualityCheck", AsString, "0"}),
                         ::testing::PrintToStringParamName());

} // namespace
