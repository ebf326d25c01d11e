#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "qc/QualityCheck.h"
#include "stl/STLReader.h"
#include "tests/convert/ConvertSTLFileSupport.h"

using namespace testsupport;

namespace {

const std::string CONVERT_CALL = "vlm: Error in ConvertSTLFile call...";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// ---------------------------------------------------------------------------------------
// Outcomes: result, every report (exact text), what is left of destination and source.

enum class TDestination {
    Absent,    // no file under the destination name
    Converted, // a complete STL file
    Foreign,   // the file that was there before, untouched
    Unchecked,
};

enum class TSource {
    Kept, // byte for byte
    Gone,
    Unchecked,
};

class ConvertOutcome;

struct TOutcomeCase {
    const char* Name;
    std::function<void(ConvertOutcome&)> Prepare;
    bool Result;
    std::vector<TReport> Reports; // "%S" stands for the source path, "%D" for the destination
    TDestination Destination = TDestination::Absent;
    TSource Source = TSource::Kept;
    bool Unexpected = false; // the failure is traced, not reported
};

void PrintTo(const TOutcomeCase& c, std::ostream* os) {
    *os << c.Name;
}

class ConvertOutcome : public ConvertFixture, public ::testing::WithParamInterface<TOutcomeCase> {
public:
    std::string destinationFile; // passed to the conversion; empty uses the folder
    std::string& Destination() { return destinationFile.empty() ? destination : destinationFile; }

    void Foreign(const std::string& path) { WriteText(path, "not ours"); }
};

TEST_P(ConvertOutcome, ReportsAndLeavesFiles) {
    const TOutcomeCase& c = GetParam();
    c.Prepare(*this);
    const auto sourceBytes = ReadBytes(source);
    trace.Clear();

    EXPECT_EQ(Convert(destinationFile), c.Result);

    std::vector<TReport> expected;
    for (const TReport& report : c.Reports)
        expected.push_back(
            {report.Type, Replaced(Replaced(report.Text, "%S", source), "%D", Destination())});
    EXPECT_EQ(reports, expected);
    if (c.Unexpected) {
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{CONVERT_CALL});
    } else {
        EXPECT_FALSE(trace.Contains(CONVERT_CALL));
    }

    EXPECT_EQ(HiddenEntries(dstFolder), std::vector<std::string>{});
    switch (c.Destination) {
    case TDestination::Absent:
        EXPECT_FALSE(std::filesystem::exists(Destination()));
        break;
    case TDestination::Converted: {
        TSTLReader reader;
        EXPECT_EQ(reader.OpenFile(Destination(), true), STATUS_OK);
        break;
    }
    case TDestination::Foreign:
        EXPECT_EQ(ReadText(Destination()), "not ours");
        break;
    case TDestination::Unchecked:
        break;
    }
    if (c.Source == TSource::Kept) {
        EXPECT_EQ(ReadBytes(source), sourceBytes) << "the source changed";
    } else if (c.Source == TSource::Gone) {
        EXPECT_FALSE(std::filesystem::exists(source));
    }
    if (c.Result && c.Source == TSource::Gone) {
        EXPECT_EQ(ReadBytes(movedFolder + "/" + kSourceName), sourceBytes) << "not moved";
        EXPECT_EQ(HiddenEntries(movedFolder), std::vector<std::string>{});
    }
}

using T = ConvertOutcome;
using TPrepare = std::function<void(T&)>;
constexpr auto Absent = TDestination::Absent;
constexpr auto Converted = TDestination::Converted;
constexpr auto Foreign = TDestination::Foreign;
constexpr auto Unchecked = TDestination::Unchecked;
constexpr auto Kept = TSource::Kept;
constexpr auto Gone = TSource::Gone;

TOutcomeCase Done(const char* name, TPrepare prepare, std::vector<TReport> reports = {},
                  TSource source = Kept) {
    return {name, std::move(prepare), true, std::move(reports), Converted, source};
}
TOutcomeCase Refused(const char* name, TPrepare prepare, std::string error,
                     TDestination destination = Absent, TSource source = Kept) {
    return {name, std::move(prepare), false, {{rtError, std::move(error)}}, destination, source};
}
// The Info that follows an Error with a cause below it.
TOutcomeCase Because(TOutcomeCase c, const std::string& reason) {
    c.Reports.push_back({rtInfo, "Reason: " + reason});
    return c;
}
// Traced as an unexpected failure, with no report.
TOutcomeCase Unexpected(const char* name, TPrepare prepare, TDestination destination) {
    return {name, std::move(prepare), false, {}, destination, Kept, true};
}

