#pragma once

#include <cstddef>
#include <string>

namespace tavik {

// Removes ANSI escape sequences and control characters in place and returns the
// new length. "\e[" runs up to and including the next ASCII letter (or to the
// end of the text when none follows); a lone escape loses only itself. Bytes
// 1-31 other than the line feed go, and so do NUL bytes; printable ASCII and
// the Windows-1252 letters 128-255 stay.
std::size_t stripEscapes(char* text, std::size_t length);
void stripEscapes(std::string& text);

}  // namespace tavik
