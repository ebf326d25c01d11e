// The subtitles of an STL file as text: the blocks of each subtitle joined, their bytes
// decoded to UTF-8 by the header's Character Code Table, and the control codes turned into
// styles, each span knowing the teletext cell it starts at. Bytes of any kind decode as far as
// they go; what is odd about them is recorded with its block, never thrown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "stl/STLBlocks.h"

// The teletext alpha colours, in code order (00h black to 07h white).
enum class TSTLColour : uint8_t { Black, Red, Green, Yellow, Blue, Magenta, Cyan, White };

// "black", "red", "green", "yellow", "blue", "magenta", "cyan", "white".
const char* STLColourName(TSTLColour colour);

// The character tables of the header's CCT field, in code order ("00" to "04").
enum class TSTLCharacterTable : uint8_t {
    Latin,    // 00: ISO 6937, a diacritical mark (C1h to CFh) before its letter
    Cyrillic, // 01: ISO 8859-5
    Arabic,   // 02: ISO 8859-6
    Greek,    // 03: ISO 8859-7
    Hebrew,   // 04: ISO 8859-8
};

// What the decoder takes from the GSI block.
struct TSTLTextHeader {
    std::string CharacterTableField;  // CCT as stored, trimmed ("00")
    std::string DisplayStandardField; // DSC as stored, trimmed ("1"; "" when blank)
    TSTLCharacterTable Table = TSTLCharacterTable::Latin; // the table decoded with
    bool TableKnown = false; // CCT is 00 to 04; otherwise the text is decoded as 00
    bool Teletext = false;   // DSC 1 or 2: to be laid out on the 40-column grid
    int FrameRate = 30;      // 25 or 30 by DFC; 30 when DFC is not valid, as no rate allows more
    bool FrameRateKnown = false;
};

// A time code as the block stores it: four binary bytes, whether or not they are in range.
struct TSTLTimeCode {
    uint8_t Hours = 0;
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
};

// "HH:MM:SS:FF" (a byte above 99 takes three digits) into buffer; returns its length.
int FormatSTLTimeCode(const TSTLTimeCode& time, char (&buffer)[16]);

// A run of cells of one row with the same attributes. Every cell of a row belongs to exactly
// one span, so spans laid side by side from Column on rebuild the row as it is on air.
struct TSTLSpan {
    uint32_t Offset = 0; // the span's text: TSTLSubtitle::Text, from Offset, Length bytes
    uint32_t Length = 0;
    uint32_t Block = 0;  // the TTI block (from 1) of its first cell
    uint16_t Row = 0;    // from 0, one more at each 8Ah of the subtitle
    uint16_t Column = 0; // cell of its first character in the row, from 0
    uint16_t Cells = 0;  // cells taken: a character, a mark with its letter or a control code
    TSTLColour Colour = TSTLColour::White;
    TSTLColour Background = TSTLColour::Black;
    bool DoubleHeight = false;
    bool Boxed = false; // teletext box (0Bh ... 0Ah) or open subtitle boxing (84h ... 85h)
    bool Italic = false;
    bool Underline = false;
    // The cells of teletext control codes (00h to 1Fh): each is a space on air, in the
    // background in force there; Text holds one space per cell. Other spans are text.
    bool Control = false;
};

struct TSTLSubtitle {
    int Number = 0; // Subtitle Number
    int Group = 0;  // Subtitle Group Number
    int CumulativeStatus = 0;
    TSTLTimeCode In;
    TSTLTimeCode Out;
    int VerticalPosition = 0;
    int Justification = 0;
    bool Comment = false; // CF 1: never shown
    // Its TTI blocks (from 1) in the order their text is joined: by Extension Block Number,
    // FFh last. FirstBlock is the one that opened it in the file, whose fields are taken.
    uint32_t FirstBlock = 0;
    std::vector<uint32_t> Blocks;
    int Rows = 0;                // one more than its 8Ah codes; rows may be empty
    std::string Text;            // UTF-8 of every span, one after the other
    std::vector<TSTLSpan> Spans; // by row, then by column

    std::string_view SpanText(const TSTLSpan& span) const {
        return std::string_view(Text).substr(span.Offset, span.Length);
    }
};

enum class TSTLOddityKind : uint8_t {
    UnknownTable,      // CCT is not 00 to 04: decoded as 00 (block 0)
    TimeCodeIn,        // TCI is not a time code at the file's frame rate
    TimeCodeOut,       // TCO, the same
    SubtitleNumber,    // not one above the subtitle before it
    ExtensionOrder,    // extension blocks out of order, repeated, or not starting at 00h
    MissingLastBlock,  // a subtitle ends without a block FFh
    ReservedBlock,     // EBN F0h to FDh: skipped, like user data
    NoCharacter,       // a byte the table has no character for: shown as U+FFFD
    MarkWithoutLetter, // a diacritical mark followed by no letter, or by nothing
    ControlAtEnd,      // a full text field of a block FFh ends on a control code
    BytesAfterUnused,  // other bytes after the first 8Fh of a text field
};

