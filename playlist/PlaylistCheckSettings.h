// One entry of the playlist-check list: where the playlists and subtitle files are, the
// languages to check, where the missing-subtitle logs go and the clip-duration threshold;
// and its registry form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SettingsKeys.h"

class TPlaylistCheckSettings {
public:
    std::string PlaylistsFolder;            // ends in "/" once loaded or set through the page
    std::string SubtitlesFolder;            // likewise
    std::vector<int32_t> LanguageCheckList; // STL language codes (15 for "0F"), in order added
    std::string Comment;
    std::string MissingsLogFolder; // likewise
    // When set, only clips longer than the threshold are checked. The names are those of the
    // stored values and must not be corrected.
    bool CheckClipsWidhDurationOver = false;
    double ClipsDurationThreasholdSeconds = 0.0;

    bool Assign(const TPlaylistCheckSettings& source);

    // entryKey is a key path ("Software\Velmora\Caplin\PlaylistsCheck\PC_0\"); the language
    // list lives in its subkey languagesSubKey. An absent key loads nothing and succeeds;
    // absent or mistyped values give empty fields. Folders gain a trailing "/".
    bool LoadFromRegistry(const std::string& entryKey, const std::string& languagesSubKey);
    bool SaveToRegistry(const std::string& entryKey, const std::string& languagesSubKey) const;
};

// "LangsCount" and "LangID_<i>" under keyPath (created when missing). Values of a longer
// earlier list stay. False without a list.
bool SaveLanguageCheckListToRegistry(const std::string& keyPath, const std::vector<int32_t>* codes);
// Replaces codes with the stored list; a missing "LangsCount" is written back as 0 and
// missing "LangID_<i>" values are skipped. An absent key leaves codes as they are. False
// without a list.
bool LoadLanguageCheckListFromRegistry(const std::string& keyPath, std::vector<int32_t>* codes);

struct TSettingValue;
// The values of one entry in stored order, its languages among them.
std::vector<const TSettingValue*> PlaylistCheckSettingValues();
