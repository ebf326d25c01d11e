// Hex find and replace on any buffer with any list of items, valid or not: no byte outside
// the buffer is touched, and the result is that of a plain byte-by-byte scan, item after
// item, up to the first invalid item.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "convert/HexFindReplace.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Input layout: a count byte, then per item 9 bytes (NumBytes, FindHex, ReplaceHex, each
// taken modulo what the first bytes allow), then the buffer.
int32_t TakeInt(const uint8_t*& at) {
    int32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

// The substitutions written the slow, obvious way. False at the first invalid item, with
// the earlier items applied.
bool Reference(std::vector<uint8_t>& buffer, const THexFindAndReplaceList& list) {
    if (buffer.empty())
        return false;
    for (const auto& item : list) {
        const uint8_t findLow = uint8_t(uint32_t(item->FindHex) & 0xFF);
        const uint8_t findHigh = uint8_t((uint32_t(item->FindHex) >> 8) & 0xFF);
        const uint8_t replaceLow = uint8_t(uint32_t(item->ReplaceHex) & 0xFF);
        const uint8_t replaceHigh = uint8_t((uint32_t(item->ReplaceHex) >> 8) & 0xFF);
        if (item->NumBytes == 1) {
            for (uint8_t& byte : buffer)
                if (byte == findLow)
                    byte = replaceLow;
        } else if (item->NumBytes == 2) {
            for (size_t i = 0; i + 1 < buffer.size(); ++i)
                if (buffer[i] == findHigh && buffer[i + 1] == findLow) {
                    buffer[i] = replaceHigh;
                    buffer[i + 1] = replaceLow;
                }
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (fuzzsupport::SilenceTrace(), true);
    (void)quiet;
    if (size < 1)
        return 0;
    const uint8_t* at = data;
    const uint8_t* end = data + size;
    const size_t wanted = size_t(*at++) % (kMaxHexFindAndReplaceValues + 2);

    THexFindAndReplaceList list;
    while (list.size() < wanted && end - at >= 9) {
        auto item = std::make_unique<THexFindAndReplaceValue>();
        const uint8_t shape = *at++;
        // Mostly well-formed items, so the substitutions themselves get exercised.
        item->NumBytes = (shape & 0x80) ? int32_t(shape) - 0x80 : 1 + (shape & 1);
        item->FindHex = TakeInt(at);
        item->ReplaceHex = TakeInt(at);
        if (!(shape & 0x40)) {
            const int32_t mask = item->NumBytes == 1 ? 0xFF : 0xFFFF;
            item->FindHex &= mask;
            item->ReplaceHex &= mask;
        }
        list.push_back(std::move(item));
    }

    // Exactly sized heap copies, so a read or write past the end is caught.
    const size_t length = size_t(end - at);
    std::vector<uint8_t> buffer(at, end);
    std::vector<uint8_t> expected = buffer;
    const bool done = HexFindAndReplaceList(buffer.data(), int32_t(length), &list);
    if (done != Reference(expected, list) || buffer != expected)
        __builtin_trap();

    for (const auto& item : list) {
        std::vector<uint8_t> one(at, end);
        HexFindAndReplaceItem(one.data(), int32_t(length), item->NumBytes, item->FindHex,
                              item->ReplaceHex);
    }
    return 0;
}
