// The check of one playlist-check entry cut into short steps, so that a window can show its
// progress and take a Stop between them: the two folders are listed first, then the
// subtitle headers are read a few files at a time, then the playlists are checked one by
// one. Run to its end it logs, reports and writes exactly what CheckPlaylistGroup does.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "playlist/PlaylistCheckSettings.h"
#include "playlist/PlaylistCheckUtils.h"
#include "stl/STLUtils.h"

class TPlaylistGroupCheck {
public:
    // settings are copied, so the entry may change or go while the check runs. A step goes
    // on taking further pieces of work until budget has passed; it always takes one.
    TPlaylistGroupCheck(const TPlaylistCheckSettings& settings, TLogFunction log,
                        TReportFunction report,
                        std::chrono::milliseconds budget = std::chrono::milliseconds(40),
                        TPlaylistCheckTally* tally = nullptr);

    // One slice of the work; true while work remains.
    bool Step();
    // The rest of the work at once.
    void Finish();
    bool Done() const { return phase_ == TPhase::Done; }
    // False when the folders or the subtitle headers could not be listed or read, as
    // CheckPlaylistGroup then fails. Meaningful once Done.
    bool Succeeded() const { return succeeded_; }
    const TPlaylistCheckSettings& Settings() const { return settings_; }
    size_t PlaylistCount() const { return playlists_.size(); }
    size_t PlaylistsChecked() const { return phase_ == TPhase::Check ? next_ : checked_; }

    // Headers read in one piece of work.
    static constexpr size_t kHeadersPerPiece = 64;

private:
    enum class TPhase { List, ReadHeaders, Check, Done };

    void Piece();
    void ListFolders();
    void ReadHeaders();
    void CheckNextPlaylist();
    void End(bool succeeded);

    TPlaylistCheckSettings settings_;
    TLogFunction log_;
    TReportFunction report_;
    std::chrono::milliseconds budget_;
    TPlaylistCheckTally* tally_;
    TPhase phase_ = TPhase::List;
    bool succeeded_ = false;
    double threshold_ = -1.0;
    std::vector<std::string> playlists_;
    TSubtitleInformationList subtitles_;
    TSubtitleIndex index_;
    size_t next_ = 0;    // next header to read, or next playlist to check
    size_t checked_ = 0; // playlists checked, kept once the lists are released
};
