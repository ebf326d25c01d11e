#include "cli/CliSettingsFile.h"

#include "cli/CliApp.h"
#include "platform/SettingsKeys.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

std::string WithoutTrailingBackslash(std::string key) {
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

// The number of the entry key that path lies in or below, when its parent is prefix
// ("...\WF_", upper-cased); the rest of the path below the entry key goes into rest.
bool EntryNumberOf(const std::string& path, const std::string& prefix, size_t& number,
                   std::string& rest) {
    const std::string folded = UpperCaseText(path);
    if (folded.compare(0, prefix.size(), prefix) != 0)
        return false;
    const size_t end = path.find('\\', prefix.size());
    const std::string digits = path.substr(prefix.size(), end - prefix.size());
    int32_t value = 0;
    if (!TryStrToInt(digits, value) || value < 0 || std::to_string(value) != digits)
        return false;
    number = static_cast<size_t>(value);
    rest = end == std::string::npos ? std::string() : path.substr(end);
    return true;
}

} // namespace

int TCliSettingsFile::Open(bool forChange) {
    return Guarded("TCliSettingsFile.Open", CLI_EXIT_FAILED, [&] {
        if (forChange && !lock_.Acquire("Caplin")) {
            err_ << kWindowRunningMessage << '\n';
            return CLI_EXIT_USAGE;
        }
        if (!session_.LoadSettingsFile()) {
            err_ << "caplin-cli: cannot read the settings file " << Path() << '\n';
            return CLI_EXIT_USAGE;
        }
        snapshot_ = TSettingsStore::Global().Content();
        session_.InitializeConverter(0, 0);
        return CLI_EXIT_OK;
    });
}

bool TCliSettingsFile::Restore() {
    return Guarded("TCliSettingsFile.Restore", false, [&] {
        TSettingsStore::Global().SetContent(std::move(snapshot_));
        snapshot_.clear();
        return true;
    });
}

int TCliSettingsFile::Save() {
    return Guarded("TCliSettingsFile.Save", CLI_EXIT_FAILED, [&] {
        if (TSettingsStore::Global().Save())
            return CLI_EXIT_OK;
        err_ << "caplin-cli: cannot save the settings file " << Path() << '\n';
        return CLI_EXIT_FAILED;
    });
}

TSettingsViewContext TCliSettingsFile::ViewContext() const {
    return Guarded("TCliSettingsFile.ViewContext", TSettingsViewContext{}, [&] {
        TSettingsViewContext context;
        context.Main = DefaultMainSettings(0, 0);
        LoadMainSettings(context.Main, false);
        LoadWindowLayout(context.Layout, false);
        return context;
    });
}

std::optional<TRegValue> StoredValue(const std::string& key, const std::string& name) {
    TRegValue value;
    if (!TSettingsStore::Global().GetValue(key, name, value))
        return std::nullopt;
    return value;
}

int ParseAssignments(const std::vector<std::string>& assignments, uint32_t part,
                     std::vector<TSettingInput>& inputs, std::ostream& err) {
    return Guarded("ParseAssignments", CLI_EXIT_FAILED, [&] {
        for (const std::string& assignment : assignments) {
            const size_t equals = assignment.find('=');
            const std::string name = assignment.substr(0, equals);
            if (equals == std::string::npos || TrimText(name).empty()) {
                err << "Expected NAME=VALUE, not \"" << assignment << "\".\n";
                return CLI_EXIT_USAGE;
            }
            const TSettingValue* value = FindSettingValue(part, TrimText(name));
            if (value == nullptr) {
                err << '"' << name << "\" is not a value of " << SettingsPartName(part)
                    << "; the values are: " << SettingNamesText(part) << ".\n";
                return CLI_EXIT_USAGE;
            }
            TSettingInput input;
            std::string refusal;
            if (!ParseSettingInput(*value, part, assignment.substr(equals + 1), input, refusal)) {
                err << refusal << '\n';
                return CLI_EXIT_USAGE;
            }
            inputs.push_back(std::move(input));
        }
        return CLI_EXIT_OK;
    });
}

const TSettingInput* FindInput(const std::vector<TSettingInput>& inputs, const char* name) {
    // The last one given wins, as it would in the window.
    for (auto it = inputs.rbegin(); it != inputs.rend(); ++it)
        if (std::string(it->Value->Name) == name)
            return &*it;
    return nullptr;
}

bool EntryIndex(int number, size_t count, const std::string& what, size_t& index,
                std::ostream& err) {
    if (number >= 1 && static_cast<size_t>(number) <= count) {
        index = static_cast<size_t>(number) - 1;
        return true;
    }
    err << "No item selected: there is no " << what << " #" << number << "; "
        << (count == 0 ? std::string("the list is empty")
                       : "the list holds #1 to #" + std::to_string(count))
        << ".\n";
    return false;
}

std::string WatchFolderEntryKey(size_t index) {
    return std::string(kWatchFolderKey) + "WF_" + std::to_string(index) + "\\";
}

void RemoveEntryKey(size_t index, size_t count, std::string (*entryKey)(size_t)) {
    GuardedVoid("RemoveEntryKey", [&] {
        TSettingsStore& store = TSettingsStore::Global();
        std::string prefix = UpperCaseText(WithoutTrailingBackslash(entryKey(0)));
        prefix.pop_back(); // "...\WF_0" without its number
        struct TMoved {
            size_t Number;
            std::string Rest;
            std::vector<TRegValue> Values;
        };
        std::vector<TMoved> moved;
        size_t number = 0;
        std::string rest;
        for (const std::string& path : store.KeyPaths())
            if (EntryNumberOf(path, prefix, number, rest) && number > index && number < count)
                moved.push_back({number, rest, store.Values(path)});
        for (size_t n = index; n < count; ++n)
            store.DeleteKey(entryKey(n));
        for (const TMoved& key : moved) {
            const std::string target =
                WithoutTrailingBackslash(entryKey(key.Number - 1)) + key.Rest;
            store.CreateKey(target);
            for (const TRegValue& value : key.Values)
                store.SetValue(target, value);
        }
    });
}
