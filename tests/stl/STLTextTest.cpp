// The subtitle text decoder: bytes of a text field against the spans they give, block
// sequences against the subtitles they make, and every oddity with its block.
#include <gtest/gtest.h>

#include <algorithm>

#include "stl/STLRules.h"
#include "stl/STLText.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

using TBytes = std::vector<uint8_t>;

// Text with NUL bytes in it.
std::string operator""_b(const char* text, size_t length) {
    return std::string(text, length);
}

struct TBlock {
    int Number;
    uint8_t Ebn;
    std::string Text;
    uint8_t Comment = 0;
};

TBytes Tti(const TBlock& b) {
    TBytes tti(TTI_BLOCK_SIZE, TTI_TEXT_UNUSED);
    const uint8_t head[16] = {
        0, uint8_t(b.Number), uint8_t(b.Number >> 8), b.Ebn, 0, 0, 0, 1, 0, 0, 0, 2, 0, 20,
        2, b.Comment};
    std::copy(head, head + 16, tti.begin());
    std::copy(b.Text.begin(), b.Text.end(), tti.begin() + TTI_TEXT_FIELD_OFFSET);
    return tti;
}

TSTLText Decode(const std::vector<TBlock>& blocks, const std::string& table = "00",
                const std::string& display = "1") {
    TBytes gsi = MakeGsi(int(blocks.size()));
    SetField(gsi, 12, 2, table);
    SetField(gsi, 11, 1, display);
    TBytes tti;
    for (const TBlock& b : blocks) {
        const TBytes one = Tti(b);
        tti.insert(tti.end(), one.begin(), one.end());
    }
    return DecodeSTLText(gsi.data(), tti.data(), uint32_t(blocks.size()));
}

// Each span as row:column, its attributes where they are not the default (white on black)
// and its text: 0:1 red,dh "Text".
std::string Describe(const TSTLSubtitle& s) {
    std::string text;
    for (const TSTLSpan& span : s.Spans) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(span.Row) + ":" + std::to_string(span.Column);
        std::string attributes;
        auto add = [&](bool on, const std::string& name) {
            if (on)
                attributes += (attributes.empty() ? " " : ",") + name;
        };
        add(span.Control, "ctl");
        add(span.Colour != TSTLColour::White, STLColourName(span.Colour));
        add(span.Background != TSTLColour::Black,
            std::string("on ") + STLColourName(span.Background));
        add(span.DoubleHeight, "dh");
        add(span.Boxed, "box");
        add(span.Italic, "it");
        add(span.Underline, "ul");
        text += attributes + " \"" + std::string(s.SpanText(span)) + "\"";
        if (span.Control) {
            EXPECT_EQ(span.Cells, span.Length) << "a control cell is not one space: " << text;
        }
    }
    return text;
}

std::string Oddities(const TSTLText& text) {
    std::string lines;
    for (const TSTLOddity& o : text.Oddities)
        lines += std::to_string(o.Block) + ": " + o.Text + "\n";
    return lines;
}

struct TFieldCase {
    const char* Name;
    const char* Table;
    std::string Text;
    std::string Spans;
    const char* Oddities; // one line per oddity, "<block>: <text>"
};

void PrintTo(const TFieldCase& c, std::ostream* os) {
    *os << c.Name;
}

class TextFieldTest : public ::testing::TestWithParam<TFieldCase> {};

TEST_P(TextFieldTest, DecodesToSpansAndOddities) {
    const TFieldCase& c = GetParam();
    const TSTLText text = Decode({{1, 0xFF, c.Text}}, c.Table);
    ASSERT_EQ(text.Subtitles.size(), 1u);
    EXPECT_EQ(Describe(text.Subtitles[0]), c.Spans);
    EXPECT_EQ(Oddities(text), c.Oddities);
}

