#include "cli/WatchFoldersCommand.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "platform/SettingsKeys.h"
#include "platform/Trace.h"

namespace {

constexpr const char* kWhat = "watch folder";

// The entry at index as the window would load it now.
void ReloadEntry(TWatchFolderList& list, size_t index) {
    TWatchFolderSTLConvertSettings settings;
    if (settings.LoadFromRegistry(WatchFolderEntryKey(index), kHexFindReplaceSubKey,
                                  kSubtitleFileTypeSubKey))
        list.Items[index]->Settings.Assign(settings);
}

bool WriteCount(size_t count) {
    TRegistry registry;
    return registry.OpenKey(kWatchFolderKey, true) &&
           registry.WriteInteger("WatchFoldersCount", static_cast<int32_t>(count));
}

// Every value of a new entry, then its two empty lists, as the window's save writes them.
bool WriteNewEntry(const std::string& key, const std::vector<TSettingInput>& given,
                   const std::string& watchFolder, const std::string& destinationFolder,
                   const TMainSettings& main) {
    // A longer earlier list may have left an entry here; nothing of it is inherited.
    TSettingsStore::Global().DeleteKey(key);
    for (const TSettingValue* value : SettingValuesOf(spWatchFolderEntry)) {
        TSettingInput input = FreshSettingInput(*value, main);
        if (const TSettingInput* set = FindInput(given, value->Name))
            input = *set;
        else if (std::string(value->Name) == "WatchFolder")
            input.Stored.Text = watchFolder;
        else if (std::string(value->Name) == "DestinationFolder")
            input.Stored.Text = destinationFolder;
        if (!WriteSettingInput(key, input))
            return false;
    }
    const TSubtitleFileTypeList noTypes;
    const THexFindAndReplaceList noItems;
    return SaveSubtitleFileTypeListToRegistry(key + kSubtitleFileTypeSubKey, &noTypes) &&
           SaveHexFindAndReplaceListToRegistry(key + kHexFindReplaceSubKey, &noItems);
}

std::string TextOf(const std::vector<TSettingInput>& inputs, const char* name,
                   const std::string& otherwise) {
    const TSettingInput* input = FindInput(inputs, name);
    return input ? input->Stored.Text : otherwise;
}

int Refuse(std::ostream& err, const std::string& refusal) {
    if (!refusal.empty())
        err << refusal << '\n';
    return refusal.empty() ? CLI_EXIT_FAILED : CLI_EXIT_USAGE;
}

int CannotWrite(std::ostream& err) {
    err << "caplin-cli: cannot write the watch folder\n";
    return CLI_EXIT_FAILED;
}

} // namespace

int RunWatchFoldersList(std::ostream& out, std::ostream& err) {
    return Guarded("RunWatchFoldersList", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(false))
            return status;
        PrintWatchFolderList(out, *file.Session().WatchFolderList);
        return CLI_EXIT_OK;
    });
}

int RunWatchFoldersAdd(const std::string& watchFolder, const std::string& destinationFolder,
                       const std::vector<std::string>& assignments, std::ostream& out,
                       std::ostream& err) {
    return Guarded("RunWatchFoldersAdd", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, spWatchFolderEntry, inputs, err))
            return status;
        const std::string watch = TextOf(inputs, "WatchFolder", watchFolder);
        const std::string destination = TextOf(inputs, "DestinationFolder", destinationFolder);
        TWatchFolderList& list = *file.Session().WatchFolderList;
        std::string refusal;
        if (!list.MayAdd(watch, destination, refusal))
            return Refuse(err, refusal);
        const size_t index = list.Items.size();
        file.Restore();
        if (!WriteNewEntry(WatchFolderEntryKey(index), inputs, watch, destination,
                           file.Session().MainSettings) ||
            !WriteCount(index + 1))
            return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        list.Items.push_back(std::make_unique<TWatchFolderItem>());
        ReloadEntry(list, index);
        PrintWatchFolderList(out, list);
        return CLI_EXIT_OK;
    });
}

int RunWatchFoldersUpdate(int number, const std::vector<std::string>& assignments,
                          std::ostream& out, std::ostream& err) {
    return Guarded("RunWatchFoldersUpdate", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        TWatchFolderList& list = *file.Session().WatchFolderList;
        size_t index = 0;
        if (!EntryIndex(number, list.Items.size(), kWhat, index, err))
            return CLI_EXIT_USAGE;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, spWatchFolderEntry, inputs, err))
            return status;
        const TWatchFolderSTLConvertSettings& current = list.Items[index]->Settings;
        std::string refusal;
        if (!list.MayAdd(TextOf(inputs, "WatchFolder", current.WatchFolder),
                         TextOf(inputs, "DestinationFolder", current.DestinationFolder), refusal,
                         index))
            return Refuse(err, refusal);
        file.Restore();
        for (const TSettingInput& input : inputs)
            if (!WriteSettingInput(WatchFolderEntryKey(index), input))
                return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        ReloadEntry(list, index);
        PrintWatchFolderList(out, list);
        return CLI_EXIT_OK;
    });
}

int RunWatchFoldersRemove(int number, std::ostream& out, std::ostream& err) {
    return Guarded("RunWatchFoldersRemove", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        TWatchFolderList& list = *file.Session().WatchFolderList;
        size_t index = 0;
        if (!EntryIndex(number, list.Items.size(), kWhat, index, err))
            return CLI_EXIT_USAGE;
        file.Restore();
        RemoveEntryKey(index, list.Items.size(), &WatchFolderEntryKey);
        if (!WriteCount(list.Items.size() - 1))
            return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        list.Items.erase(list.Items.begin() + static_cast<std::ptrdiff_t>(index));
        PrintWatchFolderList(out, list);
        return CLI_EXIT_OK;
    });
}

void AddWatchFoldersCommand(CLI::App& app, TCliRun& run) {
    CLI::App* folders = app.add_subcommand(
        "watch-folders", "list, add, update or remove the watch folders of the Watch Folder page");
    folders->require_subcommand(1);

    folders->add_subcommand("list", "the watch folders as the page's list shows them")
        ->callback([&run] { run.ExitCode = RunWatchFoldersList(run.Out, run.Err); });

    auto watch = std::make_shared<std::string>();
    auto destination = std::make_shared<std::string>();
    auto addValues = std::make_shared<std::vector<std::string>>();
    CLI::App* add = folders->add_subcommand("add", "add a watch folder, as the page's Add does");
    add->add_option("WATCH_DIR", *watch, "the folder to watch")->required();
    add->add_option("DEST_DIR", *destination, "the folder converted files go to")->required();
    add->add_option("NAME=VALUE", *addValues, "further values of the watch folder");
    add->callback([=, &run] {
        run.ExitCode = RunWatchFoldersAdd(*watch, *destination, *addValues, run.Out, run.Err);
    });

    auto number = std::make_shared<int>(0);
    auto values = std::make_shared<std::vector<std::string>>();
    CLI::App* update = folders->add_subcommand("update", "change values of watch folder N");
    update->add_option("N", *number, "the watch folder's number in the list, from 1")->required();
    update->add_option("NAME=VALUE", *values, "the values to change")->required();
    update->callback(
        [=, &run] { run.ExitCode = RunWatchFoldersUpdate(*number, *values, run.Out, run.Err); });

    auto removed = std::make_shared<int>(0);
    CLI::App* remove = folders->add_subcommand("remove", "remove watch folder N from the list");
    remove->add_option("N", *removed, "the watch folder's number in the list, from 1")->required();
    remove->callback(
        [=, &run] { run.ExitCode = RunWatchFoldersRemove(*removed, run.Out, run.Err); });
}
