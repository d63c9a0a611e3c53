#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Title.h"
#include "fakes/ClientFixture.h"
#include "net/Connect.h"

namespace tavik::test {
namespace {

TEST(Connect, AddressesAndChatNames) {
    const ServicePortLookup services = [](std::string_view name) -> std::uint16_t {
        return name == "telnet" ? 23 : 0;
    };
    struct Case {
        std::string text;
        std::string host;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"example.org", "example.org", 3001},
        {"example.org:4000", "example.org", 4000},
        {"example.org:4000/", "example.org", 4000},
        {"telnet://example.org", "example.org", 23},
        {"telnet://example.org:4000", "example.org", 4000},
        {"example.org/", "example.org", 3001},
        {"example.org:0", "example.org", 0},
        {"example.org:abc", "example.org", 0},
        {"unbekannt://example.org", "example.org", 0},
        {"example.org:70000", "example.org", 4464},
    };
    for (const Case& c : cases) {
        const ServerAddress a = parseAddress(c.text, services);
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
    }
    EXPECT_EQ(chatNameOf("chat.example.org"), "example");
    EXPECT_EQ(chatNameOf("example.org"), "example");
    EXPECT_EQ(chatNameOf("localhost"), "localhost");
    EXPECT_EQ(chatNameOf("10.0.0.1"), "0");
    EXPECT_EQ(chatNameOf("brenn-chat.example"), "brenn-chat");
    EXPECT_EQ(chatNameOf("chat.brenn-chat.example"), "brenn-chat");
    EXPECT_EQ(connectErrorMessage(10061),
              "Der Server hat die Verbindung abgelehnt (10061).\n\n"
              "error: The attempt to connect was forcefully rejected. \nError Number: 10061");
    EXPECT_EQ(connectErrorMessage(10060).substr(0, 79),
              "Der Server antwortet nicht: Zeit\xFC"
              "berschreitung beim Verbinden (10060).\n\nerror: ");
    EXPECT_EQ(connectErrorMessage(4711),
              "Die Verbindung ist fehlgeschlagen (4711).\n\nerror: \nError Number: 4711");
}

// The connect dialog alone, with the settings, desktop, transport and service
// lookup it is given.
TEST(ConnectDialogAlone, TheListTheLookupAndTheRefusals) {
    Settings settings;
    settings.servers = {};
    settings.servers[1] = "eins.example";
    settings.servers[3] = "telnet://zwei.example";
    FakeDesktop desktop;
    FakeTransport transport;
    std::vector<std::string> services;
    const ServicePortLookup lookup = [&](std::string_view service) {
        services.emplace_back(service);
        return std::uint16_t{23};
    };
    ConnectDialog dialog(settings, desktop, transport, lookup);

    dialog.open();  // empty slots are left out; the first entry is chosen
    EXPECT_EQ(dialog.entries(), (std::vector<std::string>{"eins.example", "telnet://zwei.example"}));
    EXPECT_EQ(dialog.text(), "eins.example");

    dialog.setText("");
    EXPECT_FALSE(dialog.accept(false));
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].caption, "Fehleingabe");

    // A name the resolver does not know keeps the dialog open, but the list has
    // already taken it at the top.
    dialog.setText(transport.unresolvable);
    EXPECT_FALSE(dialog.accept(false));
    EXPECT_EQ(settings.servers[0], transport.unresolvable);
    EXPECT_EQ(dialog.host(), "255.255.255.255");

    dialog.setText("telnet://zwei.example");
    EXPECT_TRUE(dialog.accept(true));
    EXPECT_EQ(services, (std::vector<std::string>{"telnet"}));
    EXPECT_EQ(dialog.host(), "zwei.example");
    EXPECT_EQ(dialog.port(), 23);
    EXPECT_TRUE(dialog.lookOnly());
    EXPECT_EQ(settings.servers[0], "telnet://zwei.example");
    EXPECT_EQ(settings.servers[1], "eins.example");
    EXPECT_EQ(settings.servers[2], "");  // the older copy leaves its slot empty
    EXPECT_EQ(desktop.boxes.size(), 1U);
}

