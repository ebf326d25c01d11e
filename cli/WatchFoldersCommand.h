// caplin-cli watch-folders list|add|update|remove: the watch-folder list of the Watch Folder
// page kept without the window, with the checks and messages of the page's buttons.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace CLI {
class App;
}

// Each prints the list as the page's list view shows it, after the change. A change runs
// while no window does, checks every value as the page's controls and its Add do, and saves
// only when all were accepted. 0; 2 after a refusal (the file untouched); 1 when the file
// cannot be saved.
int RunWatchFoldersList(std::ostream& out, std::ostream& err);
// A new entry from the page's cleared panel with these folders and values.
int RunWatchFoldersAdd(const std::string& watchFolder, const std::string& destinationFolder,
                       const std::vector<std::string>& assignments, std::ostream& out,
                       std::ostream& err);
// Values of entry number (from 1); its new folders pass Add's checks against the others.
int RunWatchFoldersUpdate(int number, const std::vector<std::string>& assignments,
                          std::ostream& out, std::ostream& err);
// The later entries move up, each with everything stored with it.
int RunWatchFoldersRemove(int number, std::ostream& out, std::ostream& err);

void AddWatchFoldersCommand(CLI::App& app, TCliRun& run);
