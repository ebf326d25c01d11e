#include "session/SettingsSchema.h"

#include <climits>

#include "convert/HexFindReplace.h"
#include "convert/STLConvertSettings.h"
#include "convert/SubtitleFileType.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckSettings.h"
#include "session/MainSettings.h"
#include "watchfolder/WatchFolderList.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

namespace {

using F = TValueForm;
using T = TStoredType;

// The operator's language names, row <n> of the language table; the language routines load
// them.
constexpr TSettingValue kLanguageNames[] = {
    setting::String("STL_LANG_CUSTOM_Lang2CharName_<n>", spLanguages, F::LanguageName,
                    "two-letter name file names give the language", "the row's", 2),
    setting::String("STL_LANG_CUSTOM_Lang3CharName_<n>", spLanguages, F::LanguageName,
                    "three-letter name file names give the language", "the row's", 3),
};

// The parts' tables in the order the command line shows and the documentation lists them.
std::vector<const TSettingValue*> AssembleValues() {
    const std::vector<const TSettingValue*> watchFolder = WatchFolderSettingValues();
    std::vector<const TSettingValue*> values;
    const auto add = [&](const std::vector<const TSettingValue*>& part) {
        values.insert(values.end(), part.begin(), part.end());
    };
    add(MainSettingValues());
    values.push_back(watchFolder.at(0)); // WatchFolder
    add(ConversionSettingValues());
    values.push_back(watchFolder.at(1)); // Comment
    add(WatchFolderListSettingValues());
    add(PlaylistCheckSettingValues());
    for (const TSettingValue& name : kLanguageNames)
        values.push_back(&name);
    add(SubtitleFileTypeSettingValues());
    add(HexFindAndReplaceSettingValues());
    return values;
}

std::string ItemsText(const TSettingValue& value) {
    std::string text;
    for (size_t i = 0; i < value.Items.size(); ++i)
        text += (i ? ", " : "") + std::to_string(i) + " \"" + value.Items[i] + "\"";
    return text;
}

std::string RangeText(const TSettingValue& value) {
    if (value.Min == INT_MIN && value.Max == INT_MAX)
        return "a whole number";
    if (value.Max == INT_MAX)
        return std::to_string(value.Min) + " or more";
    return std::to_string(value.Min) + " to " + std::to_string(value.Max);
}

} // namespace

const std::vector<const TSettingValue*>& SettingValues() {
    static const std::vector<const TSettingValue*> values =
        Guarded("SettingValues", std::vector<const TSettingValue*>(), AssembleValues);
    return values;
}

std::vector<const TSettingValue*> SettingValuesOf(uint32_t part) {
    return Guarded("SettingValuesOf", std::vector<const TSettingValue*>(), [&] {
        std::vector<const TSettingValue*> values;
        for (const TSettingValue* value : SettingValues())
            if ((value->Parts & part) != 0)
                values.push_back(value);
        return values;
    });
}

const TSettingValue* FindSettingValue(uint32_t part, const std::string& name) {
    return Guarded("FindSettingValue", static_cast<const TSettingValue*>(nullptr),
                   [&]() -> const TSettingValue* {
                       for (const TSettingValue* value : SettingValues())
                           if ((value->Parts & part) != 0 &&
                               UpperCaseText(value->Name) == UpperCaseText(name))
                               return value;
                       return nullptr;
                   });
}

std::string SettingsPartName(uint32_t part) {
    switch (part) {
    case spMain:
        return "main";
    case spBatch:
        return "batch";
    case spWatchFolders:
        return "watch-folders";
    case spWatchFolderEntry:
        return "watch folder";
    case spPlaylistEntry:
        return "playlist-check entry";
    case spLanguages:
        return "languages";
    case spFileType:
        return "file type";
    case spHexItem:
        return "hex item";
    default:
        return "";
    }
}

std::string StoredTypeText(TStoredType type) {
    switch (type) {
    case TStoredType::Integer:
        return "32-bit integer";
    case TStoredType::Flag:
        return "32-bit integer 1 or 0";
    case TStoredType::String:
        return "string";
    case TStoredType::Float:
        return "8-byte double";
    case TStoredType::CodeList:
        return "subkey of 32-bit integers";
    }
    return "";
}

std::string AllowedText(const TSettingValue& value) {
    return Guarded("AllowedText", std::string(), [&]() -> std::string {
        if (value.SetFrom)
            return std::string("set by the window from ") + value.SetFrom + " of main";
        switch (value.Form) {
        case F::Number:
            return RangeText(value);
        case F::Choice:
            return value.Type == T::Flag ? ItemsText(value) + " (or yes, no)" : ItemsText(value);
        case F::Flag:
            return "yes or no";
        case F::Text:
            return value.Max > 0 ? "text of at most " + std::to_string(value.Max) + " characters"
                                 : "any text";
        case F::Folder:
            return value.EndsInSlash ? "a folder, ending in \"/\" (added)" : "a folder";
        case F::TimeCode:
            return "HHMMSSFF: hours 00 to 23, minutes and seconds 00 to 59, frames 00 to 29";
        case F::Language:
            return "a language of the table by its name (English), code (09) or two- or "
                   "three-letter name (en, eng)";
        case F::FrameRate:
            return "STL25.01 or STL30.01 (or 25, 30)";
        case F::CodePage:
            return "0 to 999";
        case F::Seconds:
            return "whole seconds, 0 to 999999";
        case F::Languages:
            return "languages separated by commas, each by its name, code or two- or "
                   "three-letter name";
        case F::LanguageName:
            return "at most " + std::to_string(value.Max) + " characters (set in the window)";
        }
        return std::string();
    });
}

std::string SettingNamesText(uint32_t part) {
    return Guarded("SettingNamesText", std::string(), [&] {
        std::string text;
        for (const TSettingValue* value : SettingValuesOf(part))
            text += (text.empty() ? "" : ", ") + std::string(value->Name);
        return text;
    });
}
