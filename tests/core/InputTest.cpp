#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/InputCommands.h"
#include "app/InputHistory.h"
#include "app/SendInputLine.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class SendTest : public ClientTest {
protected:
    SendTest() {
        connect(7, "eins", "Gast");
        connect(8, "chat2", "Gast");
        client.tabs().setFocus(1);  // "Gast@eins" is in front
        transport.clearSent();
    }
    void send(const std::string& line, bool inverted = false) {
        client.inputLineSender().sendInputLine(line, inverted);
    }
    // Marks the newest row of a session after it arrived.
    void markRow(int socket, const std::string& serverLine) {
        receive(socket, serverLine + "\r\n");
        const MessageRows& r = rows();
        client.messageView().moveMarker(r.count() - 1 - client.messageView().inProgressRows() - r.marker(),
                                        false);
        transport.clearSent();
    }
};

TEST_F(SendTest, RecipientAndChatRouting) {
    struct Case {
        std::string recipient;
        std::string line;
        bool inverted;
        std::string onEins;
        std::string onChat2;
    };
    const Case cases[] = {
        {"", "hallo", false, "hallo\r", ""},
        {"kater", "hallo", false, "/w kater hallo\r", ""},
        {"kater@chat2", "hallo", false, "", "/w kater hallo\r"},
        // A chat no session has keeps the whisper back (it went to another chat's kater).
        {"kater@nirgends", "hallo", false, "", ""},
        {"@chat2", "hallo", false, "", "hallo\r"},
        {"kater", "hallo", true, "hallo\r", ""},
        {"", "/w kater@chat2 hi", false, "", "/w kater hi\r"},
        {"", "/w kater@chat2", false, "/w kater@chat2\r", ""},
        {"", "/ @chat2 hallo", false, "", " hallo\r"},
        {"kater", "/me winkt", false, "/me winkt\r", ""},
        {"", "+1", false, " +1\r", ""},
        {"", "<hallo>", false, " <hallo>\r", ""},
        {"", "|", false, " |\r", ""},
        {"", "/s", false, "/S\r", ""},
        {"", "/status", false, "/Status\r", ""},
    };
    for (const Case& c : cases) {
        transport.clearSent();
        client.recipientBox().setText(c.recipient);
        send(c.line, c.inverted);
        EXPECT_EQ(transport.sent(7), c.onEins) << c.recipient << " | " << c.line;
        EXPECT_EQ(transport.sent(8), c.onChat2) << c.recipient << " | " << c.line;
    }
}

TEST_F(SendTest, AutowhisperFollowsTheMarkedRow) {
    client.settings().autowhisper = true;
    markRow(7, "<*kater*> psst");
    send("hallo");
    EXPECT_EQ(transport.sent(7), "/w kater hallo\r");
    transport.clearSent();
    send("hallo", true);
    EXPECT_EQ(transport.sent(7), "hallo\r");

    markRow(7, "<kater> laut");
    send("hallo");
    EXPECT_EQ(transport.sent(7), "hallo\r");
    transport.clearSent();
    send("hallo", true);
    EXPECT_EQ(transport.sent(7), "/w kater hallo\r");

    // A row without a chatter has nobody to whisper to.
    markRow(7, ">>> Server, Hinweis");
    send("hallo", true);
    EXPECT_EQ(transport.sent(7), "hallo\r");
}

TEST_F(SendTest, AutoChatChangeSendsToTheMarkedRowsChat) {
    client.settings().autoChatChange = true;
    markRow(8, "<anna> drueben");
    send("hallo");
    EXPECT_EQ(transport.sent(8), "hallo\r");
    EXPECT_EQ(transport.sent(7), "");
}

TEST_F(SendTest, WrapsToTheServersWidthWithTheCommandWordsOnEveryLine) {
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "wort ";
    text.pop_back();
    client.recipientBox().setText("kater");
    send(text);
    const std::string sent = transport.sent(7);
    // Width 85 - 4 ("Gast"): the head words «/w kater» cost 11, each «wort» 6: 11 words a line.
    std::string line = "/w kater";
    for (int i = 0; i < 11; ++i)
        line += " wort";
    std::string rest = "/w kater";
    for (int i = 0; i < 9; ++i)
        rest += " wort";
    EXPECT_EQ(sent, line + "\r" + rest + "\r");

    transport.clearSent();
    client.recipientBox().setText("");
    send(std::string(100, 'x'));  // one word too wide: unwrapped
    EXPECT_EQ(transport.sent(7), std::string(100, 'x') + "\r");
}

