// The TTI rules in one pass over the blocks. A user data block (EBN FEh) carries no
// subtitle: no block rule applies to it and it neither opens nor closes a subtitle. A comment
// block (CF 1) is a subtitle in the numbering and in the counts, but it is never shown, so
// neither the timing nor the text rules apply to it.
#include <array>
#include <cstdio>
#include <cstring>

#include "qc/QcChecks.h"

namespace {

struct TTimeCode {
    int Hours, Minutes, Seconds, Frames;
};

TTimeCode TimeCodeAt(const uint8_t* bytes) {
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

struct TTimeText {
    char Text[16];
};

TTimeText ShowTime(TTimeCode time) {
    TTimeText text{};
    FormatTimeCode(text.Text, sizeof text.Text, time.Hours, time.Minutes, time.Seconds,
                   time.Frames);
    return text;
}

constexpr bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

class TBlockChecker {
public:
    TBlockChecker(const TQcHeader& header, TQcFindings& findings)
        : header_(header), findings_(findings) {
        for (int& end : groupEnd_)
            end = -1;
    }

    void Check(const uint8_t* tti, int block);
    // After the last block: the subtitle still open, and the header counts.
    void Finish();

private:
    bool Sequence(const uint8_t* tti, int block);
    void CloseOpenSubtitle();
    int Frames(const uint8_t* tti, int offset, TSTLRuleId rule, int block);
    void Timing(const uint8_t* tti, int block);
    void Values(const uint8_t* tti, int block);
    void Text(const uint8_t* tti, int block);
    void EndRow(int block);
    void EndSubtitleText(int block);

    const TQcHeader& header_;
    TQcFindings& findings_;

    int previousNumber_ = -1; // SN of the subtitle before, -1 before the first
    bool open_ = false;       // the last subtitle block was not its last (EBN FFh)
    int openNumber_ = 0;
    int openEbn_ = 0;
    int openBlock_ = 0;
    int subtitles_ = 0;
    uint64_t groups_[4] = {};
    int groupEnd_[256];           // TCO in frames of the last subtitle shown in each group
    bool firstShownDone_ = false; // the first shown subtitle was compared with TCP

    // The text of the subtitle under way, which may run over extension blocks.
    int rowLength_ = 0;
    int rows_ = 0;
    bool rowsReported_ = false;
};

// The subtitle numbering and the order of extension blocks. True when the block starts a
// subtitle.
bool TBlockChecker::Sequence(const uint8_t* tti, int block) {
    const int number = tti[TTI_SN_OFFSET] | (tti[TTI_SN_OFFSET + 1] << 8);
    const uint8_t ebn = tti[TTI_EBN_OFFSET];
    const bool reserved = ebn >= TTI_EBN_FIRST_RESERVED && ebn < TTI_EBN_USER_DATA;
    const bool continues = open_ && number == openNumber_;
    if (open_ && !continues)
        CloseOpenSubtitle();

    if (continues) {
        if (!reserved && ebn != TTI_EBN_LAST_BLOCK && ebn != openEbn_ + 1)
            findings_.Add(srEbnOrder, block, "%02Xh follows %02Xh in subtitle %d", ebn, openEbn_,
                          number);
    } else {
        if (previousNumber_ >= 0 && number != ((previousNumber_ + 1) & 0xFFFF))
            findings_.Add(srSnSequence, block, "%d follows %d, expected %d", number,
                          previousNumber_, (previousNumber_ + 1) & 0xFFFF);
        if (reserved)
            findings_.Add(srEbnReserved, block, "%02Xh is a reserved extension block number", ebn);
        else if (ebn != 0 && ebn != TTI_EBN_LAST_BLOCK)
            findings_.Add(srEbnOrder, block, "subtitle %d starts with block %02Xh, not 00h", number,
                          ebn);
        previousNumber_ = number;
        ++subtitles_;
        const uint8_t group = tti[TTI_SGN_OFFSET];
        groups_[group >> 6] |= uint64_t(1) << (group & 63);
        rowLength_ = 0;
        rows_ = 0;
        rowsReported_ = false;
    }
    if (continues && reserved)
        findings_.Add(srEbnReserved, block, "%02Xh is a reserved extension block number", ebn);

    // A reserved number ends the subtitle, so that one bad byte is one finding.
    open_ = !reserved && ebn <= TTI_EBN_LAST_EXTENSION;
    openNumber_ = number;
    openEbn_ = ebn;
    openBlock_ = block;
    return !continues;
}

void TBlockChecker::CloseOpenSubtitle() {
    open_ = false;
    EndSubtitleText(openBlock_);
    findings_.Add(srEbnNoLastBlock, openBlock_, "subtitle %d ends without a block FFh",
                  openNumber_);
}

// The time code at offset in frames, or -1 with an Error when it is not one.
int TBlockChecker::Frames(const uint8_t* tti, int offset, TSTLRuleId rule, int block) {
    const TTimeCode t = TimeCodeAt(tti + offset);
    if (t.Hours > 23 || t.Minutes > 59 || t.Seconds > 59 || t.Frames >= header_.FrameRate) {
        findings_.Add(rule, block, "%s is not a time code%s", ShowTime(t).Text,
                      FrameRateText(header_));
        return -1;
    }
    return ((t.Hours * 60 + t.Minutes) * 60 + t.Seconds) * header_.FrameRate + t.Frames;
}

// Only for the first block of a subtitle that is shown: its extension blocks repeat the
// times, and a comment is never on screen.
void TBlockChecker::Timing(const uint8_t* tti, int block) {
    const int in = Frames(tti, TTI_TCI_OFFSET, srTciTimeCode, block);
    const int out = Frames(tti, TTI_TCO_OFFSET, srTcoTimeCode, block);
    if (in < 0 || tti[TTI_CF_OFFSET] != 0)
        return;
    // Formatted only for a finding: the clean path allocates and formats nothing.
    auto inText = [&] { return ShowTime(TimeCodeAt(tti + TTI_TCI_OFFSET)); };
    if (!firstShownDone_) {
        firstShownDone_ = true;
        if (header_.TcpFrames >= 0 && in < header_.TcpFrames)
            findings_.Add(srTciBeforeTcp, block, "%s is before TCP %s", inText().Text,
                          header_.TcpText);
    }
    // The later parts of a cumulative set (CS 2 and 3) are meant to join what is shown.
    const bool joinsSet = tti[TTI_CS_OFFSET] == 2 || tti[TTI_CS_OFFSET] == 3;
    int& groupEnd = groupEnd_[tti[TTI_SGN_OFFSET]];
    if (groupEnd >= 0 && in < groupEnd && !joinsSet)
        findings_.Add(srTciOverlap, block, "%s is before the subtitle before it ends",
                      inText().Text);
    if (out < 0)
        return;
    if (out <= in) {
        findings_.Add(srTcoNotAfterTci, block, "%s is not after TCI %s",
                      ShowTime(TimeCodeAt(tti + TTI_TCO_OFFSET)).Text, inText().Text);
        return;
    }
    groupEnd = out;
}

void TBlockChecker::Values(const uint8_t* tti, int block) {
    if (tti[TTI_CS_OFFSET] > 3)
        findings_.Add(srCsValue, block, "%d is not 0 to 3", tti[TTI_CS_OFFSET]);
    const uint8_t vp = tti[TTI_VP_OFFSET];
    if (vp > 99)
        findings_.Add(srVpValue, block, "%d is not 0 to 99", vp);
    else if (header_.Teletext && tti[TTI_CF_OFFSET] == 0 && (vp < 1 || vp > 23))
        findings_.Add(srVpTeletextRow, block, "%d is not a teletext row (1 to 23)", vp);
    if (tti[TTI_JC_OFFSET] > 3)
        findings_.Add(srJcValue, block, "%d is not 0 to 3", tti[TTI_JC_OFFSET]);
    if (tti[TTI_CF_OFFSET] > 1)
        findings_.Add(srCfValue, block, "%d is not 0 or 1", tti[TTI_CF_OFFSET]);
}

void TBlockChecker::EndRow(int block) {
    if (rowLength_ == 0)
        return;
    ++rows_;
    if (header_.Mnc >= 0 && rowLength_ > header_.Mnc)
        findings_.Add(srTfRowLength, block, "a row of %d characters, more than MNC %d", rowLength_,
                      header_.Mnc);
    rowLength_ = 0;
}

void TBlockChecker::EndSubtitleText(int block) {
    EndRow(block);
    if (header_.Teletext && header_.Mnr >= 0 && rows_ > header_.Mnr && !rowsReported_)
        findings_.Add(srTfRows, block, "%d rows, more than MNR %d", rows_, header_.Mnr);
    rowsReported_ = true;
}

// What a text byte is to the row counting, for each character table and whether its
// diacritical marks count as marks (CCT exactly 00). Built once from the decoder's own table:
// the loop below then takes one load and one compare for an ordinary character, which is most
// of every text.
enum TTextByte : uint8_t { tbCharacter, tbNoCharacter, tbControl, tbNewline, tbMark, tbUnused };

struct TTextBytes {
    TTextByte Of[256];
};

TTextBytes MakeTextBytes(TSTLCharacterTable table, bool marks) {
    TTextBytes bytes{};
    const TSTLTextByte* kinds = STLTextBytes(table);
    for (int c = 0; c < 256; ++c) {
        switch (kinds[c]) {
        case TSTLTextByte::Character:
            bytes.Of[c] = tbCharacter;
            break;
        case TSTLTextByte::NoCharacter:
            bytes.Of[c] = tbNoCharacter;
            break;
        case TSTLTextByte::Mark:
            bytes.Of[c] = marks ? tbMark : tbCharacter;
            break;
        case TSTLTextByte::Newline:
            bytes.Of[c] = tbNewline;
            break;
        case TSTLTextByte::Unused:
            bytes.Of[c] = tbUnused;
            break;
        default:
            bytes.Of[c] = tbControl;
            break;
        }
    }
    return bytes;
}

const TTextBytes& TextBytes(const TQcHeader& header) {
    static const std::array<TTextBytes, 6> kTables = [] {
        std::array<TTextBytes, 6> tables{};
        for (int t = 0; t < 5; ++t)
            tables[size_t(t)] = MakeTextBytes(TSTLCharacterTable(t), false);
        tables[5] = MakeTextBytes(TSTLCharacterTable::Latin, true);
        return tables;
    }();
    return header.Table00 ? kTables[5] : kTables[size_t(header.Table)];
}

// Rows are counted by their printable characters, a diacritical mark and its letter as one;
// empty rows (a double-height row's second line) are not rows of text.
void TBlockChecker::Text(const uint8_t* tti, int block) {
    const uint8_t* text = tti + TTI_TEXT_FIELD_OFFSET;
    const TTextByte* kind = TextBytes(header_).Of;
    bool noCharacterReported = false;
    int end = 0;
    for (; end < TTI_TEXT_FIELD_WIDTH; ++end) {
        const TTextByte k = kind[text[end]];
        if (k == tbCharacter) {
            ++rowLength_;
            continue;
        }
        if (k == tbUnused)
            break;
        if (k == tbNoCharacter) {
            // Shown as a replacement character: one finding for the block, at the first.
            ++rowLength_;
            if (!noCharacterReported)
                findings_.Add(srTfNoCharacter, block,
                              "%02Xh at byte %d of the block has no character in table %s",
                              text[end], TTI_TEXT_FIELD_OFFSET + end,
                              STLCharacterTableField(header_.Table));
            noCharacterReported = true;
        } else if (k == tbNewline) {
            EndRow(block);
        } else if (k == tbMark) {
            // The mark and the letter after it are one character.
            const int next = end + 1;
            if (next == TTI_TEXT_FIELD_WIDTH || text[next] == TTI_TEXT_UNUSED) {
                findings_.Add(srTfDiacritic, block, "diacritical mark %02Xh at the end of the text",
                              text[end]);
            } else if (IsLetter(text[next])) {
                ++rowLength_;
                end = next;
            } else {
                findings_.Add(srTfDiacritic, block, "diacritical mark %02Xh followed by %02Xh",
                              text[end], text[next]);
            }
        }
    }
    static const std::array<uint8_t, TTI_TEXT_FIELD_WIDTH> kUnused = [] {
        std::array<uint8_t, TTI_TEXT_FIELD_WIDTH> bytes;
        bytes.fill(TTI_TEXT_UNUSED);
        return bytes;
    }();
    if (end == TTI_TEXT_FIELD_WIDTH) {
        // A full field whose last byte is a style for nothing: the text may have been cut.
        const uint8_t last = text[TTI_TEXT_FIELD_WIDTH - 1];
        const TSTLTextByte k = STLTextBytes(header_.Table)[last];
        if (!open_ && (k == TSTLTextByte::Teletext || k == TSTLTextByte::Open))
            findings_.Add(srTfControlAtEnd, block,
                          "the text field ends on control code %02Xh, with nothing after it", last);
        return;
    }
    const int rest = end + 1 < TTI_TEXT_FIELD_WIDTH ? end + 1 : TTI_TEXT_FIELD_WIDTH;
    if (std::memcmp(text + rest, kUnused.data(), size_t(TTI_TEXT_FIELD_WIDTH - rest)) == 0)
        return;
    int i = rest;
    while (text[i] == TTI_TEXT_UNUSED)
        ++i;
    findings_.Add(srTfUnusedBytes, block,
                  "unused text bytes are not all 8Fh: %02Xh at byte %d of the block", text[i],
                  TTI_TEXT_FIELD_OFFSET + i);
}

void TBlockChecker::Check(const uint8_t* tti, int block) {
    if (tti[TTI_EBN_OFFSET] == TTI_EBN_USER_DATA)
        return;
    const bool starts = Sequence(tti, block);
    if (starts) {
        Timing(tti, block);
    } else {
        Frames(tti, TTI_TCI_OFFSET, srTciTimeCode, block);
        Frames(tti, TTI_TCO_OFFSET, srTcoTimeCode, block);
    }
    Values(tti, block);
    if (tti[TTI_CF_OFFSET] == 0)
        Text(tti, block);
    if (!open_)
        EndSubtitleText(block);
}

void TBlockChecker::Finish() {
    if (open_)
        CloseOpenSubtitle();
    int groups = 0;
    for (uint64_t bits : groups_)
        groups += __builtin_popcountll(bits);
    // TNG goes in first, so that TNS's place before it stays where it was.
    if (header_.Tng >= 0 && header_.Tng != groups)
        findings_.InsertAt(header_.TngAt, srTngDiffers, 0, "counts %d groups, the blocks use %d",
                           header_.Tng, groups);
    if (header_.Tns >= 0 && header_.Tns != subtitles_)
        findings_.InsertAt(header_.TnsAt, srTnsDiffers, 0,
                           "counts %d subtitles, the blocks hold %d", header_.Tns, subtitles_);
}

} // namespace

void CheckTtiBlocks(const uint8_t* blocks, uint32_t count, const TQcHeader& header,
                    TQcFindings& findings) {
    TBlockChecker checker(header, findings);
    for (uint32_t i = 0; i < count; ++i)
        checker.Check(blocks + size_t(i) * TTI_BLOCK_SIZE, int(i) + 1);
    checker.Finish();
}
