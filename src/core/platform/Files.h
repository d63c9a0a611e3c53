#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> readFile(const std::filesystem::path& path);

// Replaces `path` with `bytes` so that readers see the old or the new file,
// never a half-written one: the bytes go to a temporary file beside it, which
// is then renamed over it. The file is readable and writable by its owner only.
// False (and the old file untouched) when anything fails.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tavik