void MoveTo(T& f, const std::string& folder) {
    f.settings.MoveProcessedFiles = true;
    f.settings.MoveProcessedFilesFolder = folder;
}

// Renames fail as across file systems when they would move the source.
void SourceOnOtherDisk(T& f) {
    FileFaults().BeforeRename = [&f](const std::string& from, const std::string&) {
        return from != f.source;
    };
}

void RenameSource(ConvertFixture& f, const std::string& name) {
    std::filesystem::rename(f.source, f.srcFolder + "/" + name);
    f.NameSource(name);
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ConvertOutcome,
    ::testing::Values(
        Done("DestinationExistsOverridden",
             [](T& f) {
                 f.Foreign(f.destination);
                 f.settings.OverrideDestination = true;
             }),
        Done("LeftoverOfOurProcessId",
             [](T& f) {
                 f.Foreign(f.dstFolder + "/." + T::kSourceName + ".part-" +
                           std::to_string(::getpid()));
             }),
        Refused(
            "SourceMissing", [](T& f) { std::filesystem::remove(f.source); },
            "Source STL file %S not found.", Absent, Gone),
        Refused(
            "DestinationExists", [](T& f) { f.Foreign(f.destination); },
            "Duplicated destination STL file %D", Foreign),
        Because(Refused(
                    "DestinationCannotBeReplaced",
                    [](T& f) {
                        f.destinationFile = "/proc/self/status";
                        f.settings.OverrideDestination = true;
                    },
                    "Cannot create destination STL file %D", Unchecked),
                "No such file or directory"),
        Refused(
            "DestinationIsTheSource",
            [](T& f) {
                f.settings.DestinationFolder = f.srcFolder;
                f.settings.OverrideDestination = true;
                f.destination = f.source;
            },
            "Destination STL file is the source file %S", Unchecked),
        Refused(
            "DestinationIsALinkToTheSource",
            [](T& f) {
                std::filesystem::create_hard_link(f.source, f.destination);
                f.settings.OverrideDestination = true;
            },
            "Destination STL file is the source file %D", Unchecked),
        Because(Refused(
                    "SourceNotAnStlFile", [](T& f) { WriteText(f.source, "no subtitles here"); },
                    "Cannot open source STL file %S"),
                "not an EBU STL file"),
        Refused(
            "PredefinedLanguageDiffers",
            [](T& f) {
                f.settings.LanguageSource = lsPredefined;
                f.settings.LanguagePredefined = "0F";
                f.settings.PerformLanguageCheck = true;
            },
            "The predefined language French is different from the language in GSI - English"),
        Refused(
            "NoFileTypeForLanguage", [](T& f) { f.settings.SubtitleFileTypes.clear(); },
            "Cannot retrieve Language from file name"),
        Refused(
            "LanguageTokenOfFourCharacters",
            [](T& f) { f.settings.SubtitleFileTypes[0]->LanguageParseStringCharsCount = 4; },
            "Unknown Language code retreived from the file name EN1."),
        Refused(
            "LanguageTokenUnknown", [](T& f) { RenameSource(f, "AB123456_QQ1.stl"); },
            "Unknown Language code retreived from the file name QQ"),
        Refused(
            "FileNameLanguageDiffers",
            [](T& f) {
                RenameSource(f, "AB123456_FR1.stl");
                f.settings.PerformLanguageCheck = true;
            },
            "Language from the file name FR is different from the language in GSI - English"),
        Refused(
            "NoFileTypeForTapeID",
            [](T& f) {
                f.settings.SubtitleFileTypes.clear();
                f.settings.LanguageSource = 3;
                f.settings.TapeIDSource = tisFileName;
            },
            "Cannot retrieve TapeID from file name"),
        Refused(
            "FramesPerSecondInLowerCase",
            [](T& f) {
                f.settings.FramesPerSecondSource = 1;
                f.settings.FramesPerSecond = "stl25.01";
            },
            "Invalid Frames Per Second value - stl25.01"),
        Refused(
            "CodePageSourceSeven", [](T& f) { f.settings.CodePageNumberSource = 7; },
            "Invalid Code Page Number source value - 7"),
        Refused(
            "CharacterCodeTableSourceSix",
            [](T& f) { f.settings.CharacterCodeTableNumberSource = 6; },
            "Invalid Character Code Table Number source value - 6"),
        Refused(
            "DisplayStandardSourceNegative",
            [](T& f) { f.settings.DisplayStandardCodeSource = -1; },
            "Invalid Display Standard Code source value - -1"),
        Because(Refused(
                    "DestinationFolderMissing",
                    [](T& f) {
                        f.settings.DestinationFolder = f.dir.File("nowhere");
                        f.destination = f.dir.File("nowhere/") + T::kSourceName;
                    },
                    "Cannot create destination STL file %D"),
                "No such file or directory"),
        Because(Refused(
                    "HeaderWriteFailsAtClose",
                    [](T&) {
                        FileFaults().BeforeWrite = [](const std::string&, int64_t count) {
                            return count != GSI_BLOCK_SIZE;
                        };
                    },
                    "Cannot apply General Subtitle Information block"),
                "No space left on device"),
        Done("ZeroPageFound",
             [](T& f) {
                 f.settings.RemoveZeroPage = true;
                 f.settings.ZeroPageKeyWord = "Fir";
             },
             {{rtInfo, "Zero page found - removing the zero page"}}),
        Done("ZeroPageNotFound",
             [](T& f) {
                 f.settings.RemoveZeroPage = true;
                 f.settings.ZeroPageKeyWord = "Second";
             },
             {{rtInfo, "Zero page not found"}}),
        Refused(
            "SourceShrinksWhileRead",
            [](T& f) {
                FileFaults().BeforeRead = [&f](const std::string& path, int64_t count) {
                    if (path == f.source && count != GSI_BLOCK_SIZE)
                        std::filesystem::resize_file(f.source, GSI_BLOCK_SIZE);
                    return true;
                };
            },
            "Cannot retrieve Text And Timing Information block", Absent, TSource::Unchecked),
        Refused(
            "HexItemOfWidthThree", [](T& f) { f.AddHexItem(3, 0x414243, 0x616263); },
            "Cannot perform hex find and replace procedure"),
        Because(Refused(
                    "WriteFailsHalfWay",
                    [](T& f) {
                        // More blocks than the writer holds back, so some are written early.
                        f.WriteSource(std::vector<std::vector<uint8_t>>(9000, MakeTti(1, "x")));
                        FileFaults().BeforeWrite = [&f](const std::string& path, int64_t) {
                            return path.rfind(f.dstFolder, 0) != 0;
                        };
                    },
                    "Cannot add new Text And Timing Information block"),
                "No space left on device"),
        Refused(
            "RenameIntoPlaceMeetsANewFile",
            [](T& f) {
                FileFaults().BeforeRename = [&f](const std::string&, const std::string& to) {
                    if (to == f.destination)
                        f.Foreign(f.destination);
                    return true;
                };
            },
            "Duplicated destination STL file %D", Foreign),
        Done(
            "Moved", [](T& f) { MoveTo(f, f.movedFolder); }, {}, Gone),
        Done(
            "MovedAsAcrossFileSystems",
            [](T& f) {
                MoveTo(f, f.movedFolder);
                f.Foreign(f.movedFolder + "/" + T::kSourceName); // replaced
                SourceOnOtherDisk(f);
            },
            {}, Gone),
        Done("MoveOntoItself",
             [](T& f) {
                 // Even on the copy path the only copy must survive.
                 MoveTo(f, f.srcFolder + "/");
                 SourceOnOtherDisk(f);
             }),
        Because(Refused(
                    "MoveFolderMissing", [](T& f) { MoveTo(f, f.dir.File("nowhere")); },
                    "Cannot move processed STL file", Converted),
                "No such file or directory"),
        Because(Refused(
                    "MovedSourceCannotBeDeleted",
                    [](T& f) {
                        MoveTo(f, f.movedFolder);
                        // Across file systems; the source vanishes while it is copied.
                        FileFaults().BeforeRename = [&f](const std::string& from,
                                                         const std::string& to) {
                            if (from == f.source)
                                return false;
                            if (to.rfind(f.movedFolder, 0) == 0)
                                std::filesystem::remove(f.source);
                            return true;
                        };
                    },
                    "Cannot delete old processed STL file", Converted, Gone),
                "No such file or directory"),
        Unexpected(
            "NoDestinationFolder", [](T& f) { f.settings.DestinationFolder.clear(); }, Absent),
        Unexpected(
            "NoMoveFolder", [](T& f) { MoveTo(f, ""); }, Converted)),
    [](const auto& c) { return std::string(c.param.Name); });

