#include "session/SettingsView.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "convert/SettingsChoices.h"
#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "stl/STLCodePages.h"

namespace {

using F = TValueForm;

std::string StoredTypeName(TRegValueType type) {
    switch (type) {
    case TRegValueType::String:
        return "a string";
    case TRegValueType::DWord:
        return "a 32-bit integer";
    default:
        return "raw bytes";
    }
}

std::string RealText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

void AddNote(TSettingShown& shown, const std::string& note) {
    if (!note.empty())
        shown.Note += (shown.Note.empty() ? "" : "; ") + note;
}

// "the window uses 2" on the pages whose settings it writes back, "shows" on a watch folder,
// whose entry keeps its stored value until the operator updates it.
std::string WindowTakes(uint32_t part) {
    return part == spWatchFolderEntry ? "the window shows " : "the window uses ";
}

void DescribeChoice(const TSettingValue& value, uint32_t part, const TSettingRead& read,
                    const TRegValue* stored, TSettingShown& shown) {
    const int32_t index =
        value.Type == TStoredType::Flag ? (read.Number != 0 ? 1 : 0) : read.Number;
    const int32_t last = static_cast<int32_t>(value.Items.size()) - 1;
    if (index >= 0 && index <= last) {
        shown.Value = std::to_string(index);
        shown.Meaning = value.Items[size_t(index)];
        if (read.OutOfRange)
            AddNote(shown, "stored " + std::to_string(static_cast<int32_t>(stored->Number)) +
                               ": out of range, read as " + shown.Value);
        return;
    }
    const std::string outside = "stored " + std::to_string(index) + ": out of range, ";
    if ((value.ClampedIn & part) != 0) {
        const int32_t used = std::clamp(index, 0, last);
        shown.Value = std::to_string(used);
        shown.Meaning = value.Items[size_t(used)];
        AddNote(shown, outside + WindowTakes(part) + std::to_string(used));
        return;
    }
    shown.Value = std::to_string(index);
    shown.Meaning = "no item";
    AddNote(shown, outside + "the window shows no item" +
                       (part == spBatch ? " and stores -1 at its close" : ""));
}

void DescribeNumber(const TSettingValue& value, uint32_t part, const TSettingRead& read,
                    TSettingShown& shown) {
    shown.Value = read.Taken() ? std::to_string(read.Number) : read.Text;
    if (!read.Taken() || (read.Number >= value.Min && read.Number <= value.Max))
        return;
    const std::string stored = "stored " + std::to_string(read.Number) + ": out of range, ";
    if ((value.ClampedIn & part) != 0)
        AddNote(shown, stored + WindowTakes(part) +
                           std::to_string(std::clamp(read.Number, value.Min, value.Max)));
    else
        AddNote(shown, "outside " + AllowedText(value));
}

void DescribeLanguage(const TSettingRead& read, TSettingShown& shown) {
    const int32_t code = HexTextToInt(read.Text);
    int32_t row = 0;
    if (!GetLanguageCodeIndex(code, row)) {
        shown.Meaning = "not a language of the table";
        AddNote(shown, "the window leaves its language list where it was");
        return;
    }
    shown.Meaning = STLLanguages[size_t(row)].LangLongName;
    const std::string canonical = IntToHexText(uint32_t(code) & 0xFF, 2);
    if (read.Text != canonical)
        AddNote(shown, "the window shows " + shown.Meaning + " (" + canonical + ")");
}

void DescribeText(const TSettingValue& value, const TSettingRead& read, TSettingShown& shown) {
    switch (value.Form) {
    case F::TimeCode: {
        if (value.NoControl)
            break;
        const std::array<int32_t, 4> pieces = TimeCodeAsShown(read.Text);
        char text[32];
        std::snprintf(text, sizeof text, "%.2d%.2d%.2d%.2d", pieces[0], pieces[1], pieces[2],
                      pieces[3]);
        if (read.Text != text)
            AddNote(shown, std::string("the window shows ") + text);
        break;
    }
    case F::CodePage: {
        int32_t number = 0;
        if (!TryStrToInt(read.Text, number))
            TryStrToInt(STL_FALLBACK_CODE_PAGE, number);
        number = std::clamp(number, value.Min, value.Max);
        if (read.Text != std::to_string(number))
            AddNote(shown, "the window shows " + std::to_string(number));
        break;
    }
    case F::Language:
        DescribeLanguage(read, shown);
        break;
    case F::Text:
        if (value.Max > 0 && read.Text.size() > size_t(value.Max))
            AddNote(shown, "longer than " + std::to_string(value.Max) +
                               " characters: the window shows the first " +
                               std::to_string(value.Max));
        break;
    case F::Folder:
        if (read.Text != shown.Value)
            AddNote(shown, "the window reads " + read.Text);
        break;
    default:
        break;
    }
}

// The main values the window corrects as it loads them: it shows and uses what its loader
// made of them. False for every other value.
bool DescribeMainValue(const TSettingValue& value, const TSettingRead& read,
                       const TSettingsViewContext& context, TSettingShown& shown) {
    const std::string name = value.Name;
    std::string used;
    if (name == "FPSSource")
        used = std::to_string(context.Main.FPSSource);
    else if (name == "FPS")
        used = context.Main.FPS;
    else if (name == "LogsOutputFolder")
        used = context.Main.LogsOutputFolder;
    else if (name == "MessagesOutputFolder")
        used = context.Main.MessagesOutputFolder;
    else
        return false;
    shown.Value = used;
    if (value.Form == F::Choice)
        shown.Meaning = value.Items[size_t(std::clamp(context.Main.FPSSource, 0, 1))];
    const std::string stored =
        value.Type == TStoredType::String ? read.Text : std::to_string(read.Number);
    if (read.Taken() && stored != used)
        AddNote(shown, "stored " + (stored.empty() ? std::string("empty") : stored) +
                           ", the window uses " + used);
    return true;
}

// The frame-rate policy's copies in the conversion settings: every run takes main's.
void NotePolicyCopy(const TSettingValue& value, const TSettingRead& read,
                    const TSettingsViewContext& context, TSettingShown& shown) {
    const bool source = std::string(value.SetFrom) == "FPSSource";
    const std::string used = source ? std::to_string(context.Main.FPSSource) : context.Main.FPS;
    const std::string stored = source ? std::to_string(read.Number) : read.Text;
    if (stored != used)
        AddNote(shown,
                "the window and every run use " + std::string(value.SetFrom) + " of main: " + used);
}

} // namespace

