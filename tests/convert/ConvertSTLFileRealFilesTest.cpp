// Every real STL file beside the project, converted with settings that rewrite every field
// they can: the destination must equal the source outside the rewritten fields, byte for
// byte, and its blocks must be the source's after the hex substitutions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/convert/ConvertSTLFileSupport.h"
#include "tests/stl/RealFileList.h"

using namespace testsupport;

namespace {

class RealFileConversion : public ConvertFixture {
protected:
    RealFileConversion() {
        settings.TapeIDSource = tisFileName;
        settings.LanguageSource = lsFileName;
        settings.PerformLanguageCheck = false;
        settings.RemoveZeroPage = true;
        settings.ZeroPageKeyWord = "Test";
        settings.TimeCodeStartOfProgrammeSource = 1;
        settings.TimeCodeStartOfProgramme = "10203040";
        settings.TimeCodeFirstInCueSource = 1;
        settings.TimeCodeFirstInCue = "10203041";
        settings.FramesPerSecondSource = 1;
        settings.FramesPerSecond = "STL30.01";
        settings.CodePageNumberSource = 3;
        settings.CharacterCodeTableNumberSource = 2;
        settings.DisplayStandardCodeSource = 4;
        AddHexItem(1, 0x8A, 0x8E);
        AddHexItem(2, 0x0B0B, 0x0C0C);
        AddHexItem(1, 0x8F, 0x20);
    }

    // The source's GSI block with the rewritten fields and the counts the writer stores.
    static std::vector<uint8_t> ExpectedGsi(const std::vector<uint8_t>& source,
                                            const std::string& tapeID, size_t blocks) {
        std::vector<uint8_t> gsi(source.begin(), source.begin() + GSI_BLOCK_SIZE);
        SetField(gsi, 0, 3, "860");
        SetField(gsi, 3, 8, "STL30.01");
        SetField(gsi, 11, 1, "2");
        SetField(gsi, 12, 2, "01");
        SetField(gsi, 14, 2, "0F");
        SetField(gsi, 208, 16, tapeID);
        SetField(gsi, 256, 8, "10203040");
        SetField(gsi, 264, 8, "10203041");
        SetField(gsi, 238, 5, ZeroPadded(blocks, 5));
        SetField(gsi, 243, 5, std::to_string(blocks));
        return gsi;
    }
};

TEST_F(RealFileConversion, OutsideTheRewrittenFieldsEveryByteIsTheSource) {
    REQUIRE_REAL_STL_FILES();
    const auto rows = LoadRealFileList();
    ASSERT_FALSE(rows.empty());
    int converted = 0;
    int zeroPages = 0;
    int untouchedUserData = 0;
    for (size_t n = 0; n < rows.size(); ++n) {
        const TRealFile& row = rows[n];
        SCOPED_TRACE(row.Path);
        const std::string tapeID = "R" + ZeroPadded(n, 7);
        NameSource(tapeID + "_FR1.stl");
        std::filesystem::copy_file(row.Path, source);
        const auto bytes = ReadBytes(source);

        const bool result = Convert();
        if (!row.ExpectOpen()) {
            EXPECT_FALSE(result);
            // The refusal, then the reader's reason for it.
            ASSERT_EQ(reports.size(), 2u);
            EXPECT_EQ(reports[0], (TReport{rtError, "Cannot open source STL file " + source}));
            EXPECT_EQ(reports[1].Type, rtInfo);
            EXPECT_EQ(reports[1].Text.rfind("Reason: ", 0), 0u) << reports[1].Text;
            EXPECT_FALSE(std::filesystem::exists(destination));
            continue;
        }
        ASSERT_TRUE(result) << ::testing::PrintToString(reports);
        ++converted;

        const uint32_t count = row.ExpectedCount();
        const auto text = [&](uint32_t i) {
            return STLTextToString(bytes.data() + GSI_BLOCK_SIZE + TTI_BLOCK_SIZE * i +
                                       TTI_TEXT_FIELD_OFFSET,
                                   TTI_TEXT_FIELD_WIDTH);
        };
        const bool dropFirst = count > 0 && text(0).find("Test") != std::string::npos;
        zeroPages += dropFirst ? 1 : 0;

        std::vector<uint8_t> blocks;
        for (uint32_t i = dropFirst ? 1 : 0; i < count; ++i) {
            const auto from = bytes.begin() + GSI_BLOCK_SIZE + TTI_BLOCK_SIZE * i;
            std::vector<uint8_t> block(from, from + TTI_BLOCK_SIZE);
            if (block[TTI_EXTENSION_BLOCK_NUMBER_OFFSET] == TTI_EBN_USER_DATA)
                ++untouchedUserData;
            else
                ASSERT_TRUE(HexFindAndReplaceList(block.data() + TTI_TEXT_FIELD_OFFSET,
                                                  TTI_TEXT_FIELD_WIDTH,
                                                  &settings.HexFindAndReplaceItems));
            blocks.insert(blocks.end(), block.begin(), block.end());
        }
        auto expected = ExpectedGsi(bytes, tapeID, blocks.size() / TTI_BLOCK_SIZE);
        expected.insert(expected.end(), blocks.begin(), blocks.end());

        const auto actual = ReadBytes(destination);
        const std::string difference = FirstDifference(expected, actual);
        EXPECT_EQ(difference, "") << "first difference in " << difference;
        const std::string zeroPage =
            dropFirst ? "Zero page found - removing the zero page" : "Zero page not found";
        const std::vector<TReport> infos = {{rtInfo, zeroPage}};
        EXPECT_EQ(reports, count == 0 ? std::vector<TReport>() : infos);
        EXPECT_EQ(HiddenEntries(dstFolder), std::vector<std::string>{});
        EXPECT_EQ(ReadBytes(source), bytes);
    }
    // The run must have met each kind of file it claims to handle.
    EXPECT_GT(converted, 90);
    EXPECT_GT(zeroPages, 10);
    EXPECT_GT(converted, zeroPages);
    EXPECT_GT(untouchedUserData, 10);
}

} // namespace
