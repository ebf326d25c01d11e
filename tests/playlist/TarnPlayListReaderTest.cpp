// The playlist reader: the record format, duplicates, and input that is not a playlist.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "playlist/TarnPlayListReader.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

struct Clip {
    std::string TapeID;
    std::string FileName;
    double Duration;
};

std::vector<Clip> Items(const TTarnPlayListReader& reader) {
    std::vector<Clip> clips;
    for (int32_t i = 0; i < reader.ItemCount(); ++i) {
        Clip clip;
        EXPECT_TRUE(reader.GetItem(i, clip.FileName, clip.TapeID, clip.Duration));
        clips.push_back(clip);
    }
    return clips;
}

void ExpectClips(const std::vector<Clip>& actual, const std::vector<Clip>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].TapeID, expected[i].TapeID) << "item " << i;
        EXPECT_EQ(actual[i].FileName, expected[i].FileName) << "item " << i;
        EXPECT_DOUBLE_EQ(actual[i].Duration, expected[i].Duration) << "item " << i;
    }
}

struct FormatCase {
    const char* Name;
    std::string Content;
    std::vector<Clip> Expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.Name;
}

const FormatCase kFormatCases[] = {
    {"TwoRecords",
     "#TAPEID T0012345\n\"CLIP_A\";0.00;1500.00\n#TAPEID T0012346\n\"CLIP_B\";1500.00;1530.00\n",
     {{"T0012345", "CLIP_A", 1500.0}, {"T0012346", "CLIP_B", 30.0}}},
    {"CrLfLineEnds", "#TAPEID T1\r\n\"A\";1;4\r\n", {{"T1", "A", 3.0}}},
    {"NoFinalLineEnd", "#TAPEID T1\n\"A\";1;4", {{"T1", "A", 3.0}}},
    {"OutTimeNotANumber", "#TAPEID T1\n\"A\";12.5;abc\n", {{"T1", "A", -12.5}}},
    {"QuotedNameOnly", "#TAPEID T1\n\"A\"\n", {{"T1", "A", 0.0}}},
    {"OutTimeMissing", "#TAPEID T1\n\"A\";3\n", {{"T1", "A", -3.0}}},
    {"TimesTrimmedFurtherFieldsIgnored", "#TAPEID T1\n\"A\";  1.5 ; 4 ;x;y\n", {{"T1", "A", 2.5}}},
    {"CommaIsNoDecimalSeparator", "#TAPEID T1\n\"A\";0;2,5\n", {{"T1", "A", 0.0}}},
    {"NameKeepsInnerQuotesAndBlanks", "#TAPEID T1\n\" a\"b \";0;1\n", {{"T1", " a\"b ", 1.0}}},
    {"LoneQuoteGivesEmptyName", "#TAPEID T1\n\";0;1\n", {{"T1", "", 1.0}}},
    {"TwoClipLinesAfterOneTapeID", "#TAPEID T1\n\"A\";0;1\n\"B\";0;2\n", {{"T1", "A", 1.0}}},
    {"TwoTapeIDLinesBeforeOneClip", "#TAPEID T1\n#TAPEID T2\n\"A\";0;1\n", {{"T1", "A", 1.0}}},
    {"DuplicateNameInOtherCaseAndBlanks",
     "#TAPEID T1\n\"clip_a\";0;1\n#TAPEID T2\n\" CLIP_A \";0;2\n",
     {{"T1", "clip_a", 1.0}}},
    {"EmptyAndOtherLinesBeforeClipSkipped",
     "#TAPEID T1\n\nremark\n  \"indented\n\"A\";0;1\n",
     {{"T1", "A", 1.0}}},
    {"NoTapeIDLine", "\"A\";0;1\n\"B\";0;1\n", {}},
    {"ClipBeforeFirstTapeIDIgnored", "\"A\";0;1\n#TAPEID T1\n\"B\";0;2\n", {{"T1", "B", 2.0}}},
    {"TapeIDWithoutClipGivesNothing",
     "#TAPEID T1\n\"A\";0;1\n#TAPEID T2\nremark\n",
     {{"T1", "A", 1.0}}},
    {"TapeIDNotTrimmed", "#TAPEID  T1 \t\n\"A\";0;1\n", {{" T1 \t", "A", 1.0}}},
    {"MarkerAnywhereTapeIDFromNinthCharacter", "xx #TAPEID T1\n\"A\";0;1\n", {{"ID T1", "A", 1.0}}},
    {"ShortTapeIDLinesGiveEmptyTapeID",
     "#TAPEID\n\"A\";0;1\n#TAPEID \n\"B\";0;1\n",
     {{"", "A", 1.0}, {"", "B", 1.0}}},
    {"LowerCaseMarkerIsNoTapeIDLine", "#tapeid T1\n\"A\";0;1\n", {}},
    {"MarkerInClipLineWhileSeekingTapeID",
     "\"#TAPEID X\";0;1\n\"A\";0;1\n",
     {{" X\";0;1", "A", 1.0}}},
    {"CrOnlyLineEndsAreOneLine", "#TAPEID T1\r\"A\";0;1\r", {}},
    {"LoneCrStaysInTheLine", "#TAPEID T1\r\r\n\"A\";0;1\n", {{"T1\r", "A", 1.0}}},
    {"NulBytesAreCharacters",
     std::string("#TAPEID T\0X\n\"A\0B\";0;1\n", 21),
     {{std::string("T\0X", 3), std::string("A\0B", 3), 1.0}}},
};

