#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "art/WrappedText.h"
#include "fakes/ClientFixture.h"
#include "fakes/FileChecks.h"

namespace tavik::test {
namespace {

namespace fs = std::filesystem;

// The rows of a composed text, each followed by "\r" as the send path has them.
std::string rows(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r";
    return out;
}

std::string repeated(const std::string& word, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += (i > 0 ? " " : "") + word;
    return out;
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const std::string Eule = "(o o)\r\n ( )\r\n  v";

// A working directory with "inline" holding the owl picture, and a file beside
// "inline" that no word may reach.
class InlinePictureTest : public ::testing::Test {
protected:
    InlinePictureTest() {
        fs::create_directories(inlineDir());
        writeBytes(inlineDir() / "eule", Eule);
        writeBytes(dir.path() / "geheim", "GEHEIM");
    }
    fs::path inlineDir() const { return dir.path() / "inline"; }
    std::string compose(const std::string& text, int heads = 0, int width = 80) {
        return WrappedText(text, heads, inlineDir()).compose(width, "\r");
    }
    // The single body word of `word`, loaded as the wrapper would.
    WordBlock picture(const std::string& word) {
        WrappedText wrapped(word, 0, inlineDir());
        return wrapped.bodyWords().at(0);
    }

    TempDir dir;
};

TEST(WordBlockTest, RowsComeFromLineFeedsAndStandAtTheBottom) {
    struct Case {
        std::string text;
        int rows;
        std::size_t width;
    };
    for (const Case& c : std::vector<Case>{
             {"", 1, 0}, {"wort", 1, 4}, {"a\nbcd", 2, 3}, {"ab\n", 2, 2}, {"\n", 2, 0}, {"\n\nx\n", 4, 1}}) {
        const WordBlock w(c.text);
        EXPECT_EQ(w.rowCount(), c.rows) << c.text;
        EXPECT_EQ(w.width(), c.width) << c.text;
    }

    // In a line of 3 rows a plain word shows blanks above itself, a head word
    // its own first row; rows are always padded to the word's width.
    WordBlock plain("ab\nc");
    HeadWord head("/w\nx");
    plain.setLineHeight(3);
    head.setLineHeight(3);
    const std::vector<std::string> plainRows{"  ", "ab", "c "};
    const std::vector<std::string> headRows{"/w", "/w", "x "};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(plain.getRow(r), plainRows[static_cast<std::size_t>(r)]) << r;
        EXPECT_EQ(head.getRow(r), headRows[static_cast<std::size_t>(r)]) << r;
    }
}

TEST(WrappedTextTest, ComposesPlainWords) {
    const std::string wort30 = repeated("wort", 30);
    struct Case {
        std::string text;
        int heads;
        int width;
        std::string expected;
    };
    const std::vector<Case> cases{
        // 13 words cost 78 <= 80, a 14th would cost 84.
        {wort30, 0, 80, rows({repeated("wort", 13), repeated("wort", 13), repeated("wort", 4)})},
        // Head words cost 4 + 7 and start every line.
        {"/w kater " + wort30, 2, 80,
         rows({"/w kater " + repeated("wort", 11), "/w kater " + repeated("wort", 11),
               "/w kater " + repeated("wort", 8)})},
        {"/w kater wort wort", 2, 17, rows({"/w kater wort", "/w kater wort"})},
        // Empty words keep their blanks, also at a line's end.
        {"a  b", 0, 80, rows({"a  b"})},
        {" +x", 0, 80, rows({" +x"})},
        {"a  b", 0, 5, rows({"a ", "b"})},
        {"", 0, 2, rows({""})},
        // Exactly at the width still fits.
        {"abc", 0, 5, rows({"abc"})},
        {"abc", 0, 4, ""},
        {"abc", 0, 0, ""},
        // Nothing to wrap behind the head words.
        {"/w kater", 2, 80, ""},
        // One word too long spoils the lines already composed.
        {wort30 + " " + std::string(79, 'x'), 0, 80, ""},
        {"/w kater wort", 2, 16, ""},
        // A negative head count means no head words.
        {"a b", -1, 80, rows({"a b"})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WrappedText(c.text, c.heads, "no-such-dir").compose(c.width, "\r"), c.expected)
            << "«" << c.text << "» heads " << c.heads << " width " << c.width;
    }
}

TEST(WrappedTextTest, ALaterLineNeverStartsWithACommand) {
    const std::string wort13 = repeated("wort", 13);  // 78 of 80: the next word starts a line
    struct Case {
        std::string text;
        int heads;
        std::string expected;
    };
    const Case cases[] = {
        {wort13 + " /e tschuess", 0, rows({wort13, " /e tschuess"})},
        {wort13 + " +1 stimmt", 0, rows({wort13, " +1 stimmt"})},
        {wort13 + " -x", 0, rows({wort13, " -x"})},
        {wort13 + " <x>", 0, rows({wort13, " <x>"})},
        {wort13 + " >x", 0, rows({wort13, " >x"})},
        {wort13 + " |", 0, rows({wort13, " |"})},
        // Behind the head words the blank goes where step 7 puts it for a whisper.
        {"/w kater " + repeated("wort", 11) + " /e x", 2,
         rows({"/w kater " + repeated("wort", 11), "/w kater  /e x"})},
        // Other words, and the first line (the user typed its start), stay as they are.
        {wort13 + " a/b", 0, rows({wort13, "a/b"})},
        {"/me /x", 1, rows({"/me /x"})},
        // The blank counts against the width: a word that then no longer fits
        // spoils the wrap, and the caller sends the text as one line.
        {"wort " + std::string(78, '+'), 0, ""},
        {"wort " + std::string(77, '+'), 0, rows({"wort", " " + std::string(77, '+')})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WrappedText(c.text, c.heads, "no-such-dir").compose(80, "\r"), c.expected) << c.text;
    }
}

TEST(WrappedTextTest, LineBreaksInTheTextAreBlanks) {
    // A CR or LF in the text made a word of two rows (a padded row) and could
    // put the rest at the start of a line of its own.
    for (const std::string text : {"geheim\r\n/e", "a\nb\rc", "\r/x ja", "/w kater a\n/e"}) {
        std::string blanked = text;
        for (char& c : blanked)
            if (c == '\r' || c == '\n') c = ' ';
        const int heads = text[0] == '/' ? 2 : 0;
        const std::string composed = WrappedText(text, heads, "no-such-dir").compose(80, "\r");
        EXPECT_EQ(composed, WrappedText(blanked, heads, "no-such-dir").compose(80, "\r"));
        EXPECT_EQ(composed.find('\n'), std::string::npos);
        EXPECT_EQ(std::count(composed.begin(), composed.end(), '\r'), 1) << text;
    }
}

TEST_F(InlinePictureTest, APictureAtTheStartOfALaterLineGetsTheBlank) {
    writeBytes(inlineDir() / "sonne", "\\ | /\n- o -\n/ | \\");
    const std::string wort11 = repeated("wort", 11);  // 66; the picture (5 + 2) and "ja" (4) do not fit
    EXPECT_EQ(compose(wort11 + " ab /sonne/ ja", 0, 73),
              rows({wort11 + " ab", " \\ | /   ", " - o -   ", " / | \\ ja"}));
}

TEST_F(InlinePictureTest, NamesMatchIgnoringCase) {
    writeBytes(inlineDir() / "Stern", "*");
    struct Case {
        std::string word;
        std::string expected;
    };
    for (const Case& c : {Case{"/Eule/", "(o o)"}, Case{"/EULE/", "(o o)"}, Case{"/eule/", "(o o)"},
                          Case{"/stern/", "*"}, Case{"/STERN/", "*"}, Case{"/Stern/", "*"}}) {
        EXPECT_EQ(picture(c.word).getRow(0), c.expected) << c.word;
    }
    // Of names that differ in case only, the exact one wins, else the first in byte order.
    writeBytes(inlineDir() / "EULE", "GROSS");
    if (std::filesystem::equivalent(inlineDir() / "EULE", inlineDir() / "eule")) {
        // A file system that ignores case (Windows) has one file under both names.
        for (const char* word : {"/EULE/", "/eule/", "/Eule/"})
            EXPECT_EQ(picture(word).getRow(0), "GROSS") << word;
    } else {
        EXPECT_EQ(picture("/EULE/").getRow(0), "GROSS");
        EXPECT_EQ(picture("/eule/").getRow(0), "(o o)");
        EXPECT_EQ(picture("/Eule/").getRow(0), "GROSS");
    }
    // The case search stays inside the directory.
    EXPECT_EQ(picture("/GEHEIM/").width(), 0U);
}

TEST_F(InlinePictureTest, PicturesStandBesideTheWords) {
    EXPECT_EQ(compose("hi /eule/ du"), rows({"   (o o)   ", "    ( )    ", "hi   v   du"}));

    // A final line feed gives an empty fourth row.
    writeBytes(inlineDir() / "eule", Eule + "\n");
    EXPECT_EQ(compose("hi /eule/ du"), rows({"   (o o)   ", "    ( )    ", "     v     ", "hi       du"}));

    // Head words show on every row; head words are never pictures.
    writeBytes(inlineDir() / "eule", "(o o)\n ( )\n  v");
    EXPECT_EQ(compose("/w kater /eule/", 2), rows({"/w kater (o o)", "/w kater  ( ) ", "/w kater   v  "}));
    EXPECT_EQ(compose("/eule/ x", 1), rows({"/eule/ x"}));
    EXPECT_EQ(compose("/w kater /eule/ x", 3), rows({"/w kater /eule/ x"}));

    // The line is as high as its tallest word; the next line starts afresh.
    EXPECT_EQ(compose("/eule/ ab cd", 0, 10), rows({"(o o)", " ( ) ", "  v  ", "ab cd"}));
    // Used twice, read once, shown twice.
    EXPECT_EQ(compose("/eule/ /eule/"), rows({"(o o) (o o)", " ( )   ( ) ", "  v     v  "}));
    // A picture wider than the width cannot be wrapped.
    EXPECT_EQ(compose("/eule/", 0, 6), "");
}

TEST_F(InlinePictureTest, MissingPicturesAreTwoEmptyRows) {
    // A lone "/" is a picture without a name.
    EXPECT_EQ(compose("a / b"), rows({"    ", "a  b"}));
    EXPECT_EQ(compose("x /fehlt/"), rows({"  ", "x "}));
    const WordBlock missing = picture("/fehlt/");
    EXPECT_EQ(missing.rowCount(), 2);
    EXPECT_EQ(missing.width(), 0U);
}

TEST_F(InlinePictureTest, NamesAreWindows1252) {
    writeBytes(inlineDir() / fs::path(u8"k\u00e4tzchen"), "=^.^=");
    EXPECT_EQ(compose("/k\xE4tzchen/"), rows({"=^.^="}));
    // The euro sign is 0x80 in Windows-1252; the name must not be taken as Latin-1.
    writeBytes(inlineDir() / fs::path(u8"\u20AC"), "EUR");
    EXPECT_EQ(compose("/\x80/"), rows({"EUR"}));
}

TEST_F(InlinePictureTest, NamesCannotLeaveTheDirectory) {
    fs::create_directories(inlineDir() / "sub");
    writeBytes(inlineDir() / "sub" / "pic", "GEHEIM");

    const std::u8string outside = (dir.path() / "geheim").u8string();
    // Appended: «"/" + std::string(...)» draws a false -Wrestrict from GCC 12 at -O3.
    std::string absolute = "/";
    absolute.append(outside.begin(), outside.end());
    absolute += '/';
    for (const std::string& word :
         std::vector<std::string>{"/../geheim/", "/../", "/./", "//", "/sub/pic/", "/sub\\pic/", absolute,
                                  "/sub/", "/C:geheim/", std::string("/eule\0x/", 8)}) {
        const WordBlock w = picture(word);
        EXPECT_EQ(w.rowCount(), 2) << word;
        EXPECT_EQ(w.width(), 0U) << word;
    }
}

TEST_F(InlinePictureTest, LinksCannotLeaveTheDirectory) {
    std::error_code ec;
    if (!makeSymlink(dir.path() / "geheim", inlineDir() / "link-out", ec))
        GTEST_SKIP() << "symbolic links cannot be made here: " << ec.message();
    ASSERT_TRUE(makeSymlink(inlineDir() / "eule", inlineDir() / "link-in", ec)) << ec.message();
    ASSERT_TRUE(makeSymlink(dir.path(), inlineDir() / "dir-out", ec)) << ec.message();

    for (const std::string word : {"/link-out/", "/dir-out/"}) {
        const WordBlock w = picture(word);
        EXPECT_EQ(w.rowCount(), 2) << word;
        EXPECT_EQ(w.width(), 0U) << word;
    }
    EXPECT_EQ(picture("/link-in/").getRow(0), "(o o)");

    // The directory itself may well be a link somewhere else.
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::rename(inlineDir(), elsewhere);
    ASSERT_TRUE(makeSymlink(elsewhere, inlineDir(), ec)) << ec.message();
    EXPECT_EQ(picture("/eule/").rowCount(), 3);
}

TEST_F(InlinePictureTest, BigPicturesAreRefused) {
    struct Case {
        std::string bytes;
        int rows;  // 2 with width 0: refused like a missing file
        std::size_t width;
    };
    const std::size_t limit = MaxInlinePictureBytes;
    std::string rows100;
    for (int i = 0; i < 99; ++i)
        rows100 += "x\n";
    rows100 += "x";
    const std::vector<Case> cases{
        {std::string(limit, 'x'), 1, limit},
        {std::string(limit + 1, 'x'), 2, 0},
        // CR LF shrinks to one character, but the file's size counts.
        {std::string(limit / 2 + 1, '\r') + std::string(limit / 2, '\n'), 2, 0},
        {rows100, 100, 1},
        {rows100 + "\n", 2, 0},
        // A zero byte ends the picture, so it is never sent.
        {std::string("ab\0cd\nef", 8), 1, 2},
    };
    for (const Case& c : cases) {
        writeBytes(inlineDir() / "bild", c.bytes);
        const WordBlock w = picture("/bild/");
        EXPECT_EQ(w.rowCount(), c.rows) << c.bytes.size();
        EXPECT_EQ(w.width(), c.width) << c.bytes.size();
    }
    // Ten gigabytes (sparse on disk) are refused after one byte past the limit.
    writeBytes(inlineDir() / "bild", "x");
    fs::resize_file(inlineDir() / "bild", 10ULL << 30);
    EXPECT_EQ(picture("/bild/").rowCount(), 2);
    EXPECT_EQ(readWholeTextFile(inlineDir() / "bild"), "\n");
}

TEST_F(InlinePictureTest, ReadWholeTextFileReadsInTextMode) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases{
        {"a\r\nb", "a\nb"},
        {"a\rb\r", "a\nb\n"},
        {"a\r\r\nb", "a\n\nb"},
        {"a\n\rb", "a\n\nb"},
        {"ab\x1A\r\ncd", "ab"},
        {"", ""},
        // Byte 255 is the letter ÿ, not an end of file.
        {"m\xFFller\xFF\nx", "m\xFFller\xFF\nx"},
    };
    for (const Case& c : cases) {
        writeBytes(inlineDir() / "t", c.bytes);
        EXPECT_EQ(readWholeTextFile(inlineDir() / "t"), c.text) << c.bytes;
    }
    EXPECT_EQ(readWholeTextFile(inlineDir() / "fehlt"), "\n");
    EXPECT_EQ(readWholeTextFile(inlineDir()), "\n");

    writeBytes(inlineDir() / "y", "\xFF\xFF\n\xFF");
    EXPECT_EQ(compose("/y/"), rows({"\xFF\xFF", "\xFF "}));
}

}  // namespace
}  // namespace tavik::test
