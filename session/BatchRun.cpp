#include "session/BatchRun.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "convert/STLConvertUtils.h"
#include "logs/LogsAndMessages.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRunRoutine = "TCaplinForm.btnBatchConvertClick";
// Names a drop message spells out before it only counts the rest.
constexpr size_t kSkippedNamesShown = 5;

// Why an item was not added, by TDropSkip in its order.
constexpr const char* kDropSkipTexts[] = {
    "already in the batch list",   "not a local file",    "not found",
    "neither a file nor a folder", "folder not readable", "no STL files in it"};

bool HasStlExtension(const std::string& name) {
    return name.size() >= 4 && FoldText(name.substr(name.size() - 4)) == ".STL";
}

} // namespace

const char* BatchItemStatusText(TBatchItemStatus status) {
    switch (status) {
    case TBatchItemStatus::Processing:
        return "Processing";
    case TBatchItemStatus::Processed:
        return "Processed";
    case TBatchItemStatus::Failed:
        return "Failed";
    case TBatchItemStatus::NotProcessed:
        break;
    }
    return "";
}

std::string DropSkippedMessage(const std::vector<TSkippedItem>& skipped) {
    return Guarded("TCaplinForm.DropSkippedMessage", std::string(), [&] {
        if (skipped.empty())
            return std::string();
        std::string text = skipped.size() == 1
                               ? "1 dropped item was not added: "
                               : std::to_string(skipped.size()) + " dropped items were not added: ";
        const size_t shown = std::min(skipped.size(), kSkippedNamesShown);
        for (size_t i = 0; i < shown; ++i)
            text += (i > 0 ? ", " : "") + skipped[i].Name + " (" +
                    kDropSkipTexts[size_t(skipped[i].Reason)] + ")";
        if (skipped.size() > shown)
            text += " and " + std::to_string(skipped.size() - shown) + " more";
        return text + ".";
    });
}

bool TBatchRun::ClearBatchList() {
    return Guarded("TCaplinForm.ClearBatchList", false, [&] {
        list_.clear();
        foldedNames_.clear();
        return true;
    });
}

bool TBatchRun::ResetBatchListStatus() {
    return Guarded("TCaplinForm.ResetBatchListStatus", false, [&] {
        for (TBatchItem& item : list_)
            item.Status = TBatchItemStatus::NotProcessed;
        return true;
    });
}

bool TBatchRun::IsFileInBatchList(const std::string& fileName) const {
    return Guarded("TCaplinForm.IsFileInBatchList", false,
                   [&] { return foldedNames_.count(FoldText(fileName)) > 0; });
}

bool TBatchRun::AppendToBatchList(const std::string& fileName) {
    return Guarded("TCaplinForm.AppendToBatchList", false, [&] {
        std::string folded = FoldText(fileName);
        list_.push_back(TBatchItem{fileName});
        foldedNames_.insert(std::move(folded));
        return true;
    });
}

TBatchAdd TBatchRun::AddFileToBatchList(const std::string& fileName) {
    return Guarded("TCaplinForm.AddFileToBatchList", TBatchAdd::NotAFile, [&] {
        std::error_code error;
        if (!fs::is_regular_file(fileName, error))
            return TBatchAdd::NotAFile;
        if (IsFileInBatchList(fileName))
            return TBatchAdd::AlreadyListed;
        return AppendToBatchList(fileName) ? TBatchAdd::Added : TBatchAdd::NotAFile;
    });
}

bool TBatchRun::DeleteFromBatchList(size_t index) {
    return Guarded("TCaplinForm.DeleteFromBatchList", false, [&] {
        if (index >= list_.size())
            return false;
        const auto folded = foldedNames_.find(FoldText(list_[index].FileName));
        if (folded != foldedNames_.end())
            foldedNames_.erase(folded);
        list_.erase(list_.begin() + std::ptrdiff_t(index));
        return true;
    });
}

TListChange TBatchRun::AddChosenFile(const std::string& fileName) {
    switch (AddFileToBatchList(fileName)) {
    case TBatchAdd::Added:
        return TListChange::Made();
    case TBatchAdd::AlreadyListed:
        return TListChange::Refused("File aready exists in the batch list.");
    case TBatchAdd::NotAFile:
        break;
    }
    return {};
}

TListChange TBatchRun::RemoveEntry(int row) {
    if (row < 0 || !DeleteFromBatchList(size_t(row)))
        return TListChange::Refused(kNoItemSelected);
    return TListChange::Made();
}

