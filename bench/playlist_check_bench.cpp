// The check of one playlist-check entry as a broadcaster's library makes it: many playlists
// against a subtitles folder of many files, in several languages. Times CheckPlaylistGroup,
// which looks every clip up in an index of the subtitle headers, against the same check
// with the plain search that walks every header for every clip and language, in one run,
// and makes sure both find the same misses and write the same logs.
//
//   playlist_check_bench [PLAYLISTS [CLIPS [SUBTITLES]]]
//                                      defaults: 1000 playlists of 50 clips, 20000 files
//
// Five languages are checked. The subtitle files are 1024-byte headers with one text block,
// five per tape (one per language); one tape in fifty lacks one language, and about one
// clip in forty names a tape that has no file at all. The work folder is made under $TMPDIR
// (or /tmp) and removed at the end. Exits 1 when the two checks disagree.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "platform/TextUtils.h"
#include "playlist/PlaylistCheckSettings.h"
#include "playlist/PlaylistCheckUtils.h"
#include "stl/STLBlocks.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

// English, French, German, Spanish, Italian.
const std::vector<int32_t> kLanguages = {0x09, 0x0F, 0x08, 0x0A, 0x15};

int Fail(const std::string& message) {
    std::fprintf(stderr, "playlist_check_bench: %s\n", message.c_str());
    return 2;
}

double Seconds(TClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Removes the work folder however the program ends.
struct TWorkFolder {
    fs::path Path;
    ~TWorkFolder() {
        std::error_code ec;
        if (!Path.empty())
            fs::remove_all(Path, ec);
    }
};

bool WriteFile(const std::string& path, const void* data, size_t size) {
    TFile file;
    return file.CreateExclusive(path) && file.Append(data, int64_t(size));
}

std::string TapeName(int32_t tape) {
    char text[16];
    std::snprintf(text, sizeof text, "TP%06d", int(tape));
    return text;
}

// A GSI block carrying tape and language, then one text block.
std::vector<uint8_t> SubtitleFile(const std::string& tape, int32_t language) {
    std::vector<uint8_t> bytes(GSI_BLOCK_SIZE + TTI_BLOCK_SIZE, ' ');
    auto field = [&bytes](size_t offset, size_t width, const std::string& value) {
        for (size_t i = 0; i < width; ++i)
            bytes[offset + i] = i < value.size() ? uint8_t(value[i]) : uint8_t(' ');
    };
    field(0, 3, "850");
    field(3, 8, "STL25.01");
    field(11, 1, "1");
    field(12, 2, "00");
    field(14, 2, IntToHexText(uint32_t(language), 2));
    field(208, 16, tape);
    field(238, 5, "00001");
    field(243, 5, "00001");
    field(248, 3, "001");
    uint8_t* tti = bytes.data() + GSI_BLOCK_SIZE;
    std::fill(tti, tti + TTI_BLOCK_SIZE, uint8_t(0x8F));
    tti[0] = 0;
    tti[1] = 1;
    tti[2] = 0;
    tti[3] = 0xFF;
    const std::string text = "Subtitle of " + tape;
    std::copy(text.begin(), text.end(), tti + TTI_TEXT_FIELD_OFFSET);
    return bytes;
}

// Every file of folder with its content, by name.
std::map<std::string, std::string> FolderContent(const fs::path& folder) {
    std::map<std::string, std::string> content;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        content[entry.path().filename().string()] = text.str();
    }
    return content;
}

struct TRun {
    std::vector<std::string> Reports;
    int64_t Logged = 0;
    TPlaylistCheckTally Tally;
    double Seconds = 0.0;
    double LoadSeconds = 0.0; // listing both folders and reading every header
};

} // namespace

