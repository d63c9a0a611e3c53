#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "config/Settings.h"
#include "fakes/ClientFixture.h"
#include "fakes/Fakes.h"
#include "fakes/FileChecks.h"
#include "fakes/FileFakes.h"
#include "platform/Files.h"

namespace tavik {
namespace {

using test::FakeDesktop;
using test::TempDir;

// A settings file built by hand, byte by byte, the way the table of the file lays it out.
struct Bytes {
    explicit Bytes(std::size_t size) : s(size, '\0') {}
    Bytes& i32(std::size_t at, std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& byte(std::size_t at, int v) {
        s[at] = static_cast<char>(v);
        return *this;
    }
    Bytes& text(std::size_t at, std::string_view t) {
        std::memcpy(s.data() + at, t.data(), t.size());
        return *this;
    }
    std::string s;
};

const std::string version2("\x02\0\0\0", 4);

constexpr std::size_t server(std::size_t slot) {
    return 2137 + 255 * slot;
}

const LogFont courier{-13, 0, 0, 0, 400, 0, 0, 0, 0, 3, 2, 1, 49, "Courier New"};

TEST(Settings, FirstStartShowsTheHintOnceAndSavesAFullVersion2File) {
    TempDir dir;
    FakeDesktop desktop;
    const auto file = dir.path() / "settings.cfg";
    int picks = 0;
    Settings s;
    s.treeWidth = 7;
    EXPECT_FALSE(s.load(file, desktop, [&] {
        ++picks;
        return courier;
    }));
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text,
              "Im Menu Optionen -> Font... koennen Sie jederzeitdie Schriftgroesse aendern.");
    EXPECT_EQ(desktop.boxes[0].caption, "TavikTelnet");
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(s.displayFont, courier);

    ASSERT_TRUE(s.save(file, desktop));
    const std::string image = readFile(file).value();
    ASSERT_EQ(image.size(), Settings::Size);
    test::expectPrivateFile(file);

    Bytes expected(Settings::Size);
    expected.i32(0, 2).byte(2004, 1).byte(2009, 1).byte(2011, 1).byte(2136, 1);
    expected.i32(2016, -13).i32(2032, 400).byte(2040, 3).byte(2041, 2).byte(2042, 1).byte(2043, 49);
    expected.text(2044, "Courier New").i32(2084, 800).i32(2088, 500).i32(2092, 110).i32(2100, 65);
    expected.i32(2104, 100).i32(2108, 500).i32(2112, 100).i32(2120, 3).i32(2124, 2).i32(2132, 1);
    expected.text(server(0), "brenn-chat.example:28").text(server(1), "chat.brenn-chat.example:2001");
    EXPECT_EQ(image, expected.s);

