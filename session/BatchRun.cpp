#include "session/BatchRun.h"

#include "convert/STLConvertUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

namespace {

constexpr const char* kRunRoutine = "TCaplinForm.btnBatchConvertClick";

} // namespace

const char* BatchItemStatusText(TBatchItemStatus status) {
    switch (status) {
    case TBatchItemStatus::Processing:
        return "Processing";
    case TBatchItemStatus::Processed:
        return "Processed";
    case TBatchItemStatus::NotProcessed:
        break;
    }
    return "";
}

bool TBatchRun::ClearBatchList() {
    return Guarded("TCaplinForm.ClearBatchList", false, [&] {
        BatchList.clear();
        return true;
    });
}

bool TBatchRun::ResetBatchListStatus() {
    return Guarded("TCaplinForm.ResetBatchListStatus", false, [&] {
        for (TBatchItem& item : BatchList)
            item.Status = TBatchItemStatus::NotProcessed;
        return true;
    });
}

bool TBatchRun::IsFileInBatchList(const std::string& fileName) const {
    return Guarded("TCaplinForm.IsFileInBatchList", false, [&] {
        const std::string wanted = FoldText(fileName);
        for (const TBatchItem& item : BatchList)
            if (FoldText(item.FileName) == wanted)
                return true;
        return false;
    });
}

TRunStart TBatchRun::Start() {
    return Guarded(kRunRoutine, TRunStart{}, [&] {
        if (BatchList.empty())
            return TRunStart{false, "No files to convert."};
        if (!session_.BatchSettings || session_.BatchSettings->DestinationFolder.empty())
            return TRunStart{false, "No destination folder specified."};
        session_.Logs.LogFunction("Batch conversion started.");
        session_.SetConversionInProgress(true);
        running_ = true;
        position_ = 0;
        failed_ = 0;
        ResetBatchListStatus();
        return TRunStart{true, {}};
    });
}

void TBatchRun::SetStatus(size_t index, TBatchItemStatus status) {
    BatchList[index].Status = status;
    if (EntryChanged)
        EntryChanged(index);
}

TRunNext TBatchRun::Step() {
    // A failure here leaves the run marked running, so the button's next press cancels it.
    return Guarded(kRunRoutine, TRunNext::Finished, [&] {
        if (!running_)
            return TRunNext::Finished;
        if (!session_.ConversionInProgress() || position_ >= BatchList.size()) {
            running_ = false;
            return TRunNext::Finished;
        }
        const size_t index = position_;
        SetStatus(index, TBatchItemStatus::Processing);
        // A copy: the list may not change during a run, but the path must outlive the entry.
        const std::string path = BatchList[index].FileName;
        const TReportFunction report = session_.Logs.ReportSink();
        if (!ConvertFileOfRun(path, session_.Logs.LogSink(), report, [&] {
                return ConvertSTLFile(path, *session_.BatchSettings, "", report);
            }))
            ++failed_;
        SetStatus(index, TBatchItemStatus::Processed);
        ++position_;
        if (position_ < BatchList.size())
            return TRunNext::AfterPause;
        running_ = false;
        session_.SetConversionInProgress(false);
        session_.Logs.LogFunction("Batch conversion done.");
        return TRunNext::Finished;
    });
}

void TBatchRun::Cancel() {
    GuardedVoid(kRunRoutine, [&] {
        session_.Logs.LogFunction("Batch conversion canceled.");
        running_ = false;
        session_.SetConversionInProgress(false);
    });
}
