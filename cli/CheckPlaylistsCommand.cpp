#include "cli/CheckPlaylistsCommand.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "cli/StopSignals.h"
#include "logs/LogsAndMessages.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckList.h"

int RunCheckPlaylists(std::ostream& out, std::ostream& err) {
    return Guarded("RunCheckPlaylists", CLI_EXIT_FAILED, [&] {
        TStopSignals stop;
        if (!stop.Blocked()) {
            err << "caplin-cli: cannot block SIGINT and SIGTERM\n";
            return CLI_EXIT_FAILED;
        }
        TMainSettings main;
        if (!LoadStartupSettings(main, err))
            return CLI_EXIT_USAGE;

        TPlaylistCheckList list;
        if (!list.LoadRegistryPlaylistCheckLists()) {
            err << "caplin-cli: cannot load the playlist-check list from "
                << TSettingsStore::DefaultPath() << '\n';
            return CLI_EXIT_USAGE;
        }
        if (list.Entries.empty()) {
            err << "There are no playlist folders specified.\n";
            return CLI_EXIT_USAGE;
        }

        TConsoleObserver console(out);
        TLogsAndMessages logs;
        SetUpPageLogs(logs, main, pgPlaylistCheck);
        logs.SetObserver(&console);
        const TLogFunction log = logs.LogSink();
        const TReportFunction report = logs.ReportSink();

        TPlaylistCheckTally tally;
        bool allChecked = true;
        logs.LogFunction("Playlist check starting.");
        // The count is taken once, as the page takes it when Check is pressed.
        const size_t count = list.Entries.size();
        for (size_t i = 0; i < count; ++i) {
            if (stop.Pending()) {
                logs.LogFunction("Playlist check stopping.");
                return CLI_EXIT_FAILED;
            }
            if (!list.CheckEntry(i, log, report, &tally))
                allChecked = false;
        }
        logs.LogFunction("Playlist check done.");
        return allChecked && tally.Missing == 0 && tally.FailedPlaylists == 0 ? CLI_EXIT_OK
                                                                              : CLI_EXIT_FAILED;
    });
}

void AddCheckPlaylistsCommand(CLI::App& app, TCliRun& run) {
    CLI::App* check = app.add_subcommand(
        "check-playlists", "run every stored playlist-check entry as the Check button does");
    check->callback([&run] { run.ExitCode = RunCheckPlaylists(run.Out, run.Err); });
}