TEST_F(SendTest, TabsThatDoNotQualify) {
    // The new-connection tab in front: the first tab takes over.
    client.tabs().setFocus(2);
    send("hallo");
    EXPECT_EQ(transport.sent(8), "hallo\r");
    EXPECT_EQ(client.tabs().focused(), 0);

    // Only the new-connection tab: nothing is sent and the line stays.
    FakeTransport t;
    FakeDesktop d;
    Client alone(t, d, clock, dir.path());
    alone.inputLine().setText("bleibt");
    alone.inputLineSender().sendInputLine("bleibt", false);
    EXPECT_EQ(alone.inputLine().text(), "bleibt");
}

TEST_F(SendTest, AwayCommandsAreConsumed) {
    client.inputLine().setText("/aw bin weg");
    send("/aw bin weg");
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(client.inputLine().text(), "");
    EXPECT_EQ(client.away().message(), " bin weg");
}

TEST_F(SendTest, ArtLinesAreDrawnWithTheChosenFont) {
    std::filesystem::create_directories(dir.path() / "fonts");
    std::ofstream(dir.path() / "fonts" / "mini.fnt", std::ios::binary)
        << "HEIGHT: 2\r\nWIDTH: 2\r\nZEICHEN: A a\r\n/\\\r\n||\r\nWIDTH: 2\r\nZEICHEN: B b\r\n|)\r\n|)\r\n";
    client.loadArtFonts();
    ASSERT_EQ(client.artFontBox().entries().size(), 1U);
    client.artFontBox().select(0);
    client.inputLine().setText("ab");
    client.inputLine().setSelection(2, 2);
    client.inputCommands().sendWithArtFont();
    EXPECT_EQ(transport.sent(7), " /\\|)\r\n |||)\r\n");
    EXPECT_EQ(client.artFontBox().editText(), "");
    // Ctrl+F with an empty box brings the font used last back for the next line.
    client.inputLine().setText("ab");
    client.inputLine().setSelection(2, 2);
    client.inputCommands().sendWithArtFont();
    EXPECT_EQ(transport.sent(7), " /\\|)\r\n |||)\r\n /\\|)\r\n |||)\r\n");
    // Without a font the line goes out as text.
    transport.clearSent();
    send("ab");
    EXPECT_EQ(transport.sent(7), "ab\r");
}

class InputCommandTest : public ClientTest {
protected:
    InputCommandTest() {
        connect(7, "h", "Gast");
        transport.clearSent();
    }
    InputLine& input() { return client.inputLine(); }
    InputCommands& commands() { return client.inputCommands(); }
    // Types one character at the caret, as the window reports it.
    void type(const std::string& chars) {
        for (const char c : chars) {
            std::string t = input().text();
            const int at = input().selectionStart();
            t.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(input().selectionEnd() - at), 1,
                      c);
            input().edited(t, at + 1, at + 1);
        }
    }
};

TEST_F(InputCommandTest, EnterSendsOnceAndOnlyWhatIsNotSelected) {
    commands().send();
    EXPECT_EQ(transport.sent(7), "");
    client.settings().clearInputAfterSend = false;
    type("hallo");
    commands().send();
    EXPECT_EQ(transport.sent(7), "hallo\r");
    EXPECT_TRUE(input().wholeTextSelected());
    commands().send();
    EXPECT_EQ(transport.sent(7), "hallo\r");
    type("x");  // replaces the selection
    commands().send();
    EXPECT_EQ(transport.sent(7), "hallo\rx\r");
}

TEST_F(InputCommandTest, UmlautsBecomeTwoLetters) {
    type("Gr\xE4");
    EXPECT_EQ(input().text(), "Grae");
    EXPECT_EQ(input().selectionStart(), 4);
    type("\xDF \xDC");
    EXPECT_EQ(input().text(), "Grae\xDF Ue");
}

// For chats that take umlauts: typed as they are, one byte each on the wire.
TEST_F(InputCommandTest, UmlautsUnchangedWhenTheUserWantsThem) {
    client.options().sendUmlautsUnchanged = true;
    type("Gr\xE4\xDF \xDC");
    EXPECT_EQ(input().text(), "Gr\xE4\xDF \xDC");
    commands().send();
    EXPECT_EQ(transport.sent(7), "Gr\xE4\xDF \xDC\r");
}