class Format : public ::testing::TestWithParam<FormatCase> {
protected:
    TempDir dir;
};

TEST_P(Format, GivesTheExpectedItems) {
    const std::string path = dir.File("list.ply");
    WriteText(path, GetParam().Content);
    TTarnPlayListReader reader;
    TraceCapture trace;
    ASSERT_TRUE(reader.LoadFile(path));
    ExpectClips(Items(reader), GetParam().Expected);
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(PlaylistReader, Format, ::testing::ValuesIn(kFormatCases),
                         [](const auto& test) { return std::string(test.param.Name); });

class Reader : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = dir.File(name);
        WriteText(path, content);
        return path;
    }
    TempDir dir;
    TraceCapture trace;
    TTarnPlayListReader reader;
};

TEST_F(Reader, LoadAppendsAndKeepsTheFirstOfADuplicateAcrossFiles) {
    ASSERT_TRUE(reader.LoadFile(Write("a.ply", "#TAPEID T1\n\"A\";0;1\n")));
    ASSERT_TRUE(reader.LoadFile(Write("b.ply", "#TAPEID T2\n\"a\";0;2\n#TAPEID T3\n\"B\";0;3\n")));
    ExpectClips(Items(reader), {{"T1", "A", 1.0}, {"T3", "B", 3.0}});

    reader.ClearItemList();
    EXPECT_EQ(reader.ItemCount(), 0);
    EXPECT_FALSE(reader.IsFileInTheList("A"));
    EXPECT_FALSE(reader.IsFileInTheList(" a"));
}

TEST_F(Reader, GetItemOutOfRangeFailsAndClearsTheTexts) {
    ASSERT_TRUE(reader.LoadFile(Write("a.ply", "#TAPEID T1\n\"A\";0;1\n")));
    for (int32_t index : {-1, 1, 1000}) {
        std::string fileName = "old", tapeID = "old";
        double duration = 7.0;
        EXPECT_FALSE(reader.GetItem(index, fileName, tapeID, duration)) << index;
        EXPECT_EQ(fileName, "");
        EXPECT_EQ(tapeID, "");
    }
}

TEST_F(Reader, FileThatCannotBeOpenedFailsWithItsTraceLine) {
    const std::string lines[] = {dir.File("missing.ply"), dir.Path().string()};
    for (const std::string& path : lines) {
        trace.Clear();
        EXPECT_FALSE(reader.LoadFile(path)) << path;
        EXPECT_EQ(trace.Lines(),
                  std::vector<std::string>{"vlm: Error in TTarnPlayListReader.LoadFile call..."});
    }
    EXPECT_EQ(reader.ItemCount(), 0);
}

// A record far beyond one read of the file, and a CR LF whose two bytes arrive in different
// reads, are still read as the format says.
TEST_F(Reader, LongLinesAndLineEndsAcrossReads) {
    const std::string longTapeID(3 * 1024 * 1024, 'T');
    std::string content = "#TAPEID " + longTapeID + "\n\"LONG\";0;1\n";
    // The next tape-ID line ends with its CR as the last byte of one 64 KiB read.
    const size_t crAt = 100 * 64 * 1024 - 1;
    std::string tapeLine = "#TAPEID X";
    const size_t padding = crAt - content.size() - tapeLine.size();
    tapeLine += std::string(padding, 'x');
    content += tapeLine + "\r\n\"SPLIT\";0;2\r\n";
    ASSERT_EQ(content[crAt], '\r');
    ASSERT_TRUE(reader.LoadFile(Write("long.ply", content)));
    ExpectClips(Items(reader), {{longTapeID, "LONG", 1.0}, {tapeLine.substr(8), "SPLIT", 2.0}});
}

TEST_F(Reader, BinaryGarbageLoadsWithoutTrouble) {
    std::mt19937 random(5);
    std::string garbage(1024 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random() & 0xFF);
    // Records inside the garbage are still found.
    garbage += "\n#TAPEID T1\n\"A\";0;1\n";
    ASSERT_TRUE(reader.LoadFile(Write("garbage.ply", garbage)));
    ASSERT_GE(reader.ItemCount(), 1);
    std::string fileName, tapeID;
    double duration = 0.0;
    ASSERT_TRUE(reader.GetItem(reader.ItemCount() - 1, fileName, tapeID, duration));
    EXPECT_EQ(fileName, "A");
    EXPECT_EQ(tapeID, "T1");
    EXPECT_TRUE(trace.Lines().empty());
}

} // namespace
