#include "cli/CheckPlaylistsCommand.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "logs/LogsAndMessages.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckList.h"

namespace {

// Holds SIGINT and SIGTERM blocked in this thread while it lives, so that one arriving
// during an entry's check waits until the check looks for it between entries, as a press of
// Stop waits for the entry under way.
class TStopRequest {
public:
    TStopRequest() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        blocked_ = pthread_sigmask(SIG_BLOCK, &set_, &previous_) == 0;
    }
    ~TStopRequest() {
        if (!blocked_)
            return;
        // A signal that came after the last look would end the process once unblocked;
        // the run is over anyway, so it is taken here.
        while (Pending()) {
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    TStopRequest(const TStopRequest&) = delete;
    TStopRequest& operator=(const TStopRequest&) = delete;

    bool Blocked() const { return blocked_; }

    // Takes a pending SIGINT or SIGTERM, without waiting; true when there was one.
    bool Pending() {
        const timespec none{0, 0};
        const int signal = sigtimedwait(&set_, nullptr, &none);
        return signal == SIGINT || signal == SIGTERM;
    }

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool blocked_ = false;
};

} // namespace

int RunCheckPlaylists(std::ostream& out, std::ostream& err) {
    return Guarded("RunCheckPlaylists", CLI_EXIT_FAILED, [&] {
        TStopRequest stop;
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
