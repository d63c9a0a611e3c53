#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fakes/ClientFixture.h"
#include "net/Escapes.h"

namespace tavik::test {
namespace {

// The line the stripper makes of `in` as one piece: up to its first line feed.
std::string strip(std::string_view in) {
    std::string out(in.size(), '?');
    LineStripper stripper(out.data());
    stripper.take(in.data(), in.size());
    out.resize(stripper.length());
    return out;
}

TEST(StripEscapes, RemovesSequencesAndControlsKeepsText) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"\x1b[1m<Gast>\x1b[0m Hallo", "<Gast> Hallo"},
        {"\x1b[40;35mfarbig\x1b[K", "farbig"},
        {"\x1b(Bx", "(Bx"},       // an escape not followed by "[" loses only itself
        {"a\x1b\x1b[1mb", "ab"},  // escapes in a row
        {"Zeile\r", "Zeile"},     // carriage returns, tabs and bells go
        {"\tTab\x07 und\rCR", "Tab undCR"},
        {"a\nb", "a"},        // the line ends at its line feed
        {"a\x1b[1\nb", "a"},  // also inside a sequence
        {"Gr\xFC\xDF"
         "e \xE4\xF6\xE7",
         "Gr\xFC\xDF"
         "e \xE4\xF6\xE7"},  // Windows-1252 letters survive
        {"\x7f", "\x7f"},
        {std::string("vor\0nach", 8), "vornach"},  // NUL bytes go, nothing after them is lost
        {"abc\x1b[12;3", "abc"},                   // a cut-off sequence goes to the end, no further
        {"abc\x1b[", "abc"},
        {"abc\x1b", "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(strip(c.in), c.out) << "input: " << c.in;
}

// The plain byte-at-a-time rule, to hold the fast path against.
std::string stripOneByOne(std::string_view in) {
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == 27) {
            ++i;
            if (i < in.size() && in[i] == '[') {
                ++i;
                while (i < in.size() && !std::isalpha(static_cast<unsigned char>(in[i])))
                    ++i;
                if (i < in.size()) ++i;
            }
        } else if (c < 32 && c != '\n') {
            ++i;
        } else {
            out += in[i++];
        }
    }
    return out;
}

std::string_view beforeFeed(std::string_view in) {
    return in.substr(0, std::min(in.find('\n'), in.size()));
}

TEST(StripEscapes, EveryByteAtEveryPositionOfAWord) {
    // Long runs are scanned sixteen, then eight bytes at a time: a control byte, an escape or
    // a high byte (which must not count as a control byte) at each position of
    // the first words, among printable text and among high bytes.
    for (const char fill : {'x', '\xA0', '\x9F', '\xFF'}) {
        for (int value = 0; value < 256; ++value) {
            for (std::size_t at = 0; at < 40; ++at) {
                std::string in(41, fill);
                in[at] = static_cast<char>(value);
                ASSERT_EQ(strip(in), stripOneByOne(beforeFeed(in))) << "byte " << value << " at " << at;
            }
        }
    }
    // Random mixes of text, escapes and controls of every length up to 300.
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1103515245U + 12345U;
        return state >> 16;
    };
    constexpr char Alphabet[] = "ab [1;m\x1b\x1b\r\t\n\xE4\xFF\x80\x9F\x7f";
    for (int round = 0; round < 3000; ++round) {
        std::string in(next() % 300, ' ');
        for (char& c : in)
            c = next() % 4 == 0 ? Alphabet[next() % (sizeof Alphabet - 1)]
                                : static_cast<char>('A' + next() % 26);
        ASSERT_EQ(strip(in), stripOneByOne(beforeFeed(in))) << "round " << round;
    }
}

// What the stripper makes of `first` then `second`: the line, and where the
// second piece's line feed was found.
std::pair<std::string, std::size_t> stripInTwoPieces(std::string_view first, std::string_view second) {
    std::string out(first.size() + second.size() + 1, '?');
    LineStripper stripper(out.data());
    EXPECT_EQ(stripper.take(first.data(), first.size()), first.size());
    const std::size_t feed = stripper.take(second.data(), second.size());
    out.resize(stripper.length());
    return {out, feed};
}

