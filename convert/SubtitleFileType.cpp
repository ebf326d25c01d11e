#include "convert/SubtitleFileType.h"

#include <algorithm>
#include <stdexcept>

#include "convert/IndexedListSettings.h"
#include "convert/SettingsChoices.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

using R = TSubtitleFileType;
using namespace setting;

// A number of a file type, as its dialog starts a new one; a stored file type without it
// reads it as 1.
constexpr TSettingValue Count(const char* name, const char* storedAs, const char* byDefault,
                              int32_t min, int32_t max, const char* meaning) {
    return Field(MissingAs(Number(name, spFileType, byDefault, min, max, meaning), "1"), storedAs);
}

constexpr TSettingField<R> kFields[] = {
    {Field(String("Name", spFileType, TValueForm::Text, "profile name"), "SubType_Name_<n>"),
     MemberOf<&R::Name>},
    {Count("CharsCount", "SubType_CharsCount_<n>", "4", 4, 100,
           "length of the whole file name that selects this type"),
     MemberOf<&R::CharsCount>},
    {Count("TapeIDParseStringStartPosition", "SubType_TapeIDParseStringStartPosition_<n>", "1", 1,
           256, "position of the tape ID's first character, from 1"),
     MemberOf<&R::TapeIDParseStringStartPosition>},
    {Count("TapeIDParseStringCharsCount", "SubType_TapeIDParseStringCharsCount_<n>", "1", 1, 16,
           "number of tape ID characters"),
     MemberOf<&R::TapeIDParseStringCharsCount>},
    {Count("LanguageParseStringStartPosition", "SubType_LanguageParseStringStartPosition_<n>", "1",
           1, 256, "position of the language's first character, from 1"),
     MemberOf<&R::LanguageParseStringStartPosition>},
    {Count("LanguageParseStringCharsCount", "SubType_LanguageParseStringCharsCount_<n>", "2", 2, 3,
           "number of language characters"),
     MemberOf<&R::LanguageParseStringCharsCount>},
    // A stored file type without a sample reads an empty one.
    {Field(MissingAs(String("SampleFileName", spFileType, TValueForm::Text,
                            "file name the dialog previews the parse with", kDefaultSampleFileName),
                     ""),
           "SubType_SampleFileName_<n>"),
     MemberOf<&R::SampleFileName>},
};

const TIndexedListLayout<TSubtitleFileType> kLayout = {"SubTypesCount", kFields};

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
    return AssignIndexedList("AssignSubtitleFileTypeList", "cannot assign subtitle file type",
                             source, destination, size_t(kMaxSubtitleFileTypes),
                             &AssignSubtitleFileType);
}

bool FreeSubtitleFileTypeList(TSubtitleFileTypeList* list) {
    return FreeIndexedList("FreeSubtitleFileTypeList", list);
}

bool SaveSubtitleFileTypeListToRegistry(const std::string& keyPath,
                                        const TSubtitleFileTypeList* list) {
    return SaveIndexedList("SaveSubtitleFileTypeListToRegistry", keyPath, kLayout, list);
}

bool LoadSubtitleFileTypeListToRegistry(const std::string& keyPath, TSubtitleFileTypeList* list) {
    return LoadIndexedList("LoadSubtitleFileTypeListToRegistry", keyPath, kLayout, list);
}

std::vector<const TSettingValue*> SubtitleFileTypeSettingValues() {
    return ValuesOfFields(kFields);
}

bool SetSubtitleFileTypeValue(TSubtitleFileType& type, const TRegValue& value) {
    for (const TSettingField<R>& field : kFields) {
        if (UpperCaseText(field.Value.Name) != UpperCaseText(value.Name))
            continue;
        const TSettingMember member = field.Member(type);
        if (int32_t* const* number = std::get_if<int32_t*>(&member))
            **number = static_cast<int32_t>(value.Number);
        else if (std::string* const* text = std::get_if<std::string*>(&member))
            **text = value.Text;
        return true;
    }
    return false;
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
