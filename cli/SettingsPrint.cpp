#include "cli/SettingsPrint.h"

#include <algorithm>
#include <vector>

#include "platform/Registry.h"
#include "platform/Trace.h"

namespace {

using TRow = std::vector<std::string>;

// Value names compare as the settings store compares them, ignoring ASCII case.
bool SameNameIgnoringCase(const std::string& a, const char* b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return i == a.size() && b[i] == '\0';
}

void PrintRow(std::ostream& out, const std::string& indent, const TRow& cells) {
    out << indent;
    for (size_t i = 0; i < cells.size(); ++i)
        out << (i ? " | " : "") << cells[i];
    out << '\n';
}

void PrintView(std::ostream& out, const std::string& indent, const TRow& captions,
               const std::vector<TRow>& rows) {
    PrintRow(out, indent, captions);
    for (const TRow& row : rows)
        PrintRow(out, indent, row);
}

} // namespace

void PrintWatchFolderList(std::ostream& out, const TWatchFolderList& list,
                          const std::string& indent) {
    GuardedVoid("PrintWatchFolderList", [&] {
        std::vector<TRow> rows;
        for (size_t n = 0; n < list.Items.size(); ++n) {
            const auto& s = list.Items[n]->Settings;
            rows.push_back({std::to_string(n + 1), s.WatchFolder, s.DestinationFolder, s.Comment});
        }
        PrintView(out, indent, {"#", "Watch Folder", "Destination Folder", "Comment"}, rows);
    });
}

void PrintPlaylistList(std::ostream& out, const TPlaylistCheckList& list,
                       const std::string& indent) {
    GuardedVoid("PrintPlaylistList", [&] {
        std::vector<TRow> rows;
        for (size_t n = 0; n < list.Entries.size(); ++n) {
            const TPlaylistCheckSettings& e = *list.Entries[n];
            rows.push_back(
                {std::to_string(n + 1), e.PlaylistsFolder, e.SubtitlesFolder, e.Comment});
        }
        PrintView(out, indent, {"#", "Playlists Folder", "Subtitles Folder", "Comment"}, rows);
    });
}

void PrintFileTypes(std::ostream& out, const TSubtitleFileTypeList& list,
                    const std::string& indent) {
    GuardedVoid("PrintFileTypes", [&] {
        std::vector<TRow> rows;
        for (size_t n = 0; n < list.size(); ++n) {
            const TSubtitleFileType& t = *list[n];
            rows.push_back({std::to_string(n + 1), t.Name, std::to_string(t.CharsCount),
                            std::to_string(t.TapeIDParseStringStartPosition),
                            std::to_string(t.TapeIDParseStringCharsCount),
                            std::to_string(t.LanguageParseStringStartPosition),
                            std::to_string(t.LanguageParseStringCharsCount)});
        }
        PrintView(out, indent,
                  {"#", "Profile Name", "File Name Chars Count", "TapeID Start Pos",
                   "TapeID Chars Count", "Lang Start Pos", "Lang Chars Count"},
                  rows);
    });
}

void PrintHexItems(std::ostream& out, const THexFindAndReplaceList& list,
                   const std::string& indent) {
    GuardedVoid("PrintHexItems", [&] {
        std::vector<TRow> rows;
        for (size_t n = 0; n < list.size(); ++n)
            rows.push_back({std::to_string(n + 1),
                            HexValueToDisplay(list[n]->FindHex, list[n]->NumBytes),
                            HexValueToDisplay(list[n]->ReplaceHex, list[n]->NumBytes)});
        PrintView(out, indent, {"#", "Find Hex", "Replace Hex"}, rows);
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
