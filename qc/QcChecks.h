// The two halves of the quality check, GSI and TTI blocks, and what they share: the header
// values the block rules depend on and the list the findings go to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "qc/QcFinding.h"
#include "stl/STLRules.h"
#include "stl/STLText.h"

// What the block rules need from the header; a value the header does not give is -1.
struct TQcHeader {
    int FrameRate = 30;     // 25 or 30; 30 when DFC is not valid, as no rate allows more
    bool RateKnown = false; // DFC is valid
    bool Teletext = false;  // DSC 1 or 2
    bool Table00 = false;   // CCT 00, where C1h to CFh are diacritical marks
    // The table the text is decoded with: CCT 00 to 04, 00 for any other.
    TSTLCharacterTable Table = TSTLCharacterTable::Latin;
    int Mnc = -1;
    int Mnr = -1;
    int TcpFrames = -1;
    char TcpText[12] = {}; // "HH:MM:SS:FF" when TCP is a time code
    // TNS and TNG, or -1 when they cannot be compared with the blocks: not numbers, or
    // blocks missing from the end of the file (TNB counts more), which is the one fault.
    int Tns = -1;
    int Tng = -1;
    // Where the findings that need the whole file (TNS and TNG against the blocks) belong.
    size_t TnsAt = 0;
    size_t TngAt = 0;
};

// The findings of one check. Severity and field come from the rule table; the texts are
// formatted into a fixed buffer, so a finding costs only its own strings.
class TQcFindings {
public:
    explicit TQcFindings(std::vector<TQcFinding>& out) : out_(out) {}

    void Add(TSTLRuleId rule, int block, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void InsertAt(size_t index, TSTLRuleId rule, int block, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    size_t Count() const { return out_.size(); }

private:
    std::vector<TQcFinding>& out_;
};

// "HH:MM:SS:FF" into buffer (at least 12 bytes).
void FormatTimeCode(char* buffer, size_t size, int hours, int minutes, int seconds, int frames);
// " at 25 frames per second", or " at any frame rate" when DFC is not valid.
const char* FrameRateText(const TQcHeader& header);

// Checks the GSI block (data holds at least GSI_BLOCK_SIZE bytes) and fills header.
void CheckGsiBlock(const uint8_t* gsi, uint32_t blocksPresent, TQcHeader& header,
                   TQcFindings& findings);

// Checks count whole TTI blocks at blocks, then the header counts against them.
void CheckTtiBlocks(const uint8_t* blocks, uint32_t count, const TQcHeader& header,
                    TQcFindings& findings);
