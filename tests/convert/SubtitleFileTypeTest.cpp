// Subtitle file types: tape ID and language cut out of a file name, copies of the list,
// and the settings subkey that holds it.
#include <gtest/gtest.h>

#include "convert/SubtitleFileType.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

using TTypes = std::vector<TSubtitleFileType>;
using TLines = std::vector<std::string>;

const std::string KEY = "Software\\Velmora\\Caplin\\Batch\\SubtitleFileType";

// CharsCount, tape ID start and count, language start and count.
TSubtitleFileType Type(int32_t chars, int32_t tapeStart, int32_t tapeCount, int32_t langStart,
                       int32_t langCount) {
    const std::string name = "Type" + std::to_string(chars);
    return {name, chars, tapeStart, tapeCount, langStart, langCount, name + ".stl"};
}

const TSubtitleFileType kStandard = Type(16, 1, 8, 10, 2);

TSubtitleFileTypeList MakeList(const TTypes& types) {
    TSubtitleFileTypeList list;
    for (const auto& type : types)
        list.push_back(std::make_unique<TSubtitleFileType>(type));
    return list;
}

TTypes Values(const TSubtitleFileTypeList& list) {
    TTypes values;
    for (const auto& type : list)
        values.push_back(*type);
    return values;
}

class SubtitleFileTypes : public ::testing::Test {
protected:
    void SetUp() override { TSettingsStore::Global().Clear(); }
    TraceCapture trace;
};

struct TParseCase {
    const char* Name;
    TTypes Types;
    std::string Path;
    bool Found;
    std::string TapeID, Language; // when found
};

void PrintTo(const TParseCase& c, std::ostream* os) {
    *os << c.Name;
}

class FileNameParse : public SubtitleFileTypes, public ::testing::WithParamInterface<TParseCase> {};

TEST_P(FileNameParse, FirstTypeOfTheNameLengthDecides) {
    const TParseCase& c = GetParam();
    const TSubtitleFileTypeList list = MakeList(c.Types);
    std::string tapeID = "untouched", language = "untouched";
    EXPECT_EQ(GetTapeIDFromFileName(c.Path, &list, tapeID), c.Found);
    EXPECT_EQ(GetLanguageFromFileName(c.Path, &list, language), c.Found);
    EXPECT_EQ(tapeID, c.Found ? c.TapeID : "untouched");
    EXPECT_EQ(language, c.Found ? c.Language : "untouched");
    EXPECT_TRUE(trace.Lines().empty());
}

