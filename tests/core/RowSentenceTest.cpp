// What a screen reader hears of the message list: one sentence per row, no
// blank rows, and which new rows are told as they arrive.

#include <gtest/gtest.h>

#include <string>

#include "chat/RowSentence.h"
#include "config/Options.h"

namespace tavik::test {
namespace {

TEST(RowSentence, EachKindReadsAsOneSentence) {
    struct Case {
        RowCells row;
        std::string said;  // Windows-1252
    };
    const Case cases[] = {
        {{LineKind::WhisperIn, "Anna", "12:03", "Hallo"}, "Fl\xFCstern von Anna, 12:03: Hallo"},
        {{LineKind::WhisperOut, "Anna", "12:03", "Hallo"}, "Fl\xFCstern an Anna, 12:03: Hallo"},
        {{LineKind::Public, "Anna", "12:03", "Hallo"},
         "Anna, \xF6"
         "ffentlich, 12:03: Hallo"},
        {{LineKind::Event, "Anna", "12:03", "betritt den Channel."},
         "Ereignis, 12:03: Anna betritt den Channel."},
        {{LineKind::Plain, "Gast", "12:03", "Willkommen"}, "Server, 12:03: Willkommen"},
        {{LineKind::Notice, " ", "12:03", "Es sind 3 Chatter da."}, "Hinweis: Es sind 3 Chatter da."},
        {{LineKind::Notice, "Du", "12:03", "bist im Channel Lobby."}, "Hinweis: Du bist im Channel Lobby."},
        {{LineKind::Alert, "Anna", "12:03", "hat den Chat betreten."},
         "Meldung: Anna hat den Chat betreten."},
        {{LineKind::Alert, " ", "12:03", "Die Verbindung wurde abgebrochen"},
         "Meldung: Die Verbindung wurde abgebrochen"},
        {{LineKind::InProgress, " ", "12:03", "Gib Deinen Na"}, "Wird empfangen: Gib Deinen Na"},
        // A wrapped piece begins with the blank it was cut at; umlauts stay bytes.
        {{LineKind::WhisperIn, "J\xFCrgen", "23:59", " und weiter "},
         "Fl\xFCstern von J\xFCrgen, 23:59: und weiter"},
        // Parts that are missing are left out with their commas and colons.
        {{LineKind::Public, " ", "12:03", "Hallo"},
         "\xF6"
         "ffentlich, 12:03: Hallo"},
        {{LineKind::WhisperIn, "Anna", "", "Hallo"}, "Fl\xFCstern von Anna: Hallo"},
        {{LineKind::WhisperIn, "Anna", "12:03", " "}, "Fl\xFCstern von Anna, 12:03"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rowSentence(c.row), c.said) << static_cast<int>(c.row.kind);
        EXPECT_FALSE(isFillerRow(c.row)) << c.said;
    }
}

TEST(RowSentence, RowsThatSayNothingAreFiller) {
    const RowCells blank[] = {
        {LineKind::Filler, " ", "", " "},
        {LineKind::Filler, "Anna", "12:03", "Hallo"},  // the kind alone decides
        {LineKind::InProgress, " ", "12:03", " "},
        {LineKind::Public, "", "12:03", ""},
    };
    for (const RowCells& row : blank) {
        EXPECT_TRUE(isFillerRow(row)) << static_cast<int>(row.kind);
        EXPECT_EQ(rowSentence(row), "") << static_cast<int>(row.kind);
    }
}

TEST(RowSentence, TheOptionDecidesWhatIsAnnounced) {
    const RowCells whisper{LineKind::WhisperIn, "Anna", "12:03", "Hallo"};
    const RowCells sent{LineKind::WhisperOut, "Anna", "12:03", "Hallo"};
    const RowCells watched{LineKind::Alert, "Anna", "12:03", "hat den Chat betreten."};
    const RowCells open{LineKind::Public, "Anna", "12:03", "Hallo"};
    const RowCells arriving{LineKind::InProgress, " ", "12:03", "Hal"};
    const RowCells filler{LineKind::Filler, " ", "", " "};
    struct Case {
        const char* what;
        AnnounceRows option;
        bool whisper, sent, watched, open;
    };
    const Case cases[] = {
        {"default", AnnounceRows{}, true, false, true, false},
        {"whispers only", {true, false, false}, true, false, false, false},
        {"ChatWatch only", {false, true, false}, false, false, true, false},
        {"all rows", {false, false, true}, true, true, true, true},
        {"off", {false, false, false}, false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isAnnounced(c.option, whisper), c.whisper) << c.what;
        EXPECT_EQ(isAnnounced(c.option, sent), c.sent) << c.what;
        EXPECT_EQ(isAnnounced(c.option, watched), c.watched) << c.what;
        EXPECT_EQ(isAnnounced(c.option, open), c.open) << c.what;
        // A line still arriving and a blank row are never told.
        EXPECT_FALSE(isAnnounced(c.option, arriving)) << c.what;
        EXPECT_FALSE(isAnnounced(c.option, filler)) << c.what;
    }
}

TEST(RowSentence, TheAnnounceOptionInTheFile) {
    struct Case {
        const char* line;
        AnnounceRows read;
        const char* written;
    };
    const Case cases[] = {
        {"", {true, true, false}, "announce=whispers,chatwatch"},
        {"announce=off", {false, false, false}, "announce=off"},
        {"announce = all", {false, false, true}, "announce=all"},
        {"announce=chatwatch, whispers", {true, true, false}, "announce=whispers,chatwatch"},
        {"announce=whispers,all", {true, false, true}, "announce=whispers,all"},
        // A word we do not know, or nothing at all, leaves the default.
        {"announce=whispers,laut", {true, true, false}, "announce=whispers,chatwatch"},
        {"announce=", {true, true, false}, "announce=whispers,chatwatch"},
    };
    for (const Case& c : cases) {
        const Options o = Options::fromText(c.line);
        EXPECT_EQ(o.announce, c.read) << c.line;
        const std::string text = o.text();
        EXPECT_NE(text.find(std::string(c.written) + "\n"), std::string::npos) << c.line << "\n" << text;
        EXPECT_EQ(text.find("announce"), text.rfind("announce")) << "one line: " << text;
        EXPECT_EQ(Options::fromText(text), o) << c.line;
    }
}

}  // namespace
}  // namespace tavik::test
