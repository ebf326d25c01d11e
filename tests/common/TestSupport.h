// Helpers shared by the core tests: a capturing trace sink, temporary folders, file I/O,
// and the real STL files beside the project.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Trace.h"

namespace testsupport {

// Captures every trace line while alive; restores the previous sink on destruction.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Contains(const std::string& line) const;
    void Clear();

private:
    TTraceSink previous_;
};

// A fresh folder under $TMPDIR, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Path of name inside the folder, as a string.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// ../shared/testdata/stl beside the project, or empty when it is absent (a user's clone).
std::filesystem::path RealStlFolder();
// Every *.stl file below RealStlFolder(), sorted by path.
std::vector<std::filesystem::path> RealStlFiles();
// tests/data/<name> of the project.
std::string DataFile(const std::string& name);

// A valid 1024-byte GSI block: code page 850, STL25.01, display "1", table "00",
// language "09", Subtitle List Reference Code "TAPE0001", counts set to blockCount.
std::vector<uint8_t> MakeGsi(int blockCount);
// A TTI block whose text field starts with text; the rest is 0x8F padding.
std::vector<uint8_t> MakeTti(int subtitleNumber, const std::string& text);
// GSI + blocks written to path.
void WriteStl(const std::string& path, const std::vector<uint8_t>& gsi,
              const std::vector<std::vector<uint8_t>>& blocks);
// Writes a fixed-width field at offset: blanks, then value cut to width.
void SetField(std::vector<uint8_t>& gsi, size_t offset, size_t width, const std::string& value);

} // namespace testsupport

// Skips the test when the real STL files are absent.
#define REQUIRE_REAL_STL_FILES()                                                                   \
    do {                                                                                           \
        if (testsupport::RealStlFolder().empty())                                                  \
            GTEST_SKIP() << "../shared/testdata is not beside the project";                        \
    } while (0)