// Ctrl+Up and Ctrl+Down walk the lines sent, on every session alike; the line
// being edited comes back at the end of the walk, and a kept-back line counts.
TEST_F(InputCommandTest, TheInputHistoryWalksTheLinesSent) {
    for (const char* line : {"eins", "zwei", "zwei", "drei"}) {
        input().setText(line);
        commands().send();
    }
    client.recipientBox().setText("kater@nirgends");  // kept back: no such chat
    input().setText("vier");
    commands().send();
    client.recipientBox().setText("");
    input().setText("halb getippt");
    const auto walk = [&](bool older) {
        older ? commands().historyOlder() : commands().historyNewer();
        return input().text();
    };
    EXPECT_EQ(walk(true), "vier");
    EXPECT_EQ(walk(true), "drei");
    EXPECT_EQ(walk(true), "zwei");  // twice in a row is kept once
    EXPECT_EQ(walk(true), "eins");
    EXPECT_EQ(walk(true), "eins");  // nothing older
    EXPECT_EQ(input().selectionStart(), 4);
    EXPECT_EQ(walk(false), "zwei");
    EXPECT_EQ(walk(false), "drei");
    EXPECT_EQ(walk(false), "vier");
    EXPECT_EQ(walk(false), "halb getippt");
    EXPECT_EQ(walk(false), "halb getippt");  // the walk is over

    // Kept for the next start only when the user wants it, and gone when not.
    const auto historyFile = dir.path() / std::string(Client::InputHistoryFile);
    client.options().saveInputHistory = true;
    ASSERT_TRUE(client.saveSettings());
    {
        FakeTransport t;
        FakeDesktop d;
        Client next(t, d, clock, dir.path());
        next.loadFiles([] { return LogFont{}; });
        EXPECT_EQ(next.inputCommands().history().lines(),
                  (std::deque<std::string>{"eins", "zwei", "drei", "vier"}));
    }
    client.options().saveInputHistory = false;
    ASSERT_TRUE(client.saveSettings());
    EXPECT_FALSE(std::filesystem::exists(historyFile));

    // At most 100 lines; the oldest go.
    InputHistory history;
    for (int i = 0; i < 150; ++i)
        history.add(std::to_string(i));
    EXPECT_EQ(history.size(), InputHistory::MaxLines);
    EXPECT_EQ(history.lines().front(), "50");
}

// An umlaut typed while a completion is open: the name is accepted in front of
// it and the umlaut becomes its two letters, the caret at the end.
TEST_F(InputCommandTest, AnUmlautRightAfterTab) {
    receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n");
    const struct {
        std::string typed, after;
    } cases[] = {
        {"\xE4", "Annaae"}, {"\xDC", "AnnaUe"}, {"x", "Annax"}, {" ", "Anna "}, {"\xDF", "Anna\xDF"}};
    for (const auto& c : cases) {
        input().setText("");
        type("an");
        commands().completeName();
        ASSERT_TRUE(client.completionOpen());
        type(c.typed);
        EXPECT_EQ(input().text(), c.after);
        EXPECT_EQ(input().selectionStart(), static_cast<int>(c.after.size()));
        EXPECT_EQ(input().selectionEnd(), static_cast<int>(c.after.size()));
        EXPECT_FALSE(client.completionOpen());
        EXPECT_FALSE(client.namesList().shown());
    }
    // Emptying the line while the list is open closes it without putting a name in.
    input().setText("");
    type("an");
    commands().completeName();
    input().edited("", 0, 0);
    EXPECT_EQ(input().text(), "");
    EXPECT_FALSE(client.completionOpen());
}

// Tab with no name that begins with the word changes nothing; Escape closes an
// open list and leaves the line as it is.
TEST_F(InputCommandTest, TabWithoutCandidatesAndEscape) {
    type("hallo xy");
    commands().completeName();
    EXPECT_EQ(input().text(), "hallo xy");
    EXPECT_FALSE(client.completionOpen());
    EXPECT_FALSE(client.namesList().shown());

    receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n");
    commands().completeName();  // still no candidate for "xy"
    EXPECT_EQ(input().text(), "hallo xy");
    EXPECT_FALSE(client.namesList().shown());

    input().setText("");
    type("hallo a");
    commands().completeName();
    ASSERT_TRUE(client.namesList().shown());
    client.inputHelpers().cancelCompletion();
    EXPECT_FALSE(client.completionOpen());
    EXPECT_FALSE(client.namesList().shown());
    EXPECT_EQ(input().text(), "hallo Anna");
    commands().send();  // the list is closed: Enter sends
    EXPECT_EQ(transport.sent(7), "hallo Anna\r");
}

// Every road by which outside text enters the line takes the paste rule.
TEST_F(InputCommandTest, PastedTextTakesThePasteRule) {
    commands().pasteText("geheim\r\n/e");
    EXPECT_EQ(transport.sent(7), "geheim\r");
    EXPECT_EQ(input().text(), "/e");
    commands().pasteText("");
    EXPECT_EQ(input().text(), "/e");
    commands().pasteText("xy");
    EXPECT_EQ(input().text(), "/exy");
}

