// Helpers shared by the command-line tests: output split into lines and the daily files.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/TestSupport.h"

namespace clitest {

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
