// Sessions stay whole whatever a server sends: list lines, name errors,
// renames, closes during the Login dialog, connects that wait, disconnects.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/SendInputLine.h"
#include "fakes/ClientFixture.h"
#include "net/Connect.h"

namespace tavik::test {
namespace {

using Lines = std::vector<std::string>;

class SessionsTest : public ClientTest {
protected:
    SessionsTest() {
        client.settings().nicknames[0] = "Gast";
        client.settings().loginTexts[0] = "\r\n";
        desktop.onDialog = [this](Dialog d) {
            if (d == Dialog::Connect) {
                client.connectDialog().setText(address);
                return client.connectDialog().accept(lookOnly) ? (lookOnly ? 3 : 1) : 2;
            }
            if (d == Dialog::Login) {
                if (duringLogin) duringLogin();
                client.loginDialog().setNick(loginNick);
                client.loginDialog().ok();
                return 1;
            }
            return 1;
        };
    }

    // Two sessions: «eins» on 7 and «zwei» on 8, tabs [zwei, eins, Neue Verbindung].
    void twoSessions() {
        connect(7, "eins", "Gast");
        connect(8, "zwei", "Gast");
    }
    void focusSocket(int socket) {
        const Session* s = client.sessions().findBySocket(socket);
        ASSERT_NE(s, nullptr);
        client.tabs().setFocus(client.tabs().findSession(s->id));
        ASSERT_EQ(client.currentSocket(), socket);
    }

