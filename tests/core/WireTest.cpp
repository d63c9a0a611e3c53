// What reaches the wire is what the user meant: no line break inside a line,
// no later piece that turns into a command, no whisper that goes public, no
// answer to a name cut short, no ignore mark on nobody or on oneself.

#include <gtest/gtest.h>

#include <string>

#include "app/InputCommands.h"
#include "app/SendInputLine.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

std::string repeated(const std::string& word, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += (i > 0 ? " " : "") + word;
    return out;
}

// Two sessions, "Gast@eins" in front.
class WireTest : public ClientTest {
protected:
    WireTest() {
        connect(7, "eins", "Gast");
        connect(8, "chat2", "Gast");
        client.tabs().setFocus(1);
        transport.clearSent();
    }
    InputLine& input() { return client.inputLine(); }
    InputCommands& commands() { return client.inputCommands(); }
    const std::string& newestText() { return lastRow().cells[1]; }
};

TEST_F(WireTest, TheInputLineNeverHoldsALineBreak) {
    struct Case {
        const char* road;
        std::string text;
        std::string held;
    };
    const Case cases[] = {
        {"setText", "geheim\r\n/e", "geheim  /e"},
        {"replaceRange", "a\rb", "xa bx"},
        {"edited", "\n/x\n", " /x "},
    };
    for (const Case& c : cases) {
        const std::string road = c.road;
        if (road == "setText") {
            input().setText(c.text);
        } else if (road == "replaceRange") {
            input().setText("xx");
            input().replaceRange(1, 1, c.text);
        } else {
            input().edited(c.text, 0, 0);
        }
        EXPECT_EQ(input().text(), c.held) << c.road;
    }
}

TEST_F(WireTest, PasteSendsEachWholeLineEndedLikeATypedOne) {
    struct Case {
        std::string before;  // the input line, caret at `caret` (selection up to `selectionEnd`)
        int caret;
        int selectionEnd;
        std::string clipboard;
        std::string sent;
        std::string after;
        int caretAfter;
    };
    const Case cases[] = {
        {"", 0, 0, "eins\r\nzwei\r\ndrei", "eins\rzwei\r", "drei", 4},
        {"", 0, 0, "eins\nzwei\ndrei", "eins\rzwei\r", "drei", 4},
        {"", 0, 0, "eins\rzwei\rdrei", "eins\rzwei\r", "drei", 4},
        {"", 0, 0, "eins\n", "eins\r", "", 0},
        // Empty lines between breaks are not sent.
        {"", 0, 0, "a\r\n\r\nb\n\n\rc", "a\rb\r", "c", 1},
        {"", 0, 0, "\r\n\n", "", "", 0},
        // The rest goes where the caret is; what was typed stays.
        {"hallo ", 6, 6, "du\nwie", "du\r", "hallo wie", 9},
        {"abXYcd", 2, 4, "z\r\nQ", "z\r", "abQcd", 3},
        {"ab", 1, 1, "MITTE", "", "aMITTEb", 6},
        // The issue's paste: the unfinished "/e" is not sent, it waits in the line.
        {"", 0, 0, "geheim\r\n/e", "geheim\r", "/e", 2},
    };
    for (const Case& c : cases) {
        transport.clearSent();
        input().setText(c.before);
        input().setSelection(c.caret, c.selectionEnd);
        commands().pasteText(c.clipboard);
        EXPECT_EQ(transport.sent(7), c.sent) << c.clipboard;
        EXPECT_EQ(input().text(), c.after) << c.clipboard;
        EXPECT_EQ(input().selectionStart(), c.caretAfter) << c.clipboard;
    }
    // Ctrl+V takes the same road.
    transport.clearSent();
    input().setText("");
    desktop.clipboard = "x\ny";
    commands().paste();
    EXPECT_EQ(transport.sent(7), "x\r");
    EXPECT_EQ(input().text(), "y");
}

