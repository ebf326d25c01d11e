#include "cli/CheckPlaylistsCommand.h"

#include <chrono>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "cli/StopSignals.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

int RunCheckPlaylists(std::ostream& out, std::ostream& err) {
    return Guarded("RunCheckPlaylists", CLI_EXIT_FAILED, [&] {
        TStopSignals stop;
        if (!stop.Blocked()) {
            err << "caplin-cli: cannot block SIGINT and SIGTERM\n";
            return CLI_EXIT_FAILED;
        }
        TConsoleObserver console(out);
        TCaplinSession session(TSessionOwner::CommandLine);
        if (!LoadCliSession(session, pgPlaylistCheck, err))
            return CLI_EXIT_USAGE;
        session.Logs.SetObserver(&console);

        TPlaylistCheckRun& run = session.PlaylistCheck;
        // Nobody waits for a window here: a step checks a whole entry, and a stop is looked
        // at between entries.
        run.StepBudget = std::chrono::hours(24);
        const TRunStart start = run.Start();
        if (!start.Started) {
            err << start.Refusal << '\n';
            return start.Refusal.empty() ? CLI_EXIT_FAILED : CLI_EXIT_USAGE;
        }
        for (TRunNext next = TRunNext::AfterPause; next != TRunNext::Finished;) {
            if (next == TRunNext::AfterPause && stop.Pending()) {
                run.Stop();
                return CLI_EXIT_FAILED;
            }
            next = run.Step();
        }
        const TPlaylistCheckTally& tally = run.Tally();
        return run.FailedEntries() == 0 && tally.Missing == 0 && tally.FailedPlaylists == 0
                   ? CLI_EXIT_OK
                   : CLI_EXIT_FAILED;
    });
}

void AddCheckPlaylistsCommand(CLI::App& app, TCliRun& run) {
    CLI::App* check = app.add_subcommand(
        "check-playlists", "run every stored playlist-check entry as the Check button does");
    check->callback([&run] { run.ExitCode = RunCheckPlaylists(run.Out, run.Err); });
}