class ConnectTest : public ClientTest {
protected:
    ConnectTest() {
        client.settings().nicknames[0] = "Gast";
        client.settings().loginTexts[0] = "/c Lobby\r\n";
        desktop.onDialog = [this](Dialog d) {
            if (d == Dialog::Connect) {
                client.connectDialog().setText(address);
                return client.connectDialog().accept(false) ? 1 : 2;
            }
            if (d == Dialog::Login) {
                client.loginDialog().setNick("Gast");
                client.loginDialog().ok();
                return 1;
            }
            return 1;
        };
    }
    std::string address = "chat.example.org:4000";
};

TEST_F(ConnectTest, ASuccessfulConnectGivesSessionTabAndLogin) {
    client.connectNew();
    ASSERT_EQ(transport.connects.size(), 1U);
    EXPECT_EQ(transport.connects[0].second, 4000);
    const int socket = client.currentSocket();
    const Session* s = client.sessions().findBySocket(socket);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->chatName, "example");
    EXPECT_EQ(s->nick, "Gast");
    EXPECT_EQ(client.tabs().label(0), "Gast@example");
    EXPECT_EQ(client.tabs().focused(), 0);
    EXPECT_EQ(client.connectLabel().text(), "Trennen");
    EXPECT_EQ(client.messageView().inProgressRows(), 1);
    // The chatter list is asked for at once after the login text.
    EXPECT_EQ(transport.sent(socket), "Gast\r/c Lobby\r\n/s\r");
    EXPECT_EQ(client.settings().servers[0], "chat.example.org:4000");
    EXPECT_EQ(client.settings().servers[1], "brenn-chat.example:28");

    // A second connection to the same chat is refused.
    address = "example.org";
    client.connectNew();
    EXPECT_EQ(transport.connects.size(), 1U);
    ASSERT_FALSE(desktop.boxes.empty());
    EXPECT_EQ(desktop.boxes.back().caption, "TavikTelnet");
}

