#include "playlist/PlaylistCheckUtils.h"

#include <cstring>
#include <stdexcept>

#include "lang/STLLangUtils.h"
#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "playlist/TarnPlayListReader.h"
#include "stl/STLReader.h"

namespace {

// Log lines are collected and written in blocks of this size, so a playlist with
// thousands of misses does not cost a write per line.
constexpr size_t kLogWriteSize = 64 * 1024;

// The playlist's file name without its extension.
std::string PlaylistBaseName(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Language names go into log file names; "/" (as in "Unknown/not applicable") and NUL
// cannot be part of one, and would leave that language without its log.
std::string FileNameSafe(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0')
            c = '_';
    return name;
}

// The missing-subtitle log of one language of one playlist: created (replacing an older
// one) at the first miss only, so a language without misses leaves an older log untouched.
class TMissingLog {
public:
    explicit TMissingLog(std::string path) : path_(std::move(path)) {}

    void Add(const std::string& line) {
        if (!file_.IsOpen()) {
            // Delete first: the new file is made exclusively, so a file that cannot be
            // removed is a log that cannot be created rather than one appended to.
            DeleteFileAt(path_);
            if (!file_.CreateExclusive(path_))
                throw std::runtime_error("cannot create the missing-subtitle log");
        }
        pending_ += line;
        pending_ += "\r\n";
        if (pending_.size() >= kLogWriteSize)
            Flush();
    }

    void Close() {
        if (!file_.IsOpen())
            return;
        Flush();
        file_.Close();
    }

private:
    void Flush() {
        if (!pending_.empty() && !file_.Append(pending_.data(), int64_t(pending_.size())))
            throw std::runtime_error("cannot write the missing-subtitle log");
        pending_.clear();
    }

    std::string path_;
    TFile file_;
    std::string pending_;
};

template <class Found>
bool CheckPlaylistWith(const std::string& playlistPath, Found&& found,
                       const std::vector<int32_t>& languages, double threshold,
                       const std::string& missingsLogFolder, const TReportFunction& report,
                       TPlaylistCheckTally* tally) {
    return Guarded("CheckPlaylist", false, [&] {
        TTarnPlayListReader reader;
        if (!reader.LoadFile(playlistPath)) {
            TraceError("CheckPlaylist", "cannot load playlist file");
            return false;
        }
        const std::string baseName = PlaylistBaseName(playlistPath);
        const int32_t count = reader.ItemCount();
        std::string fileName;
        std::string tapeID;
        double duration = 0.0;
        for (const int32_t code : languages) {
            int32_t row = 0;
            if (!GetLanguageCodeIndex(code, row))
                TraceError("CheckPlaylist", "cannot retrieve language index");
            const std::string& language = STLLanguages[static_cast<size_t>(row)].LangLongName;
            TMissingLog log(missingsLogFolder + baseName + "-" + FileNameSafe(language) +
                            "-MissingLog.txt");
            for (int32_t i = 0; i < count; ++i) {
                if (!reader.GetItem(i, fileName, tapeID, duration)) {
                    TraceError("CheckPlaylist", "cannot get item from the loaded playlist file");
                    log.Close();
                    return false;
                }
                if (!(duration > threshold) || found(tapeID, code))
                    continue;
                if (tally != nullptr)
                    ++tally->Missing;
                const std::string entry =
                    "File Name: " + fileName + ". TapeID: " + tapeID + ". Language: " + language;
                if (report)
                    report(rtError,
                           ("Subtitle file not found. Playlist: " + playlistPath + ". " + entry)
                               .c_str());
                log.Add(entry);
            }
            log.Close();
        }
        return true;
    });
}

// Counts the playlist and, when its check failed, the failure.
bool Counted(bool checked, TPlaylistCheckTally* tally) {
    if (tally != nullptr) {
        ++tally->Playlists;
        if (!checked)
            ++tally->FailedPlaylists;
    }
    return checked;
}

} // namespace

int32_t TSubtitleIndex::LanguageCodeOf(const std::array<uint8_t, GSI_BLOCK_SIZE>& gsi) {
    // Both bytes as they stand: a NUL or a blank in either makes the code 0.
    const TGsiField& field = GsiField(gfLanguageCode);
    return HexTextToInt(
        std::string(reinterpret_cast<const char*>(gsi.data()) + field.Offset, field.Width));
}

std::string TSubtitleIndex::ReferenceCodeOf(const std::array<uint8_t, GSI_BLOCK_SIZE>& gsi) {
    const TGsiField& field = GsiField(gfSubtitleListReferenceCode);
    return STLTextToString(gsi.data() + field.Offset, field.Width);
}

std::string TSubtitleIndex::Key(const std::string& foldedTapeID, int32_t languageCode) {
    // The code takes a fixed four bytes at the end, so a key splits back into exactly one
    // (tape ID, code) pair whatever bytes the tape ID holds.
    std::string key = foldedTapeID;
    key.push_back('\0');
    char code[sizeof languageCode];
    std::memcpy(code, &languageCode, sizeof code);
    key.append(code, sizeof code);
    return key;
}

void TSubtitleIndex::Build(const TSubtitleInformationList& list) {
    keys_.clear();
    keys_.reserve(list.size());
    for (const TSubtitleInformation& subtitle : list)
        keys_.insert(Key(FoldText(ReferenceCodeOf(subtitle.Gsi)), LanguageCodeOf(subtitle.Gsi)));
}

bool TSubtitleIndex::Contains(const std::string& tapeID, int32_t languageCode) const {
    return keys_.count(Key(FoldText(tapeID), languageCode)) != 0;
}

bool LoadFileNames(const std::string& folder, const std::string& extension,
                   std::vector<std::string>& list) {
    return Guarded("LoadFileNames", false, [&] {
        list.clear();
        for (const std::string& name : ListFolder(folder, extension))
            list.push_back(folder + name);
        return true;
    });
}

bool LoadSubtitlesInformation(TSubtitleInformationList& list) {
    return Guarded("LoadSubtitlesInformation", false, [&] {
        for (TSubtitleInformation& subtitle : list) {
            TSTLReader reader;
            // Whether or not it opens, the entry keeps what the reader holds.
            reader.OpenFile(subtitle.Path, false);
            uint8_t* gsi = nullptr;
            reader.GetGeneralSubtitleInformation(gsi);
            if (gsi != nullptr)
                std::memcpy(subtitle.Gsi.data(), gsi, subtitle.Gsi.size());
            else
                subtitle.Gsi.fill(0);
        }
        return true;
    });
}

bool FindSub(const TSubtitleInformationList& list, const std::string& tapeID,
             int32_t languageCode) {
    return Guarded("FindSub", false, [&] {
        const std::string wanted = FoldText(tapeID);
        for (const TSubtitleInformation& subtitle : list) {
            const int32_t code = TSubtitleIndex::LanguageCodeOf(subtitle.Gsi);
            if (FoldText(TSubtitleIndex::ReferenceCodeOf(subtitle.Gsi)) == wanted &&
                code == languageCode)
                return true;
        }
        return false;
    });
}

bool CheckPlaylist(const std::string& playlistPath, const TSubtitleIndex& index,
                   const std::vector<int32_t>& languages, double threshold,
                   const std::string& missingsLogFolder, const TReportFunction& report,
                   TPlaylistCheckTally* tally) {
    auto found = [&](const std::string& tapeID, int32_t code) {
        return index.Contains(tapeID, code);
    };
    return Counted(CheckPlaylistWith(playlistPath, found, languages, threshold, missingsLogFolder,
                                     report, tally),
                   tally);
}

bool CheckPlaylist(const std::string& playlistPath, const TSubtitleInformationList& list,
                   const std::vector<int32_t>& languages, double threshold,
                   const std::string& missingsLogFolder, const TReportFunction& report,
                   TPlaylistCheckTally* tally) {
    auto found = [&](const std::string& tapeID, int32_t code) {
        return FindSub(list, tapeID, code);
    };
    return Counted(CheckPlaylistWith(playlistPath, found, languages, threshold, missingsLogFolder,
                                     report, tally),
                   tally);
}

bool CheckPlaylistGroup(const TPlaylistCheckSettings& settings, const TLogFunction& log,
                        const TReportFunction& report, TPlaylistCheckTally* tally) {
    return Guarded("CheckPlaylistGroup", false, [&] {
        std::vector<std::string> playlists;
        if (!LoadFileNames(settings.PlaylistsFolder, "ply", playlists))
            return false;
        std::vector<std::string> subtitlePaths;
        if (!LoadFileNames(settings.SubtitlesFolder, "stl", subtitlePaths))
            return false;
        TSubtitleInformationList subtitles;
        // Without playlists nothing is looked up: the headers are not worth reading.
        if (!playlists.empty()) {
            subtitles.resize(subtitlePaths.size());
            for (size_t i = 0; i < subtitlePaths.size(); ++i)
                subtitles[i].Path = std::move(subtitlePaths[i]);
            if (!LoadSubtitlesInformation(subtitles))
                return false;
        }
        // The index is built once and shared by every playlist of the entry.
        const TSubtitleIndex index(subtitles);
        const double threshold =
            settings.CheckClipsWidhDurationOver ? settings.ClipsDurationThreasholdSeconds : -1.0;
        for (const std::string& playlist : playlists) {
            if (log)
                log(("Playlist check: " + playlist).c_str());
            if (!CheckPlaylist(playlist, index, settings.LanguageCheckList, threshold,
                               settings.MissingsLogFolder, report, tally))
                TraceError("CheckPlaylistGroup", "cannot check playlist");
        }
        return true;
    });
}
