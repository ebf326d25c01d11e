// The viewer's model of a file: header text by its code page, extension and user data blocks
// mapped to their subtitles, and findings landing on the subtitle of their block.
#include <gtest/gtest.h>

#include "session/STLFileView.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

// Teletext row 20, centred, from 10:00:(second) to 10:00:(second + 5).
std::vector<uint8_t> Tti(int number, const std::string& text, int ebn, int second) {
    std::vector<uint8_t> tti = MakeTti(number, text);
    const uint8_t fields[11] = {uint8_t(ebn),        0, 10, 0, uint8_t(second), 0, 10, 0,
                                uint8_t(second + 5), 0, 20};
    std::copy(fields, fields + 11, tti.begin() + 3);
    tti[14] = 2;
    tti[15] = 0;
    return tti;
}

} // namespace

TEST(STLFileView, MapsBlocksAndFindingsToSubtitlesAndDecodesTheHeader) {
    TempDir dir;
    std::vector<uint8_t> gsi = MakeGsi(4);
    SetField(gsi, 16, 32, "Caf\x82"); // 82h is é in code page 850
    std::vector<uint8_t> second = Tti(1, "Second", 0xFF, 10);
    second[11] = 0; // out before in
    const std::string path = dir.File("view.stl");
    WriteStl(path, gsi,
             {Tti(0, "Long ", 0x00, 0), Tti(0, "text", 0xFF, 0), Tti(0, "", 0xFE, 0), second});

    TSTLFileView view;
    std::string failure;
    ASSERT_TRUE(ReadSTLFileView(path, view, failure)) << failure;
    EXPECT_EQ(view.Header[5].Name, "Original Programme Title");
    EXPECT_EQ(view.Header[5].Value, "Café");
    ASSERT_EQ(view.Text.Subtitles.size(), 2u);
    EXPECT_EQ(view.SubtitleAtBlock(2), 0);
    EXPECT_EQ(view.SubtitleAtBlock(3), 1); // user data: the subtitle after it
    EXPECT_EQ(view.SubtitleAtBlock(99), 1);
    bool outBeforeIn = false;
    for (const uint32_t finding : view.SubtitleFindings[1])
        outBeforeIn = outBeforeIn || view.Findings[finding].Field == "TCO";
    EXPECT_TRUE(outBeforeIn);

    // A code page the system cannot convert still shows every byte.
    EXPECT_EQ(CodePageTextToUtf8("\xE9", "999"), "é");
    EXPECT_FALSE(ReadSTLFileView(dir.File("missing.stl"), view, failure));
    EXPECT_EQ(failure, "no such file");
}
