#include "cli/CliHints.h"

#include "convert/STLConvertSettings.h"
#include "platform/Trace.h"
#include "watchfolder/WatchFolderList.h"

namespace {

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

void TFileNameHints::Converted(const TConvertOutcome& outcome,
                               const std::function<std::string()>& hint) {
    GuardedVoid("TFileNameHints.Converted", [&] {
        if (hinted_ || (outcome.Fault != TConvertFault::LanguageNotInFileName &&
                        outcome.Fault != TConvertFault::TapeIDNotInFileName))
            return;
        const std::string text = hint();
        if (text.empty())
            return;
        hinted_ = true;
        if (BeforeLine)
            BeforeLine();
        err_ << text << '\n' << std::flush;
        if (AfterLine)
            AfterLine();
    });
}

std::string BatchFileNameHint(const TSTLConvertSettings& settings) {
    if (!settings.SubtitleFileTypes.empty())
        return {};
    return FileNameHint("the Batch settings hold", "--batch", "caplin-cli settings set batch");
}

std::string WatchFolderFileNameHint(const TWatchFolderList& list, size_t folder) {
    if (folder >= list.Items.size() || !list.Items[folder]->Settings.SubtitleFileTypes.empty())
        return {};
    const std::string number = std::to_string(folder + 1);
    return FileNameHint("watch folder " + number + " holds", "--watch-folder " + number,
                        "caplin-cli watch-folders update " + number);
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