TEST_F(ConvertFixture, ThrowingReportSinkEndsCleanly) {
    settings.RemoveZeroPage = true;
    settings.ZeroPageKeyWord = "Second";
    const bool converted =
        ConvertSTLFile(source, settings, "", [](int32_t, const char*) -> TStatus {
            throw std::runtime_error("sink broke");
        });
    EXPECT_FALSE(converted);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{CONVERT_CALL});
    // The writer had the hidden file open; it is gone with the writer.
    EXPECT_TRUE(std::filesystem::is_empty(dstFolder));
}

// ---------------------------------------------------------------------------------------
// The source's blocks as the destination holds them.

struct TBlockSpec {
    std::string Text;
    bool UserData = false;
};

struct TBlockCase {
    const char* Name;
    std::vector<TBlockSpec> Source;
    std::function<void(ConvertFixture&)> Set;
    std::vector<std::pair<size_t, std::string>> Expected; // source block, its text now
    std::vector<TReport> Reports;
};

void PrintTo(const TBlockCase& c, std::ostream* os) {
    *os << c.Name;
}

std::vector<uint8_t> Block(size_t index, const TBlockSpec& spec) {
    auto block = MakeTti(int(index + 1), spec.Text);
    if (spec.UserData)
        block[TTI_EXTENSION_BLOCK_NUMBER_OFFSET] = TTI_EBN_USER_DATA;
    return block;
}

