// Our options file beside settings.cfg: what we do not know is kept, what is
// malformed never turns an option round, and a file that is not ours is never
// written over.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>

#include "config/Options.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

TEST(Options, TextRoundTripsAndKeepsWhatItDoesNotKnow) {
    struct Case {
        const char* what;
        std::string file;
        bool confirmPaste;
        bool whispersOnly;
        std::string written;  // with confirmPaste and whispersOnly turned round
    };
    // The options none of the cases names, as they are written behind the rest.
    const std::string rest =
        "send_umlauts_unchanged=0\nsave_input_history=0\ncoloured_names=1\nreconnect=1\n"
        "notify_whispers=1\nnotify_chatwatch=1\nnotify_word_sounds=1\ntray_icon=1\nclose_to_tray=0\nrows="
        "500\n"
        "announce=whispers,chatwatch\n";
    const Case cases[] = {
        {"empty", "", true, false, "confirm_multiline_paste=0\naway_answers_whispers_only=1\n" + rest},
        {"unknown keys and comments stay in their place",
         "# von Hand\nzukunft=42\nconfirm_multiline_paste = 0\n\nfarbe=blau\n", false, false,
         "# von Hand\nzukunft=42\nconfirm_multiline_paste=1\n\nfarbe=blau\naway_answers_whispers_only=1\n" +
             rest},
        {"CR LF and a byte order mark",
         "\xEF\xBB\xBF"
         "away_answers_whispers_only=ja\r\n",
         true, true, "away_answers_whispers_only=0\nconfirm_multiline_paste=0\n" + rest},
        {"a value that is no flag changes nothing", "confirm_multiline_paste=vielleicht\n", true, false,
         "confirm_multiline_paste=0\naway_answers_whispers_only=1\n" + rest},
        {"the last of two wins, the first place keeps it",
         "confirm_multiline_paste=1\nx=y\nconfirm_multiline_paste=0\n", false, false,
         "confirm_multiline_paste=1\nx=y\naway_answers_whispers_only=1\n" + rest},
        {"no line end at the end", "kaputt ohne gleich", true, false,
         "kaputt ohne gleich\nconfirm_multiline_paste=0\naway_answers_whispers_only=1\n" + rest},
    };
    for (const Case& c : cases) {
        Options o = Options::fromText(c.file);
        EXPECT_EQ(o.confirmMultilinePaste, c.confirmPaste) << c.what;
        EXPECT_EQ(o.awayAnswersWhispersOnly, c.whispersOnly) << c.what;
        o.confirmMultilinePaste = !o.confirmMultilinePaste;
        o.awayAnswersWhispersOnly = !o.awayAnswersWhispersOnly;
        EXPECT_EQ(o.text(), c.written) << c.what;
        // What was written reads back the same.
        EXPECT_EQ(Options::fromText(o.text()), o) << c.what;
    }
}

// The rows kept: four choices; anything else in the file reads as 500 and is written so.
TEST(Options, RowsTakeOnlyTheirFourChoices) {
    const std::pair<const char*, int> cases[] = {
        {"rows=2000", 2000}, {"rows = 10000", 10000},    {"rows=50000", 50000}, {"rows=500", 500},
        {"rows=1000", 500},  {"rows=-2000", 500},        {"rows=2000x", 500},   {"rows=0x7D0", 500},
        {"rows=", 500},      {"rows=999999999999", 500}, {"rows=02000", 500},   {"# rows=2000", 500},
    };
    for (const auto& [file, rows] : cases) {
        const Options o = Options::fromText(file);
        EXPECT_EQ(o.rows, rows) << file;
        EXPECT_NE(o.text().find("rows=" + std::to_string(rows) + "\n"), std::string::npos) << file;
    }
    Options o;
    o.rows = 1234;  // never written as it is
    EXPECT_NE(o.text().find("rows=500\n"), std::string::npos);
    o.rows = 10000;
    EXPECT_EQ(Options::fromText(o.text()).rows, 10000);
}

TEST(Options, FilesThatAreMissingOrNotOurs) {
    TempDir dir;
    const auto file = dir.path() / std::string(Options::FileName);
    Options o;
    EXPECT_FALSE(o.load(file));  // a first start: the defaults
    EXPECT_EQ(o, Options());
    o.awayAnswersWhispersOnly = true;
    ASSERT_TRUE(o.save(file));
    Options again;
    EXPECT_TRUE(again.load(file));
    EXPECT_TRUE(again.awayAnswersWhispersOnly);

    // Far too big to be ours: the defaults, and the file is left as it is.
    const std::string big(Options::MaxFileSize + 1, '#');
    std::ofstream(file, std::ios::binary) << big;
    Options foreign;
    EXPECT_FALSE(foreign.load(file));
    EXPECT_EQ(foreign, Options());
    EXPECT_FALSE(foreign.save(file));
    EXPECT_EQ(std::filesystem::file_size(file), big.size());
}

// The engine saves the options with the settings and reads them at start.
TEST_F(ClientTest, OptionsTravelWithTheSettings) {
    client.options().confirmMultilinePaste = false;
    ASSERT_TRUE(client.saveSettings());
    FakeTransport t;
    FakeDesktop d;
    Client next(t, d, clock, dir.path());
    next.loadFiles([] { return LogFont{}; });
    EXPECT_FALSE(next.options().confirmMultilinePaste);
}

}  // namespace
}  // namespace tavik::test