TEST(LineStripper, MakesTheLineStripEscapesMakesOfTheBytesBeforeTheFeed) {
    // Lines are cut at their first line feed and stripped as one text, wherever
    // the bytes were split between the partial line and the receive buffer
    // (an escape sequence may be cut between them). A sequence never runs
    // past the line feed.
    std::uint32_t state = 777;
    const auto next = [&state] {
        state = state * 1103515245U + 12345U;
        return state >> 16;
    };
    constexpr char Alphabet[] = "ab [1;m\x1b\x1b\r\t\n\xE4\xFF\x80\x9F\x7f";
    std::vector<std::string> inputs = {"", "\n", "a\x1b[1m\nb", "\x1b[12\nx", "\x1b\n", "\x1b"};
    // Every byte at every place of the first blocks, in text and in high bytes.
    for (const char fill : {'x', '\xFF'}) {
        for (int value = 0; value < 256; ++value) {
            std::string in(40, fill);
            in[next() % 40] = static_cast<char>(value);
            inputs.push_back(in);
        }
    }
    for (int round = 0; round < 400; ++round) {
        std::string in(next() % 120, ' ');
        for (char& c : in)
            c = next() % 5 == 0 ? Alphabet[next() % (sizeof Alphabet - 1)]
                                : static_cast<char>('A' + next() % 26);
        inputs.push_back(in);
    }
    for (const std::string& in : inputs) {
        const std::size_t feed = std::min(in.find('\n'), in.size());
        const std::string line = stripOneByOne(std::string_view(in).substr(0, feed));
        // The partial line never holds a line feed.
        for (std::size_t cut = 0; cut <= feed; ++cut) {
            const auto [out, found] =
                stripInTwoPieces(std::string_view(in).substr(0, cut), std::string_view(in).substr(cut));
            ASSERT_EQ(out, line) << "cut at " << cut << " of " << in;
            ASSERT_EQ(cut + found, feed) << "cut at " << cut << " of " << in;
        }
    }
}

class ReceivePipelineTest : public ClientTest {};

TEST_F(ReceivePipelineTest, PromptWithoutLineFeedShowsInTheInProgressRow) {
    connect(7);
    const int before = rows().count();
    receive(7, "\x1b[1mGib Deinen Namen ein (oder /Show, /Exit, /Help): \x1b[0m");
    EXPECT_EQ(rows().count(), before);
    EXPECT_EQ(inProgressText(), "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ");
    EXPECT_EQ(lastRow().cells[1], " ");  // no row was made
}

TEST_F(ReceivePipelineTest, TheInProgressRowIsEmptiedAfterALineWhateverHappenedToItMeanwhile) {
    connect(7, "eins");
    receive(7, "<Anna> a\r\n");
    EXPECT_EQ(inProgressText(), "");
    receive(7, "<Anna> b\r\n");  // emptied already: nothing to do
    EXPECT_EQ(inProgressText(), "");
    // The row is made anew, as a new connection makes it (with a blank).
    MessageView& view = client.messageView();
    ASSERT_TRUE(client.removeInProgressRow("eins"));
    view.setInProgressRows(view.inProgressRows() - 1);
    view.insert(7, " ", " ", LineKind::InProgress);
    view.setInProgressRows(view.inProgressRows() + 1);
    EXPECT_EQ(inProgressText(), " ");
    receive(7, "<Anna> c\r\n");
    EXPECT_EQ(inProgressText(), "");
    // A half line shows; its end empties the row again.
    receive(7, "<Anna> d");
    EXPECT_EQ(inProgressText(), "<Anna> d");
    receive(7, "\r\n");
    EXPECT_EQ(inProgressText(), "");
    EXPECT_EQ(lastRow().cells[1], "d");
}

TEST_F(ReceivePipelineTest, TwoLinesAndAHalfThenTheRest) {
    connect(7);
    receive(7, "<Anna> eins\r\n<Bert> zwei\r\n<Carla> dr");
    EXPECT_EQ(lastRow(1).cells[1], "eins");
    EXPECT_EQ(lastRow(0).cells[1], "zwei");
    EXPECT_EQ(client.sessions().findBySocket(7)->partialLine, "<Carla> dr");
    EXPECT_EQ(inProgressText(), "<Carla> dr");

    receive(7, "ei\r\n");
    EXPECT_EQ(lastRow(0).cells[0], "Carla");
    EXPECT_EQ(lastRow(0).cells[1], "drei");
    EXPECT_EQ(inProgressText(), "");
    EXPECT_EQ(rows().count(), 500);
}

