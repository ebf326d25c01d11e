#include "cli/WatchCommand.h"

#include <CLI/CLI.hpp>

#include "cli/CliHints.h"
#include "cli/CliSettings.h"
#include "cli/ServiceNotifier.h"
#include "cli/StopSignals.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

int RunWatch(std::ostream& out, std::ostream& err) {
    return Guarded("RunWatch", CLI_EXIT_FAILED, [&] {
        // First of all, before any polling thread exists.
        TStopSignals signals(true);
        if (!signals.Blocked()) {
            err << "caplin-cli: cannot block SIGINT, SIGTERM and SIGHUP\n";
            return CLI_EXIT_FAILED;
        }
        TConsoleObserver console(out);
        TFileNameHints hints(err);
        // Declared after the console, so its folders (and their threads) go first.
        TCaplinSession session(TSessionOwner::CommandLine);
        if (!LoadCliSession(session, pgWatchFolder, err))
            return CLI_EXIT_USAGE;
        session.Logs().SetObserver(&console);

        TServiceNotifier notifier;
        TWatchRun& run = session.Watch();
        run.FileConverted = [&](size_t folder, const std::string&, const TConvertOutcome& outcome) {
            notifier.Converted(outcome.Succeeded());
            hints.Converted(outcome, [&] {
                return WatchFolderFileNameHint(*session.WatchFolderList(), folder);
            });
        };
        const TRunStart start = run.Arm();
        if (!start.Started) {
            if (!start.Refusal.empty()) {
                err << start.Refusal << '\n' << NoWatchFolderHint(session.SettingsPath()) << '\n';
                return CLI_EXIT_USAGE;
            }
            err << "caplin-cli: cannot start the watch folders\n";
            return CLI_EXIT_FAILED;
        }
        notifier.Ready(session.WatchFolderList()->Items.size());
        TRunNext next = TRunNext::AfterPause;
        for (;;) {
            const TRunSignal signal = signals.Wait(
                next == TRunNext::Now ? std::chrono::milliseconds(0) : notifier.Wait(kRunPause));
            if (signal == TRunSignal::Stop)
                break;
            // Between two passes: no file is under way while the folders change.
            if (signal == TRunSignal::Reload) {
                notifier.Reloading();
                session.ReloadWatchFolders();
                notifier.Ready(session.WatchFolderList() ? session.WatchFolderList()->Items.size()
                                                         : 0);
            }
            next = run.Step();
            notifier.Passed(next != TRunNext::Now);
        }
        notifier.Stopping();
        run.Disarm();
        return CLI_EXIT_OK;
    });
}

void AddWatchCommand(CLI::App& app, TCliRun& run) {
    CLI::App* watch = app.add_subcommand(
        "watch", "run every stored watch folder as the armed Watch Folder page does, until "
                 "SIGINT or SIGTERM");
    watch->callback([&run] { run.ExitCode = RunWatch(run.Out, run.Err); });
}
