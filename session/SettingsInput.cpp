#include "session/SettingsInput.h"

#include <algorithm>
#include <cstring>

#include "convert/STLConvertSettings.h"
#include "lang/STLCustomLangUtils.h"
#include "lang/STLLangUtils.h"
#include "platform/SettingsKeys.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckSettings.h"
#include "stl/STLCodePages.h"

namespace {

using F = TValueForm;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool NumberIn(const std::string& text, int32_t min, int32_t max, int32_t& number) {
    return TryStrToInt(TrimText(text), number) && number >= min && number <= max;
}

void SetNumber(TSettingInput& input, int32_t number) {
    input.Stored.Type = TRegValueType::DWord;
    input.Stored.Number = static_cast<uint32_t>(number);
}

void SetText(TSettingInput& input, const std::string& text) {
    input.Stored.Type = TRegValueType::String;
    input.Stored.Text = text;
}

// "yes" / "no" (or 1 / 0), as a check box is ticked or not.
bool ParseFlag(const std::string& text, bool& flag) {
    const std::string folded = FoldText(text);
    if (folded == "YES" || folded == "1")
        flag = true;
    else if (folded == "NO" || folded == "0")
        flag = false;
    else
        return false;
    return true;
}

bool ParseChoice(const TSettingValue& value, const std::string& text, TSettingInput& input) {
    int32_t index = -1;
    bool flag = false;
    int32_t number = 0;
    if (NumberIn(text, 0, static_cast<int32_t>(value.Items.size()) - 1, number))
        index = number;
    else {
        for (size_t i = 0; i < value.Items.size() && index < 0; ++i)
            if (SameFoldedText(value.Items[i], text))
                index = static_cast<int32_t>(i);
        if (index < 0 && value.Type == TStoredType::Flag && ParseFlag(text, flag))
            index = flag ? 1 : 0;
    }
    if (index < 0)
        return false;
    SetNumber(input, index);
    return true;
}

// "HHMMSSFF" that the four spin edits show as it is.
bool ParseTimeCode(const std::string& text, TSettingInput& input) {
    if (text.size() != 8 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const auto piece = [&](size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    if (piece(0) > 23 || piece(2) > 59 || piece(4) > 59 || piece(6) > 29)
        return false;
    SetText(input, text);
    return true;
}

bool ParseFrameRate(const std::string& text, TSettingInput& input) {
    const std::string folded = FoldText(text);
    if (folded == "STL25.01" || folded == "25")
        SetText(input, "STL25.01");
    else if (folded == "STL30.01" || folded == "30")
        SetText(input, "STL30.01");
    else
        return false;
    return true;
}

bool ParseLanguages(const std::string& text, TSettingInput& input) {
    if (TrimText(text).empty())
        return true; // no language at all: the page's Add says so
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        int32_t code = 0;
        if (!FindLanguageCode(text.substr(start, comma - start), code))
            return false;
        // The page's "Add" of a language already listed changes nothing.
        if (std::find(input.Codes.begin(), input.Codes.end(), code) == input.Codes.end())
            input.Codes.push_back(code);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

void SetSeconds(TSettingInput& input, int32_t seconds) {
    const double value = seconds;
    input.Stored.Type = TRegValueType::Binary;
    input.Stored.Bytes.resize(sizeof value);
    std::memcpy(input.Stored.Bytes.data(), &value, sizeof value);
}

bool ParseByForm(const TSettingValue& value, uint32_t part, const std::string& text,
                 TSettingInput& input) {
    int32_t number = 0;
    bool flag = false;
    switch (value.Form) {
    case F::Number:
        if (!NumberIn(text, value.Min, value.Max, number))
            return false;
        SetNumber(input, number);
        return true;
    case F::Choice:
        return ParseChoice(value, text, input);
    case F::Flag:
        if (!ParseFlag(text, flag))
            return false;
        SetNumber(input, flag ? 1 : 0);
        return true;
    case F::Text:
        if (value.Max > 0 && text.size() > size_t(value.Max))
            return false;
        SetText(input, text);
        return true;
    case F::Folder:
        // The playlist page's browse buttons end every folder in "/".
        SetText(input, part == spPlaylistEntry ? IncludeTrailingSlash(text) : text);
        return true;
    case F::TimeCode:
        return ParseTimeCode(text, input);
    case F::Language:
        if (!FindLanguageCode(text, number))
            return false;
        SetText(input, IntToHexText(static_cast<uint32_t>(number) & 0xFF, 2));
        return true;
    case F::FrameRate:
        return ParseFrameRate(text, input);
    case F::CodePage:
        if (!NumberIn(text, value.Min, value.Max, number))
            return false;
        SetText(input, std::to_string(number));
        return true;
    case F::Seconds:
        if (!NumberIn(text, value.Min, value.Max, number))
            return false;
        SetSeconds(input, number);
        return true;
    case F::Languages:
        return ParseLanguages(text, input);
    case F::LanguageName:
        return false;
    }
    return false;
}

} // namespace

bool FindLanguageCode(const std::string& text, int32_t& code) {
    return Guarded("FindLanguageCode", false, [&] {
        const std::string name = TrimText(text);
        if (name.empty())
            return false;
        int32_t row = 0;
        if (name.size() == 2 && IsHexDigit(name[0]) && IsHexDigit(name[1]) &&
            GetLanguageCodeIndex(HexTextToInt(name), row)) {
            code = HexTextToInt(name);
            return true;
        }
        if ((name.size() == 2 && GetCustom2CharNameIndex(name, row)) ||
            (name.size() == 3 && GetCustom3CharNameIndex(name, row))) {
            code = HexTextToInt(STLCustomLanguages[size_t(row)].LangCode);
            return true;
        }
        for (const TSTLLang& lang : STLLanguages)
            if (SameFoldedText(lang.LangLongName, name)) {
                code = HexTextToInt(lang.LangCode);
                return true;
            }
        return false;
    });
}

bool ParseSettingInput(const TSettingValue& value, uint32_t part, const std::string& text,
                       TSettingInput& input, std::string& refusal) {
    refusal.clear();
    return Guarded("ParseSettingInput", false, [&] {
        input = TSettingInput{};
        input.Value = &value;
        input.Stored.Name = value.Name;
        if (value.SetFrom) {
            refusal = std::string(value.Name) + " is set by the window from " + value.SetFrom +
                      " of main: set " + value.SetFrom + " of main instead.";
            return false;
        }
        if (ParseByForm(value, part, text, input))
            return true;
        refusal = std::string(value.Name) + ": \"" + text +
                  "\" is not allowed; allowed: " + AllowedText(value) + ".";
        return false;
    });
}

bool WriteSettingInput(const std::string& key, const TSettingInput& input) {
    return Guarded("WriteSettingInput", false, [&] {
        if (input.Value == nullptr)
            return false;
        if (input.Value->Type == TStoredType::CodeList) {
            const std::string base = key.empty() || key.back() != '\\' ? key + '\\' : key;
            return SaveLanguageCheckListToRegistry(base + kPlaylistCheckLanguagesSubKey,
                                                   &input.Codes);
        }
        TRegistry registry;
        return registry.OpenKey(key, true) &&
               TSettingsStore::Global().SetValue(registry.CurrentPath(), input.Stored);
    });
}

TSettingInput FreshSettingInput(const TSettingValue& value, const TMainSettings& main) {
    return Guarded("FreshSettingInput", TSettingInput{}, [&] {
        TSettingInput input;
        input.Value = &value;
        input.Stored.Name = value.Name;
        int32_t fpsSource = main.FPSSource;
        std::string fps = main.FPS;
        NormaliseFrameRatePolicy(fpsSource, fps);
        int32_t number = 0;
        if (value.SetFrom && std::string(value.SetFrom) == "FPSSource")
            SetNumber(input, fpsSource);
        else if (value.SetFrom)
            SetText(input, fps);
        else if (value.Type == TStoredType::Integer || value.Type == TStoredType::Flag)
            SetNumber(input, TryStrToInt(value.Default, number) ? number : 0);
        else if (value.Type == TStoredType::Float)
            SetSeconds(input, 0);
        else if (value.Form == F::TimeCode && !value.NoControl)
            SetText(input, "00000000");
        else if (value.Form == F::CodePage)
            SetText(input, STL_FALLBACK_CODE_PAGE);
        else if (value.Form == F::Language)
            SetText(input, "00");
        else
            SetText(input, value.Default);
        return input;
    });
}
