// A list of records kept as one count value and, per record, one value per field named
// "<prefix><index>": the hex find-and-replace list and the subtitle file types are stored so.
// Each record type lists its fields in a settings table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/SettingsValues.h"
#include "platform/Registry.h"
#include "platform/SettingValue.h"
#include "platform/Trace.h"

template <class TRecord> struct TIndexedListLayout {
    const char* CountValue;
    // Each stored under its StoredAs, with the record's index for "<n>".
    std::span<const TSettingField<TRecord>> Fields;
};

template <class TRecord> using TIndexedList = std::vector<std::unique_ptr<TRecord>>;

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
            SaveSettings(registry, layout.Fields, *(*list)[i], i);
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
            LoadSettings(registry, layout.Fields, *record, false, size_t(i));
            list->push_back(std::move(record));
        }
        return true;
    });
}

// Replaces destination's records by copies of the first max of source's, each made by assign;
// a failed copy is traced as failure. A list assigned to itself only keeps its first max.
template <class TRecord>
bool AssignIndexedList(const char* routine, const char* failure,
                       const TIndexedList<TRecord>* source, TIndexedList<TRecord>* destination,
                       size_t max, bool (*assign)(const TRecord*, TRecord*)) {
    return Guarded(routine, false, [&] {
        if (source == nullptr || destination == nullptr) {
            TraceError(routine, "invalid arguments");
            return false;
        }
        // Emptying a list into itself would lose it.
        if (source == destination) {
            if (destination->size() > max)
                destination->resize(max);
            return true;
        }
        destination->clear();
        const size_t count = std::min(source->size(), max);
        for (size_t i = 0; i < count; ++i) {
            auto copy = std::make_unique<TRecord>();
            if (!assign((*source)[i].get(), copy.get())) {
                TraceError(routine, failure);
                return false;
            }
            destination->push_back(std::move(copy));
        }
        return true;
    });
}

template <class TRecord> bool FreeIndexedList(const char* routine, TIndexedList<TRecord>* list) {
    return Guarded(routine, false, [&] {
        if (list == nullptr)
            throw std::invalid_argument("list");
        list->clear();
        return true;
    });
}
