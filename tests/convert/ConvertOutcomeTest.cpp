// What a conversion returns besides its reports: the named fault, the Error it reported and
// what lies below it (the reader's refusal, the system's reason), for each way it can end.
// The Error is the last report but for the cause, which follows it as "Reason: ". A
// re-delivery that fails leaves the file delivered before exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/convert/ConvertSTLFileSupport.h"

using namespace testsupport;

namespace {

class ConversionEnds;

struct TOutcomeCase {
    const char* Name;
    std::function<void(ConversionEnds&)> Prepare;
    TConvertFault Fault;
    std::string Text; // "%S" stands for the source path, "%D" for the destination
    std::string Cause;
    bool Redelivery = false; // a delivered file is in place and OverrideDestination is on
};

void PrintTo(const TOutcomeCase& c, std::ostream* os) {
    *os << c.Name;
}

class ConversionEnds : public ConvertFixture, public ::testing::WithParamInterface<TOutcomeCase> {
public:
    // Opening the hidden destination file fails as on a folder the user may not write.
    void RefuseDestinationFolder() {
        FileFaults().BeforeOpen = [this](const std::string& path) {
            return path.rfind(dstFolder, 0) != 0;
        };
    }
};

std::string Expand(std::string text, const ConversionEnds& f) {
    for (const auto& [mark, value] : {std::pair{"%S", f.source}, std::pair{"%D", f.destination}})
        if (const size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, 2, value);
    return text;
}

TEST_P(ConversionEnds, NamesTheFaultItsTextAndCause) {
    const TOutcomeCase& c = GetParam();
    std::vector<uint8_t> delivered;
    if (c.Redelivery) {
        ASSERT_TRUE(Convert());
        delivered = ReadBytes(destination);
        settings.OverrideDestination = true;
    }
    if (c.Prepare)
        c.Prepare(*this);
    const TConvertOutcome outcome = ConvertWithOutcome();
    FileFaults() = TFileFaults();
    EXPECT_EQ(outcome.Fault, c.Fault);
    EXPECT_EQ(outcome.Text, Expand(c.Text, *this));
    EXPECT_EQ(outcome.Cause, c.Cause);
    std::vector<TReport> last;
    if (!c.Text.empty())
        last.push_back({rtError, Expand(c.Text, *this)});
    if (!c.Cause.empty())
        last.push_back({rtInfo, "Reason: " + c.Cause});
    ASSERT_GE(reports.size(), last.size());
    EXPECT_EQ(std::vector<TReport>(reports.end() - long(last.size()), reports.end()), last);
    if (c.Redelivery && c.Fault != TConvertFault::None) {
        EXPECT_EQ(FirstDifference(delivered, ReadBytes(destination)), "");
    }
    EXPECT_TRUE(HiddenEntries(dstFolder).empty());
}

using F = TConvertFault;
using C = ConversionEnds;

INSTANTIATE_TEST_SUITE_P(
    Faults, ConversionEnds,
    ::testing::Values(
        TOutcomeCase{"Converted", nullptr, F::None, "", ""},
        TOutcomeCase{"SourceMissing", [](C& f) { std::filesystem::remove(f.source); },
                     F::SourceMissing, "Source STL file %S not found.", ""},
        TOutcomeCase{"DestinationIsTheSource",
                     [](C& f) { f.settings.DestinationFolder = f.srcFolder; },
                     F::DestinationIsSource, "Destination STL file is the source file %S", ""},
        TOutcomeCase{"TruncatedFile",
                     [](C& f) { WriteBytes(f.source, std::vector<uint8_t>(500, ' ')); },
                     F::CannotOpenSource, "Cannot open source STL file %S", "not an EBU STL file"},
        TOutcomeCase{"BlocksMissing",
                     [](C& f) { WriteStl(f.source, MakeGsi(5), {MakeTti(1, "One")}); },
                     F::CannotOpenSource, "Cannot open source STL file %S",
                     "shorter than the block count of its header"},
        TOutcomeCase{"QualityCheckRefuses",
                     [](C& f) {
                         f.settings.QualityCheck = qcRefuse;
                         WriteBytes(f.source, std::vector<uint8_t>(500, ' '));
                     },
                     F::QualityCheckRefused, "Quality check failed for %S: 1", ""},
        TOutcomeCase{"NoLanguageInTheName",
                     [](C& f) {
                         f.NameSource("short.stl");
                         f.WriteSource({});
                     },
                     F::LanguageNotInFileName, "Cannot retrieve Language from file name", ""},
        TOutcomeCase{"UnknownLanguageInTheName",
                     [](C& f) {
                         f.NameSource("AB123456_QQ1.stl");
                         f.WriteSource({});
                     },
                     F::UnknownLanguageInFileName,
                     "Unknown Language code retreived from the file name QQ", ""},
        TOutcomeCase{"LanguageCheck",
                     [](C& f) {
                         f.settings.PerformLanguageCheck = true;
                         f.settings.LanguageSource = lsPredefined;
                         f.settings.LanguagePredefined = "0F";
                     },
                     F::LanguageCheck,
                     "The predefined language French is different from the language in GSI - "
                     "English",
                     ""},
        TOutcomeCase{"NoTapeIDInTheName",
                     [](C& f) {
                         f.settings.TapeIDSource = tisFileName;
                         f.settings.LanguageSource = lsPredefined;
                         f.NameSource("short.stl");
                         f.WriteSource({});
                     },
                     F::TapeIDNotInFileName, "Cannot retrieve TapeID from file name", ""},
        TOutcomeCase{"UnknownSourceValue", [](C& f) { f.settings.CodePageNumberSource = 9; },
                     F::InvalidSettings, "Invalid Code Page Number source value - 9", ""},
        TOutcomeCase{"DestinationFolderRefused", [](C& f) { f.RefuseDestinationFolder(); },
                     F::CannotCreateDestination, "Cannot create destination STL file %D",
                     "Permission denied"},
        TOutcomeCase{"DiskFull",
                     [](C& f) {
                         FileFaults().BeforeWrite = [&f](const std::string& path, int64_t) {
                             return path.rfind(f.dstFolder, 0) != 0;
                         };
                     },
                     F::CannotWriteDestination, "Cannot add new Text And Timing Information block",
                     "No space left on device"},
        TOutcomeCase{"EmptyFile", [](C& f) { WriteBytes(f.source, {}); }, F::CannotOpenSource,
                     "Cannot open source STL file %S", "not an EBU STL file"},
        TOutcomeCase{"TextFile", [](C& f) { WriteText(f.source, std::string(2000, 'a') + "\n"); },
                     F::CannotOpenSource, "Cannot open source STL file %S", "not an EBU STL file"},
        TOutcomeCase{"RenameIntoPlaceFails",
                     [](C& f) {
                         FileFaults().BeforeRename = [&f](const std::string&,
                                                          const std::string& to) {
                             return to != f.destination;
                         };
                     },
                     F::CannotCreateDestination, "Cannot create destination STL file %D",
                     "Invalid cross-device link"},
        TOutcomeCase{"RedeliveredReplacesTheFile",
                     [](C& f) { f.WriteSource({MakeTti(1, "Corrected")}); }, F::None, "", "", true},
        TOutcomeCase{"RedeliveryRefusedByTheLanguageCheck",
                     [](C& f) {
                         f.settings.PerformLanguageCheck = true;
                         f.settings.LanguageSource = lsPredefined;
                         f.settings.LanguagePredefined = "0F";
                     },
                     F::LanguageCheck,
                     "The predefined language French is different from the language in GSI - "
                     "English",
                     "", true},
        TOutcomeCase{"RedeliveryOnAFullDisk",
                     [](C& f) {
                         FileFaults().BeforeWrite = [&f](const std::string& path, int64_t) {
                             return path.rfind(f.dstFolder, 0) != 0;
                         };
                     },
                     F::CannotWriteDestination, "Cannot add new Text And Timing Information block",
                     "No space left on device", true},
        TOutcomeCase{"RedeliveryWhoseRenameFails",
                     [](C& f) {
                         FileFaults().BeforeRename = [&f](const std::string&,
                                                          const std::string& to) {
                             return to != f.destination;
                         };
                     },
                     F::CannotOverwrite, "Cannot overwrite destination STL file %D",
                     "Invalid cross-device link", true},
        TOutcomeCase{"MoveFolderMissing",
                     [](C& f) {
                         f.settings.MoveProcessedFiles = true;
                         f.settings.MoveProcessedFilesFolder = f.dir.File("gone");
                     },
                     F::CannotMoveSource, "Cannot move processed STL file",
                     "No such file or directory"}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
