#include "stl/STLText.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "stl/STLReader.h"
#include "stl/STLRules.h"

namespace {

constexpr int kTableCount = 5;
constexpr char16_t kReplacement = 0xFFFD;

// A0h to FFh of each table; 0 where it has no character. 20h to 7Eh are ASCII in all five.
// clang-format off
constexpr char16_t kUpperHalf[kTableCount][96] = {
    // 00: ISO 6937 as EBU Tech 3264 gives it (A4h "$", A6h "#", A8h "¤")
    {
        0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x0024, 0x00A5, 0x0023, 0x00A7,
        0x00A4, 0x2018, 0x201C, 0x00AB, 0x2190, 0x2191, 0x2192, 0x2193,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00D7, 0x00B5, 0x00B6, 0x00B7,
        0x00F7, 0x2019, 0x201D, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x2015, 0x00B9, 0x00AE, 0x00A9, 0x2122, 0x266A, 0x00AC, 0x00A6,
        0x0000, 0x0000, 0x0000, 0x0000, 0x215B, 0x215C, 0x215D, 0x215E,
        0x2126, 0x00C6, 0x0110, 0x00AA, 0x0126, 0x0000, 0x0132, 0x013F,
        0x0141, 0x00D8, 0x0152, 0x00BA, 0x00DE, 0x0166, 0x014A, 0x0149,
        0x0138, 0x00E6, 0x0111, 0x00F0, 0x0127, 0x0131, 0x0133, 0x0140,
        0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x0167, 0x014B, 0x00AD,
    },
    // 01: ISO 8859-5
    {
        0x00A0, 0x0401, 0x0402, 0x0403, 0x0404, 0x0405, 0x0406, 0x0407,
        0x0408, 0x0409, 0x040A, 0x040B, 0x040C, 0x00AD, 0x040E, 0x040F,
        0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
        0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
        0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
        0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
        0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
        0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
        0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
        0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
        0x2116, 0x0451, 0x0452, 0x0453, 0x0454, 0x0455, 0x0456, 0x0457,
        0x0458, 0x0459, 0x045A, 0x045B, 0x045C, 0x00A7, 0x045E, 0x045F,
    },
    // 02: ISO 8859-6
    {
        0x00A0, 0x0000, 0x0000, 0x0000, 0x00A4, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x060C, 0x00AD, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x061B, 0x0000, 0x0000, 0x0000, 0x061F,
        0x0000, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
        0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,
        0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x0637,
        0x0638, 0x0639, 0x063A, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0640, 0x0641, 0x0642, 0x0643, 0x0644, 0x0645, 0x0646, 0x0647,
        0x0648, 0x0649, 0x064A, 0x064B, 0x064C, 0x064D, 0x064E, 0x064F,
        0x0650, 0x0651, 0x0652, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    },
    // 03: ISO 8859-7
    {
        0x00A0, 0x2018, 0x2019, 0x00A3, 0x20AC, 0x20AF, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x037A, 0x00AB, 0x00AC, 0x00AD, 0x0000, 0x2015,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x0385, 0x0386, 0x00B7,
        0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F,
        0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,
        0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F,
        0x03A0, 0x03A1, 0x0000, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7,
        0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,
        0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
        0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF,
        0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,
        0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x0000,
    },
    // 04: ISO 8859-8
    {
        0x00A0, 0x0000, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
        0x00B8, 0x00B9, 0x00F7, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x2017,
        0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7,
        0x05D8, 0x05D9, 0x05DA, 0x05DB, 0x05DC, 0x05DD, 0x05DE, 0x05DF,
        0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
        0x05E8, 0x05E9, 0x05EA, 0x0000, 0x0000, 0x200E, 0x200F, 0x0000,
    },
};

// A diacritical mark of table 00 and the letter after it, where one character stands for the
// two. C9h (the old umlaut) is taken as C8h; CCh (underline) composes with nothing. Acute
// over g is ISO 6937's way of writing g with a cedilla.
struct TComposed {
    uint8_t Mark;
    uint8_t Base;
    char16_t Code;
};

constexpr TComposed kComposed[] = {
    // C1h
    {0xC1, 'A', 0x00C0}, {0xC1, 'E', 0x00C8}, {0xC1, 'I', 0x00CC}, {0xC1, 'N', 0x01F8},
    {0xC1, 'O', 0x00D2}, {0xC1, 'U', 0x00D9}, {0xC1, 'W', 0x1E80}, {0xC1, 'Y', 0x1EF2},
    {0xC1, 'a', 0x00E0}, {0xC1, 'e', 0x00E8}, {0xC1, 'i', 0x00EC}, {0xC1, 'n', 0x01F9},
    {0xC1, 'o', 0x00F2}, {0xC1, 'u', 0x00F9}, {0xC1, 'w', 0x1E81}, {0xC1, 'y', 0x1EF3},
    // C2h
    {0xC2, 'A', 0x00C1}, {0xC2, 'C', 0x0106}, {0xC2, 'E', 0x00C9}, {0xC2, 'G', 0x01F4},
    {0xC2, 'I', 0x00CD}, {0xC2, 'K', 0x1E30}, {0xC2, 'L', 0x0139}, {0xC2, 'M', 0x1E3E},
    {0xC2, 'N', 0x0143}, {0xC2, 'O', 0x00D3}, {0xC2, 'P', 0x1E54}, {0xC2, 'R', 0x0154},
    {0xC2, 'S', 0x015A}, {0xC2, 'U', 0x00DA}, {0xC2, 'W', 0x1E82}, {0xC2, 'Y', 0x00DD},
    {0xC2, 'Z', 0x0179}, {0xC2, 'a', 0x00E1}, {0xC2, 'c', 0x0107}, {0xC2, 'e', 0x00E9},
    {0xC2, 'g', 0x0123}, {0xC2, 'i', 0x00ED}, {0xC2, 'k', 0x1E31}, {0xC2, 'l', 0x013A},
    {0xC2, 'm', 0x1E3F}, {0xC2, 'n', 0x0144}, {0xC2, 'o', 0x00F3}, {0xC2, 'p', 0x1E55},
    {0xC2, 'r', 0x0155}, {0xC2, 's', 0x015B}, {0xC2, 'u', 0x00FA}, {0xC2, 'w', 0x1E83},
    {0xC2, 'y', 0x00FD}, {0xC2, 'z', 0x017A}, {0xC2, 0xE1, 0x01FC}, {0xC2, 0xE9, 0x01FE},
    {0xC2, 0xF1, 0x01FD}, {0xC2, 0xF9, 0x01FF},
    // C3h
    {0xC3, 'A', 0x00C2}, {0xC3, 'C', 0x0108}, {0xC3, 'E', 0x00CA}, {0xC3, 'G', 0x011C},
    {0xC3, 'H', 0x0124}, {0xC3, 'I', 0x00CE}, {0xC3, 'J', 0x0134}, {0xC3, 'O', 0x00D4},
    {0xC3, 'S', 0x015C}, {0xC3, 'U', 0x00DB}, {0xC3, 'W', 0x0174}, {0xC3, 'Y', 0x0176},
    {0xC3, 'Z', 0x1E90}, {0xC3, 'a', 0x00E2}, {0xC3, 'c', 0x0109}, {0xC3, 'e', 0x00EA},
    {0xC3, 'g', 0x011D}, {0xC3, 'h', 0x0125}, {0xC3, 'i', 0x00EE}, {0xC3, 'j', 0x0135},
    {0xC3, 'o', 0x00F4}, {0xC3, 's', 0x015D}, {0xC3, 'u', 0x00FB}, {0xC3, 'w', 0x0175},
    {0xC3, 'y', 0x0177}, {0xC3, 'z', 0x1E91},
    // C4h
    {0xC4, 'A', 0x00C3}, {0xC4, 'E', 0x1EBC}, {0xC4, 'I', 0x0128}, {0xC4, 'N', 0x00D1},
    {0xC4, 'O', 0x00D5}, {0xC4, 'U', 0x0168}, {0xC4, 'V', 0x1E7C}, {0xC4, 'Y', 0x1EF8},
    {0xC4, 'a', 0x00E3}, {0xC4, 'e', 0x1EBD}, {0xC4, 'i', 0x0129}, {0xC4, 'n', 0x00F1},
    {0xC4, 'o', 0x00F5}, {0xC4, 'u', 0x0169}, {0xC4, 'v', 0x1E7D}, {0xC4, 'y', 0x1EF9},
    // C5h
    {0xC5, 'A', 0x0100}, {0xC5, 'E', 0x0112}, {0xC5, 'G', 0x1E20}, {0xC5, 'I', 0x012A},
    {0xC5, 'O', 0x014C}, {0xC5, 'U', 0x016A}, {0xC5, 'Y', 0x0232}, {0xC5, 'a', 0x0101},
    {0xC5, 'e', 0x0113}, {0xC5, 'g', 0x1E21}, {0xC5, 'i', 0x012B}, {0xC5, 'o', 0x014D},
    {0xC5, 'u', 0x016B}, {0xC5, 'y', 0x0233}, {0xC5, 0xE1, 0x01E2}, {0xC5, 0xF1, 0x01E3},
    // C6h
    {0xC6, 'A', 0x0102}, {0xC6, 'E', 0x0114}, {0xC6, 'G', 0x011E}, {0xC6, 'I', 0x012C},
    {0xC6, 'O', 0x014E}, {0xC6, 'U', 0x016C}, {0xC6, 'a', 0x0103}, {0xC6, 'e', 0x0115},
    {0xC6, 'g', 0x011F}, {0xC6, 'i', 0x012D}, {0xC6, 'o', 0x014F}, {0xC6, 'u', 0x016D},
    // C7h
    {0xC7, 'A', 0x0226}, {0xC7, 'B', 0x1E02}, {0xC7, 'C', 0x010A}, {0xC7, 'D', 0x1E0A},
    {0xC7, 'E', 0x0116}, {0xC7, 'F', 0x1E1E}, {0xC7, 'G', 0x0120}, {0xC7, 'H', 0x1E22},
    {0xC7, 'I', 0x0130}, {0xC7, 'M', 0x1E40}, {0xC7, 'N', 0x1E44}, {0xC7, 'O', 0x022E},
    {0xC7, 'P', 0x1E56}, {0xC7, 'R', 0x1E58}, {0xC7, 'S', 0x1E60}, {0xC7, 'T', 0x1E6A},
    {0xC7, 'W', 0x1E86}, {0xC7, 'X', 0x1E8A}, {0xC7, 'Y', 0x1E8E}, {0xC7, 'Z', 0x017B},
    {0xC7, 'a', 0x0227}, {0xC7, 'b', 0x1E03}, {0xC7, 'c', 0x010B}, {0xC7, 'd', 0x1E0B},
    {0xC7, 'e', 0x0117}, {0xC7, 'f', 0x1E1F}, {0xC7, 'g', 0x0121}, {0xC7, 'h', 0x1E23},
    {0xC7, 'm', 0x1E41}, {0xC7, 'n', 0x1E45}, {0xC7, 'o', 0x022F}, {0xC7, 'p', 0x1E57},
    {0xC7, 'r', 0x1E59}, {0xC7, 's', 0x1E61}, {0xC7, 't', 0x1E6B}, {0xC7, 'w', 0x1E87},
    {0xC7, 'x', 0x1E8B}, {0xC7, 'y', 0x1E8F}, {0xC7, 'z', 0x017C},
    // C8h
    {0xC8, 'A', 0x00C4}, {0xC8, 'E', 0x00CB}, {0xC8, 'H', 0x1E26}, {0xC8, 'I', 0x00CF},
    {0xC8, 'O', 0x00D6}, {0xC8, 'U', 0x00DC}, {0xC8, 'W', 0x1E84}, {0xC8, 'X', 0x1E8C},
    {0xC8, 'Y', 0x0178}, {0xC8, 'a', 0x00E4}, {0xC8, 'e', 0x00EB}, {0xC8, 'h', 0x1E27},
    {0xC8, 'i', 0x00EF}, {0xC8, 'o', 0x00F6}, {0xC8, 't', 0x1E97}, {0xC8, 'u', 0x00FC},
    {0xC8, 'w', 0x1E85}, {0xC8, 'x', 0x1E8D}, {0xC8, 'y', 0x00FF},
    // CAh
    {0xCA, 'A', 0x00C5}, {0xCA, 'U', 0x016E}, {0xCA, 'a', 0x00E5}, {0xCA, 'u', 0x016F},
    {0xCA, 'w', 0x1E98}, {0xCA, 'y', 0x1E99},
    // CBh
    {0xCB, 'C', 0x00C7}, {0xCB, 'D', 0x1E10}, {0xCB, 'E', 0x0228}, {0xCB, 'G', 0x0122},
    {0xCB, 'H', 0x1E28}, {0xCB, 'K', 0x0136}, {0xCB, 'L', 0x013B}, {0xCB, 'N', 0x0145},
    {0xCB, 'R', 0x0156}, {0xCB, 'S', 0x015E}, {0xCB, 'T', 0x0162}, {0xCB, 'c', 0x00E7},
    {0xCB, 'd', 0x1E11}, {0xCB, 'e', 0x0229}, {0xCB, 'g', 0x0123}, {0xCB, 'h', 0x1E29},
    {0xCB, 'k', 0x0137}, {0xCB, 'l', 0x013C}, {0xCB, 'n', 0x0146}, {0xCB, 'r', 0x0157},
    {0xCB, 's', 0x015F}, {0xCB, 't', 0x0163},
    // CDh
    {0xCD, 'O', 0x0150}, {0xCD, 'U', 0x0170}, {0xCD, 'o', 0x0151}, {0xCD, 'u', 0x0171},
    // CEh
    {0xCE, 'A', 0x0104}, {0xCE, 'E', 0x0118}, {0xCE, 'I', 0x012E}, {0xCE, 'O', 0x01EA},
    {0xCE, 'U', 0x0172}, {0xCE, 'a', 0x0105}, {0xCE, 'e', 0x0119}, {0xCE, 'i', 0x012F},
    {0xCE, 'o', 0x01EB}, {0xCE, 'u', 0x0173},
    // CFh
    {0xCF, 'A', 0x01CD}, {0xCF, 'C', 0x010C}, {0xCF, 'D', 0x010E}, {0xCF, 'E', 0x011A},
    {0xCF, 'G', 0x01E6}, {0xCF, 'H', 0x021E}, {0xCF, 'I', 0x01CF}, {0xCF, 'K', 0x01E8},
    {0xCF, 'L', 0x013D}, {0xCF, 'N', 0x0147}, {0xCF, 'O', 0x01D1}, {0xCF, 'R', 0x0158},
    {0xCF, 'S', 0x0160}, {0xCF, 'T', 0x0164}, {0xCF, 'U', 0x01D3}, {0xCF, 'Z', 0x017D},
    {0xCF, 'a', 0x01CE}, {0xCF, 'c', 0x010D}, {0xCF, 'd', 0x010F}, {0xCF, 'e', 0x011B},
    {0xCF, 'g', 0x01E7}, {0xCF, 'h', 0x021F}, {0xCF, 'i', 0x01D0}, {0xCF, 'j', 0x01F0},
    {0xCF, 'k', 0x01E9}, {0xCF, 'l', 0x013E}, {0xCF, 'n', 0x0148}, {0xCF, 'o', 0x01D2},
    {0xCF, 'r', 0x0159}, {0xCF, 's', 0x0161}, {0xCF, 't', 0x0165}, {0xCF, 'u', 0x01D4},
    {0xCF, 'z', 0x017E},
};
// clang-format on

constexpr int MarkIndex(uint8_t mark) {
    return mark - TTI_TEXT_FIRST_DIACRITIC; // 0 to 14
}

// For each mark: the combining character it adds to a letter without a precomposed form, and
// its spacing form, shown when no letter follows (and, as ISO 6937 has it, before a space).
struct TMark {
    char16_t Combining;
    char16_t Spacing;
};

constexpr TMark kMarks[15] = {
    {0x0300, 0x0060}, {0x0301, 0x00B4}, {0x0302, 0x005E}, {0x0303, 0x007E}, {0x0304, 0x00AF},
    {0x0306, 0x02D8}, {0x0307, 0x02D9}, {0x0308, 0x00A8}, {0x0308, 0x00A8}, {0x030A, 0x02DA},
    {0x0327, 0x00B8}, {0x0332, 0x005F}, {0x030B, 0x02DD}, {0x0328, 0x02DB}, {0x030C, 0x02C7},
};

// A character as UTF-8, ready to append: at most three bytes for the characters of the tables.
struct TUtf8 {
    uint8_t Length = 0;
    char Bytes[3] = {};
};

constexpr TUtf8 Utf8(char16_t code) {
    TUtf8 out;
    if (code < 0x80) {
        out.Length = 1;
        out.Bytes[0] = char(code);
    } else if (code < 0x800) {
        out.Length = 2;
        out.Bytes[0] = char(0xC0 | (code >> 6));
        out.Bytes[1] = char(0x80 | (code & 0x3F));
    } else {
        out.Length = 3;
        out.Bytes[0] = char(0xE0 | (code >> 12));
        out.Bytes[1] = char(0x80 | ((code >> 6) & 0x3F));
        out.Bytes[2] = char(0x80 | (code & 0x3F));
    }
    return out;
}

constexpr char16_t CodeOf(int table, int byte) {
    if (byte >= 0x20 && byte <= 0x7E)
        return char16_t(byte);
    if (byte >= 0xA0)
        return kUpperHalf[table][byte - 0xA0];
    return 0;
}

constexpr TSTLTextByte KindOf(int table, int byte) {
    const auto b = uint8_t(byte);
    if (b < 0x20)
        return TSTLTextByte::Teletext;
    if (b == TTI_TEXT_NEWLINE)
        return TSTLTextByte::Newline;
    if (b == TTI_TEXT_UNUSED)
        return TSTLTextByte::Unused;
    if (b >= 0x80 && b <= 0x85)
        return TSTLTextByte::Open;
    if (b >= 0x80 && b <= 0x9F)
        return TSTLTextByte::Reserved;
    if (table == 0 && b >= TTI_TEXT_FIRST_DIACRITIC && b <= TTI_TEXT_LAST_DIACRITIC)
        return TSTLTextByte::Mark;
    return CodeOf(table, byte) != 0 ? TSTLTextByte::Character : TSTLTextByte::NoCharacter;
}

// Everything the decoding loop looks up, built at compile time: one load per byte.
struct TTables {
    TSTLTextByte Kind[kTableCount][256] = {};
    TUtf8 Character[kTableCount][256] = {}; // U+FFFD where there is none
    char16_t Composed[15][256] = {};        // 0 where the mark has no precomposed letter
};

constexpr TTables MakeTables() {
    TTables t;
    for (int table = 0; table < kTableCount; ++table)
        for (int byte = 0; byte < 256; ++byte) {
            t.Kind[table][byte] = KindOf(table, byte);
            const char16_t code = CodeOf(table, byte);
            t.Character[table][byte] = Utf8(code != 0 ? code : kReplacement);
        }
    for (const TComposed& c : kComposed)
        t.Composed[MarkIndex(c.Mark)][c.Base] = c.Code;
    for (int base = 0; base < 256; ++base)
        t.Composed[MarkIndex(0xC9)][base] = t.Composed[MarkIndex(0xC8)][base];
    return t;
}

constexpr TTables kTables = MakeTables();

constexpr bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string Trimmed(const uint8_t* bytes, int width) {
    int begin = 0;
    int end = width;
    while (begin < end && (bytes[begin] == ' ' || bytes[begin] == 0))
        ++begin;
    while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == 0))
        --end;
    return std::string(reinterpret_cast<const char*>(bytes) + begin, size_t(end - begin));
}

