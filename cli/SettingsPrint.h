// The settings as the command line prints them: values as "NAME = VALUE (meaning)" and the
// lists as the window's list views show them, a row per entry numbered from 1, cells
// separated by " | ", under a line of the view's column captions.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "playlist/PlaylistCheckList.h"
#include "session/SettingsView.h"
#include "watchfolder/WatchFolderList.h"

// The watch-folder list view: "#", "Watch Folder", "Destination Folder", "Comment".
void PrintWatchFolderList(std::ostream& out, const TWatchFolderList& list,
                          const std::string& indent = "");
// The playlist-check list view: "#", "Playlists Folder", "Subtitles Folder", "Comment".
void PrintPlaylistList(std::ostream& out, const TPlaylistCheckList& list,
                       const std::string& indent = "");
// The subtitle file types dialog's list view.
void PrintFileTypes(std::ostream& out, const TSubtitleFileTypeList& list,
                    const std::string& indent = "");
// The hex find-and-replace dialog's list view.
void PrintHexItems(std::ostream& out, const THexFindAndReplaceList& list,
                   const std::string& indent = "");

// Every value of part stored under key (main, batch, watch folder, watch-folder entry), with
// the defaults of the missing ones, as the window reads them.
void PrintStoredValues(std::ostream& out, uint32_t part, const std::string& key,
                       const TSettingsViewContext& context);
// "[title] HKEY_CURRENT_USER\<key>"
void PrintSectionTitle(std::ostream& out, const std::string& title, const std::string& key);
