#include "cli/CliApp.h"

#include <CLI/CLI.hpp>

#include "cli/CheckPlaylistsCommand.h"
#include "cli/ConvertCommand.h"
#include "cli/InfoCommand.h"
#include "cli/WatchCommand.h"

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    TCliRun run{out, err};
    CLI::App app{"Caplin: converts EBU STL subtitle files and checks playlists for missing "
                 "subtitles.",
                 "caplin-cli"};
    app.require_subcommand(1);

    // Each subcommand registers itself; its callback runs inside parse and sets the status.
    AddInfoCommand(app, run);
    AddConvertCommand(app, run);
    AddWatchCommand(app, run);
    AddCheckPlaylistsCommand(app, run);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help lands here too, with status 0.
        return app.exit(e, out, err) == 0 ? CLI_EXIT_OK : CLI_EXIT_USAGE;
    }
    return run.ExitCode;
}
