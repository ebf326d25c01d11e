#include "watchfolder/WatchFolderList.h"

#include <algorithm>
#include <stdexcept>

#include "convert/STLConvertUtils.h"
#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

using namespace settingsvalues;

namespace {

// Past this many, only entries whose keys exist are loaded: a damaged count must not make
// start-up build millions of empty ones.
constexpr int32_t kMaxWatchFolderCount = 1024;

// The Watch Folder page's own value; a missing one is written back as it stands.
constexpr TSettingField<TWatchFolderList> kFields[] = {
    {setting::WrittenBack(setting::Number(
         "WatchFolderCheckIntervalMS", spWatchFolders, "5000", kMinCheckIntervalMS,
         kMaxCheckIntervalMS, "how often every watch folder is scanned, in ms", spWatchFolders)),
     MemberOf<&TWatchFolderList::WatchFolderCheckIntervalMS>},
};

} // namespace

std::string TWatchFolderList::EntryKey(size_t index) {
    return std::string(kWatchFolderKey) + "WF_" + std::to_string(index) + "\\";
}

bool TWatchFolderList::LoadRegistryWatchFolders(int32_t fpsSource, const std::string& fps) {
    return Guarded("TCaplinForm.LoadRegistryWatchFolders", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kWatchFolderKey, true))
            throw std::runtime_error("cannot open the watch folder key");
        const int32_t count =
            StoredListLength(registry, ReadIntegerOr(registry, "WatchFoldersCount", 0),
                             kMaxWatchFolderCount, [](int32_t n) { return EntryKey(n); });
        LoadSettings(registry, kFields, *this, true);

        // An entry whose key is missing loads as empty settings and is kept, so the list
        // keeps the length it was saved with; an empty folder lists nothing when armed.
        for (int32_t n = 0; n < count; ++n) {
            auto item = std::make_unique<TWatchFolderItem>();
            item->ReportFunction = ReportFunction;
            if (!item->Settings.LoadFromRegistry(EntryKey(n), kHexFindReplaceSubKey,
                                                 kSubtitleFileTypeSubKey))
                continue;
            ApplyFrameRatePolicy(item->Settings, fpsSource, fps);
            Items.push_back(std::move(item));
        }
        return true;
    });
}

std::string TWatchFolderList::StoredListFault() {
    return Guarded("TWatchFolderList.StoredListFault", std::string("it cannot be read"), [&] {
        TRegistry registry;
        if (!registry.OpenKey(kWatchFolderKey, false))
            return std::string("it holds no watch folder");
        const int32_t count = ReadIntegerOr(registry, "WatchFoldersCount", 0);
        if (count <= 0)
            return std::string("it holds no watch folder");
        for (int32_t n = 0; n < count; ++n)
            if (!registry.KeyExists(EntryKey(n)))
                return "it names " + std::to_string(count) + " watch folders but holds " +
                       std::to_string(n);
        return std::string();
    });
}

bool TWatchFolderList::SaveRegistryWatchFolders() const {
    return Guarded("TCaplinForm.SaveRegistryWatchFolders", false, [&] {
        TRegistry registry;
        if (!registry.OpenKey(kWatchFolderKey, true))
            throw std::runtime_error("cannot open the watch folder key");
        WriteInteger(registry, "WatchFoldersCount", static_cast<int32_t>(Items.size()));
        bool saved = true;
        for (size_t n = 0; n < Items.size(); ++n)
            saved = Items[n]->Settings.SaveToRegistry(EntryKey(n), kHexFindReplaceSubKey,
                                                      kSubtitleFileTypeSubKey) &&
                    saved;
        return saved;
    });
}

bool TWatchFolderList::ClearWatchFolderList() {
    return Guarded("TCaplinForm.ClearWatchFolderList", false, [&] {
        Items.clear();
        return true;
    });
}

bool TWatchFolderList::IsWatchFolderInList(const std::string& watchFolder,
                                           const std::string& destinationFolder) const {
    return Guarded("TCaplinForm.IsWatchFolderInList", false, [&] {
        return std::any_of(Items.begin(), Items.end(), [&](const auto& item) {
            return SameFoldedText(item->Settings.WatchFolder, watchFolder) &&
                   SameFoldedText(item->Settings.DestinationFolder, destinationFolder);
        });
    });
}

bool TWatchFolderList::MayAdd(const std::string& watchFolder, const std::string& destinationFolder,
                              std::string& refusal, size_t except) const {
    refusal.clear();
    return Guarded("TCaplinForm.btnWFAddClick", false, [&] {
        if (watchFolder.empty())
            refusal = "No watch folder specified.";
        else if (destinationFolder.empty())
            refusal = "No destination folder specified.";
        // Case counts here: on this file system In and in are two folders.
        else if (watchFolder == destinationFolder)
            refusal = "Watch and Destination folders must not be the same.";
        else
            for (size_t n = 0; n < Items.size() && refusal.empty(); ++n)
                if (n != except && SameFoldedText(Items[n]->Settings.WatchFolder, watchFolder) &&
                    SameFoldedText(Items[n]->Settings.DestinationFolder, destinationFolder))
                    refusal = "These Watch and Destination folders exist in the current list.";
        return refusal.empty();
    });
}

