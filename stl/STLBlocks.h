// Byte layout of the two block kinds of an EBU Tech 3264 subtitle file: the General
// Subtitle Information (GSI) block at offset 0 and the Text and Timing Information (TTI)
// blocks after it. Every fixed-width GSI field is named once, here.
#pragma once

#include <cstdint>

constexpr int GSI_BLOCK_SIZE = 1024;
constexpr int TTI_BLOCK_SIZE = 128;

// Only the Text Field of a TTI block is interpreted; bytes 0 to 15 are carried through.
constexpr int TTI_TEXT_FIELD_OFFSET = 16;
constexpr int TTI_TEXT_FIELD_WIDTH = 112;
// Extension Block Number; 0xFE marks a block of user data rather than subtitle text.
constexpr int TTI_EXTENSION_BLOCK_NUMBER_OFFSET = 3;
constexpr uint8_t TTI_EBN_USER_DATA = 0xFE;

// The widest field STLTextToString accepts (the TTI Text Field).
constexpr int STL_TEXT_MAX_WIDTH = TTI_TEXT_FIELD_WIDTH;

// The two Disk Format Codes, and so the two frame rates, a file may declare.
inline constexpr const char* kDiskFormatCode25 = "STL25.01";
inline constexpr const char* kDiskFormatCode30 = "STL30.01";

// The block count is written with at most five decimal digits.
constexpr uint32_t STL_MAX_TTI_BLOCKS = 99999;

// How a field's text is shown in its report line.
enum class TGsiFieldShow {
    Trimmed, // the trimmed field text
    Date,    // YYMMDD shown as DD:MM:YY
};

struct TGsiField {
    int Offset;
    int Width;
    const char* Name;
    int32_t ReportCode;
    const char* ReportFormat; // "%s" stands for the field text
    TGsiFieldShow Show;
};

// Indices into GSI_FIELDS, in block order (which is also the order of the reports).
enum TGsiFieldId : int {
    gfCodePageNumber,
    gfDiskFormatCode,
    gfDisplayStandardCode,
    gfCharacterCodeTableNumber,
    gfLanguageCode,
    gfOriginalProgrammeTitle,
    gfOriginalEpisodeTitle,
    gfTranslatedProgrammeTitle,
    gfTranslatedEpisodeTitle,
    gfTranslatorsName,
    gfTranslatorsContactDetails,
    gfSubtitleListReferenceCode,
    gfCreationDate,
    gfRevisionDate,
    gfRevisionNumber,
    gfTotalNumberOfTTIBlocks,
    gfTotalNumberOfSubtitles,
    gfTotalNumberOfSubtitleGroups,
    gfMaximumNumberOfDisplayableCharacters,
    gfMaximumNumberOfDisplayableRows,
    gfTimeCodeStatus,
    gfTimeCodeStartOfProgramme,
    gfTimeCodeFirstInCue,
    gfTotalNumberOfDisks,
    gfDiskSequenceNumber,
    gfCountryOfOrigin,
    gfPublisher,
    gfEditorsName,
    gfEditorsContactDetails,
    GSI_FIELD_COUNT
};

