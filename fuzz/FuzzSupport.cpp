#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/Trace.h"

namespace fuzzsupport {

namespace {

struct TScratch {
    std::string Folder;
    TScratch() {
        std::string pattern = GetTmpPath() + "caplin-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        Folder = pattern + "/";
    }
    ~TScratch() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

} // namespace

const std::string& ScratchFolder() {
    static TScratch scratch;
    return scratch.Folder;
}

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

void SilenceTrace() {
    SetTraceSink([](const std::string&) {});
}

} // namespace fuzzsupport
