#include "lang/STLCustomLangUtils.h"

#include <stdexcept>

#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

TSTLLangList STLCustomLanguages = MakeSTLLanguageList();

namespace {

const char* const NAME2_VALUE = "STL_LANG_CUSTOM_Lang2CharName_";
const char* const NAME3_VALUE = "STL_LANG_CUSTOM_Lang3CharName_";

bool FindCustomRow(const char* routine, std::string TSTLLang::*column, const std::string& text,
                   int32_t& index) {
    index = 0;
    return Guarded(routine, false, [&] {
        const std::string wanted = FoldText(text);
        for (int32_t row = 0; row < STL_LANGUAGE_COUNT; ++row) {
            if (FoldText(STLCustomLanguages[size_t(row)].*column) == wanted) {
                index = row;
                return true;
            }
        }
        return false;
    });
}

// Reads one name; a value of another type leaves the name as it is, and an empty result
// (a missing value reads as empty) gives the default back, so no name stays empty.
void LoadName(const TRegistry& registry, const std::string& valueName, std::string& name,
              const std::string& defaultName) {
    std::string stored;
    if (registry.ReadStringOrEmpty(valueName, stored))
        name = stored;
    if (name.empty())
        name = defaultName;
}

} // namespace

bool SetCustomLanguageListToDefault() {
    return Guarded("SetCustomLanguageListToDefault", false, [] {
        STLCustomLanguages = STLLanguages;
        return true;
    });
}

bool LoadCustomLanguageListFromRegistry(const std::string& key) {
    return Guarded("LoadCustomLanguageListFromRegistry", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(key, false))
            return true;
        for (int row = 0; row < STL_LANGUAGE_COUNT; ++row) {
            TSTLLang& lang = STLCustomLanguages[size_t(row)];
            const TSTLLang& fixed = STLLanguages[size_t(row)];
            LoadName(registry, NAME2_VALUE + std::to_string(row), lang.Lang2CharName,
                     fixed.Lang2CharName);
            LoadName(registry, NAME3_VALUE + std::to_string(row), lang.Lang3CharName,
                     fixed.Lang3CharName);
        }
        return true;
    });
}

bool SaveCustomLanguageListToRegistry(const std::string& key) {
    return Guarded("SaveCustomLanguageListToRegistry", false, [&] {
        TRegistry registry;
        // As with every settings save, a key that cannot be opened writes nothing and is
        // not an error.
        if (!registry.OpenKey(key, true))
            return true;
        for (int row = 0; row < STL_LANGUAGE_COUNT; ++row) {
            const TSTLLang& lang = STLCustomLanguages[size_t(row)];
            if (!registry.WriteString(NAME2_VALUE + std::to_string(row), lang.Lang2CharName) ||
                !registry.WriteString(NAME3_VALUE + std::to_string(row), lang.Lang3CharName))
                throw std::runtime_error("registry write");
        }
        return true;
    });
}

bool GetCustomLanguageCodeIndex(const std::string& code, int32_t& index) {
    return FindCustomRow("GetCustomLanguageCodeIndex", &TSTLLang::LangCode, code, index);
}

bool GetCustom2CharNameIndex(const std::string& name, int32_t& index) {
    return FindCustomRow("GetCustom2CharNameIndex", &TSTLLang::Lang2CharName, name, index);
}

bool GetCustom3CharNameIndex(const std::string& name, int32_t& index) {
    return FindCustomRow("GetCustom3CharNameIndex", &TSTLLang::Lang3CharName, name, index);
}

std::string GetCustomLanguageLongNameFromLangCode(const std::string& code) {
    std::string result = code;
    GuardedVoid("GetCustomLanguageLongNameFromLangCode", [&] {
        int32_t index = 0;
        if (GetCustomLanguageCodeIndex(code, index))
            result = STLCustomLanguages[size_t(index)].LangLongName;
    });
    return result;
}