    std::string address = "chat.example.org:4000";
    bool lookOnly = false;
    std::string loginNick = "Gast";
    std::function<void()> duringLogin;
};

// A remark is the chatter's own text: header words in it are no header.
TEST_F(SessionsTest, HeaderWordsOutsideTheHeaderAreNoHeader) {
    connect(7, "brenn-chat", "Gast");
    struct Case {
        std::string line;
        Lines tree;
    };
    const Case cases[] = {
        {"| Anna, Bert (Name: egal)      Lobby    ",
         {"brenn-chat", "brenn-chat/Lobby (2)", "brenn-chat/Lobby (2)/Anna",
          "brenn-chat/Lobby (2)/Bert (Name: egal)"}},
        {"| Anna (Chatter und Chatterinnen), Bert      Lobby    ",
         {"brenn-chat", "brenn-chat/Lobby (2)", "brenn-chat/Lobby (2)/Anna (Chatter und Chatterinnen)",
          "brenn-chat/Lobby (2)/Bert"}},
        {"| Name:x, Bert      Lobby    ",
         {"brenn-chat", "brenn-chat/Lobby (2)", "brenn-chat/Lobby (2)/Bert", "brenn-chat/Lobby (2)/Name:x"}},
    };
    for (const Case& c : cases) {
        receive(7, framedList("/s", {"| Carla      Kneipe    ", c.line}));
        Lines expected = c.tree;
        expected.push_back("brenn-chat/Kneipe (1)");
        expected.push_back("brenn-chat/Kneipe (1)/Carla");
        std::sort(expected.begin(), expected.end());
        Lines tree = treeLines();
        std::sort(tree.begin(), tree.end());
        EXPECT_EQ(tree, expected) << c.line;
        EXPECT_EQ(client.namesList().size(), 3U) << c.line;
    }
    // The header where it stands still starts the tree anew: the list of one chatter
    // leaves only that chatter.
    receive(7, framedList("/s", {"| Dora      Garten    "}));
    EXPECT_EQ(treeLines(), (Lines{"brenn-chat", "brenn-chat/Garten (1)", "brenn-chat/Garten (1)/Dora"}));
}

// A name error is answered on the session whose server sent it, whichever is current.
TEST_F(SessionsTest, ANameErrorIsAnsweredOnItsOwnSession) {
    twoSessions();
    struct Case {
        int answer;  // 1 OK, 2 Abbrechen, 3 Nur schauen
        std::string sent;
    };
    // OK logs in as after a connect: the nick, its (empty) Login-Auto-Text, the list.
    const Case cases[] = {{1, "Neu\r\r\n/s\r"}, {2, "/e\r"}, {3, "/S\r/e\r"}};
    for (const Case& c : cases) {
        focusSocket(7);
        transport.clearSent();
        desktop.onDialog = [&](Dialog) {
            if (c.answer == 1) {
                client.loginDialog().setNick("Neu");
                client.loginDialog().ok();
            } else if (c.answer == 2) {
                client.loginDialog().cancel();
            } else {
                client.loginDialog().lookOnly();
            }
            return c.answer;
        };
        receive(8, ">>> Den Chatter gibts schon!\r\n");
        EXPECT_EQ(transport.sent(8), c.sent) << c.answer;
        EXPECT_EQ(transport.sent(7), "") << c.answer;
    }
}

// "Nur schauen" belongs to the connect it was chosen for: a later name error of
// another session still shows the dialog instead of logging that session out.
TEST_F(SessionsTest, LookOnlyOfAConnectDoesNotAnswerOtherSessionsNameErrors) {
    connect(8, "zwei", "Gast");
    lookOnly = true;
    client.connectNew();  // the look-only session of «example»
    ASSERT_EQ(transport.sent(100).substr(0, 6), "/S\r/e\r");
    lookOnly = false;
    desktop.dialogs.clear();
    transport.clearSent();
    loginNick = "Anders";
    receive(8, ">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.\r\n");
    EXPECT_EQ(desktop.dialogs, (std::vector<Dialog>{Dialog::Login}));
    EXPECT_EQ(transport.sent(8), "Anders\r\r\n/s\r");
}

// Tabs find their session by the session itself; a nick is never empty.
TEST_F(SessionsTest, OddRenamesKeepTheSessionReachable) {
    struct Case {
        std::string rename;
        std::string nick;
        std::string label;
    };
    const Case cases[] = {
        {">-> Gast wird zu a@b.", "a@b", "a@b@zwei"},
        {">-> Gast wird zu .", "Gast", "Gast@zwei"},
        {">-> Gast wird zu ", "Gast", "Gast@zwei"},
        {">-> Gast wird zu @.", "@", "@@zwei"},
        {">-> Gast wird zu Neue Verbindung.", "Verbindung", "Verbindung@zwei"},
    };
    int socket = 20;
    for (const Case& c : cases) {
        ++socket;
        connect(7, "eins", "Gast");
        connect(socket, "zwei", "Gast");
        receive(socket, c.rename + "\r\n");
        const Session* s = client.sessions().findBySocket(socket);
        ASSERT_NE(s, nullptr) << c.rename;
        EXPECT_EQ(s->nick, c.nick) << c.rename;
        EXPECT_EQ(client.tabs().label(0), c.label) << c.rename;

        // Typed lines reach the renamed session; choosing its tab again keeps it current.
        client.tabs().setFocus(1);
        client.tabs().setFocus(0);
        EXPECT_EQ(client.currentSocket(), socket) << c.rename;
        transport.clearSent();
        client.inputLineSender().sendInputLine("hallo", false);
        EXPECT_EQ(transport.sent(socket), "hallo\r") << c.rename;
        EXPECT_EQ(transport.sent(7), "") << c.rename;

        // "Trennen" ends this session, not the other one, and removes its own tab.
        client.connectOrDisconnect();
        EXPECT_EQ(client.sessions().findBySocket(socket), nullptr) << c.rename;
        ASSERT_NE(client.sessions().findBySocket(7), nullptr) << c.rename;
        EXPECT_EQ(client.tabs().count(), 2) << c.rename;
        EXPECT_EQ(client.tabs().label(0), "Gast@eins") << c.rename;
        client.socketEvent(7, SocketEvent::Close, 0);
        EXPECT_EQ(client.tabs().count(), 1) << c.rename;
    }
}

TEST_F(SessionsTest, ALoginWithoutANickKeepsTheSessionsNick) {
    Session& s = connect(7, "eins", "");
    EXPECT_EQ(s.nick, "Login");
    EXPECT_EQ(client.tabs().label(0), "Login@eins");
    Session& t = connect(8, "zwei", " Gast");
    EXPECT_EQ(t.nick, "Login");
}

// The server accepts and closes while the Login dialog is open: the notice row
// stays, and the other sessions' in-progress rows are still counted right.
TEST_F(SessionsTest, AServerClosingDuringTheLoginDialogKeepsItsNotice) {
    connect(7, "eins", "Gast");
    receive(7, "Gib Deinen Namen ein: ");
    duringLogin = [this] {
        receive(100, "Willkommen\r\n");
        client.socketEvent(100, SocketEvent::Close, 0);
    };
    client.connectNew();
    EXPECT_EQ(client.sessions().findBySocket(100), nullptr);
    EXPECT_EQ(client.messageView().inProgressRows(), 1);
    EXPECT_EQ(rows().count(), 500);
    EXPECT_EQ(lastRow(0).cells[1], "Die Verbindung wurde abgebrochen");
    EXPECT_EQ(lastRow(0).kind, LineKind::Alert);
    EXPECT_EQ(lastRow(1).cells[1], "Willkommen");
    EXPECT_EQ(rows().kind(499), LineKind::InProgress);
    EXPECT_EQ(inProgressText(), "Gib Deinen Namen ein: ");
    EXPECT_EQ(client.tabs().count(), 2);
    EXPECT_EQ(client.currentSocket(), 7);

    // The other session still ends cleanly, in-progress row and all.
    client.socketEvent(7, SocketEvent::Close, 0);
    EXPECT_EQ(client.messageView().inProgressRows(), 0);
    EXPECT_EQ(lastRow(0).cells[1], "Die Verbindung wurde abgebrochen");
    EXPECT_EQ(lastRow(1).cells[1], "Die Verbindung wurde abgebrochen");
    EXPECT_EQ(lastRow(2).cells[1], "Willkommen");
}

// "Alle Meldungen Löschen" takes the in-progress rows too; the count follows,
// so a later disconnect deletes no message in their place.
TEST_F(SessionsTest, ClearingAllMessagesCountsNoInProgressRowsThatAreGone) {
    connect(7, "eins", "Gast");
    client.messageView().clear();
    EXPECT_EQ(client.messageView().inProgressRows(), 0);
    receive(7, "<Anna> bleibt\r\n");
    client.socketEvent(7, SocketEvent::Close, 0);
    EXPECT_EQ(rows().count(), 500);
    EXPECT_EQ(lastRow(0).cells[1], "Die Verbindung wurde abgebrochen");
    EXPECT_EQ(lastRow(1).cells[1], "bleibt");
    EXPECT_EQ(client.messageView().inProgressRows(), 0);
}

// One connect at a time: the "Neue Verbindung" tab or "Verbinden" chosen during
// the connect wait start nothing, and the chat is checked again after the wait.
TEST_F(SessionsTest, OneConnectAtATime) {
    int dialogsDuringWait = 0;
    transport.duringConnect = [&] {
        const std::size_t before = desktop.dialogs.size();
        client.tabs().setFocus(client.tabs().count() - 1);  // the "Neue Verbindung" tab
        client.interaction().tabChosen();
        client.connectOrDisconnect();
        dialogsDuringWait += static_cast<int>(desktop.dialogs.size() - before);
    };
    client.connectNew();
    EXPECT_EQ(dialogsDuringWait, 0);
    EXPECT_EQ(transport.connects.size(), 1U);
    EXPECT_EQ(client.sessions().size(), 2U);
    EXPECT_EQ(client.tabs().count(), 2);
    EXPECT_EQ(client.tabs().label(0), "Gast@example");
    EXPECT_EQ(client.currentSocket(), 100);

    // After the wait the chat has a session already (made while waiting): refused.
    client.options().reconnect = false;  // the lost session goes, as without the reconnect
    client.socketEvent(100, SocketEvent::Close, 0);
    transport.duringConnect = [this] { connect(50, "example", "Anders"); };
    desktop.boxes.clear();
    client.connectNew();
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].caption, "TavikTelnet");
    EXPECT_TRUE(transport.closed(101));
    EXPECT_EQ(client.sessions().findBySocket(101), nullptr);
    EXPECT_EQ(client.sessions().size(), 2U);
    EXPECT_EQ(client.tabs().count(), 2);
    EXPECT_EQ(transport.sent(101), "");
}

