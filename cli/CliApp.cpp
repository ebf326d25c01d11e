#include "cli/CliApp.h"

#include <CLI/CLI.hpp>

#include "cli/CheckPlaylistsCommand.h"
#include "cli/ConvertCommand.h"
#include "cli/EntryListCommand.h"
#include "cli/InfoCommand.h"
#include "cli/ListItemsCommand.h"
#include "cli/QcCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/TextCommand.h"
#include "cli/WatchCommand.h"

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    TCliRun run{out, err};
    CLI::App app{"Caplin: checks and converts EBU STL subtitle files and checks playlists for "
                 "missing subtitles.",
                 "caplin-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("caplin-cli ") + CAPLIN_VERSION);

    // Each subcommand registers itself; its callback runs inside parse and sets the status.
    AddInfoCommand(app, run);
    AddQcCommand(app, run);
    AddTextCommand(app, run);
    AddConvertCommand(app, run);
    AddWatchCommand(app, run);
    AddCheckPlaylistsCommand(app, run);
    AddSettingsCommand(app, run);
    AddEntryListCommands(app, run);
    AddItemListCommands(app, run);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version land here too, with status 0.
        return app.exit(e, out, err) == 0 ? CLI_EXIT_OK : CLI_EXIT_USAGE;
    }
    return run.ExitCode;
}
