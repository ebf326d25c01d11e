// The entry format of a hex find-and-replace item as the operator types it ("0x8A",
// "0x8A8B") and the checks its dialog runs before an item is added or applied, with their
// messages. The dialog and the command line both run them.
#pragma once

#include <cstdint>
#include <string>

#include "convert/HexFindReplace.h"

// "0x" (lower-case x) and exactly 2 or 4 hexadecimal digits (either case): true and the
// number. Anything else is refused.
bool ParseHexEntry(const std::string& text, int32_t& value);

// Which entry a refused item sends the operator back to; none when the list refused it.
enum class THexEntryField { None, Find, Replace };

struct THexEntryCheck {
    bool Accepted = false;
    std::string Message; // why not; empty after an unexpected failure (traced)
    THexEntryField Field = THexEntryField::None;
};

// The two entries in their order: each in the entry format, both of one width, and not the
// same value. On acceptance item holds the width and both values.
THexEntryCheck CheckHexEntries(const std::string& find, const std::string& replace,
                               THexFindAndReplaceValue& item);

inline constexpr const char* kMaxHexItemsMessage =
    "The max count of Hex Find And Replace values reached.";
