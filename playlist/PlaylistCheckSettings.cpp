#include "playlist/PlaylistCheckSettings.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

// A stored count beyond any real list (a damaged or hand-edited settings file) must not
// make loading walk billions of missing values.
constexpr int32_t kMaxLanguageCount = 65536;

std::string LanguagesKeyPath(const std::string& entryKey, const std::string& languagesSubKey) {
    std::string path = entryKey;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + languagesSubKey;
}

std::string LanguageValueName(size_t index) {
    return "LangID_" + std::to_string(index);
}

// A value that is missing or of another type reads as the field's empty value.
std::string ReadStringOrEmpty(const TRegistry& registry, const char* name) {
    std::string value;
    return registry.ReadStringOrEmpty(name, value) ? value : std::string();
}

// A write fails only when the key is gone; the routine's guard traces it.
void Check(bool written, const std::string& name) {
    if (!written)
        throw std::runtime_error("cannot write " + name);
}

} // namespace

bool TPlaylistCheckSettings::Assign(const TPlaylistCheckSettings& source) {
    return Guarded("TPlaylistCheckSettings.Assign", false, [&] {
        if (&source == this)
            return true;
        PlaylistsFolder = source.PlaylistsFolder;
        SubtitlesFolder = source.SubtitlesFolder;
        LanguageCheckList = source.LanguageCheckList;
        Comment = source.Comment;
        MissingsLogFolder = source.MissingsLogFolder;
        CheckClipsWidhDurationOver = source.CheckClipsWidhDurationOver;
        ClipsDurationThreasholdSeconds = source.ClipsDurationThreasholdSeconds;
        return true;
    });
}

bool TPlaylistCheckSettings::LoadFromRegistry(const std::string& entryKey,
                                              const std::string& languagesSubKey) {
    return Guarded("TPlaylistCheckSettings.LoadFromRegistry", false, [&] {
        if (!LoadLanguageCheckListFromRegistry(LanguagesKeyPath(entryKey, languagesSubKey),
                                               &LanguageCheckList)) {
            TraceError("TPlaylistCheckSettings.LoadFromRegistry",
                       "cannot load languages check list from registry");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(entryKey, false))
            return true;
        // Each value on its own: a missing or mistyped one leaves only its field empty.
        PlaylistsFolder = IncludeTrailingSlash(ReadStringOrEmpty(registry, "PlaylistsFolder"));
        SubtitlesFolder = IncludeTrailingSlash(ReadStringOrEmpty(registry, "SubtitlesFolder"));
        Comment = ReadStringOrEmpty(registry, "Comment");
        MissingsLogFolder = IncludeTrailingSlash(ReadStringOrEmpty(registry, "MissingsLogFolder"));
        bool flag = false;
        CheckClipsWidhDurationOver = registry.ReadBool("CheckClipsWidhDurationOver", flag) && flag;
        double threshold = 0.0;
        // Eight raw bytes may hold anything; a NaN would fail every duration test silently.
        ClipsDurationThreasholdSeconds =
            registry.ReadFloat("ClipsDurationThreasholdSeconds", threshold) &&
                    std::isfinite(threshold)
                ? threshold
                : 0.0;
        return true;
    });
}

bool TPlaylistCheckSettings::SaveToRegistry(const std::string& entryKey,
                                            const std::string& languagesSubKey) const {
    return Guarded("TPlaylistCheckSettings.SaveToRegistry", false, [&] {
        if (!SaveLanguageCheckListToRegistry(LanguagesKeyPath(entryKey, languagesSubKey),
                                             &LanguageCheckList)) {
            TraceError("TPlaylistCheckSettings.SaveToRegistry",
                       "cannot save languages check list to registry");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(entryKey, true))
            return true;
        Check(registry.WriteString("PlaylistsFolder", PlaylistsFolder), "PlaylistsFolder");
        Check(registry.WriteString("SubtitlesFolder", SubtitlesFolder), "SubtitlesFolder");
        Check(registry.WriteString("Comment", Comment), "Comment");
        Check(registry.WriteString("MissingsLogFolder", MissingsLogFolder), "MissingsLogFolder");
        Check(registry.WriteBool("CheckClipsWidhDurationOver", CheckClipsWidhDurationOver),
              "CheckClipsWidhDurationOver");
        Check(registry.WriteFloat("ClipsDurationThreasholdSeconds", ClipsDurationThreasholdSeconds),
              "ClipsDurationThreasholdSeconds");
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
