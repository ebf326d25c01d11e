// files.tsv of the real STL files: the values a reader must find in each file.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/TextUtils.h"
#include "tests/common/TestSupport.h"

struct TRealFile {
    std::string Path;
    std::string CodePage;
    std::string DiskFormatCode;
    std::string LanguageCode;
    int32_t TtiBlocks = -1; // offset 238, -1 when not a number
    int32_t Subtitles = -1; // offset 243
    int32_t BlocksPresent = 0;

    // The larger block count wins when the file holds that many blocks.
    uint32_t ExpectedCount() const {
        if (TtiBlocks > Subtitles && BlocksPresent >= TtiBlocks)
            return uint32_t(TtiBlocks);
        return uint32_t(Subtitles);
    }
    bool ExpectOpen() const {
        return (DiskFormatCode == "STL25.01" || DiskFormatCode == "STL30.01") && Subtitles >= 0 &&
               uint32_t(BlocksPresent) >= ExpectedCount();
    }
};

inline std::vector<TRealFile> LoadRealFileList() {
    std::vector<TRealFile> rows;
    const auto folder = testsupport::RealStlFolder();
    if (folder.empty())
        return rows;
    std::ifstream in(folder / "files.tsv");
    std::string line;
    std::vector<std::string> header;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, '\t'))
            cells.push_back(cell);
        if (header.empty()) {
            header = cells;
            continue;
        }
        auto at = [&](const std::string& name) {
            for (size_t i = 0; i < header.size(); ++i)
                if (header[i] == name)
                    return i < cells.size() ? cells[i] : std::string();
            return std::string();
        };
        auto number = [](const std::string& text) {
            int32_t value = -1;
            return TryStrToInt(text, value) ? value : -1;
        };
        TRealFile row;
        row.Path = (folder / at("folder") / at("file")).string();
        row.CodePage = at("cpn");
        row.DiskFormatCode = at("dfc");
        row.LanguageCode = at("lc");
        row.TtiBlocks = number(at("tnb"));
        row.Subtitles = number(at("tns"));
        row.BlocksPresent = number(at("blocks"));
        rows.push_back(row);
    }
    return rows;
}
