// The findings on every real STL file beside the project, against golden_findings.txt.
// CAPLIN_UPDATE_GOLDEN=1 writes the file anew from this build; review the diff before
// committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "qc/QualityCheck.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;

namespace {

constexpr size_t kMaxLinesPerFile = 50;

// Each file's path relative to the testdata folder, and its finding lines.
using TFileLines = std::map<std::string, std::vector<std::string>>;

std::string GoldenPath() {
    return std::string(CAPLIN_SOURCE_DIR) + "/tests/qc/golden_findings.txt";
}

TFileLines Findings() {
    const std::filesystem::path root = RealStlFolder().parent_path();
    TFileLines files;
    for (const TRealFile& row : LoadRealFileList()) {
        const TQcReport report = CheckSTLFile(row.Path);
        auto& lines = files[std::filesystem::relative(row.Path, root).string()];
        for (size_t i = 0; i < report.Findings.size() && i < kMaxLinesPerFile; ++i)
            lines.push_back(FormatQcFinding(report.Findings[i]));
        if (report.Findings.size() > kMaxLinesPerFile)
            lines.push_back("... " + std::to_string(report.Findings.size()) + " findings in all");
    }
    return files;
}

std::string Render(const TFileLines& files) {
    std::string text = "# Quality check findings on ../shared/testdata (tests/qc/"
                       "GoldenFindingsTest.cpp)\n";
    for (const auto& [path, lines] : files) {
        text += path + "\n";
        for (const std::string& line : lines)
            text += "    " + line + "\n";
    }
    return text;
}

TFileLines Parse(const std::string& text) {
    TFileLines files;
    std::istringstream in(text);
    std::vector<std::string>* lines = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("    ", 0) == 0 && lines != nullptr)
            lines->push_back(line.substr(4));
        else if (!line.empty() && line[0] != '#')
            lines = &files[line];
    }
    return files;
}

// File by file, the lines recorded ("- ") and found now ("+ ") where the two differ.
std::string Diff(const TFileLines& golden, const TFileLines& now) {
    std::string diff;
    auto side = [&](const TFileLines& from, const TFileLines& to, const char* mark) {
        for (const auto& [path, lines] : from) {
            const auto other = to.find(path);
            if (other != to.end() && other->second == lines)
                continue;
            diff += path + "\n";
            for (const std::string& line : lines)
                diff += std::string(mark) + line + "\n";
        }
    };
    side(golden, now, "- ");
    side(now, golden, "+ ");
    return diff;
}

TEST(QcGolden, RealFilesGiveTheRecordedFindings) {
    REQUIRE_REAL_STL_FILES();
    const TFileLines now = Findings();
    const char* update = std::getenv("CAPLIN_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        WriteText(GoldenPath(), Render(now));
        GTEST_SKIP() << "wrote " << GoldenPath();
    }
    const TFileLines golden = Parse(ReadText(GoldenPath()));
    EXPECT_TRUE(golden == now) << Diff(golden, now);
}

} // namespace
