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
    : Batch(*this), Watch(*this), PlaylistCheck(*this), owner_(owner) {}

TCaplinSession::~TCaplinSession() {
    // A session dropped without its close (a test, an aborted start) still stops its folders
    // before their items go.
    Watch.Abandon();
    PlaylistCheck.Abandon();
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
        BatchSettings = std::make_unique<TSTLConvertSettings>();
        WatchFolderList = std::make_unique<TWatchFolderList>();
        WatchFolderList->ReportFunction = Logs.ReportSink();
        WatchFolderList->LogFunction = Logs.LogSink();
        WFSettings = std::make_unique<TWatchFolderSTLConvertSettings>();
        PlaylistCheckList = std::make_unique<TPlaylistCheckList>();
        PCSettings = std::make_unique<TPlaylistCheckSettings>();
        MainSettings = DefaultMainSettings(screenWidth, screenHeight);
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
        if (!LoadMainSettings(MainSettings, writeBack) || !LoadWindowLayout(Layout, writeBack)) {
            TraceCall("TCaplinForm.LoadRegistry");
            return false;
        }
        if (!BatchSettings->LoadFromRegistry(kBatchKey, kHexFindReplaceSubKey,
                                             kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load batch converter settings");
        if (!WFSettings->LoadFromRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                          kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load watch folder converter settings");
        WatchFolderList->LoadRegistryWatchFolders(MainSettings.FPSSource, MainSettings.FPS);
        if (!PCSettings->LoadFromRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load playlist check list settings");
        PlaylistCheckList->LoadRegistryPlaylistCheckLists();
        return true;
    });
}

bool TCaplinSession::SaveRegistry() {
    return Guarded("TCaplinForm.SaveRegistry", false, [&] {
        SaveMainSettings(MainSettings, Layout);
        if (BatchSettings && !BatchSettings->SaveToRegistry(kBatchKey, kHexFindReplaceSubKey,
                                                            kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save batch converter settings");
        if (WFSettings && !WFSettings->SaveToRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                                      kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save watch folder converter settings");
        if (WatchFolderList)
            WatchFolderList->SaveRegistryWatchFolders();
        if (PCSettings &&
            !PCSettings->SaveToRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save playlist check list settings");
        if (PlaylistCheckList)
            PlaylistCheckList->SaveRegistryPlaylistCheckLists();
        return true;
    });
}

void TCaplinSession::DeinitializeConverter() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        if (!initialized_)
            return;
        initialized_ = false;
        SaveRegistry();
        SaveCustomLanguageListToRegistry(STL_CUSTOM_LANGUAGES_KEY);
        Batch.ClearBatchList();
        BatchSettings.reset();
        // Every started folder stops before the list goes.
        Watch.Abandon();
        if (WatchFolderList)
            WatchFolderList->ClearWatchFolderList();
        WatchFolderList.reset();
        WFSettings.reset();
        PlaylistCheck.Abandon();
        if (PlaylistCheckList)
            PlaylistCheckList->ClearPlaylistCheckList();
        PlaylistCheckList.reset();
        PCSettings.reset();
        Logs.CloseLogsFile();
        Logs.CloseMessagesFile();
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
    ::ApplyFrameRatePolicy(settings, MainSettings.FPSSource, MainSettings.FPS);
}

bool TCaplinSession::UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps) {
    return Guarded("TCaplinForm.UpdateWatchFolderFPS", false, [&] {
        return WatchFolderList &&
               WatchFolderList->UpdateWatchFolderFPS(fpsSource, fps, WFSettings.get());
    });
}

void TCaplinSession::UseLogFolders() {
    Logs.LogsOutputFolder = MainSettings.LogsOutputFolder;
    Logs.MessagesOutputFolder = MainSettings.MessagesOutputFolder;
    Logs.MessagesFilterIndex = MainSettings.MessagesFilterIndex;
}

void TCaplinSession::SelectPage(int32_t page) {
    Logs.CurrentPage = page;
}
