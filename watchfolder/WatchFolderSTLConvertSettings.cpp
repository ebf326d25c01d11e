#include "watchfolder/WatchFolderSTLConvertSettings.h"

#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/Trace.h"

namespace {

using W = TWatchFolderSTLConvertSettings;
using namespace setting;

// What a watch folder holds besides the conversion values, in stored order.
constexpr TSettingField<W> kFields[] = {
    {String("WatchFolder", spWatchFolderEntry, TValueForm::Folder,
            "folder watched for new STL files"),
     MemberOf<&W::WatchFolder>},
    {String("Comment", spWatchFolderEntry, TValueForm::Text,
            "free text shown in the watch-folder list"),
     MemberOf<&W::Comment>},
};

} // namespace

bool TWatchFolderSTLConvertSettings::Assign(const TSTLConvertSettings& source) {
    return Guarded("TWatchFolderSTLConvertSettings.Assign", false, [&] {
        if (!TSTLConvertSettings::Assign(source))
            return false;
        // A plain conversion settings object has no folder or comment to give: ours stay.
        if (const auto* watch = dynamic_cast<const TWatchFolderSTLConvertSettings*>(&source)) {
            CopySettings(kFields, *watch, *this);
        }
        return true;
    });
}

bool TWatchFolderSTLConvertSettings::SameAs(const TSTLConvertSettings& other) const {
    return Guarded("TWatchFolderSTLConvertSettings.SameAs", false, [&] {
        const auto* watch = dynamic_cast<const TWatchFolderSTLConvertSettings*>(&other);
        return watch && TSTLConvertSettings::SameAs(other) && SameSettings(kFields, *this, *watch);
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
        LoadSettings(registry, kFields, *this);
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
        SaveSettings(registry, kFields, *this);
        return true;
    });
}

std::vector<const TSettingValue*> WatchFolderSettingValues() {
    return ValuesOfFields(kFields);
}
