// Each rule on a valid file with exactly one fault put in: exactly that one finding.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <sstream>

#include "qc/QualityCheck.h"
#include "stl/STLRules.h"
#include "stl/STLText.h"
#include "tests/common/TestSupport.h"

using namespace testsupport;

namespace {

using TBytes = std::vector<uint8_t>;

void SetGsi(TBytes& file, TGsiFieldId id, const std::string& value) {
    SetField(file, size_t(GsiField(id).Offset), size_t(GsiField(id).Width), value);
}

uint8_t* Block(TBytes& file, int block) {
    return file.data() + GSI_BLOCK_SIZE + TTI_BLOCK_SIZE * (block - 1);
}

void SetTime(TBytes& file, int block, int offset, int h, int m, int s, int f) {
    uint8_t* at = Block(file, block) + offset;
    at[0] = uint8_t(h), at[1] = uint8_t(m), at[2] = uint8_t(s), at[3] = uint8_t(f);
}

void SetText(TBytes& file, int block, const std::string& text) {
    uint8_t* field = Block(file, block) + TTI_TEXT_FIELD_OFFSET;
    std::fill(field, field + TTI_TEXT_FIELD_WIDTH, TTI_TEXT_UNUSED);
    std::copy(text.begin(), text.end(), field);
}

TBytes Tti(int number, uint8_t ebn, int second) {
    TBytes tti(TTI_BLOCK_SIZE, TTI_TEXT_UNUSED);
    const uint8_t head[16] = {0, uint8_t(number),     0, ebn, 0, 10, 0, uint8_t(second), 0, 10,
                              0, uint8_t(second + 2), 0, 20,  2, 0};
    std::copy(head, head + 16, tti.begin());
    return tti;
}

// Teletext at 25 fps: subtitle 1 in block 1, subtitle 2 over blocks 2 and 3, subtitle 3 in
// block 4, shown at 10:00:01, 10:00:04 and 10:00:07 for two seconds each.
TBytes ValidFile() {
    TBytes file = MakeGsi(4);
    SetGsi(file, gfTotalNumberOfSubtitles, "00003");
    for (const TBytes& tti : {Tti(1, 0xFF, 1), Tti(2, 0x00, 4), Tti(2, 0xFF, 4), Tti(3, 0xFF, 7)})
        file.insert(file.end(), tti.begin(), tti.end());
    for (int block = 1; block <= 4; ++block)
        SetText(file, block, "\x0d\x07Row one\x8a\x8a\x0d\x07R\xc1o two");
    return file;
}

std::string Lines(const std::vector<TQcFinding>& findings) {
    std::string lines;
    for (const TQcFinding& finding : findings)
        lines += FormatQcFinding(finding) + "\n";
    return lines;
}

struct TRuleCase {
    const char* Name;
    TSTLRuleId Rule;
    std::function<void(TBytes&)> Fault;
    TQcSeverity Severity;
    const char* Field;
    int Block;
    const char* Text;
};

void PrintTo(const TRuleCase& c, std::ostream* os) {
    *os << c.Name;
}

constexpr TQcSeverity E = TQcSeverity::Error;
constexpr TQcSeverity W = TQcSeverity::Warning;

auto Gsi(TGsiFieldId id, const char* value) {
    return [=](TBytes& f) { SetGsi(f, id, value); };
}
auto Byte(int block, int offset, uint8_t value) {
    return [=](TBytes& f) { Block(f, block)[offset] = value; };
}
auto Text(int block, std::string text) {
    return [=](TBytes& f) { SetText(f, block, text); };
}

const TRuleCase kRuleCases[] = {
    {"TrailingBytes", srFileLength, [](TBytes& f) { f.resize(f.size() + 5, 0x8F); }, E, "file", 0,
     "1541 bytes is not 1024 plus a multiple of 128 (5 bytes after the last whole block)"},
    {"CodePage", srCpnValue, Gsi(gfCodePageNumber, "123"), E, "CPN", 0,
     "\"123\" is not 437, 850, 860, 863 or 865"},
    // Frames up to 29 are allowed when the rate is unknown.
    {"DiskFormatCode", srDfcValue,
     [](TBytes& f) { SetGsi(f, gfDiskFormatCode, "STL50.01"), SetTime(f, 1, 5, 10, 0, 1, 29); }, E,
     "DFC", 0, "\"STL50.01\" is not STL25.01 or STL30.01"},
    {"DisplayStandard", srDscValue, Gsi(gfDisplayStandardCode, "3"), E, "DSC", 0,
     "\"3\" is not blank, 0, 1 or 2"},
    {"CharacterTable", srCctValue, Gsi(gfCharacterCodeTableNumber, "05"), E, "CCT", 0,
     "\"05\" is not 00, 01, 02, 03 or 04"},
    {"LanguageOutsideTable", srLcValue, Gsi(gfLanguageCode, "2C"), E, "LC", 0,
     "\"2C\" is not a code of the language table"},
    {"CreationMonth13", srCdDate, Gsi(gfCreationDate, "111301"), E, "CD", 0,
     "\"111301\" is not a date YYMMDD"},
    {"CreationBlank", srCdBlank, Gsi(gfCreationDate, ""), W, "CD", 0, "blank, no date given"},
    {"RevisionFebruary29NotLeap", srRdDate, Gsi(gfRevisionDate, "110229"), E, "RD", 0,
     "\"110229\" is not a date YYMMDD"},
    {"RevisionBlank", srRdBlank, Gsi(gfRevisionDate, ""), W, "RD", 0, "blank, no date given"},
    {"RevisionNumber", srRnNumber, Gsi(gfRevisionNumber, "A1"), E, "RN", 0,
     "\"A1\" is not a decimal number"},
    {"BlocksNotNumber", srTnbNumber, Gsi(gfTotalNumberOfTTIBlocks, "4-"), E, "TNB", 0,
     "\"4-   \" is not a decimal number"},
    {"BlocksBeyondFile", srTnbAboveBlocks, Gsi(gfTotalNumberOfTTIBlocks, "00005"), E, "TNB", 0,
     "\"00005\" counts 5 blocks, the file holds 4"},
    {"BlocksFewer", srTnbDiffers, Gsi(gfTotalNumberOfTTIBlocks, "3"), W, "TNB", 0,
     "\"3    \" counts 3 blocks, the file holds 4"},
    {"SubtitlesNotNumber", srTnsNumber, Gsi(gfTotalNumberOfSubtitles, "x"), E, "TNS", 0,
     "\"x    \" is not a decimal number"},
    {"SubtitlesDiffer", srTnsDiffers, Gsi(gfTotalNumberOfSubtitles, "00004"), W, "TNS", 0,
     "counts 4 subtitles, the blocks hold 3"},
    {"GroupsAbove255", srTngNumber, Gsi(gfTotalNumberOfSubtitleGroups, "256"), E, "TNG", 0,
     "\"256\" is above 255"},
    {"GroupsDiffer", srTngDiffers, Gsi(gfTotalNumberOfSubtitleGroups, "002"), W, "TNG", 0,
     "counts 2 groups, the blocks use 1"},
    {"Characters", srMncNumber, Gsi(gfMaximumNumberOfDisplayableCharacters, "4x"), E, "MNC", 0,
     "\"4x\" is not a decimal number"},
    {"RowsBlank", srMnrNumber, Gsi(gfMaximumNumberOfDisplayableRows, ""), E, "MNR", 0,
     "\"  \" is not a decimal number"},
    {"TimeCodeStatus", srTcsValue, Gsi(gfTimeCodeStatus, "2"), E, "TCS", 0, "\"2\" is not 0 or 1"},
    {"StartSecond60", srTcpTimeCode, Gsi(gfTimeCodeStartOfProgramme, "10006000"), E, "TCP", 0,
     "\"10006000\" is not a time code HHMMSSFF at 25 frames per second"},
    {"FirstInCueFrame25", srTcfTimeCode, Gsi(gfTimeCodeFirstInCue, "10000025"), E, "TCF", 0,
     "\"10000025\" is not a time code HHMMSSFF at 25 frames per second"},
    {"Disks", srTndValue, Gsi(gfTotalNumberOfDisks, "0"), E, "TND", 0, "\"0\" is not 1 to 9"},
    {"DiskSequence", srDsnValue, Gsi(gfDiskSequenceNumber, "A"), E, "DSN", 0,
     "\"A\" is not 1 to 9"},
    {"DiskBeyondTotal", srDsnAboveTnd, Gsi(gfDiskSequenceNumber, "2"), W, "DSN", 0,
     "2 is above TND 1"},
    {"Country", srCoLetters, Gsi(gfCountryOfOrigin, "GB1"), E, "CO", 0,
     "\"GB1\" is not three letters"},
    {"SubtitleNumberSkips", srSnSequence, Byte(4, TTI_SN_OFFSET, 4), W, "SN", 4,
     "4 follows 2, expected 3"},
    {"ReservedExtension", srEbnReserved, Byte(1, TTI_EBN_OFFSET, 0xF5), E, "EBN", 1,
     "F5h is a reserved extension block number"},
    {"ExtensionStartsAt01", srEbnOrder, Byte(2, TTI_EBN_OFFSET, 0x01), W, "EBN", 2,
     "subtitle 2 starts with block 01h, not 00h"},
    {"NoLastBlock", srEbnNoLastBlock, Byte(3, TTI_EBN_OFFSET, 0x01), W, "EBN", 3,
     "subtitle 2 ends without a block FFh"},
    {"CumulativeStatus", srCsValue, Byte(1, TTI_CS_OFFSET, 4), E, "CS", 1, "4 is not 0 to 3"},
    {"InHour24", srTciTimeCode, Byte(1, TTI_TCI_OFFSET, 24), E, "TCI", 1,
     "24:00:01:00 is not a time code at 25 frames per second"},
    {"OutFrame30At30", srTcoTimeCode,
     [](TBytes& f) { SetGsi(f, gfDiskFormatCode, "STL30.01"), SetTime(f, 4, 9, 10, 0, 9, 30); }, E,
     "TCO", 4, "10:00:09:30 is not a time code at 30 frames per second"},
    {"FirstBeforeProgramme", srTciBeforeTcp, [](TBytes& f) { SetTime(f, 1, 5, 9, 59, 59, 0); }, W,
     "TCI", 1, "09:59:59:00 is before TCP 10:00:00:00"},
    {"Overlap", srTciOverlap, [](TBytes& f) { SetTime(f, 4, 5, 10, 0, 5, 24); }, W, "TCI", 4,
     "10:00:05:24 is before the subtitle before it ends"},
    {"OutNotAfterIn", srTcoNotAfterTci, [](TBytes& f) { SetTime(f, 1, 9, 10, 0, 1, 0); }, W, "TCO",
     1, "10:00:01:00 is not after TCI 10:00:01:00"},
    {"Position100", srVpValue, Byte(1, TTI_VP_OFFSET, 100), E, "VP", 1, "100 is not 0 to 99"},
    {"TeletextRow0", srVpTeletextRow, Byte(4, TTI_VP_OFFSET, 0), W, "VP", 4,
     "0 is not a teletext row (1 to 23)"},
    {"Justification", srJcValue, Byte(1, TTI_JC_OFFSET, 4), E, "JC", 1, "4 is not 0 to 3"},
    {"CommentFlag", srCfValue, Byte(1, TTI_CF_OFFSET, 2), E, "CF", 1, "2 is not 0 or 1"},
    {"RowsBeyondMnr", srTfRows,
     [](TBytes& f) { SetGsi(f, gfMaximumNumberOfDisplayableRows, "02"), SetText(f, 2, "A\x8a"); },
     W, "TF", 3, "3 rows, more than MNR 2"},
    // The row runs on in the extension block: 20 + 21 characters.
    {"RowBeyondMnc", srTfRowLength,
     [](TBytes& f) { SetText(f, 2, std::string(20, 'x')), SetText(f, 3, std::string(21, 'y')); }, W,
     "TF", 3, "a row of 41 characters, more than MNC 40"},
    {"LoneDiacritic", srTfDiacritic, Text(4, "Caf\xc2 \x8a"), W, "TF", 4,
     "diacritical mark C2h followed by 20h"},
    // Two in one block are one finding.
    {"NoCharacter", srTfNoCharacter,
     Text(1, "a\xc0"
             "b\x7f"),
     W, "TF", 1, "C0h at byte 17 of the block has no character in table 00"},
    {"UnusedNotPadding", srTfUnusedBytes, Byte(1, 100, 0x20), W, "TF", 1,
     "unused text bytes are not all 8Fh: 20h at byte 100 of the block"},
    // Block 3 ends subtitle 2; the same field in block 2 would go on in block 3.
    {"ControlAtTheEnd", srTfControlAtEnd, Text(3, std::string(111, '\x0d') + "\x0b"), W, "TF", 3,
     "the text field ends on control code 0Bh, with nothing after it"},
};

class QcRule : public ::testing::TestWithParam<TRuleCase> {};

TEST_P(QcRule, OneFaultGivesExactlyItsFinding) {
    const TRuleCase& c = GetParam();
    TBytes file = ValidFile();
    c.Fault(file);
    const auto findings = CheckSTLData(file.data(), file.size());
    ASSERT_EQ(findings.size(), 1u) << Lines(findings);
    EXPECT_EQ(findings[0].Severity, c.Severity);
    EXPECT_EQ(findings[0].Field, c.Field);
    EXPECT_EQ(findings[0].Block, c.Block);
    EXPECT_EQ(findings[0].Text, c.Text);
    EXPECT_EQ(findings[0].Field, STLRule(c.Rule).Field);
}

INSTANTIATE_TEST_SUITE_P(Rules, QcRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST(QualityCheck, EveryRuleHasACase) {
    std::set<int> covered;
    for (const TRuleCase& c : kRuleCases)
        covered.insert(c.Rule);
    EXPECT_EQ(covered.size(), size_t(STL_RULE_COUNT));
}

// docs/qc.md lists the rules row by row as the table holds them.
TEST(QualityCheck, DocsListEveryRule) {
    std::istringstream doc(ReadText(std::string(CAPLIN_SOURCE_DIR) + "/docs/qc.md"));
    std::vector<std::string> listed;
    for (std::string line; std::getline(doc, line);)
        if (line.find(" | Error | ") != std::string::npos ||
            line.find(" | Warning | ") != std::string::npos)
            listed.push_back(line);
    std::vector<std::string> rules;
    for (const TSTLRule& r : STL_RULES) {
        const std::string head = std::string("| ") + r.Field + " | " +
                                 (r.Severity == TSTLRuleSeverity::Error ? "Error" : "Warning") +
                                 " | " + r.Description + " | ";
        const std::string tail = std::string(" | ") + r.Clause + " |";
        const auto row = std::find_if(listed.begin(), listed.end(), [&](const std::string& l) {
            return l.rfind(head, 0) == 0 && l.size() >= tail.size() &&
                   l.compare(l.size() - tail.size(), tail.size(), tail) == 0;
        });
        EXPECT_EQ(row - listed.begin(), long(rules.size())) << head << "..." << tail;
        rules.push_back(head);
    }
    EXPECT_EQ(listed.size(), rules.size());
}

TEST(QualityCheck, ValidFileGivesNoFinding) {
    const TBytes file = ValidFile();
    const auto findings = CheckSTLData(file.data(), file.size());
    EXPECT_TRUE(findings.empty()) << Lines(findings);
}

// User data carries no subtitle and a comment is never shown: neither its bytes nor its
// times are checked as a subtitle's, though a comment is numbered and counted as one.
TEST(QualityCheck, UserDataAndCommentsAreNotSubtitleText) {
    TBytes file = ValidFile();
    TBytes userData(TTI_BLOCK_SIZE, 0xFF);
    userData[TTI_EBN_OFFSET] = TTI_EBN_USER_DATA;
    TBytes comment = Tti(4, 0xFF, 1);
    comment[TTI_CF_OFFSET] = 1;
    std::fill(comment.begin() + 16, comment.end(), 'c');
    for (const TBytes& block : {userData, comment})
        file.insert(file.end(), block.begin(), block.end());
    SetGsi(file, gfTotalNumberOfTTIBlocks, "00006");
    SetGsi(file, gfTotalNumberOfSubtitles, "00004");
    const auto findings = CheckSTLData(file.data(), file.size());
    EXPECT_TRUE(findings.empty()) << Lines(findings);
}

// The text findings the decoder's oddities become are the same, block and text, as the
// subtitle text shows them: a code without a character, a full field ending on a control code.
TEST(QualityCheck, TextFindingsAreTheDecodersOddities) {
    struct TCase {
        const char* Table;
        std::vector<std::pair<uint8_t, std::string>> Blocks; // EBN and text of subtitle n
    };
    const std::string full(111, 'x');
    const TCase cases[] = {
        {"02", {{0xFF, "\xa1x\xff"}, {0xFF, "ok"}}},
        {"00", {{0xFF, "\xc2\xc0"}, {0xFF, "\x7f"}}},
        {"04", {{0xFF, "\xfb\xa1\xd0"}}},
        {"05", {{0xFF, "\xc0"}}},
        {"01", {{0xFF, full + "\x80"}, {0xFF, full + "\x86"}, {0x00, full + "\x0d"}}},
    };
    for (const TCase& c : cases) {
        TBytes file = MakeGsi(int(c.Blocks.size()));
        SetGsi(file, gfCharacterCodeTableNumber, c.Table);
        int number = 0;
        for (const auto& [ebn, text] : c.Blocks) {
            ++number;
            TBytes tti = Tti(number, ebn, number);
            std::copy(text.begin(), text.end(), tti.begin() + TTI_TEXT_FIELD_OFFSET);
            file.insert(file.end(), tti.begin(), tti.end());
        }
        std::string found;
        for (const TQcFinding& f : CheckSTLData(file.data(), file.size()))
            if (f.Field == "TF" && (f.Text.find("has no character") != std::string::npos ||
                                    f.Text.find("ends on control code") != std::string::npos))
                found += std::to_string(f.Block) + ": " + f.Text + "\n";
        const TSTLText text =
            DecodeSTLText(file.data(), file.data() + GSI_BLOCK_SIZE, uint32_t(c.Blocks.size()));
        std::string oddities;
        for (const TSTLOddity& o : text.Oddities)
            if (o.Kind == TSTLOddityKind::NoCharacter || o.Kind == TSTLOddityKind::ControlAtEnd)
                oddities += std::to_string(o.Block) + ": " + o.Text + "\n";
        EXPECT_FALSE(found.empty()) << c.Table;
        EXPECT_EQ(found, oddities) << c.Table;
    }
}

TEST(QualityCheck, FileThatCannotBeReadIsOneError) {
    TempDir dir;
    for (const auto& [path, text] : {std::pair{dir.File("missing.stl"), "no such file"},
                                     std::pair{dir.Path().string(), "is a folder"}}) {
        const TQcReport report = CheckSTLFile(path);
        ASSERT_EQ(report.Findings.size(), 1u) << path;
        EXPECT_EQ(FormatQcFinding(report.Findings[0]),
                  std::string("Error file: cannot be read: ") + text);
        EXPECT_EQ(QcSummary(report), "1 error, 0 warnings");
    }
}

// Any bytes of any length give findings, never a crash (the sanitizer build checks the rest).
TEST(QualityCheck, GarbageOfAnyLengthGivesFindings) {
    std::mt19937 random(7);
    for (size_t size :
         {size_t(0), size_t(1), size_t(1023), size_t(1024), size_t(1025), size_t(10) << 20}) {
        TBytes garbage(size);
        for (uint8_t& byte : garbage)
            byte = uint8_t(random());
        const auto findings = CheckSTLData(garbage.data(), garbage.size());
        ASSERT_FALSE(findings.empty()) << size;
        if (size < 1024) {
            EXPECT_EQ(Lines(findings), "Error file: " + std::to_string(size) +
                                           " bytes, shorter than the 1024-byte GSI block\n");
        }
    }
}

} // namespace
