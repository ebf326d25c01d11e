// The fixed table of the languages an STL file can declare in its GSI Language Code.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TSTLLang {
    std::string LangCode;      // two upper-case hexadecimal digits, as in the GSI block
    std::string LangLongName;  // English name
    std::string Lang2CharName; // lower case; two blanks when the language has none
    std::string Lang3CharName; // lower case; three blanks when the language has none
};

constexpr int STL_LANGUAGE_COUNT = 103;
using TSTLLangList = std::array<TSTLLang, STL_LANGUAGE_COUNT>;

// Rows are searched from 0 upwards and the first match wins; other code keeps row indices,
// so the order never changes: codes 00 to 2B ascending, then 7F down to 45.
extern const TSTLLangList STLLanguages;

// A fresh copy of the table. Unlike STLLanguages it may be used while the globals of other
// units are being initialised, as it reads constant data only.
TSTLLangList MakeSTLLanguageList();

// The first row whose LangCode, read as a hexadecimal number, equals code. False (index 0)
// when there is none.
bool GetLanguageCodeIndex(int32_t code, int32_t& index);
