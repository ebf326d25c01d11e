// Every value Caplin keeps in its settings file, named once: the part that holds it, how it
// is stored, what a missing one reads as, what the window lets the operator choose for it,
// whether the window brings a stored index into range, and what it means. The command line
// shows and checks values against this table, and docs/settings.md lists the same values
// (a test compares the two).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Where a value is stored. A value held by several parts carries each of their bits.
enum TSettingsPart : uint32_t {
    spMain = 1u << 0,             // "Software\Velmora\Caplin\"
    spBatch = 1u << 1,            // "...\Batch\"
    spWatchFolders = 1u << 2,     // "...\WatchFolder\" itself
    spWatchFolderEntry = 1u << 3, // "...\WatchFolder\WF_<n>\"
    spPlaylistEntry = 1u << 4,    // "...\PlaylistsCheck\PC_<n>\"
    spLanguages = 1u << 5,        // "...\Languages"
    spFileType = 1u << 6,         // one record of a "SubtitleFileType" subkey
    spHexItem = 1u << 7,          // one record of a "HexFindReplace" subkey
};

enum class TStoredType {
    Integer,  // a 32-bit integer (dword)
    Flag,     // a 32-bit integer written 1 or 0; any other than 0 reads as set
    String,   // a string
    Float,    // 8 raw bytes holding a little-endian IEEE 754 double
    CodeList, // "LangsCount" and "LangID_<i>" integers in the entry's subkey "Languages"
};

// What the window lets the operator enter, which decides what a value may be.
enum class TValueForm {
    Number,       // a whole number from Min to Max
    Choice,       // a drop-down list: the index of one of Items
    Flag,         // a check box
    Text,         // free text; at most Max characters when Max is above 0
    Folder,       // a folder, as its browse button gives it
    TimeCode,     // "HHMMSSFF" within the four spin edits
    Language,     // a row of the language table, stored as its code ("09")
    FrameRate,    // a Disk Format Code, "STL25.01" or "STL30.01"
    CodePage,     // a code page number 0 to 999, stored as decimal text
    Seconds,      // whole seconds 0 to 999999
    Languages,    // several rows of the language table
    LanguageName, // a custom two- or three-letter language name
};

struct TSettingValue {
    const char* Name; // the stored value's name; for list records, the field's name
    uint32_t Parts;
    TStoredType Type;
    TValueForm Form;
    // What a missing value reads as, in the form the value is shown in.
    const char* Default;
    std::span<const char* const> Items = {};
    int32_t Min = 0;
    int32_t Max = 0;
    // Parts whose window brings a stored index or number into Min to Max when it shows it.
    uint32_t ClampedIn = 0;
    // The window sets it from this main value; the commands refuse to set it.
    const char* SetFrom = nullptr;
    // No control of the window shows it; the panel resets it when it writes back.
    bool NoControl = false;
    // A value of another type reads as this instead of Default; so does a drop-down list's
    // index out of range.
    const char* Fallback = nullptr;
    // How a list record's field is stored, when not under its own name.
    const char* StoredAs = nullptr;
    const char* Meaning = "";
};

// The whole table, parts in the order main, batch and watch-folder entry (they share the
// conversion values), watch folders, playlist entry, languages, file type, hex item.
std::span<const TSettingValue> SettingValues();
// The values a part holds, in table order.
std::vector<const TSettingValue*> SettingValuesOf(uint32_t part);
// The value of part named name, compared ignoring ASCII case; null when there is none.
const TSettingValue* FindSettingValue(uint32_t part, const std::string& name);

// "main", "batch", "watch-folders", "watch folder entry", ...
std::string SettingsPartName(uint32_t part);
// "32-bit integer", "string", ...
std::string StoredTypeText(TStoredType type);
// What may be entered, in words: "0 to 23", the items by index, "yes or no", ...
std::string AllowedText(const TSettingValue& value);
// The names of a part, comma-separated, for a refusal that lists them.
std::string SettingNamesText(uint32_t part);
