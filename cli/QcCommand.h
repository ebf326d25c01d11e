// caplin-cli qc [--json] FILE...: checks each file against EBU Tech 3264 before playout.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// Prints each file's findings, one "<Severity> <FIELD>[ block <n>]: <text>" line each, then
// its summary ("no findings", "2 errors, 1 warning"); with several files each block begins
// "== <path>". With json, one array instead, an entry per file: file, errors, warnings and
// findings (severity, field, block or null, text). A file that cannot be read is its own
// Error finding and the others are still checked.
// Returns 0 when no file has an Error, else 1.
int RunQc(const std::vector<std::string>& files, bool json, std::ostream& out);

void AddQcCommand(CLI::App& app, TCliRun& run);