TEST_F(SessionsTest, TheNullAddressIsRefusedLikeAFailedLookup) {
    for (const char* resolved : {"0.0.0.0", "00.0.000.0"}) {
        transport.resolvedAddress = resolved;
        desktop.boxes.clear();
        client.connectNew();
        EXPECT_TRUE(transport.connects.empty()) << resolved;
        ASSERT_EQ(desktop.boxes.size(), 1U) << resolved;
        EXPECT_EQ(desktop.boxes[0].caption, "Error");
        EXPECT_EQ(client.sessions().size(), 1U);
        EXPECT_EQ(client.currentSocket(), NoSocket);
    }
    struct Case {
        const char* address;
        bool null;
    };
    const Case cases[] = {{"0.0.0.0", true},   {"000.0.00.0", true}, {"0.0.0.1", false},
                          {"10.0.0.0", false}, {"0.0.0", false},     {"0.0.0.0.0", false},
                          {"0..0.0", false},   {"", false},          {"127.0.0.1", false}};
    for (const Case& c : cases)
        EXPECT_EQ(isNullAddress(c.address), c.null) << c.address;
}

// A disconnect makes tab 0 current, also when tab 0 had the focus already.
TEST_F(SessionsTest, ADisconnectMakesTabZeroCurrentEvenWhenItHasTheFocus) {
    struct Case {
        int focused;  // socket whose tab has the focus
        int closed;   // socket the server closes
        int current;  // socket current afterwards
    };
    const Case cases[] = {{8, 7, 8}, {7, 7, 8}, {7, 8, 7}, {8, 8, 7}};
    for (const Case& c : cases) {
        twoSessions();
        focusSocket(c.focused);
        client.socketEvent(c.closed, SocketEvent::Close, 0);
        EXPECT_EQ(client.currentSocket(), c.current) << c.focused << " " << c.closed;
        EXPECT_EQ(client.connectLabel().text(), "Trennen") << c.focused << " " << c.closed;
        EXPECT_EQ(client.tabs().focused(), 0);
        client.socketEvent(c.current, SocketEvent::Close, 0);
        EXPECT_EQ(client.currentSocket(), NoSocket);
        EXPECT_EQ(client.connectLabel().text(), "Verbinden");
    }
}

