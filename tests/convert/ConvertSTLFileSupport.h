// Shared by the conversion tests: a source file in a folder of its own, settings that
// convert it, the reports the conversion makes, and a byte comparison that names the first
// differing field.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "convert/STLConvertUtils.h"
#include "platform/FileSystem.h"
#include "stl/STLBlocks.h"
#include "tests/common/TestSupport.h"

struct TReport {
    int32_t Type;
    std::string Text;
    bool operator==(const TReport&) const = default;
};

inline void PrintTo(const TReport& report, std::ostream* os) {
    *os << ReportTypeToString(report.Type) << " \"" << report.Text << "\"";
}

// "Code Page Number", "GSI user area byte 500", "TTI block 2 text byte 7", "file size".
inline std::string DescribeOffset(size_t offset) {
    if (offset < size_t(GSI_UNINTERPRETED_OFFSET)) {
        for (const TGsiField& field : GSI_FIELDS)
            if (offset < size_t(field.Offset + field.Width))
                return field.Name;
    }
    if (offset < size_t(GSI_BLOCK_SIZE))
        return "GSI user area byte " + std::to_string(offset);
    const size_t block = (offset - GSI_BLOCK_SIZE) / TTI_BLOCK_SIZE;
    const size_t at = (offset - GSI_BLOCK_SIZE) % TTI_BLOCK_SIZE;
    return "TTI block " + std::to_string(block) +
           (at < size_t(TTI_TEXT_FIELD_OFFSET)
                ? " header byte " + std::to_string(at)
                : " text byte " + std::to_string(at - TTI_TEXT_FIELD_OFFSET));
}

// Empty when equal, else the first differing field.
inline std::string FirstDifference(const std::vector<uint8_t>& expected,
                                   const std::vector<uint8_t>& actual) {
    const size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i)
        if (expected[i] != actual[i])
            return DescribeOffset(i);
    if (expected.size() != actual.size())
        return "file size " + std::to_string(actual.size()) + " instead of " +
               std::to_string(expected.size());
    return {};
}

// value in decimal, zero-padded to width digits.
inline std::string ZeroPadded(size_t value, size_t width) {
    const std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

// Entries of folder whose name starts with a dot: what a conversion may leave behind.
inline std::vector<std::string> HiddenEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().front() == '.')
            names.push_back(entry.path().filename().string());
    return names;
}

// A source "AB123456_EN1.stl" in src/, the destination folder dst/, and settings whose file
// type cuts the tape ID (8 characters at 1) and the language (2 at 10) out of 16-character
// names. Everything else keeps the source's values.
// Members are public: the case tables prepare them from outside.
class ConvertFixture : public ::testing::Test {
public:
    static constexpr const char* kSourceName = "AB123456_EN1.stl";

    ConvertFixture() {
        srcFolder = dir.File("src");
        dstFolder = dir.File("dst");
        movedFolder = dir.File("moved");
        for (const auto& folder : {srcFolder, dstFolder, movedFolder})
            std::filesystem::create_directory(folder);
        settings.DestinationFolder = dstFolder;
        auto type = std::make_unique<TSubtitleFileType>();
        type->Name = "Tape and language";
        type->CharsCount = 16;
        type->TapeIDParseStringStartPosition = 1;
        type->TapeIDParseStringCharsCount = 8;
        type->LanguageParseStringStartPosition = 10;
        type->LanguageParseStringCharsCount = 2;
        settings.SubtitleFileTypes.push_back(std::move(type));
        NameSource(kSourceName);
        WriteSource({testsupport::MakeTti(1, "First"), testsupport::MakeTti(2, "Second")});
    }
    ~ConvertFixture() override { FileFaults() = TFileFaults(); }

    // Names the source (in src/) and the destination that goes with it (in dst/).
    void NameSource(const std::string& name) {
        source = srcFolder + "/" + name;
        destination = dstFolder + "/" + name;
    }

    void WriteSource(const std::vector<std::vector<uint8_t>>& blocks) {
        testsupport::WriteStl(source, testsupport::MakeGsi(int(blocks.size())), blocks);
    }

    void AddHexItem(int32_t numBytes, int32_t find, int32_t replace) {
        auto item = std::make_unique<THexFindAndReplaceValue>();
        item->NumBytes = numBytes;
        item->FindHex = find;
        item->ReplaceHex = replace;
        settings.HexFindAndReplaceItems.push_back(std::move(item));
    }

    bool Convert(const std::string& destinationFile = "") {
        return ConvertWithOutcome(destinationFile).Succeeded();
    }

    TConvertOutcome ConvertWithOutcome(const std::string& destinationFile = "") {
        reports.clear();
        return ConvertSTLFileWithOutcome(source, settings, destinationFile,
                                         [this](int32_t type, const char* text) {
                                             reports.push_back({type, text});
                                             return STATUS_OK;
                                         });
    }

    testsupport::TempDir dir;
    testsupport::TraceCapture trace;
    TSTLConvertSettings settings;
    std::vector<TReport> reports;
    std::string srcFolder, dstFolder, movedFolder;
    std::string source, destination;
};
