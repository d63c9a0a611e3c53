#pragma once

#include <QString>
#include <filesystem>

namespace tavik::gui {

// File names between Qt and std::filesystem. Both sides know the characters
// (UTF-16 in QString, the system's own encoding in the path), so the way
// between them goes through UTF-8, which means the same on every system. The
// local 8-bit encoding would not: on Windows it is the ANSI code page, which
// neither std::filesystem nor a name with characters outside it agrees with.
std::filesystem::path toPath(const QString& text);
QString fromPath(const std::filesystem::path& path);
// A file name as the user reads it: with the system's own separators (Qt hands
// Windows folders over with '/', which Explorer and the user do not write).
QString displayPath(const std::filesystem::path& path);

}  // namespace tavik::gui
