#include <gtest/gtest.h>

#include "lang/STLCustomLangUtils.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

const std::string KEY = STL_CUSTOM_LANGUAGES_KEY;

std::string Name2Value(int row) {
    return "STL_LANG_CUSTOM_Lang2CharName_" + std::to_string(row);
}
std::string Name3Value(int row) {
    return "STL_LANG_CUSTOM_Lang3CharName_" + std::to_string(row);
}

bool SameAsTable() {
    for (size_t row = 0; row < STLLanguages.size(); ++row) {
        const TSTLLang& a = STLCustomLanguages[row];
        const TSTLLang& b = STLLanguages[row];
        if (a.LangCode != b.LangCode || a.LangLongName != b.LangLongName ||
            a.Lang2CharName != b.Lang2CharName || a.Lang3CharName != b.Lang3CharName)
            return false;
    }
    return true;
}

class CustomLanguages : public ::testing::Test {
protected:
    void SetUp() override {
        TSettingsStore::Global().Clear();
        ASSERT_TRUE(SetCustomLanguageListToDefault());
    }
    void TearDown() override {
        TSettingsStore::Global().Clear();
        SetCustomLanguageListToDefault();
    }

    // Opens the custom languages key, creating it.
    TRegistry OpenStored() {
        TRegistry registry;
        EXPECT_TRUE(registry.OpenKey(KEY, true));
        return registry;
    }

    TraceCapture trace;
};

// ---------------------------------------------------------------------------------------
// Lookups on the default list.

enum TColumn { Code, Name2, Name3 };

struct TLookupCase {
    const char* Name;
    TColumn Column;
    std::string Text;
    bool Found;
    int32_t Index;
};

void PrintTo(const TLookupCase& c, std::ostream* os) {
    *os << c.Name;
}

class CustomLookup : public CustomLanguages, public ::testing::WithParamInterface<TLookupCase> {};

TEST_P(CustomLookup, FirstFoldedMatch) {
    const TLookupCase& c = GetParam();
    int32_t index = -1;
    bool found = false;
    switch (c.Column) {
    case Code:
        found = GetCustomLanguageCodeIndex(c.Text, index);
        break;
    case Name2:
        found = GetCustom2CharNameIndex(c.Text, index);
        break;
    case Name3:
        found = GetCustom3CharNameIndex(c.Text, index);
        break;
    }
    EXPECT_EQ(found, c.Found);
    EXPECT_EQ(index, c.Index);
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Languages, CustomLookup,
    ::testing::Values(TLookupCase{"CodeUpper", Code, "0F", true, 15},
                      TLookupCase{"CodeLower", Code, "0f", true, 15},
                      TLookupCase{"CodePadded", Code, " 7f\t", true, 44},
                      TLookupCase{"CodeBlankIsNotZero", Code, "", false, 0},

                      TLookupCase{"CodeUnknown", Code, "ZZ", false, 0},

                      TLookupCase{"Name2Upper", Name2, "EN", true, 9},
                      TLookupCase{"Name2LeadingBlank", Name2, " en", true, 9},

                      TLookupCase{"Name2SharedFirstWins", Name2, "ro", true, 34},
                      TLookupCase{"Name2BlankFindsRowZero", Name2, "", true, 0},

                      TLookupCase{"Name2Uzbek", Name2, "us", true, 100},
                      TLookupCase{"Name2NotThreeLetters", Name2, "eng", false, 0},
                      TLookupCase{"Name3SharedFirstWins", Name3, "ron", true, 34},
                      TLookupCase{"Name3Upper", Name3, "ENG", true, 9},

                      TLookupCase{"Name3Unknown", Name3, "xxx", false, 0}),
    [](const auto& c) { return std::string(c.param.Name); });

TEST_F(CustomLanguages, LongNameFromCode) {
    EXPECT_EQ(GetCustomLanguageLongNameFromLangCode("0f"), "French");
    EXPECT_EQ(GetCustomLanguageLongNameFromLangCode("7F"), "Amharic");
    EXPECT_EQ(GetCustomLanguageLongNameFromLangCode("ZZ"), "ZZ");
    EXPECT_EQ(GetCustomLanguageLongNameFromLangCode(" zz "), " zz ");
}

TEST_F(CustomLanguages, EditedNameReplacesDefault) {
    STLCustomLanguages[9].Lang2CharName = "gb";
    int32_t index = -1;
    EXPECT_TRUE(GetCustom2CharNameIndex("GB", index));
    EXPECT_EQ(index, 9);
    EXPECT_FALSE(GetCustom2CharNameIndex("en", index));
    EXPECT_EQ(index, 0);
    // A blanked name makes the row a candidate for blank lookups, but row 0 comes first.
    STLCustomLanguages[5].Lang3CharName = "";
    EXPECT_TRUE(GetCustom3CharNameIndex("", index));
    EXPECT_EQ(index, 0);
    STLCustomLanguages[0].Lang3CharName = "unk";
    EXPECT_TRUE(GetCustom3CharNameIndex(" ", index));
    EXPECT_EQ(index, 5);
}

