// The reader's read-ahead and the writer's write buffer: fewer system calls, the same bytes
// and the same failures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "stl/STLReader.h"
#include "stl/STLWriter.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

std::vector<std::vector<uint8_t>> Numbered(int count) {
    std::vector<std::vector<uint8_t>> blocks;
    for (int i = 0; i < count; ++i)
        blocks.push_back(MakeTti(i + 1, "Block " + std::to_string(i)));
    return blocks;
}

std::vector<uint8_t> Copy(const uint8_t* block) {
    return std::vector<uint8_t>(block, block + TTI_BLOCK_SIZE);
}

class Buffering : public ::testing::Test {
protected:
    ~Buffering() override { FileFaults() = TFileFaults(); }

    // Counts the reads or writes that reach the file system.
    void CountReads() {
        FileFaults().BeforeRead = [this](const std::string&, int64_t) {
            ++reads;
            return true;
        };
    }
    void CountWrites() {
        FileFaults().BeforeWrite = [this](const std::string&, int64_t) {
            ++writes;
            return true;
        };
    }

    // Buffered writer with room for 4 blocks.
    void OpenWriter(TSTLWriter& writer) {
        ASSERT_TRUE(writer.SetWriteBufferSize(4 * TTI_BLOCK_SIZE + 100));
        ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
        ASSERT_EQ(writer.SetGeneralSubtitleInformation(MakeGsi(0).data()), STATUS_OK);
    }

    TempDir dir;
    TraceCapture trace;
    std::string path = dir.File("file.stl");
    int reads = 0;
    int writes = 0;
};

TEST_F(Buffering, ReaderFetchesWindowsAndHandsOutCopies) {
    const uint32_t perWindow = uint32_t(STL_READ_AHEAD_SIZE / TTI_BLOCK_SIZE);
    const uint32_t count = 2 * perWindow + perWindow / 2; // two and a half windows
    const auto blocks = Numbered(int(count));
    WriteStl(path, MakeGsi(int(count)), blocks);
    TSTLReader reader;
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    CountReads();
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* tti = nullptr;
        ASSERT_EQ(reader.GetTextAndTimingInformation(i, tti), STATUS_OK);
        ASSERT_EQ(Copy(tti), blocks[i]) << i;
        tti[TTI_TEXT_FIELD_OFFSET] = 'X'; // callers edit their block in place
    }
    EXPECT_EQ(reads, 3);
    // Out of order, and again after the edits: still the file's bytes.
    for (uint32_t i : {0u, count - 1, count / 2, perWindow - 1, perWindow, 0u}) {
        uint8_t* tti = nullptr;
        ASSERT_EQ(reader.GetTextAndTimingInformation(i, tti), STATUS_OK);
        EXPECT_EQ(Copy(tti), blocks[i]) << i;
    }
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Buffering, ReaderForgetsTheWindowOfAnEarlierFile) {
    WriteStl(path, MakeGsi(2), Numbered(2));
    const std::string other = dir.File("other.stl");
    const auto otherBlocks = std::vector<std::vector<uint8_t>>{MakeTti(9, "Other"), MakeTti(8, "")};
    WriteStl(other, MakeGsi(2), otherBlocks);
    TSTLReader reader;
    uint8_t* tti = nullptr;
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    ASSERT_EQ(reader.GetTextAndTimingInformation(0, tti), STATUS_OK);
    ASSERT_EQ(reader.OpenFile(other, true), STATUS_OK);
    ASSERT_EQ(reader.GetTextAndTimingInformation(1, tti), STATUS_OK);
    EXPECT_EQ(Copy(tti), otherBlocks[1]);

    // Closed, a block still in the window is refused like any other.
    reader.CloseFile();
    EXPECT_EQ(reader.GetTextAndTimingInformation(0, tti), STATUS_FAIL);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{
                                 "vlm: Error in TSTLReader.GetTextAndTimingInformation call..."});
}