// Names over 20 characters are stored cut; looking them up cuts the key alike.
TEST_F(SessionsTest, LongNamesMatchTheirStoredEntry) {
    connect(7, "eins", "Gast");
    const std::string longName = "Chatterin_mit_einem_sehr_langen_Namen";  // 37 characters
    for (int i = 0; i < 50; ++i)
        receive(7, framedList("/s", {"| " + longName + ", Anna      Lobby    "}));
    Session& s = *client.sessions().findBySocket(7);
    EXPECT_EQ(s.chatterNames.size(), 2U);
    NameEntry* entry = s.chatterNames.find(longName, "", false);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, longName.substr(0, 20));

    struct Case {
        std::string key;
        bool found;
    };
    const Case cases[] = {
        {longName, true},
        {longName.substr(0, 20), true},
        {longName.substr(0, 19), false},
        {"CHATTERIN_MIT_EINEM_anders", true},  // the first 20 characters decide, ignoring case
        {longName + " (weg)", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.chatterNames.find(c.key, "", false) != nullptr, c.found) << c.key;

    // Such a chatter can be ignored: the mark is found on its rows.
    s.setIgnoreMark(*entry, true);
    receive(7, "<" + longName + "> nicht zu sehen\r\n");
    EXPECT_NE(lastRow().cells[1], "nicht zu sehen");
}

// The per-session item cap counts through the model's descendant counts.
TEST_F(SessionsTest, TreeCountsItemsBelowEachItem) {
    ChatterTreeModel m;
    const TreeItemId top = m.insertSorted(NoItem, "eins", 9, 19);
    const TreeItemId a = m.insertSorted(top, "", 5, 15);
    const TreeItemId b = m.insertSorted(top, "", 5, 15);
    for (const char* name : {"Anna", "Bert", "Carla"})
        m.insertSorted(a, name, 1, 11);
    m.insertSorted(b, "Dora", 1, 11);
    EXPECT_EQ(m.descendantCount(top), 6U);
    EXPECT_EQ(m.descendantCount(a), 3U);
    m.remove(a);
    EXPECT_EQ(m.descendantCount(top), 2U);
    EXPECT_EQ(m.descendantCount(a), 0U);
    m.remove(top);
    EXPECT_EQ(m.size(), 0U);

    // Many one-chatter channels in one list: the cap still holds, counted per session.
    connect(7, "eins", "Gast");
    Lines channels;
    for (int i = 0; i < 12000; ++i)
        channels.push_back("| N" + std::to_string(i) + "      C" + std::to_string(i) + "    ");
    receive(7, framedList("/s", channels));
    while (transport.pendingChunks(7) > 0)  // the real transport reports the rest as further reads
        client.socketEvent(7, SocketEvent::Read, 0);
    const ChatterTreeModel& tree = client.chatterTree().model();
    ASSERT_EQ(tree.topLevel().size(), 1U);
    EXPECT_EQ(tree.descendantCount(tree.topLevel()[0]), ChatterTree::MaxItemsPerSession);
}

}  // namespace
}  // namespace tavik::test
