// caplin-cli playlists list|add|update|remove: the playlist-check list of the Playlist Check
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
// only when all were accepted. Folders end in "/", as the page's browse buttons make them.
// 0; 2 after a refusal (the file untouched); 1 when the file cannot be saved.
int RunPlaylistsList(std::ostream& out, std::ostream& err);
int RunPlaylistsAdd(const std::string& playlistsFolder, const std::string& subtitlesFolder,
                    const std::string& missingsLogFolder,
                    const std::vector<std::string>& assignments, std::ostream& out,
                    std::ostream& err);
// Values of entry number (from 1); its new folders and languages pass Add's checks against
// the other entries.
int RunPlaylistsUpdate(int number, const std::vector<std::string>& assignments, std::ostream& out,
                       std::ostream& err);
// The later entries move up, each with everything stored with it.
int RunPlaylistsRemove(int number, std::ostream& out, std::ostream& err);

void AddPlaylistsCommand(CLI::App& app, TCliRun& run);
