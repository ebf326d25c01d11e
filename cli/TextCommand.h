// caplin-cli text [--json] FILE...: the subtitles of each file as text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// For each subtitle "<SN> <TCI> --> <TCO>" (" (comment)" after it for CF 1), the rows that
// show something one to a line, and an empty line; with several files each block begins
// "== <path>". With json, one array entry per file. A file that does not open is named on
// err with the reason, as info does. Returns 0 when every file opened, else 1.
int RunText(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err);

void AddTextCommand(CLI::App& app, TCliRun& run);
