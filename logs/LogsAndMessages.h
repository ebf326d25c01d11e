// The operation log and the messages of the three pages: timestamped lines kept per page,
// filtered by severity, counted, and appended to daily files. The window's panes and the
// command line's output attach as observers; this class knows nothing of either.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Status.h"
#include "stl/STLUtils.h"

// Page indexes, also the tab indexes of the window.
enum TPage : int32_t { pgBatch = 0, pgWatchFolder = 1, pgPlaylistCheck = 2 };

struct TMessageLine {
    std::string Line; // as written to the file, with its timestamp
    int32_t Type = 0;
};

// What a front end wants to hear about. Every call happens on the thread that called the
// sink (the main thread of the window, the only thread of the command line).
class TLogsObserver {
public:
    virtual ~TLogsObserver() = default;
    // Every operation-log line, before anything is shown (text without the timestamp).
    virtual void LogLineWritten(const std::string& /*text*/) {}
    // Every message line of any type, filtered or not.
    virtual void MessageLineWritten(int32_t /*type*/, const std::string& /*text*/) {}
    // The log pane: emptied, or one line appended.
    virtual void LogPaneCleared() {}
    virtual void LogPaneLineAdded(const std::string& /*line*/) {}
    // The messages pane: emptied, or one admitted line appended.
    virtual void MessagesPaneCleared() {}
    virtual void MessagesPaneLineAdded(const std::string& /*line*/, int32_t /*type*/) {}
    virtual void CountersChanged(int32_t /*errors*/, int32_t /*warnings*/) {}
    // The filter combo is shown on the Batch and Watch Folder pages, hidden otherwise.
    virtual void FilterVisibilityChanged(bool /*visible*/) {}
};

class TLogsAndMessages {
public:
    using TClock = std::function<std::chrono::system_clock::time_point()>;

    TLogsAndMessages();
    ~TLogsAndMessages();
    TLogsAndMessages(const TLogsAndMessages&) = delete;
    TLogsAndMessages& operator=(const TLogsAndMessages&) = delete;

    // Settings read at every line, so a change takes effect with the next line.
    std::string LogsOutputFolder;
    std::string MessagesOutputFolder;
    int32_t MessagesFilterIndex = 0;

    // The selected page; any value other than 0, 1 and 2 makes both sinks refuse.
    int32_t CurrentPage = pgBatch;

    void SetObserver(TLogsObserver* observer) { observer_ = observer; }
    void SetClock(TClock clock) { clock_ = std::move(clock); }

    TStatus ReportFunction(int32_t type, const char* text);
    TStatus LogFunction(const char* text);
    // The two sinks bound to this object, to hand to emitters.
    TReportFunction ReportSink();
    TLogFunction LogSink();

    void RefreshMessages();
    void RefreshLogs();
    bool UpdateLogsAndMessages();
    void ClearLogsPane();               // the log group's "Clear"
    void ClearMessagesPane();           // the Messages group's "Clear"
    void SetFilterIndex(int32_t index); // the filter's change: store it, then refresh

    std::string GetOutputLogsFileName() const;
    std::string GetOutputMessagesFileName() const;
    bool OpenLogsFile(bool& switched);
    bool OpenMessagesFile(bool& switched);
    bool CloseLogsFile();
    bool CloseMessagesFile();

    // "2011-05-03 14:02:07", or the date alone in the first second after midnight.
    std::string Timestamp() const;
    bool Admits(int32_t type) const; // the severity filter on the current page

    const std::vector<std::string>& LogLines(int32_t page) const;
    const std::vector<TMessageLine>& MessageLines(int32_t page) const;
    int32_t ErrorsCount() const { return errorsCount_; }
    int32_t WarningsCount() const { return warningsCount_; }
    const std::string& CurrentLogsFileName() const { return currentLogsFileName_; }
    const std::string& CurrentMessagesFileName() const { return currentMessagesFileName_; }

private:
    bool ValidPage() const { return CurrentPage >= 0 && CurrentPage <= 2; }
    std::string FileName(const std::string& folder, const char* prefix) const;
    bool OpenFile(const std::string& name, std::string& currentName, std::string& failedName,
                  TFile& file, bool& switched);
    static bool CloseFile(std::string& currentName, TFile& file);
    std::chrono::system_clock::time_point Now() const;
    // Runs body with Now() fixed, so a line's file and its timestamp name the same day.
    template <class F> auto AtOneInstant(F&& body);

    std::array<std::vector<std::string>, 3> logLines_;
    std::array<std::vector<TMessageLine>, 3> messageLines_;
    int32_t errorsCount_ = 0;
    int32_t warningsCount_ = 0;
    std::string currentLogsFileName_;
    std::string currentMessagesFileName_;
    // The name whose open failed last: trying it again is not a new switch, so the pane and
    // list keep their lines while the folder refuses writing.
    std::string failedLogsFileName_;
    std::string failedMessagesFileName_;
    TFile logsFile_;
    TFile messagesFile_;
    TLogsObserver* observer_ = nullptr;
    TClock clock_;
    std::chrono::system_clock::time_point pinnedNow_{};
    bool nowPinned_ = false;
};