const std::string kFullField(TTI_TEXT_FIELD_WIDTH - 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Bytes, TextFieldTest,
    ::testing::Values(
        // Character table 00 and its diacritical marks.
        TFieldCase{"Ascii", "00", "Hello, world!", "0:0 \"Hello, world!\"", ""},
        TFieldCase{"MarksComposeWithTheirLetter", "00",
                   "caf\xC2"
                   "e \xC8"
                   "A\xCF"
                   "s\xC1"
                   "a",
                   "0:0 \"café Äšà\"", ""},
        TFieldCase{"OldUmlautAndAcuteG", "00", "\xC9u\xC2g", "0:0 \"üģ\"", ""},
        TFieldCase{"NoPrecomposedLetterTakesACombiningMark", "00",
                   "\xCC"
                   "a\xC4"
                   "x",
                   "0:0 \"a\xCC\xB2x\xCC\x83\"", ""},
        TFieldCase{"MarkBeforeADigitOrASpace", "00",
                   "\xC2"
                   "1\xC2 ",
                   "0:0 \"1\xCC\x81\xC2\xB4\"", "1: diacritical mark C2h followed by 31h\n"},
        TFieldCase{"MarkAtTheEndOfARow", "00",
                   "a\xC8\x8A"
                   "b",
                   "0:0 \"a¨\", 1:0 \"b\"", "1: diacritical mark C8h followed by 8Ah\n"},
        TFieldCase{"MarkAtTheEndOfTheField", "00", kFullField + "\xC3",
                   "0:0 \"" /* 111 letters and the spacing circumflex */ +
                       std::string(TTI_TEXT_FIELD_WIDTH - 1, 'x') + "^\"",
                   "1: diacritical mark C3h at the end of the text\n"},
        TFieldCase{"UpperHalf", "00", "\xA4\xA6\xA8\xD0\xD5\xE2\xE9\xFB\xFF",
                   "0:0 \"$#¤―♪ĐØß\xC2\xAD\"", ""},
        TFieldCase{"NoCharacter", "00",
                   "a\xC0"
                   "b\x7F\xE5",
                   "0:0 \"a\xEF\xBF\xBD"
                   "b\xEF\xBF\xBD\xEF\xBF\xBD\"",
                   "1: C0h at byte 17 of the block has no character in table 00\n"},
        // The other tables.
        TFieldCase{"Cyrillic", "01", "\xBF\xE0\xD8\xD2\xD5\xE2 \xF0", "0:0 \"Привет №\"", ""},
        TFieldCase{"Arabic", "02", "\xC7\xE4\xD9\xD1\xC8\xEA\xC9 \xAC\xA1",
                   "0:0 \"العربية ،\xEF\xBF\xBD\"",
                   "1: A1h at byte 25 of the block has no character in table 02\n"},
        TFieldCase{"Greek", "03", "\xE5\xEB\xEB\xE7\xED\xE9\xEA\xDC", "0:0 \"ελληνικά\"", ""},
        TFieldCase{"Hebrew", "04", "\xF2\xE1\xF8\xE9\xFA \xA1", "0:0 \"עברית \xEF\xBF\xBD\"",
                   "1: A1h at byte 22 of the block has no character in table 04\n"},
        TFieldCase{"UnknownTableDecodesAsLatin", "7",
                   "\xC2"
                   "e",
                   "0:0 \"é\"",
                   "0: character code table \"7\" is not 00 to 04: the text is decoded as 00 "
                   "(Latin)\n"},
        // Teletext control codes: each takes its cell. Colours and start of box act from the
        // next cell, black and new background and normal height at their own.
        TFieldCase{"AlphaColours", "00",
                   "\x00k\x01r\x02g\x03y\x04"
                   "b\x05m\x06"
                   "c\x07w"_b,
                   "0:0 ctl \" \", 0:1 black \"k\", 0:2 ctl,black \" \", 0:3 red \"r\", "
                   "0:4 ctl,red \" \", 0:5 green \"g\", 0:6 ctl,green \" \", 0:7 yellow \"y\", "
                   "0:8 ctl,yellow \" \", 0:9 blue \"b\", 0:10 ctl,blue \" \", "
                   "0:11 magenta \"m\", 0:12 ctl,magenta \" \", 0:13 cyan \"c\", "
                   "0:14 ctl,cyan \" \", 0:15 \"w\"",
                   ""},
        TFieldCase{"Boxes", "00",
                   "\x0B\x0B"
                   "Box\x0A\x0Aout",
                   "0:0 ctl \" \", 0:1 ctl,box \" \", 0:2 box \"Box\", 0:5 ctl,box \" \", "
                   "0:6 ctl \" \", 0:7 \"out\"",
                   ""},
        TFieldCase{"DoubleAndNormalHeight", "00",
                   "\x0D"
                   "Big\x0Csmall",
                   "0:0 ctl \" \", 0:1 dh \"Big\", 0:4 ctl \" \", 0:5 \"small\"", ""},
        TFieldCase{"Backgrounds", "00", "\x01\x1DOn\x1COff",
                   "0:0 ctl \" \", 0:1 ctl,red,on red \" \", 0:2 red,on red \"On\", "
                   "0:4 ctl,red \" \", 0:5 red \"Off\"",
                   ""},
        TFieldCase{"OtherTeletextCodesOnlyTakeACell", "00",
                   std::string("a\x08\x09\x0E\x0F\x10\x17\x18\x1B\x1E\x1F"
                               "b",
                               12),
                   "0:0 \"a\", 0:1 ctl \"          \", 0:11 \"b\"", ""},
        TFieldCase{"EachRowStartsWhiteOnBlack", "00",
                   "\x01\x1D\x0D\x0Bred\x8A"
                   "plain",
                   "0:0 ctl \" \", 0:1 ctl,red,on red \"  \", 0:3 ctl,red,on red,dh \" \", "
                   "0:4 red,on red,dh,box \"red\", 1:0 \"plain\"",
                   ""},
        // Open subtitle codes take no cell, and hold over rows until turned off.
        TFieldCase{"OpenSubtitleStyles", "00",
                   "\x80it\x81 \x82ul\x83 \x84"
                   "box\x85!",
                   "0:0 it \"it\", 0:2 \" \", 0:3 ul \"ul\", 0:5 \" \", 0:6 box \"box\", "
                   "0:9 \"!\"",
                   ""},
        TFieldCase{"ItalicsHoldOverARow", "00",
                   "\x80"
                   "a\x8A"
                   "b\x81"
                   "c",
                   "0:0 it \"a\", 1:0 it \"b\", 1:1 \"c\"", ""},
        TFieldCase{"ReservedCodesAreIgnored", "00",
                   "a\x86\x8B\x90\x9F"
                   "b",
                   "0:0 \"ab\"", ""},
        // The end of the text.
        TFieldCase{"UnusedSpaceInTheMiddle", "00",
                   "ab\x8F\x8F"
                   "cd\x8F",
                   "0:0 \"ab\"",
                   "1: 63h at byte 20 of the block, after the unused space (8Fh) began at "
                   "byte 18: not shown\n"},
        TFieldCase{"ControlCodeEndsAFullField", "00", kFullField + "\x0D",
                   "0:0 \"" + kFullField + "\", 0:111 ctl \" \"",
                   "1: the text field ends on control code 0Dh, with nothing after it\n"},
        TFieldCase{"EmptyRows", "00", "\x8A\x8A", "", ""}));

