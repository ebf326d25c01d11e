// One stored settings value described once: the part that keeps it, how it is stored, what a
// missing or unreadable one reads as, what the window lets the operator choose for it, and
// what its loader does when it cannot take it. Each part lists its values beside the struct
// they load into, bound to their members, and its loader and saver iterate that list; the
// command line's `settings` commands and docs/settings.md go by the same descriptions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/Registry.h"
#include "platform/Trace.h"

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

// What a loader does with a value it cannot take, missing or of another type.
enum class TSettingLoad {
    Read,      // reads it as its default (or fallback)
    Keep,      // keeps the member as it is
    WriteBack, // keeps it, and when asked to writes it into the store (the window's start-up)
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
    // What the loader reads a missing value as when not Default: a list record's Default is
    // what its dialog starts a new record with.
    const char* Missing = nullptr;
    // How a list record's field is stored, when not under its own name.
    const char* StoredAs = nullptr;
    // A folder the loader ends in "/", as the page's browse buttons give it.
    bool EndsInSlash = false;
    TSettingLoad Load = TSettingLoad::Read;
    const char* Meaning = "";
};

// A value as the loaders read it.
struct TSettingRead {
    bool Stored = false;     // in the key, of whatever type
    bool OtherType = false;  // in the key with another type: read as the fallback
    bool OutOfRange = false; // a drop-down index outside the items, read as the fallback
    std::string Text;        // a string; the default's text when not taken
    int32_t Number = 0;      // an integer or flag; the default as a number (0 for words)
    double Real = 0.0;       // a double; one that is not finite reads as 0

    bool Taken() const { return Stored && !OtherType; }
};

// stored is null when the value is missing.
TSettingRead ReadSettingValue(const TSettingValue& value, const TRegValue* stored);

// The member a value loads into. A language list lives in a subkey of its own and is only
// copied here; its routines load and save it.
using TSettingMember = std::variant<int32_t*, bool*, std::string*, double*, std::vector<int32_t>*>;

template <class TOwner> struct TSettingField {
    TSettingValue Value;
    TSettingMember (*Member)(TOwner&);
};

template <class> struct TMemberOwner;
template <class TOwner, class T> struct TMemberOwner<T TOwner::*> { using Type = TOwner; };

// The accessor of a plain member: MemberOf<&TOwner::Field>.
template <auto Field> TSettingMember MemberOf(typename TMemberOwner<decltype(Field)>::Type& owner) {
    return &(owner.*Field);
}

// The name the value is stored under: its own, or for a field of list record number record
// its StoredAs with the number in place of "<n>".
std::string StoredSettingName(const TSettingValue& value, size_t record = 0);

// Reads the value into member from the key registry has open, by its load rule. True when
// the stored value was taken. A failed write throws, for the caller's guard to report.
bool LoadSettingValue(TRegistry& registry, const TSettingValue& value, TSettingMember member,
                      bool writeBack = false, size_t record = 0);
// Writes member under the value's name; a failed write throws.
void SaveSettingValue(TRegistry& registry, const TSettingValue& value, TSettingMember member,
                      size_t record = 0);
void CopySettingMember(TSettingMember source, TSettingMember destination);
// True when both members (of one value) hold the same.
bool SameSettingMember(TSettingMember a, TSettingMember b);

template <class TOwner>
bool LoadSetting(TRegistry& registry, const TSettingField<TOwner>& field, TOwner& owner,
                 bool writeBack = false, size_t record = 0) {
    return LoadSettingValue(registry, field.Value, field.Member(owner), writeBack, record);
}

template <class TFields, class TOwner>
void LoadSettings(TRegistry& registry, const TFields& fields, TOwner& owner, bool writeBack = false,
                  size_t record = 0) {
    for (const auto& field : fields)
        LoadSetting(registry, field, owner, writeBack, record);
}

// The accessors only find the members; saving and copying read the owner, never change it.
template <class TFields, class TOwner>
void SaveSettings(TRegistry& registry, const TFields& fields, const TOwner& owner,
                  size_t record = 0) {
    for (const auto& field : fields)
        SaveSettingValue(registry, field.Value, field.Member(const_cast<TOwner&>(owner)), record);
}

template <class TFields, class TOwner>
void CopySettings(const TFields& fields, const TOwner& source, TOwner& destination) {
    for (const auto& field : fields)
        CopySettingMember(field.Member(const_cast<TOwner&>(source)), field.Member(destination));
}

template <class TFields, class TOwner>
bool SameSettings(const TFields& fields, const TOwner& a, const TOwner& b) {
    for (const auto& field : fields)
        if (!SameSettingMember(field.Member(const_cast<TOwner&>(a)),
                               field.Member(const_cast<TOwner&>(b))))
            return false;
    return true;
}
// The descriptions alone, for the command line and the documentation.
template <class TFields> std::vector<const TSettingValue*> ValuesOfFields(const TFields& fields) {
    return Guarded("ValuesOfFields", std::vector<const TSettingValue*>(), [&] {
        std::vector<const TSettingValue*> values;
        for (const auto& field : fields)
            values.push_back(&field.Value);
        return values;
    });
}

// The shapes most values take, for the parts' tables; the others are written out in full.
namespace setting {

constexpr TSettingValue Number(const char* name, uint32_t parts, const char* byDefault, int32_t min,
                               int32_t max, const char* meaning, uint32_t clampedIn = 0) {
    return {.Name = name,
            .Parts = parts,
            .Type = TStoredType::Integer,
            .Form = TValueForm::Number,
            .Default = byDefault,
            .Min = min,
            .Max = max,
            .ClampedIn = clampedIn,
            .Meaning = meaning};
}

// A drop-down list storing the index of its item.
constexpr TSettingValue Choice(const char* name, uint32_t parts, std::span<const char* const> items,
                               uint32_t clampedIn, const char* meaning,
                               const char* byDefault = "0") {
    return {.Name = name,
            .Parts = parts,
            .Type = TStoredType::Integer,
            .Form = TValueForm::Choice,
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
            .Type = TStoredType::Flag,
            .Form = TValueForm::Flag,
            .Default = "no",
            .Meaning = meaning};
}

constexpr TSettingValue String(const char* name, uint32_t parts, TValueForm form,
                               const char* meaning, const char* byDefault = "",
                               int32_t maxLength = 0) {
    return {.Name = name,
            .Parts = parts,
            .Type = TStoredType::String,
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

constexpr TSettingValue WithFallback(TSettingValue value, const char* fallback) {
    value.Fallback = fallback;
    return value;
}

constexpr TSettingValue MissingAs(TSettingValue value, const char* missing) {
    value.Missing = missing;
    return value;
}

constexpr TSettingValue EndsInSlash(TSettingValue value) {
    value.EndsInSlash = true;
    return value;
}

constexpr TSettingValue Kept(TSettingValue value) {
    value.Load = TSettingLoad::Keep;
    return value;
}

constexpr TSettingValue WrittenBack(TSettingValue value) {
    value.Load = TSettingLoad::WriteBack;
    return value;
}

} // namespace setting
