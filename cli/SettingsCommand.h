// caplin-cli settings show [PART] and caplin-cli settings set main|batch NAME=VALUE...: every
// value the window keeps, read and changed without the window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// Prints, under the path of the settings file, every value of part ("main", "batch",
// "watch-folders", "playlists", "languages"; every part when empty) as the window reads it,
// defaults included, and the lists as the window's list views show them. Never writes.
// 0, or 2 when the settings file cannot be read.
int RunSettingsShow(const std::string& part, std::ostream& out, std::ostream& err);

// Sets values of the main values ("main") or the Batch page ("batch") while no window runs,
// each checked as the window's control would take it; saves only when every one is accepted
// and prints each value set as `show` would. 0; 2 after a refusal (the file untouched); 1
// when the file cannot be saved.
int RunSettingsSet(const std::string& part, const std::vector<std::string>& assignments,
                   std::ostream& out, std::ostream& err);

void AddSettingsCommand(CLI::App& app, TCliRun& run);