TEST_F(ReceivePipelineTest, AnyChunkingGivesTheSameRows) {
    const std::string stream =
        "<Anna> Hallo \x1b[1mWelt\x1b[0m\r\n<*Bert*> leise\r\n--> Carla kommt in den Chat.\r\n"
        ">>> Dora ist jetzt weg.\r\n/w Emil psst\r\n";
    auto rowsFor = [&](std::size_t chunk) {
        FakeTransport t;
        FakeDesktop d;
        FakeClock c;
        Client cl(t, d, c, dir.path());
        cl.settings().sound = false;
        cl.attachSession(9, "brenn-chat", "Gast");
        for (std::size_t i = 0; i < stream.size(); i += chunk) {
            t.feed(9, stream.substr(i, chunk));
            cl.socketEvent(9, SocketEvent::Read, 0);
        }
        std::string out;
        const MessageRows& r = cl.messageView().rows();
        for (int i = r.count() - 6; i < r.count() - 1; ++i) {
            out +=
                std::to_string(static_cast<int>(r.kind(i))) + "|" + r.cell(i, 0) + "|" + r.cell(i, 1) + "\n";
        }
        return out;
    };
    const std::string whole = rowsFor(stream.size());
    EXPECT_EQ(
        whole,
        "2|Anna|Hallo Welt\n1|Bert|leise\n3|Carla|kommt in den Chat.\n5|Dora|ist jetzt weg.\n4|Emil|psst\n");
    for (std::size_t chunk : {1U, 2U, 3U, 7U, 13U})
        EXPECT_EQ(rowsFor(chunk), whole) << "chunk " << chunk;
}

TEST_F(ReceivePipelineTest, LineSplitJustBeforeItsLineFeed) {
    connect(7);
    receive(7, "<Anna> bis hier\r");
    receive(7, "\n");
    EXPECT_EQ(lastRow().cells[1], "bis hier");
}

TEST_F(ReceivePipelineTest, AFullReceiveWithoutLineFeedReceivesAgainAtOnce) {
    connect(7);
    transport.feed(7, std::string(254, 'x'));
    transport.feed(7, "yz\r\n");
    transport.receiveCalls = 0;
    client.socketEvent(7, SocketEvent::Read, 0);
    // 254 bytes, then the rest in the same read event, then one receive that finds nothing.
    EXPECT_EQ(transport.receiveCalls, 3);
    EXPECT_EQ(transport.pendingChunks(7), 0U);
    EXPECT_EQ(lastRow().cells[1], std::string(14, 'x') + "yz");  // 256 characters in rows of 80
}

TEST_F(ReceivePipelineTest, APartialLineThatWouldOutgrowItsBufferLosesItsOlderPart) {
    connect(7);
    transport.feed(7, std::string(254, 'a'));
    transport.feed(7, std::string(10, 'b'));
    client.socketEvent(7, SocketEvent::Read, 0);
    EXPECT_EQ(client.sessions().findBySocket(7)->partialLine, std::string(10, 'b'));
    receive(7, "c\r\n");
    EXPECT_EQ(lastRow().cells[1], std::string(10, 'b') + "c");
}

TEST_F(ReceivePipelineTest, PartialLineStaysBoundedAndAFloodYieldsToTheEventLoop) {
    connect(7);
    for (int i = 0; i < 1000; ++i)
        transport.feed(7, std::string(254, 'a' + i % 26));
    client.socketEvent(7, SocketEvent::Read, 0);
    EXPECT_LE(client.sessions().findBySocket(7)->partialLine.size(), 254U);
    // One read event takes a bounded number of receives; the rest waits for the next event.
    EXPECT_GT(transport.pendingChunks(7), 0U);
    while (transport.pendingChunks(7) > 0)
        client.socketEvent(7, SocketEvent::Read, 0);
    EXPECT_LE(client.sessions().findBySocket(7)->partialLine.size(), 254U);
    EXPECT_EQ(rows().count(), 500);
}

