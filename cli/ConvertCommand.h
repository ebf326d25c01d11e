// caplin-cli convert [--dest DIR] FILE...: a Batch run of the window, with its settings.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

struct TConvertOptions {
    std::vector<std::string> Files;  // used as given, never made absolute
    std::optional<std::string> Dest; // replaces the stored destination for this run
    bool Progress = false;           // draw a progress bar on err
};

// Loads the settings file as the window's start-up does (never saving it), applies the
// stored frame-rate policy to the Batch settings and converts every file in order. Every
// operation-log line goes to out as its text and every message line as "<Type> - <text>",
// flushed line by line, while the Batch page's daily files get the timestamped lines. On err
// the run ends with "<n> converted, <m> failed", and the first file whose name gives no tape
// ID or language while the Batch settings hold no subtitle file type brings one hint.
// Returns 0 when every file converted, 1 when any failed, 2 when the run was refused (no
// file, no destination folder or one that does not exist, unreadable settings) with the
// reason on err; a refused run converts and logs nothing.
int RunConvert(const TConvertOptions& options, std::ostream& out, std::ostream& err);

void AddConvertCommand(CLI::App& app, TCliRun& run);
