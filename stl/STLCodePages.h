// The code pages a GSI block may name in its Code Page Number, listed once: the quality check
// accepts these, and the conversion offers them, in this order, as the items after "from
// source" of its drop-down list.
#pragma once

#include <array>
#include <cstddef>

struct TSTLCodePage {
    const char* Number; // as the GSI field holds it
    const char* Item;   // as the settings panel's drop-down list shows it
};

inline constexpr std::array<TSTLCodePage, 5> STL_CODE_PAGES = {{{"437", "United States - 437"},
                                                                {"850", "Multilingual - 850"},
                                                                {"860", "Portugal - 860"},
                                                                {"863", "Canada-French - 863"},
                                                                {"865", "Nordic - 865"}}};

// Multilingual: what a custom code page that is no number is taken as, and what a cleared
// settings panel shows.
inline constexpr const char* STL_FALLBACK_CODE_PAGE = STL_CODE_PAGES[1].Number;

// The numbers alone, in table order.
inline constexpr std::array<const char*, STL_CODE_PAGES.size()> STL_CODE_PAGE_NUMBERS = [] {
    std::array<const char*, STL_CODE_PAGES.size()> numbers{};
    for (size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = STL_CODE_PAGES[i].Number;
    return numbers;
}();
