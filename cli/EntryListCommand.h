// caplin-cli watch-folders list|add|update|remove and caplin-cli playlists
// list|add|update|remove: the two entry lists of the Watch Folder and Playlist Check pages kept
// without the window, with the checks and messages of the pages' buttons.
//
// Each prints the list as the page's list view shows it, after the change. A change runs while
// no window does, checks every value as the page's controls and its Add do, and saves only when
// all were accepted: 0; 2 after a refusal (the file untouched); 1 when the file cannot be saved.
// Add makes an entry of the page's cleared panel with the folders given and the values; Update
// changes values of entry N (from 1), whose folders then pass Add's checks against the other
// entries; Remove moves the later entries up, each with everything stored with it. Playlist
// folders end in "/", as the page's browse buttons make them.
#pragma once

#include "cli/CliRun.h"

namespace CLI {
class App;
}

void AddEntryListCommands(CLI::App& app, TCliRun& run);
