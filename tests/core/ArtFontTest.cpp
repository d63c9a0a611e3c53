#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "art/ArtFont.h"
#include "art/ArtFontSet.h"
#include "fakes/ClientFixture.h"
#include "fakes/Fakes.h"
#include "platform/FileNames.h"

namespace tavik {
namespace {

using test::FakeDesktop;
using test::TempDir;
using namespace std::string_literals;

// Font files are written line by line with the CR LF ends the shipped ones use.
std::string lines(std::initializer_list<std::string> list) {
    std::string text;
    for (const std::string& line : list)
        text += line + "\r\n";
    return text;
}

struct Loaded {
    ArtFont font;
    FakeDesktop desktop;
    bool ok = false;
};

std::unique_ptr<Loaded> parse(const std::string& bytes) {
    auto loaded = std::make_unique<Loaded>();
    loaded->ok = loaded->font.loadFromBytes(bytes, "fonts\\t.fnt", loaded->desktop);
    return loaded;
}

std::vector<std::string> rowsOf(const ArtFont& font, std::uint8_t glyph) {
    const auto& rows = font.glyph(glyph).rows;
    return rows ? *rows : std::vector<std::string>{};
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// ---------------------------------------------------------------- parsing

TEST(ArtFontLoad, KeyLinesNeedTheirSeparatorAndIgnoreCase) {
    struct Case {
        std::string first;
        bool ok;
    };
    for (const Case& c :
         {Case{"height: 3", true}, Case{"HEIGHT: 3", true}, Case{"HEIGHT:\t3", true}, Case{"HEIGHT:3", false},
          Case{"HEIGHT:", false}, Case{"WIDTH: 3", false}, Case{"", false}}) {
        const auto r = parse(lines({c.first}));
        EXPECT_EQ(r->ok, c.ok) << c.first;
        EXPECT_TRUE(r->desktop.boxes.empty()) << c.first;
        if (c.ok) {
            EXPECT_EQ(r->font.height(), 3u) << c.first;
        }
    }
}

TEST(ArtFontLoad, SectionGivesWidthRowsAndCharacters) {
    const auto r = parse(lines({"HEIGHT: 3", "WIDTH: 1", "x", "x", "x",  // glyph 0
                                "WIDTH: 4", "ZEICHEN: A a", "#  #", "####", "#  #"}));
    ASSERT_TRUE(r->ok);
    const ArtGlyph& g = r->font.glyph(1);
    EXPECT_EQ(g.width, 4);
    EXPECT_EQ(g.height, 3);
    EXPECT_EQ(rowsOf(r->font, 1), (std::vector<std::string>{"#  #", "####", "#  #"}));
    EXPECT_EQ(r->font.glyphNumber('A'), 1);
    EXPECT_EQ(r->font.glyphNumber('a'), 1);
    EXPECT_EQ(r->font.glyphNumber('B'), 1);  // still the default table's glyph of "B"
    EXPECT_TRUE(r->desktop.boxes.empty());
}

TEST(ArtFontLoad, CharacterLists) {
    struct Case {
        std::string list;
        std::vector<std::pair<char, int>> expected;  // character, glyph number
    };
    const std::string many = "ZEICHEN:" + std::string(3000, ' ') + "x" + std::string(5000, 'y') + " z";
    for (const Case& c : {
             Case{"ZEICHEN: \xA7", {{' ', 1}}},
             Case{"ZEICHEN: Aa", {{'A', 1}, {'a', 0}}},
             Case{"ZEICHEN:AB", {{'A', 0}, {'B', 1}}},
             Case{"ZEICHEN:   !    \xE4  ", {{'!', 1}, {'\xE4', 1}, {' ', 36}}},
             Case{many, {{'x', 1}, {'y', 24}, {'z', 1}}},
             Case{"ZEICHEN:  ", {{' ', 36}}},
         }) {
        const auto r = parse(lines({"HEIGHT: 1", "x", c.list, "y"}));
        ASSERT_TRUE(r->ok) << c.list;
        for (const auto& [ch, glyph] : c.expected)
            EXPECT_EQ(r->font.glyphNumber(ch), glyph) << c.list;
    }
    // Later assignments win.
    const auto r = parse(lines({"HEIGHT: 1", "ZEICHEN: q", "x", "ZEICHEN: Q q", "y"}));
    EXPECT_EQ(r->font.glyphNumber('q'), 1);
    EXPECT_EQ(r->font.glyphNumber('Q'), 1);
}

TEST(ArtFontLoad, RowsAreCutOrFilledToWidthPlusEsc) {
    const auto r = parse(lines({"HEIGHT: 2", "WIDTH: 4", "#####", "#",  //
                                "ESC: 2", "WIDTH: 1", "ZEICHEN: Q", "\x1b[#", "\x1b[#x"}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(rowsOf(r->font, 0), (std::vector<std::string>{"####", "#   "}));
    EXPECT_EQ(rowsOf(r->font, 1), (std::vector<std::string>{"\x1b[#", "\x1b[#"}));
    // The first fault of the file is shown; the second row is cut silently.
    ASSERT_EQ(r->desktop.boxes.size(), 1u);
    EXPECT_EQ(r->desktop.boxes[0].text,
              "Font-Fehler: Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, \xA7, Zeile: 1, "
              "Solll\xE4"
              "nge: 4, Istl\xE4"
              "nge: 5");
    EXPECT_EQ(r->desktop.boxes[0].caption, "error");
    const auto q = parse(lines({"HEIGHT: 2", "ESC: 2", "WIDTH: 1", "ZEICHEN: Q", "\x1b[#", "\x1b[#x"}));
    ASSERT_EQ(q->desktop.boxes.size(), 1u);
    EXPECT_EQ(q->desktop.boxes[0].text,
              "Font-Fehler: Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, Q, Zeile: 2, "
              "Solll\xE4"
              "nge: 3, Istl\xE4"
              "nge: 4");
}

TEST(ArtFontLoad, ADamagedFileGivesOneMessageAtMost) {
    // Sections without WIDTH lines: every row of every glyph is too long.
    std::string noWidths = "HEIGHT: 100\r\n";
    for (int i = 0; i < 256 * 100; ++i)
        noWidths += "#\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        bool ok;
        std::string message;
    };
    const Case cases[] = {
        {"25,600 rows too long", noWidths, true,
         "Font-Fehler: Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, \xA7, Zeile: 1, Solll\xE4"
         "nge: 0, Istl\xE4"
         "nge: 1"},
        {"a row too long, then a negative width", lines({"HEIGHT: 1", "WIDTH: 1", "##", "WIDTH: -1"}), false,
         "Font-Fehler: Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, \xA7, Zeile: 1, Solll\xE4"
         "nge: 1, Istl\xE4"
         "nge: 2"},
        {"a row too long, then sizes beyond the bounds",
         lines({"HEIGHT: 1", "WIDTH: 1", "##", "WIDTH: 5000"}), false,
         "Font-Fehler: Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, \xA7, Zeile: 1, Solll\xE4"
         "nge: 1, Istl\xE4"
         "nge: 2"},
    };
    for (const Case& c : cases) {
        const auto r = parse(c.bytes);
        EXPECT_EQ(r->ok, c.ok) << c.what;
        ASSERT_EQ(r->desktop.boxes.size(), 1u) << c.what;
        EXPECT_EQ(r->desktop.boxes[0].text, c.message) << c.what;
    }
    // The rows are still cut to their width.
    EXPECT_EQ(rowsOf(parse(noWidths)->font, 255), std::vector<std::string>(100, ""));
}

TEST(ArtFontSet, AFontFileOverOneMegabyteIsSkippedAndReported) {
    TempDir dir;
    const std::string good = lines({"HEIGHT: 1", "WIDTH: 1", "#"});
    writeFile(dir.path() / "a.fnt", good);
    // Exactly 1 MiB still loads; one byte more is refused unread.
    writeFile(dir.path() / "b.fnt", good + std::string(1024 * 1024 - good.size(), '\x1a'));
    writeFile(dir.path() / "c.fnt", good + std::string(1024 * 1024 - good.size() + 1, '\x1a'));
    writeFile(dir.path() / "d.fnt", good);
    // Ten gigabytes (sparse on disk): reading them would take minutes and the memory.
    writeFile(dir.path() / "e.fnt", good);
    std::filesystem::resize_file(dir.path() / "e.fnt", 10ULL << 30);
    FakeDesktop desktop;
    ArtFontSet set;
    set.load(dir.path(), desktop);
    ASSERT_EQ(set.names(), (std::vector<std::string>{"a.fnt", "b.fnt", "c.fnt", "d.fnt", "e.fnt"}));
    // Both refusals in the one box of the load.
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text,
              "Font-Fehler in 2 Font-Dateien: c.fnt, e.fnt\nErster Fehler: Font-Fehler: Datei zu gross (mehr "
              "als 1 MB), nicht geladen. Font: " +
                  (dir.path() / "c.fnt").string());
    EXPECT_EQ(desktop.boxes[0].caption, "error");
    EXPECT_TRUE(set.font(0).height());
    EXPECT_TRUE(set.font(1).height());
    EXPECT_FALSE(set.font(2).height());  // keeps its slot, draws nothing
    EXPECT_TRUE(set.font(3).height());
    EXPECT_FALSE(set.font(4).height());
}

TEST(ArtFontSet, AllFaultsOfALoadMakeOneBox) {
    struct Case {
        int faulty;
        std::string named;  // the box's first line
    };
    const std::vector<Case> cases = {
        {1, ""},  // one fault: its own message, as it always was
        {3, "Font-Fehler in 3 Font-Dateien: bad0000.fnt, bad0001.fnt, bad0002.fnt"},
        {5, "Font-Fehler in 5 Font-Dateien: bad0000.fnt, bad0001.fnt, bad0002.fnt, bad0003.fnt, bad0004.fnt"},
        {1000,
         "Font-Fehler in 1000 Font-Dateien: bad0000.fnt, bad0001.fnt, bad0002.fnt, bad0003.fnt, bad0004.fnt "
         "und 995 weitere"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.path() / "good.fnt", lines({"HEIGHT: 1", "WIDTH: 1", "#"}));
        for (int i = 0; i < c.faulty; ++i) {
            const std::string number = std::to_string(i);
            const std::string name = "bad" + std::string(4 - number.size(), '0') + number + ".fnt";
            writeFile(dir.path() / name, lines({"HEIGHT: 1", "WIDTH: -1"}));
        }
        std::string first;
        ArtFont().load(dir.path() / "bad0000.fnt", first);
        ASSERT_FALSE(first.empty());

        FakeDesktop desktop;
        ArtFontSet set;
        set.load(dir.path(), desktop);
        ASSERT_EQ(set.count(), static_cast<std::size_t>(c.faulty) + 1) << c.faulty;
        EXPECT_TRUE(set.font(static_cast<std::size_t>(c.faulty)).height()) << c.faulty;  // good.fnt
        ASSERT_EQ(desktop.boxes.size(), 1u) << c.faulty;
        EXPECT_EQ(desktop.boxes[0].text, c.named.empty() ? first : c.named + "\nErster Fehler: " + first)
            << c.faulty;
        EXPECT_EQ(desktop.boxes[0].caption, "error");
    }
}

TEST(ArtFontLoad, KeysOutOfOrderArePictureRows) {
    const auto r = parse(lines({"HEIGHT: 2", "WIDTH: 4", "SUB: 1", "ab"}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->font.glyph(0).sub, 0);
    EXPECT_EQ(rowsOf(r->font, 0), (std::vector<std::string>{"SUB:", "ab  "}));
    EXPECT_EQ(r->desktop.boxes.size(), 1u);  // "SUB: 1" is longer than the width
}

TEST(ArtFontLoad, FileMayStopEarly) {
    const auto r = parse(lines({"HEIGHT: 2"}));
    ASSERT_TRUE(r->ok);
    for (int i = 0; i < ArtFont::GlyphCount; ++i) {
        const ArtGlyph& g = r->font.glyph(static_cast<std::uint8_t>(i));
        EXPECT_EQ(g.width, 0);
        EXPECT_EQ(rowsOf(r->font, static_cast<std::uint8_t>(i)), (std::vector<std::string>{"", ""}));
    }
    EXPECT_TRUE(r->desktop.boxes.empty());
}

TEST(ArtFontLoad, TextModeLineEnds) {
    struct Case {
        std::string bytes;
        std::vector<std::string> glyph0;
        std::vector<std::string> glyph1;
    };
    for (const Case& c : {
             Case{"HEIGHT: 2\nWIDTH: 3\na\rb\r\n\r\r\ncd\n", {"a\rb", "\r  "}, {"", ""}},
             Case{"HEIGHT: 2\r\nWIDTH: 2\r\nab\0cd\r\nWIDTH: 1\r\n"s, {"ab", "cd"}, {" ", " "}},
             Case{"HEIGHT: 1\r\nWIDTH: 2\r\nab\x1a\r\nWIDTH: 1\r\nx\r\n", {"ab"}, {""}},
             Case{"HEIGHT: 1\r\nWIDTH: 2\r\nab", {"ab"}, {""}},
         }) {
        const auto r = parse(c.bytes);
        ASSERT_TRUE(r->ok);
        EXPECT_EQ(rowsOf(r->font, 0), c.glyph0);
        EXPECT_EQ(rowsOf(r->font, 1), c.glyph1);
    }
}

TEST(ArtFontLoad, NumbersReadLikeAtoi) {
    struct Case {
        std::string value;
        int width;
    };
    for (const Case& c : {Case{"  +7", 7}, Case{"3abc", 3}, Case{"x", 0}, Case{"- 3", 0}, Case{"007", 7}}) {
        const auto r = parse(lines({"HEIGHT: 1", "WIDTH: " + c.value}));
        ASSERT_TRUE(r->ok) << c.value;
        EXPECT_EQ(r->font.glyph(0).width, c.width) << c.value;
    }
}

TEST(ArtFontLoad, NegativeWidthFailsTheFont) {
    const auto first = parse(lines({"HEIGHT: 1", "WIDTH: -1"}));
    EXPECT_FALSE(first->ok);
    ASSERT_EQ(first->desktop.boxes.size(), 1u);
    EXPECT_EQ(first->desktop.boxes[0].text,
              "Font-Fehler: pasAlph->width negativ, Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 1, "
              "\xA7, Zeile: 0, Solll\xE4"
              "nge: 0, Istl\xE4"
              "nge: 0");
    EXPECT_FALSE(first->font.height());

    // A later glyph repeats the last row read; the glyphs before it keep their rows.
    const auto later =
        parse(lines({"HEIGHT: 3", "WIDTH: 2", "ZEICHEN: K", "ab", "a", "", "WIDTH: -99999999999"}));
    EXPECT_FALSE(later->ok);
    ASSERT_EQ(later->desktop.boxes.size(), 1u);
    EXPECT_EQ(later->desktop.boxes[0].text,
              "Font-Fehler: pasAlph->width negativ, Laenge der Zeile falsch Font: fonts\\t.fnt, Zeichen: 2, "
              "\xA7, Zeile: 3, Solll\xE4"
              "nge: 2, Istl\xE4"
              "nge: 0");
    EXPECT_EQ(rowsOf(later->font, 0), (std::vector<std::string>{"ab", "a ", "  "}));
    EXPECT_FALSE(later->font.glyph(1).rows);
}

TEST(ArtFontLoad, SizesBeyondTheBoundsFailAsOutOfMemory) {
    struct Case {
        std::string keys;
        bool ok;
    };
    for (const Case& c : {
             Case{"HEIGHT: 100", true},
             Case{"HEIGHT: 101", false},
             Case{"HEIGHT: -1", false},
             Case{"HEIGHT: 99999999999999999999", false},
             Case{"HEIGHT: 1\r\nESC: 10\r\nWIDTH: 990", true},
             Case{"HEIGHT: 1\r\nESC: 11\r\nWIDTH: 990", false},
             Case{"HEIGHT: 1\r\nWIDTH: 2147483647", false},
             Case{"HEIGHT: 1\r\nESC: 2147483647\r\nWIDTH: 2147483647", false},
             Case{"HEIGHT: 1\r\nESC: -1\r\nWIDTH: 5", false},
             Case{"HEIGHT: 1\r\nESC: -2147483648", false},
             Case{"HEIGHT: 1\r\nSUB: 1000", true},
             Case{"HEIGHT: 1\r\nSUB: -1000", true},
             Case{"HEIGHT: 1\r\nSUB: 1001", false},
             Case{"HEIGHT: 1\r\nSUB: -1001", false},
         }) {
        const auto r = parse(c.keys + "\r\n");
        EXPECT_EQ(r->ok, c.ok) << c.keys;
        if (c.ok) {
            EXPECT_TRUE(r->desktop.boxes.empty()) << c.keys;
        } else {
            ASSERT_EQ(r->desktop.boxes.size(), 1u) << c.keys;
            EXPECT_EQ(r->desktop.boxes[0].text, "Zu wenig Speicher") << c.keys;
            EXPECT_FALSE(r->font.glyph(0).rows) << c.keys;
        }
    }
}

// ---------------------------------------------------------------- rendering

// A set with the one font `bytes`.
struct OneFont {
    explicit OneFont(const std::string& bytes) {
        writeFile(dir.path() / "f.fnt", bytes);
        set.load(dir.path(), desktop);
    }
    std::optional<std::string> render(std::string_view text, std::string_view prefix = " ", int budget = 60) {
        return set.render(0, text, prefix, 1, budget);
    }
    TempDir dir;
    FakeDesktop desktop;
    ArtFontSet set;
};

// Glyph 0 "A" and glyph 1 "B" of height 3, then `rest`.
std::string fontAB(const std::string& rest = "") {
    return lines({"HEIGHT: 3", "WIDTH: 2", "A1", "A2", "A3", "WIDTH: 3", "B1", "B2", "B3"}) + rest;
}

TEST(ArtFontRender, DrawsRowsOfGlyphRows) {
    OneFont f(fontAB());
    EXPECT_EQ(f.render("AB"), " A1B1 \r\n A2B2 \r\n A3B3 \r\n");
    EXPECT_EQ(f.render("Ab"), f.render("aB"));
    EXPECT_EQ(f.render("A", ""), "A1\r\nA2\r\nA3\r\n");
}

TEST(ArtFontRender, DefaultTableSharesGlyphs) {
    // Glyph i is the one-column row 'a' + i.
    std::string font = lines({"HEIGHT: 1"});
    for (int i = 0; i <= 36; ++i)
        font += lines({"WIDTH: 1", std::string(1, static_cast<char>('a' + i))});
    OneFont f(font);
    EXPECT_EQ(f.render("Hallo"), f.render("HALLO"));
    EXPECT_EQ(f.render(":?<"), " aaa\r\n");
    const std::string blankGlyph(1, static_cast<char>('a' + 36));
    EXPECT_EQ(f.render("!\xE4"), " " + blankGlyph + blankGlyph + "\r\n");
}

TEST(ArtFontRender, OverlapRules) {
    struct Case {
        int subtype;
        std::string row;
    };
    for (const Case& c : {Case{0, " #  +++ "}, Case{2, " #  #++ "}, Case{1, " #  +++ "}}) {
        OneFont f(lines({"HEIGHT: 1", "SUBTYPE: " + std::to_string(c.subtype), "WIDTH: 4", "#  #", "SUB: 1",
                         "WIDTH: 4", "+++ "}));
        EXPECT_EQ(f.render("AB"), c.row + "\r\n") << c.subtype;
    }
    // Under subtype 2 control and high characters count as empty cells.
    OneFont high(lines({"HEIGHT: 1", "SUBTYPE: 2", "WIDTH: 2", "#\xE4", "SUB: 1", "WIDTH: 2", "++"}));
    EXPECT_EQ(high.render("AB"), " #++\r\n");
}

TEST(ArtFontRender, BudgetTakesCharactersUntilTheWidthIsReached) {
    OneFont f(lines({"HEIGHT: 1", "WIDTH: 10", "0123456789", "WIDTH: 100", std::string(100, 'w')}));
    const auto six = f.render("AAAAAAAAAA");
    ASSERT_TRUE(six);
    std::string sixGlyphs;
    for (int i = 0; i < 6; ++i)
        sixGlyphs += "0123456789";
    EXPECT_EQ(*six, " " + sixGlyphs + "\r\n");
    EXPECT_EQ(f.render("BA"), " " + std::string(100, 'w') + "\r\n");  // one glyph wider than the budget
    EXPECT_EQ(f.render("A", " ", 0), "");                             // no room at all
    EXPECT_EQ(f.render("A", " ", -5), "");
    EXPECT_EQ(f.render("AA", " ", 1), " 0123456789\r\n");
}

TEST(ArtFontRender, NothingToDraw) {
    OneFont f(fontAB());
    EXPECT_EQ(f.set.render(-1, "A", " ", 1, 60), std::nullopt);
    EXPECT_EQ(f.set.render(1, "A", " ", 1, 60), std::nullopt);
    EXPECT_EQ(f.set.render(0, "", " ", 1, 60), std::nullopt);
    EXPECT_EQ(ArtFontSet().render(0, "A", " ", 1, 60), std::nullopt);
    for (const std::string& bad :
         {lines({"HEIGHT:3"}), lines({"HEIGHT: 3", "WIDTH: -2"}), lines({"HEIGHT: 101"})}) {
        OneFont failed(bad);
        EXPECT_EQ(failed.set.count(), 1u);
        EXPECT_EQ(failed.render("A"), std::nullopt) << bad;
    }
}

TEST(ArtFontRender, GlyphsWithoutRowsDrawNothing) {
    // The font stops at glyph 2 ("C"), which therefore has no rows, but A and B can still be drawn.
    OneFont f(fontAB(lines({"SUB: 2", "ESC: 5", "WIDTH: -7"})));
    ASSERT_EQ(f.desktop.boxes.size(), 1u);
    EXPECT_EQ(f.render("ACB"), " A1B1 \r\n A2B2 \r\n A3B3 \r\n");
    EXPECT_EQ(f.render("CCC"), " \r\n \r\n \r\n");
    const ArtFont& font = f.set.font(0);
    EXPECT_EQ(font.fit("CCCC", 1, 60).count, 4u);
}

TEST(ArtFontRender, OverlapsNeverReachOutsideTheRow) {
    struct Case {
        std::string prefix;
        int sub;
        std::string row;
    };
    // "B" is "XYZ" drawn `sub` characters over the end of "A" ("ab"); what would
    // land in front of the row or on its prefix is dropped, a negative sub leaves blanks.
    for (const Case& c : {Case{" ", 3, " YZ"}, Case{"", 3, "YZ"}, Case{"", 6, ""}, Case{">", -2, ">ab  XYZ"},
                          Case{"", 1000, ""}}) {
        OneFont f(lines({"HEIGHT: 1", "WIDTH: 2", "ab", "SUB: " + std::to_string(c.sub), "WIDTH: 3", "XYZ"}));
        EXPECT_EQ(f.render("AB", c.prefix), c.row + "\r\n") << c.prefix << c.sub;
    }
    // A later glyph drawn far back leaves the row where it ends.
    OneFont back(lines({"HEIGHT: 1", "WIDTH: 5", "abcde", "SUB: 4", "WIDTH: 1", "X"}));
    EXPECT_EQ(back.render("AB", ""), "aX\r\n");
}

TEST(ArtFontRender, EveryRowStartsWithThePrefixAndIsOneLine) {
    // Glyph "A" is "aa"; "B" is "/eb" drawn SUB characters back over it. A
    // SUB that reaches the row's leading blank must not put the "/" first.
    struct Case {
        int sub;
        std::string row;
    };
    for (const Case& c : {Case{0, " aa/eb"}, Case{1, " a/eb"}, Case{2, " /eb"}, Case{3, " eb"}, Case{4, " b"},
                          Case{5, " "}, Case{9, " "}}) {
        OneFont f(lines({"HEIGHT: 1", "WIDTH: 2", "aa", "SUB: " + std::to_string(c.sub), "WIDTH: 3", "/eb"}));
        EXPECT_EQ(f.render("AB"), c.row + "\r\n") << "SUB: " << c.sub;
    }
    // A lone CR in a font row (text mode keeps it) would end the row on the
    // wire and start a new line with the rest: it is drawn as a blank.
    OneFont cr("HEIGHT: 2\nWIDTH: 3\na\r/\n+\rb\n");
    EXPECT_EQ(cr.render("A"), " a /\r\n + b\r\n");
}

// ---------------------------------------------------------------- the set

TEST(ArtFontSet, EmptyOrMissingDirectoryGivesNoEntries) {
    TempDir dir;
    for (const auto& path : {dir.path(), dir.path() / "missing"}) {
        ArtFontSet set;
        FakeDesktop desktop;
        set.load(path, desktop);
        EXPECT_FALSE(set.loaded());
        EXPECT_TRUE(set.names().empty());
        EXPECT_EQ(set.count(), 0u);
        ArtFont font;
        EXPECT_FALSE(font.load(path / "f.fnt", desktop));
        EXPECT_TRUE(desktop.boxes.empty());
    }
}

TEST(ArtFontSet, EntriesAreThePlainFilesSortedIgnoringCase) {
    TempDir dir;
    writeFile(dir.path() / "b.fnt", lines({"HEIGHT: 2"}));
    writeFile(dir.path() / "A.fnt", lines({"HEIGHT: 1"}));
    writeFile(dir.path() / pathFromWindows1252("\xD6l.fnt"), lines({"HEIGHT: 4"}));  // "Öl.fnt"
    // A name Windows-1252 cannot write is no entry at all, rather than one that opens nothing.
    writeFile(dir.path() / std::filesystem::path(u8"\u65E5.fnt"), lines({"HEIGHT: 3"}));
    writeFile(dir.path() / "c.txt", "kein Font");
    writeFile(dir.path() / ".hidden", lines({"HEIGHT: 9"}));
    std::filesystem::create_directory(dir.path() / "d.fnt");

    ArtFontSet set;
    FakeDesktop desktop;
    set.load(dir.path(), desktop);
    ASSERT_TRUE(set.loaded());
    EXPECT_EQ(set.names(), (std::vector<std::string>{"A.fnt", "b.fnt", "c.txt", "\xD6l.fnt"}));
    ASSERT_EQ(set.count(), 4u);
    EXPECT_EQ(set.font(0).height(), 1u);
    EXPECT_EQ(set.font(1).height(), 2u);
    EXPECT_FALSE(set.font(2).height());  // failed, but keeps its slot
    EXPECT_EQ(set.font(3).height(), 4u);
    EXPECT_TRUE(desktop.boxes.empty());

    // Loading happens once.
    writeFile(dir.path() / "0.fnt", lines({"HEIGHT: 1"}));
    set.load(dir.path(), desktop);
    EXPECT_EQ(set.count(), 4u);
}

// ---------------------------------------------------------------- shipped fonts

TEST(ArtFontShipped, DemoFontsLoadCleanly) {
    // Not __FILE__: under ccache with a base_dir that path is relative to the
    // compiler's directory, not to where the test runs.
    const std::filesystem::path fonts = std::filesystem::path(TAVIK_SOURCE_DIR) / "demo" / "fonts";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fonts)) {
        if (entry.path().extension() != ".fnt") continue;
        ++count;
        const std::string name = entry.path().filename().string();
        ArtFont font;
        FakeDesktop desktop;
        ASSERT_TRUE(font.load(entry.path(), desktop)) << name;
        EXPECT_TRUE(desktop.boxes.empty())
            << name << ": " << (desktop.boxes.empty() ? "" : desktop.boxes[0].text);
        EXPECT_EQ(font.height(), 5u) << name;
        for (const char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")) {
            const ArtGlyph& g = font.glyph(font.glyphNumber(c));
            EXPECT_TRUE(g.rows && g.width > 0) << name << " " << c;
        }
        for (const char c : std::string("!?.,-:;'\"()+=/\xC4\xD6\xDC\xE4\xF6\xFC\xDF")) {
            EXPECT_NE(font.glyphNumber(c), font.glyphNumber(' ')) << name << " " << c;
            EXPECT_NE(font.glyphNumber(c), font.glyphNumber('A')) << name << " " << c;
        }
        for (const std::string& row : rowsOf(font, font.glyphNumber(' '))) {
            EXPECT_EQ(row.find_first_of("#@"), std::string::npos) << name;
        }
    }
    EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace tavik
