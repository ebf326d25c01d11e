// The hint of a watch run names the watch folder whose file failed, by its number, and only
// when that folder's settings hold no subtitle file type; it follows only the faults of a
// file name that gives no tape ID or language, and only once.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/CliHints.h"
#include "watchfolder/WatchFolderList.h"

namespace {

struct THintCase {
    const char* Name;
    size_t Folder;
    std::string Number; // of the folder the hint names; empty: no hint
};

void PrintTo(const THintCase& c, std::ostream* os) {
    *os << c.Name;
}

class WatchFolderHint : public ::testing::TestWithParam<THintCase> {};

TEST_P(WatchFolderHint, NamesTheFolderWithoutAFileType) {
    TWatchFolderList list;
    for (const char* folder : {"/in/news", "/in/sport/", "/in/films"}) {
        list.Items.push_back(std::make_unique<TWatchFolderItem>());
        list.Items.back()->Settings.WatchFolder = folder;
    }
    list.Items[0]->Settings.SubtitleFileTypes.push_back(std::make_unique<TSubtitleFileType>());

    const THintCase& c = GetParam();
    const std::string hint = WatchFolderFileNameHint(list, c.Folder);
    if (c.Number.empty()) {
        EXPECT_EQ(hint, "");
        return;
    }
    EXPECT_EQ(hint, "caplin-cli: hint: watch folder " + c.Number +
                        " holds no subtitle file type to read the tape ID and language from a "
                        "file name; add one (caplin-cli file-types add --watch-folder " +
                        c.Number +
                        " Name=... CharsCount=... TapeIDParseStringStartPosition=... ...) or take "
                        "them from elsewhere (caplin-cli watch-folders update " +
                        c.Number + " LanguageSource=... TapeIDSource=...)");
}

INSTANTIATE_TEST_SUITE_P(Paths, WatchFolderHint,
                         ::testing::Values(THintCase{"FolderWithAFileType", 0, ""},
                                           THintCase{"SecondFolder", 1, "2"},
                                           THintCase{"ThirdFolder", 2, "3"},
                                           THintCase{"NoSuchFolder", 3, ""}),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST(FileNameHints, FollowOnlyTheFileNameFaultsOnce) {
    std::ostringstream err;
    TFileNameHints hints(err);
    int asked = 0;
    const auto hint = [&asked] {
        ++asked;
        return std::string("hint");
    };
    for (const TConvertFault fault :
         {TConvertFault::None, TConvertFault::CannotOpenSource, TConvertFault::DestinationExists})
        hints.Converted({fault, {}, {}}, hint);
    EXPECT_EQ(asked, 0);
    hints.Converted({TConvertFault::LanguageNotInFileName, {}, {}}, [] { return std::string(); });
    hints.Converted({TConvertFault::TapeIDNotInFileName, {}, {}}, hint);
    hints.Converted({TConvertFault::LanguageNotInFileName, {}, {}}, hint);
    EXPECT_EQ(err.str(), "hint\n");
}

} // namespace