TEST_F(CustomLanguages, DefaultRestoresEveryRow) {
    EXPECT_TRUE(SameAsTable());
    STLCustomLanguages[1].Lang2CharName = "xx";
    STLCustomLanguages[102].Lang3CharName = "";
    EXPECT_FALSE(SameAsTable());
    EXPECT_TRUE(SetCustomLanguageListToDefault());
    EXPECT_TRUE(SameAsTable());
}

// ---------------------------------------------------------------------------------------
// Registry.

TEST_F(CustomLanguages, MissingKeyChangesNothing) {
    STLCustomLanguages[3].Lang2CharName = "kept";
    EXPECT_TRUE(LoadCustomLanguageListFromRegistry(KEY));
    EXPECT_EQ(STLCustomLanguages[3].Lang2CharName, "kept");
    EXPECT_FALSE(TRegistry().KeyExists(KEY));
}

TEST_F(CustomLanguages, SaveWritesEveryRowAsString) {
    STLCustomLanguages[9].Lang2CharName = "gb";
    ASSERT_TRUE(SaveCustomLanguageListToRegistry(KEY));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(KEY, false));
    for (int row = 0; row < 103; ++row) {
        std::string name2, name3;
        ASSERT_TRUE(registry.ReadString(Name2Value(row), name2)) << row;
        ASSERT_TRUE(registry.ReadString(Name3Value(row), name3)) << row;
        EXPECT_EQ(name2, row == 9 ? "gb" : STLLanguages[size_t(row)].Lang2CharName);
        EXPECT_EQ(name3, STLLanguages[size_t(row)].Lang3CharName);
    }
    std::string blank;
    ASSERT_TRUE(registry.ReadString(Name3Value(0), blank));
    EXPECT_EQ(blank, "   ");
    EXPECT_FALSE(registry.ValueExists(Name2Value(103)));
}

TEST_F(CustomLanguages, SaveThenLoadRoundTrip) {
    STLCustomLanguages[9].Lang2CharName = "gb";
    STLCustomLanguages[9].Lang3CharName = "gbr";
    STLCustomLanguages[22].Lang2CharName = "se"; // a blank default replaced
    ASSERT_TRUE(SaveCustomLanguageListToRegistry(KEY));
    ASSERT_TRUE(SetCustomLanguageListToDefault());
    ASSERT_TRUE(LoadCustomLanguageListFromRegistry(KEY));

    int32_t index = -1;
    EXPECT_TRUE(GetCustom2CharNameIndex("GB", index));
    EXPECT_EQ(index, 9);
    EXPECT_FALSE(GetCustom2CharNameIndex("en", index));
    EXPECT_TRUE(GetCustom3CharNameIndex("gbr", index));
    EXPECT_EQ(index, 9);
    EXPECT_TRUE(GetCustom2CharNameIndex("SE", index));
    EXPECT_EQ(index, 22);
    // Everything else came back as the defaults.
    STLCustomLanguages[9].Lang2CharName = "en";
    STLCustomLanguages[9].Lang3CharName = "eng";
    STLCustomLanguages[22].Lang2CharName = "  ";
    EXPECT_TRUE(SameAsTable());
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(CustomLanguages, LoadTakesStoredValuesAndFallsBack) {
    TRegistry registry = OpenStored();
    registry.WriteString(Name2Value(9), "gb");     // stored name
    registry.WriteString(Name3Value(9), "");       // stored empty: default back
    registry.WriteString(Name2Value(15), " ");     // stored blank: kept as typed
    registry.WriteInteger(Name2Value(8), 7);       // wrong type: row keeps its name
    registry.WriteString(Name3Value(102), "zulu"); // no length check here
    // Row 3 has no values at all: defaults.
    STLCustomLanguages[8].Lang2CharName = "ge";
    STLCustomLanguages[3].Lang2CharName = "";
    STLCustomLanguages[4].Lang3CharName = "";

    ASSERT_TRUE(LoadCustomLanguageListFromRegistry(KEY));
    EXPECT_EQ(STLCustomLanguages[9].Lang2CharName, "gb");
    EXPECT_EQ(STLCustomLanguages[9].Lang3CharName, "eng");
    EXPECT_EQ(STLCustomLanguages[15].Lang2CharName, " ");
    EXPECT_EQ(STLCustomLanguages[8].Lang2CharName, "ge");
    EXPECT_EQ(STLCustomLanguages[102].Lang3CharName, "zulu");
    EXPECT_EQ(STLCustomLanguages[3].Lang2CharName, "ca");
    EXPECT_EQ(STLCustomLanguages[4].Lang3CharName, "hrv");
    EXPECT_EQ(STLCustomLanguages[9].LangLongName, "English");
    EXPECT_TRUE(trace.Lines().empty());
}

} // namespace
