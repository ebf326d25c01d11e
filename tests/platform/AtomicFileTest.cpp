// A file written under a hidden name and renamed into place: whichever step fails, the old
// target stays byte for byte and no hidden file is left.
#include "platform/AtomicFile.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <unistd.h>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

using TStep = TAtomicFile::TStep;

const std::vector<uint8_t> kOld = {'o', 'l', 'd', 0, 0xFF, '\n'};

std::vector<std::string> Entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct TFaultCase {
    const char* Name;
    TDurability Durability;
    std::function<void()> Arm;
    TStep Failed;        // None: every call succeeds
    bool Commits = true; // false: the object is dropped without a commit
};

void PrintTo(const TFaultCase& c, std::ostream* os) {
    *os << c.Name;
}

class AtomicFileFault : public ::testing::TestWithParam<std::tuple<TFaultCase, bool>> {
protected:
    ~AtomicFileFault() override { FileFaults() = TFileFaults(); }
};

TEST_P(AtomicFileFault, LeavesTheOldTargetWholeAndNoHiddenFile) {
    const auto& [c, hadTarget] = GetParam();
    TempDir dir;
    const std::string target = dir.File("out.stl");
    if (hadTarget)
        WriteBytes(target, kOld);
    // More than one write, so a failure can land half way.
    const std::vector<uint8_t> data(100000, 0x5A);

    c.Arm();
    std::optional<bool> committed;
    {
        TAtomicFile file(target, c.Durability);
        EXPECT_EQ(file.TempPath(), dir.File(".out.stl.part-" + std::to_string(getpid())));
        const bool written = file.Create() && file.Write(data.data(), 50000) &&
                             file.Write(data.data() + 50000, 50000);
        if (written && c.Commits)
            committed = file.Commit(TReplace::Overwrite);
        EXPECT_EQ(file.FailedStep(), c.Failed);
        // A failed step removes the hidden file at once, not only when the object goes.
        EXPECT_EQ(std::filesystem::exists(file.TempPath()), !c.Commits);
    }
    FileFaults() = TFileFaults();

    if (c.Failed == TStep::None && c.Commits) {
        EXPECT_EQ(committed, true);
        EXPECT_EQ(ReadBytes(target), data);
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"out.stl"});
    } else if (hadTarget) {
        EXPECT_EQ(ReadBytes(target), kOld);
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"out.stl"});
    } else {
        EXPECT_EQ(Entries(dir), std::vector<std::string>{});
    }
}

const TFaultCase kFaultCases[] = {
    {"CreateRefused", TDurability::Durable,
     [] { FileFaults().BeforeOpen = [](const std::string&) { return false; }; }, TStep::Create},
    {"SecondWriteFindsTheDiskFull", TDurability::Durable,
     [] {
         auto writes = std::make_shared<int>(0);
         FileFaults().BeforeWrite = [writes](const std::string&, int64_t) { return ++*writes < 2; };
     },
     TStep::Write},
    {"FlushFails", TDurability::Durable,
     [] { FileFaults().BeforeSync = [](const std::string&) { return false; }; }, TStep::Flush},
    {"RenameFails", TDurability::Durable,
     [] {
         FileFaults().BeforeRename = [](const std::string&, const std::string&) { return false; };
     },
     TStep::Rename},
    {"DroppedWithoutCommit", TDurability::Durable, [] {}, TStep::None, false},
    // The switch that keeps the conversion off the disk's pace: no flush is asked for.
    {"CachedFileIsNotFlushed", TDurability::Cached,
     [] { FileFaults().BeforeSync = [](const std::string&) { return false; }; }, TStep::None},
};

INSTANTIATE_TEST_SUITE_P(AtomicFile, AtomicFileFault,
                         ::testing::Combine(::testing::ValuesIn(kFaultCases), ::testing::Bool()),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param).Name) +
                                    (std::get<1>(param.param) ? "_OverAnOldTarget" : "_NoTarget");
                         });

TEST(AtomicFile, OverwriteReplacesTheTargetRefuseKeepsIt) {
    TempDir dir;
    const std::string target = dir.File("out.stl");
    const auto commit = [&](const std::string& text, TReplace replace) {
        TAtomicFile file(target);
        errno = 0;
        const bool done =
            file.Create() && file.Write(text.data(), int64_t(text.size())) && file.Commit(replace);
        return done ? 0 : errno;
    };
    EXPECT_EQ(commit("first", TReplace::Refuse), 0); // nothing to refuse yet
    EXPECT_EQ(testsupport::ReadText(target), "first");
    EXPECT_EQ(commit("second", TReplace::Refuse), EEXIST);
    EXPECT_EQ(testsupport::ReadText(target), "first");
    EXPECT_EQ(commit("third", TReplace::Overwrite), 0);
    EXPECT_EQ(testsupport::ReadText(target), "third");
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"out.stl"});
}

TEST(AtomicFile, CopyReplacesTheTargetOrLeavesItWhole) {
    TempDir dir;
    std::string big(200000, 'x');
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = char(i);
    testsupport::WriteText(dir.File("from"), big);
    testsupport::WriteText(dir.File("to"), "old");
    ASSERT_TRUE(CopyFileReplacing(dir.File("from"), dir.File("to")));
    EXPECT_EQ(testsupport::ReadText(dir.File("to")), big);

    FileFaults() = TFileFaults();
    testsupport::WriteText(dir.File("to"), "old");
    const std::function<void()> failures[] = {
        [] { FileFaults().BeforeRename = [](auto&, auto&) { return false; }; },
        [] { FileFaults().BeforeWrite = [](auto&, int64_t) { return false; }; },
        [] { FileFaults().BeforeRead = [](auto&, int64_t) { return false; }; },
    };
    for (const auto& arm : failures) {
        FileFaults() = TFileFaults();
        arm();
        EXPECT_FALSE(CopyFileReplacing(dir.File("from"), dir.File("to")));
        EXPECT_EQ(testsupport::ReadText(dir.File("to")), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    }
    FileFaults() = TFileFaults();
    EXPECT_FALSE(CopyFileReplacing(dir.File("missing"), dir.File("to")));
    EXPECT_FALSE(CopyFileReplacing(dir.File("from"), dir.File("nofolder/to")));
    FileFaults() = TFileFaults();
}

} // namespace
