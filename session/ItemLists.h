// The two lists of a conversion settings part, the subtitle file types and the hex
// find-and-replace items, as their dialogs edit them (each on its own copy of a list) and as
// the command line changes the stored lists of the Batch page or of a watch folder.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "convert/HexEntry.h"
#include "convert/STLConvertSettings.h"
#include "session/ListChange.h"
#include "session/ListViews.h"
#include "session/SettingsInput.h"

class TCaplinSession;

// The conversion settings whose lists a change edits, and the key they are stored under.
struct TListOwner {
    TSTLConvertSettings* Settings = nullptr;
    std::string Key;
};
TListOwner BatchListOwner(TCaplinSession& session);
// Those of watch folder index (0-based, within the list).
TListOwner WatchFolderListOwner(TCaplinSession& session, size_t index);

// The file types dialog's Add: refused with its message on a full list, else type joins it.
std::string FileTypeLimitRefusal(const TSubtitleFileTypeList& list);
TListChange AddFileType(TSubtitleFileTypeList& list, const TSubtitleFileType& type);
// A file type as the dialog starts one, with values as the command line reads them.
TSubtitleFileType NewFileType(const std::vector<TSettingInput>& values);

// The hex dialog's Add: the limit first, then the checks of the two entries in their order;
// the item joins the list. Its Apply of an edit: the entries' checks, then item row takes
// them (nothing is added, so the limit does not apply).
THexEntryCheck AddHexItem(THexFindAndReplaceList& list, const std::string& find,
                          const std::string& replace);
THexEntryCheck UpdateHexItem(THexFindAndReplaceList& list, int row, const std::string& find,
                             const std::string& replace);

// Either dialog's Delete: "No item selected." unless row names an item; then it goes.
template <class Item>
TListChange RemoveListItem(std::vector<std::unique_ptr<Item>>& list, int row) {
    if (row < 0 || size_t(row) >= list.size())
        return TListChange::Refused(kNoItemSelected);
    list.erase(list.begin() + std::ptrdiff_t(row));
    return TListChange::Made();
}

// One of the two lists of an owner, as the command line reaches it.
struct TItemList {
    const char* What; // what the messages call an item: "file type", "hex item"
    size_t (*Count)(const TSTLConvertSettings& settings);
    TListTable (*Table)(const TSTLConvertSettings& settings);
    TListChange (*Remove)(TSTLConvertSettings& settings, int row);
    // The owner's list into the store, as the window's save writes it.
    bool (*Store)(const TListOwner& owner);
};
extern const TItemList kFileTypeItems;
extern const TItemList kHexItems;