int main(int argc, char** argv) {
    int32_t playlists = 1000, clips = 50, subtitles = 20000;
    if ((argc > 1 && (!TryStrToInt(argv[1], playlists) || playlists < 1)) ||
        (argc > 2 && (!TryStrToInt(argv[2], clips) || clips < 1)) ||
        (argc > 3 &&
         (!TryStrToInt(argv[3], subtitles) || subtitles < int32_t(kLanguages.size()))) ||
        argc > 4)
        return Fail("usage: playlist_check_bench [PLAYLISTS [CLIPS [SUBTITLES]]]");

    TWorkFolder work;
    std::string pattern = GetTmpPath() + "caplin-playlist-bench.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return Fail("cannot make a work folder under " + GetTmpPath());
    work.Path = pattern;
    const fs::path lists = work.Path / "lists", subs = work.Path / "subs",
                   indexedLogs = work.Path / "logs-indexed", linearLogs = work.Path / "logs-linear";
    for (const fs::path& folder : {lists, subs, indexedLogs, linearLogs})
        fs::create_directory(folder);

    // Five files per tape; in one tape of fifty, one language is another tape's instead, a
    // tape that no clip names.
    const int32_t languages = int32_t(kLanguages.size());
    const int32_t tapes = subtitles / languages;
    for (int32_t i = 0; i < subtitles; ++i) {
        const int32_t tape = i / languages, language = i % languages;
        const bool decoy = tape % 50 == 7 && language == tape % languages;
        const std::string tapeName = decoy || tape >= tapes ? "EX" + TapeName(i) : TapeName(tape);
        const std::vector<uint8_t> bytes = SubtitleFile(tapeName, kLanguages[size_t(language)]);
        char name[32];
        std::snprintf(name, sizeof name, "S%06d.stl", int(i));
        if (!WriteFile((subs / name).string(), bytes.data(), bytes.size()))
            return Fail("cannot write the subtitle files in " + subs.string());
    }
    // Clips spread over the tapes and a few more that have no file (about one in forty).
    const int32_t namedTapes = tapes + tapes / 40;
    for (int32_t p = 0; p < playlists; ++p) {
        std::string text;
        for (int32_t c = 0; c < clips; ++c) {
            const int64_t n = int64_t(p) * clips + c;
            const int32_t tape = int32_t((n * 7919) % namedTapes);
            const int32_t length = 5 + int32_t((n * 31) % 1800);
            text += "#TAPEID " + TapeName(tape) + "\r\n\"CLIP_" + std::to_string(n) + "\";0.00;" +
                    std::to_string(length) + ".00\r\n";
        }
        char name[32];
        std::snprintf(name, sizeof name, "P%05d.ply", int(p));
        if (!WriteFile((lists / name).string(), text.data(), text.size()))
            return Fail("cannot write the playlists in " + lists.string());
    }

    TPlaylistCheckSettings settings;
    settings.PlaylistsFolder = IncludeTrailingSlash(lists.string());
    settings.SubtitlesFolder = IncludeTrailingSlash(subs.string());
    settings.LanguageCheckList = kLanguages;
    settings.MissingsLogFolder = IncludeTrailingSlash(indexedLogs.string());
    const double threshold = -1.0; // off: every clip is checked

    auto sinks = [](TRun& run) {
        const TLogFunction log = [&run](const char*) {
            ++run.Logged;
            return STATUS_OK;
        };
        const TReportFunction report = [&run](int32_t, const char* text) {
            run.Reports.emplace_back(text);
            return STATUS_OK;
        };
        return std::pair{log, report};
    };

    std::printf("%d playlists of %d clips, %d subtitle files, %d languages: %lld lookups\n",
                int(playlists), int(clips), int(subtitles), int(languages),
                (long long)playlists * clips * languages);
    std::fflush(stdout);

    TRun indexed;
    {
        const auto [log, report] = sinks(indexed);
        const auto start = TClock::now();
        if (!CheckPlaylistGroup(settings, log, report, &indexed.Tally))
            return Fail("CheckPlaylistGroup failed");
        indexed.Seconds = Seconds(TClock::now() - start);
    }
    std::printf("indexed (CheckPlaylistGroup): %10.3f s\n", indexed.Seconds);
    std::fflush(stdout);

    // The same steps, each clip looked up with the plain search.
    TRun linear;
    {
        const auto [log, report] = sinks(linear);
        const auto start = TClock::now();
        std::vector<std::string> playlistPaths;
        TSubtitleInformationList subtitleList;
        std::vector<std::string> subtitlePaths;
        if (!LoadFileNames(settings.PlaylistsFolder, "ply", playlistPaths) ||
            !LoadFileNames(settings.SubtitlesFolder, "stl", subtitlePaths))
            return Fail("LoadFileNames failed");
        for (const std::string& path : subtitlePaths)
            subtitleList.push_back(TSubtitleInformation{path, {}});
        if (!LoadSubtitlesInformation(subtitleList))
            return Fail("LoadSubtitlesInformation failed");
        linear.LoadSeconds = Seconds(TClock::now() - start);
        const std::string logFolder = IncludeTrailingSlash(linearLogs.string());
        for (const std::string& path : playlistPaths) {
            log(("Playlist check: " + path).c_str());
            CheckPlaylist(path, subtitleList, settings.LanguageCheckList, threshold, logFolder,
                          report, &linear.Tally);
        }
        linear.Seconds = Seconds(TClock::now() - start);
    }
    std::printf("linear (FindSub):             %10.3f s (of which %.3f s listing and reading "
                "headers)\n",
                linear.Seconds, linear.LoadSeconds);
    std::printf("linear / indexed:             %10.1f x\n", linear.Seconds / indexed.Seconds);

    // The playlists may come in any order from the folder, but in the same order for both.
    bool same = indexed.Reports == linear.Reports && indexed.Logged == linear.Logged &&
                indexed.Tally.Missing == linear.Tally.Missing &&
                indexed.Tally.Playlists == linear.Tally.Playlists &&
                indexed.Tally.FailedPlaylists == linear.Tally.FailedPlaylists;
    if (same && FolderContent(indexedLogs) != FolderContent(linearLogs))
        same = false;
    std::printf("misses: %lld in %zu log files, %s\n", (long long)indexed.Tally.Missing,
                FolderContent(indexedLogs).size(),
                same ? "the same in both checks" : "THE TWO CHECKS DISAGREE");
    if (indexed.Tally.Missing == 0 || indexed.Logged != playlists)
        return Fail("the generated data does not exercise the check");
    return same ? 0 : 1;
}
