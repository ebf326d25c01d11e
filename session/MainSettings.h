// The application-wide settings of the window's start-up: window bounds, the frame-rate
// override copied into every conversion, the folders of the daily files and the messages
// filter; and the window's layout values stored beside them. The window and the command line
// load them the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stl/STLBlocks.h"

struct TMainSettings {
    int32_t FormTop = 0;
    int32_t FormLeft = 0;
    int32_t FormWidth = 800;
    int32_t FormHeight = 750;
    int32_t FPSSource = 1; // 0 keep each file's frame rate, 1 force FPS
    std::string FPS = kDiskFormatCode25;
    std::string LogsOutputFolder;
    std::string MessagesOutputFolder;
    int32_t MessagesFilterIndex = 0;
};

// The three list views of the window, in the order of their stored column widths.
enum TListView : int { lvBatch = 0, lvWatchFolder = 1, lvPlaylistsCheck = 2 };

// What the window stores of its layout besides its bounds.
struct TWindowLayout {
    // Column widths of the three list views, in the order of their columns. "Status" of the
    // batch list starts at the width a new list view column gets.
    std::array<std::vector<int32_t>, 3> ColumnWidths = {std::vector<int32_t>{30, 200, 100},
                                                        std::vector<int32_t>{30, 200, 200, 60},
                                                        std::vector<int32_t>{30, 200, 200, 60}};
    int32_t ActivePageIndex = 0;
    // Which widths came from the settings file; the others are for the window to fit.
    std::array<std::vector<bool>, 3> StoredWidths = {std::vector<bool>(3), std::vector<bool>(4),
                                                     std::vector<bool>(4)};
};

// The defaults before loading: the window centred on a screen of the given size, both
// folders the default logs folder (GetDefaultLogsPath).
TMainSettings DefaultMainSettings(int32_t screenWidth, int32_t screenHeight);

// Reads the main values from the settings store over the current ones. A missing key keeps
// them all. With writeBack, the bounds, FPSSource and FPS are created in the store (memory
// only) when missing or of another type, as the window's start-up does. Then the frame-rate
// policy is brought into range, and an output folder that is empty or not an existing folder
// becomes the default logs folder. The filter index is not range-checked. False only after a
// traced unexpected failure.
bool LoadMainSettings(TMainSettings& settings, bool writeBack);
// The column widths (a missing one is written back with its present width, with writeBack)
// and the active page, clamped to the three pages. A missing key keeps the defaults.
bool LoadWindowLayout(TWindowLayout& layout, bool writeBack);

// Writes the main values and the layout under the root key, creating it when missing.
bool SaveMainSettings(const TMainSettings& settings, const TWindowLayout& layout);

struct TSettingValue;
// The main values in stored order, the layout's among them.
std::vector<const TSettingValue*> MainSettingValues();
