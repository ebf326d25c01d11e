#include "cli/PlaylistsCommand.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "platform/SettingsKeys.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

constexpr const char* kWhat = "playlist-check entry";

void ReloadEntry(TPlaylistCheckList& list, size_t index) {
    TPlaylistCheckSettings entry;
    if (entry.LoadFromRegistry(TPlaylistCheckList::EntryKey(index), kPlaylistCheckLanguagesSubKey))
        list.Entries[index]->Assign(entry);
}

bool WriteCount(size_t count) {
    TRegistry registry;
    return registry.OpenKey(kPlaylistsCheckKey, true) &&
           registry.WriteInteger("PlaylistsCheckListCount", static_cast<int32_t>(count));
}

// What Add and Update check: the folders and the languages, as they will be stored.
void ApplyInputs(const std::vector<TSettingInput>& inputs, TPlaylistCheckSettings& entry) {
    for (const TSettingInput& input : inputs) {
        const std::string name = input.Value->Name;
        if (name == "PlaylistsFolder")
            entry.PlaylistsFolder = input.Stored.Text;
        else if (name == "SubtitlesFolder")
            entry.SubtitlesFolder = input.Stored.Text;
        else if (name == "MissingsLogFolder")
            entry.MissingsLogFolder = input.Stored.Text;
        else if (name == "Languages")
            entry.LanguageCheckList = input.Codes;
    }
}

bool WriteNewEntry(const std::string& key, const std::vector<TSettingInput>& given,
                   const TPlaylistCheckSettings& entry, const TMainSettings& main) {
    // A longer earlier list may have left an entry here; nothing of it is inherited.
    TSettingsStore::Global().DeleteKey(key);
    for (const TSettingValue* value : SettingValuesOf(spPlaylistEntry)) {
        TSettingInput input = FreshSettingInput(*value, main);
        const std::string name = value->Name;
        if (const TSettingInput* set = FindInput(given, value->Name))
            input = *set;
        else if (name == "PlaylistsFolder")
            input.Stored.Text = entry.PlaylistsFolder;
        else if (name == "SubtitlesFolder")
            input.Stored.Text = entry.SubtitlesFolder;
        else if (name == "MissingsLogFolder")
            input.Stored.Text = entry.MissingsLogFolder;
        if (!WriteSettingInput(key, input))
            return false;
    }
    return true;
}

int Refuse(std::ostream& err, const std::string& refusal) {
    if (!refusal.empty())
        err << refusal << '\n';
    return refusal.empty() ? CLI_EXIT_FAILED : CLI_EXIT_USAGE;
}

int CannotWrite(std::ostream& err) {
    err << "caplin-cli: cannot write the playlist-check entry\n";
    return CLI_EXIT_FAILED;
}

} // namespace

int RunPlaylistsList(std::ostream& out, std::ostream& err) {
    return Guarded("RunPlaylistsList", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(false))
            return status;
        PrintPlaylistList(out, *file.Session().PlaylistCheckList);
        return CLI_EXIT_OK;
    });
}

int RunPlaylistsAdd(const std::string& playlistsFolder, const std::string& subtitlesFolder,
                    const std::string& missingsLogFolder,
                    const std::vector<std::string>& assignments, std::ostream& out,
                    std::ostream& err) {
    return Guarded("RunPlaylistsAdd", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, spPlaylistEntry, inputs, err))
            return status;
        TPlaylistCheckSettings entry;
        entry.PlaylistsFolder = IncludeTrailingSlash(playlistsFolder);
        entry.SubtitlesFolder = IncludeTrailingSlash(subtitlesFolder);
        entry.MissingsLogFolder = IncludeTrailingSlash(missingsLogFolder);
        ApplyInputs(inputs, entry);
        TPlaylistCheckList& list = *file.Session().PlaylistCheckList;
        std::string refusal;
        if (!list.MayAdd(entry, refusal))
            return Refuse(err, refusal);
        const size_t index = list.Entries.size();
        file.Restore();
        if (!WriteNewEntry(TPlaylistCheckList::EntryKey(index), inputs, entry,
                           file.Session().MainSettings) ||
            !WriteCount(index + 1))
            return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        list.Entries.push_back(std::make_unique<TPlaylistCheckSettings>());
        ReloadEntry(list, index);
        PrintPlaylistList(out, list);
        return CLI_EXIT_OK;
    });
}

