#include "cli/WatchCommand.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <pthread.h>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "cli/StopSignals.h"
#include "logs/LogsAndMessages.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "watchfolder/WatchFolderList.h"

namespace {

using namespace std::chrono_literals;

// The pause between two passes of the arm loop.
constexpr std::chrono::milliseconds kPassInterval = 100ms;

} // namespace

int RunWatch(std::ostream& out, std::ostream& err) {
    return Guarded("RunWatch", CLI_EXIT_FAILED, [&] {
        // First of all, before any polling thread exists.
        TStopSignals signals;
        if (!signals.Blocked()) {
            err << "caplin-cli: cannot block SIGINT and SIGTERM\n";
            return CLI_EXIT_FAILED;
        }
        TMainSettings main;
        if (!LoadStartupSettings(main, err))
            return CLI_EXIT_USAGE;

        TConsoleObserver console(out);
        TLogsAndMessages logs;
        SetUpPageLogs(logs, main, pgWatchFolder);
        logs.SetObserver(&console);

        // Declared after the sinks, so its items (and their threads) go first.
        TWatchFolderList list;
        list.ReportFunction = logs.ReportSink();
        list.LogFunction = logs.LogSink();
        if (!list.LoadRegistryWatchFolders(main.FPSSource, main.FPS)) {
            err << "caplin-cli: cannot load the watch folders from "
                << TSettingsStore::DefaultPath() << '\n';
            return CLI_EXIT_USAGE;
        }
        if (list.Items.empty()) {
            err << "There are no watch folder specified.\n";
            return CLI_EXIT_USAGE;
        }

        if (!list.StartWatchFolderObjects()) {
            TraceError("TCaplinForm.btnWFArmClick", "cannot start watch folder objects");
            err << "caplin-cli: cannot start the watch folders\n";
            return CLI_EXIT_FAILED;
        }
        list.LogFunction("Watch folder conversion armed.");

        while (!signals.WaitForStop(kPassInterval))
            list.ProcessPass();

        if (!list.StopWatchFolderObjects())
            TraceError("TCaplinForm.btnWFArmClick", "cannot stop watch folder objects");
        list.LogFunction("Watch folder conversion disarmed.");
        return CLI_EXIT_OK;
    });
}

void AddWatchCommand(CLI::App& app, TCliRun& run) {
    CLI::App* watch = app.add_subcommand(
        "watch", "run every stored watch folder as the armed Watch Folder page does, until "
                 "SIGINT or SIGTERM");
    watch->callback([&run] { run.ExitCode = RunWatch(run.Out, run.Err); });
}
