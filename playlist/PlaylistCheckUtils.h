// The playlist check: does every clip of every playlist of an entry have a subtitle file,
// in every language of the entry, among the STL files of its subtitles folder? A subtitle
// file belongs to a clip when its GSI Subtitle List Reference Code is the clip's tape ID and
// its Language Code the checked language; file names of subtitle files play no part.
//
// Every miss is reported as an Error and written to a log file per playlist and language:
// <missings log folder><playlist name without extension>-<language name>-MissingLog.txt
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "playlist/PlaylistCheckSettings.h"
#include "stl/STLBlocks.h"
#include "stl/STLUtils.h"

// One STL file of the subtitles folder and a copy of its GSI block (all zero bytes when
// nothing could be read from it).
struct TSubtitleInformation {
    std::string Path;
    std::array<uint8_t, GSI_BLOCK_SIZE> Gsi{};
};
using TSubtitleInformationList = std::vector<TSubtitleInformation>;

// What a check found, added up over every call it is handed to (callers start from zero).
struct TPlaylistCheckTally {
    int64_t Playlists = 0;       // playlists whose check was started
    int64_t FailedPlaylists = 0; // playlists that could not be read or fully checked
    int64_t Missing = 0;         // clip and language pairs reported missing
};

// The subtitle files keyed by (tape ID trimmed and upper-cased, language code), so a clip is
// looked up in constant time. Answers exactly as FindSub over the list it was built from.
class TSubtitleIndex {
public:
    TSubtitleIndex() = default;
    explicit TSubtitleIndex(const TSubtitleInformationList& list) { Build(list); }

    // Replaces the content with the keys of list.
    void Build(const TSubtitleInformationList& list);
    bool Contains(const std::string& tapeID, int32_t languageCode) const;
    size_t KeyCount() const { return keys_.size(); }

    // The two GSI fields the check uses: the Language Code read as hexadecimal (0 when its
    // two bytes are not hexadecimal digits) and the reference code cut at its first NUL.
    static int32_t LanguageCodeOf(const std::array<uint8_t, GSI_BLOCK_SIZE>& gsi);
    static std::string ReferenceCodeOf(const std::array<uint8_t, GSI_BLOCK_SIZE>& gsi);

private:
    static std::string Key(const std::string& foldedTapeID, int32_t languageCode);

    std::unordered_set<std::string> keys_;
};

// Replaces list with folder + name of every entry of folder whose name ends in
// "." + extension (any letter case), in the order the system lists them. A missing or empty
// folder gives an empty list and true.
bool LoadFileNames(const std::string& folder, const std::string& extension,
                   std::vector<std::string>& list);

// Fills the GSI copy of every entry from its file, in order. A file that cannot be opened
// keeps whatever the reader holds (zero bytes when nothing was read) and stays in the list.
bool LoadSubtitlesInformation(TSubtitleInformationList& list);

// The plain search: walks list from the start for a file whose reference code (trimmed,
// upper-cased) is tapeID (trimmed, upper-cased) and whose language code is languageCode.
bool FindSub(const TSubtitleInformationList& list, const std::string& tapeID, int32_t languageCode);

// Checks one playlist in every language of languages, in order. Clips whose duration is not
// strictly greater than threshold (seconds; -1 when the threshold is off) are skipped. Each
// miss is reported (Error) and counted in tally. False (traced) when the playlist cannot be
// read, or when a log file cannot be created: the languages after it are then not checked.
bool CheckPlaylist(const std::string& playlistPath, const TSubtitleIndex& index,
                   const std::vector<int32_t>& languages, double threshold,
                   const std::string& missingsLogFolder, const TReportFunction& report,
                   TPlaylistCheckTally* tally = nullptr);
// The same with FindSub over the list, clip by clip: the cost the index avoids, kept to
// measure and compare against.
bool CheckPlaylist(const std::string& playlistPath, const TSubtitleInformationList& list,
                   const std::vector<int32_t>& languages, double threshold,
                   const std::string& missingsLogFolder, const TReportFunction& report,
                   TPlaylistCheckTally* tally = nullptr);

// Checks every playlist (*.ply) of the entry's playlists folder against the STL files
// (*.stl) of its subtitles folder, logging "Playlist check: <path>" before each. A playlist
// that fails is traced and skipped; the result is false only when the folders or the
// subtitle headers cannot be listed or read at all.
bool CheckPlaylistGroup(const TPlaylistCheckSettings& settings, const TLogFunction& log,
                        const TReportFunction& report, TPlaylistCheckTally* tally = nullptr);
