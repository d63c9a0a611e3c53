#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// File names cross between the engine and the file system here and nowhere
// else. The engine's names are Windows-1252 bytes; the file system's are UTF-8
// on Linux and macOS and UTF-16 on Windows. std::filesystem::path built from
// UTF-8 (char8_t) text means the same characters on every system, so both
// directions go through UTF-8 and behave alike everywhere.

namespace tavik {

// The file-system name of a Windows-1252 name. Every byte has a character, so
// this always succeeds; the five bytes Windows-1252 leaves undefined become
// the control characters of the same number.
std::filesystem::path pathFromWindows1252(std::string_view name);

// The Windows-1252 name of a file-system name, or nothing when the name holds a
// character Windows-1252 has no byte for (or is not valid UTF-8 or UTF-16 at
// all). Callers skip such files: a name the engine cannot write down could be
// neither shown nor opened again by that name.
std::optional<std::string> windows1252FromPath(const std::filesystem::path& name);

}  // namespace tavik
