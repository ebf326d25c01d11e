#include <gtest/gtest.h>

#include <set>

#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "tests/common/TestSupport.h"

namespace {

struct TCodeCase {
    int32_t Code;
    bool Found;
    int32_t Index;
    const char* LongName; // of the row found
};

void PrintTo(const TCodeCase& c, std::ostream* os) {
    *os << c.Code;
}

class LanguageCodeLookup : public ::testing::TestWithParam<TCodeCase> {};

TEST_P(LanguageCodeLookup, FindsFirstRowWithCode) {
    const TCodeCase& c = GetParam();
    int32_t index = -1;
    EXPECT_EQ(GetLanguageCodeIndex(c.Code, index), c.Found);
    EXPECT_EQ(index, c.Index);
    EXPECT_EQ(STLLanguages[size_t(index)].LangLongName, c.LongName);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageCodeLookup,
    ::testing::Values(TCodeCase{0x00, true, 0, "Unknown/not applicable"},
                      TCodeCase{0x0F, true, 15, "French"}, TCodeCase{0x7F, true, 44, "Amharic"},
                      TCodeCase{0x60, true, 75, "Moldavian"}, TCodeCase{0x47, true, 100, "Uzbek"},
                      TCodeCase{0x45, true, 102, "Zulu"},
                      TCodeCase{0x2C, false, 0, "Unknown/not applicable"},

                      TCodeCase{0x80, false, 0, "Unknown/not applicable"},
                      TCodeCase{-1, false, 0, "Unknown/not applicable"}),
    [](const auto& c) {
        return (c.param.Code < 0 ? std::string("Minus") : IntToHexText(uint32_t(c.param.Code), 2)) +
               (c.param.Found ? "Found" : "Missing");
    });

// Codes 00 to 2B ascending, then 7F down to 45: 44 + 59 = 103 rows.
TEST(LanguageTable, CodesRunInTheFixedOrder) {
    ASSERT_EQ(STLLanguages.size(), 103u);
    for (size_t row = 0; row < STLLanguages.size(); ++row) {
        const uint32_t code = row <= 43 ? uint32_t(row) : uint32_t(0x7F - (row - 44));
        EXPECT_EQ(STLLanguages[row].LangCode, IntToHexText(code, 2)) << row;
    }
    EXPECT_EQ(STLLanguages.back().LangCode, "45");
}

TEST(LanguageTable, ShortNamesAreLowerCaseOrBlank) {
    int blanks = 0;
    for (const auto& lang : STLLanguages) {
        SCOPED_TRACE(lang.LangLongName);
        ASSERT_EQ(lang.Lang2CharName.size(), 2u);
        ASSERT_EQ(lang.Lang3CharName.size(), 3u);
        EXPECT_EQ(lang.Lang2CharName == "  ", lang.Lang3CharName == "   ");
        if (lang.Lang2CharName == "  ") {
            ++blanks;
            continue;
        }
        for (char ch : lang.Lang2CharName + lang.Lang3CharName)
            EXPECT_TRUE(ch >= 'a' && ch <= 'z') << ch;
    }
    EXPECT_EQ(blanks, 10); // 00, 16, 2A, 74, 73, 72, 5B, 55, 54, 50
}

TEST(LanguageTable, RowsThatOthersRelyOn) {
    struct {
        size_t Row;
        const char *Code, *LongName, *Name2, *Name3;
    } rows[] = {
        {0, "00", "Unknown/not applicable", "  ", "   "},
        {9, "09", "English", "en", "eng"},
        {34, "22", "Romanian", "ro", "ron"},
        {55, "74", "Churash", "  ", "   "},
        {75, "60", "Moldavian", "ro", "ron"},
        {100, "47", "Uzbek", "us", "uzb"},
        {102, "45", "Zulu", "zu", "zul"},
    };
    for (const auto& r : rows) {
        const TSTLLang& lang = STLLanguages[r.Row];
        EXPECT_EQ(lang.LangCode, r.Code) << r.Row;
        EXPECT_EQ(lang.LangLongName, r.LongName) << r.Row;
        EXPECT_EQ(lang.Lang2CharName, r.Name2) << r.Row;
        EXPECT_EQ(lang.Lang3CharName, r.Name3) << r.Row;
    }
}

TEST(LanguageTable, OnlyRomanianAndMoldavianShareNames) {
    std::set<std::string> seen;
    std::vector<std::string> repeated;
    for (const auto& lang : STLLanguages) {
        for (const auto& name : {lang.Lang2CharName, lang.Lang3CharName})
            if (TrimText(name) != "" && !seen.insert(name).second)
                repeated.push_back(name);
    }
    EXPECT_EQ(repeated, (std::vector<std::string>{"ro", "ron"}));
}

} // namespace