TEST_F(WireTest, APasteWithLineBreaksAsksFirstAndSendsNothingUnconfirmed) {
    client.recipientBox().setText("kater");
    input().setText("halb");
    input().setSelection(4, 4);
    desktop.answer = MessageBoxAnswer::Cancel;
    commands().pasteText("eins\r\nzwei\nDREI\rvier\nrest");
    ASSERT_EQ(desktop.boxes.size(), 1u);
    // The count, the first three lines, and no more.
    EXPECT_EQ(desktop.boxes[0].text,
              "Der eingef\xFCgte Text enth\xE4lt 4 Zeilen:\n\n    eins\n    zwei\n    DREI\n    ...\n\n"
              "Sollen sie gesendet werden?");
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(transport.sent(8), "");
    // Cancelled, nothing changes, the rest included.
    EXPECT_EQ(input().text(), "halb");

    // A long line is cut in the preview; one line is named as one.
    const std::string question = InputCommands::pasteQuestion({std::string(70, 'x')});
    EXPECT_EQ(question, "Der eingef\xFCgte Text enth\xE4lt eine Zeile:\n\n    " + std::string(60, 'x') +
                            "...\n\nSoll sie gesendet werden?");
}

TEST_F(WireTest, ConfirmedPastedLinesTakeTheTypedLineRoad) {
    struct Case {
        const char* what;
        std::string recipient;
        std::string art;  // the art font box's text
        std::string pasted;
        std::string sent;
        std::string kept;  // the input line after, which held "x"
    };
    const Case cases[] = {
        // With a recipient every line is a whisper to it, never public.
        {"whisper", "kater", "", "eins\nzwei\ndrei", "/w kater eins\r/w kater zwei\r", "xdrei"},
        // The protected line start: a pasted "+" or "|" line is no server command.
        {"protected start", "", "", "+op\n|x\n/s\n", " +op\r |x\r/S\r", "x"},
        // An art font set in the box draws typed lines only.
        {"no art", "", "block5", "gross\n", "gross\r", "x"},
        // Long lines are wrapped to the server's width, the whisper on every piece.
        {"wrapped", "kater", "", repeated("wort", 20) + "\n",
         "/w kater " + repeated("wort", 11) + "\r/w kater " + repeated("wort", 9) + "\r", "x"},
    };
    for (const Case& c : cases) {
        transport.clearSent();
        desktop.boxes.clear();
        client.recipientBox().setText(c.recipient);
        client.artFontBox().setEditText(c.art);
        input().setText("x");
        input().setSelection(1, 1);
        commands().pasteText(c.pasted);
        EXPECT_EQ(desktop.boxes.size(), 1u) << c.what;
        EXPECT_EQ(transport.sent(7), c.sent) << c.what;
        EXPECT_EQ(input().text(), c.kept) << c.what;
    }
}

TEST_F(WireTest, WithoutTheQuestionPastedLinesStillTakeTheTypedLineRoad) {
    client.options().confirmMultilinePaste = false;
    client.recipientBox().setText("kater");
    commands().pasteText("oeffentlich\ngeheim");
    EXPECT_TRUE(desktop.boxes.empty());
    commands().send();
    EXPECT_EQ(transport.sent(7), "/w kater oeffentlich\r/w kater geheim\r");
    // A line kept back keeps the lines after it back too: they were meant for the same place.
    transport.clearSent();
    client.recipientBox().setText("kater@nirgends");
    commands().pasteText("a\nb\n");
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(newestText(), "Nicht gesendet: keine Verbindung zum Chat \"nirgends\".");
}

TEST_F(WireTest, LineBreaksHandedToTheComposerAreBlanks) {
    client.recipientBox().setText("kater");
    client.inputLineSender().sendInputLine("geheim\r\n/e", false);
    EXPECT_EQ(transport.sent(7), "/w kater geheim  /e\r");
    transport.clearSent();
    client.recipientBox().setText("ka\nter");  // not a name: kept back
    EXPECT_FALSE(client.inputLineSender().sendInputLine("x", false));
    EXPECT_EQ(transport.sent(7), "");
}