    desktop.boxes.clear();
    Settings again;
    EXPECT_TRUE(again.load(file, desktop, [&] {
        ++picks;
        return LogFont{};
    }));
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(again.image(), image);
}

// A version-2 file with everything a careless writer might leave behind.
Bytes oddVersion2File() {
    Bytes b(Settings::Size);
    b.i32(0, 2).text(4, std::string("Gast\0alter Nick", 15)).text(104, std::string(100, 'n'));
    b.byte(2004, 5).byte(2010, 0xFF).byte(2013, 0xAA).byte(2015, 0x01);
    b.i32(2016, -16).text(2016 + 28, std::string("Lucida Console\0junk", 19));
    b.i32(2084, 640).i32(2092, 5001).i32(2104, 80).i32(2120, 1);
    b.byte(2136, 9).text(server(3), std::string("host:23\0old", 11)).text(server(19), std::string(255, 's'));
    b.byte(7237, 1)
        .text(7238 + 1024 * 19, std::string(1024, 'l'))
        .text(27718 + 1024 * 19, std::string(1024, 'o'));
    b.byte(48198, 0x55).byte(48199, 0x66);
    return b;
}

TEST(Settings, AnUnchangedVersion2FileIsWrittenBackByteForByte) {
    const std::string file = oddVersion2File().s;
    const Settings s = Settings::fromImage(file);
    EXPECT_TRUE(s.autoscroll);
    EXPECT_EQ(s.treeWidth, 5001);  // only the oldest layout gets repaired
    EXPECT_EQ(s.displayFont.faceName, "Lucida Console");
    // Texts end at their terminator or one byte before the slot's end, whatever follows.
    EXPECT_EQ(s.nicknames[0], "Gast");
    EXPECT_EQ(s.nicknames[1], std::string(99, 'n'));
    EXPECT_EQ(s.servers[3], "host:23");
    EXPECT_EQ(s.servers[19], std::string(254, 's'));  // not running on into AutoChatChange
    EXPECT_EQ(s.loginTexts[19], std::string(1023, 'l'));
    EXPECT_EQ(s.logoutTexts[19], std::string(1023, 'o'));
    EXPECT_EQ(s.image(), file);
}

TEST(Settings, OnlyChangedFieldsAreRewritten) {
    const std::string file = oddVersion2File().s;
    Settings s = Settings::fromImage(file);
    s.logfile = false;
    s.nicknames[0] = "Anna";
    s.servers[3] = "host:23";  // same text: its leftovers stay
    const std::string image = s.image();
    std::string expected = file;
    expected[2010] = 0;
    expected.replace(4, 100, Bytes(100).text(0, "Anna").s);
    EXPECT_EQ(image, expected);
}

TEST(Settings, EmptyServerListGetsTheDefaultsBackButOnlyInVersion2) {
    Bytes file(Settings::Size);
    file.i32(0, 2).text(server(5) + 1, "behind a terminator");
    Bytes expected = file;
    expected.text(server(0), "brenn-chat.example:28").text(server(1), "chat.brenn-chat.example:2001");
    EXPECT_EQ(Settings::fromImage(file.s).image(), expected.s);

    file.i32(0, 7);  // a later version is taken as it is, only relabelled
    EXPECT_EQ(Settings::fromImage(file.s).image(), version2 + file.s.substr(4));
}

TEST(Settings, Layout1KeepsItsValuesAndGainsAHiddenChatColumn) {
    Bytes b(Settings::Size);
    b.i32(0, 1).text(4, "Anna").text(4 + 100 * 19, "Zoe");
    b.byte(2005, 1).byte(2012, 1).text(2016 + 28, "Courier");
    b.i32(2076, 10).i32(2084, 810).i32(2092, 5001).i32(2100, 70);
    b.i32(2104, 120).i32(2108, 480).i32(2112, 90);  // three widths
    b.i32(2116, 2).i32(2120, 0).i32(2124, 1);       // three display-order entries
    b.byte(2128, 0).byte(2136, 1);                  // the ignore announcement moves from 2128
    b.text(server(0), "alt.example:1").text(server(4), "x:2").text(7238 + 1024 * 2, "Hallo");

    const Settings s = Settings::fromImage(b.s);
    EXPECT_EQ(s.nicknames[0], "Anna");
    EXPECT_EQ(s.nicknames[19], "Zoe");
    EXPECT_TRUE(s.autosize);
    EXPECT_TRUE(s.smallIcons);
    EXPECT_EQ(s.displayFont.faceName, "Courier");
    EXPECT_EQ(s.windowRect, (WindowRect{10, 0, 810, 0}));
    EXPECT_EQ(s.treeWidth, 5001);
    EXPECT_EQ(s.artBoxWidth, 70);
    EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 4>{120, 480, 90, 0}));
    EXPECT_EQ(s.columnOrder, (std::array<std::int32_t, 4>{3, 2, 0, 1}));
    EXPECT_FALSE(s.announceIgnore);
    EXPECT_EQ(s.servers, (Settings{}.servers));  // slot 4 emptied
    EXPECT_EQ(s.loginTexts[2], "Hallo");
    EXPECT_EQ(s.image().substr(0, 4), version2);
}

// Layout 0 has no version word: its first word is the font height.
class Layout0 : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(Layout0, EveryFieldLandsWhereLayout2KeepsIt) {
    Bytes b(2128);
    b.i32(0, GetParam()).i32(16, 700).byte(20, 1).byte(27, 49).text(28, "Courier");
    b.byte(60, 0).text(61, "Gast").text(161, "Bob");
    b.byte(2061, 1).byte(2062, 0).byte(2063, 1).i32(2064, 5001);
    b.byte(2068, 0).byte(2069, 1).byte(2070, 1).byte(2071, 1);
    b.i32(2072, 0).i32(2076, 300).i32(2080, 80);  // widths; Name repaired
    b.i32(2084, 2).i32(2088, 1).i32(2092, 0);     // order of three columns
    b.byte(2096, 1).i32(2100, 4).i32(2104, 0);    // ignore announcement, art fonts, art box
    b.byte(2108, 1).i32(2112, 5).i32(2116, 6).i32(2120, 700).i32(2124, 400);

