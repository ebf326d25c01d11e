#include "cli/CliSettings.h"

#include "lang/STLCustomLangUtils.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "stl/STLUtils.h"

bool LoadStartupSettings(TMainSettings& main, std::ostream& err) {
    return Guarded("LoadStartupSettings", false, [&] {
        const std::string path = TSettingsStore::DefaultPath();
        // The command line never writes the settings file, not even to set a foreign one
        // aside.
        if (!TSettingsStore::Global().Load(path, false)) {
            err << "caplin-cli: cannot read the settings file " << path << '\n';
            return false;
        }
        main = DefaultMainSettings(0, 0);
        if (!LoadMainSettings(main, false)) {
            err << "caplin-cli: cannot load the main settings from " << path << '\n';
            return false;
        }
        SetCustomLanguageListToDefault();
        if (!LoadCustomLanguageListFromRegistry(STL_CUSTOM_LANGUAGES_KEY)) {
            err << "caplin-cli: cannot load the custom language names from " << path << '\n';
            return false;
        }
        return true;
    });
}

void SetUpPageLogs(TLogsAndMessages& logs, const TMainSettings& main, int32_t page) {
    GuardedVoid("SetUpPageLogs", [&] {
        logs.LogsOutputFolder = main.LogsOutputFolder;
        logs.MessagesOutputFolder = main.MessagesOutputFolder;
        logs.MessagesFilterIndex = main.MessagesFilterIndex;
        logs.CurrentPage = page;
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
