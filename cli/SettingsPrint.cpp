#include "cli/SettingsPrint.h"

#include <algorithm>
#include <vector>

#include "platform/Registry.h"
#include "platform/Trace.h"

namespace {

// Value names compare as the settings store compares them, ignoring ASCII case.
bool SameNameIgnoringCase(const std::string& a, const char* b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return i == a.size() && b[i] == '\0';
}

void PrintRow(std::ostream& out, const std::string& indent, const TListRow& cells) {
    out << indent;
    for (size_t i = 0; i < cells.size(); ++i)
        out << (i ? " | " : "") << cells[i];
    out << '\n';
}

} // namespace

void PrintListTable(std::ostream& out, const TListTable& table, const std::string& indent) {
    GuardedVoid("PrintListTable", [&] {
        PrintRow(out, indent, table.Captions);
        for (const TListRow& row : table.Rows)
            PrintRow(out, indent, row);
    });
}

void PrintStoredValues(std::ostream& out, uint32_t part, const std::string& key,
                       const TSettingsViewContext& context) {
    GuardedVoid("PrintStoredValues", [&] {
        // The key's values at once: a thousand watch folders are shown in one go.
        const std::vector<TRegValue> values = TSettingsStore::Global().Values(key);
        for (const TSettingValue* value : SettingValuesOf(part)) {
            const auto stored = std::find_if(values.begin(), values.end(), [&](const TRegValue& v) {
                return SameNameIgnoringCase(v.Name, value->Name);
            });
            out << SettingLine(value->Name,
                               DescribeStoredValue(*value, part,
                                                   stored != values.end() ? &*stored : nullptr,
                                                   context))
                << '\n';
        }
    });
}

void PrintSectionTitle(std::ostream& out, const std::string& title, const std::string& key) {
    std::string path = key;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    out << '[' << title << "] HKEY_CURRENT_USER\\" << path << '\n';
}
