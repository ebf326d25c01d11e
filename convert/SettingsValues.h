// The counts of the stored lists (watch folders, file types, hex items): a failed read gives
// the fallback, a failed write throws, so the routine's guard reports it. The values
// themselves are read and written by their settings tables.
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

inline void Check(bool written, const std::string& name) {
    if (!written)
        throw std::runtime_error("cannot write " + name);
}

inline void WriteInteger(TRegistry& registry, const std::string& name, int32_t value) {
    Check(registry.WriteInteger(name, value), name);
}

} // namespace settingsvalues
