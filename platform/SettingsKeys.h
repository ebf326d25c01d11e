// Where each part of Caplin keeps its settings, under the per-user root. The root is named
// here once; every key below it is spelled from it.
#pragma once

#define CAPLIN_SETTINGS_ROOT "Software\\Velmora\\Caplin\\"

// The main values: window bounds, column widths, the frame-rate policy, the log folders.
inline constexpr const char* kCaplinKey = CAPLIN_SETTINGS_ROOT;
// The Batch page's conversion settings.
inline constexpr const char* kBatchKey = CAPLIN_SETTINGS_ROOT "Batch\\";
// The Watch Folder page's editing settings and, in "WF_<n>\" below it, the watch folders.
inline constexpr const char* kWatchFolderKey = CAPLIN_SETTINGS_ROOT "WatchFolder\\";
// The Playlist Check page's editing entry and, in "PC_<n>\" below it, the check list.
inline constexpr const char* kPlaylistsCheckKey = CAPLIN_SETTINGS_ROOT "PlaylistsCheck\\";
// The operator's two- and three-letter language names.
inline constexpr const char* STL_CUSTOM_LANGUAGES_KEY = CAPLIN_SETTINGS_ROOT "Languages";

// Subkeys of a conversion settings key holding its two lists.
inline constexpr const char* kHexFindReplaceSubKey = "HexFindReplace";
inline constexpr const char* kSubtitleFileTypeSubKey = "SubtitleFileType";
// Subkey of a playlist-check entry holding its languages.
inline constexpr const char* kPlaylistCheckLanguagesSubKey = "Languages";