TEST_F(ReceivePipelineTest, InProgressRowsBelongToTheirSessions) {
    connect(7, "eins", "Anna");
    connect(8, "zwei", "Bert");
    receive(7, "halb eins");
    receive(8, "halb zwei");
    EXPECT_EQ(client.messageView().inProgressRows(), 2);
    // A new session's row goes in above the in-progress rows already there.
    EXPECT_EQ(inProgressText(0), "halb eins");
    EXPECT_EQ(inProgressText(1), "halb zwei");
}

TEST_F(ReceivePipelineTest, TwoSessionsOfOneChatShareItsLowestInProgressRow) {
    // In-progress rows are known by their chat: with two sessions of one chat
    // (as the case may be), the newer session, first in the list, writes into
    // the lowest row of that chat, and the older one into none.
    connect(7, "eins", "Anna");
    connect(8, "EINS", "Bert");
    receive(7, "von Anna");
    EXPECT_EQ(inProgressText(0), " ");
    EXPECT_EQ(inProgressText(1), " ");
    receive(8, "von Bert");
    EXPECT_EQ(inProgressText(0), "von Bert");
    EXPECT_EQ(inProgressText(1), " ");
}

TEST_F(ReceivePipelineTest, AnInProgressRowIsKnownByItsChatsFirst99CharactersIgnoringCase) {
    // Chat names of every length class the row lookup tells apart, written
    // alike and in other case. A name beyond 99 characters never meets its row.
    for (const std::size_t length : {1U, 3U, 4U, 7U, 8U, 15U, 16U, 17U, 40U, 99U, 100U, 127U}) {
        std::string chat(length, 'c');
        for (std::size_t i = 0; i < length; i += 3)
            chat[i] = static_cast<char>('a' + i % 26);
        std::string upper = chat;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool shown = length <= 99;
        Client fresh(transport, desktop, clock, dir.path());
        fresh.settings().sound = false;
        fresh.attachSession(7, chat, "Anna");
        const MessageRows& r = fresh.messageView().rows();
        transport.feed(7, "halb");
        fresh.socketEvent(7, SocketEvent::Read, 0);
        EXPECT_EQ(r.cell(r.count() - 1, 1), shown ? "halb" : " ") << length;
        // A second session of the chat, its name in capitals, comes first in the
        // list: it writes into the lowest row of the chat, the first session's.
        fresh.attachSession(8, upper, "Bert");
        transport.feed(8, "von Bert");
        fresh.socketEvent(8, SocketEvent::Read, 0);
        EXPECT_EQ(r.cell(r.count() - 1, 1), shown ? "von Bert" : " ") << length;
        EXPECT_EQ(r.cell(r.count() - 2, 1), " ") << length;
        transport.feed(7, "x\r\n");  // the first session's own row is not the first's
        fresh.socketEvent(7, SocketEvent::Read, 0);
        EXPECT_EQ(r.cell(r.count() - 1, 1), shown ? "von Bert" : " ") << length;
    }
}

TEST_F(ReceivePipelineTest, ASessionWhoseChatWasRenamedNoLongerMeetsItsRow) {
    Session& s = connect(7, "eins", "Anna");
    receive(7, "halb");
    EXPECT_EQ(inProgressText(), "halb");
    s.setChatName("drei");
    receive(7, " und mehr");
    EXPECT_EQ(inProgressText(), "halb");
    receive(7, "\r\n");
    EXPECT_EQ(inProgressText(), "halb");
    client.sessions().findBySocket(7)->setChatName("eins");
    receive(7, "neu");
    EXPECT_EQ(inProgressText(), "neu");
}

TEST_F(ReceivePipelineTest, SessionWithoutInProgressRowLeavesOtherRowsAlone) {
    connect(7, "eins", "Anna");
    receive(7, "Prompt eins: ");
    // A session still logging in has no in-progress row yet.
    client.sessions().add("zwei", "Login");
    client.sessions().findByChat("zwei")->setSocket(8);
    receive(8, "Prompt zwei: ");
    EXPECT_EQ(inProgressText(), "Prompt eins: ");
}

