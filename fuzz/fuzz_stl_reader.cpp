// The STL reader on any file: open with and without the size check, then every counted
// block, in order and once more from the end.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "stl/STLReader.h"

namespace {

// Reads every byte of every report text, so a text that is not terminated shows up.
TStatus TouchReport(void* userData, int32_t, int32_t, const char* text, int32_t) {
    *static_cast<size_t*>(userData) += std::strlen(text);
    return STATUS_OK;
}

void ReadAll(const std::string& path, bool verifySize) {
    size_t reported = 0;
    TSTLReader reader;
    reader.SetReportCallback(TouchReport, &reported);
    if (reader.OpenFile(path, verifySize) != STATUS_OK)
        return;
    uint8_t* gsi = nullptr;
    if (reader.GetGeneralSubtitleInformation(gsi) != STATUS_OK || gsi == nullptr)
        __builtin_trap();
    const uint32_t count = reader.GetTextAndTimingInformationCount();
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* tti = nullptr;
        if (reader.GetTextAndTimingInformation(i, tti) != STATUS_OK)
            break;
        sum += tti[0] + tti[TTI_BLOCK_SIZE - 1];
    }
    for (uint32_t i = count; i > 0 && i + 4 > count; --i) {
        uint8_t* tti = nullptr;
        if (reader.GetTextAndTimingInformation(i - 1, tti) == STATUS_OK)
            sum += tti[TTI_BLOCK_SIZE / 2];
    }
    uint8_t* beyond = nullptr;
    if (reader.GetTextAndTimingInformation(count, beyond) == STATUS_OK)
        __builtin_trap(); // a block past the count must be refused
    reader.CloseFile();
    (void)sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        fuzzsupport::SilenceTrace();
        return fuzzsupport::ScratchFolder() + "input.stl";
    }();
    fuzzsupport::WriteInput(path, data, size);
    ReadAll(path, true);
    ReadAll(path, false);
    return 0;
}
