#include "cli/EntryListCommand.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "platform/Trace.h"
#include "session/EntryLists.h"

namespace {

// One entry list as a subcommand: the list of the session and the texts of its help.
struct TEntryCommand {
    const TEntryList& List;
    const char* Name;
    const char* Routines; // "WatchFolders" names the routines RunWatchFoldersAdd, ...
    const char* Help;
    const char* ListHelp;
    const char* AddHelp;
    // The folders Add takes by their place, as the list names them, with their help.
    std::vector<std::pair<const char*, const char*>> Folders;
    const char* ValuesHelp;
    const char* UpdateHelp;
    const char* NumberHelp;
    const char* RemoveHelp;
};

const TEntryCommand kWatchFolders = {
    WatchFolderEntries(),
    "watch-folders",
    "WatchFolders",
    "list, add, update or remove the watch folders of the Watch "
    "Folder page",
    "the watch folders as the page's list shows them",
    "add a watch folder, as the page's Add does",
    {{"WATCH_DIR", "the folder to watch"}, {"DEST_DIR", "the folder converted files go to"}},
    "further values of the watch folder",
    "change values of watch folder N",
    "the watch folder's number in the list, from 1",
    "remove watch folder N from the list"};

const TEntryCommand kPlaylists = {PlaylistEntries(),
                                  "playlists",
                                  "Playlists",
                                  "list, add, update or remove the playlist-check entries that "
                                  "check-playlists runs",
                                  "the playlist-check entries with their folders",
                                  "add an entry, with the checks of the window's Add",
                                  {{"PLAYLISTS_DIR", "the folder of the playlists"},
                                   {"SUBTITLES_DIR", "the folder of the subtitle files"},
                                   {"LOG_DIR", "the folder of the missing-subtitle logs"}},
                                  "further values, Languages=English,French",
                                  "change values of entry N",
                                  "the entry's number in the list, from 1",
                                  "remove entry N from the list"};

std::string Routine(const TEntryCommand& command, const char* verb) {
    return std::string("Run") + command.Routines + verb;
}

int RunList(const TEntryCommand& command, std::ostream& out, std::ostream& err) {
    return Guarded(Routine(command, "List").c_str(), CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(false))
            return status;
        PrintListTable(out, command.List.Table(file.Session()));
        return CLI_EXIT_OK;
    });
}

// Opens the file for a change, lets make change the session's list (0, or the status of a
// refusal it said), stores just that change, saves and prints the list.
using TMakeChange = std::function<int(TCliSettingsFile& file, TListChange& change)>;

int RunChange(const TEntryCommand& command, const char* verb, std::ostream& out, std::ostream& err,
              const TMakeChange& make) {
    return Guarded(Routine(command, verb).c_str(), CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        TListChange change;
        if (const int status = make(file, change))
            return status;
        if (const int status = file.SaveChange(change, command.List.What()))
            return status;
        PrintListTable(out, command.List.Table(file.Session()));
        return CLI_EXIT_OK;
    });
}

int RunAdd(const TEntryCommand& command, const std::vector<std::string>& folders,
           const std::vector<std::string>& assignments, std::ostream& out, std::ostream& err) {
    return RunChange(command, "Add", out, err, [&](TCliSettingsFile& file, TListChange& change) {
        std::vector<std::string> stored;
        for (const std::string& folder : folders)
            stored.push_back(file.StoredFolder(folder));
        std::vector<TSettingInput> inputs;
        if (const int status =
                ParseAssignments(assignments, command.List.Part(), inputs, err, &file))
            return status;
        change = command.List.AddFromValues(file.Session(), stored, inputs);
        return CLI_EXIT_OK;
    });
}

int RunUpdate(const TEntryCommand& command, int number, const std::vector<std::string>& assignments,
              std::ostream& out, std::ostream& err) {
    return RunChange(command, "Update", out, err, [&](TCliSettingsFile& file, TListChange& change) {
        const TEntryList& list = command.List;
        size_t index = 0;
        if (!EntryIndex(number, list.Count(file.Session()), list.What(), index, err))
            return CLI_EXIT_USAGE;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, list.Part(), inputs, err, &file))
            return status;
        change = list.UpdateFromValues(file.Session(), index, inputs);
        return CLI_EXIT_OK;
    });
}

int RunRemove(const TEntryCommand& command, int number, std::ostream& out, std::ostream& err) {
    return RunChange(command, "Remove", out, err, [&](TCliSettingsFile& file, TListChange& change) {
        const TEntryList& list = command.List;
        size_t index = 0;
        if (!EntryIndex(number, list.Count(file.Session()), list.What(), index, err))
            return CLI_EXIT_USAGE;
        change = list.Remove(file.Session(), static_cast<int>(index));
        return CLI_EXIT_OK;
    });
}

void AddEntryListCommand(CLI::App& app, TCliRun& run, const TEntryCommand& command) {
    CLI::App* entries = app.add_subcommand(command.Name, command.Help);
    entries->require_subcommand(1);

    entries->add_subcommand("list", command.ListHelp)->callback([&run, &command] {
        run.ExitCode = RunList(command, run.Out, run.Err);
    });

    auto folders = std::make_shared<std::vector<std::string>>(command.Folders.size());
    auto addValues = std::make_shared<std::vector<std::string>>();
    CLI::App* add = entries->add_subcommand("add", command.AddHelp);
    for (size_t n = 0; n < command.Folders.size(); ++n)
        add->add_option(command.Folders[n].first, (*folders)[n], command.Folders[n].second)
            ->required();
    add->add_option("NAME=VALUE", *addValues, command.ValuesHelp);
    add->callback([=, &run, &command] {
        run.ExitCode = RunAdd(command, *folders, *addValues, run.Out, run.Err);
    });

    auto number = std::make_shared<int>(0);
    auto values = std::make_shared<std::vector<std::string>>();
    CLI::App* update = entries->add_subcommand("update", command.UpdateHelp);
    update->add_option("N", *number, command.NumberHelp)->required();
    update->add_option("NAME=VALUE", *values, "the values to change")->required();
    update->callback([=, &run, &command] {
        run.ExitCode = RunUpdate(command, *number, *values, run.Out, run.Err);
    });

    auto removed = std::make_shared<int>(0);
    CLI::App* remove = entries->add_subcommand("remove", command.RemoveHelp);
    remove->add_option("N", *removed, command.NumberHelp)->required();
    remove->callback(
        [=, &run, &command] { run.ExitCode = RunRemove(command, *removed, run.Out, run.Err); });
}

} // namespace

void AddEntryListCommands(CLI::App& app, TCliRun& run) {
    AddEntryListCommand(app, run, kWatchFolders);
    AddEntryListCommand(app, run, kPlaylists);
}
