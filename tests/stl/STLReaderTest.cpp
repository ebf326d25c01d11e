#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "stl/STLReader.h"
#include "stl/STLUtils.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/ReportRecorder.h"

using namespace testsupport;

namespace {

using TPrepare = std::function<void(const std::string& path)>;

std::vector<std::vector<uint8_t>> Blocks(int count) {
    std::vector<std::vector<uint8_t>> blocks;
    for (int i = 0; i < count; ++i)
        blocks.push_back(MakeTti(i + 1, "Line " + std::to_string(i + 1)));
    return blocks;
}

// Count fields set as given (blank-padded), then blocks, then trailing bytes.
TPrepare Counted(std::string subtitles, std::string ttiBlocks, int blocks, size_t trailing = 0) {
    return [=](const std::string& path) {
        auto bytes = MakeGsi(0);
        SetField(bytes, 243, 5, subtitles);
        SetField(bytes, 238, 5, ttiBlocks);
        for (const auto& block : Blocks(blocks))
            bytes.insert(bytes.end(), block.begin(), block.end());
        bytes.insert(bytes.end(), trailing, 0x20);
        WriteBytes(path, bytes);
    };
}

// A valid two-block file with one field overwritten.
TPrepare WithField(size_t offset, size_t width, std::string value) {
    return [=](const std::string& path) {
        auto gsi = MakeGsi(2);
        SetField(gsi, offset, width, value);
        WriteStl(path, gsi, Blocks(2));
    };
}

TPrepare Fixture(std::string name) {
    return [=](const std::string& path) { std::filesystem::copy_file(DataFile(name), path); };
}

class ReaderTest : public ::testing::Test {
protected:
    void TearDown() override { FileFaults() = TFileFaults(); }

