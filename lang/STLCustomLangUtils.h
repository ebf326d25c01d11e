// The operator-editable copy of the language table: only the two- and three-letter names
// of a row ever differ from STLLanguages. File names carry these names, so a site's own
// naming maps to STL language codes through the lookups here.
#pragma once

#include <cstdint>
#include <string>

#include "lang/STLLangUtils.h"
#include "platform/SettingsKeys.h"


// Row for row parallel to STLLanguages; starts as a copy of it. Used on the user-interface
// thread only.
extern TSTLLangList STLCustomLanguages;

bool SetCustomLanguageListToDefault();
// A missing key changes nothing; a missing or empty name gives the row's default name; a
// value of another type leaves the row's name as it is. True unless something failed.
bool LoadCustomLanguageListFromRegistry(const std::string& key);
// Writes both names of every row, creating the key when missing.
bool SaveCustomLanguageListToRegistry(const std::string& key);

// Lookups compare trimmed, upper-cased texts and take the first matching row; false (index
// 0) when no row matches.
bool GetCustomLanguageCodeIndex(const std::string& code, int32_t& index);
bool GetCustom2CharNameIndex(const std::string& name, int32_t& index);
bool GetCustom3CharNameIndex(const std::string& name, int32_t& index);

// LangLongName of the row whose code matches, or code itself when none does.
std::string GetCustomLanguageLongNameFromLangCode(const std::string& code);