// The kept, cleaned partial line is what the stripper makes of the raw one from
// the start, escape sequences cut at its end included.
void expectCleanedPartialMatches(const Session& s, const std::string& context) {
    std::string cleaned(s.partialLine.size(), '?');
    LineStripper fresh(cleaned.data());
    fresh.take(s.partialLine.data(), s.partialLine.size());
    cleaned.resize(fresh.length());
    ASSERT_EQ(std::string(s.partialCleaned.data(), s.partialCleanedLength), cleaned) << context;
    ASSERT_EQ(s.partialState, fresh.state()) << context;
}

TEST_F(ReceivePipelineTest, AnEscapeSequenceCutAtAReceiveGoesOnInTheNext) {
    struct Case {
        std::vector<std::string> receives;
        std::string row;
    };
    const Case cases[] = {
        {{"<Anna> ab\x1b", "[1mcd\r\n"}, "abcd"},
        {{"<Anna> ab\x1b[", "1mcd\r\n"}, "abcd"},
        {{"<Anna> ab\x1b[1;3", "3mcd\r\n"}, "abcd"},
        {{"<Anna> ab\x1b", "[", "1", "m", "cd\r\n"}, "abcd"},
        {{"<Anna> ab\x1b", "xcd\r\n"}, "abxcd"},  // a lone escape loses only itself
        {{"<Anna> ab\x1b[1", "\r\n"}, "ab"},      // the line ends inside the sequence
        // The older part of a line that outgrows its buffer goes, and with it
        // the beginning of the sequence: what is left is text.
        {{"<Anna> " + std::string(240, 'a') + "\x1b[", "1mbbbbbbbbbbbbbb", "c\r\n"}, "1mbbbbbbbbbbbbbbc"},
        {{"<Anna> " + std::string(240, 'a') + "\x1b[", "1;33333333", "mcd\r\n"}, "1;33333333mcd"},
        {{std::string(253, 'a') + "\x1b", "[1mbbbb", "c\r\n"}, "[1mbbbbc"},
    };
    for (const Case& c : cases) {
        Client fresh(transport, desktop, clock, dir.path());
        fresh.settings().sound = false;
        fresh.attachSession(7, "brenn-chat", "Gast");
        for (const std::string& bytes : c.receives) {
            transport.feed(7, bytes);
            fresh.socketEvent(7, SocketEvent::Read, 0);
            expectCleanedPartialMatches(*fresh.sessions().findBySocket(7), bytes);
        }
        const MessageRows& r = fresh.messageView().rows();
        EXPECT_EQ(r.cell(r.count() - 1 - fresh.messageView().inProgressRows(), 1), c.row) << c.receives[0];
    }
}

TEST_F(ReceivePipelineTest, TheKeptPartialLineIsTheRawOneCleanedWhateverTheChunks) {
    std::uint32_t state = 4242;
    const auto next = [&state] {
        state = state * 1103515245U + 12345U;
        return state >> 16;
    };
    constexpr std::string_view Pieces[] = {"\x1b", "[",  "1;",      "33",     "m", "\r\n", "\r",
                                           "\n",   "\t", "<Anna> ", "Hallo ", "x", "\xE4"};
    connect(7);
    for (int round = 0; round < 3000; ++round) {
        // Some rounds without line ends, so lines outgrow the partial line's buffer.
        const bool feeds = round % 3 != 0;
        std::string bytes;
        const std::size_t pieces = next() % 60 + 1;
        for (std::size_t i = 0; i < pieces; ++i) {
            const std::string_view piece = Pieces[next() % std::size(Pieces)];
            if (feeds || piece.find('\n') == std::string_view::npos) bytes += piece;
        }
        receive(7, bytes);
        expectCleanedPartialMatches(*client.sessions().findBySocket(7), "round " + std::to_string(round));
    }
}

TEST_F(ReceivePipelineTest, BytesOfAnUnknownSocketAreNotRead) {
    transport.feed(42, "<Anna> hallo\r\n");
    client.socketEvent(42, SocketEvent::Read, 0);
    EXPECT_EQ(transport.pendingChunks(42), 1U);
}

}  // namespace
}  // namespace tavik::test