inline constexpr TGsiField GSI_FIELDS[GSI_FIELD_COUNT] = {
    {0, 3, "Code Page Number", 301, "GSI - Code Page Number : %s", TGsiFieldShow::Trimmed},
    {3, 8, "Disk Format Code", 302, "GSI - Disk Format Code : %s", TGsiFieldShow::Trimmed},
    {11, 1, "Display Standard Code", 303, "GSI - Display Standard Code : %s",
     TGsiFieldShow::Trimmed},
    {12, 2, "Character Code Table Number", 304, "GSI - Character Code Table Number : %s",
     TGsiFieldShow::Trimmed},
    {14, 2, "Language Code", 305, "GSI - Language Code : %s", TGsiFieldShow::Trimmed},
    {16, 32, "Original Programme Title", 306, "GSI - Original Programme Title : %s",
     TGsiFieldShow::Trimmed},
    {48, 32, "Original Episode Title", 307, "GSI - Original Episode Title : %s",
     TGsiFieldShow::Trimmed},
    {80, 32, "Translated Programme Title", 308, "GSI - Translated Programme Title : %s",
     TGsiFieldShow::Trimmed},
    {112, 32, "Translated Episode Title", 309, "GSI - Translated Episode Title : %s",
     TGsiFieldShow::Trimmed},
    {144, 32, "Translator's Name", 310, "GSI - Translator's Name : %s", TGsiFieldShow::Trimmed},
    {176, 32, "Translator's Contact Details", 311, "GSI - Translator's Contact Details : %s",
     TGsiFieldShow::Trimmed},
    {208, 16, "Subtitle List Reference Code", 312, "GSI - Subtitle List Reference Code : %s",
     TGsiFieldShow::Trimmed},
    {224, 6, "Creation Date", 313, "GSI - Creation Date : %s", TGsiFieldShow::Date},
    {230, 6, "Revision Date", 314, "GSI - Revision Date : %s", TGsiFieldShow::Date},
    {236, 2, "Revision Number", 315, "GSI - Revision Number : %s", TGsiFieldShow::Trimmed},
    {238, 5, "Total Number Of TTI blocks", 316, "GSI - Total Number Of TTI blocks : %s",
     TGsiFieldShow::Trimmed},
    {243, 5, "Total Number Of Subtitles", 317, "GSI - Total Number Of Subtitles : %s",
     TGsiFieldShow::Trimmed},
    {248, 3, "Total Number Of Subtitle Groups", 318, "GSI - Total Number Of Subtitle Groups : %s",
     TGsiFieldShow::Trimmed},
    {251, 2, "Maximum Number Of Displayable Characters", 319,
     "GSI - Maximum Number Of Displayable Characters : %s", TGsiFieldShow::Trimmed},
    {253, 2, "Maximum Number Of Displayable Rows", 320,
     "GSI - Maximum Number Of Displayable Rows : %s", TGsiFieldShow::Trimmed},
    {255, 1, "Time Code Status", 321, "GSI - Time Code Status : %s", TGsiFieldShow::Trimmed},
    {256, 8, "Time Code Start Of Programme", 322, "GSI - Time Code Start Of Programme : %s",
     TGsiFieldShow::Trimmed},
    {264, 8, "Time Code First In Cue", 323, "GSI - Time Code First In Cue : %s",
     TGsiFieldShow::Trimmed},
    {272, 1, "Total Number Of Disks", 324, "GSI - Total Number Of Disks : %s",
     TGsiFieldShow::Trimmed},
    {273, 1, "Disk Sequence Number", 325, "GSI - Disk Sequence Number : %s",
     TGsiFieldShow::Trimmed},
    {274, 3, "Country Of Origin", 326, "GSI - Country Of Origin : %s", TGsiFieldShow::Trimmed},
    {277, 32, "Publisher", 327, "GSI - Publisher : %s", TGsiFieldShow::Trimmed},
    {309, 32, "Editor's Name", 328, "GSI - Editor's Name : %s", TGsiFieldShow::Trimmed},
    {341, 32, "Editor's Contact Details", 329, "GSI - Editor's Contact Details : %s",
     TGsiFieldShow::Trimmed},
};

// Bytes from here to the end of the GSI block (spare bytes and the user-defined area) are
// not interpreted and are carried through unchanged.
constexpr int GSI_UNINTERPRETED_OFFSET = 373;

constexpr const TGsiField& GsiField(TGsiFieldId id) {
    return GSI_FIELDS[id];
}

// The table must tile the interpreted part of the block without gaps or overlaps.
constexpr bool GsiFieldsAreContiguous() {
    int next = 0;
    for (const TGsiField& field : GSI_FIELDS) {
        if (field.Offset != next)
            return false;
        next = field.Offset + field.Width;
    }
    return next == GSI_UNINTERPRETED_OFFSET;
}
static_assert(GsiFieldsAreContiguous(), "GSI field table has a gap or an overlap");

// Report codes run 301, 302, ... in table order.
constexpr bool GsiReportCodesAreSequential() {
    for (int i = 0; i < GSI_FIELD_COUNT; ++i)
        if (GSI_FIELDS[i].ReportCode != 301 + i)
            return false;
    return true;
}
static_assert(GsiReportCodesAreSequential(), "GSI report codes are out of order");
static_assert(GSI_FIELDS[gfTotalNumberOfSubtitles].Offset == 243);
static_assert(GSI_FIELDS[gfTotalNumberOfTTIBlocks].Offset == 238);
