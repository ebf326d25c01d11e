// Reads and writes of single settings values as the conversion settings and their lists
// use them: a failed read gives the value's fallback, a failed write throws, so the
// routine's guard reports it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Registry.h"

namespace settingsvalues {

inline int32_t ReadIntegerOr(const TRegistry& registry, const std::string& name, int32_t fallback) {
    int32_t value = 0;
    return registry.ReadInteger(name, value) ? value : fallback;
}

inline bool ReadBoolOr(const TRegistry& registry, const std::string& name, bool fallback) {
    bool value = false;
    return registry.ReadBool(name, value) ? value : fallback;
}

// An absent string reads as empty; only a value of another type takes the fallback.
inline std::string ReadStringOr(const TRegistry& registry, const std::string& name,
                                const std::string& fallback) {
    std::string value;
    return registry.ReadStringOrEmpty(name, value) ? value : fallback;
}

inline void Check(bool written, const std::string& name) {
    if (!written)
        throw std::runtime_error("cannot write " + name);
}

inline void WriteInteger(TRegistry& registry, const std::string& name, int32_t value) {
    Check(registry.WriteInteger(name, value), name);
}

inline void WriteBool(TRegistry& registry, const std::string& name, bool value) {
    Check(registry.WriteBool(name, value), name);
}

inline void WriteString(TRegistry& registry, const std::string& name, const std::string& value) {
    Check(registry.WriteString(name, value), name);
}

} // namespace settingsvalues
