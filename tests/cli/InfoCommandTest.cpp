#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/CliApp.h"
#include "cli/InfoCommand.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;
using namespace clitest;

namespace {

// "Info 3nn: GSI - ..." lines in code order, each with its field name.
void ExpectGsiInfoLines(const std::vector<std::string>& lines, size_t first) {
    ASSERT_GE(lines.size(), first + 29);
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(lines[first + size_t(i)].rfind("Info " + std::to_string(301 + i) + ": GSI - ", 0),
                  0u)
            << lines[first + size_t(i)];
}

int Info(const std::vector<std::string>& files, std::string& output,
         std::string* errors = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunInfo(files, out, err);
    output = out.str();
    if (errors)
        *errors = err.str();
    return status;
}

TEST(InfoCommand, EveryRealFile) {
    REQUIRE_REAL_STL_FILES();
    const auto rows = LoadRealFileList();
    ASSERT_FALSE(rows.empty());
    int opened = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Path);
        std::string output;
        const int status = Info({row.Path}, output);
        const auto lines = Lines(output);
        if (!row.ExpectOpen()) {
            EXPECT_EQ(status, 1);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back().rfind("Error ", 0), 0u);
            continue;
        }
        ++opened;
        EXPECT_EQ(status, 0);
        ASSERT_EQ(lines.size(), 30u);
        ExpectGsiInfoLines(lines, 0);
        EXPECT_EQ(lines[0], "Info 301: GSI - Code Page Number : " + row.CodePage);
        EXPECT_EQ(lines[1], "Info 302: GSI - Disk Format Code : " + row.DiskFormatCode);
        EXPECT_EQ(lines[4], "Info 305: GSI - Language Code : " + row.LanguageCode);
        EXPECT_EQ(lines[29], "TTI blocks: " + std::to_string(row.ExpectedCount()));
    }
    EXPECT_GT(opened, 100);
}

// Standard output keeps the reader's report lines; standard error names the file with the
// reason in a user's words, also where the reader reports nothing (a missing file, an
// unreadable count), so the operator is not left guessing.
TEST(InfoCommand, BadFilesPrintTheirErrorsAndTheReason) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    struct {
        const char* Name;
        std::string Path;
        std::string Last; // empty: no line on standard output
        size_t LineCount;
        std::string Reason;
    } cases[] = {
        {"truncated GSI", DataFile("truncated-gsi.stl"),
         "Error 202: Insufficient data reading the General Subtitle Information block", 1,
         "not an EBU STL file"},
        {"bad disk format code", DataFile("disk-format-code-invalid.stl"),
         "Error 203: Invalid STL file Disk Format Code", 1, "not an EBU STL file"},
        {"count exceeds size", DataFile("count-exceeds-size.stl"),
         "Error 401: Invalid STL file size and Text And Timing Information records count", 30,
         "shorter than the block count of its header"},
        {"count not numeric", DataFile("count-not-numeric.stl"), "", 0, "not an EBU STL file"},
        {"missing file", DataFile("no-such-file.stl"), "", 0, "no such file"},
        {"folder", folder, "Error 201: Cannot load STL file.", 1, "is a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string output;
        std::string errors;
        EXPECT_EQ(Info({c.Path}, output, &errors), 1);
        const auto lines = Lines(output);
        ASSERT_EQ(lines.size(), c.LineCount);
        if (!lines.empty()) {
            EXPECT_EQ(lines.back(), c.Last);
        }
        if (c.LineCount == 30)
            ExpectGsiInfoLines(lines, 0);
        EXPECT_EQ(errors, "caplin-cli: cannot open STL file " + c.Path + ": " + c.Reason + "\n");
    }
}

