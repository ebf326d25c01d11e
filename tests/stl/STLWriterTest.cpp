#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/FileSystem.h"
#include "stl/STLReader.h"
#include "stl/STLWriter.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

std::string Bytes(const std::vector<uint8_t>& data, size_t offset, size_t count) {
    return std::string(data.begin() + long(offset), data.begin() + long(offset + count));
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& data, size_t offset, size_t count) {
    return std::vector<uint8_t>(data.begin() + long(offset), data.begin() + long(offset + count));
}

class WriterTest : public ::testing::Test {
protected:
    void TearDown() override { FileFaults() = TFileFaults(); }

    // A GSI block whose count fields hold something the writer must replace.
    static std::vector<uint8_t> SourceGsi() {
        auto gsi = MakeGsi(7);
        SetField(gsi, 238, 5, "12345");
        SetField(gsi, 243, 5, "98765");
        for (size_t i = 373; i < 1024; ++i)
            gsi[i] = uint8_t(i * 7); // user area, carried through as given
        return gsi;
    }

    // Writes gsi and count blocks and closes.
    std::vector<std::vector<uint8_t>> WriteFile(const std::string& path, int count) {
        std::vector<std::vector<uint8_t>> blocks;
        TSTLWriter writer;
        EXPECT_EQ(writer.OpenFile(path), STATUS_OK);
        EXPECT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
        for (int i = 0; i < count; ++i) {
            blocks.push_back(MakeTti(i + 1, "Block " + std::to_string(i + 1)));
            EXPECT_EQ(writer.AddTextAndTimingInformation(blocks.back().data()), STATUS_OK);
        }
        EXPECT_EQ(writer.CloseFile(), STATUS_OK);
        return blocks;
    }

    TempDir dir;
    TraceCapture trace;
};

// ---------------------------------------------------------------------------------------
// Layout of a finished file, by number of blocks written.

struct TLayoutCase {
    int Blocks;
    std::string Subtitles; // bytes 243 to 247
    std::string TtiBlocks; // bytes 238 to 242
};

void PrintTo(const TLayoutCase& c, std::ostream* os) {
    *os << c.Blocks;
}

class WriterLayout : public WriterTest, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(WriterLayout, GsiCarriesCountAndBlocksFollowInOrder) {
    const TLayoutCase& c = GetParam();
    const std::string path = dir.File("out.stl");
    const auto blocks = WriteFile(path, c.Blocks);
    const auto file = ReadBytes(path);
    ASSERT_EQ(file.size(), 1024u + 128u * size_t(c.Blocks));

    EXPECT_EQ(Bytes(file, 243, 5), c.Subtitles);
    EXPECT_EQ(Bytes(file, 238, 5), c.TtiBlocks);
    // Every other GSI byte is written exactly as given.
    auto expected = SourceGsi();
    std::copy(file.begin() + 238, file.begin() + 248, expected.begin() + 238);
    EXPECT_EQ(Slice(file, 0, 1024), expected);
    for (size_t i = 0; i < blocks.size(); ++i)
        ASSERT_EQ(Slice(file, 1024 + 128 * i, 128), blocks[i]) << "block " << i;
    EXPECT_TRUE(trace.Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(Writer, WriterLayout,
                         ::testing::Values(TLayoutCase{0, "0    ", "00000"},
                                           TLayoutCase{3, "3    ", "00003"},
                                           TLayoutCase{42, "42   ", "00042"}),
                         [](const auto& c) { return std::to_string(c.param.Blocks) + "Blocks"; });

TEST_F(WriterTest, ReaderTakesBackWhatWasWritten) {
    for (int count : {0, 3}) {
        const std::string path = dir.File("round" + std::to_string(count) + ".stl");
        const auto blocks = WriteFile(path, count);
        TSTLReader reader;
        ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
        ASSERT_EQ(reader.GetTextAndTimingInformationCount(), uint32_t(count));
        for (uint32_t i = 0; i < uint32_t(count); ++i) {
            uint8_t* tti = nullptr;
            ASSERT_EQ(reader.GetTextAndTimingInformation(i, tti), STATUS_OK);
            EXPECT_EQ(std::vector<uint8_t>(tti, tti + 128), blocks[i]);
        }
    }
}

TEST_F(WriterTest, GsiIsWrittenLast) {
    const std::string path = dir.File("out.stl");
    TSTLWriter writer;
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
    const auto block = MakeTti(1, "One");
    ASSERT_EQ(writer.AddTextAndTimingInformation(block.data()), STATUS_OK);
    ASSERT_EQ(writer.AddTextAndTimingInformation(block.data()), STATUS_OK);

    const auto before = ReadBytes(path);
    ASSERT_EQ(before.size(), 1024u + 256u);
    EXPECT_EQ(Slice(before, 0, 1024), std::vector<uint8_t>(1024, 0));
    EXPECT_EQ(Slice(before, 1024, 128), block);

    // A later block replaces the one given first; only the last is written.
    auto replaced = SourceGsi();
    SetField(replaced, 16, 32, "Replaced");
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(replaced.data()), STATUS_OK);
    ASSERT_EQ(writer.CloseFile(), STATUS_OK);
    const auto after = ReadBytes(path);
    EXPECT_EQ(Bytes(after, 16, 8), "Replaced");
    EXPECT_EQ(Bytes(after, 243, 5), "2    ");
}

TEST_F(WriterTest, ExistingFileIsRefusedAndUntouched) {
    const std::string path = dir.File("existing.stl");
    WriteText(path, "keep me");
    TSTLWriter writer;
    EXPECT_EQ(writer.OpenFile(path), STATUS_FAIL);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.OpenFile - file already exists."});
    // The writer has no stream, so nothing can reach the file afterwards.
    EXPECT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_FAIL);
    EXPECT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_EQ(ReadText(path), "keep me");
}

