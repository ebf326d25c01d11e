// What the window makes of a stored settings value: the value it reads, the drop-down item
// or language it shows, and when that is not the stored value itself (a missing value, a
// value of another type, an index out of range, a time code past its spin edits) what it
// uses instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "session/MainSettings.h"
#include "session/SettingsSchema.h"

struct TSettingShown {
    std::string Value;   // the number, text, or yes/no
    std::string Meaning; // the item or language shown, else what the value means
    std::string Note;    // what differs from the stored value, empty when nothing does
};

// The main values as the window loaded them (frame-rate policy in range, output folders in
// use), against which stored main values and their copies in the conversion settings are
// judged.
struct TSettingsViewContext {
    TMainSettings Main;
    TWindowLayout Layout;
};

// stored is null when the value is missing. Not for Languages and LanguageName values.
TSettingShown DescribeStoredValue(const TSettingValue& value, uint32_t part,
                                  const TRegValue* stored, const TSettingsViewContext& context);
// The languages of a playlist-check entry, as its list box shows them.
TSettingShown DescribeLanguageCodes(const std::vector<int32_t>& codes);
// A custom name of language row; stored is null when missing.
TSettingShown DescribeLanguageName(const TSettingValue& value, int32_t row,
                                   const TRegValue* stored);

// "NAME = VALUE (meaning; note)"
std::string SettingLine(const std::string& name, const TSettingShown& shown);
