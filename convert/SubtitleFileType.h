// Subtitle file types: where the tape ID and the language token stand in a file name of a
// given length, and the routines that cut them out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSubtitleFileType {
    std::string Name;
    int32_t CharsCount = 0;
    int32_t TapeIDParseStringStartPosition = 0;
    int32_t TapeIDParseStringCharsCount = 0;
    int32_t LanguageParseStringStartPosition = 0;
    int32_t LanguageParseStringCharsCount = 0;
    std::string SampleFileName;

    bool operator==(const TSubtitleFileType&) const = default;
};

// An ordered list of records that the list owns.
using TSubtitleFileTypeList = std::vector<std::unique_ptr<TSubtitleFileType>>;

// The list editors and copy operations hold a list to this many records.
constexpr int kMaxSubtitleFileTypes = 16;

bool AssignSubtitleFileType(const TSubtitleFileType* source, TSubtitleFileType* destination);
bool AssignSubtitleFileTypeList(const TSubtitleFileTypeList* source,
                                TSubtitleFileTypeList* destination);
bool FreeSubtitleFileTypeList(TSubtitleFileTypeList* list);
bool SaveSubtitleFileTypeListToRegistry(const std::string& keyPath,
                                        const TSubtitleFileTypeList* list);
// Appends the stored records (the name keeps the original's "ToRegistry").
bool LoadSubtitleFileTypeListToRegistry(const std::string& keyPath, TSubtitleFileTypeList* list);

struct TSettingValue;
struct TRegValue;
// The fields of one file type, each with the name it is stored under, in stored order.
std::vector<const TSettingValue*> SubtitleFileTypeSettingValues();
// Sets the field that value is named after (as SubtitleFileTypeSettingValues names them) to
// it; false when no field has that name.
bool SetSubtitleFileTypeValue(TSubtitleFileType& type, const TRegValue& value);

// Cut the tape ID / language token out of the file-name part of path with the first record
// whose CharsCount equals the name's length; false (output untouched) when none matches.
bool GetTapeIDFromFileName(const std::string& path, const TSubtitleFileTypeList* list,
                           std::string& tapeID);
bool GetLanguageFromFileName(const std::string& path, const TSubtitleFileTypeList* list,
                             std::string& language);