TSettingShown DescribeStoredValue(const TSettingValue& value, uint32_t part,
                                  const TRegValue* stored, const TSettingsViewContext& context) {
    return Guarded("DescribeStoredValue", TSettingShown{}, [&] {
        const TSettingRead read = ReadSettingValue(value, stored);
        TSettingShown shown;
        shown.Value = read.Taken() ? stored->Text : read.Text;
        shown.Meaning = value.Meaning;
        if (!read.Stored)
            AddNote(shown, "not stored");
        if (read.OtherType)
            AddNote(shown, "stored as " + StoredTypeName(stored->Type) +
                               ": another type, read as " +
                               (read.Text.empty() ? std::string("empty") : read.Text));
        if (part == spMain && DescribeMainValue(value, read, context, shown))
            return shown;
        switch (value.Form) {
        case F::Choice:
            DescribeChoice(value, part, read, stored, shown);
            break;
        case F::Number:
            DescribeNumber(value, part, read, shown);
            break;
        case F::Flag:
            shown.Value = read.Number != 0 ? "yes" : "no";
            if (read.Taken() && read.Number != 0 && read.Number != 1)
                AddNote(shown, "stored " + std::to_string(read.Number) + ", read as yes");
            break;
        case F::Seconds: {
            shown.Value = RealText(read.Real);
            const double whole =
                std::clamp(std::trunc(read.Real), double(value.Min), double(value.Max));
            if (whole != read.Real)
                AddNote(shown, "the window shows " + RealText(whole));
            break;
        }
        default:
            DescribeText(value, read, shown);
            break;
        }
        if (value.NoControl && shown.Value != value.Default)
            AddNote(shown, "no control in the window, which resets it when it writes the "
                           "panel back");
        if (value.SetFrom)
            NotePolicyCopy(value, read, context, shown);
        return shown;
    });
}

TSettingShown DescribeLanguageCodes(const std::vector<int32_t>& codes) {
    return Guarded("DescribeLanguageCodes", TSettingShown{}, [&] {
        TSettingShown shown;
        shown.Meaning = "languages every clip needs a subtitle file in";
        for (const int32_t code : codes) {
            int32_t row = 0;
            if (GetLanguageCodeIndex(code, row))
                shown.Value +=
                    (shown.Value.empty() ? "" : ", ") + STLLanguages[size_t(row)].LangLongName;
            else
                AddNote(shown, "code " + std::to_string(code) +
                                   " is not a language of the table: the window leaves it out");
        }
        if (codes.empty())
            AddNote(shown, "none");
        return shown;
    });
}

TSettingShown DescribeLanguageName(const TSettingValue& value, int32_t row,
                                   const TRegValue* stored) {
    return Guarded("DescribeLanguageName", TSettingShown{}, [&] {
        const TSTLLang& fixed = STLLanguages.at(size_t(row));
        const std::string& byDefault = value.Max == 2 ? fixed.Lang2CharName : fixed.Lang3CharName;
        TSettingShown shown;
        shown.Meaning = (value.Max == 2 ? "two-letter name of " : "three-letter name of ") +
                        fixed.LangLongName + ", " + fixed.LangCode;
        // A missing or empty name gives the row's own back; one of another type keeps it.
        shown.Value =
            stored != nullptr && stored->Type == TRegValueType::String && !stored->Text.empty()
                ? stored->Text
                : byDefault;
        if (stored == nullptr)
            AddNote(shown, "not stored");
        else if (stored->Type != TRegValueType::String)
            AddNote(shown, "stored as " + StoredTypeName(stored->Type) + ": another type");
        if (shown.Value != byDefault)
            AddNote(shown, "the table's is \"" + byDefault + "\"");
        return shown;
    });
}

std::string SettingLine(const std::string& name, const TSettingShown& shown) {
    std::string line = name + " = " + shown.Value + " (" + shown.Meaning;
    if (!shown.Note.empty())
        line += "; " + shown.Note;
    return line + ")";
}
