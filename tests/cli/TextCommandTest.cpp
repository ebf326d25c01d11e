// caplin-cli text: the lines and the JSON it prints, and its exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/TextCommand.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;
using namespace clitest;

namespace {

std::vector<uint8_t> Block(int number, uint8_t ebn, uint8_t second, uint8_t comment,
                           const std::string& text) {
    std::vector<uint8_t> tti = MakeTti(number, text);
    const uint8_t fields[] = {ebn, 0,  10, 0,      second, 0, 10, 0, uint8_t(second + 1),
                              12,  22, 2,  comment};
    std::copy(std::begin(fields), std::end(fields), tti.begin() + 3);
    return tti;
}

// Teletext: a double-height boxed subtitle of two rows over two blocks, a comment, and one in
// yellow and green with a word in italics.
std::string Sample(const TempDir& dir, const std::string& name) {
    const std::string path = dir.File(name);
    WriteStl(path, MakeGsi(4),
             {Block(1, 0x00, 1, 0,
                    "\x0D\x0B\x0BOne \xC2"
                    "e"),
              Block(1, 0xFF, 1, 0, "t\x0A\x0A\x8A\x8A\x0D\x0B\x0B  two  \x0A\x0A"),
              Block(2, 0xFF, 3, 1, "Note"),
              Block(3, 0xFF, 5, 0, "\x03Yellow\x02green \x80it\x81")});
    return path;
}

int Text(const std::vector<std::string>& files, bool json, std::string& output,
         std::string& errors) {
    std::ostringstream out, err;
    const int status = RunText(files, json, out, err);
    output = out.str();
    errors = err.str();
    return status;
}

TEST(TextCommand, PrintsEachSubtitleAndItsRows) {
    TempDir dir;
    const std::string path = Sample(dir, "a.stl");
    std::string output, errors;
    EXPECT_EQ(Text({path}, false, output, errors), 0);
    EXPECT_EQ(output, "1 10:00:01:00 --> 10:00:02:12\n"
                      "One \xC3\xA9t\n"
                      "two\n"
                      "\n"
                      "2 10:00:03:00 --> 10:00:04:12 (comment)\n"
                      "Note\n"
                      "\n"
                      "3 10:00:05:00 --> 10:00:06:12\n"
                      "Yellow green it\n"
                      "\n");
    EXPECT_EQ(errors, "");
}

TEST(TextCommand, SeveralFilesEachUnderItsPathAndOneMissing) {
    TempDir dir;
    const std::string a = Sample(dir, "a.stl");
    const std::string missing = dir.File("missing.stl");
    const std::string empty = dir.File("empty.stl");
    WriteStl(empty, MakeGsi(0), {});
    std::string output, errors;
    EXPECT_EQ(Text({missing, empty, a}, false, output, errors), 1);
    const std::vector<std::string> lines = Lines(output);
    ASSERT_EQ(lines.size(), 13u) << output;
    EXPECT_EQ(lines[0], "== " + missing);
    EXPECT_EQ(lines[1], "== " + empty);
    EXPECT_EQ(lines[2], "== " + a);
    EXPECT_EQ(lines[3], "1 10:00:01:00 --> 10:00:02:12");
    EXPECT_EQ(errors, "caplin-cli: cannot open STL file " + missing + ": no such file\n");
}

TEST(TextCommand, JsonHasTheSubtitlesRowsAndSpans) {
    TempDir dir;
    const std::string path = Sample(dir, "a.stl");
    std::string output, errors;
    EXPECT_EQ(Text({path, dir.File("missing.stl")}, true, output, errors), 1);
    auto span = [](const std::string& text, const char* colour, bool doubleHeight, bool boxed,
                   bool italic) {
        auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
        return "{\"text\": \"" + text + "\", \"colour\": \"" + colour +
               "\", \"double_height\": " + flag(doubleHeight) + ", \"boxed\": " + flag(boxed) +
               ", \"italic\": " + flag(italic) + ", \"underline\": false}";
    };
    // clang-format off
    EXPECT_EQ(output,
        "[\n"
        "  {\n"
        "    \"file\": \"" + path + "\",\n"
        "    \"character_table\": \"00\",\n"
        "    \"display_standard\": \"1\",\n"
        "    \"subtitles\": [\n"
        "      {\"number\": 1, \"in\": \"10:00:01:00\", \"out\": \"10:00:02:12\", "
        "\"vertical_position\": 22, \"justification\": 2, \"comment\": false, \"rows\": [[" +
        span("One \xC3\xA9t", "white", true, true, false) + "], [" +
        span("two", "white", true, true, false) + "]]},\n"
        "      {\"number\": 2, \"in\": \"10:00:03:00\", \"out\": \"10:00:04:12\", "
        "\"vertical_position\": 22, \"justification\": 2, \"comment\": true, \"rows\": [[" +
        span("Note", "white", false, false, false) + "]]},\n"
        "      {\"number\": 3, \"in\": \"10:00:05:00\", \"out\": \"10:00:06:12\", "
        "\"vertical_position\": 22, \"justification\": 2, \"comment\": false, \"rows\": [[" +
        span("Yellow", "yellow", false, false, false) + ", " +
        span(" green ", "green", false, false, false) + ", " +
        span("it", "green", false, false, true) + "]]}\n"
        "    ]\n"
        "  }\n"
        "]\n");
    // clang-format on
}

// Every real file that opens, and files of every table and of odd bytes, give a document a
// strict parser reads.
TEST(TextCommand, JsonParsesForEveryFile) {
    if (std::system("python3 -c '' 2>/dev/null") != 0)
        GTEST_SKIP() << "no python3 to parse the JSON with";
    TempDir dir;
    std::vector<std::string> files;
    for (const auto& path : RealStlFiles())
        files.push_back(path.string());
    const char* tables[] = {"00", "01", "02", "03", "04", "9\x01"};
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += char(b == 0x8F ? 0x20 : b);
    for (const char* table : tables) {
        std::vector<uint8_t> gsi = MakeGsi(3);
        SetField(gsi, 12, 2, table);
        const std::string path = dir.File(std::string("table ") + table + "\"\\.stl");
        WriteStl(path, gsi,
                 {Block(1, 0x00, 1, 0, everyByte.substr(0, 112)),
                  Block(1, 0xFF, 1, 0, everyByte.substr(112, 112)),
                  Block(2, 0xFF, 3, 0, everyByte.substr(224))});
        files.push_back(path);
    }
    std::string output, errors;
    Text(files, true, output, errors);
    const std::string json = dir.File("out.json");
    WriteText(json, output);
    EXPECT_EQ(std::system(("python3 -m json.tool '" + json + "' >/dev/null").c_str()), 0)
        << output.substr(0, 2000);
}

TEST(TextCommand, CommandLine) {
    TempDir dir;
    const std::string path = Sample(dir, "a.stl");
    std::ostringstream out, err;
    EXPECT_EQ(RunCliArgs({"text", path}, out, err), 0);
    EXPECT_EQ(Lines(out.str()).at(0), "1 10:00:01:00 --> 10:00:02:12");
    std::ostringstream help, helpErr;
    EXPECT_EQ(RunCliArgs({"--help"}, help, helpErr), 0);
    EXPECT_NE(help.str().find("text"), std::string::npos);
    std::ostringstream none, noneErr;
    EXPECT_EQ(RunCliArgs({"text", "--json"}, none, noneErr), 2);
}

} // namespace
