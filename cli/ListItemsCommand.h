// caplin-cli file-types list|add|remove and caplin-cli hex list|add|remove: the subtitle file
// types and the hex find-and-replace items of the Batch page (--batch) or of one watch folder
// (--watch-folder N), with the checks and messages of their dialogs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace CLI {
class App;
}

// Whose list: the Batch page's, or watch folder WatchFolder (from 1) when Batch is false.
struct TListOwner {
    bool Batch = false;
    int WatchFolder = 0;
};

// Each prints the list as its dialog's list view shows it, after the change. A change runs
// while no window does and saves only when accepted. 0; 2 after a refusal (the file
// untouched); 1 when the file cannot be saved.
int RunFileTypesList(const TListOwner& owner, std::ostream& out, std::ostream& err);
// A new file type from the dialog's starting values and these; a 17th is refused first.
int RunFileTypesAdd(const TListOwner& owner, const std::vector<std::string>& assignments,
                    std::ostream& out, std::ostream& err);
int RunFileTypesRemove(const TListOwner& owner, int number, std::ostream& out, std::ostream& err);
int RunHexList(const TListOwner& owner, std::ostream& out, std::ostream& err);
// find and replace in the dialog's entry format ("0x8A" or "0x8A8B", both of one width); a
// 17th item is refused before the entries are looked at.
int RunHexAdd(const TListOwner& owner, const std::string& find, const std::string& replace,
              std::ostream& out, std::ostream& err);
int RunHexRemove(const TListOwner& owner, int number, std::ostream& out, std::ostream& err);

void AddFileTypesCommand(CLI::App& app, TCliRun& run);
void AddHexCommand(CLI::App& app, TCliRun& run);
