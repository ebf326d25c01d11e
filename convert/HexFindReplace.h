// Hex find and replace: byte or byte-pair substitutions applied to subtitle text in place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct THexFindAndReplaceValue {
    int32_t NumBytes = 0; // 1 or 2; anything else makes the item invalid
    int32_t FindHex = 0;
    int32_t ReplaceHex = 0;

    bool operator==(const THexFindAndReplaceValue&) const = default;
};

using THexFindAndReplaceList = std::vector<std::unique_ptr<THexFindAndReplaceValue>>;

constexpr int kMaxHexFindAndReplaceValues = 16;

bool AssignHexFindAndReplaceValue(const THexFindAndReplaceValue* source,
                                  THexFindAndReplaceValue* destination);
bool AssignHexFindAndReplaceList(const THexFindAndReplaceList* source,
                                 THexFindAndReplaceList* destination);
bool FreeHexFindAndReplaceList(THexFindAndReplaceList* list);
bool SaveHexFindAndReplaceListToRegistry(const std::string& keyPath,
                                         const THexFindAndReplaceList* list);
bool LoadHexFindAndReplaceListToRegistry(const std::string& keyPath, THexFindAndReplaceList* list);

struct TSettingValue;
// The fields of one item, each with the name it is stored under, in stored order.
std::vector<const TSettingValue*> HexFindAndReplaceSettingValues();

bool HexFindAndReplaceItem(uint8_t* buffer, int32_t length, int32_t numBytes, int32_t findHex,
                           int32_t replaceHex);
bool HexFindAndReplaceList(uint8_t* buffer, int32_t length, const THexFindAndReplaceList* list);

// "0x0A" for a one-byte 10, "0x000A" for a two-byte one.
std::string HexValueToDisplay(int32_t value, int32_t numBytes);
