// Conversions under failing I/O: reads that come back short, renames that fail, a full disk
// while the source is moved across file systems, folders that vanish between the checks
// and the opening. Whatever happens, the destination is either complete or absent, no
// hidden file stays behind and the source is never lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/convert/ConvertSTLFileSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class ConvertFault;
using T = ConvertFault;

enum class TLeft { Nothing, Converted };

struct TFaultCase {
    const char* Name;
    std::function<void(T&)> Inject;
    bool Result;
    std::vector<TReport> Reports; // "%S" stands for the source path, "%D" for the destination
    TLeft Destination;
    bool SourceKept = true; // byte for byte, where it was
};

void PrintTo(const TFaultCase& c, std::ostream* os) {
    *os << c.Name;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

class ConvertFault : public ConvertFixture, public ::testing::WithParamInterface<TFaultCase> {
public:
    // Every read of the source for more than one block transfers half of what was asked;
    // its header read is whole.
    void ShortReadsOfSourceBlocks() {
        FileFaults().BeforeRead = [this](const std::string& path, int64_t count) {
            return path != source || count == GSI_BLOCK_SIZE || count <= TTI_BLOCK_SIZE;
        };
    }
    void MoveAcrossFileSystems() {
        settings.MoveProcessedFiles = true;
        settings.MoveProcessedFilesFolder = movedFolder;
        // A rename of the source fails as it does between two file systems.
        FileFaults().BeforeRename = [this](const std::string& from, const std::string&) {
            return from != source;
        };
    }
};

std::string Expand(std::string text, const T& f) {
    for (const auto& [mark, value] : {std::pair{"%S", f.source}, std::pair{"%D", f.destination}})
        if (const size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, 2, value);
    return text;
}

TEST_P(ConvertFault, DestinationCompleteOrAbsentAndSourceKept) {
    const TFaultCase& c = GetParam();
    // More blocks than one read window and one write buffer hold, so reads and writes
    // happen more than once.
    WriteSource(std::vector<std::vector<uint8_t>>(9000, MakeTti(1, "Text \x8A line")));
    AddHexItem(1, 0x8A, 0x8F);
    const std::vector<uint8_t> original = ReadBytes(source);

    // What the destination holds when nothing fails.
    const std::string reference = dir.File("reference.stl");
    ASSERT_TRUE(Convert(reference));
    const std::vector<uint8_t> expected = ReadBytes(reference);

    c.Inject(*this);
    EXPECT_EQ(Convert(), c.Result);
    FileFaults() = TFileFaults();

    std::vector<TReport> want;
    for (const TReport& report : c.Reports)
        want.push_back({report.Type, Expand(report.Text, *this)});
    EXPECT_EQ(reports, want);

    if (c.Destination == TLeft::Converted) {
        EXPECT_EQ(FirstDifference(expected, ReadBytes(destination)), "");
    } else {
        EXPECT_FALSE(fs::exists(destination));
    }
    if (fs::exists(dstFolder)) {
        EXPECT_EQ(HiddenEntries(dstFolder), std::vector<std::string>{});
    }
    if (c.SourceKept) {
        // A move that failed leaves nothing in the move folder, not even a hidden copy.
        EXPECT_TRUE(fs::is_empty(movedFolder));
        EXPECT_EQ(ReadBytes(source), original);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ConvertFault,
    ::testing::Values(
        TFaultCase{"BlockReadsComeBackShort",
                   [](T& f) { f.ShortReadsOfSourceBlocks(); },
                   true,
                   {},
                   TLeft::Converted},
        TFaultCase{
            "HeaderReadComesBackShort",
            [](T& f) {
                FileFaults().BeforeRead = [&f](const std::string& path, int64_t count) {
                    return path != f.source || count != GSI_BLOCK_SIZE;
                };
            },
            false,
            {{rtError, "Cannot open source STL file %S"}, {rtInfo, "Reason: not an EBU STL file"}},
            TLeft::Nothing},
        TFaultCase{"RenameIntoPlaceFails",
                   [](T& f) {
                       FileFaults().BeforeRename = [&f](const std::string&, const std::string& to) {
                           return to != f.destination;
                       };
                   },
                   false,
                   {{rtError, "Cannot create destination STL file %D"},
                    {rtInfo, "Reason: Invalid cross-device link"}},
                   TLeft::Nothing},
        // A flush that fails is a failed conversion: nothing is delivered that a power loss
        // could empty, and the source stays for the next try.
        TFaultCase{"FlushOfTheConvertedFileFails",
                   [](T& f) {
                       FileFaults().BeforeSync = [&f](const std::string& path) {
                           return !StartsWith(path, f.dstFolder + "/.");
                       };
                   },
                   false,
                   {{rtError, "Cannot create destination STL file %D"},
                    {rtInfo, "Reason: Input/output error"}},
                   TLeft::Nothing},
        TFaultCase{"FlushOfTheDestinationFolderFails",
                   [](T& f) {
                       FileFaults().BeforeSync = [&f](const std::string& path) {
                           return path != f.dstFolder;
                       };
                   },
                   false,
                   {{rtError, "Cannot create destination STL file %D"},
                    {rtInfo, "Reason: Input/output error"}},
                   TLeft::Nothing},
        TFaultCase{"DestinationFolderVanishesBeforeTheCreate",
                   [](T& f) {
                       FileFaults().BeforeOpen = [&f](const std::string& path) {
                           if (StartsWith(path, f.dstFolder + "/"))
                               fs::remove_all(f.dstFolder);
                           return true;
                       };
                   },
                   false,
                   {{rtError, "Cannot create destination STL file %D"},
                    {rtInfo, "Reason: No such file or directory"}},
                   TLeft::Nothing},
        TFaultCase{"SourceVanishesBetweenTheCheckAndTheOpen",
                   [](T& f) {
                       FileFaults().BeforeOpen = [&f](const std::string& path) {
                           if (path == f.source)
                               fs::remove(f.source);
                           return true;
                       };
                   },
                   false,
                   {{rtError, "Cannot open source STL file %S"},
                    {rtInfo, "Reason: No such file or directory"}},
                   TLeft::Nothing,
                   false},
        TFaultCase{"DiskFullWhileTheSourceIsCopiedAway",
                   [](T& f) {
                       f.MoveAcrossFileSystems();
                       FileFaults().BeforeWrite = [&f](const std::string& path, int64_t) {
                           return !StartsWith(path, f.movedFolder + "/");
                       };
                   },
                   false,
                   {{rtError, "Cannot move processed STL file"},
                    {rtInfo, "Reason: No space left on device"}},
                   TLeft::Converted},
        TFaultCase{"CopiedSourceCannotBeRenamedIntoPlace",
                   [](T& f) {
                       f.MoveAcrossFileSystems();
                       FileFaults().BeforeRename = [&f](const std::string& from,
                                                        const std::string& to) {
                           return from != f.source && !StartsWith(to, f.movedFolder + "/");
                       };
                   },
                   false,
                   {{rtError, "Cannot move processed STL file"},
                    {rtInfo, "Reason: Invalid cross-device link"}},
                   TLeft::Converted},
        TFaultCase{"SourceReadsComeBackShortWhileCopiedAway",
                   [](T& f) {
                       f.MoveAcrossFileSystems();
                       f.ShortReadsOfSourceBlocks();
                   },
                   false,
                   {{rtError, "Cannot move processed STL file"}},
                   TLeft::Converted}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
