#pragma once

// Text helpers for the engine's byte strings. All text in the engine is
// Windows-1252, one byte per character, as on the wire and in the files.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavik {

// Lower case of a Windows-1252 byte (A-Z, the accented capitals, Š Œ Ž Ÿ).
unsigned char lowerByte(unsigned char c);

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