bool TWatchFolderList::UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps,
                                            TSTLConvertSettings* editing) {
    return Guarded("TCaplinForm.UpdateWatchFolderFPS", false, [&] {
        if (editing != nullptr)
            ApplyFrameRatePolicy(*editing, fpsSource, fps);
        for (const auto& item : Items)
            ApplyFrameRatePolicy(item->Settings, fpsSource, fps);
        return true;
    });
}

bool TWatchFolderList::StartWatchFolderObjects() {
    return Guarded("TCaplinForm.StartWatchFolderObjects", false, [&] {
        for (size_t n = 0; n < Items.size(); ++n) {
            if (Items[n]->Start(WatchFolderCheckIntervalMS))
                continue;
            TraceError("TCaplinForm.StartWatchFolderObjects", "cannot start object");
            // Only the ones started here are stopped; the failed one is left as it was.
            for (size_t started = 0; started < n; ++started)
                Items[started]->Stop();
            return false;
        }
        return true;
    });
}

bool TWatchFolderList::StopWatchFolderObjects() {
    return Guarded("TCaplinForm.StopWatchFolderObjects", false, [&] {
        bool stopped = true;
        // Every item is stopped even after a failure, so no thread outlives the disarm.
        for (const auto& item : Items) {
            if (item->Stop()) {
                item->ReportMessages(); // what its last pass met is not lost
                continue;
            }
            if (stopped)
                TraceError("TCaplinForm.StopWatchFolderObjects", "cannot stop object");
            stopped = false;
        }
        return stopped;
    });
}

int TWatchFolderList::ProcessPass(const TFileConverted& converted) {
    return Guarded("TCaplinForm.btnWFArmClick", 0, [&] {
        int taken = 0;
        std::string path;
        for (size_t n = 0; n < Items.size(); ++n) {
            TWatchFolderItem& item = *Items[n];
            item.ReportMessages(); // what its thread met comes before its next file
            if (!item.TakeNextFile(path))
                continue;
            ++taken;
            const TConvertOutcome outcome = ConvertFileOfRun(
                path, LogFunction, ReportFunction, [&] { return item.ConvertFile(path); });
            if (converted)
                converted(n, path, outcome);
        }
        return taken;
    });
}

TWatchReload TWatchFolderList::Reload(TWatchFolderList& fresh, bool started) {
    return Guarded("TWatchFolderList.Reload", TWatchReload{}, [&] {
        TWatchReload counts;
        WatchFolderCheckIntervalMS = fresh.WatchFolderCheckIntervalMS;
        std::vector<std::unique_ptr<TWatchFolderItem>> kept;
        kept.reserve(fresh.Items.size()); // no allocation fails once items are moved
        for (auto& incoming : fresh.Items) {
            const TWatchFolderSTLConvertSettings& settings = incoming->Settings;
            const auto old = std::find_if(Items.begin(), Items.end(), [&](const auto& item) {
                return item && SameFoldedText(item->Settings.WatchFolder, settings.WatchFolder) &&
                       SameFoldedText(item->Settings.DestinationFolder, settings.DestinationFolder);
            });
            if (old == Items.end()) {
                incoming->ReportFunction = ReportFunction;
                if (started && !incoming->Start(WatchFolderCheckIntervalMS))
                    TraceError("TWatchFolderList.Reload", "cannot start object");
                kept.push_back(std::move(incoming));
                ++counts.Added;
                continue;
            }
            TWatchFolderItem& item = **old;
            if (!item.Settings.SameAs(settings)) {
                ++counts.Changed;
                // Another letter case names another folder here: that one is watched afresh.
                const bool otherFolder = item.Settings.WatchFolder != settings.WatchFolder;
                if (otherFolder && item.IsStarted()) {
                    item.Stop();
                    item.ReportMessages();
                }
                item.Settings.Assign(settings);
                if (otherFolder && started && !item.Start(WatchFolderCheckIntervalMS))
                    TraceError("TWatchFolderList.Reload", "cannot start object");
            }
            if (item.Thread)
                item.Thread->SetCheckIntervalMS(WatchFolderCheckIntervalMS);
            kept.push_back(std::move(*old));
        }
        for (auto& gone : Items) {
            if (!gone)
                continue;
            ++counts.Removed;
            if (gone->IsStarted()) {
                gone->Stop();
                gone->ReportMessages();
            }
        }
        Items = std::move(kept);
        fresh.Items.clear();
        return counts;
    });
}

std::unique_ptr<TWatchFolderItem>
TWatchFolderList::NewItem(const TSTLConvertSettings& settings) const {
    return Guarded("TCaplinForm.btnWFAddClick", std::unique_ptr<TWatchFolderItem>(), [&] {
        auto item = std::make_unique<TWatchFolderItem>();
        item->ReportFunction = ReportFunction;
        item->Settings.Assign(settings);
        return item;
    });
}

std::vector<const TSettingValue*> WatchFolderListSettingValues() {
    return ValuesOfFields(kFields);
}
