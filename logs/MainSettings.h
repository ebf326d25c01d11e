// The application-wide settings of the window's start-up: window bounds, the frame-rate
// override copied into every conversion, the folders of the daily files and the messages
// filter. The window and the command line load them the same way.
#pragma once

#include <cstdint>
#include <string>

// Key of the main values, under the per-user root.
inline constexpr const char* kMainSettingsKey = "Software\\Velmora\\Caplin\\";

struct TMainSettings {
    int32_t FormTop = 0;
    int32_t FormLeft = 0;
    int32_t FormWidth = 800;
    int32_t FormHeight = 750;
    int32_t FPSSource = 1; // 0 keep each file's frame rate, 1 force FPS
    std::string FPS = "STL25.01";
    std::string LogsOutputFolder;
    std::string MessagesOutputFolder;
    int32_t MessagesFilterIndex = 0;
};

// The defaults before loading: the window centred on a screen of the given size, both
// folders the temporary folder.
TMainSettings DefaultMainSettings(int32_t screenWidth, int32_t screenHeight);

// Reads the main values from the settings store over the current ones. A missing key keeps
// them all. With writeBack, the bounds, FPSSource and FPS are created in the store (memory
// only) when missing or of another type, as the window's start-up does. Then FPSSource
// other than 0 and 1 becomes 0, FPS other than "STL25.01" and "STL30.01" becomes
// "STL25.01", and an output folder that is empty or not an existing folder becomes the
// temporary folder. The filter index is not range-checked. False only after a traced
// unexpected failure.
bool LoadMainSettings(TMainSettings& settings, bool writeBack);
