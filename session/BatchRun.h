// A Batch run: the list of files of the Batch page, converted one per step with the Batch
// settings, each entry showing how far it got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "convert/ConvertOutcome.h"
#include "session/ListChange.h"
#include "session/Run.h"

class TSTLConvertSettings;

// Failed is shown for an entry whose conversion failed, so that it never looks done.
enum class TBatchItemStatus : int32_t {
    NotProcessed = 0,
    Processing = 1,
    Processed = 2,
    Failed = 3
};

// The status as the list shows it: "", "Processing", "Processed" or "Failed".
const char* BatchItemStatusText(TBatchItemStatus status);

struct TBatchItem {
    std::string FileName;
    TBatchItemStatus Status = TBatchItemStatus::NotProcessed;
};

// What became of one file offered to the batch list.
enum class TBatchAdd { Added, NotAFile, AlreadyListed };

// One item dropped on the batch list: a local path, or (Local false) what a front end shows of
// an item that is no local file, such as a web address.
struct TDroppedItem {
    std::string Path;
    bool Local = true;
};

// Why an item dropped on the batch list was not added.
enum class TDropSkip {
    AlreadyListed,
    NotLocal,
    NotFound,
    NotFileOrFolder,
    FolderNotReadable,
    NoStlFiles
};

struct TSkippedItem {
    std::string Name; // the path, or the address of an item that is not a local file
    TDropSkip Reason = TDropSkip::NotFound;
};

// One message naming the items a drop did not add (a few of them, then how many more); empty
// when every item was added.
std::string DropSkippedMessage(const std::vector<TSkippedItem>& skipped);

class TBatchRun {
public:
    // Converts with the settings settings holds when a run starts.
    TBatchRun(TRunContext context, const std::unique_ptr<TSTLConvertSettings>& settings)
        : context_(context), settings_(settings) {}

    // The batch list, in the order added. Not stored between runs of the program. It changes
    // only through the operations below, which keep the index of its names in step.
    const std::vector<TBatchItem>& BatchList() const { return list_; }

    bool ClearBatchList();
    bool ResetBatchListStatus();
    // An entry whose name equals fileName, both trimmed and upper-cased.
    bool IsFileInBatchList(const std::string& fileName) const;
    // Appends an entry without a check (the command line converts what it is given).
    bool AppendToBatchList(const std::string& fileName);
    // "Add File" for one chosen name: a name that is no existing file, or one already listed,
    // is not added.
    TBatchAdd AddFileToBatchList(const std::string& fileName);
    bool DeleteFromBatchList(size_t index);
    // The page's "Add File" for one chosen name, with its message for a file already listed;
    // a name that is no file is passed over without one.
    TListChange AddChosenFile(const std::string& fileName);
    // The page's "Remove": "No item selected." unless row names an entry.
    TListChange RemoveEntry(int row);
    // Items dropped on the list, in the order given: a file is added as "Add File" adds it, a
    // folder adds its *.stl files (any letter case, not those of subfolders) sorted by name.
    // Returns every item not added, with why.
    std::vector<TSkippedItem> AddDroppedToBatchList(const std::vector<TDroppedItem>& items);

    // Refused (the list is empty, no destination folder) or started: the start is logged, the
    // busy flag set and every status reset.
    TRunStart Start();
    // One entry: "Processing", its log line, the conversion, "Processed". After the last one
    // the busy flag is cleared and the end logged. A busy flag cleared from outside (a close)
    // ends the run here without a line.
    TRunNext Step();
    // The Cancel button: the cancel is logged and the busy flag cleared; the entries not
    // reached keep their empty status.
    void Cancel();

    bool Running() const { return running_; }
    // Entries converted so far in this run, and those that failed.
    size_t Position() const { return position_; }
    size_t Failed() const { return failed_; }
    // "3 / 10" while running: entries done or under way, of all; empty otherwise.
    std::string ProgressText() const;

    // Told of each change of an entry's status, before the conversion that follows it.
    std::function<void(size_t index)> EntryChanged;
    // Told what became of each entry's conversion, once it is over.
    std::function<void(size_t index, const TConvertOutcome& outcome)> EntryConverted;

private:
    void SetStatus(size_t index, TBatchItemStatus status);
    void AddFolderToBatchList(const std::string& folder, std::vector<TSkippedItem>& skipped);
    void AddDroppedFile(const std::string& path, std::vector<TSkippedItem>& skipped);

    TRunContext context_;
    const std::unique_ptr<TSTLConvertSettings>& settings_;
    std::vector<TBatchItem> list_;
    // The names of list_ trimmed and upper-cased, so a duplicate is found without a walk
    // through the list (a dropped folder may add thousands of files at once).
    std::unordered_multiset<std::string> foldedNames_;
    bool running_ = false;
    size_t position_ = 0;
    size_t reached_ = 0;
    size_t failed_ = 0;
};
