// The subtitle text decoder on any bytes: every span inside its subtitle's text and in row
// and column order, the text valid UTF-8, each block in at most one subtitle, and the
// oddities in block order and inside the file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "stl/STLBlocks.h"
#include "stl/STLText.h"

namespace {

bool ValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = uint8_t(text[i]);
        const size_t length = lead < 0x80                    ? 1
                              : lead >= 0xC2 && lead <= 0xDF ? 2
                              : lead >= 0xE0 && lead <= 0xEF ? 3
                                                             : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((uint8_t(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        fuzzsupport::SilenceTrace();
        return true;
    }();
    (void)quiet;
    // The first 1024 bytes are the header (blank-padded when fewer), whole blocks follow.
    uint8_t gsi[GSI_BLOCK_SIZE];
    std::memset(gsi, ' ', sizeof gsi);
    std::memcpy(gsi, data, size < sizeof gsi ? size : sizeof gsi);
    const uint8_t* blocks = size > sizeof gsi ? data + sizeof gsi : nullptr;
    const auto count = uint32_t(size > sizeof gsi ? (size - sizeof gsi) / TTI_BLOCK_SIZE : 0);

    const TSTLText text = DecodeSTLText(gsi, blocks, count);
    std::vector<bool> used(count + 1, false);
    std::vector<TSTLShownRow> rows;
    std::string lines;
    for (const TSTLSubtitle& s : text.Subtitles) {
        if (!ValidUtf8(s.Text) || s.Blocks.empty() || s.Blocks.size() > count)
            __builtin_trap();
        for (uint32_t block : s.Blocks) {
            if (block == 0 || block > count || used[block])
                __builtin_trap();
            used[block] = true;
        }
        uint32_t offset = 0;
        for (size_t i = 0; i < s.Spans.size(); ++i) {
            const TSTLSpan& span = s.Spans[i];
            if (span.Offset != offset || span.Cells == 0 || span.Length < span.Cells)
                __builtin_trap();
            offset += span.Length;
            if (i > 0) {
                const TSTLSpan& before = s.Spans[i - 1];
                if (span.Row < before.Row ||
                    (span.Row == before.Row && span.Column < before.Column + before.Cells &&
                     before.Column + before.Cells < 0xFFFF))
                    __builtin_trap();
            }
            if (span.Row >= s.Rows && s.Rows < 0xFFFF)
                __builtin_trap();
        }
        if (offset != s.Text.size())
            __builtin_trap();
        STLShownRows(s, rows);
        for (const TSTLShownRow& row : rows)
            for (size_t i = row.First; i < row.End; ++i)
                if (STLShownText(s, row, i).size() > s.Text.size())
                    __builtin_trap();
        lines.clear();
        AppendSTLShownRows(s, lines, '\n');
    }
    uint32_t previous = 0;
    for (const TSTLOddity& o : text.Oddities) {
        if (o.Block < previous || o.Block > count || o.Text.empty())
            __builtin_trap();
        previous = o.Block;
    }
    return 0;
}
