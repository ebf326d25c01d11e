// A list of records kept as one count value and, per record, one value per field named
// "<prefix><index>": the hex find-and-replace list and the subtitle file types are stored so.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/Trace.h"

// One stored field of a record: the member says whether it is kept as an integer or a string.
template <class TRecord> struct TIndexedListField {
    const char* Prefix;
    std::variant<int32_t TRecord::*, std::string TRecord::*> Member;
    int32_t Fallback = 0; // an integer that is absent or of another type; a string reads as ""
};

template <class TRecord> struct TIndexedListLayout {
    const char* CountValue;
    std::span<const TIndexedListField<TRecord>> Fields;
};

template <class TRecord> using TIndexedList = std::vector<std::unique_ptr<TRecord>>;

namespace indexedlist {

template <class TRecord>
void WriteRecord(TRegistry& registry, const TIndexedListLayout<TRecord>& layout,
                 const TRecord& record, const std::string& index) {
    for (const auto& field : layout.Fields) {
        const std::string name = field.Prefix + index;
        if (const auto* number = std::get_if<int32_t TRecord::*>(&field.Member))
            settingsvalues::WriteInteger(registry, name, record.*(*number));
        else
            settingsvalues::WriteString(registry, name,
                                        record.*std::get<std::string TRecord::*>(field.Member));
    }
}

template <class TRecord>
void ReadRecord(const TRegistry& registry, const TIndexedListLayout<TRecord>& layout,
                TRecord& record, const std::string& index) {
    for (const auto& field : layout.Fields) {
        const std::string name = field.Prefix + index;
        if (const auto* number = std::get_if<int32_t TRecord::*>(&field.Member))
            record.*(*number) = settingsvalues::ReadIntegerOr(registry, name, field.Fallback);
        else
            record.*std::get<std::string TRecord::*>(field.Member) =
                settingsvalues::ReadStringOr(registry, name, std::string());
    }
}

} // namespace indexedlist

// Writes the count and every record under keyPath. Values of higher indexes from an earlier,
// longer list stay; the count decides what a load reads.
template <class TRecord>
bool SaveIndexedList(const char* routine, const std::string& keyPath,
                     const TIndexedListLayout<TRecord>& layout, const TIndexedList<TRecord>* list) {
    return Guarded(routine, false, [&] {
        if (list == nullptr) {
            TraceError(routine, "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, true))
            return true;
        settingsvalues::WriteInteger(registry, layout.CountValue, int32_t(list->size()));
        for (size_t i = 0; i < list->size(); ++i) {
            if (!(*list)[i])
                throw std::invalid_argument("record");
            indexedlist::WriteRecord(registry, layout, *(*list)[i], std::to_string(i));
        }
        return true;
    });
}

// Appends the stored records to list, not replacing it: the caller decides whether the list
// starts empty. An unreadable count is written back as 0 and loads nothing.
template <class TRecord>
bool LoadIndexedList(const char* routine, const std::string& keyPath,
                     const TIndexedListLayout<TRecord>& layout, TIndexedList<TRecord>* list) {
    return Guarded(routine, false, [&] {
        if (list == nullptr) {
            TraceError(routine, "invalid arguments");
            return false;
        }
        TRegistry registry;
        if (!registry.OpenKey(keyPath, false))
            return true;
        int32_t count = 0;
        if (!registry.ReadInteger(layout.CountValue, count)) {
            settingsvalues::WriteInteger(registry, layout.CountValue, 0);
            return true;
        }
        for (int32_t i = 0; i < count; ++i) {
            auto record = std::make_unique<TRecord>();
            indexedlist::ReadRecord(registry, layout, *record, std::to_string(i));
            list->push_back(std::move(record));
        }
        return true;
    });
}
