// Every value Caplin keeps in its settings file, in one table assembled from the parts that
// load them: the part that holds it, how it is stored, what a missing one reads as, what the
// window lets the operator choose for it, whether the window brings a stored index into
// range, and what it means. The command line shows and checks values against this table, and
// docs/settings.md lists the same values (a test compares the two).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SettingValue.h"

// The whole table, parts in the order main, batch and watch-folder entry (they share the
// conversion values), watch folders, playlist entry, languages, file type, hex item.
const std::vector<const TSettingValue*>& SettingValues();
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
