// The hint of a watch run names the watch folder whose file failed, by its number, and only
// when that folder's settings hold no subtitle file type.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cli/CliHints.h"
#include "watchfolder/WatchFolderList.h"

namespace {

struct THintCase {
    const char* Name;
    std::string Path;
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
    const std::string hint = WatchFolderFileNameHint(list, c.Path);
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

INSTANTIATE_TEST_SUITE_P(
    Paths, WatchFolderHint,
    ::testing::Values(THintCase{"FolderWithAFileType", "/in/news/a.stl", ""},
                      THintCase{"StoredWithTrailingSlash", "/in/sport/a.stl", "2"},
                      THintCase{"StoredWithout", "/in/films/a.stl", "3"},
                      THintCase{"SubfolderOfAWatchFolder", "/in/films/old/a.stl", ""},
                      THintCase{"NoWatchFolder", "/elsewhere/a.stl", ""}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
