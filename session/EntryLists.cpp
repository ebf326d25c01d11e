#include "session/EntryLists.h"

#include <memory>

#include "platform/Registry.h"
#include "platform/SettingsKeys.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

namespace {

const TSettingInput* FindInput(const std::vector<TSettingInput>& inputs, const char* name) {
    // The last one given wins, as it would in the window.
    for (auto it = inputs.rbegin(); it != inputs.rend(); ++it)
        if (std::string(it->Value->Name) == name)
            return &*it;
    return nullptr;
}

// The number of the entry key that path lies in or below, when its parent is prefix
// ("...\WF_", upper-cased); the rest of the path below the entry key goes into rest.
bool EntryNumberOf(const std::string& path, const std::string& prefix, size_t& number,
                   std::string& rest) {
    const std::string folded = UpperCaseText(path);
    if (folded.compare(0, prefix.size(), prefix) != 0)
        return false;
    const size_t end = path.find('\\', prefix.size());
    const std::string digits = path.substr(prefix.size(), end - prefix.size());
    int32_t value = 0;
    if (!TryStrToInt(digits, value) || value < 0 || std::to_string(value) != digits)
        return false;
    number = static_cast<size_t>(value);
    rest = end == std::string::npos ? std::string() : path.substr(end);
    return true;
}

std::string WithoutTrailingBackslash(std::string key) {
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

// Runs write and then load on the store, and puts the store back as it was: an entry read back
// so holds just what the window's loader makes of the values, as the settings file will.
bool ReadBack(const std::function<bool()>& write, const std::function<bool()>& load) {
    struct TPutBack {
        TSettingsStore& Store;
        TSettingsStore::TContent Content;
        ~TPutBack() { Store.SetContent(std::move(Content)); }
    } putBack{TSettingsStore::Global(), TSettingsStore::Global().Content()};
    return write() && load();
}

// The algorithms of an entry list over its entry type; the lists below say where their
// entries are and how they are checked, loaded and saved.
template <class Item, class Entry> class TEntryListOf : public TEntryList {
public:
    using TItems = std::vector<std::unique_ptr<Item>>;
    using TRowOf = TListRow (*)(const Entry& entry, size_t index);

    TEntryListOf(TEntryListInfo info, TRowOf rowOf) : TEntryList(std::move(info)), rowOf_(rowOf) {}

    size_t Count(const TCaplinSession& session) const override {
        const TItems* items = Items(session);
        return items ? items->size() : 0;
    }

    TListRow Row(const TCaplinSession& session, size_t index) const override {
        return rowOf_(At(session, index), index);
    }

    TListChange Add(TCaplinSession& session) const override {
        return Join(session, Edited(session));
    }

    void StoreEdited(TCaplinSession& session, size_t index) const override {
        At(session, index).Assign(Edited(session));
    }

    void LoadEdited(TCaplinSession& session, size_t index) const override {
        Edited(session).Assign(At(session, index));
    }

    TListChange AddFromValues(TCaplinSession& session, const std::vector<std::string>& folders,
                              const std::vector<TSettingInput>& values) const override {
        std::vector<TSettingInput> inputs;
        if (!FolderInputs(folders, inputs))
            return {};
        inputs.insert(inputs.end(), values.begin(), values.end());
        const size_t index = Count(session);
        const std::string key = info_.EntryKey(index);
        const std::function<bool()> write = [this, key, inputs, main = session.MainSettings()] {
            return WriteNewEntry(key, inputs, main);
        };
        Entry entry;
        if (!ReadBack(write, [&] { return Load(entry, key); }))
            return {};
        const TListChange joined = Join(session, entry);
        if (!joined.IsMade())
            return joined;
        return TListChange::Made([this, write, index] { return write() && WriteCount(index + 1); });
    }

    TListChange UpdateFromValues(TCaplinSession& session, size_t index,
                                 const std::vector<TSettingInput>& values) const override {
        const std::string key = info_.EntryKey(index);
        const std::function<bool()> write = [key, values] {
            for (const TSettingInput& value : values)
                if (!WriteSettingInput(key, value))
                    return false;
            return true;
        };
        Entry entry;
        entry.Assign(At(session, index));
        if (!ReadBack([&] { return Save(entry, key) && write(); },
                      [&] { return Load(entry, key); }))
            return {};
        std::string refusal;
        if (!MayAdd(session, entry, refusal, index))
            return TListChange::Refused(refusal);
        At(session, index).Assign(entry);
        return TListChange::Made(write);
    }

protected:
    // The session's list, null before the session made it. The session's lists are reached
    // through its pointers, so a const session still gives its entries.
    virtual TItems* Items(const TCaplinSession& session) const = 0;
    virtual Entry& EntryOf(Item& item) const = 0;
    virtual Entry& Edited(const TCaplinSession& session) const = 0;
    virtual bool MayAdd(const TCaplinSession& session, const Entry& entry, std::string& refusal,
                        size_t except) const = 0;
    // A copy of entry at the end of the list; false after a failure (traced).
    virtual bool Append(TCaplinSession& session, const Entry& entry) const = 0;
    virtual bool Load(Entry& entry, const std::string& key) const = 0;
    virtual bool Save(const Entry& entry, const std::string& key) const = 0;
    // What the window's save writes below a new entry besides its values.
    virtual bool WriteNewLists(const std::string&) const { return true; }

    void Erase(TCaplinSession& session, size_t index) const override {
        TItems& items = *Items(session);
        items.erase(items.begin() + std::ptrdiff_t(index));
    }

private:
    Entry& At(const TCaplinSession& session, size_t index) const {
        return EntryOf(*Items(session)->at(index));
    }

    TListChange Join(TCaplinSession& session, const Entry& entry) const {
        std::string refusal;
        if (!MayAdd(session, entry, refusal, SIZE_MAX))
            return TListChange::Refused(refusal);
        return Append(session, entry) ? TListChange::Made() : TListChange();
    }

    bool FolderInputs(const std::vector<std::string>& folders,
                      std::vector<TSettingInput>& inputs) const {
        const std::vector<const char*>& names = info_.AddedFolders;
        for (size_t n = 0; n < folders.size() && n < names.size(); ++n) {
            const TSettingValue* value = FindSettingValue(Part(), names[n]);
            std::string refusal;
            TSettingInput input;
            if (value == nullptr || !ParseSettingInput(*value, Part(), folders[n], input, refusal))
                return false;
            inputs.push_back(std::move(input));
        }
        return true;
    }

    // Every value of the entry, given or as the page's cleared panel has it; then its lists.
    bool WriteNewEntry(const std::string& key, const std::vector<TSettingInput>& given,
                       const TMainSettings& main) const {
        // A longer earlier list may have left an entry here; nothing of it is inherited.
        TSettingsStore::Global().DeleteKey(key);
        for (const TSettingValue* value : SettingValuesOf(Part())) {
            const TSettingInput* input = FindInput(given, value->Name);
            if (!WriteSettingInput(key, input ? *input : FreshSettingInput(*value, main)))
                return false;
        }
        return WriteNewLists(key);
    }

    TRowOf rowOf_;
};

class TWatchFolderEntries : public TEntryListOf<TWatchFolderItem, TWatchFolderSTLConvertSettings> {
public:
    using Entry = TWatchFolderSTLConvertSettings;

    TWatchFolderEntries()
        : TEntryListOf({"watch folder",
                        spWatchFolderEntry,
                        {"WatchFolder", "DestinationFolder"},
                        WatchFolderCaptions(),
                        kWatchFolderKey,
                        "WatchFoldersCount",
                        TWatchFolderList::EntryKey},
                       WatchFolderRow) {}

protected:
    TItems* Items(const TCaplinSession& session) const override {
        return session.WatchFolderList() ? &session.WatchFolderList()->Items : nullptr;
    }
    Entry& EntryOf(TWatchFolderItem& item) const override { return item.Settings; }
    Entry& Edited(const TCaplinSession& session) const override { return *session.WFSettings(); }
    bool MayAdd(const TCaplinSession& session, const Entry& entry, std::string& refusal,
                size_t except) const override {
        return session.WatchFolderList()->MayAdd(entry.WatchFolder, entry.DestinationFolder,
                                                 refusal, except);
    }
    bool Append(TCaplinSession& session, const Entry& entry) const override {
        std::unique_ptr<TWatchFolderItem> item = session.WatchFolderList()->NewItem(entry);
        if (!item)
            return false;
        session.WatchFolderList()->Items.push_back(std::move(item));
        return true;
    }
    bool Load(Entry& entry, const std::string& key) const override {
        return entry.LoadFromRegistry(key, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey);
    }
    bool Save(const Entry& entry, const std::string& key) const override {
        return entry.SaveToRegistry(key, kHexFindReplaceSubKey, kSubtitleFileTypeSubKey);
    }
    bool WriteNewLists(const std::string& key) const override {
        const TSubtitleFileTypeList noTypes;
        const THexFindAndReplaceList noItems;
        return SaveSubtitleFileTypeListToRegistry(key + kSubtitleFileTypeSubKey, &noTypes) &&
               SaveHexFindAndReplaceListToRegistry(key + kHexFindReplaceSubKey, &noItems);
    }
};

class TPlaylistEntries : public TEntryListOf<TPlaylistCheckSettings, TPlaylistCheckSettings> {
public:
    using Entry = TPlaylistCheckSettings;

    TPlaylistEntries()
        : TEntryListOf({"playlist-check entry",
                        spPlaylistEntry,
                        {"PlaylistsFolder", "SubtitlesFolder", "MissingsLogFolder"},
                        PlaylistCaptions(),
                        kPlaylistsCheckKey,
                        "PlaylistsCheckListCount",
                        TPlaylistCheckList::EntryKey},
                       PlaylistRow) {}

protected:
    TItems* Items(const TCaplinSession& session) const override {
        return session.PlaylistCheckList() ? &session.PlaylistCheckList()->Entries : nullptr;
    }
    Entry& EntryOf(Entry& entry) const override { return entry; }
    Entry& Edited(const TCaplinSession& session) const override { return *session.PCSettings(); }
    bool MayAdd(const TCaplinSession& session, const Entry& entry, std::string& refusal,
                size_t except) const override {
        return session.PlaylistCheckList()->MayAdd(entry, refusal, except);
    }
    bool Append(TCaplinSession& session, const Entry& entry) const override {
        auto copy = std::make_unique<Entry>();
        copy->Assign(entry);
        session.PlaylistCheckList()->Entries.push_back(std::move(copy));
        return true;
    }
    bool Load(Entry& entry, const std::string& key) const override {
        return entry.LoadFromRegistry(key, kPlaylistCheckLanguagesSubKey);
    }
    bool Save(const Entry& entry, const std::string& key) const override {
        return entry.SaveToRegistry(key, kPlaylistCheckLanguagesSubKey);
    }
};

} // namespace

TListTable TEntryList::Table(const TCaplinSession& session) const {
    TListTable table{Captions(), {}};
    for (size_t n = 0; n < Count(session); ++n)
        table.Rows.push_back(Row(session, n));
    return table;
}

std::vector<TEntrySection> TEntryList::Sections(const TCaplinSession& session) const {
    std::vector<TEntrySection> sections;
    for (size_t n = 0; n < Count(session); ++n)
        sections.push_back({std::string(What()) + " #" + std::to_string(n + 1), info_.EntryKey(n)});
    return sections;
}

TListChange TEntryList::Update(TCaplinSession& session, int row,
                               const std::function<bool()>& confirm) const {
    if (row < 0 || size_t(row) >= Count(session))
        return TListChange::Refused(kNoItemSelected);
    if (!confirm())
        return {};
    StoreEdited(session, size_t(row));
    return TListChange::Made();
}

TListChange TEntryList::Remove(TCaplinSession& session, int row) const {
    const size_t count = Count(session);
    if (row < 0 || size_t(row) >= count)
        return TListChange::Refused(kNoItemSelected);
    const size_t index = size_t(row);
    Erase(session, index);
    return TListChange::Made([this, index, count] {
        MoveEntryKeysUp(index, count);
        return WriteCount(count - 1);
    });
}

bool TEntryList::WriteCount(size_t count) const {
    TRegistry registry;
    return registry.OpenKey(info_.ListKey, true) &&
           registry.WriteInteger(info_.CountName, static_cast<int32_t>(count));
}

void TEntryList::MoveEntryKeysUp(size_t index, size_t count) const {
    GuardedVoid("RemoveEntryKey", [&] {
        TSettingsStore& store = TSettingsStore::Global();
        std::string prefix = UpperCaseText(WithoutTrailingBackslash(info_.EntryKey(0)));
        prefix.pop_back(); // "...\WF_0" without its number
        struct TMoved {
            size_t Number;
            std::string Rest;
            std::vector<TRegValue> Values;
        };
        std::vector<TMoved> moved;
        size_t number = 0;
        std::string rest;
        for (const std::string& path : store.KeyPaths())
            if (EntryNumberOf(path, prefix, number, rest) && number > index && number < count)
                moved.push_back({number, rest, store.Values(path)});
        for (size_t n = index; n < count; ++n)
            store.DeleteKey(info_.EntryKey(n));
        for (const TMoved& key : moved) {
            const std::string target =
                WithoutTrailingBackslash(info_.EntryKey(key.Number - 1)) + key.Rest;
            store.CreateKey(target);
            for (const TRegValue& value : key.Values)
                store.SetValue(target, value);
        }
    });
}

const TEntryList& WatchFolderEntries() {
    static const TWatchFolderEntries list;
    return list;
}

const TEntryList& PlaylistEntries() {
    static const TPlaylistEntries list;
    return list;
}
