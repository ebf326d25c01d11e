#include "cli/ListItemsCommand.h"

#include <functional>
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/CliSettingsFile.h"
#include "cli/SettingsPrint.h"
#include "convert/HexEntry.h"
#include "convert/SettingsChoices.h"
#include "platform/SettingsKeys.h"
#include "platform/Trace.h"

namespace {

using TType = TSubtitleFileType;

// The fields of a file type by the names the commands take.
struct TFileTypeField {
    const char* Name;
    std::string TType::*Text = nullptr;
    int32_t TType::*Number = nullptr;
};

const TFileTypeField kFileTypeFields[] = {
    {"Name", &TType::Name},
    {"CharsCount", nullptr, &TType::CharsCount},
    {"TapeIDParseStringStartPosition", nullptr, &TType::TapeIDParseStringStartPosition},
    {"TapeIDParseStringCharsCount", nullptr, &TType::TapeIDParseStringCharsCount},
    {"LanguageParseStringStartPosition", nullptr, &TType::LanguageParseStringStartPosition},
    {"LanguageParseStringCharsCount", nullptr, &TType::LanguageParseStringCharsCount},
    {"SampleFileName", &TType::SampleFileName}};

void SetField(TType& type, const TSettingInput& input) {
    for (const TFileTypeField& field : kFileTypeFields)
        if (std::string(field.Name) == input.Value->Name) {
            if (field.Text)
                type.*field.Text = input.Stored.Text;
            else
                type.*field.Number = static_cast<int32_t>(input.Stored.Number);
        }
}

// The settings whose lists a command changes, and the key they are stored under.
struct TListTarget {
    std::string Key;
    TSTLConvertSettings* Settings = nullptr;
};

bool FindTarget(TCliSettingsFile& file, const TListOwner& owner, TListTarget& target,
                std::ostream& err) {
    TCaplinSession& session = file.Session();
    if (owner.Batch) {
        target = {kBatchKey, session.BatchSettings.get()};
        return true;
    }
    size_t index = 0;
    if (!EntryIndex(owner.WatchFolder, session.WatchFolderList->Items.size(), "watch folder", index,
                    err))
        return false;
    target = {WatchFolderEntryKey(index), &session.WatchFolderList->Items[index]->Settings};
    return true;
}

// Opens the file, finds the list's owner, runs change (for a change: under the window's lock,
// its refusal said on err), saves the owner's list with save and prints it with print.
int RunOnList(const TListOwner& owner, bool change, std::ostream& out, std::ostream& err,
              const std::function<int(TSTLConvertSettings&)>& edit,
              const std::function<bool(const std::string& key, const TSTLConvertSettings&)>& save,
              const std::function<void(std::ostream&, const TSTLConvertSettings&)>& print) {
    TCliSettingsFile file(err);
    if (const int status = file.Open(change))
        return status;
    TListTarget target;
    if (!FindTarget(file, owner, target, err))
        return CLI_EXIT_USAGE;
    if (change) {
        if (const int status = edit(*target.Settings))
            return status;
        file.Restore();
        if (!save(target.Key, *target.Settings)) {
            err << "caplin-cli: cannot write the list\n";
            return CLI_EXIT_FAILED;
        }
        if (const int status = file.Save())
            return status;
    }
    print(out, *target.Settings);
    return CLI_EXIT_OK;
}

bool SaveFileTypes(const std::string& key, const TSTLConvertSettings& settings) {
    return SaveSubtitleFileTypeListToRegistry(key + kSubtitleFileTypeSubKey,
                                              &settings.SubtitleFileTypes);
}

void PrintFileTypesOf(std::ostream& out, const TSTLConvertSettings& settings) {
    PrintFileTypes(out, settings.SubtitleFileTypes);
}

bool SaveHexItems(const std::string& key, const TSTLConvertSettings& settings) {
    return SaveHexFindAndReplaceListToRegistry(key + kHexFindReplaceSubKey,
                                               &settings.HexFindAndReplaceItems);
}

void PrintHexItemsOf(std::ostream& out, const TSTLConvertSettings& settings) {
    PrintHexItems(out, settings.HexFindAndReplaceItems);
}

int NoEdit(TSTLConvertSettings&) {
    return CLI_EXIT_OK;
}

// --batch or --watch-folder N, one of them, on a list command.
void AddOwnerOptions(CLI::App* command, const std::shared_ptr<TListOwner>& owner) {
    CLI::Option* batch = command->add_flag("--batch", owner->Batch, "the Batch page's list");
    CLI::Option* folder = command->add_option("--watch-folder", owner->WatchFolder,
                                              "the list of watch folder N, from 1");
    batch->excludes(folder);
}

// Runs a list command once its owner is named.
std::function<void()> Checked(const std::shared_ptr<TListOwner>& owner, TCliRun& run,
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

} // namespace

int RunFileTypesList(const TListOwner& owner, std::ostream& out, std::ostream& err) {
    return Guarded("RunFileTypesList", CLI_EXIT_FAILED, [&] {
        return RunOnList(owner, false, out, err, NoEdit, SaveFileTypes, PrintFileTypesOf);
    });
}

int RunFileTypesAdd(const TListOwner& owner, const std::vector<std::string>& assignments,
                    std::ostream& out, std::ostream& err) {
    return Guarded("RunFileTypesAdd", CLI_EXIT_FAILED, [&] {
        auto add = [&](TSTLConvertSettings& settings) {
            // As the dialog: a full list refuses before the values are looked at.
            if (settings.SubtitleFileTypes.size() >= size_t(kMaxSubtitleFileTypes)) {
                err << kMaxSubtitleFileTypesMessage << '\n';
                return CLI_EXIT_USAGE;
            }
            std::vector<TSettingInput> inputs;
            if (const int status = ParseAssignments(assignments, spFileType, inputs, err))
                return status;
            auto type = std::make_unique<TType>();
            for (const TSettingValue* value : SettingValuesOf(spFileType))
                SetField(*type, FreshSettingInput(*value, TMainSettings{}));
            for (const TSettingInput& input : inputs)
                SetField(*type, input);
            settings.SubtitleFileTypes.push_back(std::move(type));
            return CLI_EXIT_OK;
        };
        return RunOnList(owner, true, out, err, add, SaveFileTypes, PrintFileTypesOf);
    });
}

int RunFileTypesRemove(const TListOwner& owner, int number, std::ostream& out, std::ostream& err) {
    return Guarded("RunFileTypesRemove", CLI_EXIT_FAILED, [&] {
        auto remove = [&](TSTLConvertSettings& settings) {
            auto& list = settings.SubtitleFileTypes;
            size_t index = 0;
            if (!EntryIndex(number, list.size(), "file type", index, err))
                return CLI_EXIT_USAGE;
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
            return CLI_EXIT_OK;
        };
        return RunOnList(owner, true, out, err, remove, SaveFileTypes, PrintFileTypesOf);
    });
}

int RunHexList(const TListOwner& owner, std::ostream& out, std::ostream& err) {
    return Guarded("RunHexList", CLI_EXIT_FAILED, [&] {
        return RunOnList(owner, false, out, err, NoEdit, SaveHexItems, PrintHexItemsOf);
    });
}

int RunHexAdd(const TListOwner& owner, const std::string& find, const std::string& replace,
              std::ostream& out, std::ostream& err) {
    return Guarded("RunHexAdd", CLI_EXIT_FAILED, [&] {
        auto add = [&](TSTLConvertSettings& settings) {
            if (settings.HexFindAndReplaceItems.size() >= size_t(kMaxHexFindAndReplaceValues)) {
                err << kMaxHexItemsMessage << '\n';
                return CLI_EXIT_USAGE;
            }
            auto item = std::make_unique<THexFindAndReplaceValue>();
            const THexEntryCheck check = CheckHexEntries(find, replace, *item);
            if (!check.Accepted) {
                if (!check.Message.empty())
                    err << check.Message << '\n';
                return check.Message.empty() ? CLI_EXIT_FAILED : CLI_EXIT_USAGE;
            }
            settings.HexFindAndReplaceItems.push_back(std::move(item));
            return CLI_EXIT_OK;
        };
        return RunOnList(owner, true, out, err, add, SaveHexItems, PrintHexItemsOf);
    });
}

int RunHexRemove(const TListOwner& owner, int number, std::ostream& out, std::ostream& err) {
    return Guarded("RunHexRemove", CLI_EXIT_FAILED, [&] {
        auto remove = [&](TSTLConvertSettings& settings) {
            auto& list = settings.HexFindAndReplaceItems;
            size_t index = 0;
            if (!EntryIndex(number, list.size(), "hex item", index, err))
                return CLI_EXIT_USAGE;
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
            return CLI_EXIT_OK;
        };
        return RunOnList(owner, true, out, err, remove, SaveHexItems, PrintHexItemsOf);
    });
}

void AddFileTypesCommand(CLI::App& app, TCliRun& run) {
    CLI::App* types = app.add_subcommand(
        "file-types", "list, add or remove the subtitle file types of a conversion settings part");
    types->require_subcommand(1);

    auto owner = std::make_shared<TListOwner>();
    CLI::App* list = types->add_subcommand("list", "the file types as their dialog lists them");
    AddOwnerOptions(list, owner);
    list->callback(
        Checked(owner, run, [owner, &run] { return RunFileTypesList(*owner, run.Out, run.Err); }));

    auto values = std::make_shared<std::vector<std::string>>();
    CLI::App* add = types->add_subcommand("add", "add a file type, as the dialog's Add does");
    AddOwnerOptions(add, owner);
    add->add_option("NAME=VALUE", *values, "the file type's fields");
    add->callback(Checked(owner, run, [owner, values, &run] {
        return RunFileTypesAdd(*owner, *values, run.Out, run.Err);
    }));

    auto number = std::make_shared<int>(0);
    CLI::App* remove = types->add_subcommand("remove", "remove file type N");
    AddOwnerOptions(remove, owner);
    remove->add_option("N", *number, "the file type's number in the list, from 1")->required();
    remove->callback(Checked(owner, run, [owner, number, &run] {
        return RunFileTypesRemove(*owner, *number, run.Out, run.Err);
    }));
}

void AddHexCommand(CLI::App& app, TCliRun& run) {
    CLI::App* hex = app.add_subcommand(
        "hex", "list, add or remove the hex find-and-replace items of a conversion settings part");
    hex->require_subcommand(1);

    auto owner = std::make_shared<TListOwner>();
    CLI::App* list = hex->add_subcommand("list", "the items as their dialog lists them");
    AddOwnerOptions(list, owner);
    list->callback(
        Checked(owner, run, [owner, &run] { return RunHexList(*owner, run.Out, run.Err); }));

    auto entries = std::make_shared<std::vector<std::string>>(2);
    CLI::App* add = hex->add_subcommand("add", "add an item, as the dialog's Add does");
    AddOwnerOptions(add, owner);
    add->add_option("FIND", (*entries)[0], "0xXX or 0xXXXX")->required();
    add->add_option("REPLACE", (*entries)[1], "0xXX or 0xXXXX, of the same width")->required();
    add->callback(Checked(owner, run, [owner, entries, &run] {
        return RunHexAdd(*owner, (*entries)[0], (*entries)[1], run.Out, run.Err);
    }));

    auto number = std::make_shared<int>(0);
    CLI::App* remove = hex->add_subcommand("remove", "remove item N");
    AddOwnerOptions(remove, owner);
    remove->add_option("N", *number, "the item's number in the list, from 1")->required();
    remove->callback(Checked(owner, run, [owner, number, &run] {
        return RunHexRemove(*owner, *number, run.Out, run.Err);
    }));
}
