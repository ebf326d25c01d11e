#include "stl/STLUtils.h"

#include <cstring>
#include <stdexcept>

#include "platform/Trace.h"
#include "stl/STLBlocks.h"

std::string ReportTypeToString(int32_t type) {
    switch (type) {
    case rtNone:
        return "None";
    case rtInfo:
        return "Info";
    case rtWarning:
        return "Warning";
    case rtError:
        return "Error";
    default:
        return "Unknown";
    }
}

bool STLTextToString(const uint8_t* field, int width, std::string& out) {
    out.clear();
    return Guarded("STLTextToString", false, [&] {
        if (field == nullptr || width < 1 || width > STL_TEXT_MAX_WIDTH)
            throw std::invalid_argument("field");
        const void* nul = std::memchr(field, 0, size_t(width));
        const size_t length =
            nul ? size_t(static_cast<const uint8_t*>(nul) - field) : size_t(width);
        out.assign(reinterpret_cast<const char*>(field), length);
        return true;
    });
}

std::string STLTextToString(const uint8_t* field, int width) {
    std::string text;
    STLTextToString(field, width, text);
    return text;
}
