// Makes a batch of real-size STL files for the conversion benchmark: the blocks of a real
// template file repeated (renumbered, their time codes moved on) up to the wanted count, written
// once with the writer and then copied to every name of the batch.
//
//   make_stl_batch TEMPLATE.stl FOLDER FILES BLOCKS
//
// The files are named T0000001_EN1.stl, T0000002_EN1.stl, ...: 16 characters, tape ID at 1
// for 8, language at 10 for 2.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "stl/STLReader.h"
#include "stl/STLWriter.h"

namespace {

// A time code of a TTI block (hours, minutes, seconds, frames, one byte each) in frames, and
// back, within one day.
int64_t Frames(const uint8_t* code, int fps) {
    return ((int64_t(code[0]) * 60 + code[1]) * 60 + code[2]) * fps + code[3];
}

void SetFrames(uint8_t* code, int64_t frames, int fps) {
    frames %= int64_t(24) * 3600 * fps;
    code[3] = uint8_t(frames % fps);
    const int64_t seconds = frames / fps;
    code[2] = uint8_t(seconds % 60);
    code[1] = uint8_t(seconds / 60 % 60);
    code[0] = uint8_t(seconds / 3600);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "make_stl_batch: %s\n", message.c_str());
    return 1;
}

std::string BatchName(int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "T%07d_EN1.stl", int(n % 10000000));
    return name;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5)
        return Fail("usage: make_stl_batch TEMPLATE.stl FOLDER FILES BLOCKS");
    const std::string templatePath = argv[1];
    const std::string folder = IncludeTrailingSlash(argv[2]);
    int32_t files = 0;
    int32_t blocks = 0;
    if (!TryStrToInt(argv[3], files) || files < 1 || !TryStrToInt(argv[4], blocks) || blocks < 1 ||
        uint32_t(blocks) > STL_MAX_TTI_BLOCKS)
        return Fail("FILES must be a positive number, BLOCKS 1 to 99999");

    TSTLReader reader;
    if (reader.OpenFile(templatePath, true) != STATUS_OK ||
        reader.GetTextAndTimingInformationCount() == 0)
        return Fail("cannot read blocks from " + templatePath);
    std::vector<std::vector<uint8_t>> source;
    for (uint32_t i = 0; i < reader.GetTextAndTimingInformationCount(); ++i) {
        uint8_t* block = nullptr;
        if (reader.GetTextAndTimingInformation(i, block) != STATUS_OK)
            return Fail("cannot read block " + std::to_string(i) + " of " + templatePath);
        source.emplace_back(block, block + TTI_BLOCK_SIZE);
    }
    uint8_t* gsi = nullptr;
    reader.GetGeneralSubtitleInformation(gsi);

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string first = folder + BatchName(1);
    std::filesystem::remove(first, ec);
    TSTLWriter writer;
    writer.SetWriteBufferSize(64 * 1024);
    if (writer.OpenFile(first) != STATUS_OK ||
        writer.SetGeneralSubtitleInformation(gsi) != STATUS_OK)
        return Fail("cannot create " + first);
    // Each round of the template's blocks comes after the one before, a second apart, so
    // that the time codes go on as in a real programme.
    const int fps = std::string(reinterpret_cast<const char*>(gsi) + 3, 8) == "STL30.01" ? 30 : 25;
    int64_t span = 0;
    for (const std::vector<uint8_t>& block : source)
        span = std::max(span, Frames(block.data() + 9, fps) + fps);
    for (int32_t i = 0; i < blocks; ++i) {
        std::vector<uint8_t> block = source[size_t(i) % source.size()];
        // Subtitle Number (bytes 1 and 2, low byte first) counts on through the copies.
        block[1] = uint8_t(i & 0xFF);
        block[2] = uint8_t((i >> 8) & 0xFF);
        const int64_t shift = span * int64_t(size_t(i) / source.size());
        for (const int at : {5, 9})
            SetFrames(block.data() + at, Frames(block.data() + at, fps) + shift, fps);
        if (writer.AddTextAndTimingInformation(block.data()) != STATUS_OK)
            return Fail("cannot write " + first);
    }
    writer.CloseFile();
    if (!writer.IsFileComplete())
        return Fail("cannot complete " + first);

    for (int32_t n = 2; n <= files; ++n)
        if (!std::filesystem::copy_file(first, folder + BatchName(n),
                                        std::filesystem::copy_options::overwrite_existing, ec))
            return Fail("cannot copy to " + folder + BatchName(n));
    std::printf("%d files of %d blocks (%lld bytes each) in %s\n", int(files), int(blocks),
                static_cast<long long>(FileSize(first)), folder.c_str());
    return 0;
}
