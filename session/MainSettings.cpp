#include "session/MainSettings.h"

#include <algorithm>
#include <climits>

#include "convert/STLConvertSettings.h"
#include "convert/SettingsChoices.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/SettingsKeys.h"
#include "platform/Trace.h"
#include "platform/UserFolders.h"

namespace {

using M = TMainSettings;
using L = TWindowLayout;
using F = TValueForm;
using namespace setting;

template <size_t List, size_t Column> TSettingMember ColumnWidth(L& layout) {
    return &layout.ColumnWidths[List].at(Column);
}

// A column width of a list view.
constexpr TSettingValue Width(const char* name, const char* width, const char* meaning) {
    return WrittenBack(Number(name, spMain, width, 0, INT_MAX, meaning));
}

// The main values in stored order: the bounds, the layout, then the rest. A value the window
// cannot read keeps what it has; the bounds, the widths and the frame-rate policy are then
// written back at start-up.
constexpr TSettingField<M> kBounds[] = {
    {WrittenBack(Number("FormTop", spMain, "centred", INT_MIN, INT_MAX, "window top, in pixels")),
     MemberOf<&M::FormTop>},
    {WrittenBack(Number("FormLeft", spMain, "centred", INT_MIN, INT_MAX, "window left, in pixels")),
     MemberOf<&M::FormLeft>},
    {WrittenBack(
         Number("FormWidth", spMain, "800", 800, INT_MAX, "window width, in pixels", spMain)),
     MemberOf<&M::FormWidth>},
    {WrittenBack(
         Number("FormHeight", spMain, "750", 785, INT_MAX, "window height, in pixels", spMain)),
     MemberOf<&M::FormHeight>},
};

// List by list, in column order.
constexpr TSettingField<L> kColumnWidths[] = {
    {Width("BatchList_0_Width", "30", "width of the Batch list's \"#\" column"), ColumnWidth<0, 0>},
    {Width("BatchList_1_Width", "200", "width of the Batch list's \"File Name\" column"),
     ColumnWidth<0, 1>},
    {Width("BatchList_2_Width", "100", "width of the Batch list's \"Status\" column"),
     ColumnWidth<0, 2>},
    {Width("WatchFolderList_0_Width", "30", "width of the watch-folder list's \"#\" column"),
     ColumnWidth<1, 0>},
    {Width("WatchFolderList_1_Width", "200",
           "width of the watch-folder list's \"Watch Folder\" column"),
     ColumnWidth<1, 1>},
    {Width("WatchFolderList_2_Width", "200",
           "width of the watch-folder list's \"Destination Folder\" column"),
     ColumnWidth<1, 2>},
    {Width("WatchFolderList_3_Width", "60", "width of the watch-folder list's \"Comment\" column"),
     ColumnWidth<1, 3>},
    {Width("PlaylistsCheckList_0_Width", "30", "width of the playlist-check list's \"#\" column"),
     ColumnWidth<2, 0>},
    {Width("PlaylistsCheckList_1_Width", "200",
           "width of the playlist-check list's \"Playlists Folder\" column"),
     ColumnWidth<2, 1>},
    {Width("PlaylistsCheckList_2_Width", "200",
           "width of the playlist-check list's \"Subtitles Folder\" column"),
     ColumnWidth<2, 2>},
    {Width("PlaylistsCheckList_3_Width", "60",
           "width of the playlist-check list's \"Comment\" column"),
     ColumnWidth<2, 3>},
};

// Read as 0 when missing, then brought to the nearest page.
constexpr TSettingField<L> kActivePage[] = {
    {Choice("ActivePageIndex", spMain, kPageItems, spMain, "the page shown at start"),
     MemberOf<&L::ActivePageIndex>}};

constexpr TSettingField<M> kPolicyAndFiles[] = {
    {WrittenBack(Choice("FPSSource", spMain, kFPSSourceItems, 0,
                        "whether every conversion keeps each file's frame rate or writes FPS",
                        "1")),
     MemberOf<&M::FPSSource>},
    {WrittenBack(String("FPS", spMain, F::FrameRate,
                        "the Disk Format Code written when FPSSource is 1", kDiskFormatCode25)),
     MemberOf<&M::FPS>},
    {Kept(String("LogsOutputFolder", spMain, F::Folder, "folder of the daily operation-log files",
                 "the logs folder")),
     MemberOf<&M::LogsOutputFolder>},
    {Kept(String("MessagesOutputFolder", spMain, F::Folder, "folder of the daily message files",
                 "the logs folder")),
     MemberOf<&M::MessagesOutputFolder>},
    {Kept(Choice("MessagesFilterIndex", spMain, kMessagesFilterItems, 0,
                 "which messages the Messages pane shows")),
     MemberOf<&M::MessagesFilterIndex>},
};

// The default folder may not exist yet; the log sinks create it with the first daily file.
void UseDefaultLogsPathUnlessFolder(std::string& folder) {
    if (folder.empty() || !DirectoryExists(folder))
        folder = GetDefaultLogsPath();
}

} // namespace

TMainSettings DefaultMainSettings(int32_t screenWidth, int32_t screenHeight) {
    TMainSettings settings;
    // Integer halvings round toward zero, as the window's placement always did.
    settings.FormTop = (screenHeight - settings.FormHeight) / 2;
    settings.FormLeft = (screenWidth - settings.FormWidth) / 2;
    settings.LogsOutputFolder = GetDefaultLogsPath();
    settings.MessagesOutputFolder = GetDefaultLogsPath();
    return settings;
}

bool LoadMainSettings(TMainSettings& settings, bool writeBack) {
    return Guarded("LoadMainSettings", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kCaplinKey, false))
            return true;

        LoadSettings(registry, kBounds, settings, writeBack);
        LoadSettings(registry, kPolicyAndFiles, settings, writeBack);
        NormaliseFrameRatePolicy(settings.FPSSource, settings.FPS);
        UseDefaultLogsPathUnlessFolder(settings.LogsOutputFolder);
        UseDefaultLogsPathUnlessFolder(settings.MessagesOutputFolder);
        return true;
    });
}

bool LoadWindowLayout(TWindowLayout& layout, bool writeBack) {
    return Guarded("LoadWindowLayout", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kCaplinKey, false))
            return true;
        const auto* width = std::begin(kColumnWidths);
        for (std::vector<bool>& stored : layout.StoredWidths)
            for (size_t column = 0; column < stored.size() && width != std::end(kColumnWidths);
                 ++column)
                stored[column] = LoadSetting(registry, *width++, layout, writeBack);
        LoadSettings(registry, kActivePage, layout);
        const TSettingValue& page = kActivePage[0].Value;
        layout.ActivePageIndex = std::clamp(layout.ActivePageIndex, page.Min, page.Max);
        return true;
    });
}

bool SaveMainSettings(const TMainSettings& settings, const TWindowLayout& layout) {
    return Guarded("SaveMainSettings", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kCaplinKey, true))
            return false;
        SaveSettings(registry, kBounds, settings);
        SaveSettings(registry, kColumnWidths, layout);
        SaveSettings(registry, kActivePage, layout);
        SaveSettings(registry, kPolicyAndFiles, settings);
        return true;
    });
}

std::vector<const TSettingValue*> MainSettingValues() {
    return Guarded("MainSettingValues", std::vector<const TSettingValue*>(), [] {
        std::vector<const TSettingValue*> values;
        for (const auto& part : {ValuesOfFields(kBounds), ValuesOfFields(kColumnWidths),
                                 ValuesOfFields(kActivePage), ValuesOfFields(kPolicyAndFiles)})
            values.insert(values.end(), part.begin(), part.end());
        return values;
    });
}
