#include "logs/LogsAndMessages.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "platform/UserFolders.h"

namespace {

// File-name words of the pages, by page index.
const char* const kPageWords[3] = {"Batch", "WatchFolder", "PlaylistCheck"};

const std::vector<std::string> kNoLogLines;
const std::vector<TMessageLine> kNoMessageLines;

std::tm LocalTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        throw std::runtime_error("localtime_r");
    return local;
}

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

// Every line reaches the disk's page cache as it is written: nothing is held back in a
// buffer of ours, so a crash loses no line that was reported.
void WriteLine(TFile& file, const std::string& line) {
    const std::string bytes = line + "\r\n";
    if (!file.IsOpen() || !file.Append(bytes.data(), int64_t(bytes.size())))
        throw std::runtime_error("write");
}

// The default folder sits in the user's state folder, which a fresh account does not have
// yet; it is made with the first daily file. A folder the operator chose is never made here.
void CreateDefaultLogsFolder(const std::string& fileName) {
    const std::string folder = fileName.substr(0, fileName.rfind('/') + 1);
    if (folder == GetDefaultLogsPath() && !DirectoryExists(folder))
        ForceDirectories(folder);
}

} // namespace

TLogsAndMessages::TLogsAndMessages() : clock_([] { return std::chrono::system_clock::now(); }) {}

TLogsAndMessages::~TLogsAndMessages() {
    CloseLogsFile();
    CloseMessagesFile();
}

std::chrono::system_clock::time_point TLogsAndMessages::Now() const {
    if (nowPinned_)
        return pinnedNow_;
    return clock_ ? clock_() : std::chrono::system_clock::now();
}

template <class F> auto TLogsAndMessages::AtOneInstant(F&& body) {
    struct TUnpin {
        bool& Pinned;
        ~TUnpin() { Pinned = false; }
    } unpin{nowPinned_};
    pinnedNow_ = Now();
    nowPinned_ = true;
    return body();
}

TStatus TLogsAndMessages::ReportFunction(int32_t type, const char* text) {
    return Guarded("TCaplinForm.ReportFunction", STATUS_FAIL, [&]() -> TStatus {
        if (!ValidPage())
            return STATUS_FAIL;
        return AtOneInstant([&]() -> TStatus {
            std::vector<TMessageLine>& lines = messageLines_[size_t(CurrentPage)];
            bool switched = false;
            OpenMessagesFile(switched);
            if (switched) {
                ClearMessagesPane();
                lines.clear();
            }
            const std::string message = Text(text);
            const std::string line =
                Timestamp() + " : " + ReportTypeToString(type) + " - " + message;
            lines.push_back(TMessageLine{line, type});
            if (observer_)
                observer_->MessageLineWritten(type, message);
            // Shown and counted before the file is written: a folder that refuses writing must
            // not hide an error from the operator.
            if (type >= rtInfo && type <= rtError && Admits(type)) {
                if (observer_)
                    observer_->MessagesPaneLineAdded(line, type);
                if (type == rtWarning)
                    ++warningsCount_;
                else if (type == rtError)
                    ++errorsCount_;
                UpdateLogsAndMessages();
            }
            WriteLine(messagesFile_, line);
            return STATUS_OK;
        });
    });
}

TStatus TLogsAndMessages::LogFunction(const char* text) {
    return Guarded("TCaplinForm.LogFunction", STATUS_FAIL, [&]() -> TStatus {
        if (!ValidPage())
            return STATUS_FAIL;
        return AtOneInstant([&]() -> TStatus {
            std::vector<std::string>& lines = logLines_[size_t(CurrentPage)];
            bool switched = false;
            OpenLogsFile(switched);
            if (switched) {
                if (observer_)
                    observer_->LogPaneCleared();
                lines.clear();
            }
            const std::string message = Text(text);
            const std::string line = Timestamp() + " - " + message;
            if (observer_) {
                observer_->LogLineWritten(message);
                observer_->LogPaneLineAdded(line);
            }
            lines.push_back(line);
            WriteLine(logsFile_, line);
            return STATUS_OK;
        });
    });
}

TReportFunction TLogsAndMessages::ReportSink() {
    return [this](int32_t type, const char* text) { return ReportFunction(type, text); };
}

TLogFunction TLogsAndMessages::LogSink() {
    return [this](const char* text) { return LogFunction(text); };
}

void TLogsAndMessages::RefreshMessages() {
    GuardedVoid("TCaplinForm.RefreshMessages", [&] {
        errorsCount_ = 0;
        warningsCount_ = 0;
        if (observer_) {
            observer_->MessagesPaneCleared();
            observer_->FilterVisibilityChanged(CurrentPage == pgBatch ||
                                               CurrentPage == pgWatchFolder);
        }
        if (!ValidPage())
            return;
        for (const TMessageLine& line : messageLines_[size_t(CurrentPage)]) {
            if (line.Type < rtInfo || line.Type > rtError || !Admits(line.Type))
                continue;
            if (observer_)
                observer_->MessagesPaneLineAdded(line.Line, line.Type);
            if (line.Type == rtWarning)
                ++warningsCount_;
            else if (line.Type == rtError)
                ++errorsCount_;
        }
        UpdateLogsAndMessages();
    });
}

