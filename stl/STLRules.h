// The rules a subtitle file is checked against before it goes to playout, each with the
// field it concerns, how grave a breach is and the clause of EBU Tech 3264 it comes from.
// One table: the checker takes every finding's field and severity from here, and the rule
// list in docs/qc.md follows it row by row.
#pragma once

#include "stl/STLBlocks.h"

// The fixed bytes of a TTI block before its Text Field (STLBlocks.h names the rest).
constexpr int TTI_SGN_OFFSET = 0; // Subtitle Group Number
constexpr int TTI_SN_OFFSET = 1;  // Subtitle Number, two bytes, little endian
constexpr int TTI_EBN_OFFSET = TTI_EXTENSION_BLOCK_NUMBER_OFFSET;
constexpr int TTI_CS_OFFSET = 4;  // Cumulative Status
constexpr int TTI_TCI_OFFSET = 5; // Time Code In: hours, minutes, seconds, frames in binary
constexpr int TTI_TCO_OFFSET = 9; // Time Code Out, the same
constexpr int TTI_VP_OFFSET = 13; // Vertical Position
constexpr int TTI_JC_OFFSET = 14; // Justification Code
constexpr int TTI_CF_OFFSET = 15; // Comment Flag
static_assert(TTI_CF_OFFSET + 1 == TTI_TEXT_FIELD_OFFSET);

// Extension Block Numbers: 00h to EFh number the blocks of a long subtitle, F0h to FDh are
// reserved, FEh marks user data and FFh the last block of a subtitle.
constexpr uint8_t TTI_EBN_LAST_EXTENSION = 0xEF;
constexpr uint8_t TTI_EBN_FIRST_RESERVED = 0xF0;
constexpr uint8_t TTI_EBN_LAST_BLOCK = 0xFF;

// Text Field codes.
constexpr uint8_t TTI_TEXT_NEWLINE = 0x8A;
constexpr uint8_t TTI_TEXT_UNUSED = 0x8F;
constexpr uint8_t TTI_TEXT_FIRST_DIACRITIC = 0xC1; // character table 00 only
constexpr uint8_t TTI_TEXT_LAST_DIACRITIC = 0xCF;

enum class TSTLRuleSeverity { Error, Warning };

// Where a rule looks: a GSI field, a TTI field, or the file as a whole.
enum class TSTLRuleScope { Gsi, Tti, File };

struct TSTLRule {
    const char* Field; // the standard's abbreviation, or "file"
    TSTLRuleScope Scope;
    int GsiField; // a TGsiFieldId for GSI rules, -1 otherwise
    TSTLRuleSeverity Severity;
    const char* Clause; // where EBU Tech 3264 says it
    const char* Description;
};

// Indices into STL_RULES, in the order their findings are reported within a block.
enum TSTLRuleId : int {
    srFileLength,
    srCpnValue,
    srDfcValue,
    srDscValue,
    srCctValue,
    srLcValue,
    srCdDate,
    srCdBlank,
    srRdDate,
    srRdBlank,
    srRnNumber,
    srTnbNumber,
    srTnbAboveBlocks,
    srTnbDiffers,
    srTnsNumber,
    srTnsDiffers,
    srTngNumber,
    srTngDiffers,
    srMncNumber,
    srMnrNumber,
    srTcsValue,
    srTcpTimeCode,
    srTcfTimeCode,
    srTndValue,
    srDsnValue,
    srDsnAboveTnd,
    srCoLetters,
    srSnSequence,
    srEbnReserved,
    srEbnOrder,
    srEbnNoLastBlock,
    srCsValue,
    srTciTimeCode,
    srTcoTimeCode,
    srTciBeforeTcp,
    srTciOverlap,
    srTcoNotAfterTci,
    srVpValue,
    srVpTeletextRow,
    srJcValue,
    srCfValue,
    srTfRows,
    srTfRowLength,
    srTfDiacritic,
    srTfNoCharacter,
    srTfUnusedBytes,
    srTfControlAtEnd,
    STL_RULE_COUNT
};

namespace stlrules {
constexpr TSTLRuleSeverity E = TSTLRuleSeverity::Error;
constexpr TSTLRuleSeverity W = TSTLRuleSeverity::Warning;
constexpr TSTLRuleScope G = TSTLRuleScope::Gsi;
constexpr TSTLRuleScope T = TSTLRuleScope::Tti;
constexpr TSTLRuleScope F = TSTLRuleScope::File;
} // namespace stlrules

