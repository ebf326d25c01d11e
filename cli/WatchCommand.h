// caplin-cli watch: every stored watch folder armed as the Watch Folder page arms them,
// until SIGINT or SIGTERM.
#pragma once

#include <ostream>

#include "cli/CliRun.h"

namespace CLI {
class App;
}

// Loads the settings file as the window's start-up does (never saving it) and the stored
// watch folders with the window-wide frame-rate policy, starts one polling thread per
// folder and, every 100 ms, converts at most one queued file per folder, until SIGINT or
// SIGTERM arrives; a conversion under way finishes first. Lines go to out as the convert
// command prints them, and to the Watch Folder page's daily files. SIGINT and SIGTERM are
// blocked in the calling thread for the length of the run and taken only by its wait; the
// polling threads inherit the mask. Other threads of the process must block them too. The
// first file whose name gives no tape ID or language while its folder's settings hold no
// subtitle file type brings one hint on err; with no watch folder stored, err also names
// the settings file and the command that adds one.
// Returns 0 after a signal, 1 when the folders could not be started, 2 when there is no
// watch folder or the settings cannot be read (the reason on err).
int RunWatch(std::ostream& out, std::ostream& err);

void AddWatchCommand(CLI::App& app, TCliRun& run);
