#include "convert/SettingsChoices.h"

#include <algorithm>

#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

int32_t PieceValue(const std::string& text, size_t position) {
    int32_t value = 0;
    if (position >= text.size() || !TryStrToInt(text.substr(position, 2), value))
        return 0;
    return value;
}

} // namespace

std::array<int32_t, 4> TimeCodeAsShown(const std::string& text) {
    return Guarded("TimeCodeAsShown", std::array<int32_t, 4>{}, [&] {
        return std::array<int32_t, 4>{
            std::clamp(PieceValue(text, 0), 0, 23), std::clamp(PieceValue(text, 2), 0, 59),
            std::clamp(PieceValue(text, 4), 0, 59), std::clamp(PieceValue(text, 6), 0, 29)};
    });
}

const std::vector<TLanguageChoice>& LanguageChoices() {
    static const std::vector<TLanguageChoice> choices =
        Guarded("LanguageChoices", std::vector<TLanguageChoice>(), [] {
            std::vector<TLanguageChoice> rows;
            for (const TSTLLang& lang : MakeSTLLanguageList())
                rows.push_back({lang.LangLongName, HexTextToInt(lang.LangCode)});
            std::stable_sort(rows.begin(), rows.end(),
                             [](const auto& a, const auto& b) { return a.Name < b.Name; });
            return rows;
        });
    return choices;
}
