// The playlist reader on any file: every clip it lists can be fetched and is found again
// by its name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "playlist/TarnPlayListReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        fuzzsupport::SilenceTrace();
        return fuzzsupport::ScratchFolder() + "input.ply";
    }();
    fuzzsupport::WriteInput(path, data, size);

    TTarnPlayListReader reader;
    if (!reader.LoadFile(path))
        __builtin_trap(); // the file is there and readable
    const int32_t count = reader.ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        std::string fileName, tapeID;
        double duration = 0;
        if (!reader.GetItem(i, fileName, tapeID, duration) || !reader.IsFileInTheList(fileName))
            __builtin_trap();
    }
    std::string fileName, tapeID;
    double duration = 0;
    if (reader.GetItem(count, fileName, tapeID, duration) ||
        reader.GetItem(-1, fileName, tapeID, duration))
        __builtin_trap();
    // A second load of the same file adds nothing: every clip is already listed.
    reader.LoadFile(path);
    if (reader.ItemCount() != count)
        __builtin_trap();
    return 0;
}