bool FieldIs(const uint8_t* gsi, TGsiFieldId id, const char* text) {
    const TGsiField& field = GsiField(id);
    return std::strlen(text) == size_t(field.Width) &&
           std::memcmp(gsi + field.Offset, text, size_t(field.Width)) == 0;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char buffer[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The attributes a cell is shown with.
struct TStyle {
    TSTLColour Colour = TSTLColour::White;
    TSTLColour Background = TSTLColour::Black;
    bool DoubleHeight = false;
    bool TeletextBox = false;
    bool OpenBox = false;
    bool Italic = false;
    bool Underline = false;

    bool operator==(const TStyle&) const = default;
};

// Lays the decoded cells of one subtitle into its text and spans.
class TRowWriter {
public:
    explicit TRowWriter(TSTLSubtitle& subtitle) : subtitle_(subtitle) {}
    ~TRowWriter() { Flush(); }
    TRowWriter(const TRowWriter&) = delete;
    TRowWriter& operator=(const TRowWriter&) = delete;

    void Character(const char* bytes, int length, uint32_t block, bool control) {
        std::vector<TSTLSpan>& spans = subtitle_.Spans;
        // Most cells go on the span before them: only a code, a new row or a full span
        // starts another, and only then are the attributes compared.
        if (!(control ? extendsControl_ : extendsText_) || spans.back().Cells == 0xFFFF) {
            if (spans.empty() || !Continues(spans.back(), control))
                spans.push_back(NewSpan(block, control));
            extendsText_ = !control;
            extendsControl_ = control;
        }
        TSTLSpan& span = spans.back();
        if (used_ + length > int(sizeof buffer_))
            Flush();
        for (int i = 0; i < length; ++i)
            buffer_[used_ + i] = bytes[i];
        used_ += length;
        span.Length += uint32_t(length);
        ++span.Cells;
        ++column_;
    }

    // Moves the bytes gathered into the subtitle's text: once a block, not once a character.
    void Flush() {
        subtitle_.Text.append(buffer_, size_t(used_));
        used_ = 0;
    }

    // A character of the table: most of every text, so the case of one more character for
    // the span under way is kept to a few stores.
    void Character(const TUtf8& c, uint32_t block) {
        if (extendsText_ && used_ + 3 <= int(sizeof buffer_)) {
            TSTLSpan& span = subtitle_.Spans.back();
            if (span.Cells != 0xFFFF) {
                std::memcpy(buffer_ + used_, c.Bytes, 3);
                used_ += c.Length;
                span.Length += c.Length;
                ++span.Cells;
                ++column_;
                return;
            }
        }
        Character(c.Bytes, c.Length, block, false);
    }

    void Character(char16_t code, uint32_t block) { Character(Utf8(code), block); }

    // A letter and the combining mark after it, in one cell.
    void Combined(const TUtf8& base, char16_t mark, uint32_t block) {
        char bytes[6];
        std::memcpy(bytes, base.Bytes, base.Length);
        const TUtf8 m = Utf8(mark);
        std::memcpy(bytes + base.Length, m.Bytes, m.Length);
        Character(bytes, base.Length + m.Length, block, false);
    }

    // A teletext control code: its own cell, a space in the attributes of that cell. Codes
    // that act at their own cell (set-at) change the style first; the others (set-after)
    // only from the next cell on.
    void Teletext(uint8_t code, uint32_t block) {
        extendsText_ = false;
        const TStyle before = style_;
        switch (code) {
        case 0x0C:
            style_.DoubleHeight = false;
            break;
        case 0x1C:
            style_.Background = TSTLColour::Black;
            break;
        case 0x1D:
            style_.Background = style_.Colour;
            break;
        default:
            break;
        }
        if (!(style_ == before))
            Restyled();
        Character(" ", 1, block, true);
        if (code <= 0x07)
            style_.Colour = TSTLColour(code);
        else if (code == 0x0A)
            style_.TeletextBox = false;
        else if (code == 0x0B)
            style_.TeletextBox = true;
        else if (code == 0x0D)
            style_.DoubleHeight = true;
        if (!(style_ == before))
            Restyled();
    }

    // An open subtitle code: takes no cell.
    void Open(uint8_t code) {
        Restyled();
        switch (code) {
        case 0x80:
            style_.Italic = true;
            break;
        case 0x81:
            style_.Italic = false;
            break;
        case 0x82:
            style_.Underline = true;
            break;
        case 0x83:
            style_.Underline = false;
            break;
        case 0x84:
            style_.OpenBox = true;
            break;
        default:
            style_.OpenBox = false;
            break;
        }
    }

    // Each teletext row starts white on black, single height, unboxed; open subtitle styles
    // hold until they are turned off.
    void NewRow() {
        Restyled();
        ++row_;
        column_ = 0;
        style_.Colour = TSTLColour::White;
        style_.Background = TSTLColour::Black;
        style_.DoubleHeight = false;
        style_.TeletextBox = false;
    }

    int Rows() const { return row_ + 1; }

private:
    TSTLSpan NewSpan(uint32_t block, bool control) const {
        TSTLSpan span;
        span.Offset = uint32_t(subtitle_.Text.size() + size_t(used_));
        span.Block = block;
        span.Row = Clamped(row_);
        span.Column = Clamped(column_);
        span.Colour = style_.Colour;
        span.Background = style_.Background;
        span.DoubleHeight = style_.DoubleHeight;
        span.Boxed = style_.TeletextBox || style_.OpenBox;
        span.Italic = style_.Italic;
        span.Underline = style_.Underline;
        span.Control = control;
        return span;
    }

    // The style changed: the next cell starts a span of its own.
    void Restyled() {
        extendsText_ = false;
        extendsControl_ = false;
    }

    // Rows and columns past what a span holds only come of broken files: they go on in spans
    // of their own at the last place a span can name.
    static uint16_t Clamped(int n) { return uint16_t(std::min(n, 0xFFFF)); }

    bool Continues(const TSTLSpan& span, bool control) const {
        return span.Control == control && span.Row == row_ && span.Cells < 0xFFFF &&
               span.Column + span.Cells == column_ && span.Colour == style_.Colour &&
               span.Background == style_.Background && span.DoubleHeight == style_.DoubleHeight &&
               span.Boxed == (style_.TeletextBox || style_.OpenBox) &&
               span.Italic == style_.Italic && span.Underline == style_.Underline;
    }

    TSTLSubtitle& subtitle_;
    char buffer_[1024];
    int used_ = 0;
    TStyle style_;
    int row_ = 0;
    int column_ = 0;
    bool extendsText_ = false;    // the next text cell goes on the last span as it is
    bool extendsControl_ = false; // the same for the next control cell
};

} // namespace

const char* STLColourName(TSTLColour colour) {
    static const char* const kNames[] = {"black", "red",     "green", "yellow",
                                         "blue",  "magenta", "cyan",  "white"};
    return kNames[uint8_t(colour) & 7];
}

int FormatSTLTimeCode(const TSTLTimeCode& time, char (&buffer)[16]) {
    // By hand: a printed file formats two time codes a subtitle, and printf would be most of
    // the cost of printing it.
    int at = 0;
    for (const uint8_t part : {time.Hours, time.Minutes, time.Seconds, time.Frames}) {
        if (at > 0)
            buffer[at++] = ':';
        if (part >= 100)
            buffer[at++] = char('0' + part / 100);
        buffer[at++] = char('0' + part / 10 % 10);
        buffer[at++] = char('0' + part % 10);
    }
    buffer[at] = 0;
    return at;
}

const TSTLTextByte* STLTextBytes(TSTLCharacterTable table) {
    return kTables.Kind[int(table) % kTableCount];
}

const char* STLCharacterTableField(TSTLCharacterTable table) {
    static const char* const kFields[kTableCount] = {"00", "01", "02", "03", "04"};
    return kFields[int(table) % kTableCount];
}

TSTLTextDecoder::TSTLTextDecoder(const uint8_t* gsi, TSink sink) : sink_(std::move(sink)) {
    const uint8_t* cct = gsi + GsiField(gfCharacterCodeTableNumber).Offset;
    header_.CharacterTableField = Trimmed(cct, GsiField(gfCharacterCodeTableNumber).Width);
    header_.DisplayStandardField = Trimmed(gsi + GsiField(gfDisplayStandardCode).Offset,
                                           GsiField(gfDisplayStandardCode).Width);
    header_.TableKnown = cct[0] == '0' && cct[1] >= '0' && cct[1] <= '4';
    header_.Table =
        header_.TableKnown ? TSTLCharacterTable(cct[1] - '0') : TSTLCharacterTable::Latin;
    const uint8_t dsc = gsi[GsiField(gfDisplayStandardCode).Offset];
    header_.Teletext = dsc == '1' || dsc == '2';
    if (FieldIs(gsi, gfDiskFormatCode, kDiskFormatCode25)) {
        header_.FrameRate = 25;
        header_.FrameRateKnown = true;
    } else if (FieldIs(gsi, gfDiskFormatCode, kDiskFormatCode30)) {
        header_.FrameRate = 30;
        header_.FrameRateKnown = true;
    }
    if (!header_.TableKnown)
        AddOddity(TSTLOddityKind::UnknownTable, 0,
                  "character code table \"" + header_.CharacterTableField +
                      "\" is not 00 to 04: the text is decoded as 00 (Latin)");
}

void TSTLTextDecoder::AddOddity(TSTLOddityKind kind, uint32_t block, std::string text) {
    // One of a kind for each block: a field of bad bytes is one oddity, not a hundred.
    for (size_t i = oddities_.size(); i > subtitleOddities_; --i)
        if (oddities_[i - 1].Kind == kind && oddities_[i - 1].Block == block)
            return;
    oddities_.push_back(TSTLOddity{kind, block, std::move(text)});
}

void TSTLTextDecoder::Open(const uint8_t* tti, uint32_t block) {
    TSTLSubtitle& s = subtitle_;
    s.Number = tti[TTI_SN_OFFSET] | (tti[TTI_SN_OFFSET + 1] << 8);
    s.Group = tti[TTI_SGN_OFFSET];
    s.CumulativeStatus = tti[TTI_CS_OFFSET];
    const uint8_t* in = tti + TTI_TCI_OFFSET;
    const uint8_t* out = tti + TTI_TCO_OFFSET;
    s.In = TSTLTimeCode{in[0], in[1], in[2], in[3]};
    s.Out = TSTLTimeCode{out[0], out[1], out[2], out[3]};
    s.VerticalPosition = tti[TTI_VP_OFFSET];
    s.Justification = tti[TTI_JC_OFFSET];
    s.Comment = tti[TTI_CF_OFFSET] == 1;
    s.FirstBlock = block;
    parts_.clear();
    open_ = true;
    subtitleOddities_ = oddities_.size();

    if (previousNumber_ >= 0 && s.Number != ((previousNumber_ + 1) & 0xFFFF))
        AddOddity(TSTLOddityKind::SubtitleNumber, block,
                  Format("%d follows %d, expected %d", s.Number, previousNumber_,
                         (previousNumber_ + 1) & 0xFFFF));
    previousNumber_ = s.Number;
    const uint8_t ebn = tti[TTI_EBN_OFFSET];
    if (ebn != 0 && ebn != TTI_EBN_LAST_BLOCK)
        AddOddity(TSTLOddityKind::ExtensionOrder, block,
                  Format("subtitle %d starts with block %02Xh, not 00h", s.Number, ebn));
    const char* rate =
        header_.FrameRateKnown
            ? (header_.FrameRate == 25 ? " at 25 frames per second" : " at 30 frames per second")
            : " at any frame rate";
    auto check = [&](const TSTLTimeCode& t, TSTLOddityKind kind) {
        if (t.Hours > 23 || t.Minutes > 59 || t.Seconds > 59 || t.Frames >= header_.FrameRate) {
            char text[16];
            FormatSTLTimeCode(t, text);
            AddOddity(kind, block, Format("%s is not a time code%s", text, rate));
        }
    };
    check(s.In, TSTLOddityKind::TimeCodeIn);
    check(s.Out, TSTLOddityKind::TimeCodeOut);
}

void TSTLTextDecoder::Add(const uint8_t* tti, uint32_t block) {
    const uint8_t ebn = tti[TTI_EBN_OFFSET];
    if (ebn == TTI_EBN_USER_DATA)
        return;
    if (ebn >= TTI_EBN_FIRST_RESERVED && ebn < TTI_EBN_USER_DATA) {
        AddOddity(TSTLOddityKind::ReservedBlock, block,
                  Format("%02Xh is a reserved extension block number: the block is skipped", ebn));
        return;
    }
    const int number = tti[TTI_SN_OFFSET] | (tti[TTI_SN_OFFSET + 1] << 8);
    if (open_ && number == subtitle_.Number) {
        const uint8_t previous = parts_.back().Ebn;
        if (ebn != TTI_EBN_LAST_BLOCK && ebn != previous + 1)
            AddOddity(TSTLOddityKind::ExtensionOrder, block,
                      Format("%02Xh follows %02Xh in subtitle %d", ebn, previous, number));
    } else {
        if (open_)
            Close(false);
        Open(tti, block);
    }
    parts_.push_back(TPart{});
    TPart& part = parts_.back();
    part.Ebn = ebn;
    part.Block = block;
    std::memcpy(part.Text, tti + TTI_TEXT_FIELD_OFFSET, TTI_TEXT_FIELD_WIDTH);
    if (ebn == TTI_EBN_LAST_BLOCK)
        Close(true);
}

void TSTLTextDecoder::Finish() {
    if (open_)
        Close(false);
}

void TSTLTextDecoder::Close(bool lastBlockSeen) {
    open_ = false;
    if (!lastBlockSeen)
        AddOddity(TSTLOddityKind::MissingLastBlock, parts_.back().Block,
                  Format("subtitle %d ends without a block FFh", subtitle_.Number));
    // Joined by extension block number, FFh (the largest) last; blocks of one number keep
    // their file order. Sorted only when they are not in order already, which they are in
    // nearly every file.
    auto byEbn = [](const TPart& a, const TPart& b) { return a.Ebn < b.Ebn; };
    if (!std::is_sorted(parts_.begin(), parts_.end(), byEbn))
        std::stable_sort(parts_.begin(), parts_.end(), byEbn);
    subtitle_.Blocks.clear();
    for (const TPart& part : parts_)
        subtitle_.Blocks.push_back(part.Block);
    Decode();
    // The oddities of the text follow the order of the joined blocks; put them in block order.
    std::stable_sort(oddities_.begin() + std::ptrdiff_t(subtitleOddities_), oddities_.end(),
                     [](const TSTLOddity& a, const TSTLOddity& b) { return a.Block < b.Block; });
    subtitleOddities_ = oddities_.size();
    if (sink_)
        sink_(subtitle_);
}

void TSTLTextDecoder::Decode() {
    TSTLSubtitle& s = subtitle_;
    s.Text.clear();
    s.Spans.clear();
    TRowWriter writer(s);
    const int table = int(header_.Table);
    const TSTLTextByte* kinds = kTables.Kind[table];
    const TUtf8* characters = kTables.Character[table];
    // A diacritical mark waiting for its letter, which may begin the next block.
    uint8_t mark = 0;
    uint32_t markBlock = 0;
    auto dangling = [&](const char* after) {
        AddOddity(TSTLOddityKind::MarkWithoutLetter, markBlock,
                  Format("diacritical mark %02Xh %s", mark, after));
        writer.Character(kMarks[MarkIndex(mark)].Spacing, markBlock);
        mark = 0;
    };
    auto followedBy = [&](uint8_t byte) {
        char after[24];
        std::snprintf(after, sizeof after, "followed by %02Xh", byte);
        dangling(after);
    };

    for (size_t p = 0; p < parts_.size(); ++p) {
        const TPart& part = parts_[p];
        const uint8_t* text = part.Text;
        const uint32_t block = part.Block;
        int i = 0;
        for (; i < TTI_TEXT_FIELD_WIDTH; ++i) {
            const uint8_t b = text[i];
            const TSTLTextByte kind = kinds[b];
            if (kind == TSTLTextByte::Character && mark == 0) {
                writer.Character(characters[b], block);
                continue;
            }
            if (kind == TSTLTextByte::Unused)
                break;
            if (mark != 0) {
                if (kind == TSTLTextByte::Character || kind == TSTLTextByte::NoCharacter) {
                    const char16_t composed = kTables.Composed[MarkIndex(mark)][b];
                    const bool letter = IsLetter(b);
                    if (!letter)
                        AddOddity(TSTLOddityKind::MarkWithoutLetter, markBlock,
                                  Format("diacritical mark %02Xh followed by %02Xh", mark, b));
                    if (composed != 0)
                        writer.Character(composed, markBlock);
                    else if (b == ' ')
                        writer.Character(kMarks[MarkIndex(mark)].Spacing, markBlock);
                    else
                        writer.Combined(characters[b], kMarks[MarkIndex(mark)].Combining,
                                        markBlock);
                    mark = 0;
                    if (kind == TSTLTextByte::NoCharacter)
                        AddOddity(TSTLOddityKind::NoCharacter, block,
                                  Format("%02Xh at byte %d of the block has no character in "
                                         "table %s",
                                         b, TTI_TEXT_FIELD_OFFSET + i,
                                         STLCharacterTableField(header_.Table)));
                    continue;
                }
                followedBy(b);
            }
            switch (kind) {
            case TSTLTextByte::NoCharacter:
                AddOddity(TSTLOddityKind::NoCharacter, block,
                          Format("%02Xh at byte %d of the block has no character in table %s", b,
                                 TTI_TEXT_FIELD_OFFSET + i, STLCharacterTableField(header_.Table)));
                writer.Character(characters[b], block);
                break;
            case TSTLTextByte::Mark:
                mark = b;
                markBlock = block;
                break;
            case TSTLTextByte::Teletext:
                writer.Teletext(b, block);
                break;
            case TSTLTextByte::Open:
                writer.Open(b);
                break;
            case TSTLTextByte::Newline:
                writer.NewRow();
                break;
            default: // reserved codes are ignored
                break;
            }
        }
        if (i < TTI_TEXT_FIELD_WIDTH) {
            // Unused space runs to the end of the field; one compare tells it does.
            static const std::array<uint8_t, TTI_TEXT_FIELD_WIDTH> kUnused = [] {
                std::array<uint8_t, TTI_TEXT_FIELD_WIDTH> bytes;
                bytes.fill(TTI_TEXT_UNUSED);
                return bytes;
            }();
            const int rest = TTI_TEXT_FIELD_WIDTH - i - 1;
            if (std::memcmp(text + i + 1, kUnused.data(), size_t(rest)) != 0)
                for (int j = i + 1; j < TTI_TEXT_FIELD_WIDTH; ++j)
                    if (text[j] != TTI_TEXT_UNUSED) {
                        AddOddity(TSTLOddityKind::BytesAfterUnused, block,
                                  Format("%02Xh at byte %d of the block, after the unused space "
                                         "(8Fh) began at byte %d: not shown",
                                         text[j], TTI_TEXT_FIELD_OFFSET + j,
                                         TTI_TEXT_FIELD_OFFSET + i));
                        break;
                    }
        } else if (p + 1 == parts_.size() && part.Ebn == TTI_EBN_LAST_BLOCK) {
            const TSTLTextByte last = kinds[text[TTI_TEXT_FIELD_WIDTH - 1]];
            if (last == TSTLTextByte::Teletext || last == TSTLTextByte::Open)
                AddOddity(TSTLOddityKind::ControlAtEnd, block,
                          Format("the text field ends on control code %02Xh, with nothing after "
                                 "it",
                                 text[TTI_TEXT_FIELD_WIDTH - 1]));
        }
    }
    if (mark != 0)
        dangling("at the end of the text");
    s.Rows = writer.Rows();
}

TSTLText DecodeSTLText(const uint8_t* gsi, const uint8_t* blocks, uint32_t count) {
    TSTLText text;
    TSTLTextDecoder decoder(gsi, [&](const TSTLSubtitle& s) { text.Subtitles.push_back(s); });
    for (uint32_t i = 0; i < count; ++i)
        decoder.Add(blocks + size_t(i) * TTI_BLOCK_SIZE, i + 1);
    decoder.Finish();
    text.Header = decoder.Header();
    text.Oddities = decoder.Oddities();
    return text;
}

bool ReadSTLText(const std::string& path, TSTLText& text, std::string& failure) {
    text = TSTLText();
    TSTLReader reader;
    if (reader.OpenFile(path, true) != STATUS_OK) {
        failure = reader.OpenFailure();
        return false;
    }
    uint8_t* gsi = nullptr;
    reader.GetGeneralSubtitleInformation(gsi);
    TSTLTextDecoder decoder(gsi, [&](const TSTLSubtitle& s) { text.Subtitles.push_back(s); });
    const uint32_t count = reader.GetTextAndTimingInformationCount();
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* tti = nullptr;
        if (reader.GetTextAndTimingInformation(i, tti) != STATUS_OK) {
            failure = "read cut short";
            return false;
        }
        decoder.Add(tti, i + 1);
    }
    decoder.Finish();
    text.Header = decoder.Header();
    text.Oddities = decoder.Oddities();
    failure.clear();
    return true;
}

