// The shape the file commands with a JSON form share: `<name> [--json] FILE...`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

struct TFilesCommand {
    const char* Name;
    const char* Description;
    const char* Footer;
    const char* FileHelp; // what each FILE is, for --help
};

// Adds the subcommand; body runs with the files and the --json flag and returns the exit
// status.
void AddFilesCommand(
    CLI::App& app, TCliRun& run, const TFilesCommand& command,
    std::function<int(const std::vector<std::string>& files, bool json, TCliRun& run)> body);