// The list asked for after the login fills tree, names and title without a row,
// and "Trennen" takes the old nick and count out of the title.
TEST_F(ConnectTest, TheListAfterTheLoginFillsTheTitleAndTrennenClearsIt) {
    client.connectNew();
    const int socket = client.currentSocket();
    receive(socket, "/s\r\n+-\r\n| Anna, Gast      Lobby   \r\n+-\r\n+-\r\n");
    EXPECT_EQ(client.title(), composeTitle("Gast", 2));
    EXPECT_EQ(desktop.title, composeTitle("Gast", 2));
    EXPECT_EQ(client.namesList().size(), 2U);
    for (int i = 0; i < rows().count(); ++i)
        EXPECT_EQ(rows().cell(i, 1).find("Anna"), std::string::npos) << "the list stays hidden";

    client.connectOrDisconnect();  // "Trennen"
    EXPECT_EQ(desktop.title, composeTitle("", 0));

    // Cancelling the Login dialog asks for nothing more.
    desktop.onDialog = [this](Dialog d) {
        if (d == Dialog::Connect) {
            client.connectDialog().setText(address);
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        client.loginDialog().cancel();
        return 2;
    };
    client.connectNew();
    EXPECT_EQ(transport.sent(client.currentSocket()), "/e\r/c Lobby\r\n");
}

TEST_F(ConnectTest, ThePromptReceivedDuringLoginShowsInTheNewInProgressRow) {
    desktop.onDialog = [this](Dialog d) {
        if (d == Dialog::Connect) {
            client.connectDialog().setText(address);
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        receive(100, "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ");
        client.loginDialog().setNick("Gast");
        client.loginDialog().ok();
        return 1;
    };
    client.connectNew();
    const MessageRows& r = rows();
    EXPECT_EQ(r.cell(r.count() - 1, 1), "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ");
    EXPECT_EQ(r.kind(r.count() - 1), LineKind::InProgress);
}

TEST_F(ConnectTest, FailuresLeaveNoSession) {
    transport.connectResult = 10061;
    client.connectNew();
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text,
              "Der Server hat die Verbindung abgelehnt (10061).\n\n"
              "error: The attempt to connect was forcefully rejected. \nError Number: 10061");
    EXPECT_EQ(client.tabs().count(), 1);
    EXPECT_EQ(client.sessions().size(), 1U);
    EXPECT_EQ(client.currentSocket(), NoSocket);
    EXPECT_TRUE(transport.closed(100));  // the failed attempt's socket is closed

    address = "example.org:0";  // a port of 0 ends like Abbrechen
    client.connectNew();
    EXPECT_EQ(transport.connects.size(), 1U);

    address = "nirgends:4000";  // the dialog stays open: the user cancels it
    desktop.onDialog = [this](Dialog) {
        client.connectDialog().setText(address);
        EXPECT_FALSE(client.connectDialog().accept(false));
        return 2;
    };
    client.connectNew();
    EXPECT_EQ(transport.connects.size(), 1U);
    EXPECT_EQ(client.settings().servers[0], "nirgends:4000");  // already at the top

    desktop.onDialog = [this](Dialog) {
        client.connectDialog().setText("");
        EXPECT_FALSE(client.connectDialog().accept(false));
        return 2;
    };
    client.connectNew();
    EXPECT_EQ(desktop.boxes.back().text, "Sie m\xFCssen etwas eingeben!");
    EXPECT_EQ(desktop.boxes.back().caption, "Fehleingabe");
}

TEST_F(ConnectTest, AddressListMovesTheTypedOneToTheTop) {
    client.settings().servers = {};
    client.settings().servers[0] = "a.example:1";
    client.settings().servers[1] = "B.example:2";
    client.settings().servers[2] = "c.example:3";
    address = "b.EXAMPLE:2";
    transport.connectResult = 10061;
    client.connectNew();
    const auto& s = client.settings().servers;
    EXPECT_EQ(s[0], "b.EXAMPLE:2");
    EXPECT_EQ(s[1], "a.example:1");
    EXPECT_EQ(s[2], "");  // the older copy leaves its slot empty
    EXPECT_EQ(s[3], "c.example:3");
}

TEST_F(ConnectTest, LookOnlyAsksForTheListAndLeaves) {
    desktop.onDialog = [this](Dialog d) {
        if (d == Dialog::Connect) {
            client.connectDialog().setText(address);
            return client.connectDialog().accept(true) ? 3 : 2;
        }
        ADD_FAILURE() << "the Login dialog is not shown when only looking";
        return 1;
    };
    client.connectNew();
    EXPECT_EQ(transport.sent(client.currentSocket()).substr(0, 6), "/S\r/e\r");
}

class LoginTest : public ClientTest {
protected:
    void slots(const std::vector<std::string>& nicks) {
        for (std::size_t i = 0; i < Settings::Slots; ++i) {
            client.settings().nicknames[i] = i < nicks.size() ? nicks[i] : "";
            client.settings().loginTexts[i] = i < nicks.size() ? "hallo von " + nicks[i] + "\r\n" : "";
        }
    }
    std::vector<std::string> nicks() {
        std::vector<std::string> out;
        for (const std::string& n : client.settings().nicknames) {
            if (!n.empty()) out.push_back(n);
        }
        return out;
    }
    LoginDialog& dialog() { return client.loginDialog(); }
};

TEST_F(LoginTest, MostRecentlyUsedSlots) {
    slots({"A", "B", "C"});
    dialog().open(false);
    EXPECT_EQ(dialog().nick(), "A");
    EXPECT_EQ(dialog().loginText(), "hallo von A\r\n");
    dialog().selectEntry(1);
    EXPECT_EQ(dialog().loginText(), "hallo von B\r\n");
    ASSERT_TRUE(dialog().ok());
    EXPECT_EQ(nicks(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(client.settings().loginTexts[1], "hallo von A\r\n");
    EXPECT_EQ(client.ownNick(), "B");

    dialog().open(false);
    dialog().setNick("N");
    dialog().setLoginText("");
    dialog().ok();
    EXPECT_EQ(nicks(), (std::vector<std::string>{"N", "B", "A", "C"}));
    EXPECT_EQ(client.settings().loginTexts[0], "\r\n");  // an empty text still sends a line

    dialog().open(false);
    dialog().selectEntry(2);  // A
    dialog().removeSelected();
    dialog().selectEntry(1);  // B
    dialog().ok();
    EXPECT_EQ(nicks(), (std::vector<std::string>{"B", "N", "C"}));
}

TEST_F(LoginTest, FullSlotsDropTheLastAndAnEmptyNickIsRefused) {
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back("N" + std::to_string(i));
    slots(twenty);
    dialog().open(false);
    dialog().setNick("");
    EXPECT_FALSE(dialog().ok());
    EXPECT_EQ(desktop.boxes.back().text, "Sie m\xFCssen etwas eingeben!");
    dialog().setNick("Neu");
    EXPECT_TRUE(dialog().ok());
    const auto n = nicks();
    ASSERT_EQ(n.size(), 20U);
    EXPECT_EQ(n.front(), "Neu");
    EXPECT_EQ(n.back(), "N18");
}

TEST_F(LoginTest, ARejectedNickIsReplacedByTheOneChosenThen) {
    slots({"J\xF6rg", "Joerg"});
    connect(7, "brenn-chat", "J\xF6rg");
    client.setOwnNick("J\xF6rg");
    client.away().handleCommand("/aw Bin kurz Kaffee holen");
    transport.clearSent();
    std::string reasonShown;
    desktop.onDialog = [&](Dialog d) {
        EXPECT_EQ(d, Dialog::Login);
        // The dialog knows why it is back while it is open.
        reasonShown = dialog().reason();
        dialog().selectEntry(1);  // «Joerg» with its own texts
        return dialog().ok() ? 1 : 2;
    };
    receive(7, ">>> Ungueltige Zeichen im Namen.\r\n");
    EXPECT_EQ(reasonShown, ">>> Ungueltige Zeichen im Namen.");
    EXPECT_EQ(dialog().reason(), "");
    // The nick, then that nick's Login-Auto-Text once, then the list as after a login.
    EXPECT_EQ(transport.sent(7), "Joerg\rhallo von Joerg\r\n/s\r");
    EXPECT_EQ(client.tabs().label(client.tabs().findSession(client.sessions().findBySocket(7)->id)),
              "Joerg@brenn-chat");
    EXPECT_EQ(client.sessions().findBySocket(7)->nick, "Joerg");
    EXPECT_EQ(client.ownNick(), "Joerg");
    EXPECT_NE(desktop.title.find("Joerg"), std::string::npos);
    // The user's own public line is the user's: no away answer to oneself.
    transport.clearSent();
    receive(7, "<Joerg> hallo alle\r\n");
    EXPECT_EQ(transport.sent(7), "");

    // Cancelled, the session keeps its nick and nothing more is sent but the exit.
    transport.clearSent();
    desktop.onDialog = [&](Dialog) { return dialog().cancel() ? 2 : 1; };
    receive(7, ">>> Den Chatter gibts schon!\r\n");
    EXPECT_EQ(transport.sent(7), "/e\r");
    EXPECT_EQ(client.sessions().findBySocket(7)->nick, "Joerg");
}

TEST_F(ConnectTest, TimersAndClosing) {
    EXPECT_TRUE(client.confirmClose());  // only the new-connection tab: no question
    EXPECT_TRUE(desktop.boxes.empty());
    client.connectNew();
    const int socket = client.currentSocket();
    transport.clearSent();
    client.keepAliveTick();
    EXPECT_EQ(transport.sent(socket), "/s\r");
    EXPECT_EQ(transport.sent(NoSocket), "");

    desktop.answer = MessageBoxAnswer::No;
    EXPECT_FALSE(client.confirmClose());
    EXPECT_EQ(desktop.boxes.back().text, "Wollen Sie wirklich beenden?");

    client.setTypedSinceIdleTick(true);
    client.idleTick();
    EXPECT_NE(client.sessions().findBySocket(socket), nullptr);
    client.idleTick();  // nothing typed for a whole interval
    EXPECT_EQ(client.sessions().findBySocket(socket), nullptr);
    EXPECT_EQ(client.connectLabel().text(), "Verbinden");
    client.idleTick();  // the new-connection tab alone: nothing happens
    EXPECT_EQ(client.tabs().count(), 1);
}

}  // namespace
}  // namespace tavik::test
