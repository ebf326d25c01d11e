// The reader on the real files beside the project, checked against files.tsv, which was
// made from the files independently of this code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "platform/TextUtils.h"
#include "stl/STLReader.h"
#include "tests/common/TestSupport.h"
#include "tests/stl/RealFileList.h"
#include "tests/stl/ReportRecorder.h"

using namespace testsupport;

namespace {

TEST(RealFiles, ListedFilesAreTheFilesPresent) {
    REQUIRE_REAL_STL_FILES();
    std::set<std::string> listed;
    for (const auto& row : LoadRealFileList())
        listed.insert(row.Path);
    std::set<std::string> present;
    for (const auto& path : RealStlFiles())
        present.insert(path.string());
    EXPECT_EQ(listed, present);
}

TEST(RealFiles, OpenWithTheExpectedCountAndEveryBlockReads) {
    REQUIRE_REAL_STL_FILES();
    const auto rows = LoadRealFileList();
    ASSERT_FALSE(rows.empty());
    int deviations = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Path);
        TraceCapture trace;
        TSTLReader reader;
        TReportRecorder recorder(reader);
        const TStatus status = reader.OpenFile(row.Path, true);
        if (!row.ExpectOpen()) {
            EXPECT_EQ(status, STATUS_FAIL);
            ASSERT_FALSE(recorder.Reports.empty());
            EXPECT_EQ(recorder.Reports.back().Type, rtError);
            continue;
        }
        ASSERT_EQ(status, STATUS_OK);
        EXPECT_EQ(recorder.Codes(), GsiInfoCodes());
        EXPECT_EQ(recorder.Reports[1].Text, "GSI - Disk Format Code : " + row.DiskFormatCode);
        EXPECT_EQ(recorder.Reports[4].Text, "GSI - Language Code : " + row.LanguageCode);
        EXPECT_EQ(reader.FrameRate(), 25);

        const uint32_t count = reader.GetTextAndTimingInformationCount();
        EXPECT_EQ(count, row.ExpectedCount());
        if (row.TtiBlocks > row.Subtitles && count == uint32_t(row.TtiBlocks))
            ++deviations;

        const auto bytes = ReadBytes(row.Path);
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t* tti = nullptr;
            ASSERT_EQ(reader.GetTextAndTimingInformation(i, tti), STATUS_OK) << i;
            ASSERT_EQ(std::vector<uint8_t>(tti, tti + 128),
                      std::vector<uint8_t>(bytes.begin() + 1024 + 128 * long(i),
                                           bytes.begin() + 1024 + 128 * long(i + 1)))
                << "block " << i;
        }
        EXPECT_TRUE(trace.Lines().empty());
    }
    // The files with more blocks than subtitles must have been read in full.
    EXPECT_GE(deviations, 4);
}

TEST(RealFiles, ThirtyFramesPerSecondCopy) {
    REQUIRE_REAL_STL_FILES();
    const auto files = RealStlFiles();
    ASSERT_FALSE(files.empty());
    TempDir dir;
    const std::string path = dir.File("thirty.stl");
    auto bytes = ReadBytes(LoadRealFileList().front().Path);
    SetField(bytes, 3, 8, "STL30.01");
    WriteBytes(path, bytes);
    TSTLReader reader;
    ASSERT_EQ(reader.OpenFile(path, true), STATUS_OK);
    EXPECT_EQ(reader.FrameRate(), 30);
}

} // namespace
