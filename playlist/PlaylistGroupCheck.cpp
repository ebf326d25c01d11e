#include "playlist/PlaylistGroupCheck.h"

#include <algorithm>
#include <iterator>

#include "platform/Trace.h"

TPlaylistGroupCheck::TPlaylistGroupCheck(const TPlaylistCheckSettings& settings, TLogFunction log,
                                         TReportFunction report, std::chrono::milliseconds budget,
                                         TPlaylistCheckTally* tally)
    : settings_(settings), log_(std::move(log)), report_(std::move(report)), budget_(budget),
      tally_(tally) {
    threshold_ =
        settings_.CheckClipsWidhDurationOver ? settings_.ClipsDurationThreasholdSeconds : -1.0;
}

bool TPlaylistGroupCheck::Step() {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = Guarded("CheckPlaylistGroup", false, [&] {
        do
            Piece();
        while (!Done() && std::chrono::steady_clock::now() - start < budget_);
        return true;
    });
    if (!ok)
        End(false);
    return !Done();
}

void TPlaylistGroupCheck::Finish() {
    while (Step()) {
    }
}

void TPlaylistGroupCheck::Piece() {
    switch (phase_) {
    case TPhase::List:
        ListFolders();
        break;
    case TPhase::ReadHeaders:
        ReadHeaders();
        break;
    case TPhase::Check:
        CheckNextPlaylist();
        break;
    case TPhase::Done:
        break;
    }
}

void TPlaylistGroupCheck::ListFolders() {
    std::vector<std::string> subtitlePaths;
    if (!LoadFileNames(settings_.PlaylistsFolder, "ply", playlists_) ||
        !LoadFileNames(settings_.SubtitlesFolder, "stl", subtitlePaths)) {
        End(false);
        return;
    }
    // Without playlists nothing is looked up: the headers are not worth reading.
    if (playlists_.empty()) {
        End(true);
        return;
    }
    subtitles_.resize(subtitlePaths.size());
    for (size_t i = 0; i < subtitlePaths.size(); ++i)
        subtitles_[i].Path = std::move(subtitlePaths[i]);
    next_ = 0;
    phase_ = TPhase::ReadHeaders;
}

void TPlaylistGroupCheck::ReadHeaders() {
    const size_t end = std::min(subtitles_.size(), next_ + kHeadersPerPiece);
    TSubtitleInformationList piece(std::make_move_iterator(subtitles_.begin() + next_),
                                   std::make_move_iterator(subtitles_.begin() + end));
    if (!LoadSubtitlesInformation(piece)) {
        End(false);
        return;
    }
    std::move(piece.begin(), piece.end(), subtitles_.begin() + next_);
    next_ = end;
    if (next_ < subtitles_.size())
        return;
    // The index holds what the lookups need; the headers themselves can go.
    index_.Build(subtitles_);
    subtitles_ = {};
    next_ = 0;
    phase_ = TPhase::Check;
}

void TPlaylistGroupCheck::CheckNextPlaylist() {
    const std::string& playlist = playlists_[next_++];
    if (log_)
        log_(("Playlist check: " + playlist).c_str());
    if (!CheckPlaylist(playlist, index_, settings_.LanguageCheckList, threshold_,
                       settings_.MissingsLogFolder, report_, tally_))
        TraceError("CheckPlaylistGroup", "cannot check playlist");
    if (next_ >= playlists_.size())
        End(true);
}

void TPlaylistGroupCheck::End(bool succeeded) {
    checked_ = phase_ == TPhase::Check ? next_ : 0;
    succeeded_ = succeeded;
    phase_ = TPhase::Done;
    subtitles_ = {};
    index_ = TSubtitleIndex();
}