TEST_F(InputCommandTest, AutomaticSendingOfOverlongLines) {
    client.settings().autoSend = true;
    type(std::string(81, 'a'));
    EXPECT_EQ(transport.sent(7), std::string(65, 'a') + "\r");
    EXPECT_EQ(input().text(), std::string(16, 'a'));

    transport.clearSent();
    input().setText("");
    type(std::string(40, 'b') + " " + std::string(40, 'c'));
    EXPECT_EQ(transport.sent(7), std::string(40, 'b') + "\r");
    EXPECT_EQ(input().text(), std::string(40, 'c'));
}

TEST_F(InputCommandTest, NameCompletionWalksTheCandidates) {
    receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n");
    type("hi an");
    commands().completeName();
    EXPECT_TRUE(client.completionOpen());
    EXPECT_TRUE(client.namesList().shown());
    EXPECT_EQ(input().text(), "hi Anna");
    commands().completeName();
    EXPECT_EQ(input().text(), "hi Anton");
    commands().completeName();
    EXPECT_EQ(input().text(), "hi Anna");
    commands().previousCandidate();
    EXPECT_EQ(input().text(), "hi Anton");
    commands().send();  // closes the list, sends nothing
    EXPECT_FALSE(client.completionOpen());
    EXPECT_FALSE(client.namesList().shown());
    EXPECT_EQ(transport.sent(7), "");

    input().setText("");
    type("ant");
    commands().completeName();
    EXPECT_EQ(input().text(), "Anton");
    EXPECT_FALSE(client.namesList().shown());

    // Typing on accepts the name and keeps the character.
    input().setText("");
    type("a");
    commands().completeName();
    type("!");
    EXPECT_EQ(input().text(), "Anna!");
    EXPECT_FALSE(client.completionOpen());

    // Shift+Tab without an open completion replaces the word but opens nothing,
    // so Enter afterwards sends.
    input().setText("");
    type("a");
    commands().previousCandidate();
    EXPECT_EQ(input().text(), "Anton");
    EXPECT_FALSE(client.completionOpen());
    EXPECT_FALSE(client.namesList().shown());
    commands().send();
    EXPECT_EQ(transport.sent(7), "Anton\r");
}

TEST_F(InputCommandTest, PasteSendsWholeLinesAndKeepsTheRest) {
    desktop.clipboard = "eins\r\nzwei\r\ndrei";
    commands().paste();
    EXPECT_EQ(transport.sent(7), "eins\rzwei\r");
    EXPECT_EQ(input().text(), "drei");
    EXPECT_EQ(input().selectionStart(), 4);

    type("xy");
    input().setSelection(1, 1);
    desktop.clipboard = "MITTE";
    commands().paste();
    EXPECT_EQ(input().text(), "dMITTEreixy");
    EXPECT_EQ(input().selectionStart(), 6);
    EXPECT_EQ(transport.sent(7), "eins\rzwei\r");
}

TEST_F(InputCommandTest, MarkedRowNameTextAndWord) {
    receive(7, "<\xC4rger> so ein wunderwelt ding\r\n");
    client.messageView().moveMarker(rows().count() - 2 - rows().marker(), false);
    commands().insertName();  // a name beginning with a letter above 127
    EXPECT_EQ(input().text(), "\xC4rger");
    input().setText("");
    commands().insertText();
    EXPECT_EQ(input().text(), "so ein wunderwelt ding");
    input().setText("");
    type("das wel");
    commands().extendWord();
    EXPECT_EQ(input().text(), "das welt");
    type(" ");
    commands().extendWord();  // an empty fragment takes the row's first word
    EXPECT_EQ(input().text(), "das welt so");
}

TEST_F(InputCommandTest, CopyTakesTheInputSelectionOrTheSelectedRows) {
    receive(7, "<Anna> eins\r\n<*Bert*> zwei\r\n");
    MessageRows& r = client.messageView().rows();
    const int last = r.count() - 2;
    r.setSelected(r.marker(), false);
    r.setSelected(last - 1, true);
    r.setSelected(last, true);
    commands().copy();
    EXPECT_EQ(desktop.clipboard, "<Anna> eins\n<From Bert> zwei\n");
    type("abc");
    input().setSelection(1, 3);
    commands().copy();
    EXPECT_EQ(desktop.clipboard, "bc");
}

}  // namespace
}  // namespace tavik::test
