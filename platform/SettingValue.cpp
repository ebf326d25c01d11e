#include "platform/SettingValue.h"

#include <cmath>
#include <stdexcept>
#include <type_traits>

#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

TRegValueType ExpectedType(TStoredType type) {
    switch (type) {
    case TStoredType::String:
        return TRegValueType::String;
    case TStoredType::Float:
        return TRegValueType::Binary;
    default:
        return TRegValueType::DWord;
    }
}

// A default or fallback in the form the loaders give it: "no" is 0, and so are "centred" and
// other words.
void ReadText(const char* text, TSettingRead& read) {
    read.Text = text;
    int32_t number = 0;
    read.Number = TryStrToInt(read.Text, number) ? number : 0;
    read.Real = read.Number;
}

void Check(bool written, const std::string& name) {
    if (!written)
        throw std::runtime_error("cannot write " + name);
}

} // namespace

TSettingRead ReadSettingValue(const TSettingValue& value, const TRegValue* stored) {
    return Guarded("ReadSettingValue", TSettingRead{}, [&] {
        TSettingRead read;
        read.Stored = stored != nullptr;
        const char* unread = value.Missing ? value.Missing : value.Default;
        if (!read.Stored) {
            ReadText(unread, read);
            return read;
        }
        // A wrong-sized raw value is no double either.
        if (stored->Type != ExpectedType(value.Type) ||
            (value.Type == TStoredType::Float && !DoubleOfValue(*stored, read.Real))) {
            read.OtherType = true;
            ReadText(value.Fallback ? value.Fallback : unread, read);
            return read;
        }
        switch (stored->Type) {
        case TRegValueType::String:
            read.Text = value.EndsInSlash ? IncludeTrailingSlash(stored->Text) : stored->Text;
            break;
        case TRegValueType::DWord:
            read.Number = static_cast<int32_t>(stored->Number);
            break;
        case TRegValueType::Binary:
            // A NaN or an infinity would fail every comparison the value is made for.
            if (!std::isfinite(read.Real))
                read.Real = 0.0;
            break;
        }
        const bool choice = value.Form == TValueForm::Choice && value.Type == TStoredType::Integer;
        if (choice && value.Fallback &&
            (read.Number < 0 || static_cast<size_t>(read.Number) >= value.Items.size())) {
            read.OutOfRange = true;
            ReadText(value.Fallback, read);
        }
        return read;
    });
}

std::string StoredSettingName(const TSettingValue& value, size_t record) {
    if (value.StoredAs == nullptr)
        return value.Name;
    std::string name = value.StoredAs;
    const size_t at = name.find("<n>");
    return at == std::string::npos ? name : name.replace(at, 3, std::to_string(record));
}

bool LoadSettingValue(TRegistry& registry, const TSettingValue& value, TSettingMember member,
                      bool writeBack, size_t record) {
    if (value.Type == TStoredType::CodeList)
        return false;
    const std::string name = StoredSettingName(value, record);
    TRegValue stored;
    const TSettingRead read =
        ReadSettingValue(value, registry.ReadValue(name, stored) ? &stored : nullptr);
    if (!read.Taken() && value.Load != TSettingLoad::Read) {
        if (writeBack && value.Load == TSettingLoad::WriteBack)
            SaveSettingValue(registry, value, member, record);
        return false;
    }
    std::visit(
        [&](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int32_t>)
                *field = read.Number;
            else if constexpr (std::is_same_v<T, bool>)
                *field = read.Number != 0;
            else if constexpr (std::is_same_v<T, std::string>)
                *field = read.Text;
            else if constexpr (std::is_same_v<T, double>)
                *field = read.Real;
        },
        member);
    return read.Taken();
}

void SaveSettingValue(TRegistry& registry, const TSettingValue& value, TSettingMember member,
                      size_t record) {
    if (value.Type == TStoredType::CodeList)
        return;
    const std::string name = StoredSettingName(value, record);
    std::visit(
        [&](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            if constexpr (std::is_same_v<T, int32_t>)
                Check(registry.WriteInteger(name, *field), name);
            else if constexpr (std::is_same_v<T, bool>)
                Check(registry.WriteBool(name, *field), name);
            else if constexpr (std::is_same_v<T, std::string>)
                Check(registry.WriteString(name, *field), name);
            else if constexpr (std::is_same_v<T, double>)
                Check(registry.WriteFloat(name, *field), name);
        },
        member);
}

void CopySettingMember(TSettingMember source, TSettingMember destination) {
    std::visit(
        [&](auto* from) {
            using T = std::remove_pointer_t<decltype(from)>;
            *std::get<T*>(destination) = *from;
        },
        source);
}

bool SameSettingMember(TSettingMember a, TSettingMember b) {
    return std::visit(
        [&](auto* left) {
            using T = std::remove_pointer_t<decltype(left)>;
            return *left == *std::get<T*>(b);
        },
        a);
}
