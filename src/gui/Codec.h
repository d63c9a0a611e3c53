#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tavik::gui {

// The engine speaks Windows-1252 bytes, like the chat servers it talks to; Qt
// speaks Unicode. These are the only places where one turns into the other.

// Every byte has a character: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same number, so
// nothing the server sends is lost on the way to the screen and back.
QString toQt(std::string_view windows1252);
// Characters Windows-1252 has no byte for become '?'.
std::string fromQt(const QString& text);

// Paths from std::filesystem are the system's own bytes: UTF-8 here.
QString pathToQt(const std::string& nativePath);
std::string pathFromQt(const QString& path);

}  // namespace tavik::gui
