#include "cli/ListItemsCommand.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "platform/Trace.h"
#include "session/ItemLists.h"

namespace {

// Whose list: the Batch page's, or watch folder WatchFolder (from 1) when Batch is false.
struct TOwnerOption {
    bool Batch = false;
    int WatchFolder = 0;
};

// One of the two lists as a subcommand: the list of a conversion settings part and the texts
// of its help.
struct TItemCommand {
    const TItemList& List;
    const char* Name;
    const char* Routines; // "Hex" names the routines RunHexList, RunHexAdd, ...
    const char* Help;
    const char* ListHelp;
    const char* AddHelp;
    const char* RemoveHelp;
    const char* NumberHelp;
};

const TItemCommand kFileTypes = {
    kFileTypeItems,
    "file-types",
    "FileTypes",
    "list, add or remove the subtitle file types of a conversion settings part",
    "the file types as their dialog lists them",
    "add a file type, as the dialog's Add does",
    "remove file type N",
    "the file type's number in the list, from 1"};

const TItemCommand kHex = {
    kHexItems,
    "hex",
    "Hex",
    "list, add or remove the hex find-and-replace items of a conversion settings part",
    "the items as their dialog lists them",
    "add an item, as the dialog's Add does",
    "remove item N",
    "the item's number in the list, from 1"};

bool FindOwner(TCliSettingsFile& file, const TOwnerOption& option, TListOwner& owner,
               std::ostream& err) {
    TCaplinSession& session = file.Session();
    if (option.Batch) {
        owner = BatchListOwner(session);
        return true;
    }
    size_t index = 0;
    if (!EntryIndex(option.WatchFolder, session.WatchFolderList()->Items.size(), "watch folder",
                    index, err))
        return false;
    owner = WatchFolderListOwner(session, index);
    return true;
}

// Makes a change of the list in settings: 0, or the status of a refusal it said.
using TMakeChange = std::function<int(TSTLConvertSettings& settings, TListChange& change)>;

// Opens the file, finds the list's owner and, for a change (make given, under the window's
// lock), makes it and stores the owner's list; then prints the list.
int RunOnList(const TItemCommand& command, const char* verb, const TOwnerOption& option,
              std::ostream& out, std::ostream& err, const TMakeChange& make = nullptr) {
    const std::string routine = std::string("Run") + command.Routines + verb;
    return Guarded(routine.c_str(), CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(make != nullptr))
            return status;
        TListOwner owner;
        if (!FindOwner(file, option, owner, err))
            return CLI_EXIT_USAGE;
        if (make) {
            TListChange edit;
            if (const int status = make(*owner.Settings, edit))
                return status;
            const TListChange change =
                edit.IsMade() ? TListChange::Made([&] { return command.List.Store(owner); }) : edit;
            if (const int status = file.SaveChange(change, "list"))
                return status;
        }
        PrintListTable(out, command.List.Table(*owner.Settings));
        return CLI_EXIT_OK;
    });
}

int RunAddFileType(const TOwnerOption& option, const std::vector<std::string>& assignments,
                   std::ostream& out, std::ostream& err) {
    return RunOnList(kFileTypes, "Add", option, out, err, [&](auto& settings, auto& change) {
        // As the dialog: a full list refuses before the values are looked at.
        if (std::string refusal = FileTypeLimitRefusal(settings.SubtitleFileTypes);
            !refusal.empty()) {
            change = TListChange::Refused(std::move(refusal));
            return CLI_EXIT_OK;
        }
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, spFileType, inputs, err))
            return status;
        change = AddFileType(settings.SubtitleFileTypes, NewFileType(inputs));
        return CLI_EXIT_OK;
    });
}

int RunAddHexItem(const TOwnerOption& option, const std::string& find, const std::string& replace,
                  std::ostream& out, std::ostream& err) {
    return RunOnList(kHex, "Add", option, out, err, [&](auto& settings, auto& change) {
        const THexEntryCheck check = AddHexItem(settings.HexFindAndReplaceItems, find, replace);
        change = check.Accepted ? TListChange::Made() : TListChange::Refused(check.Message);
        return CLI_EXIT_OK;
    });
}

