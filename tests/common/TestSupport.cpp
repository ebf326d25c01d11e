#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <unistd.h>

namespace testsupport {

namespace {
std::mutex gLinesMutex;
std::vector<std::string> gLines;
} // namespace

TraceCapture::TraceCapture() {
    Clear();
    previous_ = SetTraceSink([](const std::string& line) {
        std::lock_guard<std::mutex> lock(gLinesMutex);
        gLines.push_back(line);
    });
}

TraceCapture::~TraceCapture() {
    SetTraceSink(previous_);
}

std::vector<std::string> TraceCapture::Lines() const {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    return gLines;
}

bool TraceCapture::Contains(const std::string& line) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    gLines.clear();
}

TempDir::TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path base = (tmp && *tmp) ? tmp : "/tmp";
    std::string pattern = (base / "caplin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave folders without write permission behind; give them back first.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
    return (path_ / name).string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::filesystem::path RealStlFolder() {
    const std::filesystem::path folder =
        std::filesystem::path(CAPLIN_SOURCE_DIR) / ".." / "shared" / "testdata" / "stl";
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) ? folder.lexically_normal()
                                                     : std::filesystem::path();
}

std::vector<std::filesystem::path> RealStlFiles() {
    std::vector<std::filesystem::path> files;
    const auto folder = RealStlFolder();
    if (folder.empty())
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".stl")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string DataFile(const std::string& name) {
    return (std::filesystem::path(CAPLIN_SOURCE_DIR) / "tests" / "data" / name).string();
}

void SetField(std::vector<uint8_t>& gsi, size_t offset, size_t width, const std::string& value) {
    for (size_t i = 0; i < width; ++i)
        gsi[offset + i] = i < value.size() ? uint8_t(value[i]) : uint8_t(' ');
}

std::vector<uint8_t> MakeGsi(int blockCount) {
    std::vector<uint8_t> gsi(1024, ' ');
    char count[6];
    std::snprintf(count, sizeof count, "%05d", blockCount);
    SetField(gsi, 0, 3, "850");
    SetField(gsi, 3, 8, "STL25.01");
    SetField(gsi, 11, 1, "1");
    SetField(gsi, 12, 2, "00");
    SetField(gsi, 14, 2, "09");
    SetField(gsi, 16, 32, "Programme");
    SetField(gsi, 208, 16, "TAPE0001");
    SetField(gsi, 224, 6, "110523");
    SetField(gsi, 230, 6, "110524");
    SetField(gsi, 236, 2, "01");
    SetField(gsi, 238, 5, count);
    SetField(gsi, 243, 5, count);
    SetField(gsi, 248, 3, "001");
    SetField(gsi, 251, 2, "40");
    SetField(gsi, 253, 2, "23");
    SetField(gsi, 255, 1, "1");
    SetField(gsi, 256, 8, "10000000");
    SetField(gsi, 264, 8, "10000000");
    SetField(gsi, 272, 1, "1");
    SetField(gsi, 273, 1, "1");
    SetField(gsi, 274, 3, "GBR");
    return gsi;
}

std::vector<uint8_t> MakeTti(int subtitleNumber, const std::string& text) {
    std::vector<uint8_t> tti(128, 0x8F);
    tti[0] = 0;
    tti[1] = uint8_t(subtitleNumber & 0xFF);
    tti[2] = uint8_t((subtitleNumber >> 8) & 0xFF);
    tti[3] = 0xFF; // extension block number: last block of the subtitle
    tti[4] = 0;
    for (int i = 5; i < 16; ++i)
        tti[i] = uint8_t(i);
    for (size_t i = 0; i < text.size() && i < 112; ++i)
        tti[16 + i] = uint8_t(text[i]);
    return tti;
}

void WriteStl(const std::string& path, const std::vector<uint8_t>& gsi,
              const std::vector<std::vector<uint8_t>>& blocks) {
    std::vector<uint8_t> bytes = gsi;
    for (const auto& block : blocks)
        bytes.insert(bytes.end(), block.begin(), block.end());
    WriteBytes(path, bytes);
}

} // namespace testsupport
