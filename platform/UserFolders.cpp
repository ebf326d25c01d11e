#include "platform/UserFolders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::string GetHomePath() {
    return Guarded("GetHomePath", std::string(), [] {
        std::string home = Environment("HOME");
        if (home.empty())
            if (const passwd* user = ::getpwuid(::getuid()))
                home = user->pw_dir;
        return home;
    });
}

std::string GetDefaultLogsPath() {
    return Guarded("GetDefaultLogsPath", std::string(), [] {
        std::string state = Environment("XDG_STATE_HOME");
        if (state.empty()) {
            const std::string home = GetHomePath();
            // An account without a home folder (a bare service user) keeps the old place.
            if (home.empty())
                return GetTmpPath();
            state = IncludeTrailingSlash(home) + ".local/state";
        }
        return IncludeTrailingSlash(state) + "caplin/logs/";
    });
}

bool ForceDirectories(const std::string& folder) {
    return Guarded("ForceDirectories", false, [&] {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        return std::filesystem::is_directory(folder, error);
    });
}