int RunRemove(const TItemCommand& command, const TOwnerOption& option, int number,
              std::ostream& out, std::ostream& err) {
    return RunOnList(command, "Remove", option, out, err, [&](auto& settings, auto& change) {
        size_t index = 0;
        if (!EntryIndex(number, command.List.Count(settings), command.List.What, index, err))
            return CLI_EXIT_USAGE;
        change = command.List.Remove(settings, static_cast<int>(index));
        return CLI_EXIT_OK;
    });
}

// --batch or --watch-folder N, one of them, on a list command.
void AddOwnerOptions(CLI::App* command, const std::shared_ptr<TOwnerOption>& owner) {
    CLI::Option* batch = command->add_flag("--batch", owner->Batch, "the Batch page's list");
    CLI::Option* folder = command->add_option("--watch-folder", owner->WatchFolder,
                                              "the list of watch folder N, from 1");
    batch->excludes(folder);
}

// Runs a list command once its owner is named.
std::function<void()> Checked(const std::shared_ptr<TOwnerOption>& owner, TCliRun& run,
                              std::function<int()> command) {
    return [owner, &run, command] {
        if (!owner->Batch && owner->WatchFolder == 0) {
            run.Err << "Name the list: --batch or --watch-folder N (N from 1).\n";
            run.ExitCode = CLI_EXIT_USAGE;
            return;
        }
        run.ExitCode = command();
    };
}

// Gives add its own arguments and returns what it runs, given the owner.
using TAddArguments =
    std::function<std::function<int()>(CLI::App* add, std::shared_ptr<TOwnerOption> owner)>;

void AddItemListCommand(CLI::App& app, TCliRun& run, const TItemCommand& command,
                        const TAddArguments& addArguments) {
    CLI::App* items = app.add_subcommand(command.Name, command.Help);
    items->require_subcommand(1);

    auto owner = std::make_shared<TOwnerOption>();
    CLI::App* list = items->add_subcommand("list", command.ListHelp);
    AddOwnerOptions(list, owner);
    list->callback(Checked(owner, run, [owner, &run, &command] {
        return RunOnList(command, "List", *owner, run.Out, run.Err);
    }));

    CLI::App* add = items->add_subcommand("add", command.AddHelp);
    AddOwnerOptions(add, owner);
    add->callback(Checked(owner, run, addArguments(add, owner)));

    auto number = std::make_shared<int>(0);
    CLI::App* remove = items->add_subcommand("remove", command.RemoveHelp);
    AddOwnerOptions(remove, owner);
    remove->add_option("N", *number, command.NumberHelp)->required();
    remove->callback(Checked(owner, run, [owner, number, &run, &command] {
        return RunRemove(command, *owner, *number, run.Out, run.Err);
    }));
}

} // namespace

void AddItemListCommands(CLI::App& app, TCliRun& run) {
    AddItemListCommand(app, run, kFileTypes, [&run](CLI::App* add, auto owner) {
        auto values = std::make_shared<std::vector<std::string>>();
        add->add_option("NAME=VALUE", *values, "the file type's fields");
        return [owner, values, &run] { return RunAddFileType(*owner, *values, run.Out, run.Err); };
    });
    AddItemListCommand(app, run, kHex, [&run](CLI::App* add, auto owner) {
        auto entries = std::make_shared<std::vector<std::string>>(2);
        add->add_option("FIND", (*entries)[0], "0xXX or 0xXXXX")->required();
        add->add_option("REPLACE", (*entries)[1], "0xXX or 0xXXXX, of the same width")->required();
        return [owner, entries, &run] {
            return RunAddHexItem(*owner, (*entries)[0], (*entries)[1], run.Out, run.Err);
        };
    });
}
