#include "ui/WindowCommandLine.h"

#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/Trace.h"
#include "platform/UserFolders.h"

namespace {

constexpr const char* kUsage =
    "Usage: caplin [--help] [--version] [Qt options such as -platform NAME or -style NAME]\n";

// Qt's own options, which QApplication takes out of the arguments itself, one or two dashes
// before each.
constexpr std::string_view kQtOptionsWithValue =
    " platform platformpluginpath platformtheme plugin qwindowgeometry geometry qwindowtitle"
    " title qwindowicon icon session style stylesheet display name qmljsdebugger ";
constexpr std::string_view kQtFlags = " reverse widgetcount nograb dograb sync ";

bool Lists(std::string_view names, std::string_view name) {
    return !name.empty() && names.find(" " + std::string(name) + " ") != std::string_view::npos;
}

void PrintHelp(std::ostream& out) {
    out << kUsage
        << "\nThe Caplin window: prepares EBU STL subtitle files for broadcast playout (Batch,\n"
           "Watch Folder; the playlist check runs with caplin-cli check-playlists). One window\n"
           "runs per user; SIGTERM or SIGINT close it as Exit does, saving every setting. The\n"
           "command line beside it is caplin-cli.\n"
           "\nOptions:\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n"
           "\nEnvironment:\n"
           "  CAPLIN_REGISTRY   the settings file to use, instead of the one below\n"
           "  CAPLIN_TRACE      where the debug trace goes: \"stderr\", or a file to append\n"
           "                    to; unset, the system log (journalctl -t caplin)\n"
           "  XDG_CONFIG_HOME   the settings file is $XDG_CONFIG_HOME/caplin/registry.reg\n"
           "                    (unset: ~/.config/caplin/registry.reg)\n"
           "  XDG_STATE_HOME    the daily log and message files go to\n"
           "                    $XDG_STATE_HOME/caplin/logs/ unless a folder is chosen\n"
           "                    (unset: ~/.local/state/caplin/logs/)\n"
           "  XDG_RUNTIME_DIR   holds Caplin.lock, the one-window-per-user lock\n"
           "                    (unset: /tmp/Caplin-<uid>.lock)\n"
           "  TMPDIR            the temporary folder (unset: /tmp); the settings are saved\n"
           "                    there when the settings file cannot be written\n"
           "\nIn effect now:\n"
        << "  settings file       " << TSettingsStore::DefaultPath() << '\n'
        << "  default log folder  " << GetDefaultLogsPath() << '\n';
}

// The option's name without its one or two leading dashes and any "=value"; empty for an
// argument that is not an option.
std::string_view OptionName(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '-')
        return {};
    argument.remove_prefix(argument[1] == '-' ? 2 : 1);
    return argument.substr(0, argument.find('='));
}

} // namespace

std::optional<int> HandleWindowArguments(int argc, const char* const* argv, std::ostream& out,
                                         std::ostream& err) {
    return Guarded("HandleWindowArguments", std::optional<int>(), [&]() -> std::optional<int> {
        for (int i = 1; i < argc; ++i) {
            const std::string_view argument = argv[i];
            if (argument == "--help" || argument == "-h") {
                PrintHelp(out);
                return 0;
            }
            if (argument == "--version") {
                out << "caplin " << CAPLIN_VERSION << '\n';
                return 0;
            }
            const std::string_view name = OptionName(argument);
            if (Lists(kQtFlags, name) ||
                (Lists(kQtOptionsWithValue, name) && argument.find('=') != std::string_view::npos))
                continue;
            if (Lists(kQtOptionsWithValue, name) && i + 1 < argc) {
                ++i;
                continue;
            }
            err << "caplin: unknown argument " << argument << '\n' << kUsage;
            return 2;
        }
        return std::nullopt;
    });
}
