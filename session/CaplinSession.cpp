#include "session/CaplinSession.h"

#include <ctime>
#include <unistd.h>

#include "lang/STLCustomLangUtils.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

TCaplinSession::TCaplinSession(TSessionOwner owner)
    : owner_(owner), batch_({logs_, conversionInProgress_}, batchSettings_),
      watch_({logs_, conversionInProgress_}, watchFolderList_),
      playlistCheck_({logs_, conversionInProgress_}, playlistCheckList_) {}

TCaplinSession::~TCaplinSession() {
    // A session dropped without its close (a test, an aborted start) still stops its folders
    // before their items go.
    watch_.Abandon();
    playlistCheck_.Abandon();
}

bool TCaplinSession::LoadSettingsFile() {
    return Guarded("TCaplinSession.LoadSettingsFile", false, [&] {
        settingsPath_ = TSettingsStore::DefaultPath();
        // The command line never writes the settings file, not even to set a foreign one
        // aside.
        settingsFileRead_ =
            TSettingsStore::Global().Load(settingsPath_, owner_ == TSessionOwner::Window);
        return settingsFileRead_;
    });
}

void TCaplinSession::KeepSettingsFileUntouched() {
    settingsFileRead_ = false;
}

void TCaplinSession::InitializeConverter(int32_t screenWidth, int32_t screenHeight) {
    GuardedVoid("TCaplinForm.InitializeConverter", [&] {
        initialized_ = true;
        batchSettings_ = std::make_unique<TSTLConvertSettings>();
        watchFolderList_ = std::make_unique<TWatchFolderList>();
        watchFolderList_->ReportFunction = logs_.ReportSink();
        watchFolderList_->LogFunction = logs_.LogSink();
        wfSettings_ = std::make_unique<TWatchFolderSTLConvertSettings>();
        playlistCheckList_ = std::make_unique<TPlaylistCheckList>();
        pcSettings_ = std::make_unique<TPlaylistCheckSettings>();
        mainSettings_ = DefaultMainSettings(screenWidth, screenHeight);
        SetCustomLanguageListToDefault();
        LoadCustomLanguageListFromRegistry(STL_CUSTOM_LANGUAGES_KEY);
        LoadRegistry();
        UseLogFolders();
    });
}

