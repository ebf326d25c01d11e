// Helpers shared by the command-line tests: a settings file of the test's own, the command
// line run in-process, output split into lines and the daily files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <ostream>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliApp.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

extern char** environ;

namespace clitest {

// The built caplin-cli.
inline std::string CliProgram() {
    return std::string(CAPLIN_BINARY_DIR) + "/bin/caplin-cli";
}

// Starts `caplin-cli watch` as a shell or systemd would: nothing blocked, SIGINT and SIGTERM
// at their defaults. Its environment is this process's without the variables named in drop,
// then add. Standard output goes to outFd unless it is -1, else to outFile; standard error to
// errFile. Throws when it cannot start.
inline pid_t SpawnWatch(const std::vector<std::string>& add, const std::vector<std::string>& drop,
                        int outFd, const std::string& outFile, const std::string& errFile) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (std::find(drop.begin(), drop.end(), entry.substr(0, entry.find('='))) == drop.end())
            env.push_back(entry);
    }
    env.insert(env.end(), add.begin(), add.end());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = CliProgram();
    std::string command = "watch";
    char* argv[] = {program.data(), command.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd != -1)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &stops);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (failed != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

// caplin-cli with args (the program name is put first), in this process.
inline int RunCliArgs(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
    args.insert(args.begin(), "caplin-cli");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
}

// A test with a settings file of its own: CAPLIN_REGISTRY names "registry.reg" in the test's
// folder until the test ends; then it and every variable set with SetEnv are put back, and
// the store is emptied.
class TSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = dir.File("registry.reg");
        SetEnv("CAPLIN_REGISTRY", registry);
    }
    void TearDown() override {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? setenv(it->first.c_str(), it->second->c_str(), 1)
                       : unsetenv(it->first.c_str());
        TSettingsStore::Global().Clear();
    }

    void SetEnv(const char* name, const std::string& value) {
        const char* previous = std::getenv(name);
        saved_.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }

    testsupport::TempDir dir;
    std::string registry;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line))
        lines.push_back(line);
    return lines;
}

// Today's date as the daily files name it: 2011_05_03.
inline std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[48];
    std::snprintf(text, sizeof text, "%.4d_%.2d_%.2d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return text;
}

// The lines of a daily file without their timestamps; every line must end in CR LF.
inline std::vector<std::string> DailyLines(const std::string& path) {
    static const std::regex timestamped(
        R"(^\d{4}-\d{2}-\d{2}( \d{2}:\d{2}:\d{2})? (- |: )(.*)\r$)");
    std::vector<std::string> texts;
    for (const std::string& line : Lines(testsupport::ReadText(path))) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, timestamped)) << line;
        texts.push_back(match[3]);
    }
    return texts;
}

} // namespace clitest