// clang-format off
const TParseCase kParseCases[] = {
    {"SixteenCharacters", {kStandard}, "AB123456_EN1.stl", true, "AB123456", "EN"},
    {"FolderNotCounted", {kStandard}, "/srv/in/ab123456_En1.stl", true, "ab123456", "En"},
    {"FifteenCharactersNoMatch", {kStandard}, "/subs/AB123456_EN.stl", false, "", ""},
    {"EmptyListNoMatch", {}, "AB123456_EN1.stl", false, "", ""},
    {"FirstOfSameLengthWins", {Type(12, 1, 4, 6, 2), kStandard, Type(16, 3, 4, 14, 3)},
     "XY123456_FR1.stl", true, "XY123456", "FR"},
    {"TokenCutShort", {Type(16, 11, 8, 14, 3)}, "AB123456_EN1.stl", true, "N1.stl", "stl"},
    {"StartPastEndEmpty", {Type(16, 17, 4, 40, 2)}, "AB123456_EN1.stl", true, "", ""},
    {"StartBelowOneEmpty", {Type(16, 0, 8, -3, 2)}, "AB123456_EN1.stl", true, "", ""},
    {"CountBelowOneEmpty", {Type(16, 1, 0, 10, -1)}, "AB123456_EN1.stl", true, "", ""},
    // Only "/" separates folders; a backslash or a colon is part of the name.
    {"BackslashInName", {Type(21, 1, 4, 15, 2)}, "C:\\x\\AB123456_EN1.stl", true, "C:\\x", "EN"},
    {"ColonInName", {kStandard}, "C:AB123456_EN1.stl", false, "", ""},
    // Lengths and positions count bytes: "É" is two in UTF-8.
    {"LengthInBytes", {Type(17, 1, 9, 11, 2)}, "\xC3\x89" "B123456_EN1.stl", true,
     "\xC3\x89" "B123456", "EN"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, FileNameParse, ::testing::ValuesIn(kParseCases),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(SubtitleFileTypes, AssignListCopiesAtMostSixteen) {
    for (int count : {0, 16, 17, 20}) {
        TTypes types;
        for (int i = 0; i < count; ++i)
            types.push_back(Type(10 + i, 1, 2, 3, 2));
        const TSubtitleFileTypeList source = MakeList(types);
        TSubtitleFileTypeList destination = MakeList({kStandard});
        EXPECT_TRUE(AssignSubtitleFileTypeList(&source, &destination));
        EXPECT_EQ(Values(destination), TTypes(types.begin(), types.begin() + std::min(count, 16)))
            << count;
    }
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(SubtitleFileTypes, FailuresTraceTheirRoutine) {
    TSubtitleFileTypeList withHole = MakeList({kStandard});
    withHole.push_back(nullptr);
    TSubtitleFileTypeList destination;
    EXPECT_FALSE(AssignSubtitleFileTypeList(&withHole, &destination));
    EXPECT_EQ(Values(destination), TTypes{kStandard}); // copies made so far stay
    EXPECT_FALSE(AssignSubtitleFileTypeList(nullptr, &destination));
    EXPECT_FALSE(SaveSubtitleFileTypeListToRegistry(KEY, nullptr));
    EXPECT_FALSE(LoadSubtitleFileTypeListToRegistry(KEY, nullptr));
    std::string token = "kept";
    EXPECT_FALSE(GetTapeIDFromFileName("AB123456_EN1.stl", nullptr, token));
    EXPECT_FALSE(GetLanguageFromFileName("AB123456_EN1.stl", nullptr, token));
    EXPECT_EQ(token, "kept");
    EXPECT_EQ(
        trace.Lines(),
        (TLines{"vlm: Error in AssignSubtitleFileType call...",
                "vlm: Error in AssignSubtitleFileTypeList - cannot assign subtitle file type.",
                "vlm: Error in AssignSubtitleFileTypeList - invalid arguments.",
                "vlm: Error in SaveSubtitleFileTypeListToRegistry - invalid arguments.",
                "vlm: Error in LoadSubtitleFileTypeListToRegistry - invalid arguments.",
                "vlm: Error in GetTapeIDFromFileName call...",
                "vlm: Error in GetLanguageFromFileName call..."}));
}

TEST_F(SubtitleFileTypes, SavedListLoadsBackUnderItsValueNames) {
    const TSubtitleFileTypeList list = MakeList({kStandard, Type(24, 3, 12, 18, 3)});
    ASSERT_TRUE(SaveSubtitleFileTypeListToRegistry(KEY, &list));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, false));
    const std::vector<std::pair<std::string, int32_t>> numbers = {
        {"SubTypesCount", 2},
        {"SubType_CharsCount_1", 24},
        {"SubType_TapeIDParseStringStartPosition_1", 3},
        {"SubType_TapeIDParseStringCharsCount_1", 12},
        {"SubType_LanguageParseStringStartPosition_1", 18},
        {"SubType_LanguageParseStringCharsCount_1", 3}};
    for (const auto& [name, value] : numbers) {
        int32_t number = 0;
        EXPECT_TRUE(registry.ReadInteger(name, number) && number == value) << name;
    }
    std::string name, sample;
    EXPECT_TRUE(registry.ReadString("SubType_Name_0", name) && name == "Type16");
    EXPECT_TRUE(registry.ReadString("SubType_SampleFileName_1", sample) && sample == "Type24.stl");

    TSubtitleFileTypeList loaded;
    EXPECT_TRUE(LoadSubtitleFileTypeListToRegistry(KEY, &loaded));
    EXPECT_EQ(Values(loaded), Values(list));
}

TEST_F(SubtitleFileTypes, LoadAppendsWithFallbacksAndIgnoresStaleIndexes) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, true));
    ASSERT_TRUE(registry.WriteInteger("SubTypesCount", 2));
    ASSERT_TRUE(registry.WriteInteger("SubType_Name_0", 7));         // wrong type
    ASSERT_TRUE(registry.WriteString("SubType_CharsCount_0", "16")); // wrong type
    ASSERT_TRUE(registry.WriteInteger("SubType_TapeIDParseStringStartPosition_0", 5));
    ASSERT_TRUE(registry.WriteString("SubType_SampleFileName_0", "x.stl"));
    ASSERT_TRUE(registry.WriteString("SubType_Name_2", "stale"));
    TSubtitleFileTypeList list = MakeList({kStandard});
    EXPECT_TRUE(LoadSubtitleFileTypeListToRegistry(KEY, &list));
    EXPECT_EQ(Values(list),
              (TTypes{kStandard, {"", 1, 5, 1, 1, 1, "x.stl"}, {"", 1, 1, 1, 1, 1, ""}}));
}

TEST_F(SubtitleFileTypes, AbsentDataLoadsNothingAndUnreadableCountIsWrittenBack) {
    TSubtitleFileTypeList list;
    EXPECT_TRUE(LoadSubtitleFileTypeListToRegistry(KEY, &list));
    EXPECT_FALSE(TSettingsStore::Global().KeyExists(KEY));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, true));
    for (bool asText : {false, true}) {
        if (asText) {
            ASSERT_TRUE(registry.WriteString("SubTypesCount", "2"));
        }
        ASSERT_TRUE(registry.WriteString("SubType_Name_0", "orphan"));
        EXPECT_TRUE(LoadSubtitleFileTypeListToRegistry(KEY, &list));
        int32_t count = -1;
        EXPECT_TRUE(registry.ReadInteger("SubTypesCount", count));
        EXPECT_EQ(count, 0);
    }
    EXPECT_TRUE(list.empty());
}

} // namespace
