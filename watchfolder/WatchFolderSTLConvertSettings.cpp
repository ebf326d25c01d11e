#include "watchfolder/WatchFolderSTLConvertSettings.h"

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/Trace.h"

using namespace settingsvalues;

bool TWatchFolderSTLConvertSettings::Assign(const TSTLConvertSettings& source) {
    return Guarded("TWatchFolderSTLConvertSettings.Assign", false, [&] {
        if (!TSTLConvertSettings::Assign(source))
            return false;
        // A plain conversion settings object has no folder or comment to give: ours stay.
        if (const auto* watch = dynamic_cast<const TWatchFolderSTLConvertSettings*>(&source)) {
            WatchFolder = watch->WatchFolder;
            Comment = watch->Comment;
        }
        return true;
    });
}

bool TWatchFolderSTLConvertSettings::LoadFromRegistry(const std::string& key,
                                                      const std::string& hexFindReplaceSubKey,
                                                      const std::string& subtitleFileTypeSubKey) {
    return Guarded("TWatchFolderSTLConvertSettings.LoadFromRegistry", false, [&] {
        if (!TSTLConvertSettings::LoadFromRegistry(key, hexFindReplaceSubKey,
                                                   subtitleFileTypeSubKey))
            return false;
        TRegistry registry;
        if (!registry.OpenKey(key, false))
            return true;
        // Each value on its own: a missing or mistyped one leaves only its field empty.
        WatchFolder = ReadStringOr(registry, "WatchFolder", std::string());
        Comment = ReadStringOr(registry, "Comment", std::string());
        return true;
    });
}

bool TWatchFolderSTLConvertSettings::SaveToRegistry(
    const std::string& key, const std::string& hexFindReplaceSubKey,
    const std::string& subtitleFileTypeSubKey) const {
    return Guarded("TWatchFolderSTLConvertSettings.SaveToRegistry", false, [&] {
        if (!TSTLConvertSettings::SaveToRegistry(key, hexFindReplaceSubKey, subtitleFileTypeSubKey))
            return false;
        TRegistry registry;
        if (!registry.OpenKey(key, true))
            return true;
        WriteString(registry, "WatchFolder", WatchFolder);
        WriteString(registry, "Comment", Comment);
        return true;
    });
}