struct TBlocksCase {
    const char* Name;
    std::vector<TBlock> Blocks;
    // Each subtitle: "<number> [<blocks>] <text of its spans>", rows joined with "/".
    std::vector<std::string> Subtitles;
    const char* Oddities;
};

void PrintTo(const TBlocksCase& c, std::ostream* os) {
    *os << c.Name;
}

std::string Summary(const TSTLSubtitle& s) {
    std::string text = std::to_string(s.Number) + " [";
    for (size_t i = 0; i < s.Blocks.size(); ++i)
        text += (i ? "," : "") + std::to_string(s.Blocks[i]);
    text += "] ";
    std::string rows;
    AppendSTLShownRows(s, rows, '/');
    return text + rows;
}

class BlocksTest : public ::testing::TestWithParam<TBlocksCase> {};

TEST_P(BlocksTest, JoinsTheBlocksOfEachSubtitle) {
    const TBlocksCase& c = GetParam();
    const TSTLText text = Decode(c.Blocks);
    std::vector<std::string> subtitles;
    for (const TSTLSubtitle& s : text.Subtitles)
        subtitles.push_back(Summary(s));
    EXPECT_EQ(subtitles, c.Subtitles);
    EXPECT_EQ(Oddities(text), c.Oddities);
    for (size_t i = 1; i < text.Oddities.size(); ++i)
        EXPECT_LE(text.Oddities[i - 1].Block, text.Oddities[i].Block) << "not in block order";
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, BlocksTest,
    ::testing::Values(
        TBlocksCase{
            "OneBlockEach", {{1, 0xFF, "One"}, {2, 0xFF, "Two"}}, {"1 [1] One/", "2 [2] Two/"}, ""},
        TBlocksCase{"ExtensionBlocks",
                    {{1, 0x00, "Foo "}, {1, 0x01, "Bar\x8A"}, {1, 0xFF, "Baz"}},
                    {"1 [1,2,3] Foo Bar/Baz/"},
                    ""},
        TBlocksCase{"MarkBeforeTheNextBlock",
                    {{1, 0x00, "caf\xC2"}, {1, 0xFF, "e"}},
                    {"1 [1,2] café/"},
                    ""},
        TBlocksCase{"OutOfOrderJoinedByNumber",
                    {{1, 0x01, "B"}, {1, 0x00, "A"}, {1, 0xFF, "C"}},
                    {"1 [2,1,3] ABC/"},
                    "1: subtitle 1 starts with block 01h, not 00h\n"
                    "2: 00h follows 01h in subtitle 1\n"},
        TBlocksCase{"MissingExtensionBlock",
                    {{1, 0x00, "A"}, {1, 0x02, "C"}, {1, 0xFF, "D"}},
                    {"1 [1,2,3] ACD/"},
                    "2: 02h follows 00h in subtitle 1\n"},
        TBlocksCase{"MissingLastBlock",
                    {{1, 0x00, "A"}, {2, 0xFF, "B"}, {3, 0x00, "C"}},
                    {"1 [1] A/", "2 [2] B/", "3 [3] C/"},
                    "1: subtitle 1 ends without a block FFh\n"
                    "3: subtitle 3 ends without a block FFh\n"},
        TBlocksCase{"UserDataAndReservedBlocksSkipped",
                    {{1, 0x00, "A"}, {1, 0xFE, "user data"}, {1, 0xF0, "?"}, {1, 0xFF, "B"}},
                    {"1 [1,4] AB/"},
                    "3: F0h is a reserved extension block number: the block is skipped\n"},
        TBlocksCase{"NumberGoingBack",
                    {{2, 0xFF, "Two"}, {1, 0xFF, "One"}, {2, 0xFF, "Two again"}},
                    {"2 [1] Two/", "1 [2] One/", "2 [3] Two again/"},
                    "2: 1 follows 2, expected 3\n"},
        TBlocksCase{"OdditiesOfJoinedBlocksInBlockOrder",
                    {{1, 0x01, "\xC0"}, {1, 0x00, "\xC0"}, {1, 0xFF, "x"}},
                    {"1 [2,1,3] \xEF\xBF\xBD\xEF\xBF\xBDx/"},
                    "1: subtitle 1 starts with block 01h, not 00h\n"
                    "1: C0h at byte 16 of the block has no character in table 00\n"
                    "2: 00h follows 01h in subtitle 1\n"
                    "2: C0h at byte 16 of the block has no character in table 00\n"}));