int RunPlaylistsUpdate(int number, const std::vector<std::string>& assignments, std::ostream& out,
                       std::ostream& err) {
    return Guarded("RunPlaylistsUpdate", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        TPlaylistCheckList& list = *file.Session().PlaylistCheckList;
        size_t index = 0;
        if (!EntryIndex(number, list.Entries.size(), kWhat, index, err))
            return CLI_EXIT_USAGE;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, spPlaylistEntry, inputs, err))
            return status;
        TPlaylistCheckSettings entry;
        entry.Assign(*list.Entries[index]);
        ApplyInputs(inputs, entry);
        std::string refusal;
        if (!list.MayAdd(entry, refusal, index))
            return Refuse(err, refusal);
        file.Restore();
        for (const TSettingInput& input : inputs)
            if (!WriteSettingInput(TPlaylistCheckList::EntryKey(index), input))
                return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        ReloadEntry(list, index);
        PrintPlaylistList(out, list);
        return CLI_EXIT_OK;
    });
}

int RunPlaylistsRemove(int number, std::ostream& out, std::ostream& err) {
    return Guarded("RunPlaylistsRemove", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        TPlaylistCheckList& list = *file.Session().PlaylistCheckList;
        size_t index = 0;
        if (!EntryIndex(number, list.Entries.size(), kWhat, index, err))
            return CLI_EXIT_USAGE;
        file.Restore();
        RemoveEntryKey(index, list.Entries.size(), &TPlaylistCheckList::EntryKey);
        if (!WriteCount(list.Entries.size() - 1))
            return CannotWrite(err);
        if (const int status = file.Save())
            return status;
        list.Entries.erase(list.Entries.begin() + static_cast<std::ptrdiff_t>(index));
        PrintPlaylistList(out, list);
        return CLI_EXIT_OK;
    });
}

void AddPlaylistsCommand(CLI::App& app, TCliRun& run) {
    CLI::App* playlists = app.add_subcommand(
        "playlists", "list, add, update or remove the entries of the Playlist Check page");
    playlists->require_subcommand(1);

    playlists->add_subcommand("list", "the entries as the page's list shows them")
        ->callback([&run] { run.ExitCode = RunPlaylistsList(run.Out, run.Err); });

    auto folders = std::make_shared<std::vector<std::string>>(3);
    auto addValues = std::make_shared<std::vector<std::string>>();
    CLI::App* add = playlists->add_subcommand("add", "add an entry, as the page's Add does");
    add->add_option("PLAYLISTS_DIR", (*folders)[0], "the folder of the playlists")->required();
    add->add_option("SUBTITLES_DIR", (*folders)[1], "the folder of the subtitle files")->required();
    add->add_option("LOG_DIR", (*folders)[2], "the folder of the missing-subtitle logs")
        ->required();
    add->add_option("NAME=VALUE", *addValues, "further values, Languages=English,French");
    add->callback([=, &run] {
        run.ExitCode = RunPlaylistsAdd((*folders)[0], (*folders)[1], (*folders)[2], *addValues,
                                       run.Out, run.Err);
    });

    auto number = std::make_shared<int>(0);
    auto values = std::make_shared<std::vector<std::string>>();
    CLI::App* update = playlists->add_subcommand("update", "change values of entry N");
    update->add_option("N", *number, "the entry's number in the list, from 1")->required();
    update->add_option("NAME=VALUE", *values, "the values to change")->required();
    update->callback(
        [=, &run] { run.ExitCode = RunPlaylistsUpdate(*number, *values, run.Out, run.Err); });

    auto removed = std::make_shared<int>(0);
    CLI::App* remove = playlists->add_subcommand("remove", "remove entry N from the list");
    remove->add_option("N", *removed, "the entry's number in the list, from 1")->required();
    remove->callback([=, &run] { run.ExitCode = RunPlaylistsRemove(*removed, run.Out, run.Err); });
}
