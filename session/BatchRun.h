// A Batch run: the list of files of the Batch page, converted one per step with the Batch
// settings, each entry showing how far it got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/Run.h"

class TCaplinSession;

enum class TBatchItemStatus : int32_t { NotProcessed = 0, Processing = 1, Processed = 2 };

// The status as the list shows it: "", "Processing" or "Processed".
const char* BatchItemStatusText(TBatchItemStatus status);

struct TBatchItem {
    std::string FileName;
    TBatchItemStatus Status = TBatchItemStatus::NotProcessed;
};

class TBatchRun {
public:
    explicit TBatchRun(TCaplinSession& session) : session_(session) {}

    // The batch list, in the order added. Not stored between runs of the program.
    std::vector<TBatchItem> BatchList;

    bool ClearBatchList();
    bool ResetBatchListStatus();
    // An entry whose name equals fileName, both trimmed and upper-cased.
    bool IsFileInBatchList(const std::string& fileName) const;

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

    // Told of each change of an entry's status, before the conversion that follows it.
    std::function<void(size_t index)> EntryChanged;

private:
    void SetStatus(size_t index, TBatchItemStatus status);

    TCaplinSession& session_;
    bool running_ = false;
    size_t position_ = 0;
    size_t failed_ = 0;
};