void TLogsAndMessages::RefreshLogs() {
    GuardedVoid("TCaplinForm.RefreshLogs", [&] {
        if (observer_)
            observer_->LogPaneCleared();
        if (!ValidPage())
            return;
        if (observer_)
            for (const std::string& line : logLines_[size_t(CurrentPage)])
                observer_->LogPaneLineAdded(line);
        UpdateLogsAndMessages();
    });
}

bool TLogsAndMessages::UpdateLogsAndMessages() {
    return Guarded("TCaplinForm.UpdateLogsAndMessages", false, [&] {
        if (observer_)
            observer_->CountersChanged(errorsCount_, warningsCount_);
        return true;
    });
}

void TLogsAndMessages::ClearLogsPane() {
    GuardedVoid("TCaplinForm.btnLogsClearClick", [&] {
        if (observer_)
            observer_->LogPaneCleared();
    });
}

void TLogsAndMessages::ClearMessagesPane() {
    GuardedVoid("TCaplinForm.btnMessagesClearClick", [&] {
        errorsCount_ = 0;
        warningsCount_ = 0;
        UpdateLogsAndMessages();
        if (observer_)
            observer_->MessagesPaneCleared();
    });
}

void TLogsAndMessages::SetFilterIndex(int32_t index) {
    GuardedVoid("TCaplinForm.cbMessagesFilterChange", [&] {
        MessagesFilterIndex = index;
        RefreshMessages();
    });
}

std::string TLogsAndMessages::FileName(const std::string& folder, const char* prefix) const {
    const std::tm local = LocalTime(Now());
    char date[32];
    std::snprintf(date, sizeof date, "_%.4d_%.2d_%.2d.txt", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    const char* word = ValidPage() ? kPageWords[CurrentPage] : "";
    return IncludeTrailingSlash(folder) + prefix + word + date;
}

std::string TLogsAndMessages::GetOutputLogsFileName() const {
    return Guarded("TCaplinForm.GetOutputLogsFileName", std::string(),
                   [&] { return FileName(LogsOutputFolder, "STL_OpSeq_Logs_"); });
}

std::string TLogsAndMessages::GetOutputMessagesFileName() const {
    return Guarded("TCaplinForm.GetOutputMessagesFileName", std::string(),
                   [&] { return FileName(MessagesOutputFolder, "STL_Messages_"); });
}

bool TLogsAndMessages::OpenFile(const std::string& name, std::string& currentName,
                                std::string& failedName, TFile& file, bool& switched) {
    switched = false;
    if (name == currentName)
        return true;
    switched = name != failedName;
    CloseFile(currentName, file);
    CreateDefaultLogsFolder(name);
    // Appends to the day's file when it exists, creates it otherwise. A failure leaves the
    // current name empty, so the next line tries again.
    const bool existed = FileExists(name);
    if (!file.OpenAppend(name)) {
        failedName = name;
        throw std::runtime_error("open");
    }
    // A new day's file is on disk with its folder, so its first lines are not lost with it.
    if (!existed)
        SyncFolder(FolderOf(name));
    failedName.clear();
    currentName = name;
    return true;
}

bool TLogsAndMessages::OpenLogsFile(bool& switched) {
    switched = false;
    return Guarded("TCaplinForm.OpenLogsFile", false, [&] {
        return OpenFile(GetOutputLogsFileName(), currentLogsFileName_, failedLogsFileName_,
                        logsFile_, switched);
    });
}

bool TLogsAndMessages::OpenMessagesFile(bool& switched) {
    switched = false;
    return Guarded("TCaplinForm.OpenMessagesFile", false, [&] {
        return OpenFile(GetOutputMessagesFileName(), currentMessagesFileName_,
                        failedMessagesFileName_, messagesFile_, switched);
    });
}

bool TLogsAndMessages::CloseFile(std::string& currentName, TFile& file) {
    // Lines are never buffered here, so closing has nothing left to flush.
    if (!currentName.empty())
        file.Close();
    currentName.clear();
    return true;
}

bool TLogsAndMessages::CloseLogsFile() {
    return Guarded("TCaplinForm.CloseLogsFile", false,
                   [&] { return CloseFile(currentLogsFileName_, logsFile_); });
}

bool TLogsAndMessages::CloseMessagesFile() {
    return Guarded("TCaplinForm.CloseMessagesFile", false,
                   [&] { return CloseFile(currentMessagesFileName_, messagesFile_); });
}

std::string TLogsAndMessages::Timestamp() const {
    return Guarded("TCaplinForm.Timestamp", std::string(), [&] {
        const std::tm t = LocalTime(Now());
        char text[48];
        if (t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0)
            std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", t.tm_year + 1900, t.tm_mon + 1,
                          t.tm_mday);
        else
            std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", t.tm_year + 1900,
                          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        return std::string(text);
    });
}

bool TLogsAndMessages::Admits(int32_t type) const {
    // The Playlist Check page shows every severity whatever the stored filter.
    return MessagesFilterIndex == 0 || MessagesFilterIndex == type ||
           CurrentPage == pgPlaylistCheck;
}

const std::vector<std::string>& TLogsAndMessages::LogLines(int32_t page) const {
    if (page < 0 || page > 2)
        return kNoLogLines;
    return logLines_[size_t(page)];
}

const std::vector<TMessageLine>& TLogsAndMessages::MessageLines(int32_t page) const {
    if (page < 0 || page > 2)
        return kNoMessageLines;
    return messageLines_[size_t(page)];
}
