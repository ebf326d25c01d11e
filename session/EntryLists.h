// The two entry lists of the session, the watch folders and the playlist-check entries, as
// their pages' buttons edit them (the entry the page's panel edits, the page's checks and
// messages in its order) and as the command line changes them with values it read: the same
// checks, the change made in the session's lists, and just that change stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "session/ListChange.h"
#include "session/ListViews.h"
#include "session/SettingsInput.h"

class TCaplinSession;

// An entry's titled section of the settings as they are shown: "watch folder #2" and the key
// its values are stored under.
struct TEntrySection {
    std::string Title;
    std::string Key;
};

// What sets one entry list apart, besides where the session keeps its entries.
struct TEntryListInfo {
    // What the messages call an entry: "watch folder", "playlist-check entry".
    const char* What;
    // The settings part of an entry's values.
    uint32_t Part;
    // The values an Add names by their place, in order.
    std::vector<const char*> AddedFolders;
    const TListRow& Captions;
    // The list's key, the name of its count there, and the key of entry index below it.
    const char* ListKey;
    const char* CountName;
    std::string (*EntryKey)(size_t index);
};

class TEntryList {
public:
    explicit TEntryList(TEntryListInfo info) : info_(std::move(info)) {}
    virtual ~TEntryList() = default;

    const char* What() const { return info_.What; }
    uint32_t Part() const { return info_.Part; }
    const TListRow& Captions() const { return info_.Captions; }
    virtual size_t Count(const TCaplinSession& session) const = 0;
    virtual TListRow Row(const TCaplinSession& session, size_t index) const = 0;
    TListTable Table(const TCaplinSession& session) const;
    std::vector<TEntrySection> Sections(const TCaplinSession& session) const;

    // The page's Add: its checks on the entry the panel edits, then a copy joins the list.
    virtual TListChange Add(TCaplinSession& session) const = 0;
    // The page's Update: "No item selected." unless row names an entry; then, once confirm
    // agrees, the edited entry replaces it.
    TListChange Update(TCaplinSession& session, int row,
                       const std::function<bool()>& confirm) const;
    // "No item selected." unless row names an entry; then it leaves the list and the later
    // ones move up. Stored, the keys of the later entries move up with everything below them,
    // also what Caplin does not know.
    TListChange Remove(TCaplinSession& session, int row) const;
    // The edited entry into entry index, and entry index into the edited entry.
    virtual void StoreEdited(TCaplinSession& session, size_t index) const = 0;
    virtual void LoadEdited(TCaplinSession& session, size_t index) const = 0;

    // The command line's Add: an entry of the page's cleared panel with the folders (in the
    // order of the list's AddedFolders) and values, the last value of a name winning. Stored:
    // every value of the entry, and the count.
    virtual TListChange AddFromValues(TCaplinSession& session,
                                      const std::vector<std::string>& folders,
                                      const std::vector<TSettingInput>& values) const = 0;
    // The command line's Update of entry index: its folders with values pass Add's checks
    // against the other entries. Stored: the values given.
    virtual TListChange UpdateFromValues(TCaplinSession& session, size_t index,
                                         const std::vector<TSettingInput>& values) const = 0;

protected:
    virtual void Erase(TCaplinSession& session, size_t index) const = 0;
    bool WriteCount(size_t count) const;

    const TEntryListInfo info_;

private:
    // Replaces the keys of entries index .. count - 2, each with everything below it, by
    // those one place further, and removes the key of entry count - 1.
    void MoveEntryKeysUp(size_t index, size_t count) const;
};

const TEntryList& WatchFolderEntries();
const TEntryList& PlaylistEntries();
