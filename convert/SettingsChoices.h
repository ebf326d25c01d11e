// The item texts of the settings panels' drop-down lists and of the Properties dialog, in
// index order: the index of an item is the value stored. The window fills its lists from
// here and the command line reads and checks values against the same texts, so the two
// cannot drift apart.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stl/STLCodePages.h"

inline constexpr std::array<const char*, 3> kTapeIDSourceItems = {
    "Use Tape ID value from source", "Overwrite Tape ID value",
    "Use Tape ID value parsed from file name"};

inline constexpr std::array<const char*, 3> kLanguageSourceItems = {
    "Use Language value from source", "Overwrite Language value",
    "Use Language value parsed from file name"};

inline constexpr std::array<const char*, 2> kTimeCodeStartOfProgrammeItems = {
    "Use Timecode value from source", "Overwrite Timecode value"};

// Item 1 stands for MoveProcessedFiles set, item 0 for it clear.
inline constexpr std::array<const char*, 2> kMoveProcessedFilesItems = {
    "Don't move the processed files", "Move processed files to a different folder location"};

// The code pages of the standard between "from source" and "custom".
inline constexpr std::array<const char*, STL_CODE_PAGES.size() + 2> kCodePageNumberItems = [] {
    std::array<const char*, STL_CODE_PAGES.size() + 2> items{};
    items.front() = "Use Code Page Number from source";
    for (size_t i = 0; i < STL_CODE_PAGES.size(); ++i)
        items[i + 1] = STL_CODE_PAGES[i].Item;
    items.back() = "Set custom Code Page Number";
    return items;
}();

inline constexpr std::array<const char*, 6> kCharacterCodeTableNumberItems = {
    "Use Character Code Table Number from source",
    "Latin - 00",
    "Latin/Cyrillic - 01",
    "Latin/Arabic - 02",
    "Latin/Greek - 03",
    "Latin/Hebrew - 04"};

inline constexpr std::array<const char*, 5> kDisplayStandardCodeItems = {
    "Use Display Standard Code from source", "Undefined", "Open Subtitling", "Level-1 teletext",
    "Level-2 teletext"};

// The quality check before a conversion; the index is the stored QualityCheck.
inline constexpr std::array<const char*, 3> kQualityCheckItems = {"Off", "Report findings",
                                                                  "Refuse files with errors"};

// The Properties dialog: the frame-rate source, and the rate shown for each Disk Format
// Code (item 0 for "STL25.01", item 1 for "STL30.01").
inline constexpr std::array<const char*, 2> kFPSSourceItems = {"Use FPS value from source",
                                                               "Overwrite FPS value"};
inline constexpr std::array<const char*, 2> kFPSItems = {"25", "30"};

// The messages filter under the Messages pane, and the window's pages by their tab
// captions (the stored ActivePageIndex).
inline constexpr std::array<const char*, 4> kMessagesFilterItems = {"Show All", "Show Infos",
                                                                    "Show Warnings", "Show Errors"};
inline constexpr std::array<const char*, 3> kPageItems = {"Batch", "Watch Folder",
                                                          "Playlist Check"};

// The sample file name the subtitle file types dialog previews with, and gives to a file
// type without one.
inline constexpr const char* kDefaultSampleFileName = "File_0123_PT.STL";
// What the subtitle file types dialog says when a 17th file type is added.
inline constexpr const char* kMaxSubtitleFileTypesMessage =
    "The max count of Subtitle File Types reached.";

// The hours, minutes, seconds and frames the four time code spin edits show for a stored
// "HHMMSSFF": each 2-character piece as a number (0 when it is none), hours brought to 0..23,
// minutes and seconds to 0..59 and frames to 0..29, although the frame edit offers 30.
std::array<int32_t, 4> TimeCodeAsShown(const std::string& text);

// One item of a language list: the long name shown and the STL language code it carries
// (15 for "0F").
struct TLanguageChoice {
    std::string Name;
    int32_t Code = 0;
};

// Every row of the language table by its long name, sorted by name as the language lists of
// the panels show them; rows of equal names keep their table order.
const std::vector<TLanguageChoice>& LanguageChoices();
