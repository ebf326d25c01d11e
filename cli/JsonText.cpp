#include "cli/JsonText.h"

#include <cstdint>
#include <cstdio>

#include "platform/Trace.h"

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when it is not one: overlong
// forms, surrogates and code points above U+10FFFF are refused, as a strict parser would.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return uint8_t(text[k]); };
    const uint8_t lead = byte(i);
    size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

} // namespace

void AppendJsonString(std::string& json, std::string_view bytes) {
    json += '"';
    for (size_t i = 0; i < bytes.size();) {
        const uint8_t c = uint8_t(bytes[i]);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
            ++i;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
            json += escaped;
            ++i;
        } else if (c < 0x80) {
            json += char(c);
            ++i;
        } else if (const size_t length = Utf8SequenceLength(bytes, i); length > 0) {
            json.append(bytes, i, length);
            i += length;
        } else {
            json += "\xEF\xBF\xBD";
            ++i;
        }
    }
    json += '"';
}

std::string JsonString(const std::string& bytes) {
    return Guarded("JsonString", std::string("\"\""), [&] {
        std::string json;
        json.reserve(bytes.size() + 2);
        AppendJsonString(json, bytes);
        return json;
    });
}
