// What the command line adds on standard error where a user tends to get stuck: the next
// step, naming the command that takes it. Standard output and the daily files never see it.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "convert/ConvertOutcome.h"

class TSTLConvertSettings;
class TWatchFolderList;

// The first time in a run that a file name gives no tape ID or no language, one hint on err
// (once per run, whatever the number of files).
class TFileNameHints {
public:
    explicit TFileNameHints(std::ostream& err) : err_(err) {}

    // Run around the hint (a progress bar on the terminal steps aside).
    std::function<void()> BeforeLine;
    std::function<void()> AfterLine;

    // A file converted with settings whose hint is hint: empty when they hold a subtitle file
    // type (then the type simply did not fit the name).
    void Converted(const TConvertOutcome& outcome, const std::function<std::string()>& hint);

private:
    std::ostream& err_;
    bool hinted_ = false;
};

// The hint for the Batch settings, and for watch folder index folder of list (named by its
// number as the window's "#" column shows it).
std::string BatchFileNameHint(const TSTLConvertSettings& settings);
std::string WatchFolderFileNameHint(const TWatchFolderList& list, size_t folder);

// After the refusal of a run with nothing stored: the settings file read and the command
// that stores an entry.
std::string NoWatchFolderHint(const std::string& settingsPath);
std::string NoPlaylistEntryHint(const std::string& settingsPath);
