#include "playlist/PlaylistCheckList.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

// Past this many, only entries whose keys exist are loaded: a damaged count must not make
// start-up build millions of empty ones.
constexpr int32_t kMaxPlaylistCheckCount = 1024;

} // namespace

std::string TPlaylistCheckList::EntryKey(size_t index) {
    return std::string(kPlaylistsCheckKey) + "PC_" + std::to_string(index) + "\\";
}

bool TPlaylistCheckList::LoadRegistryPlaylistCheckLists() {
    return Guarded("TCaplinForm.LoadRegistryPlaylistCheckLists", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kPlaylistsCheckKey, true))
            throw std::runtime_error("cannot open the playlist check key");
        int32_t count = 0;
        if (!registry.ReadInteger("PlaylistsCheckListCount", count))
            count = 0;
        count = StoredListLength(registry, count, kMaxPlaylistCheckCount,
                                 [](int32_t n) { return EntryKey(static_cast<size_t>(n)); });
        for (int32_t n = 0; n < count; ++n) {
            auto entry = std::make_unique<TPlaylistCheckSettings>();
            if (entry->LoadFromRegistry(EntryKey(static_cast<size_t>(n)),
                                        kPlaylistCheckLanguagesSubKey))
                Entries.push_back(std::move(entry));
        }
        return true;
    });
}

bool TPlaylistCheckList::SaveRegistryPlaylistCheckLists() const {
    return Guarded("TCaplinForm.SaveRegistryPlaylistCheckLists", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kPlaylistsCheckKey, true) ||
            !registry.WriteInteger("PlaylistsCheckListCount", static_cast<int32_t>(Entries.size())))
            throw std::runtime_error("cannot write the playlist check list count");
        bool saved = true;
        for (size_t n = 0; n < Entries.size(); ++n)
            saved = Entries[n]->SaveToRegistry(EntryKey(n), kPlaylistCheckLanguagesSubKey) && saved;
        return saved;
    });
}

bool TPlaylistCheckList::ClearPlaylistCheckList() {
    return Guarded("TCaplinForm.ClearPlaylistCheckList", false, [&] {
        Entries.clear();
        return true;
    });
}

bool TPlaylistCheckList::IsPlayListFolderInList(const std::string& playlistsFolder,
                                                const std::string& subtitlesFolder) const {
    return Guarded("TCaplinForm.IsPlayListFolderInList", false, [&] {
        return std::any_of(Entries.begin(), Entries.end(), [&](const auto& entry) {
            return SameFoldedText(entry->PlaylistsFolder, playlistsFolder) &&
                   SameFoldedText(entry->SubtitlesFolder, subtitlesFolder);
        });
    });
}

bool TPlaylistCheckList::MayAdd(const TPlaylistCheckSettings& entry, std::string& refusal,
                                size_t except) const {
    refusal.clear();
    return Guarded("TCaplinForm.btnPCAddClick", false, [&] {
        if (entry.PlaylistsFolder.empty())
            refusal = "No playlists folder specified.";
        else if (entry.SubtitlesFolder.empty())
            refusal = "No subtitles folder specified.";
        else if (entry.LanguageCheckList.empty())
            refusal = "No languages for checking specified.";
        else if (entry.MissingsLogFolder.empty())
            refusal = "No missings log folder specified.";
        else
            for (size_t n = 0; n < Entries.size() && refusal.empty(); ++n)
                if (n != except &&
                    SameFoldedText(Entries[n]->PlaylistsFolder, entry.PlaylistsFolder) &&
                    SameFoldedText(Entries[n]->SubtitlesFolder, entry.SubtitlesFolder))
                    refusal = "These Playlist and Subtitle folders exist in the current list.";
        return refusal.empty();
    });
}

bool TPlaylistCheckList::CheckEntry(size_t index, const TLogFunction& log,
                                    const TReportFunction& report, TPlaylistCheckTally* tally) {
    return Guarded("TCaplinForm.btnPCCheckClick", false, [&] {
        const TPlaylistCheckSettings& entry = *Entries.at(index);
        if (CheckPlaylistGroup(entry, log, report, tally))
            return true;
        if (report)
            report(rtError, ("Error checking playlist folder " + entry.PlaylistsFolder).c_str());
        return false;
    });
}
