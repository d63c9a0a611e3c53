#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chat/RowText.h"
#include "platform/Clock.h"

namespace tavik {

std::ostream& operator<<(std::ostream& out, const TextRange& r) {
    return out << '[' << r.begin << ',' << r.length << ']';
}

namespace {

// The addresses of a text, as strings.
std::vector<std::string> links(std::string_view text) {
    std::vector<std::string> out;
    for (const TextRange& r : findLinks(text))
        out.emplace_back(text.substr(r.begin, r.length));
    return out;
}

using Links = std::vector<std::string>;

TEST(RowText, AddressesInRunningText) {
    EXPECT_EQ(links("schau mal http://example.org/a?b=1&c=2#x an"), Links{"http://example.org/a?b=1&c=2#x"});
    EXPECT_EQ(links("https://x.de"), Links{"https://x.de"});
    EXPECT_EQ(links("www.tavik.de/forum und HTTP://GROSS.DE"),
              (Links{"www.tavik.de/forum", "HTTP://GROSS.DE"}));
    EXPECT_EQ(links("zwei:www.a.de, www.b.de"), (Links{"www.a.de", "www.b.de"}));
    // The punctuation of the sentence stays out; a bracket the address opened stays in.
    EXPECT_EQ(links("siehe www.a.de."), Links{"www.a.de"});
    EXPECT_EQ(links("(siehe http://a.de/x), ja"), Links{"http://a.de/x"});
    EXPECT_EQ(links("http://de.wiki.org/Kiel_(Stadt)!"), Links{"http://de.wiki.org/Kiel_(Stadt)"});
    EXPECT_EQ(links("\"http://a.de/?q='x'\";:!?"), Links{"http://a.de/?q='x"});
    EXPECT_EQ(links("[http://a.de]"), Links{"http://a.de"});
    // An address ends at a blank, a control byte, a byte beyond ASCII and at <>".
    EXPECT_EQ(links("http://a.de/\x01rest"), Links{"http://a.de/"});
    EXPECT_EQ(links("http://a.de/m\xFCnchen"), Links{"http://a.de/m"});
    EXPECT_EQ(links("<http://a.de>"), Links{"http://a.de"});
    EXPECT_EQ(links("http://a.de/\x7F"), Links{"http://a.de/"});
    EXPECT_EQ(links("http://a.de\tb"), Links{"http://a.de"});
}

TEST(RowText, WhatIsNoAddress) {
    for (const char* text : {"javascript:alert(1)",
                             "file:///etc/passwd",
                             "ftp://a.de",
                             "mailto:a@b.de",
                             "http://",
                             "https:// a.de",
                             "www.",
                             "www..de",
                             "http://.de",
                             "xhttp://a.de",
                             "awww.a.de",
                             "m\xFCwww.a.de",
                             "data:text/html,http",
                             "htt://a.de",
                             "http:/a.de",
                             "",
                             "h",
                             "www",
                             "ww.a.de",
                             "a@www.b.de",
                             "http//a.de"})
        EXPECT_EQ(links(text), Links{}) << text;
    // Hostile bytes around an address leave it alone, and every byte of a
    // long text is looked at once (no hang on a flood of prefixes).
    std::string hostile(100000, 'h');
    hostile += "http://a.de";
    EXPECT_EQ(links(hostile), Links{});  // glued to the h's before it
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += "www.a.de ";
    EXPECT_EQ(links(many).size(), 1000u);
}

TEST(RowText, LinkUnderAByteAndItsTarget) {
    const std::string text = "hier: www.a.de/x ok";
    EXPECT_EQ(linkAt(text, 6), (TextRange{6, 10}));
    EXPECT_EQ(linkAt(text, 15), (TextRange{6, 10}));
    EXPECT_EQ(linkAt(text, 16), TextRange{});
    EXPECT_EQ(linkAt(text, 0), TextRange{});
    EXPECT_EQ(linkAt(text, 999), TextRange{});
    EXPECT_EQ(linkTarget("www.a.de/x"), "http://www.a.de/x");
    EXPECT_EQ(linkTarget("WWW.a.de"), "http://WWW.a.de");
    EXPECT_EQ(linkTarget("https://a.de"), "https://a.de");
}

TEST(RowText, MatchesIgnoreCaseOverWindows1252) {
    using R = std::vector<TextRange>;
    EXPECT_EQ(findMatches("Hallo hallo HALLO", "hallo"), (R{{0, 5}, {6, 5}, {12, 5}}));
    // Umlauts and the accented capitals fold too; ß has no capital.
    EXPECT_EQ(findMatches("GR\xDC\xDF und gr\xFC\xDF", "gr\xFC\xDF"), (R{{0, 4}, {9, 4}}));
    EXPECT_EQ(findMatches("\xC4rger \xE4rger", "\xC4RGER"), (R{{0, 5}, {6, 5}}));
    EXPECT_EQ(findMatches("\x8A\x9A", "\x9A"), (R{{0, 1}, {1, 1}}));
    // Not overlapping, left to right.
    EXPECT_EQ(findMatches("aaaa", "aa"), (R{{0, 2}, {2, 2}}));
    EXPECT_EQ(findMatches("abc", ""), R{});
    EXPECT_EQ(findMatches("ab", "abc"), R{});
    EXPECT_EQ(findMatches("u and \xFC", "u"), (R{{0, 1}}));  // u is no ü
    EXPECT_TRUE(containsIgnoringCase("Wer kommt MIT?", "mit"));
    EXPECT_FALSE(containsIgnoringCase("Wer kommt?", "mit"));
    EXPECT_FALSE(containsIgnoringCase("Wer", ""));
    EXPECT_TRUE(containsIgnoringCase(std::string("a\0B", 3), std::string("\0b", 2)));
}

TEST(RowText, SearchesTheLogFile) {
    const auto dir = std::filesystem::temp_directory_path() / "tavik-rowtext-test";
    std::filesystem::create_directories(dir);
    const auto file = dir / "12.09.26.log";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[10:00] <Anna> Hallo\r\n[10:01] <Bert> hallo Anna\n[10:02] <Clara> tsch\xFC\xDF\r\n[10:03] "
               "HALLO";
    }
    LogSearch found = searchLog(file, "hallo");
    EXPECT_TRUE(found.found);
    EXPECT_FALSE(found.cut);
    EXPECT_EQ(found.hits, 3u);
    EXPECT_EQ(found.lines, (std::vector<std::string>{"[10:00] <Anna> Hallo", "[10:01] <Bert> hallo Anna",
                                                     "[10:03] HALLO"}));
    EXPECT_EQ(searchLog(file, "TSCH\xDC").hits, 1u);
    EXPECT_EQ(searchLog(file, "").hits, 0u);
    EXPECT_FALSE(searchLog(dir / "gibt-es-nicht.log", "hallo").found);
    EXPECT_FALSE(searchLog(dir, "hallo").found);  // a directory is no log
    std::filesystem::remove_all(dir);

    LocalTime day{};
    day.year = 2026;
    day.month = 12;
    day.day = 9;
    EXPECT_EQ(logFileOfDay("w", day), std::filesystem::path("w") / "LogFiles" / "12.09.26.log");
}

}  // namespace
}  // namespace tavik
