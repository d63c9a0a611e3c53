#include "platform/FileNames.h"

#include <exception>

#include "text/Text.h"

namespace tavik {

std::filesystem::path pathFromWindows1252(std::string_view name) {
    const std::string utf8 = utf8FromWindows1252(name);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::optional<std::string> windows1252FromPath(const std::filesystem::path& name) {
    std::u8string utf8;
    try {
        // On Windows this converts from UTF-16, which fails on a lone surrogate.
        utf8 = name.u8string();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    std::string converted = windows1252FromUtf8(bytes);
    // The conversion puts "?" for what it cannot hold and for broken UTF-8;
    // only a name that comes back unchanged is the file's own name.
    if (utf8FromWindows1252(converted) != bytes) return std::nullopt;
    return converted;
}

}  // namespace tavik
