#include "cli/SettingsCommand.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "lang/STLLangUtils.h"
#include "platform/SettingsKeys.h"
#include "platform/Trace.h"
#include "session/EntryLists.h"
#include "session/ItemLists.h"

namespace {

void ShowConversionLists(std::ostream& out, const TSTLConvertSettings& settings) {
    out << "SubtitleFileTypes:\n";
    PrintListTable(out, kFileTypeItems.Table(settings), "  ");
    out << "HexFindAndReplaceItems:\n";
    PrintListTable(out, kHexItems.Table(settings), "  ");
}

void ShowBatch(std::ostream& out, TCaplinSession& session, const TSettingsViewContext& context) {
    PrintSectionTitle(out, "batch", kBatchKey);
    PrintStoredValues(out, spBatch, kBatchKey, context);
    ShowConversionLists(out, *session.BatchSettings());
}

void ShowWatchFolders(std::ostream& out, TCaplinSession& session,
                      const TSettingsViewContext& context) {
    PrintSectionTitle(out, "watch-folders", kWatchFolderKey);
    PrintStoredValues(out, spWatchFolders, kWatchFolderKey, context);
    const TEntryList& list = WatchFolderEntries();
    out << "Watch folders:\n";
    PrintListTable(out, list.Table(session), "  ");
    const std::vector<TEntrySection> sections = list.Sections(session);
    for (size_t n = 0; n < sections.size(); ++n) {
        out << '\n';
        PrintSectionTitle(out, sections[n].Title, sections[n].Key);
        PrintStoredValues(out, spWatchFolderEntry, sections[n].Key, context);
        ShowConversionLists(out, *WatchFolderListOwner(session, n).Settings);
    }
}

void ShowPlaylists(std::ostream& out, TCaplinSession& session,
                   const TSettingsViewContext& context) {
    PrintSectionTitle(out, "playlists", kPlaylistsCheckKey);
    const TEntryList& list = PlaylistEntries();
    out << "Playlist-check entries:\n";
    PrintListTable(out, list.Table(session), "  ");
    const std::vector<TEntrySection> sections = list.Sections(session);
    for (size_t n = 0; n < sections.size(); ++n) {
        const std::string& key = sections[n].Key;
        out << '\n';
        PrintSectionTitle(out, sections[n].Title, key);
        for (const TSettingValue* value : SettingValuesOf(spPlaylistEntry)) {
            const std::optional<TRegValue> stored = StoredValue(key, value->Name);
            const TSettingShown shown =
                value->Form == TValueForm::Languages
                    ? DescribeLanguageCodes(
                          session.PlaylistCheckList()->Entries[n]->LanguageCheckList)
                    : DescribeStoredValue(*value, spPlaylistEntry, stored ? &*stored : nullptr,
                                          context);
            out << SettingLine(value->Name, shown) << '\n';
        }
    }
}

void ShowLanguages(std::ostream& out) {
    PrintSectionTitle(out, "languages", STL_CUSTOM_LANGUAGES_KEY);
    const std::vector<const TSettingValue*> values = SettingValuesOf(spLanguages);
    for (int32_t row = 0; row < STL_LANGUAGE_COUNT; ++row)
        for (const TSettingValue* value : values) {
            std::string name = value->Name;
            name.replace(name.find("<n>"), 3, std::to_string(row));
            const std::optional<TRegValue> stored = StoredValue(STL_CUSTOM_LANGUAGES_KEY, name);
            out << SettingLine(name, DescribeLanguageName(*value, row, stored ? &*stored : nullptr))
                << '\n';
        }
}

const char* const kShowParts[] = {"main", "batch", "watch-folders", "playlists", "languages"};

} // namespace

int RunSettingsShow(const std::string& part, std::ostream& out, std::ostream& err) {
    return Guarded("RunSettingsShow", CLI_EXIT_FAILED, [&] {
        TCliSettingsFile file(err);
        if (const int status = file.Open(false))
            return status;
        // The values as stored, not as the loaders filled them in.
        file.Restore();
        const TSettingsViewContext context = file.ViewContext();
        TCaplinSession& session = file.Session();
        out << "Settings file: " << file.Path()
            << (FileExists(file.Path()) ? "" : " (not present: every value is its default)")
            << '\n';
        for (const char* name : kShowParts) {
            if (!part.empty() && part != name)
                continue;
            out << '\n';
            const std::string shown = name;
            if (shown == "main") {
                PrintSectionTitle(out, "main", kCaplinKey);
                PrintStoredValues(out, spMain, kCaplinKey, context);
            } else if (shown == "batch")
                ShowBatch(out, session, context);
            else if (shown == "watch-folders")
                ShowWatchFolders(out, session, context);
            else if (shown == "playlists")
                ShowPlaylists(out, session, context);
            else
                ShowLanguages(out);
        }
        out.flush();
        return CLI_EXIT_OK;
    });
}

int RunSettingsSet(const std::string& part, const std::vector<std::string>& assignments,
                   std::ostream& out, std::ostream& err) {
    return Guarded("RunSettingsSet", CLI_EXIT_FAILED, [&] {
        const uint32_t which = part == "main" ? spMain : part == "batch" ? spBatch : spWatchFolders;
        const std::string key = which == spMain    ? kCaplinKey
                                : which == spBatch ? kBatchKey
                                                   : kWatchFolderKey;
        TCliSettingsFile file(err);
        if (const int status = file.Open(true))
            return status;
        std::vector<TSettingInput> inputs;
        if (const int status = ParseAssignments(assignments, which, inputs, err, &file))
            return status;
        file.Restore();
        for (const TSettingInput& input : inputs)
            if (!WriteSettingInput(key, input)) {
                err << "caplin-cli: cannot write " << input.Value->Name << '\n';
                return CLI_EXIT_FAILED;
            }
        if (const int status = file.Save())
            return status;
        const TSettingsViewContext context = file.ViewContext();
        for (const TSettingInput& input : inputs) {
            const std::optional<TRegValue> stored = StoredValue(key, input.Value->Name);
            out << SettingLine(input.Value->Name,
                               DescribeStoredValue(*input.Value, which, stored ? &*stored : nullptr,
                                                   context))
                << '\n';
        }
        return CLI_EXIT_OK;
    });
}

void AddSettingsCommand(CLI::App& app, TCliRun& run) {
    CLI::App* settings =
        app.add_subcommand("settings", "show or change the values the window keeps");
    settings->require_subcommand(1);

    auto part = std::make_shared<std::string>();
    CLI::App* show = settings->add_subcommand(
        "show", "print every value of a part (every part when none is named)");
    show->add_option("PART", *part, "main, batch, watch-folders, playlists or languages")
        ->check(CLI::IsMember({"main", "batch", "watch-folders", "playlists", "languages"}));
    show->callback([part, &run] { run.ExitCode = RunSettingsShow(*part, run.Out, run.Err); });

    auto setPart = std::make_shared<std::string>();
    auto assignments = std::make_shared<std::vector<std::string>>();
    CLI::App* set = settings->add_subcommand(
        "set", "change main values, the Batch page's values or the watch folders' check "
               "interval while no window runs");
    set->add_option("PART", *setPart, "main, batch or watch-folders")
        ->required()
        ->check(CLI::IsMember({"main", "batch", "watch-folders"}));
    set->add_option("NAME=VALUE", *assignments, "a value's name and its new value")->required();
    set->callback([setPart, assignments, &run] {
        run.ExitCode = RunSettingsSet(*setPart, *assignments, run.Out, run.Err);
    });
}