class BlockCopy : public ConvertFixture, public ::testing::WithParamInterface<TBlockCase> {};

TEST_P(BlockCopy, DestinationHoldsTheExpectedBlocks) {
    const TBlockCase& c = GetParam();
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t i = 0; i < c.Source.size(); ++i)
        blocks.push_back(Block(i, c.Source[i]));
    WriteSource(blocks);
    c.Set(*this);

    ASSERT_TRUE(Convert());
    EXPECT_EQ(reports, c.Reports);

    auto expected = MakeGsi(int(blocks.size()));
    SetField(expected, 238, 5, ZeroPadded(c.Expected.size(), 5));
    SetField(expected, 243, 5, std::to_string(c.Expected.size()));
    for (const auto& [index, text] : c.Expected) {
        const auto block = Block(index, {text, c.Source[index].UserData});
        expected.insert(expected.end(), block.begin(), block.end());
    }
    const std::string difference = FirstDifference(expected, ReadBytes(destination));
    EXPECT_EQ(difference, "") << "first difference in " << difference;
}

void ZeroPage(ConvertFixture& f, const std::string& keyword) {
    f.settings.RemoveZeroPage = true;
    f.settings.ZeroPageKeyWord = keyword;
}

const TReport FOUND{rtInfo, "Zero page found - removing the zero page"};
const TReport NOT_FOUND{rtInfo, "Zero page not found"};

