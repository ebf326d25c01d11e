// A value of the settings store and a key with its values, as the store, its file format
// and every reader of stored values pass them around.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TRegValueType { String, DWord, Binary };

struct TRegValue {
    std::string Name; // as first written
    TRegValueType Type = TRegValueType::String;
    std::string Text;           // String
    uint32_t Number = 0;        // DWord
    std::vector<uint8_t> Bytes; // Binary
};

struct TRegKeyData {
    std::string Path;              // as first written, "\"-separated, no leading/trailing "\"
    std::vector<TRegValue> Values; // in the order first written
};
