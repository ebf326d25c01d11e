#include "convert/HexFindReplace.h"

#include <cstring>

#include <algorithm>
#include <stdexcept>

#include "convert/IndexedListSettings.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

using H = THexFindAndReplaceValue;
using namespace setting;

// One item, entered as "0x8A 0x0A" or "0x8A8B 0x0A0B". A width that cannot be read falls
// back to a single byte.
constexpr TSettingField<H> kFields[] = {
    {Field(Number("NumBytes", spHexItem, "1", 1, 2, "width of the item: 1 a byte, 2 a byte pair"),
           "HexFindReplace_NumBytes_<n>"),
     MemberOf<&H::NumBytes>},
    {Field(Number("FindHex", spHexItem, "0", 0, 0xFFFF,
                  "the byte or pair searched for in subtitle text, high byte first"),
           "HexFindReplace_FindHex_<n>"),
     MemberOf<&H::FindHex>},
    {Field(Number("ReplaceHex", spHexItem, "0", 0, 0xFFFF, "the byte or pair written in its place"),
           "HexFindReplace_ReplaceHex_<n>"),
     MemberOf<&H::ReplaceHex>},
};

const TIndexedListLayout<THexFindAndReplaceValue> kLayout = {"HexFindAndReplaceCount", kFields};

uint8_t HighByte(int32_t value) {
    return uint8_t((uint32_t(value) >> 8) & 0xFF);
}

uint8_t LowByte(int32_t value) {
    return uint8_t(uint32_t(value) & 0xFF);
}

} // namespace

bool AssignHexFindAndReplaceValue(const THexFindAndReplaceValue* source,
                                  THexFindAndReplaceValue* destination) {
    // A plain copy of three numbers: nothing to trace, only missing records to refuse.
    if (source == nullptr || destination == nullptr)
        return false;
    *destination = *source;
    return true;
}

bool AssignHexFindAndReplaceList(const THexFindAndReplaceList* source,
                                 THexFindAndReplaceList* destination) {
    return AssignIndexedList("AssignHexFindAndReplaceList",
                             "cannot assign hex find and replace value", source, destination,
                             size_t(kMaxHexFindAndReplaceValues), &AssignHexFindAndReplaceValue);
}

bool FreeHexFindAndReplaceList(THexFindAndReplaceList* list) {
    return FreeIndexedList("FreeHexFindAndReplaceList", list);
}

bool SaveHexFindAndReplaceListToRegistry(const std::string& keyPath,
                                         const THexFindAndReplaceList* list) {
    return SaveIndexedList("SaveHexFindAndReplaceListToRegistry", keyPath, kLayout, list);
}

bool LoadHexFindAndReplaceListToRegistry(const std::string& keyPath, THexFindAndReplaceList* list) {
    return LoadIndexedList("LoadHexFindAndReplaceListToRegistry", keyPath, kLayout, list);
}

std::vector<const TSettingValue*> HexFindAndReplaceSettingValues() {
    return ValuesOfFields(kFields);
}

bool HexFindAndReplaceItem(uint8_t* buffer, int32_t length, int32_t numBytes, int32_t findHex,
                           int32_t replaceHex) {
    return Guarded("HexFindAndReplaceItem", false, [&] {
        if (buffer == nullptr || length <= 0 || (numBytes != 1 && numBytes != 2)) {
            TraceError("HexFindAndReplaceItem", "invalid arguments");
            return false;
        }
        // memchr jumps to the candidates; the result is that of a byte-by-byte scan in
        // increasing order, which every block of every conversion pays for.
        uint8_t* const end = buffer + length;
        if (numBytes == 1) {
            const uint8_t find = LowByte(findHex);
            const uint8_t replace = LowByte(replaceHex);
            for (uint8_t* at = buffer;
                 (at = static_cast<uint8_t*>(std::memchr(at, find, size_t(end - at)))) != nullptr;)
                *at++ = replace;
            return true;
        }
        // A pair is written high byte first. The scan moves one byte on after a
        // replacement too, so the second replaced byte is compared again at the next
        // position: overlapping occurrences are all examined.
        const uint8_t findHigh = HighByte(findHex);
        const uint8_t findLow = LowByte(findHex);
        const uint8_t replaceHigh = HighByte(replaceHex);
        const uint8_t replaceLow = LowByte(replaceHex);
        uint8_t* const last = end - 1; // the last position a pair can start at
        for (uint8_t* at = buffer; at < last;) {
            at = static_cast<uint8_t*>(std::memchr(at, findHigh, size_t(last - at)));
            if (at == nullptr)
                break;
            if (at[1] == findLow) {
                at[0] = replaceHigh;
                at[1] = replaceLow;
            }
            ++at;
        }
        return true;
    });
}

bool HexFindAndReplaceList(uint8_t* buffer, int32_t length, const THexFindAndReplaceList* list) {
    return Guarded("HexFindAndReplaceList", false, [&] {
        if (buffer == nullptr || length <= 0 || list == nullptr) {
            TraceError("HexFindAndReplaceList", "invalid arguments");
            return false;
        }
        // Each item runs over the whole buffer before the next, so later items see the
        // output of earlier ones. A bad item stops the list; earlier changes stay.
        for (const auto& item : *list) {
            if (!item)
                throw std::invalid_argument("item");
            if (!HexFindAndReplaceItem(buffer, length, item->NumBytes, item->FindHex,
                                       item->ReplaceHex))
                return false;
        }
        return true;
    });
}

std::string HexValueToDisplay(int32_t value, int32_t numBytes) {
    std::string text;
    GuardedVoid("HexValueToDisplay", [&] {
        // Two digits a byte; a width outside 1..4 bytes is clamped so the text stays short.
        const int digits = 2 * std::clamp(numBytes, 1, 4);
        text = "0x" + IntToHexText(uint32_t(value), digits);
    });
    return text;
}
