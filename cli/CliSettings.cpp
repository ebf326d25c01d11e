#include "cli/CliSettings.h"

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

void TConsoleObserver::LogLineWritten(const std::string& text) {
    Print(text);
}

void TConsoleObserver::MessageLineWritten(int32_t type, const std::string& text) {
    GuardedVoid("TConsoleObserver.MessageLineWritten",
                [&] { Print(ReportTypeToString(type) + " - " + text); });
}

void TConsoleObserver::Print(const std::string& line) {
    GuardedVoid("TConsoleObserver.Print", [&] {
        if (BeforeLine)
            BeforeLine();
        out_ << line << '\n' << std::flush;
        if (AfterLine)
            AfterLine();
    });
}
