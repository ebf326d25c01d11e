// A settings value as the operator types it on the command line, read the way the window's
// control for it takes it (a number, a drop-down item's text, a language name, yes/no, a time
// code, a folder) and written in exactly the type and form the window reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "session/MainSettings.h"
#include "session/SettingsSchema.h"

struct TSettingInput {
    const TSettingValue* Value = nullptr;
    TRegValue Stored;           // under the value's name; unused for a language list
    std::vector<int32_t> Codes; // a language list, in the order given, without repeats
};

// Reads text for value of part. False with a refusal that names what is allowed.
bool ParseSettingInput(const TSettingValue& value, uint32_t part, const std::string& text,
                       TSettingInput& input, std::string& refusal);

// The code of the language text names: a two-hex-digit code of the table ("09"), else an
// operator's two- or three-letter name ("en", "eng"), else a long name ("English"), all
// compared ignoring case. False when none is.
bool FindLanguageCode(const std::string& text, int32_t& code);

// Writes input under key, created when missing; a language list goes into the key's subkey
// "Languages" as the playlist-check entry keeps it. False when the key cannot be written.
bool WriteSettingInput(const std::string& key, const TSettingInput& input);

// What the window writes for value into an entry added from its cleared panel: the default
// as the panel shows it (a time code of zeros, code page 850, the language of code 00), and
// main's frame-rate policy for its copies.
TSettingInput FreshSettingInput(const TSettingValue& value, const TMainSettings& main);