INSTANTIATE_TEST_SUITE_P(
    Convert, BlockCopy,
    ::testing::Values(TBlockCase{"ZeroPageDropped",
                                 {{"ZERO PAGE"}, {"Hello"}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {{1, "Hello"}},
                                 {FOUND}},
                      TBlockCase{"ZeroPageOnlyInSecondBlock",
                                 {{"Hello"}, {"ZERO"}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {{0, "Hello"}, {1, "ZERO"}},
                                 {NOT_FOUND}},
                      TBlockCase{"ZeroPageKeywordIsCaseSensitive",
                                 {{"zero page"}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {{0, "zero page"}},
                                 {NOT_FOUND}},
                      TBlockCase{"ZeroPageKeywordEmpty",
                                 {{"Hello"}},
                                 [](ConvertFixture& f) { ZeroPage(f, ""); },
                                 {{0, "Hello"}},
                                 {NOT_FOUND}},
                      TBlockCase{"ZeroPageKeywordAfterNul",
                                 {{std::string("Hi\0ZERO", 7)}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {{0, std::string("Hi\0ZERO", 7)}},
                                 {NOT_FOUND}},
                      TBlockCase{"ZeroPageNotAskedFor",
                                 {{"ZERO"}},
                                 [](ConvertFixture& f) { f.settings.ZeroPageKeyWord = "ZERO"; },
                                 {{0, "ZERO"}},
                                 {}},
                      TBlockCase{"OnlyTheZeroPage",
                                 {{"ZERO"}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {},
                                 {FOUND}},
                      TBlockCase{"ZeroPageTestedBeforeSubstitution",
                                 {{"ZERO"}, {"Zz"}},
                                 [](ConvertFixture& f) {
                                     ZeroPage(f, "ZERO");
                                     f.AddHexItem(1, 'Z', 'z');
                                 },
                                 {{1, "zz"}},
                                 {FOUND}},
                      TBlockCase{"UserDataZeroPageStillDropped",
                                 {{"ZERO", true}, {"Hello"}},
                                 [](ConvertFixture& f) { ZeroPage(f, "ZERO"); },
                                 {{1, "Hello"}},
                                 {FOUND}},
                      TBlockCase{"HexOneByte",
                                 {{"ABBA"}, {"BAAB"}},
                                 [](ConvertFixture& f) { f.AddHexItem(1, 0x41, 0x61); },
                                 {{0, "aBBa"}, {1, "BaaB"}},
                                 {}},
                      TBlockCase{"HexTwoBytes",
                                 {{"ABAB BA"}},
                                 [](ConvertFixture& f) { f.AddHexItem(2, 0x4142, 0x5859); },
                                 {{0, "XYXY BA"}},
                                 {}},
                      TBlockCase{"HexItemsInListOrder",
                                 {{"AB"}},
                                 [](ConvertFixture& f) {
                                     f.AddHexItem(1, 0x41, 0x42);
                                     f.AddHexItem(1, 0x42, 0x43);
                                 },
                                 {{0, "CC"}},
                                 {}},
                      TBlockCase{"HexLeavesUserDataAlone",
                                 {{"ABBA"}, {"ABBA", true}, {"ABBA"}},
                                 [](ConvertFixture& f) { f.AddHexItem(1, 0x41, 0x61); },
                                 {{0, "aBBa"}, {1, "ABBA"}, {2, "aBBa"}},
                                 {}},
                      TBlockCase{"InvalidHexItemNeverReachedOnUserData",
                                 {{"ZERO"}, {"ABBA", true}},
                                 [](ConvertFixture& f) {
                                     ZeroPage(f, "ZERO");
                                     f.AddHexItem(3, 0x41, 0x61);
                                 },
                                 {{1, "ABBA"}},
                                 {FOUND}}),
    [](const auto& c) { return std::string(c.param.Name); });

// ---------------------------------------------------------------------------------------
// Each GSI field from each of its sources; every other byte as in the source.

struct TFieldCase {
    const char* Name;
    std::function<void(ConvertFixture&)> Set;
    TGsiFieldId Field;
    std::string Expected; // the whole field
};

void PrintTo(const TFieldCase& c, std::ostream* os) {
    *os << c.Name;
}

class FieldSource : public ConvertFixture, public ::testing::WithParamInterface<TFieldCase> {};

TEST_P(FieldSource, FieldTakesItsValueAndNothingElseChanges) {
    const TFieldCase& c = GetParam();
    c.Set(*this);
    ASSERT_TRUE(Convert()) << ::testing::PrintToString(reports);

    const TGsiField& field = GsiField(c.Field);
    ASSERT_EQ(c.Expected.size(), size_t(field.Width));
    auto expected = ReadBytes(source);
    SetField(expected, size_t(field.Offset), size_t(field.Width), c.Expected);
    SetField(expected, 238, 5, "00002");
    SetField(expected, 243, 5, "2");
    const auto actual = ReadBytes(destination);
    EXPECT_EQ(
        std::string(actual.begin() + field.Offset, actual.begin() + field.Offset + field.Width),
        c.Expected);
    const std::string difference = FirstDifference(expected, actual);
    EXPECT_EQ(difference, "") << "first difference in " << difference;
}

std::vector<TFieldCase> FieldCases() {
    std::vector<TFieldCase> cases = {
        {"KeepEverything", [](ConvertFixture&) {}, gfCodePageNumber, "850"},
        {"CodePageCustomTwoDigits",
         [](ConvertFixture& f) {
             f.settings.CodePageNumberSource = 6;
             f.settings.CodePageNumberCustom = "20";
         },
         gfCodePageNumber, "20 "},
        {"CodePageCustomTooLong",
         [](ConvertFixture& f) {
             f.settings.CodePageNumberSource = 6;
             f.settings.CodePageNumberCustom = "12345";
         },
         gfCodePageNumber, "123"},
        {"FramesPerSecond",
         [](ConvertFixture& f) {
             f.settings.FramesPerSecondSource = 1;
             f.settings.FramesPerSecond = "STL30.01";
         },
         gfDiskFormatCode, "STL30.01"},
        {"FramesPerSecondKept", [](ConvertFixture& f) { f.settings.FramesPerSecond = "STL30.01"; },
         gfDiskFormatCode, "STL25.01"},
        {"StartOfProgramme",
         [](ConvertFixture& f) {
             f.settings.TimeCodeStartOfProgrammeSource = 1;
             f.settings.TimeCodeStartOfProgramme = "1234";
         },
         gfTimeCodeStartOfProgramme, "1234    "},
        {"StartOfProgrammeKeptForOtherSource",
         [](ConvertFixture& f) {
             f.settings.TimeCodeStartOfProgrammeSource = 2;
             f.settings.TimeCodeStartOfProgramme = "12345678";
         },
         gfTimeCodeStartOfProgramme, "10000000"},
        {"FirstInCueCut",
         [](ConvertFixture& f) {
             f.settings.TimeCodeFirstInCueSource = 1;
             f.settings.TimeCodeFirstInCue = "0102030405";
         },
         gfTimeCodeFirstInCue, "01020304"},
        {"TapeIDPredefinedLong",
         [](ConvertFixture& f) {
             f.settings.TapeIDSource = tisPredefined;
             f.settings.TapeIDPredefined = "ABCDEFGHIJKLMNOPQRST";
         },
         gfSubtitleListReferenceCode, "ABCDEFGHIJKLMNOP"},
        {"TapeIDPredefinedShort",
         [](ConvertFixture& f) {
             f.settings.TapeIDSource = tisPredefined;
             f.settings.TapeIDPredefined = "ABCDE";
         },
         gfSubtitleListReferenceCode, "ABCDE           "},
        {"TapeIDFromFileName",
         [](ConvertFixture& f) {
             RenameSource(f, "XY987654_EN1.stl");
             f.settings.TapeIDSource = tisFileName;
         },
         gfSubtitleListReferenceCode, "XY987654        "},
        {"TapeIDOtherSourceActsAsFileName", [](ConvertFixture& f) { f.settings.TapeIDSource = 7; },
         gfSubtitleListReferenceCode, "AB123456        "},
        {"LanguagePredefined",
         [](ConvertFixture& f) {
             f.settings.LanguageSource = lsPredefined;
             f.settings.LanguagePredefined = "0F";
         },
         gfLanguageCode, "0F"},
        {"LanguagePredefinedPassesCheck",
         [](ConvertFixture& f) {
             f.settings.LanguageSource = lsPredefined;
             f.settings.LanguagePredefined = "09";
             f.settings.PerformLanguageCheck = true;
         },
         gfLanguageCode, "09"},
        {"LanguageFromTwoLetterName",
         [](ConvertFixture& f) {
             RenameSource(f, "AB123456_FR1.stl");
             f.settings.LanguageSource = lsFileName;
         },
         gfLanguageCode, "0F"},
        {"LanguageFromThreeLetterName",
         [](ConvertFixture& f) {
             RenameSource(f, "AB123456_fra.stl");
             f.settings.SubtitleFileTypes[0]->LanguageParseStringCharsCount = 3;
             f.settings.LanguageSource = lsFileName;
         },
         gfLanguageCode, "0F"},
        {"LanguageFromFileNamePassesCheck",
         [](ConvertFixture& f) {
             f.settings.LanguageSource = lsFileName;
             f.settings.PerformLanguageCheck = true;
         },
         gfLanguageCode, "09"},
        {"LanguageSourceKeepsFieldAfterParsing",
         [](ConvertFixture& f) { RenameSource(f, "AB123456_FR1.stl"); }, gfLanguageCode, "09"},
        {"LanguageOtherSourceParsesNothing",
         [](ConvertFixture& f) {
             f.settings.SubtitleFileTypes.clear();
             f.settings.LanguageSource = 3;
             f.settings.PerformLanguageCheck = true;
         },
         gfLanguageCode, "09"},
    };
    const char* codePages[] = {"437", "850", "860", "863", "865"};
    for (int32_t i = 1; i <= 5; ++i)
        cases.push_back({"CodePage",
                         [i](ConvertFixture& f) { f.settings.CodePageNumberSource = i; },
                         gfCodePageNumber, codePages[i - 1]});
    for (int32_t i = 1; i <= 5; ++i)
        cases.push_back({"CharacterCodeTable",
                         [i](ConvertFixture& f) { f.settings.CharacterCodeTableNumberSource = i; },
                         gfCharacterCodeTableNumber, "0" + std::to_string(i - 1)});
    const char* displayCodes[] = {" ", "0", "1", "2"};
    for (int32_t i = 1; i <= 4; ++i)
        cases.push_back({"DisplayStandard",
                         [i](ConvertFixture& f) { f.settings.DisplayStandardCodeSource = i; },
                         gfDisplayStandardCode, displayCodes[i - 1]});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Convert, FieldSource, ::testing::ValuesIn(FieldCases()),
                         [](const auto& c) {
                             return std::string(c.param.Name) + std::to_string(c.index);
                         });

// ---------------------------------------------------------------------------------------
// The quality check before the conversion: off, findings reported, files with errors refused.

enum class TQcSource {
    Clean,
    Warning, // subtitle numbers 1 and 3
    Errors,  // as Warning, and a code page and a justification code the standard lacks
};

struct TQualityCase {
    const char* Name;
    int32_t Mode;
    TQcSource Source;
    bool Converted;
};

void PrintTo(const TQualityCase& c, std::ostream* os) {
    *os << c.Name;
}

// A subtitle the check has nothing against: in and out times at 25 fps after the programme
// start, a teletext row in range, centred, no comment.
std::vector<uint8_t> CleanTti(int subtitleNumber, int second) {
    auto block = MakeTti(subtitleNumber, "Hello");
    const uint8_t times[] = {10, 0, uint8_t(second), 0, 10, 0, uint8_t(second), 20};
    std::copy(std::begin(times), std::end(times), block.begin() + 5);
    block[13] = 20; // vertical position
    block[14] = 2;  // centred
    block[15] = 0;  // subtitle, not comment
    return block;
}

class QualityCheckGate : public ConvertFixture,
                         public ::testing::WithParamInterface<TQualityCase> {};

TEST_P(QualityCheckGate, ReportsFindingsAndRefusesOnlyWhenAsked) {
    const TQualityCase& c = GetParam();
    std::vector<std::vector<uint8_t>> blocks = {CleanTti(1, 1), CleanTti(2, 2)};
    auto gsi = MakeGsi(2);
    // Each finding's kind and place, in the check's order.
    std::vector<TReport> findings;
    if (c.Source == TQcSource::Errors) {
        SetField(gsi, 0, 3, "123");
        blocks[0][14] = 9;
        findings = {{rtError, "CPN"}, {rtError, "JC block 1"}};
    }
    if (c.Source != TQcSource::Clean) {
        blocks[1][1] = 3;
        findings.push_back({rtWarning, "SN block 2"});
    }
    WriteStl(source, gsi, blocks);
    // A refused file must not move.
    settings.MoveProcessedFiles = true;
    settings.MoveProcessedFilesFolder = movedFolder;
    settings.QualityCheck = c.Mode;
    const auto sourceBytes = ReadBytes(source);

    // The texts are the check's own; the conversion adds their kind and the file.
    const TQcReport qc = CheckSTLFile(source);
    ASSERT_EQ(qc.Findings.size(), findings.size());
    std::vector<TReport> expected;
    for (size_t i = 0; i < findings.size() && c.Mode != qcOff; ++i)
        expected.push_back(
            {findings[i].Type, source + ": " + findings[i].Text + ": " + qc.Findings[i].Text});
    if (!c.Converted)
        expected.push_back({rtError, "Quality check failed for " + source + ": 2"});

    EXPECT_EQ(Convert(), c.Converted);
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(HiddenEntries(dstFolder), std::vector<std::string>{});
    if (!c.Converted) {
        EXPECT_FALSE(std::filesystem::exists(destination));
        EXPECT_EQ(ReadBytes(source), sourceBytes) << "the source changed";
        EXPECT_TRUE(std::filesystem::is_empty(movedFolder));
        return;
    }
    // Byte for byte what the conversion wrote before there was a check.
    auto converted = sourceBytes;
    SetField(converted, 243, 5, "2");
    const std::string difference = FirstDifference(converted, ReadBytes(destination));
    EXPECT_EQ(difference, "") << "first difference in " << difference;
    EXPECT_EQ(ReadBytes(movedFolder + "/" + kSourceName), sourceBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Convert, QualityCheckGate,
    ::testing::Values(TQualityCase{"OffReportsNothing", qcOff, TQcSource::Errors, true},
                      TQualityCase{"ReportOfACleanFile", qcReport, TQcSource::Clean, true},
                      TQualityCase{"ReportThenConvert", qcReport, TQcSource::Errors, true},
                      TQualityCase{"RefuseErrors", qcRefuse, TQcSource::Errors, false},
                      TQualityCase{"RefuseLetsWarningsPass", qcRefuse, TQcSource::Warning, true}),
    [](const auto& c) { return std::string(c.param.Name); });

// ---------------------------------------------------------------------------------------
// The destination's name appears only when the file is complete.

class ConvertVisibility : public ConvertFixture {};

TEST_F(ConvertVisibility, NoStlFileIsVisibleWhileWriting) {
    // More blocks than the writer holds back at once.
    WriteSource(std::vector<std::vector<uint8_t>>(9000, MakeTti(1, "Block")));
    int writes = 0;
    std::vector<std::string> seen;
    FileFaults().BeforeWrite = [&](const std::string&, int64_t) {
        ++writes;
        for (const auto& name : ListFolder(dstFolder, "stl"))
            seen.push_back(name);
        return true;
    };
    ASSERT_TRUE(Convert());
    EXPECT_GE(writes, 3); // blocks in more than one go, then the header
    EXPECT_EQ(seen, std::vector<std::string>{});
    EXPECT_EQ(ListFolder(dstFolder, "stl"), std::vector<std::string>{kSourceName});
    EXPECT_EQ(HiddenEntries(dstFolder), std::vector<std::string>{});
}

TEST_F(ConvertVisibility, MoveAcrossFileSystems) {
    // /dev/shm is a memory file system wherever it exists; skip when it shares our disk.
    struct stat tmp;
    struct stat shm;
    if (::stat(srcFolder.c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        tmp.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second file system to move to";
    std::string folder = "/dev/shm/caplin-move-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const auto bytes = ReadBytes(source);
    settings.MoveProcessedFiles = true;
    settings.MoveProcessedFilesFolder = folder;

    const bool converted = Convert();
    const auto moved = ReadBytes(folder + "/" + kSourceName);
    const auto hidden = HiddenEntries(folder);
    std::filesystem::remove_all(folder);

    EXPECT_TRUE(converted);
    EXPECT_EQ(reports, std::vector<TReport>{});
    EXPECT_EQ(moved, bytes);
    EXPECT_EQ(hidden, std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(source));
}

} // namespace
