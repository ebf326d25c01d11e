// Helpers shared by the command-line tests: a settings file of the test's own, the command
// line run in-process, output split into lines and the daily files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliApp.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"

namespace clitest {

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