TEST_F(WriterTest, CreateFailureIsTraced) {
    TSTLWriter writer;
    EXPECT_EQ(writer.OpenFile(dir.File("no-such-folder/out.stl")), STATUS_FAIL);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"vlm: Error in TSTLWriter.OpenFile call..."});
}

TEST_F(WriterTest, BlockBeforeGsiFailsAndWritesNothing) {
    const std::string path = dir.File("out.stl");
    TSTLWriter writer;
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    EXPECT_EQ(writer.AddTextAndTimingInformation(MakeTti(1, "One").data()), STATUS_FAIL);
    EXPECT_EQ(writer.GetTextAndTimingInformationCount(), 0u);
    EXPECT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_EQ(ReadBytes(path).size(), 0u);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.AddTextAndTimingInformation - "
                                       "General Subtitle Information not set."});
}

TEST_F(WriterTest, ArgumentFailures) {
    TSTLWriter writer;
    EXPECT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_FAIL);
    ASSERT_EQ(writer.OpenFile(dir.File("out.stl")), STATUS_OK);
    EXPECT_EQ(writer.SetGeneralSubtitleInformation(nullptr), STATUS_INVALIDARG);
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
    EXPECT_EQ(writer.AddTextAndTimingInformation(nullptr), STATUS_INVALIDARG);
    EXPECT_EQ(writer.GetTextAndTimingInformationCount(), 0u);
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "vlm: Error in TSTLWriter.SetGeneralSubtitleInformation - file stream not "
                  "initialized.",
                  "vlm: Error in TSTLWriter.SetGeneralSubtitleInformation - invalid argument.",
                  "vlm: Error in TSTLWriter.AddTextAndTimingInformation - invalid argument.",
              }));
}

TEST_F(WriterTest, FailedBlockWriteKeepsCountAndPlace) {
    const std::string path = dir.File("out.stl");
    TSTLWriter writer;
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
    const auto first = MakeTti(1, "First");
    const auto second = MakeTti(2, "Second");
    ASSERT_EQ(writer.AddTextAndTimingInformation(first.data()), STATUS_OK);

    FileFaults().BeforeWrite = [](const std::string&, int64_t) { return false; };
    EXPECT_EQ(writer.AddTextAndTimingInformation(MakeTti(9, "Lost").data()), STATUS_FAIL);
    FileFaults() = TFileFaults();
    EXPECT_EQ(writer.GetTextAndTimingInformationCount(), 1u);

    // The next block takes the place of the failed one.
    ASSERT_EQ(writer.AddTextAndTimingInformation(second.data()), STATUS_OK);
    ASSERT_EQ(writer.CloseFile(), STATUS_OK);
    const auto file = ReadBytes(path);
    ASSERT_EQ(file.size(), 1024u + 256u);
    EXPECT_EQ(Slice(file, 1024 + 128, 128), second);
    EXPECT_EQ(Bytes(file, 243, 5), "2    ");
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.AddTextAndTimingInformation - "
                                       "cannot write Text And Timing Information block."});
}

TEST_F(WriterTest, FailedGsiWriteIsTracedButCloseSucceeds) {
    const std::string path = dir.File("out.stl");
    TSTLWriter writer;
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
    ASSERT_EQ(writer.AddTextAndTimingInformation(MakeTti(1, "One").data()), STATUS_OK);
    FileFaults().BeforeWrite = [](const std::string&, int64_t count) { return count != 1024; };
    EXPECT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.CloseFile - cannot update the "
                                       "General Subtitle Information block."});
    // The file is closed: further blocks are refused.
    FileFaults() = TFileFaults();
    EXPECT_EQ(writer.AddTextAndTimingInformation(MakeTti(2, "Two").data()), STATUS_FAIL);
}

TEST_F(WriterTest, CountIsCappedAtFiveDigits) {
    const std::string path = dir.File("big.stl");
    TSTLWriter writer;
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    ASSERT_EQ(writer.SetGeneralSubtitleInformation(SourceGsi().data()), STATUS_OK);
    const auto block = MakeTti(1, "Same");
    for (int i = 0; i < 99999; ++i)
        ASSERT_EQ(writer.AddTextAndTimingInformation(block.data()), STATUS_OK) << i;
    EXPECT_EQ(writer.AddTextAndTimingInformation(block.data()), STATUS_FAIL);
    EXPECT_EQ(writer.GetTextAndTimingInformationCount(), 99999u);
    ASSERT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.AddTextAndTimingInformation - "
                                       "too many Text And Timing Information blocks."});

    const auto file = ReadBytes(path);
    EXPECT_EQ(file.size(), 1024u + 128u * 99999u);
    EXPECT_EQ(Bytes(file, 243, 5), "99999");
    EXPECT_EQ(Bytes(file, 238, 5), "99999");
}

} // namespace
