// ConvertSTLFile on any source file with one fixed set of settings that rewrites every
// field it can: language and tape ID from the file name, time codes, frame rate, code
// page, the zero page and hex substitutions. The destination must never be left behind
// half-written, and the source must never be lost.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "convert/STLConvertUtils.h"
#include "fuzz/FuzzSupport.h"
#include "lang/STLCustomLangUtils.h"
#include "platform/FileSystem.h"

namespace {

void AddHex(TSTLConvertSettings& settings, int32_t numBytes, int32_t findHex, int32_t replaceHex) {
    auto item = std::make_unique<THexFindAndReplaceValue>();
    item->NumBytes = numBytes;
    item->FindHex = findHex;
    item->ReplaceHex = replaceHex;
    settings.HexFindAndReplaceItems.push_back(std::move(item));
}

const TSTLConvertSettings& FixedSettings(const std::string& destination) {
    static TSTLConvertSettings settings;
    settings.DestinationFolder = destination;
    auto type = std::make_unique<TSubtitleFileType>();
    type->Name = "Tape_Lang";
    type->CharsCount = 16; // "AB123456_EN1.stl"
    type->TapeIDParseStringStartPosition = 1;
    type->TapeIDParseStringCharsCount = 8;
    type->LanguageParseStringStartPosition = 10;
    type->LanguageParseStringCharsCount = 2;
    settings.SubtitleFileTypes.push_back(std::move(type));
    settings.TapeIDSource = tisFileName;
    settings.LanguageSource = lsFileName;
    settings.RemoveZeroPage = true;
    settings.ZeroPageKeyWord = "ZERO";
    settings.TimeCodeStartOfProgrammeSource = 1;
    settings.TimeCodeStartOfProgramme = "10000000";
    settings.TimeCodeFirstInCueSource = 1;
    settings.TimeCodeFirstInCue = "10000000";
    settings.FramesPerSecondSource = 1;
    settings.FramesPerSecond = "STL25.01";
    settings.CodePageNumberSource = 2;
    settings.CharacterCodeTableNumberSource = 1;
    settings.DisplayStandardCodeSource = 3;
    AddHex(settings, 1, 0x8A, 0x8F);
    AddHex(settings, 2, 0x8A8A, 0x0D0A);
    AddHex(settings, 1, 0x20, 0x20);
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string source = [] {
        fuzzsupport::SilenceTrace();
        SetCustomLanguageListToDefault();
        std::filesystem::create_directory(fuzzsupport::ScratchFolder() + "src");
        std::filesystem::create_directory(fuzzsupport::ScratchFolder() + "dst");
        return fuzzsupport::ScratchFolder() + "src/AB123456_EN1.stl";
    }();
    static const std::string destinationFolder = fuzzsupport::ScratchFolder() + "dst";
    static const TSTLConvertSettings& settings = FixedSettings(destinationFolder);
    static const std::string destination = destinationFolder + "/AB123456_EN1.stl";

    fuzzsupport::WriteInput(source, data, size);
    const bool converted = ConvertSTLFile(source, settings, std::string(),
                                          [](int32_t, const char*) { return STATUS_OK; });
    if (FileSize(source) != int64_t(size))
        __builtin_trap(); // the source was touched
    // A converted file is all there; a refused one leaves nothing, not even a hidden part.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(destinationFolder)) {
        (void)entry;
        ++entries;
    }
    if (converted) {
        const int64_t written = FileSize(destination);
        if (entries != 1 || written < 1024 || (written - 1024) % 128 != 0)
            __builtin_trap();
        DeleteFileAt(destination);
    } else if (entries != 0) {
        __builtin_trap();
    }
    return 0;
}
