// What the command line adds on standard error where a user tends to get stuck: the next
// step, naming the command that takes it. Standard output and the daily files never see it.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "cli/CliSettings.h"

class TSTLConvertSettings;
class TWatchFolderList;

// The console of a conversion run that, the first time a file name gives no tape ID or no
// language, prints one hint on err (once per run, whatever the number of files).
class THintingConsole : public TConsoleObserver {
public:
    THintingConsole(std::ostream& out, std::ostream& err) : TConsoleObserver(out), err_(err) {}

    // The hint for such a failure of the file at path, or empty when the settings it was
    // converted with hold a subtitle file type (then the type simply did not fit the name).
    std::function<std::string(const std::string& path)> FileNameHint;

    void LogLineWritten(const std::string& text) override;
    void MessageLineWritten(int32_t type, const std::string& text) override;

private:
    std::ostream& err_;
    std::string path_; // the file under conversion
    bool hinted_ = false;
};

// The hint for the Batch settings, and for the watch folder whose folder holds path (its
// number as the window's "#" column shows it).
std::string BatchFileNameHint(const TSTLConvertSettings& settings);
std::string WatchFolderFileNameHint(const TWatchFolderList& list, const std::string& path);

// After the refusal of a run with nothing stored: the settings file read and the command
// that stores an entry.
std::string NoWatchFolderHint(const std::string& settingsPath);
std::string NoPlaylistEntryHint(const std::string& settingsPath);
