// One program for the window's test classes, on one application object. A class name as the
// first argument runs that class alone (the rest are Qt Test's options); without one every
// class runs in turn.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <QApplication>

int RunCaplinFormTest(int argc, char** argv);
int RunCaplinProcessTest(int argc, char** argv);
int RunBatchPageTest(int argc, char** argv);
int RunPagesLayoutTest(int argc, char** argv);
int RunBadInputTest(int argc, char** argv);
int RunWatchFolderPageTest(int argc, char** argv);
int RunPlaylistCheckPageTest(int argc, char** argv);
int RunDialogsTest(int argc, char** argv);
int RunSettingsCommandsTest(int argc, char** argv);
int RunSubtitleViewerTest(int argc, char** argv);

namespace {

struct TTestClass {
    const char* Name;
    int (*Run)(int argc, char** argv);
};

constexpr TTestClass kClasses[] = {{"CaplinFormTest", &RunCaplinFormTest},
                                   {"CaplinProcessTest", &RunCaplinProcessTest},
                                   {"BatchPageTest", &RunBatchPageTest},
                                   {"PagesLayoutTest", &RunPagesLayoutTest},
                                   {"BadInputTest", &RunBadInputTest},
                                   {"WatchFolderPageTest", &RunWatchFolderPageTest},
                                   {"PlaylistCheckPageTest", &RunPlaylistCheckPageTest},
                                   {"DialogsTest", &RunDialogsTest},
                                   {"SettingsCommandsTest", &RunSettingsCommandsTest},
                                   {"SubtitleViewerTest", &RunSubtitleViewerTest}};

// Window tests point these into folders they remove; each class starts from the original.
constexpr const char* kTestEnvironment[] = {"TMPDIR", "XDG_STATE_HOME", "CAPLIN_REGISTRY"};

// A first argument ending in "Test" names a class; test functions are named otherwise.
bool NamesClass(const char* argument) {
    const std::string_view text(argument);
    return text.size() > 4 && text.front() != '-' && text.ends_with("Test");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : kTestEnvironment)
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                        : std::nullopt);
    auto restoreEnvironment = [&] {
        for (size_t i = 0; i < saved.size(); ++i)
            if (saved[i])
                qputenv(kTestEnvironment[i], *saved[i]);
            else
                qunsetenv(kTestEnvironment[i]);
    };

    if (argc > 1 && NamesClass(argv[1])) {
        for (const TTestClass& test : kClasses)
            if (std::strcmp(test.Name, argv[1]) == 0) {
                // Qt Test sees the program name and the options after the class name.
                std::vector<char*> args{argv[0]};
                args.insert(args.end(), argv + 2, argv + argc);
                return test.Run(static_cast<int>(args.size()), args.data());
            }
        std::fprintf(stderr, "Unknown test class %s; the classes are:\n", argv[1]);
        for (const TTestClass& test : kClasses)
            std::fprintf(stderr, "  %s\n", test.Name);
        return 2;
    }
    int failures = 0;
    for (const TTestClass& test : kClasses) {
        restoreEnvironment();
        failures += test.Run(argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
