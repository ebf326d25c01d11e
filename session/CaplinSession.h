// What the window loads at start and saves at close, as one object of the core: the main
// values, the two pages' conversion settings, the watch-folder and playlist-check lists, the
// custom language names, the log sinks, the busy flag and the three runs. The window and the
// command line each hold one and only drive it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "convert/STLConvertSettings.h"
#include "logs/LogsAndMessages.h"
#include "playlist/PlaylistCheckList.h"
#include "playlist/PlaylistCheckSettings.h"
#include "session/BatchRun.h"
#include "session/MainSettings.h"
#include "session/PlaylistCheckRun.h"
#include "session/WatchRun.h"
#include "watchfolder/WatchFolderList.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

// Who holds the session. The window writes back missing main values at load and saves at
// close; the command line never writes the settings file, not even to set a foreign one aside.
enum class TSessionOwner { Window, CommandLine };

// How a save of the settings file ended.
struct TSettingsFileSave {
    bool Saved = false;
    std::string Path;   // the settings file
    std::string Rescue; // where the settings went instead, when they could be kept at all
};

class TCaplinSession {
public:
    explicit TCaplinSession(TSessionOwner owner = TSessionOwner::Window);
    ~TCaplinSession();
    TCaplinSession(const TCaplinSession&) = delete;
    TCaplinSession& operator=(const TCaplinSession&) = delete;

    // Reads the settings file ($CAPLIN_REGISTRY, else the user's) into the process's
    // store. False when it exists but cannot be read (or, for the command line, is not a
    // settings file); the window then starts on defaults and never overwrites that file.
    bool LoadSettingsFile();
    const std::string& SettingsPath() const { return settingsPath_; }
    // The settings file was found unreadable: at close the settings go to a rescue copy.
    void KeepSettingsFileUntouched();

    // Creates the settings objects and lists, puts the defaults of a screen of the given size
    // into the main values, loads the custom language names and then everything else.
    void InitializeConverter(int32_t screenWidth, int32_t screenHeight);
    bool LoadRegistry();
    // Everything into the store, in the order of the load.
    bool SaveRegistry();
    // Saves into the store, stops every run and folder, releases the lists and closes the
    // daily files. The settings file itself is written by SaveSettingsFile.
    void DeinitializeConverter();
    bool Initialized() const { return initialized_; }
    // Writes the store to the settings file; when that fails (or the file could not be read
    // at start), to a rescue copy in the temporary folder.
    TSettingsFileSave SaveSettingsFile();

    // The frame-rate policy of the main values into settings.
    void ApplyFrameRatePolicy(TSTLConvertSettings& settings) const;
    // A new policy (the Properties dialog) into the main values, the Watch Folder page's
    // editing settings and every watch folder.
    bool UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps);
    // Reads the settings file again and hands its watch folders and their interval to the
    // watch run (a running `watch` told SIGHUP). The file must read whole: when it cannot be
    // read, is not a settings file, has a line that cannot be parsed, lacks a watch folder its
    // count names or holds none, the Error and its Reason are reported, nothing changes and
    // false is returned.
    bool ReloadWatchFolders();
    // The log sinks write into the stored folders and keep the lines of page.
    void UseLogFolders();
    void SelectPage(int32_t page);

    // True while a run (a batch, armed watch folders, a playlist check) is active. A front end
    // clears it to end the run at its next step without its closing line (a close).
    bool ConversionInProgress() const { return conversionInProgress_; }
    void SetConversionInProgress(bool busy) { conversionInProgress_ = busy; }

    TLogsAndMessages& Logs() { return logs_; }
    const TLogsAndMessages& Logs() const { return logs_; }
    TMainSettings& MainSettings() { return mainSettings_; }
    const TMainSettings& MainSettings() const { return mainSettings_; }
    TWindowLayout& Layout() { return layout_; }
    // The settings objects and lists exist between InitializeConverter and
    // DeinitializeConverter; null before and after.
    TSTLConvertSettings* BatchSettings() const { return batchSettings_.get(); }
    TWatchFolderSTLConvertSettings* WFSettings() const { return wfSettings_.get(); }
    TWatchFolderList* WatchFolderList() const { return watchFolderList_.get(); }
    TPlaylistCheckSettings* PCSettings() const { return pcSettings_.get(); }
    TPlaylistCheckList* PlaylistCheckList() const { return playlistCheckList_.get(); }

    TBatchRun& Batch() { return batch_; }
    const TBatchRun& Batch() const { return batch_; }
    TWatchRun& Watch() { return watch_; }
    const TWatchRun& Watch() const { return watch_; }
    TPlaylistCheckRun& PlaylistCheck() { return playlistCheck_; }
    const TPlaylistCheckRun& PlaylistCheck() const { return playlistCheck_; }

private:
    TSessionOwner owner_;
    std::string settingsPath_;
    bool settingsFileRead_ = true;
    bool initialized_ = false;
    bool conversionInProgress_ = false;

    // Before the runs and lists, so that it outlives everything that reports into it.
    TLogsAndMessages logs_;
    TMainSettings mainSettings_;
    TWindowLayout layout_;
    std::unique_ptr<TSTLConvertSettings> batchSettings_;
    std::unique_ptr<TWatchFolderSTLConvertSettings> wfSettings_;
    std::unique_ptr<TWatchFolderList> watchFolderList_;
    std::unique_ptr<TPlaylistCheckSettings> pcSettings_;
    std::unique_ptr<TPlaylistCheckList> playlistCheckList_;

    TBatchRun batch_;
    TWatchRun watch_;
    TPlaylistCheckRun playlistCheck_;
};
