// What the commands that run like a page of the window share: the session loaded the way the
// window's start-up loads it (but never written), and the page's log and message lines
// printed on standard output as they happen.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "logs/LogsAndMessages.h"
#include "session/CaplinSession.h"

// Loads the settings file read-only (a foreign file is left where it is) and everything the
// window's start-up loads, into session; the log sinks keep the lines of page and write the
// page's daily files into the stored folders. What the loaders would write back stays in
// memory. False with the reason on err.
bool LoadCliSession(TCaplinSession& session, int32_t page, std::ostream& err);

// Standard output of a run: every operation-log line as its text and every message line as
// "<Type> - <text>", without the files' timestamps, flushed line by line so that a pipe or
// the journal sees each line when it happens. When out is the process's standard output and
// that is the journal, each line begins with its syslog priority ("<3>" an Error, "<4>" a
// Warning, "<6>" the rest), so the journal files it under that priority.
class TConsoleObserver : public TLogsObserver {
public:
    explicit TConsoleObserver(std::ostream& out);

    // Run around every printed line (a progress bar on the terminal steps aside).
    std::function<void()> BeforeLine;
    std::function<void()> AfterLine;

    void LogLineWritten(const std::string& text) override;
    void MessageLineWritten(int32_t type, const std::string& text) override;

private:
    void Print(int32_t type, const std::string& line);

    std::ostream& out_;
    bool priorities_ = false;
};