TEST_F(WireTest, AWhisperGoesToTheNameMeantOrNowhere) {
    struct Case {
        std::string recipient;
        std::string line;
        std::string onEins;
        std::string onChat2;
        std::string notice;  // empty: the line was sent
    };
    const std::string noName = "Nicht gesendet: es fehlt der Name, dem gefl\xFCstert werden soll.";
    const Case cases[] = {
        // Blanks in front of the name are one blank.
        {"", "/w  kater geheim", "/w kater geheim\r", "", ""},
        {"", "/W   kater@chat2 geheim", "", "/W kater geheim\r", ""},
        // A one-letter nick in the recipient box is a nick, not "@chat".
        {"k@chat2", "geheim", "", "/w k geheim\r", ""},
        {"@chat2", "hallo", "", "hallo\r", ""},
        {" @chat2", "hallo", "", "hallo\r", ""},
        {" kater ", "hallo", "/w kater hallo\r", "", ""},
        // Only the "@" of the name routes a whisper, not its text.
        {"", "/w kater chat2", "/w kater chat2\r", "", ""},
        {"", "/w kater@chat2", "/w kater@chat2\r", "", ""},
        {"", "/w", "/w\r", "", ""},
        // Kept back with a reason.
        {"", "/w @chat2 geheim", "", "", noName},
        {"", "/w kater@nirgends geheim", "", "", "Nicht gesendet: keine Verbindung zum Chat \"nirgends\"."},
        {"kater@nirgends", "geheim", "", "", "Nicht gesendet: keine Verbindung zum Chat \"nirgends\"."},
        {"@nirgends", "hallo", "", "", "Nicht gesendet: keine Verbindung zum Chat \"nirgends\"."},
        {"   ", "geheim", "", "", noName},
        {"ka ter", "geheim", "", "", "Nicht gesendet: \"ka ter\" ist kein Name."},
    };
    client.settings().clearInputAfterSend = true;
    for (const Case& c : cases) {
        transport.clearSent();
        client.recipientBox().setText(c.recipient);
        input().setText(c.line);
        input().setSelection(input().length(), input().length());
        commands().send();
        EXPECT_EQ(transport.sent(7), c.onEins) << c.recipient << " | " << c.line;
        EXPECT_EQ(transport.sent(8), c.onChat2) << c.recipient << " | " << c.line;
        if (c.notice.empty()) {
            EXPECT_EQ(input().text(), "") << c.line;
        } else {
            EXPECT_EQ(input().text(), c.line) << "the line stays for mending";
            EXPECT_EQ(newestText(), c.notice) << c.recipient << " | " << c.line;
            EXPECT_EQ(lastRow().kind, LineKind::Alert);
        }
    }
}

TEST_F(WireTest, AutowhisperToARowWithoutANameIsKeptBack) {
    client.settings().autowhisper = true;
    client.messageView().insert(7, " ", "psst", LineKind::WhisperIn);
    const MessageRows& r = rows();
    client.messageView().moveMarker(r.count() - 1 - client.messageView().inProgressRows() - r.marker(),
                                    false);
    input().setText("geheim");
    input().setSelection(6, 6);
    commands().send();
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(input().text(), "geheim");
    EXPECT_EQ(newestText(), "Nicht gesendet: es fehlt der Name, dem gefl\xFCstert werden soll.");
}

TEST_F(WireTest, AutomaticSendingKeepsTheRestOfAWhisperAWhisper) {
    client.settings().autoSend = true;
    const std::string text = "/w kater " + repeated("geheim", 11) + " x";  // 86 characters
    input().edited(text, static_cast<int>(text.size()), static_cast<int>(text.size()));
    EXPECT_EQ(transport.sent(7), "/w kater " + repeated("geheim", 8) + "\r");
    EXPECT_EQ(input().text(), "/w kater geheim geheim geheim x");

    // A piece that is kept back leaves the line as it was.
    transport.clearSent();
    const std::string lost = "/w kater@nirgends " + repeated("geheim", 10);
    input().edited(lost, static_cast<int>(lost.size()), static_cast<int>(lost.size()));
    EXPECT_EQ(transport.sent(7), "");
    EXPECT_EQ(input().text(), lost);
}

TEST_F(WireTest, ALaterPieceOfASentLineIsNeverACommand) {
    // The issue's line with the nick "Tester": 13 words fill the width of 79.
    connect(9, "drei", "Tester");
    client.tabs().setFocus(client.tabs().count() - 1);
    client.inputLineSender().sendInputLine(repeated("wort", 13) + " /e tschuess", false);
    EXPECT_EQ(transport.sent(9), repeated("wort", 13) + "\r /e tschuess\r");
}