TEST_F(Buffering, WriterHoldsBlocksBackAndWritesTheSameFile) {
    const auto blocks = Numbered(10);
    TSTLWriter writer;
    OpenWriter(writer);
    CountWrites();
    for (size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_EQ(writer.AddTextAndTimingInformation(blocks[i].data()), STATUS_OK);
        if (i == 3) {
            EXPECT_EQ(ReadBytes(path).size(), 0u) << "written before the buffer was full";
        }
    }
    EXPECT_FALSE(writer.IsFileComplete());
    ASSERT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_TRUE(writer.IsFileComplete());
    EXPECT_EQ(writes, 4); // blocks 0-3, 4-7, 8-9, then the header

    auto expected = MakeGsi(0);
    SetField(expected, 238, 5, "00010");
    SetField(expected, 243, 5, "10");
    for (const auto& block : blocks)
        expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Buffering, FailedFlushFailsTheAddAndIsRetried) {
    const auto blocks = Numbered(5);
    TSTLWriter writer;
    OpenWriter(writer);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(writer.AddTextAndTimingInformation(blocks[size_t(i)].data()), STATUS_OK);
    EXPECT_FALSE(writer.SetWriteBufferSize(0)); // blocks are waiting

    FileFaults().BeforeWrite = [](const std::string&, int64_t) { return false; };
    EXPECT_EQ(writer.AddTextAndTimingInformation(blocks[4].data()), STATUS_FAIL);
    EXPECT_EQ(writer.GetTextAndTimingInformationCount(), 4u);
    FileFaults() = TFileFaults();
    ASSERT_EQ(writer.AddTextAndTimingInformation(blocks[4].data()), STATUS_OK);
    ASSERT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_TRUE(writer.IsFileComplete());
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"vlm: Error in TSTLWriter.AddTextAndTimingInformation - "
                                       "cannot write Text And Timing Information block."});

    const auto file = ReadBytes(path);
    ASSERT_EQ(file.size(), 1024u + 5u * 128u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + long(1024 + 128 * i),
                                       file.begin() + long(1024 + 128 * (i + 1))),
                  blocks[i])
            << i;
}

// What CloseFile leaves and whether it says the file is complete.
struct TCloseCase {
    const char* Name;
    bool Buffered;
    bool SetGsi;
    std::function<bool(int64_t count)> AllowWrite; // at close
    bool Complete;
    std::vector<std::string> Trace;
    bool HeaderSkipped = false; // a header counting blocks the file lacks is not written
};

void PrintTo(const TCloseCase& c, std::ostream* os) {
    *os << c.Name;
}

class WriterClose : public Buffering, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(WriterClose, CompleteOnlyWhenEverythingWasWritten) {
    const TCloseCase& c = GetParam();
    TSTLWriter writer;
    if (c.Buffered) {
        ASSERT_TRUE(writer.SetWriteBufferSize(64 * 1024));
    }
    ASSERT_EQ(writer.OpenFile(path), STATUS_OK);
    if (c.SetGsi) {
        ASSERT_EQ(writer.SetGeneralSubtitleInformation(MakeGsi(0).data()), STATUS_OK);
        ASSERT_EQ(writer.AddTextAndTimingInformation(MakeTti(1, "One").data()), STATUS_OK);
    }
    FileFaults().BeforeWrite = [&](const std::string&, int64_t count) {
        return c.AllowWrite(count);
    };
    EXPECT_EQ(writer.CloseFile(), STATUS_OK);
    EXPECT_EQ(writer.IsFileComplete(), c.Complete);
    EXPECT_EQ(trace.Lines(), c.Trace);
    if (c.HeaderSkipped) {
        const auto file = ReadBytes(path);
        EXPECT_TRUE(file.size() < GSI_BLOCK_SIZE ||
                    std::vector<uint8_t>(file.begin(), file.begin() + GSI_BLOCK_SIZE) ==
                        std::vector<uint8_t>(GSI_BLOCK_SIZE, 0));
    }
}

const auto ALL = [](int64_t) { return true; };
const auto NO_HEADER = [](int64_t count) { return count != GSI_BLOCK_SIZE; };
const auto NO_BLOCKS = [](int64_t count) { return count == GSI_BLOCK_SIZE; };
const std::string CLOSE = "vlm: Error in TSTLWriter.CloseFile - ";

INSTANTIATE_TEST_SUITE_P(
    Buffering, WriterClose,
    ::testing::Values(TCloseCase{"Buffered", true, true, ALL, true, {}},
                      TCloseCase{"Unbuffered", false, true, ALL, true, {}},
                      TCloseCase{"NoGsi", true, false, ALL, false, {}},
                      TCloseCase{"HeaderFails",
                                 true,
                                 true,
                                 NO_HEADER,
                                 false,
                                 {CLOSE + "cannot update the General Subtitle Information block."}},
                      TCloseCase{"UnbufferedHeaderFails",
                                 false,
                                 true,
                                 NO_HEADER,
                                 false,
                                 {CLOSE + "cannot update the General Subtitle Information block."}},
                      TCloseCase{"BlocksFail",
                                 true,
                                 true,
                                 NO_BLOCKS,
                                 false,
                                 {CLOSE + "cannot write Text And Timing Information block."},
                                 true}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