    TempDir dir;
    TraceCapture trace;
};

// ---------------------------------------------------------------------------------------
// OpenFile outcomes: status, report codes in order, trace lines, count.

const std::string OPEN_CALL = "vlm: Error in TSTLReader.OpenFile call...";

struct TOpenCase {
    const char* Name;
    TPrepare Prepare;
    bool VerifySize;
    TStatus Status;
    std::vector<int32_t> Codes;
    std::vector<std::string> Trace;
    uint32_t Count; // when opened
};

void PrintTo(const TOpenCase& c, std::ostream* os) {
    *os << c.Name;
}

class OpenFileOutcome : public ReaderTest, public ::testing::WithParamInterface<TOpenCase> {};

TEST_P(OpenFileOutcome, StatusReportsAndTrace) {
    const TOpenCase& c = GetParam();
    const std::string path = dir.File("case.stl");
    c.Prepare(path);

    TSTLReader reader;
    TReportRecorder recorder(reader);
    EXPECT_EQ(reader.OpenFile(path, c.VerifySize), c.Status);
    EXPECT_EQ(recorder.Codes(), c.Codes);
    EXPECT_EQ(trace.Lines(), c.Trace);
    const std::map<int32_t, std::string> errors = {
        {201, "Cannot load STL file."},
        {202, "Insufficient data reading the General Subtitle Information block"},
        {203, "Invalid STL file Disk Format Code"},
        {401, "Invalid STL file size and Text And Timing Information records count"}};
    for (const auto& report : recorder.Reports) {
        EXPECT_EQ(report.Source, 7);
        const bool info = report.Code / 100 == 3;
        EXPECT_EQ(report.Type, info ? rtInfo : rtError) << report.Code;
        if (!info) {
            EXPECT_EQ(report.Text, errors.at(report.Code));
        }
    }
    if (c.Status == STATUS_OK) {
        EXPECT_EQ(reader.GetTextAndTimingInformationCount(), c.Count);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, OpenFileOutcome,
    ::testing::Values(
        TOpenCase{"MissingFile",
                  [](const std::string&) {},
                  true,
                  STATUS_FAIL,
                  {},
                  {"vlm: Error in TSTLReader.OpenFile - file not found."},
                  0},
        TOpenCase{"Folder",
                  [](const std::string& p) { std::filesystem::create_directory(p); },
                  true,
                  STATUS_FAIL,
                  {201},
                  {},
                  0},
        TOpenCase{"OpenRefused",
                  [](const std::string& p) {
                      Counted("1", "1", 1)(p);
                      FileFaults().BeforeOpen = [](const std::string&) { return false; };
                  },
                  true,
                  STATUS_FAIL,
                  {201},
                  {},
                  0},
        TOpenCase{"TruncatedGsi", Fixture("truncated-gsi.stl"), true, STATUS_FAIL, {202}, {}, 0},
        TOpenCase{"EmptyFile",
                  [](const std::string& p) { WriteBytes(p, {}); },
                  true,
                  STATUS_FAIL,
                  {202},
                  {},
                  0},
        TOpenCase{"GsiReadComesBackShort",
                  [](const std::string& p) {
                      Counted("1", "1", 1)(p);
                      FileFaults().BeforeRead = [](const std::string&, int64_t) { return false; };
                  },
                  true,
                  STATUS_FAIL,
                  {202},
                  {},
                  0},
        TOpenCase{"DiskFormatCodeInvalid",
                  Fixture("disk-format-code-invalid.stl"),
                  true,
                  STATUS_FAIL,
                  {203},
                  {},
                  0},
        TOpenCase{"DiskFormatCodeBlank", WithField(3, 8, ""), true, STATUS_FAIL, {203}, {}, 0},
        TOpenCase{"DiskFormatCodeLowerCase",
                  WithField(3, 8, "stl25.01"),
                  true,
                  STATUS_OK,
                  GsiInfoCodes(),
                  {},
                  2},
        TOpenCase{"CountNotNumeric",
                  Fixture("count-not-numeric.stl"),
                  true,
                  STATUS_FAIL,
                  {},
                  {OPEN_CALL},
                  0},
        TOpenCase{"CountBlank", Counted("", "00002", 2), true, STATUS_FAIL, {}, {OPEN_CALL}, 0},
        TOpenCase{
            "CountNegative", Counted("-0001", "00002", 2), true, STATUS_FAIL, {}, {OPEN_CALL}, 0},
        TOpenCase{"CountExceedsSize",
                  Fixture("count-exceeds-size.stl"),
                  true,
                  STATUS_FAIL,
                  GsiInfoCodes({401}),
                  {},
                  0},
        TOpenCase{"CountExceedsSizeUnverified",
                  Fixture("count-exceeds-size.stl"),
                  false,
                  STATUS_OK,
                  GsiInfoCodes(),
                  {},
                  3},
        TOpenCase{"CountFarAboveSize",
                  Counted("99999", "99999", 1),
                  true,
                  STATUS_FAIL,
                  GsiInfoCodes({401}),
                  {},
                  0},
        TOpenCase{"ExtraBlocksIgnored",
                  Counted("00003", "00003", 4, 100),
                  true,
                  STATUS_OK,
                  GsiInfoCodes(),
                  {},
                  3},
        TOpenCase{"GsiOnlyWithZeroCount",
                  Counted("00000", "00000", 0),
                  true,
                  STATUS_OK,
                  GsiInfoCodes(),
                  {},
                  0},
        TOpenCase{
            "CountLeftAligned", Counted("2", "2", 2), true, STATUS_OK, GsiInfoCodes(), {}, 2}),
    [](const auto& c) { return std::string(c.param.Name); });

TEST_F(ReaderTest, UnreadableFileIsReportedAsCannotLoad) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files regardless of their permissions";
    const std::string path = dir.File("locked.stl");
    Counted("1", "1", 1)(path);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    TSTLReader reader;
    TReportRecorder recorder(reader);
    EXPECT_EQ(reader.OpenFile(path, true), STATUS_FAIL);
    EXPECT_EQ(recorder.Codes(), std::vector<int32_t>{201});
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(ReaderTest, DiskFormatCodeGivesFrameRate) {
    const std::pair<std::string, int32_t> cases[] = {
        {"STL25.01", 25}, {"STL30.01", 30}, {"stl30.01", 30}, {"Stl25.01", 25}};
    for (const auto& [code, rate] : cases) {
        const std::string path = dir.File(code + ".stl");
        WithField(3, 8, code)(path);
        TSTLReader reader;
        ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK) << code;
        EXPECT_EQ(reader.FrameRate(), rate) << code;
    }
}

// ---------------------------------------------------------------------------------------
// The 29 GSI report lines.

TEST_F(ReaderTest, ReportsEveryGsiFieldInOrder) {
    const std::string path = dir.File("a.stl");
    WriteStl(path, MakeGsi(2), Blocks(2));
    TSTLReader reader;
    TReportRecorder recorder(reader);
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    const std::vector<std::string> expected = {
        "GSI - Code Page Number : 850",
        "GSI - Disk Format Code : STL25.01",
        "GSI - Display Standard Code : 1",
        "GSI - Character Code Table Number : 00",
        "GSI - Language Code : 09",
        "GSI - Original Programme Title : Programme",
        "GSI - Original Episode Title : ",
        "GSI - Translated Programme Title : ",
        "GSI - Translated Episode Title : ",
        "GSI - Translator's Name : ",
        "GSI - Translator's Contact Details : ",
        "GSI - Subtitle List Reference Code : TAPE0001",
        "GSI - Creation Date : 23:05:11",
        "GSI - Revision Date : 24:05:11",
        "GSI - Revision Number : 01",
        "GSI - Total Number Of TTI blocks : 00002",
        "GSI - Total Number Of Subtitles : 00002",
        "GSI - Total Number Of Subtitle Groups : 001",
        "GSI - Maximum Number Of Displayable Characters : 40",
        "GSI - Maximum Number Of Displayable Rows : 23",
        "GSI - Time Code Status : 1",
        "GSI - Time Code Start Of Programme : 10000000",
        "GSI - Time Code First In Cue : 10000000",
        "GSI - Total Number Of Disks : 1",
        "GSI - Disk Sequence Number : 1",
        "GSI - Country Of Origin : GBR",
        "GSI - Publisher : ",
        "GSI - Editor's Name : ",
        "GSI - Editor's Contact Details : ",
    };
    ASSERT_EQ(recorder.Reports.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recorder.Reports[i].Text, expected[i]);
        EXPECT_EQ(recorder.Reports[i].Code, int32_t(301 + i));
    }
}