TEST(STLText, TakesTheFieldsOfTheFirstBlock) {
    TBytes gsi = MakeGsi(3);
    TBytes blocks = Tti({7, 0x00, "A", 1});
    const TBytes second = Tti({7, 0xFF, "B"});
    blocks.insert(blocks.end(), second.begin(), second.end());
    const uint8_t fields[] = {3, 0x07, 0x00, 0x00, 2, 10, 59, 59, 24, 11, 0, 0, 0, 5, 3};
    std::copy(std::begin(fields), std::end(fields), blocks.begin());
    const TSTLText text = DecodeSTLText(gsi.data(), blocks.data(), 2);
    ASSERT_EQ(text.Subtitles.size(), 1u);
    const TSTLSubtitle& s = text.Subtitles[0];
    EXPECT_EQ(s.Number, 7);
    EXPECT_EQ(s.Group, 3);
    EXPECT_EQ(s.CumulativeStatus, 2);
    char in[16], out[16];
    FormatSTLTimeCode(s.In, in);
    FormatSTLTimeCode(s.Out, out);
    EXPECT_STREQ(in, "10:59:59:24");
    EXPECT_STREQ(out, "11:00:00:00");
    EXPECT_EQ(s.VerticalPosition, 5);
    EXPECT_EQ(s.Justification, 3);
    EXPECT_TRUE(s.Comment);
    EXPECT_EQ(s.FirstBlock, 1u);
    EXPECT_EQ(text.Header.CharacterTableField, "00");
    EXPECT_EQ(text.Header.DisplayStandardField, "1");
    EXPECT_TRUE(text.Header.Teletext);
    EXPECT_EQ(text.Header.FrameRate, 25);
}

