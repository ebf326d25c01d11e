#include "session/SettingsSchema.h"

#include <array>
#include <climits>

#include "convert/SettingsChoices.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

constexpr uint32_t kConversion = spBatch | spWatchFolderEntry;

using F = TValueForm;
using T = TStoredType;

// The shapes most values take; the others are written out in full.
constexpr TSettingValue Number(const char* name, uint32_t parts, const char* byDefault, int32_t min,
                               int32_t max, const char* meaning, uint32_t clampedIn = 0) {
    return {.Name = name,
            .Parts = parts,
            .Type = T::Integer,
            .Form = F::Number,
            .Default = byDefault,
            .Min = min,
            .Max = max,
            .ClampedIn = clampedIn,
            .Meaning = meaning};
}

// A column width of a list view.
constexpr TSettingValue Width(const char* name, const char* width, const char* meaning) {
    return Number(name, spMain, width, 0, INT_MAX, meaning);
}

// A drop-down list storing the index of its item.
constexpr TSettingValue Choice(const char* name, uint32_t parts, std::span<const char* const> items,
                               uint32_t clampedIn, const char* meaning,
                               const char* byDefault = "0") {
    return {.Name = name,
            .Parts = parts,
            .Type = T::Integer,
            .Form = F::Choice,
            .Default = byDefault,
            .Items = items,
            .Min = 0,
            .Max = static_cast<int32_t>(items.size()) - 1,
            .ClampedIn = clampedIn,
            .Meaning = meaning};
}

constexpr TSettingValue Flag(const char* name, uint32_t parts, const char* meaning) {
    return {.Name = name,
            .Parts = parts,
            .Type = T::Flag,
            .Form = F::Flag,
            .Default = "no",
            .Meaning = meaning};
}

constexpr TSettingValue String(const char* name, uint32_t parts, F form, const char* meaning,
                               const char* byDefault = "", int32_t maxLength = 0) {
    return {.Name = name,
            .Parts = parts,
            .Type = T::String,
            .Form = form,
            .Default = byDefault,
            .Max = maxLength,
            .Meaning = meaning};
}

// A field of a list record, stored under storedAs with the record's number for <n>.
constexpr TSettingValue Field(TSettingValue value, const char* storedAs) {
    value.StoredAs = storedAs;
    return value;
}

constexpr TSettingValue NoControl(TSettingValue value) {
    value.NoControl = true;
    return value;
}

constexpr TSettingValue SetFrom(TSettingValue value, const char* mainValue) {
    value.SetFrom = mainValue;
    return value;
}

constexpr uint32_t kWF = spWatchFolderEntry;
constexpr uint32_t kPC = spPlaylistEntry;

