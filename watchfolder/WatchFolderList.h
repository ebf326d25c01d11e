// The watch-folder list of the Watch Folder page without the window: its registry form,
// the frame-rate policy, arming and disarming, and the pass of the arm loop that converts
// one queued file per folder. The window and `caplin-cli watch` both drive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "stl/STLUtils.h"
#include "watchfolder/WatchFolderItem.h"

// What a reload did to the entries of a list.
struct TWatchReload {
    int Added = 0;
    int Removed = 0;
    int Changed = 0;
};

// What became of one file of a pass, with the index of the watch folder it came from.
using TFileConverted =
    std::function<void(size_t folder, const std::string& path, const TConvertOutcome& outcome)>;

class TWatchFolderList {
public:
    std::vector<std::unique_ptr<TWatchFolderItem>> Items;
    // How often every folder of the list is polled once started; stored with the list.
    int32_t WatchFolderCheckIntervalMS = 5000;
    // Handed to every item that is added or loaded.
    TReportFunction ReportFunction;
    TLogFunction LogFunction;

    // Reads "WatchFoldersCount", "WatchFolderCheckIntervalMS" (written back when missing)
    // and every "WF_<n>\" entry; an entry that fails to load is left out. Entries take the
    // window-wide frame-rate policy.
    bool LoadRegistryWatchFolders(int32_t fpsSource, const std::string& fps);
    bool SaveRegistryWatchFolders() const;
    // What keeps the stored list from being whole, or empty: an entry its count names that
    // is not there (a file cut short), or no entry at all.
    static std::string StoredListFault();
    bool ClearWatchFolderList(); // stops nothing: callers stop first
    bool IsWatchFolderInList(const std::string& watchFolder,
                             const std::string& destinationFolder) const;
    // The checks of the page's Add, in its order: true when an entry of these folders may
    // join the list, else false with the page's message in refusal (empty after a traced
    // failure). The entry numbered except (0-based) is left out of the duplicate test: an
    // update of it may keep its folders.
    bool MayAdd(const std::string& watchFolder, const std::string& destinationFolder,
                std::string& refusal, size_t except = SIZE_MAX) const;
    // The frame-rate policy, brought into range, into
    // editing (when given) and every item.
    bool UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps,
                              TSTLConvertSettings* editing = nullptr);
    // Starts every item in order, polling at the list's interval. If one fails, the items
    // already started are stopped again so nothing stays half armed.
    bool StartWatchFolderObjects();
    // Stops every item and reports what their threads still had to say.
    bool StopWatchFolderObjects();
    // One pass of the arm loop: for each item in order, the messages its thread queued are
    // reported, then the first queued file is taken, logged
    // and converted as a file of a run (ConvertFileOfRun); converted, when given, hears of
    // each with the index of its item. Returns the number of files taken.
    int ProcessPass(const TFileConverted& converted = {});
    // Takes the entries and the interval of fresh, a list loaded anew, emptying it. An entry
    // is known by its pair of watch and destination folders (as the page keeps them unique):
    // a pair that is new joins (started when started is true), a pair that is gone is
    // stopped and leaves, and one whose settings differ takes them and goes on. Every entry
    // that stays keeps its polling thread, what that thread knows and the files queued; the
    // order becomes fresh's.
    TWatchReload Reload(TWatchFolderList& fresh, bool started);
    // A new item set up as Add does (report function), settings copied.
    std::unique_ptr<TWatchFolderItem> NewItem(const TSTLConvertSettings& settings) const;

    // "Software\Velmora\Caplin\WatchFolder\WF_<index>\"
    static std::string EntryKey(size_t index);
};

struct TSettingValue;
// WatchFolderCheckIntervalMS.
std::vector<const TSettingValue*> WatchFolderListSettingValues();