inline constexpr TSTLRule STL_RULES[STL_RULE_COUNT] = {
    {"file", stlrules::F, -1, stlrules::E, "4.1 Basic structure of the datafile",
     "the file is a 1024-byte GSI block followed by whole 128-byte TTI blocks"},
    {"CPN", stlrules::G, gfCodePageNumber, stlrules::E,
     "4.2 GSI block: Code Page Number (CPN); Appendix 1", "one of 437, 850, 860, 863, 865"},
    {"DFC", stlrules::G, gfDiskFormatCode, stlrules::E, "4.2 GSI block: Disk Format Code (DFC)",
     "STL25.01 or STL30.01"},
    {"DSC", stlrules::G, gfDisplayStandardCode, stlrules::E,
     "4.2 GSI block: Display Standard Code (DSC)",
     "blank, 0 (open subtitling), 1 or 2 (teletext level 1 or 2)"},
    {"CCT", stlrules::G, gfCharacterCodeTableNumber, stlrules::E,
     "4.2 GSI block: Character Code Table number (CCT); 5", "00 to 04"},
    {"LC", stlrules::G, gfLanguageCode, stlrules::E,
     "4.2 GSI block: Language Code (LC); Appendix 3",
     "a code of the language table (two hexadecimal digits: 00 to 2B, 45 to 7F)"},
    {"CD", stlrules::G, gfCreationDate, stlrules::E, "4.2 GSI block: Creation Date (CD)",
     "a date YYMMDD (a real day: no 13th month, no 30 February)"},
    {"CD", stlrules::G, gfCreationDate, stlrules::W, "4.2 GSI block: Creation Date (CD)", "blank"},
    {"RD", stlrules::G, gfRevisionDate, stlrules::E, "4.2 GSI block: Revision Date (RD)",
     "a date YYMMDD"},
    {"RD", stlrules::G, gfRevisionDate, stlrules::W, "4.2 GSI block: Revision Date (RD)", "blank"},
    {"RN", stlrules::G, gfRevisionNumber, stlrules::E, "4.2 GSI block: Revision number (RN)",
     "a decimal number"},
    {"TNB", stlrules::G, gfTotalNumberOfTTIBlocks, stlrules::E,
     "4.2 GSI block: Total Number of Text and Timing Information (TTI) blocks (TNB)",
     "a decimal number"},
    {"TNB", stlrules::G, gfTotalNumberOfTTIBlocks, stlrules::E,
     "4.2 GSI block: Total Number of Text and Timing Information (TTI) blocks (TNB)",
     "no more blocks than the file holds"},
    {"TNB", stlrules::G, gfTotalNumberOfTTIBlocks, stlrules::W,
     "4.2 GSI block: Total Number of Text and Timing Information (TTI) blocks (TNB)",
     "not fewer blocks than the file holds"},
    {"TNS", stlrules::G, gfTotalNumberOfSubtitles, stlrules::E,
     "4.2 GSI block: Total Number of Subtitles (TNS)", "a decimal number"},
    {"TNS", stlrules::G, gfTotalNumberOfSubtitles, stlrules::W,
     "4.2 GSI block: Total Number of Subtitles (TNS)", "the number of subtitles in the blocks"},
    {"TNG", stlrules::G, gfTotalNumberOfSubtitleGroups, stlrules::E,
     "4.2 GSI block: Total Number of Subtitle Groups (TNG)", "a decimal number, at most 255"},
    {"TNG", stlrules::G, gfTotalNumberOfSubtitleGroups, stlrules::W,
     "4.2 GSI block: Total Number of Subtitle Groups (TNG)",
     "the number of different Subtitle Group Numbers in the blocks"},
    {"MNC", stlrules::G, gfMaximumNumberOfDisplayableCharacters, stlrules::E,
     "4.2 GSI block: Maximum Number of Displayable Characters in any text row (MNC)",
     "a decimal number"},
    {"MNR", stlrules::G, gfMaximumNumberOfDisplayableRows, stlrules::E,
     "4.2 GSI block: Maximum Number of Displayable Rows (MNR)", "a decimal number"},
    {"TCS", stlrules::G, gfTimeCodeStatus, stlrules::E, "4.2 GSI block: Time Code: Status (TCS)",
     "0 or 1"},
    {"TCP", stlrules::G, gfTimeCodeStartOfProgramme, stlrules::E,
     "4.2 GSI block: Time Code: Start-of-Programme (TCP)",
     "a time code HHMMSSFF at the file's frame rate"},
    {"TCF", stlrules::G, gfTimeCodeFirstInCue, stlrules::E,
     "4.2 GSI block: Time Code: First In-Cue (TCF)",
     "a time code HHMMSSFF at the file's frame rate"},
    {"TND", stlrules::G, gfTotalNumberOfDisks, stlrules::E,
     "4.2 GSI block: Total Number of Disks (TND)", "1 to 9"},
    {"DSN", stlrules::G, gfDiskSequenceNumber, stlrules::E,
     "4.2 GSI block: Disk Sequence Number (DSN)", "1 to 9"},
    {"DSN", stlrules::G, gfDiskSequenceNumber, stlrules::W,
     "4.2 GSI block: Disk Sequence Number (DSN)", "not above TND"},
    {"CO", stlrules::G, gfCountryOfOrigin, stlrules::E,
     "4.2 GSI block: Country of Origin (CO); Appendix 4", "three letters"},
    {"SN", stlrules::T, -1, stlrules::W, "4.3 TTI block: Subtitle Number (SN)",
     "each subtitle numbered one above the subtitle before it (the blocks of one subtitle share "
     "its number)"},
    {"EBN", stlrules::T, -1, stlrules::E, "4.3 TTI block: Extension Block Number (EBN)",
     "not a reserved number (F0h to FDh)"},
    {"EBN", stlrules::T, -1, stlrules::W, "4.3 TTI block: Extension Block Number (EBN)",
     "the blocks of a subtitle numbered 00h, 01h, ... in order (a subtitle of one block is FFh)"},
    {"EBN", stlrules::T, -1, stlrules::W, "4.3 TTI block: Extension Block Number (EBN)",
     "every subtitle ends with a block FFh"},
    {"CS", stlrules::T, -1, stlrules::E, "4.3 TTI block: Cumulative Status (CS)", "0 to 3"},
    {"TCI", stlrules::T, -1, stlrules::E, "4.3 TTI block: Time Code In (TCI)",
     "a time code at the file's frame rate"},
    {"TCO", stlrules::T, -1, stlrules::E, "4.3 TTI block: Time Code Out (TCO)",
     "a time code at the file's frame rate"},
    {"TCI", stlrules::T, -1, stlrules::W, "4.3 TTI block: Time Code In (TCI)",
     "the first subtitle shown starts no earlier than TCP"},
    {"TCI", stlrules::T, -1, stlrules::W, "4.3 TTI block: Time Code In (TCI)",
     "a subtitle starts no earlier than the subtitle before it in its group (SGN) ends"},
    {"TCO", stlrules::T, -1, stlrules::W, "4.3 TTI block: Time Code Out (TCO)", "after TCI"},
    {"VP", stlrules::T, -1, stlrules::E, "4.3 TTI block: Vertical Position (VP)", "0 to 99"},
    {"VP", stlrules::T, -1, stlrules::W, "4.3 TTI block: Vertical Position (VP)",
     "in a teletext file (DSC 1 or 2), a teletext row, 1 to 23"},
    {"JC", stlrules::T, -1, stlrules::E, "4.3 TTI block: Justification Code (JC)", "0 to 3"},
    {"CF", stlrules::T, -1, stlrules::E, "4.3 TTI block: Comment Flag (CF)", "0 or 1"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "in a teletext file, a subtitle has no more rows than MNR"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "no row longer than MNC characters"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "with character table 00, a diacritical mark (C1h to CFh) is followed by a letter"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "every character code has a character in the file's character table"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "the bytes after the text (the first 8Fh) are all 8Fh"},
    {"TF", stlrules::T, -1, stlrules::W, "4.3 TTI block: Text Field (TF); 5, Appendix 2",
     "a full text field that ends its subtitle does not end on a control code"},
};

constexpr const TSTLRule& STLRule(TSTLRuleId id) {
    return STL_RULES[id];
}

// GSI rules name the field they read, TTI and file rules none.
constexpr bool STLRulesNameTheirFields() {
    for (const TSTLRule& rule : STL_RULES) {
        const bool gsi = rule.Scope == TSTLRuleScope::Gsi;
        if (gsi != (rule.GsiField >= 0 && rule.GsiField < GSI_FIELD_COUNT))
            return false;
    }
    return true;
}
static_assert(STLRulesNameTheirFields(), "a GSI rule without its field, or another with one");
