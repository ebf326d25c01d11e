#include "cli/CliSettingsFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

#include "cli/CliRun.h"
#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

extern char** environ;

namespace {

// Whether the user's watch service runs, so that a change can say how it reaches it. Without
// a user bus there is no user manager to ask (and no service); otherwise systemctl tells.
bool WatchServiceActive() {
    return Guarded("WatchServiceActive", false, [] {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || *runtime == '\0' || !FileExists(std::string(runtime) + "/bus"))
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
        const char* argv[] = {"systemctl", "--user", "is-active", "--quiet", "caplin-watch.service",
                              nullptr};
        pid_t pid = -1;
        const int spawned = posix_spawnp(&pid, "systemctl", &actions, nullptr,
                                         const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return false;
        int status = 0;
        while (waitpid(pid, &status, 0) < 0)
            if (errno != EINTR)
                return false;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
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
        if (TSettingsStore::Global().Save()) {
            for (const std::string& folder : missingFolders_)
                err_ << "caplin-cli: the folder " << folder
                     << " does not exist; it is stored all the same\n";
            if (WatchServiceActive())
                err_ << "caplin-watch.service is running: systemctl --user reload caplin-watch "
                        "makes it take the change\n";
            return CLI_EXIT_OK;
        }
        err_ << "caplin-cli: cannot save the settings file " << Path() << '\n';
        return CLI_EXIT_FAILED;
    });
}

int TCliSettingsFile::SaveChange(const TListChange& change, const std::string& what) {
    return Guarded("TCliSettingsFile.SaveChange", CLI_EXIT_FAILED, [&] {
        if (!change.IsMade()) {
            if (change.Refusal().empty())
                return CLI_EXIT_FAILED;
            err_ << change.Refusal() << '\n';
            return CLI_EXIT_USAGE;
        }
        Restore();
        if (!change.Store()) {
            err_ << "caplin-cli: cannot write the " << what << '\n';
            return CLI_EXIT_FAILED;
        }
        return Save();
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

std::string TCliSettingsFile::StoredFolder(const std::string& folder) {
    return Guarded("TCliSettingsFile.StoredFolder", folder, [&] {
        if (folder.empty())
            return folder;
        std::string stored = folder;
        if (folder[0] != '/') {
            std::error_code error;
            const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
            if (!error)
                stored = absolute.lexically_normal().string();
        }
        if (!DirectoryExists(stored))
            missingFolders_.push_back(stored);
        return stored;
    });
}

int ParseAssignments(const std::vector<std::string>& assignments, uint32_t part,
                     std::vector<TSettingInput>& inputs, std::ostream& err,
                     TCliSettingsFile* file) {
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
            std::string text = assignment.substr(equals + 1);
            if (file && value->Form == TValueForm::Folder)
                text = file->StoredFolder(text);
            if (!ParseSettingInput(*value, part, text, input, refusal)) {
                err << refusal << '\n';
                return CLI_EXIT_USAGE;
            }
            inputs.push_back(std::move(input));
        }
        return CLI_EXIT_OK;
    });
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
