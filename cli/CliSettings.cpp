#include "cli/CliSettings.h"

#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Trace.h"
#include "stl/STLUtils.h"

bool LoadCliSession(TCaplinSession& session, int32_t page, std::ostream& err) {
    return Guarded("LoadCliSession", false, [&] {
        if (!session.LoadSettingsFile()) {
            err << "caplin-cli: cannot read the settings file " << session.SettingsPath() << '\n';
            return false;
        }
        session.InitializeConverter(0, 0);
        session.SelectPage(page);
        return true;
    });
}

namespace {

// JOURNAL_STREAM names the device and inode of the stream systemd connected to the journal.
bool StandardOutputIsJournal() {
    return Guarded("StandardOutputIsJournal", false, [] {
        const char* stream = std::getenv("JOURNAL_STREAM");
        struct stat out {};
        if (!stream || fstat(STDOUT_FILENO, &out) != 0)
            return false;
        return stream == std::to_string(out.st_dev) + ":" + std::to_string(out.st_ino);
    });
}

} // namespace

TConsoleObserver::TConsoleObserver(std::ostream& out)
    : out_(out), priorities_(&out == &std::cout && StandardOutputIsJournal()) {}

void TConsoleObserver::LogLineWritten(const std::string& text) {
    Print(rtInfo, text);
}

void TConsoleObserver::MessageLineWritten(int32_t type, const std::string& text) {
    GuardedVoid("TConsoleObserver.MessageLineWritten",
                [&] { Print(type, ReportTypeToString(type) + " - " + text); });
}

void TConsoleObserver::Print(int32_t type, const std::string& line) {
    GuardedVoid("TConsoleObserver.Print", [&] {
        if (BeforeLine)
            BeforeLine();
        if (priorities_)
            out_ << (type == rtError ? "<3>" : type == rtWarning ? "<4>" : "<6>");
        out_ << line << '\n' << std::flush;
        if (AfterLine)
            AfterLine();
    });
}
