#pragma once

// Text helpers for the engine's byte strings. All text in the engine is
// Windows-1252, one byte per character, as on the wire and in the files.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tavik {

namespace text_detail {
constexpr std::array<unsigned char, 256> makeLowerTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    t[0x8A] = 0x9A;  // Š
    t[0x8C] = 0x9C;  // Œ
    t[0x8E] = 0x9E;  // Ž
    t[0x9F] = 0xFF;  // Ÿ
    return t;
}
inline constexpr std::array<unsigned char, 256> LowerTable = makeLowerTable();
}  // namespace text_detail

// Lower case of a Windows-1252 byte (A-Z, the accented capitals, Š Œ Ž Ÿ).
// Inline: sort keys and hashes lower every byte of a name.
inline unsigned char lowerByte(unsigned char c) {
    return text_detail::LowerTable[c];
}

bool equalsIgnoreCase(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, comparing the lower-case forms.
int compareIgnoreCase(std::string_view a, std::string_view b);
// Case-insensitive hash consistent with equalsIgnoreCase.
std::size_t hashIgnoreCase(std::string_view s);

// `s` up to (not including) its first blank.
std::string_view cutAtBlank(std::string_view s);
// At most `max` bytes of `s`.
std::string_view capped(std::string_view s, std::size_t max);

// Appends `value` in decimal.
void appendNumber(std::string& out, long value);

}  // namespace tavik

namespace tavik {

// Windows-1252 text as UTF-8 (for file names and the window system) and back.
// Characters Windows-1252 cannot hold become "?".
std::string utf8FromWindows1252(std::string_view text);
std::string windows1252FromUtf8(std::string_view text);

}  // namespace tavik
