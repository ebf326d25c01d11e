// docs/settings.md and the program's table of settings values name the same values, with the
// same type, default and allowed values, part by part: a value added to one and not the other
// fails here.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "session/SettingsSchema.h"
#include "tests/common/TestSupport.h"

namespace {

// One row of a values table: name, type, default, allowed.
using TRow = std::vector<std::string>;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The first four cells of a table row; the name without its backticks and without the
// stored name in brackets that list records carry.
TRow Cells(const std::string& line) {
    TRow cells;
    std::stringstream row(line.substr(1));
    std::string cell;
    while (cells.size() < 4 && std::getline(row, cell, '|'))
        cells.push_back(Trimmed(cell));
    if (!cells.empty() && cells[0].size() > 1 && cells[0][0] == '`')
        cells[0] = cells[0].substr(1, cells[0].find('`', 1) - 1);
    return cells;
}

// Each table of the document, by the part its "<!-- values: part -->" line names.
std::map<std::string, std::vector<TRow>> DocumentTables() {
    std::map<std::string, std::vector<TRow>> tables;
    std::stringstream text(
        testsupport::ReadText(std::string(CAPLIN_SOURCE_DIR) + "/docs/settings.md"));
    std::string line, part;
    const std::string marker = "<!-- values: ";
    while (std::getline(text, line)) {
        if (line.rfind(marker, 0) == 0) {
            part = line.substr(marker.size(), line.find(' ', marker.size()) - marker.size());
            tables[part];
        } else if (!part.empty() && line.rfind("|", 0) == 0) {
            if (line.rfind("| Name", 0) != 0 && line.rfind("|---", 0) != 0)
                tables[part].push_back(Cells(line));
        } else if (!part.empty() && !line.empty()) {
            part.clear();
        }
    }
    return tables;
}

std::vector<TRow> CodeTable(uint32_t part) {
    std::vector<TRow> rows;
    for (const TSettingValue* value : SettingValuesOf(part))
        rows.push_back({value->Name, StoredTypeText(value->Type),
                        *value->Default ? value->Default : "empty", AllowedText(*value)});
    return rows;
}

TEST(SettingsDocTest, DocumentNamesEveryValueOfEveryPart) {
    const std::map<std::string, uint32_t> parts = {{"main", spMain},
                                                   {"batch", spBatch},
                                                   {"watch-folders", spWatchFolders},
                                                   {"watch-folder", spWatchFolderEntry},
                                                   {"playlist-entry", spPlaylistEntry},
                                                   {"languages", spLanguages},
                                                   {"file-type", spFileType},
                                                   {"hex-item", spHexItem}};
    const std::map<std::string, std::vector<TRow>> tables = DocumentTables();
    EXPECT_EQ(tables.size(), parts.size());
    for (const auto& [name, part] : parts) {
        ASSERT_TRUE(tables.count(name)) << "no table for " << name;
        EXPECT_EQ(tables.at(name), CodeTable(part)) << "table " << name;
    }
}

} // namespace