const TSettingValue kValues[] = {
    // The main values.
    Number("FormTop", spMain, "centred", INT_MIN, INT_MAX, "window top, in pixels"),
    Number("FormLeft", spMain, "centred", INT_MIN, INT_MAX, "window left, in pixels"),
    Number("FormWidth", spMain, "800", 800, INT_MAX, "window width, in pixels", spMain),
    Number("FormHeight", spMain, "750", 785, INT_MAX, "window height, in pixels", spMain),
    Width("BatchList_0_Width", "30", "width of the Batch list's \"#\" column"),
    Width("BatchList_1_Width", "200", "width of the Batch list's \"File Name\" column"),
    Width("BatchList_2_Width", "100", "width of the Batch list's \"Status\" column"),
    Width("WatchFolderList_0_Width", "30", "width of the watch-folder list's \"#\" column"),
    Width("WatchFolderList_1_Width", "200",
          "width of the watch-folder list's \"Watch Folder\" column"),
    Width("WatchFolderList_2_Width", "200",
          "width of the watch-folder list's \"Destination Folder\" column"),
    Width("WatchFolderList_3_Width", "60", "width of the watch-folder list's \"Comment\" column"),
    Width("PlaylistsCheckList_0_Width", "30", "width of the playlist-check list's \"#\" column"),
    Width("PlaylistsCheckList_1_Width", "200",
          "width of the playlist-check list's \"Playlists Folder\" column"),
    Width("PlaylistsCheckList_2_Width", "200",
          "width of the playlist-check list's \"Subtitles Folder\" column"),
    Width("PlaylistsCheckList_3_Width", "60",
          "width of the playlist-check list's \"Comment\" column"),
    Choice("ActivePageIndex", spMain, kPageItems, spMain, "the page shown at start"),
    Choice("FPSSource", spMain, kFPSSourceItems, 0,
           "whether every conversion keeps each file's frame rate or writes FPS", "1"),
    String("FPS", spMain, F::FrameRate, "the Disk Format Code written when FPSSource is 1",
           "STL25.01"),
    String("LogsOutputFolder", spMain, F::Folder, "folder of the daily operation-log files",
           "the logs folder"),
    String("MessagesOutputFolder", spMain, F::Folder, "folder of the daily message files",
           "the logs folder"),
    Choice("MessagesFilterIndex", spMain, kMessagesFilterItems, 0,
           "which messages the Messages pane shows"),

    // The conversion values of the Batch page and of every watch folder.
    String("WatchFolder", kWF, F::Folder, "folder watched for new STL files"),
    String("DestinationFolder", kConversion, F::Folder,
           "folder the converted files are written to"),
    Choice("TapeIDSource", kConversion, kTapeIDSourceItems, spBatch,
           "where the tape ID (Subtitle List Reference Code) comes from"),
    String("TapeIDPredefined", kConversion, F::Text, "tape ID written when TapeIDSource is 1", "",
           16),
    Choice("LanguageSource", kConversion, kLanguageSourceItems, kConversion,
           "where the Language Code comes from"),
    String("LanguagePredefined", kConversion, F::Language,
           "language written when LanguageSource is 1"),
    Flag("PerformLanguageCheck", kConversion,
         "refuse a file whose Language Code differs from the language chosen"),
    Flag("RemoveZeroPage", kConversion,
         "drop the first subtitle when its text holds ZeroPageKeyWord"),
    String("ZeroPageKeyWord", kConversion, F::Text, "keyword of the zero page, case-sensitive"),
    Choice("TimeCodeStartOfProgrammeSource", kConversion, kTimeCodeStartOfProgrammeItems, spBatch,
           "whether Time Code Start Of Programme is kept or written"),
    String("TimeCodeStartOfProgramme", kConversion, F::TimeCode,
           "Time Code Start Of Programme written when its source is 1"),
    NoControl(Number("TimeCodeFirstInCueSource", kConversion, "0", 0, 1,
                     "1 writes TimeCodeFirstInCue, 0 keeps the source's Time Code First In Cue")),
    NoControl(String("TimeCodeFirstInCue", kConversion, F::TimeCode,
                     "Time Code First In Cue written when its source is 1")),
    SetFrom(Number("FramesPerSecondSource", kConversion, "0", 0, 1,
                   "1 writes FramesPerSecond, 0 keeps the source's Disk Format Code"),
            "FPSSource"),
    SetFrom(String("FramesPerSecond", kConversion, F::FrameRate,
                   "Disk Format Code written when its source is 1"),
            "FPS"),
    Flag("OverrideDestination", kConversion, "replace a destination file that exists"),
    // A drop-down list over a flag: item 1 stands for set.
    {.Name = "MoveProcessedFiles",
     .Parts = kConversion,
     .Type = T::Flag,
     .Form = F::Choice,
     .Default = "0",
     .Items = kMoveProcessedFilesItems,
     .Min = 0,
     .Max = 1,
     .Meaning = "whether a converted source is moved away"},
    String("MoveProcessedFilesFolder", kConversion, F::Folder,
           "folder the converted sources are moved to"),
    Choice("CodePageNumberSource", kConversion, kCodePageNumberItems, kConversion,
           "where the Code Page Number comes from"),
    {.Name = "CodePageNumberCustom",
     .Parts = kConversion,
     .Type = T::String,
     .Form = F::CodePage,
     .Default = "",
     .Min = 0,
     .Max = 999,
     .Fallback = "850",
     .Meaning = "Code Page Number written when CodePageNumberSource is 6"},
    Choice("CharacterCodeTableNumberSource", kConversion, kCharacterCodeTableNumberItems, kWF,
           "where the Character Code Table Number comes from"),
    Choice("DisplayStandardCodeSource", kConversion, kDisplayStandardCodeItems, kWF,
           "where the Display Standard Code comes from"),
    // Read as 0 when out of range, as every run takes it.
    {.Name = "QualityCheck",
     .Parts = kConversion,
     .Type = T::Integer,
     .Form = F::Choice,
     .Default = "0",
     .Items = kQualityCheckItems,
     .Min = 0,
     .Max = static_cast<int32_t>(kQualityCheckItems.size()) - 1,
     .Fallback = "0",
     .Meaning = "whether each file is checked against EBU Tech 3264 before it is converted"},
    String("Comment", kWF, F::Text, "free text shown in the watch-folder list"),

    // The Watch Folder page's key.
    Number("WatchFolderCheckIntervalMS", spWatchFolders, "5000", 100, 3600000,
           "how often every watch folder is scanned, in ms", spWatchFolders),

    // One playlist-check entry.
    String("PlaylistsFolder", kPC, F::Folder, "folder of the playlists (*.ply)"),
    String("SubtitlesFolder", kPC, F::Folder, "folder of the STL subtitle files"),
    {.Name = "Languages",
     .Parts = kPC,
     .Type = T::CodeList,
     .Form = F::Languages,
     .Default = "",
     .Meaning = "languages every clip needs a subtitle file in"},
    String("Comment", kPC, F::Text, "free text shown in the playlist-check list"),
    String("MissingsLogFolder", kPC, F::Folder, "folder of the missing-subtitle logs"),
    Flag("CheckClipsWidhDurationOver", kPC,
         "check only clips longer than ClipsDurationThreasholdSeconds"),
    {.Name = "ClipsDurationThreasholdSeconds",
     .Parts = kPC,
     .Type = T::Float,
     .Form = F::Seconds,
     .Default = "0",
     .Min = 0,
     .Max = 999999,
     .Meaning = "the clip-duration threshold, in seconds"},

    // The operator's language names, row <n> of the language table.
    String("STL_LANG_CUSTOM_Lang2CharName_<n>", spLanguages, F::LanguageName,
           "two-letter name file names give the language", "the row's", 2),
    String("STL_LANG_CUSTOM_Lang3CharName_<n>", spLanguages, F::LanguageName,
           "three-letter name file names give the language", "the row's", 3),

    // One subtitle file type, as its dialog starts a new one.
    Field(String("Name", spFileType, F::Text, "profile name"), "SubType_Name_<n>"),
    Field(Number("CharsCount", spFileType, "4", 4, 100,
                 "length of the whole file name that selects this type"),
          "SubType_CharsCount_<n>"),
    Field(Number("TapeIDParseStringStartPosition", spFileType, "1", 1, 256,
                 "position of the tape ID's first character, from 1"),
          "SubType_TapeIDParseStringStartPosition_<n>"),
    Field(Number("TapeIDParseStringCharsCount", spFileType, "1", 1, 16,
                 "number of tape ID characters"),
          "SubType_TapeIDParseStringCharsCount_<n>"),
    Field(Number("LanguageParseStringStartPosition", spFileType, "1", 1, 256,
                 "position of the language's first character, from 1"),
          "SubType_LanguageParseStringStartPosition_<n>"),
    Field(Number("LanguageParseStringCharsCount", spFileType, "2", 2, 3,
                 "number of language characters"),
          "SubType_LanguageParseStringCharsCount_<n>"),
    Field(String("SampleFileName", spFileType, F::Text,
                 "file name the dialog previews the parse with", kDefaultSampleFileName),
          "SubType_SampleFileName_<n>"),

    // One hex find-and-replace item, entered as "0x8A 0x0A" or "0x8A8B 0x0A0B".
    Field(Number("NumBytes", spHexItem, "1", 1, 2, "width of the item: 1 a byte, 2 a byte pair"),
          "HexFindReplace_NumBytes_<n>"),
    Field(Number("FindHex", spHexItem, "0", 0, 0xFFFF,
                 "the byte or pair searched for in subtitle text, high byte first"),
          "HexFindReplace_FindHex_<n>"),
    Field(Number("ReplaceHex", spHexItem, "0", 0, 0xFFFF, "the byte or pair written in its place"),
          "HexFindReplace_ReplaceHex_<n>"),
};

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

std::span<const TSettingValue> SettingValues() {
    return kValues;
}

std::vector<const TSettingValue*> SettingValuesOf(uint32_t part) {
    return Guarded("SettingValuesOf", std::vector<const TSettingValue*>(), [&] {
        std::vector<const TSettingValue*> values;
        for (const TSettingValue& value : kValues)
            if ((value.Parts & part) != 0)
                values.push_back(&value);
        return values;
    });
}

const TSettingValue* FindSettingValue(uint32_t part, const std::string& name) {
    return Guarded("FindSettingValue", static_cast<const TSettingValue*>(nullptr),
                   [&]() -> const TSettingValue* {
                       for (const TSettingValue& value : kValues)
                           if ((value.Parts & part) != 0 &&
                               UpperCaseText(value.Name) == UpperCaseText(name))
                               return &value;
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
            return (value.Parts & spPlaylistEntry) != 0 ? "a folder, ending in \"/\" (added)"
                                                        : "a folder";
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
