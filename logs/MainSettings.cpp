#include "logs/MainSettings.h"

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Trace.h"

namespace {

void ReadInteger(TRegistry& registry, const char* name, int32_t& value, bool writeBack) {
    if (!registry.ReadInteger(name, value) && writeBack)
        registry.WriteInteger(name, value);
}

void UseTmpPathUnlessFolder(std::string& folder) {
    if (folder.empty() || !DirectoryExists(folder))
        folder = GetTmpPath();
}

} // namespace

TMainSettings DefaultMainSettings(int32_t screenWidth, int32_t screenHeight) {
    TMainSettings settings;
    // Integer halvings round toward zero, as the window's placement always did.
    settings.FormTop = (screenHeight - settings.FormHeight) / 2;
    settings.FormLeft = (screenWidth - settings.FormWidth) / 2;
    settings.LogsOutputFolder = GetTmpPath();
    settings.MessagesOutputFolder = GetTmpPath();
    return settings;
}

bool LoadMainSettings(TMainSettings& settings, bool writeBack) {
    return Guarded("LoadMainSettings", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kMainSettingsKey, false))
            return true;

        ReadInteger(registry, "FormTop", settings.FormTop, writeBack);
        ReadInteger(registry, "FormLeft", settings.FormLeft, writeBack);
        ReadInteger(registry, "FormWidth", settings.FormWidth, writeBack);
        ReadInteger(registry, "FormHeight", settings.FormHeight, writeBack);

        ReadInteger(registry, "FPSSource", settings.FPSSource, writeBack);
        if (settings.FPSSource != 0 && settings.FPSSource != 1)
            settings.FPSSource = 0;

        if (!registry.ReadString("FPS", settings.FPS) && writeBack)
            registry.WriteString("FPS", settings.FPS);
        if (settings.FPS != "STL25.01" && settings.FPS != "STL30.01")
            settings.FPS = "STL25.01";

        registry.ReadString("LogsOutputFolder", settings.LogsOutputFolder);
        UseTmpPathUnlessFolder(settings.LogsOutputFolder);

        registry.ReadString("MessagesOutputFolder", settings.MessagesOutputFolder);
        registry.ReadInteger("MessagesFilterIndex", settings.MessagesFilterIndex);
        UseTmpPathUnlessFolder(settings.MessagesOutputFolder);
        return true;
    });
}
