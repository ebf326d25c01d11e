#include "cli/CliHints.h"

#include "convert/STLConvertSettings.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "watchfolder/WatchFolderList.h"

namespace {

// The conversion's own texts: its operation-log line before each file and its two refusals
// of a file name it cannot read.
constexpr const char* kConvertingPrefix = "Converting STL file : ";
constexpr const char* kNoLanguage = "Cannot retrieve Language from file name";
constexpr const char* kNoTapeID = "Cannot retrieve TapeID from file name";

std::string FileNameHint(const std::string& holder, const std::string& target,
                         const std::string& setCommand) {
    return "caplin-cli: hint: " + holder +
           " no subtitle file type to read the tape ID and language from a file name; add one "
           "(caplin-cli file-types add " +
           target +
           " Name=... CharsCount=... TapeIDParseStringStartPosition=... ...) or take them from "
           "elsewhere (" +
           setCommand + " LanguageSource=... TapeIDSource=...)";
}

} // namespace

void THintingConsole::LogLineWritten(const std::string& text) {
    TConsoleObserver::LogLineWritten(text);
    GuardedVoid("THintingConsole.LogLineWritten", [&] {
        if (text.rfind(kConvertingPrefix, 0) == 0)
            path_ = text.substr(std::string(kConvertingPrefix).size());
    });
}

void THintingConsole::MessageLineWritten(int32_t type, const std::string& text) {
    TConsoleObserver::MessageLineWritten(type, text);
    GuardedVoid("THintingConsole.MessageLineWritten", [&] {
        if (hinted_ || !FileNameHint || type != rtError ||
            (text != kNoLanguage && text != kNoTapeID))
            return;
        const std::string hint = FileNameHint(path_);
        if (hint.empty())
            return;
        hinted_ = true;
        if (BeforeLine)
            BeforeLine();
        err_ << hint << '\n' << std::flush;
        if (AfterLine)
            AfterLine();
    });
}

std::string BatchFileNameHint(const TSTLConvertSettings& settings) {
    if (!settings.SubtitleFileTypes.empty())
        return {};
    return FileNameHint("the Batch settings hold", "--batch", "caplin-cli settings set batch");
}

std::string WatchFolderFileNameHint(const TWatchFolderList& list, const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    for (size_t i = 0; i < list.Items.size(); ++i) {
        const TWatchFolderSTLConvertSettings& settings = list.Items[i]->Settings;
        if (IncludeTrailingSlash(settings.WatchFolder) != folder)
            continue;
        if (!settings.SubtitleFileTypes.empty())
            return {};
        const std::string number = std::to_string(i + 1);
        return FileNameHint("watch folder " + number + " holds", "--watch-folder " + number,
                            "caplin-cli watch-folders update " + number);
    }
    return {};
}

std::string NoWatchFolderHint(const std::string& settingsPath) {
    return "caplin-cli: the settings file " + settingsPath +
           " holds no watch folder; add one with: caplin-cli watch-folders add WATCH_DIR "
           "DEST_DIR";
}

std::string NoPlaylistEntryHint(const std::string& settingsPath) {
    return "caplin-cli: the settings file " + settingsPath +
           " holds no playlist-check entry; add one with: caplin-cli playlists add "
           "PLAYLISTS_DIR SUBTITLES_DIR LOG_DIR Languages=...";
}
