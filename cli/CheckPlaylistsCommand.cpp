#include "cli/CheckPlaylistsCommand.h"

#include <chrono>
#include <utility>

#include <CLI/CLI.hpp>

#include "cli/CliHints.h"
#include "cli/CliSettings.h"
#include "cli/StopSignals.h"
#include "platform/FileSystem.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"

namespace {

// An entry whose folder is gone checks nothing and so misses nothing; a script must not take
// that for a clean check. True when any folder was missing.
bool ReportMissingFolders(const TPlaylistCheckList& list, std::ostream& err) {
    bool missing = false;
    for (size_t i = 0; i < list.Entries.size(); ++i)
        for (const auto& [what, folder] :
             {std::pair{"playlists", &list.Entries[i]->PlaylistsFolder},
              std::pair{"subtitles", &list.Entries[i]->SubtitlesFolder}})
            if (!DirectoryExists(*folder)) {
                err << "caplin-cli: playlist-check entry " << i + 1 << ": the " << what
                    << " folder " << *folder << " does not exist\n";
                missing = true;
            }
    return missing;
}

} // namespace

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
        session.Logs().SetObserver(&console);

        TPlaylistCheckRun& run = session.PlaylistCheck();
        // Nobody waits for a window here: a step checks a whole entry, and a stop is looked
        // at between entries.
        run.StepBudget = std::chrono::hours(24);
        const TRunStart start = run.Start();
        if (!start.Started) {
            if (start.Refusal.empty())
                return CLI_EXIT_FAILED;
            err << start.Refusal << '\n' << NoPlaylistEntryHint(session.SettingsPath()) << '\n';
            return CLI_EXIT_USAGE;
        }
        for (TRunNext next = TRunNext::AfterPause; next != TRunNext::Finished;) {
            if (next == TRunNext::AfterPause && stop.Pending()) {
                run.Stop();
                return CLI_EXIT_FAILED;
            }
            next = run.Step();
        }
        const bool foldersMissing = ReportMissingFolders(*session.PlaylistCheckList(), err);
        const TPlaylistCheckTally& tally = run.Tally();
        return !foldersMissing && run.FailedEntries() == 0 && tally.Missing == 0 &&
                       tally.FailedPlaylists == 0
                   ? CLI_EXIT_OK
                   : CLI_EXIT_FAILED;
    });
}

void AddCheckPlaylistsCommand(CLI::App& app, TCliRun& run) {
    CLI::App* check = app.add_subcommand(
        "check-playlists",
        "check every stored playlist-check entry: each clip of its playlists needs a "
        "subtitle file in each of its languages");
    check->callback([&run] { run.ExitCode = RunCheckPlaylists(run.Out, run.Err); });
}
