// The playlist-check list of the Playlist Check page without the window: its registry
// form, the duplicate test and the check of one entry. The window and
// `caplin-cli check-playlists` both drive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playlist/PlaylistCheckSettings.h"
#include "playlist/PlaylistCheckUtils.h"
#include "stl/STLUtils.h"

class TPlaylistCheckList {
public:
    std::vector<std::unique_ptr<TPlaylistCheckSettings>> Entries;

    // "PlaylistsCheckListCount" (missing: 0) under kPlaylistsCheckKey, then every
    // "PC_<n>\" entry with its "Languages" subkey, appended; an entry that fails to load is
    // left out.
    bool LoadRegistryPlaylistCheckLists();
    // The count and every entry under "PC_<n>\" in list order. Keys of a longer earlier list
    // stay.
    bool SaveRegistryPlaylistCheckLists() const;
    bool ClearPlaylistCheckList();
    // True when an entry has both folders equal to these, trimmed and upper-cased.
    bool IsPlayListFolderInList(const std::string& playlistsFolder,
                                const std::string& subtitlesFolder) const;
    // The checks of the page's Add, in its order: true when entry may join the list, else
    // false with the page's message in refusal (empty after a traced failure). The entry
    // numbered except (0-based) is left out of the duplicate test: an update of it may keep
    // its folders.
    bool MayAdd(const TPlaylistCheckSettings& entry, std::string& refusal,
                size_t except = SIZE_MAX) const;
    // Runs the check of entry index. When it fails, reports the Error
    // "Error checking playlist folder " + its playlists folder and returns false. Misses and
    // failed playlists are added to tally.
    bool CheckEntry(size_t index, const TLogFunction& log, const TReportFunction& report,
                    TPlaylistCheckTally* tally = nullptr);

    // "Software\Velmora\Caplin\PlaylistsCheck\PC_<index>\"
    static std::string EntryKey(size_t index);
};
