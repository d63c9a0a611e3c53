#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

namespace tavik::test {

// What a private file promises on this system. POSIX: mode 0600, nobody else
// may read it. Windows has no mode bits: the file lies in the user's own folder,
// whose inherited rights keep other users out, and what is left to check is that
// it is not read-only, so that the next save can replace it.
inline void expectPrivateFile(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms perms = fs::status(file, ec).permissions() & fs::perms::all;
    ASSERT_FALSE(ec) << file;
#ifdef _WIN32
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none) << file;
#else
    EXPECT_EQ(perms, fs::perms::owner_read | fs::perms::owner_write) << file;
#endif
}

// Makes a symbolic link, or says why this system cannot (Windows lets only
// administrators and developer mode make them; MinGW's library never does).
inline bool makeSymlink(const std::filesystem::path& target, const std::filesystem::path& link,
                        std::error_code& ec) {
    if (std::filesystem::is_directory(target, ec))
        std::filesystem::create_directory_symlink(target, link, ec);
    else
        std::filesystem::create_symlink(target, link, ec);
    return !ec;
}

}  // namespace tavik::test