std::vector<TSkippedItem> TBatchRun::AddDroppedToBatchList(const std::vector<TDroppedItem>& items) {
    std::vector<TSkippedItem> skipped;
    GuardedVoid("TCaplinForm.AddDroppedToBatchList", [&] {
        for (const TDroppedItem& item : items) {
            if (!item.Local) {
                skipped.push_back({item.Path, TDropSkip::NotLocal});
                continue;
            }
            std::error_code error;
            const fs::file_status status = fs::status(item.Path, error);
            if (fs::is_directory(status))
                AddFolderToBatchList(item.Path, skipped);
            else if (!fs::exists(status))
                skipped.push_back({item.Path, TDropSkip::NotFound});
            else if (!fs::is_regular_file(status))
                skipped.push_back({item.Path, TDropSkip::NotFileOrFolder});
            else
                AddDroppedFile(item.Path, skipped);
        }
    });
    return skipped;
}

void TBatchRun::AddFolderToBatchList(const std::string& folder,
                                     std::vector<TSkippedItem>& skipped) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (HasStlExtension(it->path().filename().string()) && it->is_regular_file(typeError))
            files.push_back(it->path().string());
    }
    // What was listed before a failure is still added.
    if (error)
        skipped.push_back({folder, TDropSkip::FolderNotReadable});
    else if (files.empty())
        skipped.push_back({folder, TDropSkip::NoStlFiles});
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        AddDroppedFile(file, skipped);
}

void TBatchRun::AddDroppedFile(const std::string& path, std::vector<TSkippedItem>& skipped) {
    switch (AddFileToBatchList(path)) {
    case TBatchAdd::Added:
        return;
    case TBatchAdd::AlreadyListed:
        return skipped.push_back({path, TDropSkip::AlreadyListed});
    case TBatchAdd::NotAFile: // gone since it was listed
        return skipped.push_back({path, TDropSkip::NotFound});
    }
}

std::string TBatchRun::ProgressText() const {
    if (!running_)
        return {};
    return std::to_string(reached_) + " / " + std::to_string(list_.size());
}

TRunStart TBatchRun::Start() {
    return Guarded(kRunRoutine, TRunStart{}, [&] {
        if (list_.empty())
            return TRunStart{false, "No files to convert."};
        if (!settings_ || settings_->DestinationFolder.empty())
            return TRunStart{false, "No destination folder specified."};
        context_.Logs.LogFunction("Batch conversion started.");
        context_.Busy = true;
        running_ = true;
        position_ = 0;
        reached_ = 0;
        failed_ = 0;
        ResetBatchListStatus();
        return TRunStart{true, {}};
    });
}

void TBatchRun::SetStatus(size_t index, TBatchItemStatus status) {
    list_[index].Status = status;
    if (EntryChanged)
        EntryChanged(index);
}

TRunNext TBatchRun::Step() {
    // A failure here leaves the run marked running, so the button's next press cancels it.
    return Guarded(kRunRoutine, TRunNext::Finished, [&] {
        if (!running_)
            return TRunNext::Finished;
        if (!context_.Busy || position_ >= list_.size()) {
            running_ = false;
            return TRunNext::Finished;
        }
        const size_t index = position_;
        reached_ = index + 1;
        SetStatus(index, TBatchItemStatus::Processing);
        // A copy: the list may not change during a run, but the path must outlive the entry.
        const std::string path = list_[index].FileName;
        const TReportFunction report = context_.Logs.ReportSink();
        const TConvertOutcome outcome =
            ConvertFileOfRun(path, context_.Logs.LogSink(), report, [&] {
                return ConvertSTLFileWithOutcome(path, *settings_, "", report);
            });
        if (!outcome.Succeeded())
            ++failed_;
        SetStatus(index,
                  outcome.Succeeded() ? TBatchItemStatus::Processed : TBatchItemStatus::Failed);
        if (EntryConverted)
            EntryConverted(index, outcome);
        ++position_;
        if (position_ < list_.size())
            return TRunNext::AfterPause;
        running_ = false;
        context_.Busy = false;
        context_.Logs.LogFunction("Batch conversion done.");
        return TRunNext::Finished;
    });
}

void TBatchRun::Cancel() {
    GuardedVoid(kRunRoutine, [&] {
        context_.Logs.LogFunction("Batch conversion canceled.");
        running_ = false;
        context_.Busy = false;
    });
}