TEST_F(WireTest, TheAwayAnswerGoesOnlyToOthersWhoAddressTheUser) {
    client.away().handleCommand("/aw weg");
    struct Case {
        const char* what;
        std::string name;
        LineKind kind;
        bool answered;
    };
    const Case cases[] = {
        {"own public line", "Gast", LineKind::Public, false},
        {"own nick in other case", "gAST", LineKind::WhisperIn, false},
        {"no name", "", LineKind::WhisperIn, false},
        {"a lone blank", " ", LineKind::Public, false},
        {"an event", "Anna", LineKind::Event, false},
        {"a notice", "Anna", LineKind::Notice, false},
        {"a whisper sent", "Anna", LineKind::WhisperOut, false},
        {"a whisper", "Anna", LineKind::WhisperIn, true},
        {"a public line", "Bert", LineKind::Public, true},
    };
    for (const Case& c : cases) {
        transport.clearSent();
        client.away().autoReply(7, c.name, c.kind);
        EXPECT_EQ(transport.sent(7), c.answered ? "/w " + c.name + " weg\n\r" : "") << c.what;
    }
}

TEST_F(WireTest, TheAwayAnswerIsBounded) {
    client.away().handleCommand("/aw weg");
    // A name longer than a chat's names can be is cut to one.
    client.away().autoReply(7, std::string(300, 'n'), LineKind::WhisperIn);
    EXPECT_EQ(transport.sent(7), "/w " + std::string(20, 'n') + " weg\n\r");

    // Two chatters talking in turn get one answer each a minute, not one a line.
    transport.clearSent();
    for (int i = 0; i < 100; ++i) {
        client.away().autoReply(7, i % 2 ? "Anna" : "Bert", LineKind::Public);
        clock.time.second = (clock.time.second + 1) % 60;
        if (clock.time.second == 0) ++clock.time.minute;
    }
    EXPECT_EQ(transport.sent(7), "/w Bert weg\n\r/w Anna weg\n\r/w Bert weg\n\r/w Anna weg\n\r");

    // A whisper-only away answer leaves public lines alone.
    transport.clearSent();
    client.options().awayAnswersWhispersOnly = true;
    clock.time.hour += 1;
    client.away().autoReply(7, "Carla", LineKind::Public);
    EXPECT_EQ(transport.sent(7), "");
    client.away().autoReply(7, "Carla", LineKind::WhisperIn);
    EXPECT_EQ(transport.sent(7), "/w Carla weg\n\r");
}

TEST_F(WireTest, IgnoreNeverTakesNobodyOrOneself) {
    client.settings().announceIgnore = true;
    client.setOwnNick("Gast");
    Session& chat2 = *client.sessions().findBySocket(8);
    chat2.nick = "Zweit";
    for (const int socket : {7, 8})
        receive(socket, "/s\r\n+-\r\n| Anna, Gast, Zweit      Lobby   \r\n+-\r\n+-\r\n");
    transport.clearSent();
    struct Case {
        int socket;
        std::string name;
        std::string sent;
    };
    const Case cases[] = {
        {8, " ", ""},
        {8, "", ""},
        {8, "   ", ""},
        {8, "Zweit", ""},
        {8, "ZWEIT", ""},
        {8, "Gast", "/a ignoriert Gast.\r/s\r"},
        {7, " ", ""},
        {7, "Gast", ""},
        // The user is the nick of the row's session; elsewhere that name is somebody else.
        {7, "Zweit", "/a ignoriert Zweit.\r/s\r"},
    };
    for (const Case& c : cases) {
        transport.clearSent();
        client.ignoreList().toggle(client.sessions().findBySocket(c.socket), c.name,
                                   client.sessions().findBySocket(c.socket)->chatName);
        EXPECT_EQ(transport.sent(c.socket), c.sent) << c.socket << " «" << c.name << "»";
    }

    // A right click on a nameless row ignores nobody, so its notices keep coming.
    transport.clearSent();
    receive(8, ">>> Wartung, morgen um acht\r\n");
    const int row = rows().count() - 1 - client.messageView().inProgressRows();
    ASSERT_EQ(rows().cell(row, 0), " ");
    client.interaction().listRightClicked(row);
    EXPECT_EQ(transport.sent(8), "");
    EXPECT_FALSE(client.ignoreList().isIgnored(chat2, " "));
    receive(8, ">>> Wartung, verschoben\r\n");
    EXPECT_EQ(newestText(), "Wartung, verschoben");
}

}  // namespace
}  // namespace tavik::test