bool TCaplinSession::LoadRegistry() {
    return Guarded("TCaplinForm.LoadRegistry", false, [&] {
        // Only the window writes missing values back; the command line never saves them.
        const bool writeBack = owner_ == TSessionOwner::Window;
        if (!LoadMainSettings(mainSettings_, writeBack) || !LoadWindowLayout(layout_, writeBack)) {
            TraceCall("TCaplinForm.LoadRegistry");
            return false;
        }
        if (!batchSettings_->LoadFromRegistry(kBatchKey, kHexFindReplaceSubKey,
                                              kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load batch converter settings");
        if (!wfSettings_->LoadFromRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                           kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load watch folder converter settings");
        watchFolderList_->LoadRegistryWatchFolders(mainSettings_.FPSSource, mainSettings_.FPS);
        if (!pcSettings_->LoadFromRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load playlist check list settings");
        playlistCheckList_->LoadRegistryPlaylistCheckLists();
        return true;
    });
}

bool TCaplinSession::SaveRegistry() {
    return Guarded("TCaplinForm.SaveRegistry", false, [&] {
        SaveMainSettings(mainSettings_, layout_);
        if (batchSettings_ && !batchSettings_->SaveToRegistry(kBatchKey, kHexFindReplaceSubKey,
                                                              kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save batch converter settings");
        if (wfSettings_ && !wfSettings_->SaveToRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                                        kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save watch folder converter settings");
        if (watchFolderList_)
            watchFolderList_->SaveRegistryWatchFolders();
        if (pcSettings_ &&
            !pcSettings_->SaveToRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save playlist check list settings");
        if (playlistCheckList_)
            playlistCheckList_->SaveRegistryPlaylistCheckLists();
        return true;
    });
}

bool TCaplinSession::ReloadWatchFolders() {
    return Guarded("TCaplinSession.ReloadWatchFolders", false, [&] {
        TSettingsStore& store = TSettingsStore::Global();
        TSettingsStore::TContent before = store.Content();
        std::string refusal;
        if (store.Reload(refusal)) {
            refusal = TWatchFolderList::StoredListFault();
            if (!refusal.empty())
                store.SetContent(std::move(before));
        }
        if (refusal.empty()) {
            // The entries take the frame-rate policy stored now, as at start.
            TMainSettings main = DefaultMainSettings(0, 0);
            LoadMainSettings(main, false);
            TWatchFolderList fresh;
            fresh.LoadRegistryWatchFolders(main.FPSSource, main.FPS);
            watch_.Reload(fresh);
            return true;
        }
        logs_.ReportFunction(rtError,
                             ("Cannot reload the settings file " + store.FilePath()).c_str());
        logs_.ReportFunction(rtInfo, ("Reason: " + refusal).c_str());
        return false;
    });
}

void TCaplinSession::DeinitializeConverter() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        if (!initialized_)
            return;
        initialized_ = false;
        SaveRegistry();
        SaveCustomLanguageListToRegistry(STL_CUSTOM_LANGUAGES_KEY);
        batch_.ClearBatchList();
        batchSettings_.reset();
        // Every started folder stops before the list goes.
        watch_.Abandon();
        if (watchFolderList_)
            watchFolderList_->ClearWatchFolderList();
        watchFolderList_.reset();
        wfSettings_.reset();
        playlistCheck_.Abandon();
        if (playlistCheckList_)
            playlistCheckList_->ClearPlaylistCheckList();
        playlistCheckList_.reset();
        pcSettings_.reset();
        logs_.CloseLogsFile();
        logs_.CloseMessagesFile();
    });
}

TSettingsFileSave TCaplinSession::SaveSettingsFile() {
    return Guarded("TCaplinForm.SaveSettingsFile", TSettingsFileSave{}, [&] {
        TSettingsStore& store = TSettingsStore::Global();
        TSettingsFileSave result;
        result.Path = store.FilePath().empty() ? TSettingsStore::DefaultPath() : store.FilePath();
        if (settingsFileRead_ && store.Save()) {
            result.Saved = true;
            return result;
        }
        // The operator's settings of this run are kept somewhere rather than dropped.
        const std::string rescue = IncludeTrailingSlash(GetTmpPath()) + "caplin-registry-" +
                                   std::to_string(getpid()) + "-" + std::to_string(time(nullptr)) +
                                   ".reg";
        if (store.Save(rescue))
            result.Rescue = rescue;
        TraceError("TCaplinForm.SaveSettingsFile",
                   "cannot save settings to " + result.Path +
                       (result.Rescue.empty() ? "" : ", saved to " + rescue));
        return result;
    });
}

void TCaplinSession::ApplyFrameRatePolicy(TSTLConvertSettings& settings) const {
    ::ApplyFrameRatePolicy(settings, mainSettings_.FPSSource, mainSettings_.FPS);
}

bool TCaplinSession::UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps) {
    return Guarded("TCaplinForm.UpdateWatchFolderFPS", false, [&] {
        return watchFolderList_ &&
               watchFolderList_->UpdateWatchFolderFPS(fpsSource, fps, wfSettings_.get());
    });
}

void TCaplinSession::UseLogFolders() {
    logs_.LogsOutputFolder = mainSettings_.LogsOutputFolder;
    logs_.MessagesOutputFolder = mainSettings_.MessagesOutputFolder;
    logs_.MessagesFilterIndex = mainSettings_.MessagesFilterIndex;
}

void TCaplinSession::SelectPage(int32_t page) {
    logs_.CurrentPage = page;
}
