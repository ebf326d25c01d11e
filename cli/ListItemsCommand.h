// caplin-cli file-types list|add|remove and caplin-cli hex list|add|remove: the subtitle file
// types and the hex find-and-replace items of the Batch page (--batch) or of one watch folder
// (--watch-folder N, from 1), with the checks and messages of their dialogs.
//
// Each prints the list as its dialog's list view shows it, after the change. A change runs
// while no window does and saves only when accepted: 0; 2 after a refusal (the file
// untouched); 1 when the file cannot be saved. A new file type takes the dialog's starting
// values and those given; a hex item is given in the dialog's entry format ("0x8A" or
// "0x8A8B", both of one width). A 17th item is refused before its values are looked at.
#pragma once

#include "cli/CliRun.h"

namespace CLI {
class App;
}

void AddItemListCommands(CLI::App& app, TCliRun& run);
