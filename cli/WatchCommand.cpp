#include "cli/WatchCommand.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <pthread.h>

#include <CLI/CLI.hpp>

#include "cli/CliSettings.h"
#include "logs/LogsAndMessages.h"
#include "platform/Registry.h"
#include "platform/Trace.h"
#include "watchfolder/WatchFolderList.h"

namespace {

using namespace std::chrono_literals;

// The pause between two passes of the arm loop.
constexpr std::chrono::milliseconds kPassInterval = 100ms;

// Holds SIGINT and SIGTERM blocked in this thread while it lives, so they stay pending
// until WaitForStop takes them: a signal then ends a wait at once but never cuts a
// conversion short. Threads started meanwhile inherit the mask and never take them.
class TStopSignals {
public:
    TStopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        blocked_ = pthread_sigmask(SIG_BLOCK, &set_, &previous_) == 0;
    }
    ~TStopSignals() {
        if (!blocked_)
            return;
        // A second signal sent while disarming would end the process as soon as it is
        // unblocked; the run is over anyway, so it is taken here.
        const timespec none{0, 0};
        while (sigtimedwait(&set_, nullptr, &none) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    bool Blocked() const { return blocked_; }

    // Waits up to timeout; true when SIGINT or SIGTERM arrived (or was already pending).
    bool WaitForStop(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() < 0)
                return false;
            const timespec wait{time_t(left.count() / 1000000000), long(left.count() % 1000000000)};
            const int signal = sigtimedwait(&set_, nullptr, &wait);
            if (signal == SIGINT || signal == SIGTERM)
                return true;
            // EINTR: another signal was handled; wait out the rest of the pause.
            if (signal < 0 && errno != EINTR)
                return false;
        }
    }

private:
    sigset_t set_{};
    sigset_t previous_{};
    bool blocked_ = false;
};

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