struct TFieldCase {
    const char* Name;
    size_t Offset;
    size_t Width;
    std::string Raw;
    int32_t Code;
    std::string Line;
};

void PrintTo(const TFieldCase& c, std::ostream* os) {
    *os << c.Name;
}

class FieldReportLine : public ReaderTest, public ::testing::WithParamInterface<TFieldCase> {};

TEST_P(FieldReportLine, ShowsFieldAsOperatorSeesIt) {
    const TFieldCase& c = GetParam();
    const std::string path = dir.File("field.stl");
    WithField(c.Offset, c.Width, c.Raw)(path);
    TSTLReader reader;
    TReportRecorder recorder(reader);
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    ASSERT_EQ(recorder.Reports.size(), 29u);
    EXPECT_EQ(recorder.Reports[size_t(c.Code - 301)].Text, c.Line);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, FieldReportLine,
    ::testing::Values(TFieldCase{"NulCutsTitle", 16, 32, std::string("Prog\0ramme", 10), 306,
                                 "GSI - Original Programme Title : Prog"},
                      TFieldCase{"NulFirstGivesEmpty", 16, 32, std::string("\0Programme", 10), 306,
                                 "GSI - Original Programme Title : "},
                      TFieldCase{"BlanksAndControlsTrimmed", 16, 32, "\x01  Ti  tle  \x1f", 306,
                                 "GSI - Original Programme Title : Ti  tle"},
                      TFieldCase{"PercentInText", 277, 32, "100% %s %d", 327,
                                 "GSI - Publisher : 100% %s %d"},
                      TFieldCase{"BytesUnconverted", 16, 32, "Caf\x82", 306,
                                 "GSI - Original Programme Title : Caf\x82"},
                      TFieldCase{"CreationDateRearranged", 224, 6, "110523", 313,
                                 "GSI - Creation Date : 23:05:11"},
                      TFieldCase{"RevisionDateRearranged", 230, 6, "991231", 314,
                                 "GSI - Revision Date : 31:12:99"},
                      TFieldCase{"CreationDateBlank", 224, 6, "", 313, "GSI - Creation Date : "},
                      TFieldCase{"CreationDateShortShownAsIs", 224, 6, " 1105", 313,
                                 "GSI - Creation Date : 1105"}),
    [](const auto& c) { return std::string(c.param.Name); });