    const Settings s = Settings::fromImage(b.s);
    EXPECT_EQ(s.displayFont, (LogFont{GetParam(), 0, 0, 0, 700, 1, 0, 0, 0, 0, 0, 0, 49, "Courier"}));
    EXPECT_EQ(s.nicknames[0], "Gast");
    EXPECT_EQ(s.nicknames[1], "Bob");
    const std::pair<bool, bool> flags[] = {
        {s.autoscroll, false},          {s.autosize, true},   {s.sound, false},         {s.logfile, true},
        {s.clearInputAfterSend, false}, {s.autoTop, true},    {s.autoSend, true},       {s.autowhisper, true},
        {s.announceIgnore, true},       {s.smallIcons, true}, {s.autoChatChange, false}};
    for (std::size_t i = 0; i < std::size(flags); ++i)
        EXPECT_EQ(flags[i].first, flags[i].second) << "flag " << i;
    EXPECT_EQ(s.treeWidth, 110);
    EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 4>{100, 300, 80, 0}));
    EXPECT_EQ(s.columnOrder, (std::array<std::int32_t, 4>{3, 2, 1, 0}));
    EXPECT_EQ(s.artFontCount, 4);
    EXPECT_EQ(s.artBoxWidth, 65);
    EXPECT_EQ(s.windowRect, (WindowRect{5, 6, 700, 400}));
    EXPECT_EQ(s.servers[0], "brenn-chat.example:28");
    EXPECT_EQ(s.image().substr(0, 4), version2);
}

INSTANTIATE_TEST_SUITE_P(Settings, Layout0, ::testing::Values(1, 2, -12));

TEST(Settings, AnEmptyFileIsLayout0WithEveryRepair) {
    const Settings s = Settings::fromImage("");
    EXPECT_EQ(s.treeWidth, 110);
    EXPECT_EQ(s.artBoxWidth, 65);
    EXPECT_EQ(s.windowRect, WindowRect{});
    EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 4>{100, 500, 100, 0}));
    EXPECT_EQ(s.columnOrder, (std::array<std::int32_t, 4>{3, 0, 1, 2}));
    EXPECT_FALSE(s.autoscroll || s.sound || s.announceIgnore);
    EXPECT_EQ(s.servers[1], "chat.brenn-chat.example:2001");
}

TEST(Settings, OnlyTheFirst48200BytesOfALongerFileCount) {
    const std::string file = oddVersion2File().s;
    const Settings s = Settings::fromImage(file + std::string(5000, 'x'));
    EXPECT_EQ(s.image(), file);
}

TEST(Settings, AFailedSaveIsShownAndKeepsTheOldFile) {
    using Step = test::ScriptedFileCalls::Step;
    for (const Step step : {Step::Create, Step::Write, Step::Sync, Step::Close, Step::Rename}) {
        TempDir dir;
        FakeDesktop desktop;
        const auto file = dir.path() / "settings.cfg";
        std::ofstream(file) << "old";
        test::ScriptedFileCalls calls;
        calls.failAt = step;
        EXPECT_FALSE(Settings{}.save(file, desktop, calls));
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(desktop.boxes[0].text, "Fehler beim Speichern der Einstellungen");
        EXPECT_EQ(desktop.boxes[0].caption, "Error");
        EXPECT_EQ(readFile(file).value_or(""), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

TEST(Settings, AHugeFileIsReadOnlyAsFarAsTheRecordGoes) {
    TempDir dir;
    FakeDesktop desktop;
    const auto file = dir.path() / "settings.cfg";
    const std::string record = oddVersion2File().s;
    std::ofstream(file, std::ios::binary) << record;
    // Ten gigabytes (sparse on disk): reading them all would take minutes and the memory.
    std::filesystem::resize_file(file, 10ULL << 30);
    Settings s;
    EXPECT_TRUE(s.load(file, desktop, nullptr));
    EXPECT_EQ(s.image(), record);
    EXPECT_TRUE(desktop.boxes.empty());
}

}  // namespace
}  // namespace tavik
