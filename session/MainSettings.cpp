#include "session/MainSettings.h"

#include <algorithm>

#include "convert/STLConvertSettings.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "platform/Trace.h"
#include "platform/UserFolders.h"

namespace {

constexpr const char* kActivePageIndex = "ActivePageIndex";
const std::array<const char*, 3> kColumnWidthPrefixes = {"BatchList_", "WatchFolderList_",
                                                         "PlaylistsCheckList_"};

std::string ColumnWidthName(size_t list, size_t column) {
    return kColumnWidthPrefixes[list] + std::to_string(column) + "_Width";
}

void ReadInteger(TRegistry& registry, const char* name, int32_t& value, bool writeBack) {
    if (!registry.ReadInteger(name, value) && writeBack)
        registry.WriteInteger(name, value);
}

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

        ReadInteger(registry, "FormTop", settings.FormTop, writeBack);
        ReadInteger(registry, "FormLeft", settings.FormLeft, writeBack);
        ReadInteger(registry, "FormWidth", settings.FormWidth, writeBack);
        ReadInteger(registry, "FormHeight", settings.FormHeight, writeBack);

        ReadInteger(registry, "FPSSource", settings.FPSSource, writeBack);
        if (!registry.ReadString("FPS", settings.FPS) && writeBack)
            registry.WriteString("FPS", settings.FPS);
        NormaliseFrameRatePolicy(settings.FPSSource, settings.FPS);

        registry.ReadString("LogsOutputFolder", settings.LogsOutputFolder);
        UseDefaultLogsPathUnlessFolder(settings.LogsOutputFolder);

        registry.ReadString("MessagesOutputFolder", settings.MessagesOutputFolder);
        registry.ReadInteger("MessagesFilterIndex", settings.MessagesFilterIndex);
        UseDefaultLogsPathUnlessFolder(settings.MessagesOutputFolder);
        return true;
    });
}

bool LoadWindowLayout(TWindowLayout& layout, bool writeBack) {
    return Guarded("LoadWindowLayout", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kCaplinKey, false))
            return true;
        for (size_t list = 0; list < layout.ColumnWidths.size(); ++list)
            for (size_t column = 0; column < layout.ColumnWidths[list].size(); ++column) {
                const std::string name = ColumnWidthName(list, column);
                const bool stored = registry.ReadInteger(name, layout.ColumnWidths[list][column]);
                layout.StoredWidths[list][column] = stored;
                if (!stored && writeBack)
                    registry.WriteInteger(name, layout.ColumnWidths[list][column]);
            }
        int32_t page = 0;
        registry.ReadInteger(kActivePageIndex, page);
        layout.ActivePageIndex = std::clamp(page, 0, 2);
        return true;
    });
}

bool SaveMainSettings(const TMainSettings& settings, const TWindowLayout& layout) {
    return Guarded("SaveMainSettings", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kCaplinKey, true))
            return false;
        registry.WriteInteger("FormTop", settings.FormTop);
        registry.WriteInteger("FormLeft", settings.FormLeft);
        registry.WriteInteger("FormWidth", settings.FormWidth);
        registry.WriteInteger("FormHeight", settings.FormHeight);
        for (size_t list = 0; list < layout.ColumnWidths.size(); ++list)
            for (size_t column = 0; column < layout.ColumnWidths[list].size(); ++column)
                registry.WriteInteger(ColumnWidthName(list, column),
                                      layout.ColumnWidths[list][column]);
        registry.WriteInteger(kActivePageIndex, layout.ActivePageIndex);
        registry.WriteInteger("FPSSource", settings.FPSSource);
        registry.WriteString("FPS", settings.FPS);
        registry.WriteString("LogsOutputFolder", settings.LogsOutputFolder);
        registry.WriteString("MessagesOutputFolder", settings.MessagesOutputFolder);
        registry.WriteInteger("MessagesFilterIndex", settings.MessagesFilterIndex);
        return true;
    });
}