struct TSTLOddity {
    TSTLOddityKind Kind = TSTLOddityKind::NoCharacter;
    uint32_t Block = 0; // the TTI block from 1; 0 for the header
    std::string Text;   // "C0h at byte 20 of the block has no character in table 00"
};

// Decodes blocks handed in file order, calling the sink with each subtitle as it ends. The
// subtitle passed is reused for the next one (its buffers keep their room), so decoding a
// file allocates next to nothing; copy what must outlive the call.
class TSTLTextDecoder {
public:
    using TSink = std::function<void(const TSTLSubtitle&)>;

    // gsi: the GSI_BLOCK_SIZE bytes of the header.
    TSTLTextDecoder(const uint8_t* gsi, TSink sink);

    const TSTLTextHeader& Header() const { return header_; }

    // The next TTI block (TTI_BLOCK_SIZE bytes, copied before it returns), block its index
    // from 1. User data (EBN FEh) and reserved blocks are skipped.
    void Add(const uint8_t* tti, uint32_t block);
    // After the last block: passes on the subtitle still open.
    void Finish();

    // What was odd so far, in block order; at most one of a kind for each block.
    const std::vector<TSTLOddity>& Oddities() const { return oddities_; }

private:
    struct TPart {
        uint8_t Ebn;
        uint32_t Block;
        uint8_t Text[TTI_TEXT_FIELD_WIDTH];
    };

    void Open(const uint8_t* tti, uint32_t block);
    void Close(bool lastBlockSeen);
    void Decode();
    void AddOddity(TSTLOddityKind kind, uint32_t block, std::string text);

    TSTLTextHeader header_;
    TSink sink_;
    TSTLSubtitle subtitle_;
    std::vector<TPart> parts_;
    bool open_ = false;
    int previousNumber_ = -1;
    // Where the oddities of the subtitle under way begin.
    size_t subtitleOddities_ = 0;
    std::vector<TSTLOddity> oddities_;
};

// A whole file's subtitles at once.
struct TSTLText {
    TSTLTextHeader Header;
    std::vector<TSTLSubtitle> Subtitles;
    std::vector<TSTLOddity> Oddities;
};

// gsi: GSI_BLOCK_SIZE bytes; blocks: count TTI blocks one after the other.
TSTLText DecodeSTLText(const uint8_t* gsi, const uint8_t* blocks, uint32_t count);

// Opens path as every conversion does (TSTLReader, size verified, its count of blocks) and
// decodes it. False with the reader's reason ("no such file", "not an EBU STL file", ...)
// when it does not open.
bool ReadSTLText(const std::string& path, TSTLText& text, std::string& failure);

// A row that shows something: the spans First to End - 1 of its subtitle, spaces trimmed at
// both ends (FrontTrim bytes off the first span's text, BackTrim off the last's). Side by
// side, control cells as spaces, their texts are the row as a line of plain text.
struct TSTLShownRow {
    size_t First = 0;
    size_t End = 0;
    uint32_t FrontTrim = 0;
    uint32_t BackTrim = 0;
};

// The subtitle's rows that show something, in order, into rows (cleared first). Rows of
// spaces and control codes only, such as the second line of a double-height row, are left out.
void STLShownRows(const TSTLSubtitle& subtitle, std::vector<TSTLShownRow>& rows);
// The text of span index (First <= index < End) within the shown row.
std::string_view STLShownText(const TSTLSubtitle& subtitle, const TSTLShownRow& row, size_t index);
// The shown rows as text, each followed by separator, appended to out.
void AppendSTLShownRows(const TSTLSubtitle& subtitle, std::string& out, char separator);

// What a byte is in a table, for checks that scan text without decoding it.
enum class TSTLTextByte : uint8_t {
    Character,   // has a character
    NoCharacter, // 20h to 7Fh or A0h to FFh without one
    Mark,        // a diacritical mark (table 00, C1h to CFh)
    Teletext,    // a teletext control code, 00h to 1Fh: takes a cell
    Open,        // an open subtitle code, 80h to 85h: takes none
    Reserved,    // 86h to 9Fh but 8Ah and 8Fh: ignored
    Newline,     // 8Ah
    Unused,      // 8Fh
};

// The kind of each of the 256 bytes in table.
const TSTLTextByte* STLTextBytes(TSTLCharacterTable table);
// The table number as the header writes it: "00" to "04".
const char* STLCharacterTableField(TSTLCharacterTable table);
