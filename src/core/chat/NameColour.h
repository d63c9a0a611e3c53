#pragma once

#include <cstdint>
#include <string_view>

#include "text/Text.h"

namespace tavik {

// Each chatter's name keeps one of 16 colours, the same in every row and on
// every start: a hash of the name ignoring case picks it. The window chooses
// the 16 colours themselves for the desktop's light or dark palette.
inline constexpr int NameColours = 16;

// The colour of `name` (0 ... 15), or -1 for a row without a chatter (empty or blanks).
inline int nameColourIndex(std::string_view name) {
    std::uint32_t hash = 2166136261U;  // FNV-1a
    bool any = false;
    for (const char c : name) {
        if (c == ' ') continue;
        any = true;
        hash = (hash ^ lowerByte(static_cast<unsigned char>(c))) * 16777619U;
    }
    if (!any) return -1;
    // The high bits mix best.
    return static_cast<int>((hash >> 16 ^ hash) % NameColours);
}

}  // namespace tavik
