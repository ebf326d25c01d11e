#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliApp.h"
#include "cli/JsonText.h"
#include "cli/QcCommand.h"
#include "qc/QualityCheck.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
using namespace clitest;

namespace {

// A file the checker has nothing to say about: subtitles one second apart, each shown for
// half a second, left-justified in row 20 of a teletext page.
std::vector<uint8_t> CleanStl(int subtitles) {
    std::vector<uint8_t> bytes = MakeGsi(subtitles);
    for (int n = 1; n <= subtitles; ++n) {
        std::vector<uint8_t> tti = MakeTti(n, "Line " + std::to_string(n));
        const uint8_t times[8] = {10, 0, uint8_t(n), 0, 10, 0, uint8_t(n), 12};
        std::copy(std::begin(times), std::end(times), tti.begin() + 5);
        tti[13] = 20; // vertical position
        tti[14] = 1;  // justification: left
        tti[15] = 0;  // not a comment
        bytes.insert(bytes.end(), tti.begin(), tti.end());
    }
    return bytes;
}

// Files of each kind in one folder: clean, with warnings only, with errors, missing.
struct TQcFiles {
    TempDir Dir;
    std::string Clean = Dir.File("clean.stl");
    std::string Warned = Dir.File("warned.stl");
    std::string Faulty = Dir.File("faulty.stl");
    std::string Missing = Dir.File("missing.stl");

