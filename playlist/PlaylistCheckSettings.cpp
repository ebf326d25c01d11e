#include "playlist/PlaylistCheckSettings.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/Trace.h"

namespace {

// A stored count beyond any real list (a damaged or hand-edited settings file) must not
// make loading walk billions of missing values.
constexpr int32_t kMaxLanguageCount = 65536;

using P = TPlaylistCheckSettings;
using F = TValueForm;
using namespace setting;

constexpr uint32_t kPC = spPlaylistEntry;

// Every field in stored order; the languages are kept in their subkey by their own routines.
constexpr TSettingField<P> kFields[] = {
    {EndsInSlash(String("PlaylistsFolder", kPC, F::Folder, "folder of the playlists (*.ply)")),
     MemberOf<&P::PlaylistsFolder>},
    {EndsInSlash(String("SubtitlesFolder", kPC, F::Folder, "folder of the STL subtitle files")),
     MemberOf<&P::SubtitlesFolder>},
    {{.Name = "Languages",
      .Parts = kPC,
      .Type = TStoredType::CodeList,
      .Form = F::Languages,
      .Default = "",
      .Meaning = "languages every clip needs a subtitle file in"},
     MemberOf<&P::LanguageCheckList>},
    {String("Comment", kPC, F::Text, "free text shown in the playlist-check list"),
     MemberOf<&P::Comment>},
    {EndsInSlash(
         String("MissingsLogFolder", kPC, F::Folder, "folder of the missing-subtitle logs")),
     MemberOf<&P::MissingsLogFolder>},
    {Flag("CheckClipsWidhDurationOver", kPC,
          "check only clips longer than ClipsDurationThreasholdSeconds"),
     MemberOf<&P::CheckClipsWidhDurationOver>},
    {{.Name = "ClipsDurationThreasholdSeconds",
      .Parts = kPC,
      .Type = TStoredType::Float,
      .Form = F::Seconds,
      .Default = "0",
      .Min = 0,
      .Max = 999999,
      .Meaning = "the clip-duration threshold, in seconds"},
     MemberOf<&P::ClipsDurationThreasholdSeconds>},
};

std::string LanguagesKeyPath(const std::string& entryKey, const std::string& languagesSubKey) {
    std::string path = entryKey;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + languagesSubKey;
}

std::string LanguageValueName(size_t index) {
    return "LangID_" + std::to_string(index);
}

// A write fails only when the key is gone; the routine's guard traces it.
void Check(bool written, const std::string& name) {
    if (!written)
        throw std::runtime_error("cannot write " + name);
}

bool Failed(const char* routine, const char* reason) {
    TraceError(routine, reason);
    return false;
}

} // namespace

bool TPlaylistCheckSettings::Assign(const TPlaylistCheckSettings& source) {
    return Guarded("TPlaylistCheckSettings.Assign", false, [&] {
        if (&source == this)
            return true;
        CopySettings(kFields, source, *this);
        return true;
    });
}

bool TPlaylistCheckSettings::LoadFromRegistry(const std::string& entryKey,
                                              const std::string& languagesSubKey) {
    return Guarded("TPlaylistCheckSettings.LoadFromRegistry", false, [&] {
        if (!LoadLanguageCheckListFromRegistry(LanguagesKeyPath(entryKey, languagesSubKey),
                                               &LanguageCheckList))
            return Failed("TPlaylistCheckSettings.LoadFromRegistry",
                          "cannot load languages check list from registry");
        // Each value on its own: a missing or mistyped one leaves only its field empty.
        TRegistry registry;
        if (registry.OpenKey(entryKey, false))
            LoadSettings(registry, kFields, *this);
        return true;
    });
}

bool TPlaylistCheckSettings::SaveToRegistry(const std::string& entryKey,
                                            const std::string& languagesSubKey) const {
    return Guarded("TPlaylistCheckSettings.SaveToRegistry", false, [&] {
        if (!SaveLanguageCheckListToRegistry(LanguagesKeyPath(entryKey, languagesSubKey),
                                             &LanguageCheckList))
            return Failed("TPlaylistCheckSettings.SaveToRegistry",
                          "cannot save languages check list to registry");
        TRegistry registry;
        if (registry.OpenKey(entryKey, true))
            SaveSettings(registry, kFields, *this);
        return true;
    });
}

bool SaveLanguageCheckListToRegistry(const std::string& keyPath,
                                     const std::vector<int32_t>* codes) {
    return Guarded("SaveLanguageCheckListToRegistry", false, [&] {
        if (codes == nullptr) {
            TraceError("SaveLanguageCheckListToRegistry", "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, true))
            return true;
        Check(registry.WriteInteger("LangsCount", static_cast<int32_t>(codes->size())),
              "LangsCount");
        for (size_t i = 0; i < codes->size(); ++i)
            Check(registry.WriteInteger(LanguageValueName(i), (*codes)[i]), LanguageValueName(i));
        return true;
    });
}

bool LoadLanguageCheckListFromRegistry(const std::string& keyPath, std::vector<int32_t>* codes) {
    return Guarded("LoadLanguageCheckListFromRegistry", false, [&] {
        if (codes == nullptr) {
            TraceError("LoadLanguageCheckListFromRegistry", "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, false))
            return true;
        int32_t count = 0;
        if (!registry.ReadInteger("LangsCount", count)) {
            count = 0;
            Check(registry.WriteInteger("LangsCount", 0), "LangsCount");
        }
        count = std::min(count, kMaxLanguageCount);
        codes->clear();
        for (int32_t i = 0; i < count; ++i) {
            int32_t code = 0;
            if (registry.ReadInteger(LanguageValueName(static_cast<size_t>(i)), code))
                codes->push_back(code);
        }
        return true;
    });
}

std::vector<const TSettingValue*> PlaylistCheckSettingValues() {
    return ValuesOfFields(kFields);
}