void STLShownRows(const TSTLSubtitle& subtitle, std::vector<TSTLShownRow>& rows) {
    rows.clear();
    const std::vector<TSTLSpan>& spans = subtitle.Spans;
    constexpr size_t npos = std::string_view::npos;
    for (size_t begin = 0; begin < spans.size();) {
        size_t end = begin;
        while (end < spans.size() && spans[end].Row == spans[begin].Row)
            ++end;
        size_t first = begin;
        size_t front = npos;
        for (; first < end; ++first)
            if ((front = subtitle.SpanText(spans[first]).find_first_not_of(' ')) != npos)
                break;
        if (first < end) {
            size_t last = end - 1;
            size_t back = npos;
            for (;; --last)
                if ((back = subtitle.SpanText(spans[last]).find_last_not_of(' ')) != npos)
                    break;
            rows.push_back(TSTLShownRow{first, last + 1, uint32_t(front),
                                        uint32_t(spans[last].Length - back - 1)});
        }
        begin = end;
    }
}

std::string_view STLShownText(const TSTLSubtitle& subtitle, const TSTLShownRow& row, size_t index) {
    std::string_view text = subtitle.SpanText(subtitle.Spans[index]);
    if (index + 1 == row.End)
        text.remove_suffix(row.BackTrim);
    if (index == row.First)
        text.remove_prefix(row.FrontTrim);
    return text;
}

void AppendSTLShownRows(const TSTLSubtitle& subtitle, std::string& out, char separator) {
    thread_local std::vector<TSTLShownRow> rows;
    STLShownRows(subtitle, rows);
    for (const TSTLShownRow& row : rows) {
        for (size_t i = row.First; i < row.End; ++i)
            out += STLShownText(subtitle, row, i);
        out += separator;
    }
}