    TQcFiles() {
        WriteBytes(Clean, CleanStl(3));
        // A header that counts fewer blocks than the file holds is suspicious, not wrong.
        std::vector<uint8_t> warned = CleanStl(3);
        SetField(warned, 238, 5, "00002");
        SetField(warned, 243, 5, "00002");
        WriteBytes(Warned, warned);
        std::vector<uint8_t> faulty = CleanStl(3);
        SetField(faulty, 0, 3, "123");
        faulty[1024 + 128 + 14] = 9; // justification code of block 2
        WriteBytes(Faulty, faulty);
    }
};

int Qc(const std::vector<std::string>& files, bool json, std::string& output) {
    std::ostringstream out;
    const int status = RunQc(files, json, out);
    output = out.str();
    return status;
}

// What the operator reads of one file: its findings, then its summary.
std::string ExpectedText(const std::string& path, bool withHeader) {
    const TQcReport report = CheckSTLFile(path);
    std::string text = withHeader ? "== " + path + "\n" : "";
    for (const TQcFinding& finding : report.Findings)
        text += FormatQcFinding(finding) + "\n";
    return text + QcSummary(report) + "\n";
}

TEST(QcCommand, ReportsFindingsThenASummaryPerFile) {
    TQcFiles files;
    ASSERT_TRUE(CheckSTLFile(files.Clean).Findings.empty()) << "the clean file has findings";
    std::string output;
    EXPECT_EQ(Qc({files.Clean}, false, output), 0);
    EXPECT_EQ(output, "no findings\n"); // one file: no header, and never silence

    EXPECT_EQ(Qc({files.Faulty}, false, output), 1);
    EXPECT_EQ(output.rfind("Error CPN: ", 0), 0u) << output;
    EXPECT_NE(output.find("\nError JC block 2: "), std::string::npos) << output;
    EXPECT_EQ(output, ExpectedText(files.Faulty, false));

    // A missing file is one finding of its own, and the files after it are still checked.
    EXPECT_EQ(Qc({files.Warned, files.Missing, files.Clean}, false, output), 1);
    EXPECT_NE(output.find("\nError file: "), std::string::npos) << output;
    EXPECT_EQ(output, ExpectedText(files.Warned, true) + ExpectedText(files.Missing, true) +
                          ExpectedText(files.Clean, true));
}

// An ASCII text as a JSON string: the checker's texts quote the values they found.
std::string Quoted(const std::string& text) {
    std::string json = "\"";
    for (char c : text)
        json += c == '"' ? std::string("\\\"") : std::string(1, c);
    return json + '"';
}

TEST(QcCommand, JsonHasAnEntryPerFileWithEscapedTexts) {
    TQcFiles files;
    // A path with a quote and a control character, named as it was given.
    const std::string odd = files.Dir.File("say \"hi\"\x01.stl");
    WriteBytes(odd, CleanStl(1));
    const TQcReport faulty = CheckSTLFile(files.Faulty);
    const TQcReport missing = CheckSTLFile(files.Missing);
    ASSERT_EQ(faulty.Findings.size(), 2u);
    ASSERT_EQ(missing.Findings.size(), 1u);

    std::string output;
    EXPECT_EQ(Qc({files.Faulty, files.Missing, odd}, true, output), 1);
    // clang-format off
    EXPECT_EQ(output,
        "[\n"
        "  {\n"
        "    \"file\": " + Quoted(files.Faulty) + ",\n"
        "    \"errors\": 2,\n"
        "    \"warnings\": 0,\n"
        "    \"findings\": [\n"
        "      {\"severity\": \"Error\", \"field\": \"CPN\", \"block\": null, \"text\": " +
                Quoted(faulty.Findings[0].Text) + "},\n"
        "      {\"severity\": \"Error\", \"field\": \"JC\", \"block\": 2, \"text\": " +
                Quoted(faulty.Findings[1].Text) + "}\n"
        "    ]\n"
        "  },\n"
        "  {\n"
        "    \"file\": " + Quoted(files.Missing) + ",\n"
        "    \"errors\": 1,\n"
        "    \"warnings\": 0,\n"
        "    \"findings\": [\n"
        "      {\"severity\": \"Error\", \"field\": \"file\", \"block\": null, \"text\": " +
                Quoted(missing.Findings[0].Text) + "}\n"
        "    ]\n"
        "  },\n"
        "  {\n"
        "    \"file\": \"" + files.Dir.Path().string() + "/say \\\"hi\\\"\\u0001.stl\",\n"
        "    \"errors\": 0,\n"
        "    \"warnings\": 0,\n"
        "    \"findings\": []\n"
        "  }\n"
        "]\n");
    // clang-format on
}

struct TJsonCase {
    const char* Name;
    std::string Bytes;
    std::string Json;
};

class JsonStringTest : public ::testing::TestWithParam<TJsonCase> {};

TEST_P(JsonStringTest, EscapesWhatJsonForbidsAndKeepsValidUtf8) {
    EXPECT_EQ(JsonString(GetParam().Bytes), GetParam().Json);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, JsonStringTest,
    ::testing::Values(TJsonCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                      TJsonCase{"ControlCharacters", std::string("\x01\n\x1f\0", 4),
                                "\"\\u0001\\u000a\\u001f\\u0000\""},
                      TJsonCase{"ValidUtf8", "Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                                "\"Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
                      TJsonCase{"LoneContinuation", "\x80", "\"\xef\xbf\xbd\""},
                      TJsonCase{"Overlong", "\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
                      TJsonCase{"Surrogate", "\xed\xa0\x80",
                                "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
                      TJsonCase{"AboveU10FFFF", "\xf4\x90\x80\x80x",
                                "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdx\""},
                      TJsonCase{"CutShortAtTheEnd", "a\xe2\x82", "\"a\xef\xbf\xbd\xef\xbf\xbd\""}),
    [](const auto& c) { return std::string(c.param.Name); });

// The whole command line: what the tests above leave, and usage.
struct TQcCliCase {
    const char* Name;
    std::vector<std::string> Args; // after the program; "warned", "faulty" name those files
    int Status;
    std::string OutContains;
    std::string ErrContains;
};

class QcCommandLine : public ::testing::TestWithParam<TQcCliCase> {};

TEST_P(QcCommandLine, ExitStatus) {
    const TQcCliCase& c = GetParam();
    TQcFiles files;
    std::vector<std::string> args;
    for (const std::string& arg : c.Args)
        args.push_back(arg == "warned" ? files.Warned : arg == "faulty" ? files.Faulty : arg);
    std::ostringstream out, err;
    EXPECT_EQ(RunCliArgs(args, out, err), c.Status);
    EXPECT_NE(out.str().find(c.OutContains), std::string::npos) << out.str();
    EXPECT_NE(err.str().find(c.ErrContains), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, QcCommandLine,
    ::testing::Values(TQcCliCase{"WarningsOnly", {"qc", "warned"}, 0, "Warning TN", ""},
                      TQcCliCase{
                          "JsonWithErrors", {"qc", "--json", "faulty"}, 1, "\"errors\": 2", ""},
                      TQcCliCase{"NoFile", {"qc"}, 2, "", "FILE is required"},
                      TQcCliCase{"UnknownOption", {"qc", "--bogus", "warned"}, 2, "", "--bogus"},
                      TQcCliCase{"Help", {"qc", "--help"}, 0, "--json", ""},
                      TQcCliCase{"ListedInTheHelp", {"--help"}, 0, "\n  qc ", ""}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