TEST(InfoCommand, SeveralFilesAreHeadedByTheirPaths) {
    TempDir dir;
    const std::string good = dir.File("good.stl");
    WriteStl(good, MakeGsi(2), {MakeTti(1, "One"), MakeTti(2, "Two")});
    const std::string bad = DataFile("disk-format-code-invalid.stl");

    std::string output;
    EXPECT_EQ(Info({good, bad, good}, output), 1);
    const auto lines = Lines(output);
    ASSERT_EQ(lines.size(), 1 + 30 + 1 + 1 + 1 + 30u);
    EXPECT_EQ(lines[0], "== " + good);
    ExpectGsiInfoLines(lines, 1);
    EXPECT_EQ(lines[30], "TTI blocks: 2");
    EXPECT_EQ(lines[31], "== " + bad);
    EXPECT_EQ(lines[32], "Error 203: Invalid STL file Disk Format Code");
    EXPECT_EQ(lines[33], "== " + good);
    EXPECT_EQ(lines[63], "TTI blocks: 2");

    EXPECT_EQ(Info({good, good}, output), 0);
}

TEST(InfoCommand, FieldBytesArePrintedUnconverted) {
    TempDir dir;
    const std::string path = dir.File("cp850.stl");
    auto gsi = MakeGsi(1);
    SetField(gsi, 16, 32, "Caf\x82 \xe9t\xe9");
    WriteStl(path, gsi, {MakeTti(1, "One")});
    std::string output;
    ASSERT_EQ(Info({path}, output), 0);
    EXPECT_EQ(Lines(output)[5], "Info 306: GSI - Original Programme Title : Caf\x82 \xe9t\xe9");
}

// ---------------------------------------------------------------------------------------
// The whole command line.

struct TCliCase {
    const char* Name;
    std::vector<std::string> Args; // after the program name
    int Status;
    std::string OutContains;
    std::string ErrContains;
};

void PrintTo(const TCliCase& c, std::ostream* os) {
    *os << c.Name;
}

class CommandLine : public ::testing::TestWithParam<TCliCase> {};

TEST_P(CommandLine, ExitStatusAndOutput) {
    const TCliCase& c = GetParam();
    std::ostringstream out, err;
    EXPECT_EQ(RunCliArgs(c.Args, out, err), c.Status);
    EXPECT_NE(out.str().find(c.OutContains), std::string::npos) << out.str();
    EXPECT_NE(err.str().find(c.ErrContains), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLine,
    ::testing::Values(
        TCliCase{"NoSubcommand", {}, 2, "", "A subcommand is required"},
        TCliCase{"UnknownSubcommand", {"frobnicate"}, 2, "", ""},
        TCliCase{"InfoWithoutFile", {"info"}, 2, "", "FILE is required"},
        TCliCase{"UnknownOption", {"info", "--bogus", "a.stl"}, 2, "", ""},
        TCliCase{"Help", {"--help"}, 0, "Caplin", ""},
        TCliCase{"Version", {"--version"}, 0, "caplin-cli " CAPLIN_VERSION "\n", ""},
        TCliCase{"InfoHelp", {"info", "--help"}, 0, "FILE", ""},
        TCliCase{"InfoSizeError",
                 {"info", std::string(CAPLIN_SOURCE_DIR) + "/tests/data/count-exceeds-size.stl"},
                 1,
                 "Error 401",
                 ""},
        TCliCase{"InfoTruncated",
                 {"info", std::string(CAPLIN_SOURCE_DIR) + "/tests/data/truncated-gsi.stl"},
                 1,
                 "Error 202",
                 ""}),
    [](const auto& c) { return std::string(c.param.Name); });

TEST(CommandLineRun, InfoOnAGoodFileSucceeds) {
    TempDir dir;
    const std::string path = dir.File("good.stl");
    WriteStl(path, MakeGsi(1), {MakeTti(1, "One")});
    const char* argv[] = {"caplin-cli", "info", path.c_str()};
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(3, argv, out, err), 0);
    EXPECT_EQ(Lines(out.str()).back(), "TTI blocks: 1");
    EXPECT_EQ(err.str(), "");
}

} // namespace
