#include "convert/SubtitleFileType.h"

#include <algorithm>
#include <stdexcept>

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

using namespace settingsvalues;

namespace {

const char* const COUNT_VALUE = "SubTypesCount";
const char* const NAME_VALUE = "SubType_Name_";
const char* const CHARS_COUNT_VALUE = "SubType_CharsCount_";
const char* const TAPE_ID_START_VALUE = "SubType_TapeIDParseStringStartPosition_";
const char* const TAPE_ID_COUNT_VALUE = "SubType_TapeIDParseStringCharsCount_";
const char* const LANGUAGE_START_VALUE = "SubType_LanguageParseStringStartPosition_";
const char* const LANGUAGE_COUNT_VALUE = "SubType_LanguageParseStringCharsCount_";
const char* const SAMPLE_VALUE = "SubType_SampleFileName_";

// A numeric field that cannot be read from the settings.
const int32_t NUMBER_FALLBACK = 1;

// count characters of name from the 1-based position start, cut short at the end of the
// name. Positions the dialog never offers (below 1) and counts of 0 or less give nothing.
std::string CutToken(const std::string& name, int32_t start, int32_t count) {
    if (start < 1 || count <= 0 || size_t(start) > name.size())
        return std::string();
    return name.substr(size_t(start) - 1, size_t(count));
}

using TPositionField = int32_t TSubtitleFileType::*;

// The first record whose CharsCount equals the length of the file-name part decides; no
// later record of the same length is ever looked at.
bool ParseFileName(const char* routine, const std::string& path, const TSubtitleFileTypeList* list,
                   TPositionField start, TPositionField count, std::string& token) {
    return Guarded(routine, false, [&] {
        if (list == nullptr)
            throw std::invalid_argument("list");
        const std::string name = ExtractFileName(path);
        for (const auto& record : *list) {
            if (!record)
                throw std::invalid_argument("record");
            if (record->CharsCount >= 0 && size_t(record->CharsCount) == name.size()) {
                token = CutToken(name, (*record).*start, (*record).*count);
                return true;
            }
        }
        return false;
    });
}

} // namespace

bool AssignSubtitleFileType(const TSubtitleFileType* source, TSubtitleFileType* destination) {
    return Guarded("AssignSubtitleFileType", false, [&] {
        if (source == nullptr || destination == nullptr)
            throw std::invalid_argument("record");
        *destination = *source;
        return true;
    });
}

bool AssignSubtitleFileTypeList(const TSubtitleFileTypeList* source,
                                TSubtitleFileTypeList* destination) {
    return Guarded("AssignSubtitleFileTypeList", false, [&] {
        if (source == nullptr || destination == nullptr) {
            TraceError("AssignSubtitleFileTypeList", "invalid arguments");
            return false;
        }
        // Emptying a list into itself would lose it; it only keeps its first records.
        if (source == destination) {
            if (destination->size() > size_t(kMaxSubtitleFileTypes))
                destination->resize(size_t(kMaxSubtitleFileTypes));
            return true;
        }
        FreeSubtitleFileTypeList(destination);
        const size_t count = std::min(source->size(), size_t(kMaxSubtitleFileTypes));
        for (size_t i = 0; i < count; ++i) {
            auto copy = std::make_unique<TSubtitleFileType>();
            if (!AssignSubtitleFileType((*source)[i].get(), copy.get())) {
                TraceError("AssignSubtitleFileTypeList", "cannot assign subtitle file type");
                return false;
            }
            destination->push_back(std::move(copy));
        }
        return true;
    });
}

bool FreeSubtitleFileTypeList(TSubtitleFileTypeList* list) {
    return Guarded("FreeSubtitleFileTypeList", false, [&] {
        if (list == nullptr)
            throw std::invalid_argument("list");
        list->clear();
        return true;
    });
}