// ---------------------------------------------------------------------------------------
// Which count the reader takes: Total Number Of Subtitles, or Total Number Of TTI blocks
// when that is larger, valid, and the file holds that many blocks.

struct TCountCase {
    const char* Name;
    std::string Subtitles;
    std::string TtiBlocks;
    int BlocksInFile;
    size_t Trailing;
    bool VerifySize;
    uint32_t Count;
};

void PrintTo(const TCountCase& c, std::ostream* os) {
    *os << c.Name;
}

class TextAndTimingCount : public ReaderTest, public ::testing::WithParamInterface<TCountCase> {};

TEST_P(TextAndTimingCount, TakesTheTrustworthyCount) {
    const TCountCase& c = GetParam();
    const std::string path = dir.File("count.stl");
    Counted(c.Subtitles, c.TtiBlocks, c.BlocksInFile, c.Trailing)(path);
    TSTLReader reader;
    TReportRecorder recorder(reader);
    ASSERT_EQ(reader.OpenFile(path, c.VerifySize), STATUS_OK);
    EXPECT_EQ(reader.GetTextAndTimingInformationCount(), c.Count);
    // The reports show both fields as they stand in the file.
    ASSERT_EQ(recorder.Reports.size(), 29u);
    EXPECT_EQ(recorder.Reports[15].Text,
              "GSI - Total Number Of TTI blocks : " + TrimText(c.TtiBlocks));
    EXPECT_EQ(recorder.Reports[16].Text,
              "GSI - Total Number Of Subtitles : " + TrimText(c.Subtitles));
    uint8_t* block = nullptr;
    EXPECT_EQ(reader.GetTextAndTimingInformation(c.Count - 1, block), STATUS_OK);
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reader, TextAndTimingCount,
    ::testing::Values(TCountCase{"MoreBlocksThanSubtitles", "00002", "00004", 4, 0, true, 4},
                      TCountCase{"MoreBlocksUnverified", "00002", "00004", 4, 0, false, 4},
                      TCountCase{"BlockCountBeyondFile", "00002", "00004", 3, 127, true, 2},
                      TCountCase{"FewerBlocksThanSubtitles", "00004", "00002", 4, 0, true, 4},
                      TCountCase{"BlockCountNotNumeric", "00002", "0x004", 4, 0, true, 2},
                      TCountCase{"BlockCountBlank", "00002", "", 4, 0, true, 2},
                      TCountCase{"BlockCountNegative", "00002", "-0004", 4, 0, true, 2},
                      TCountCase{"ZeroSubtitles", "00000", "00003", 3, 0, true, 3}),
    [](const auto& c) { return std::string(c.param.Name); });

// ---------------------------------------------------------------------------------------
// Blocks, the GSI buffer and the reader's state.

TEST_F(ReaderTest, HandsOutBlocksInAnyOrder) {
    const std::string path = dir.File("blocks.stl");
    const auto blocks = Blocks(3);
    WriteStl(path, MakeGsi(3), blocks);
    TSTLReader reader;
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    for (uint32_t index : {2u, 0u, 1u, 2u}) {
        uint8_t* tti = nullptr;
        ASSERT_EQ(reader.GetTextAndTimingInformation(index, tti), STATUS_OK);
        EXPECT_EQ(std::vector<uint8_t>(tti, tti + 128), blocks[index]) << index;
    }
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(ReaderTest, BlockFailuresAreTraced) {
    uint8_t* tti = nullptr;
    TSTLReader fresh;
    EXPECT_EQ(fresh.GetTextAndTimingInformation(0, tti), STATUS_FAIL);

    TSTLReader reader; // counts 3, holds 2
    ASSERT_EQ(reader.OpenFile(DataFile("count-exceeds-size.stl"), false), STATUS_OK);
    EXPECT_EQ(reader.GetTextAndTimingInformation(3, tti), STATUS_FAIL);
    EXPECT_EQ(reader.GetTextAndTimingInformation(2, tti), STATUS_FAIL);
    reader.CloseFile();
    EXPECT_EQ(reader.GetTextAndTimingInformation(0, tti), STATUS_FAIL);
    EXPECT_EQ(tti, nullptr);
    const std::string name = "vlm: Error in TSTLReader.GetTextAndTimingInformation";
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{
                                 name + " - invalid index.",
                                 name + " - invalid index.",
                                 name + " - cannot read Text And Timing Information.",
                                 name + " call...",
                             }));
}

