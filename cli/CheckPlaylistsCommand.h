// caplin-cli check-playlists: every stored playlist-check entry checked as the Check button
// of the Playlist Check page checks them.
#pragma once

#include <ostream>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// Loads the session as the window's start-up does (never saving it), then runs its playlist
// check over every entry in order, as the Check button does. Lines go to out as the convert
// command prints them, and to the Playlist Check page's daily files. SIGINT and SIGTERM are
// blocked in the calling thread for the length of the run and looked at between entries: one
// that arrived stops the run as the Stop button does (no closing line); an entry already
// under way is finished first. After a run to its end, each entry's playlists or subtitles
// folder that does not exist is named on err. Returns 0 when every entry and every playlist
// in it was checked and no subtitle is missing; 1 after a miss, a failed entry, a missing
// folder, a playlist that could not be read or checked, or a stop; 2 when there is no entry
// (err then also names the settings file and the command that adds one) or the settings
// cannot be read (the reason on err).
int RunCheckPlaylists(std::ostream& out, std::ostream& err);

void AddCheckPlaylistsCommand(CLI::App& app, TCliRun& run);
