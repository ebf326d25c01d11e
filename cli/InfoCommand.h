// caplin-cli info FILE...: the GSI header report of each file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// Prints every report of opening each file as "<Type> <code>: <text>", then
// "TTI blocks: <count>" when it opened; with several files each block begins "== <path>".
// Field texts are printed as their bytes. A file that did not open is named on err with the
// reason: "no such file", "is a folder", "not readable", "not an EBU STL file", or
// "shorter than the block count of its header".
// Returns 0 when every file opened, else 1.
int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

void AddInfoCommand(CLI::App& app, TCliRun& run);