TEST_F(ReaderTest, GsiBufferIsAvailableWhateverHappened) {
    TSTLReader reader;
    uint8_t* gsi = nullptr;
    ASSERT_EQ(reader.GetGeneralSubtitleInformation(gsi), STATUS_OK);
    EXPECT_EQ(std::vector<uint8_t>(gsi, gsi + 1024), std::vector<uint8_t>(1024, 0));

    // A short GSI block keeps the bytes that were read, in the same buffer.
    const std::string truncated = DataFile("truncated-gsi.stl");
    EXPECT_EQ(reader.OpenFile(truncated, true), STATUS_FAIL);
    uint8_t* again = nullptr;
    reader.GetGeneralSubtitleInformation(again);
    EXPECT_EQ(again, gsi);
    auto expected = ReadBytes(truncated);
    expected.resize(1024, 0);
    EXPECT_EQ(std::vector<uint8_t>(gsi, gsi + 1024), expected);

    // A refused Disk Format Code leaves the whole block to copy.
    const std::string invalid = DataFile("disk-format-code-invalid.stl");
    EXPECT_EQ(reader.OpenFile(invalid, true), STATUS_FAIL);
    expected = ReadBytes(invalid);
    expected.resize(1024);
    EXPECT_EQ(std::vector<uint8_t>(gsi, gsi + 1024), expected);
}

TEST_F(ReaderTest, CloseKeepsCountAndClearsFrameRate) {
    const std::string path = dir.File("a.stl");
    WithField(3, 8, "STL30.01")(path);
    TSTLReader reader;
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    EXPECT_EQ(reader.FrameRate(), 30);
    EXPECT_EQ(reader.CloseFile(), STATUS_OK);
    EXPECT_EQ(reader.FrameRate(), 0);
    EXPECT_EQ(reader.GetTextAndTimingInformationCount(), 2u);
}

TEST_F(ReaderTest, ReportGoesToTheCallbackOnly) {
    TSTLReader reader;
    EXPECT_EQ(reader.Report(7, rtInfo, "text", 301), STATUS_FAIL);
    TReportRecorder recorder(reader);
    recorder.Result = 0x1234;
    EXPECT_EQ(reader.Report(5, rtWarning, "text", 42), 0x1234u);
    ASSERT_EQ(recorder.Reports.size(), 1u);
    EXPECT_EQ(recorder.Reports[0].Source, 5);
    EXPECT_EQ(recorder.Reports[0].Type, rtWarning);
    EXPECT_EQ(recorder.Reports[0].Text, "text");
    EXPECT_EQ(recorder.Reports[0].Code, 42);
    EXPECT_TRUE(trace.Lines().empty());
}

TStatus ThrowingCallback(void*, int32_t, int32_t, const char*, int32_t) {
    throw std::runtime_error("sink broke");
}

TEST_F(ReaderTest, FailingCallbackDoesNotStopOpenFile) {
    const std::string path = dir.File("a.stl");
    WriteStl(path, MakeGsi(1), Blocks(1));
    TSTLReader reader;
    reader.SetReportCallback(&ThrowingCallback, nullptr);
    EXPECT_EQ(reader.OpenFile(path, true), STATUS_OK);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>(29, "vlm: Error in TSTLReader.Report call..."));
}

} // namespace
