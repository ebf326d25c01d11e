// The text form of the settings file and the key-tree operations TSettingsStore shares
// with its parser. Used only inside the platform layer.
#pragma once

#include "platform/RegValue.h"

#include <map>
#include <string>
#include <vector>

namespace settingsfile {

// Folded key path -> key, as TSettingsStore keeps it.
using TRegKeyMap = std::map<std::string, TRegKeyData>;

// Components joined by single "\", without leading or trailing separators.
std::string NormaliseKeyPath(const std::string& path);
// What key and value names are compared by (ASCII upper case).
std::string FoldKeyName(const std::string& text);
// FoldKeyName(a) == FoldKeyName(b), without building either: every value lookup compares
// names, so a store of thousands of values must not allocate for it.
bool SameKeyName(const std::string& a, const std::string& b);

// The key at a normalised path, created with its parents when missing.
TRegKeyData& EnsureKey(TRegKeyMap& keys, const std::string& path);
// Sets a value, keeping the name and place of an existing one of the same name.
void PutValue(TRegKeyData& key, const TRegValue& value);
void PutValue(TRegKeyData& key, TRegValue&& value);
// Every key, parents before their children.
std::vector<TRegKeyMap::const_iterator> KeysInTreeOrder(const TRegKeyMap& keys);

// Parses settings-file text (source names it in trace lines) into keys. False when the
// text is not a settings file; blank text is an empty store. unparsed, when given, gets the
// number (from 1) of the first line that could not be parsed, or 0.
bool ParseSettingsText(const std::string& raw, const std::string& source, TRegKeyMap& keys,
                       size_t* unparsed = nullptr);
// The settings-file text of keys: UTF-8, LF line ends, keys in tree order.
std::string FormatSettingsText(const TRegKeyMap& keys);

} // namespace settingsfile