bool SaveSubtitleFileTypeListToRegistry(const std::string& keyPath,
                                        const TSubtitleFileTypeList* list) {
    return Guarded("SaveSubtitleFileTypeListToRegistry", false, [&] {
        if (list == nullptr) {
            TraceError("SaveSubtitleFileTypeListToRegistry", "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, true))
            return true;
        // Values of higher indexes from an earlier, longer list stay; the count decides.
        WriteInteger(registry, COUNT_VALUE, int32_t(list->size()));
        for (size_t i = 0; i < list->size(); ++i) {
            const TSubtitleFileType* record = (*list)[i].get();
            if (record == nullptr)
                throw std::invalid_argument("record");
            const std::string n = std::to_string(i);
            WriteString(registry, NAME_VALUE + n, record->Name);
            WriteInteger(registry, CHARS_COUNT_VALUE + n, record->CharsCount);
            WriteInteger(registry, TAPE_ID_START_VALUE + n, record->TapeIDParseStringStartPosition);
            WriteInteger(registry, TAPE_ID_COUNT_VALUE + n, record->TapeIDParseStringCharsCount);
            WriteInteger(registry, LANGUAGE_START_VALUE + n,
                         record->LanguageParseStringStartPosition);
            WriteInteger(registry, LANGUAGE_COUNT_VALUE + n, record->LanguageParseStringCharsCount);
            WriteString(registry, SAMPLE_VALUE + n, record->SampleFileName);
        }
        return true;
    });
}

bool LoadSubtitleFileTypeListToRegistry(const std::string& keyPath, TSubtitleFileTypeList* list) {
    return Guarded("LoadSubtitleFileTypeListToRegistry", false, [&] {
        if (list == nullptr) {
            TraceError("LoadSubtitleFileTypeListToRegistry", "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, false))
            return true;
        int32_t count = 0;
        if (!registry.ReadInteger(COUNT_VALUE, count)) {
            WriteInteger(registry, COUNT_VALUE, 0);
            return true;
        }
        // Appended, not replaced: the caller decides whether the list starts empty.
        for (int32_t i = 0; i < count; ++i) {
            auto record = std::make_unique<TSubtitleFileType>();
            const std::string n = std::to_string(i);
            record->Name = ReadStringOr(registry, NAME_VALUE + n, std::string());
            record->CharsCount = ReadIntegerOr(registry, CHARS_COUNT_VALUE + n, NUMBER_FALLBACK);
            record->TapeIDParseStringStartPosition =
                ReadIntegerOr(registry, TAPE_ID_START_VALUE + n, NUMBER_FALLBACK);
            record->TapeIDParseStringCharsCount =
                ReadIntegerOr(registry, TAPE_ID_COUNT_VALUE + n, NUMBER_FALLBACK);
            record->LanguageParseStringStartPosition =
                ReadIntegerOr(registry, LANGUAGE_START_VALUE + n, NUMBER_FALLBACK);
            record->LanguageParseStringCharsCount =
                ReadIntegerOr(registry, LANGUAGE_COUNT_VALUE + n, NUMBER_FALLBACK);
            record->SampleFileName = ReadStringOr(registry, SAMPLE_VALUE + n, std::string());
            list->push_back(std::move(record));
        }
        return true;
    });
}

bool GetTapeIDFromFileName(const std::string& path, const TSubtitleFileTypeList* list,
                           std::string& tapeID) {
    return ParseFileName("GetTapeIDFromFileName", path, list,
                         &TSubtitleFileType::TapeIDParseStringStartPosition,
                         &TSubtitleFileType::TapeIDParseStringCharsCount, tapeID);
}

bool GetLanguageFromFileName(const std::string& path, const TSubtitleFileTypeList* list,
                             std::string& language) {
    return ParseFileName("GetLanguageFromFileName", path, list,
                         &TSubtitleFileType::LanguageParseStringStartPosition,
                         &TSubtitleFileType::LanguageParseStringCharsCount, language);
}
