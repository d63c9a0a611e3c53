#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "fakes/ClientFixture.h"
#include "platform/FileNames.h"

namespace tavik::test {
namespace {

namespace fs = std::filesystem;

TEST(FileNames, EveryWindows1252ByteCrossesBothWays) {
    for (int b = 1; b < 256; ++b) {
        const std::string name{'x', static_cast<char>(b)};
        EXPECT_EQ(windows1252FromPath(pathFromWindows1252(name)), name) << "byte " << b;
    }
    // The same characters on every system, whatever the system's own code page.
    const struct {
        std::string windows1252;
        std::u8string utf8;
    } cases[] = {
        {"\xD6l.fnt", u8"\u00D6l.fnt"}, {"\x80", u8"\u20AC"}, {"\x9F\x8A", u8"\u0178\u0160"},
        {"\x81", u8"\u0081"},  // undefined in Windows-1252: the control character of that number
        {"plain.wav", u8"plain.wav"},   {"", u8""},
    };
    for (const auto& c : cases) {
        // Compared as bytes: this GoogleTest cannot print UTF-8 strings.
        const std::u8string made = pathFromWindows1252(c.windows1252).u8string();
        EXPECT_EQ(std::string(made.begin(), made.end()), std::string(c.utf8.begin(), c.utf8.end()))
            << c.windows1252;
        EXPECT_EQ(windows1252FromPath(fs::path(c.utf8)), c.windows1252) << c.windows1252;
    }
}

TEST(FileNames, NamesWindows1252CannotWriteAreRefused) {
    for (const std::u8string name : {u8"\u65E5.fnt", u8"a\u0100", u8"\U0001F600.wav", u8"\uFFFD"})
        EXPECT_EQ(windows1252FromPath(fs::path(name)), std::nullopt) << std::string(name.begin(), name.end());

    // Names no text could give: broken UTF-8 on POSIX, a lone surrogate on Windows.
    if constexpr (std::is_same_v<fs::path::value_type, char>) {
        for (const std::string name : {"\xFF.fnt", "\xC3", "\xC0\x80", "\xED\xA0\x80"})
            EXPECT_EQ(windows1252FromPath(fs::path(name)), std::nullopt) << name;
    } else {
        EXPECT_EQ(windows1252FromPath(fs::path(std::wstring{L'x', static_cast<wchar_t>(0xD800)})),
                  std::nullopt);
    }
}

// Through a real directory: what is written under a Windows-1252 name is listed
// under the same name. Each name gets a directory of its own, as Windows does not
// tell "ä" from "Ä"; characters no file system takes are left out.
TEST(FileNames, ARealDirectoryGivesTheNamesBack) {
    TempDir dir;
    int written = 0;
    for (int b = 32; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) continue;
        const fs::path sub = dir.path() / std::to_string(b);
        fs::create_directory(sub);
        const std::string name = std::string("f") + c + "f";
        std::ofstream(sub / pathFromWindows1252(name)) << b;
        ++written;

        std::vector<std::string> listed;
        for (const fs::directory_entry& entry : fs::directory_iterator(sub))
            listed.push_back(windows1252FromPath(entry.path().filename()).value_or("(refused)"));
        EXPECT_EQ(listed, std::vector<std::string>{name}) << "byte " << b;
        std::ifstream in(sub / pathFromWindows1252(name));
        int number = 0;
        in >> number;
        EXPECT_EQ(number, b);
    }
    EXPECT_EQ(written, 224 - 9);
}

}  // namespace
}  // namespace tavik::test