struct TTimeCase {
    const char* Name;
    const char* DiskFormat;
    uint8_t In[4];
    uint8_t Out[4];
    const char* Oddities;
};

void PrintTo(const TTimeCase& c, std::ostream* os) {
    *os << c.Name;
}

class TimeCodeTest : public ::testing::TestWithParam<TTimeCase> {};

TEST_P(TimeCodeTest, OutOfRangeTimeCodesAreOdd) {
    const TTimeCase& c = GetParam();
    TBytes gsi = MakeGsi(1);
    SetField(gsi, 3, 8, c.DiskFormat);
    TBytes tti = Tti({1, 0xFF, "x"});
    std::copy(c.In, c.In + 4, tti.begin() + TTI_TCI_OFFSET);
    std::copy(c.Out, c.Out + 4, tti.begin() + TTI_TCO_OFFSET);
    const TSTLText text = DecodeSTLText(gsi.data(), tti.data(), 1);
    EXPECT_EQ(Oddities(text), c.Oddities);
    ASSERT_EQ(text.Subtitles.size(), 1u);
    EXPECT_EQ(std::string(text.Subtitles[0].Text), "x");
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TimeCodeTest,
    ::testing::Values(TTimeCase{"Valid25", "STL25.01", {23, 59, 59, 24}, {0, 0, 0, 0}, ""},
                      TTimeCase{"Frame25At25",
                                "STL25.01",
                                {0, 0, 1, 25},
                                {0, 0, 2, 0},
                                "1: 00:00:01:25 is not a time code at 25 frames per second\n"},
                      TTimeCase{"Frame29At30", "STL30.01", {0, 0, 1, 29}, {0, 0, 2, 0}, ""},
                      TTimeCase{"MinutesAndHours",
                                "STL25.01",
                                {24, 0, 0, 0},
                                {0, 60, 0, 0},
                                "1: 24:00:00:00 is not a time code at 25 frames per second\n"
                                "1: 00:60:00:00 is not a time code at 25 frames per second\n"},
                      TTimeCase{"ThreeDigitsAnyRate",
                                "STL99.01",
                                {0, 0, 0, 200},
                                {0, 0, 0, 1},
                                "1: 00:00:00:200 is not a time code at any frame rate\n"}));

TEST(STLText, ReadsRealFilesWithoutOddText) {
    REQUIRE_REAL_STL_FILES();
    int files = 0;
    for (const auto& path : RealStlFiles()) {
        TSTLText text;
        std::string failure;
        if (!ReadSTLText(path.string(), text, failure))
            continue;
        ++files;
        for (const TSTLOddity& o : text.Oddities)
            EXPECT_TRUE(o.Kind != TSTLOddityKind::NoCharacter &&
                        o.Kind != TSTLOddityKind::ControlAtEnd)
                << path << " block " << o.Block << ": " << o.Text;
        for (const TSTLSubtitle& s : text.Subtitles)
            for (const TSTLSpan& span : s.Spans)
                ASSERT_LE(size_t(span.Offset) + span.Length, s.Text.size()) << path;
    }
    EXPECT_GT(files, 100);
}

} // namespace
