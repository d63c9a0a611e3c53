// A lost connection that the user did not end: the tab stays, the session
// comes back on its own with its nick and channel, the waits grow, and
// "Trennen" or a user's "/e" end it as before.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

TEST(ReconnectPlan, WaitsStartAtOnceThenDoubleFromFiveSecondsUpToTenMinutes) {
    const long long expected[] = {0, 5, 10, 20, 40, 80, 160, 320, 600, 600, 600};
    for (int attempt = 0; attempt < 11; ++attempt)
        EXPECT_EQ(ReconnectPlan::waitBefore(attempt), expected[attempt] * 1000) << "attempt " << attempt;
    EXPECT_EQ(ReconnectPlan::waitBefore(1000), 600'000);

    ReconnectPlan plan;
    EXPECT_EQ(plan.lost(7, 0, ""), -1) << "a session without an address is not tried";
    plan.remember(7, {"chat.example.org", 4000});
    EXPECT_EQ(plan.lost(7, 1000, "/c Garten\r"), 0);
    EXPECT_EQ(plan.due(1000), 7);
    EXPECT_EQ(plan.failed(7, 1000), 5000);
    EXPECT_EQ(plan.due(5999), 0);
    EXPECT_EQ(plan.waitLeft(7, 3000), 3000);
    EXPECT_EQ(plan.takeChannelLine(7), "") << "not before the session is back";
    plan.tryNow(7, 3000);
    EXPECT_EQ(plan.due(3000), 7);
    plan.connected(7, 3000);
    EXPECT_EQ(plan.takeChannelLine(7), "/c Garten\r");
    EXPECT_EQ(plan.takeChannelLine(7), "") << "once";
    // Lost again within a minute of coming back: the waits go on growing.
    EXPECT_EQ(plan.lost(7, 30'000, ""), 10'000);
    plan.connected(7, 40'000);
    EXPECT_EQ(plan.lost(7, 40'000 + ReconnectPlan::SteadyMs, ""), 0) << "a steady connection starts anew";
}

class ReconnectTest : public ClientTest {
protected:
    ReconnectTest() {
        client.settings().nicknames[0] = "Gast";
        client.settings().loginTexts[0] = "/a ist da\r\n";
        desktop.onDialog = [this](Dialog d) {
            if (d == Dialog::Connect) {
                client.connectDialog().setText("chat.example.org:4000");
                return client.connectDialog().accept(false) ? 1 : 2;
            }
            if (d == Dialog::Login) {
                client.loginDialog().setNick(loginNick);
                client.loginDialog().ok();
                return 1;
            }
            return 1;
        };
        client.connectNew();
        socket = client.currentSocket();
        // The user went into a protected channel; the list shows Gast there.
        client.send(socket, "/c Garten geheim\r");
        receive(socket, "/s\r\n+-\r\n| Anna      Lobby   \r\n| Gast      Garten   \r\n+-\r\n+-\r\n");
        transport.clearSent();
    }

    void advance(long long ms) {
        // The window's timer: every quarter second.
        for (long long t = 0; t < ms; t += 250) {
            clock.steady += 250;
            client.reconnectTick();
        }
    }
    std::string lastText() { return lastRow().cells[1]; }
    // What the server says to a nick it takes: the banner, the prompt
    // completed by the nick's echo, the greeting.
    void welcome(int to, const std::string& nick = "Gast") {
        receive(to, "*** Willkommen im Brenn-Chat ***\r\nGib Deinen Namen ein (oder /Show, /Exit, /Help): " +
                        nick + "\r\n>>> Willkommen im Brenn-Chat, " + nick + "!\r\n");
    }

    std::string loginNick = "Gast";
    int socket = NoSocket;
};

TEST_F(ReconnectTest, ALostConnectionKeepsItsTabAndComesBackWithNickChannelAndMarks) {
    Session* s = client.sessions().findBySocket(socket);
    ASSERT_NE(s, nullptr);
    client.ignoreList().toggle(s, "Anna", "");
    transport.clearSent();
    receive(socket, "<Anna> letzte Zeile\r\n<Bert> noch eine\r\n");
    const std::size_t dialogsBefore = desktop.dialogs.size();

    client.socketEvent(socket, SocketEvent::Close, 0);
    EXPECT_TRUE(transport.closed(socket));
    ASSERT_EQ(client.tabs().count(), 2);
    EXPECT_EQ(client.tabs().label(0), "Gast@example");
    EXPECT_TRUE(client.tabs().disconnected(0));
    EXPECT_TRUE(client.waitsForConnection(0));
    EXPECT_EQ(lastText(), "Verbindung verloren \x96 neuer Versuch in 0 s");
    EXPECT_EQ(lastRow(1).cells[1], "noch eine") << "the rows of the old connection stay";
    EXPECT_EQ(client.connectLabel().text(), "Trennen");
    // Typing meanwhile reaches no wire.
    EXPECT_EQ(client.send(client.currentSocket(), "hallo\r"), -1);

    advance(250);
    ASSERT_EQ(transport.connects.size(), 2U);
    EXPECT_EQ(transport.connects[1].second, 4000);
    const int back = client.currentSocket();
    EXPECT_NE(back, socket);
    EXPECT_FALSE(client.tabs().disconnected(0));
    EXPECT_EQ(desktop.dialogs.size(), dialogsBefore) << "no dialog";
    EXPECT_EQ(transport.sent(back), "Gast\r") << "only the nick until the server took it";
    welcome(back);
    EXPECT_EQ(transport.sent(back), "Gast\r/a ist da\r\n/s\r");
    // The channel (with its password) once the login went through.
    receive(back, "/s\r\n+-\r\n| Anna, Gast      Lobby   \r\n+-\r\n+-\r\n");
    EXPECT_EQ(transport.sent(back), "Gast\r/a ist da\r\n/s\r/c Garten geheim\r");
    client.keepAliveTick();
    receive(back, "/s\r\n+-\r\n| Anna      Lobby   \r\n| Gast      Garten   \r\n+-\r\n+-\r\n");
    advance(120'000);
    EXPECT_EQ(transport.sent(back), "Gast\r/a ist da\r\n/s\r/c Garten geheim\r/s\r") << "nothing twice";
    EXPECT_EQ(transport.connects.size(), 2U);

    s = client.sessions().findBySocket(back);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(client.ignoreList().isIgnored(*s, "Anna"));
    const int count = rows().count();
    receive(back, "<Anna> wieder da\r\n");
    EXPECT_EQ(rows().count(), count) << "Anna stays ignored";
}

// A "/c" sent after the last list is where the user went; the list does not know it yet.
TEST_F(ReconnectTest, AChannelChangeTheListHasNotShownYetIsTheOneRejoined) {
    client.send(socket, "/c Kneipe\r");
    client.socketEvent(socket, SocketEvent::Close, 0);
    advance(250);
    const int back = client.currentSocket();
    welcome(back);
    receive(back, "/s\r\n+-\r\n| Gast      Lobby   \r\n+-\r\n+-\r\n");
    EXPECT_EQ(transport.sent(back), "Gast\r/a ist da\r\n/s\r/c Kneipe\r");
    // Lost again before the next list: the line sent last still holds.
    client.socketEvent(back, SocketEvent::Close, 0);
    advance(5'000);
    const int again = client.currentSocket();
    welcome(again);
    receive(again, "/s\r\n+-\r\n| Gast      Lobby   \r\n+-\r\n+-\r\n");
    EXPECT_EQ(transport.sent(again), "Gast\r/a ist da\r\n/s\r/c Kneipe\r");
}

TEST_F(ReconnectTest, FailedTriesWaitLongerEachTimeAndEachWaitIsShown) {
    transport.connectResult = 10061;
    client.socketEvent(socket, SocketEvent::Close, 0);
    std::vector<long long> tries;
    std::vector<std::string> notices;
    std::size_t seen = transport.connects.size();
    for (int tick = 0; tick < 4 * 2000; ++tick) {
        clock.steady += 250;
        client.reconnectTick();
        if (transport.connects.size() != seen) {
            seen = transport.connects.size();
            tries.push_back(clock.steady / 1000);
            notices.push_back(lastText());
        }
    }
    // Seconds after the drop: at once, then 5, 10, 20 … 600 s apart.
    const std::vector<long long> expected = {0, 5, 15, 35, 75, 155, 315, 635, 1235, 1835};
    ASSERT_GE(tries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(tries[i], expected[i]) << "try " << i;
    EXPECT_EQ(notices[0], "Verbindung verloren \x96 neuer Versuch in 5 s");
    EXPECT_EQ(notices[7], "Verbindung verloren \x96 neuer Versuch in 600 s");
    EXPECT_TRUE(client.tabs().disconnected(0));
    EXPECT_TRUE(desktop.boxes.empty()) << "a failed try opens no box";

    // Back after all, and lost again at once: no try without a pause.
    transport.connectResult = 0;
    client.reconnectNow(0);
    const int back = client.currentSocket();
    EXPECT_FALSE(client.tabs().disconnected(0));
    client.socketEvent(back, SocketEvent::Close, 0);
    EXPECT_EQ(lastText(), "Verbindung verloren \x96 neuer Versuch in 600 s");
}

TEST_F(ReconnectTest, TrennenStopsTheTriesAndNeuVerbindenTriesAtOnce) {
    transport.connectResult = 10061;
    client.socketEvent(socket, SocketEvent::Close, 0);
    advance(250);  // the first try fails: 5 s to wait
    ASSERT_EQ(transport.connects.size(), 2U);
    client.reconnectNow(0);
    EXPECT_EQ(transport.connects.size(), 3U) << "Neu verbinden";
    client.reconnectNow(1);  // the "Neue Verbindung" tab waits for nothing
    EXPECT_EQ(transport.connects.size(), 3U);

    client.connectOrDisconnect();  // "Trennen" on the waiting tab
    EXPECT_EQ(client.tabs().count(), 1);
    EXPECT_EQ(client.connectLabel().text(), "Verbinden");
    EXPECT_EQ(client.sessions().size(), 1U);
    advance(1'200'000);
    EXPECT_EQ(transport.connects.size(), 3U);
}

// The user's side ended it, or the option is off: the end the classic client has.
TEST_F(ReconnectTest, EndsOfTheUsersSideAndTheOptionOffAreNotTriedAgain) {
    struct Case {
        const char* what;
        bool option;
        std::string sent;
    };
    const Case cases[] = {
        {"a typed /e", true, "/e\r"},
        {"/E in capitals", true, "/Exit\r"},
        {"the option off", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        client.options().reconnect = c.option;
        const std::size_t connects = transport.connects.size();
        if (!c.sent.empty()) client.send(socket, c.sent);
        client.socketEvent(socket, SocketEvent::Close, 0);
        EXPECT_EQ(client.tabs().count(), 1);
        EXPECT_EQ(lastText(), "Die Verbindung wurde abgebrochen");
        advance(10'000);
        EXPECT_EQ(transport.connects.size(), connects);
        client.options().reconnect = true;
        client.connectNew();
        socket = client.currentSocket();
    }

    // Turned off while a session waits: it ends then.
    client.socketEvent(socket, SocketEvent::Close, 0);
    ASSERT_EQ(client.tabs().count(), 2);
    client.options().reconnect = false;
    const std::size_t connects = transport.connects.size();
    advance(250);
    EXPECT_EQ(client.tabs().count(), 1);
    EXPECT_EQ(transport.connects.size(), connects);
}

TEST_F(ReconnectTest, AKeepAliveWithoutAnAnswerFor90SecondsIsADrop) {
    // Answered: the line lives.
    client.keepAliveTick();
    advance(10'000);
    receive(socket, "/s\r\n+-\r\n| Gast      Garten   \r\n+-\r\n+-\r\n");
    advance(120'000);
    EXPECT_FALSE(client.tabs().disconnected(0));

    // Unanswered: the next keep-alive a minute later changes nothing, 90 s after the first it is over.
    client.keepAliveTick();
    advance(60'000);
    client.keepAliveTick();
    advance(29'000);
    EXPECT_FALSE(client.tabs().disconnected(0));
    EXPECT_FALSE(transport.closed(socket));
    const std::size_t connects = transport.connects.size();
    advance(1'000);
    EXPECT_TRUE(transport.closed(socket)) << "the dead line is closed";
    EXPECT_EQ(transport.connects.size(), connects + 1) << "and tried again at once";
    EXPECT_EQ(transport.sent(client.currentSocket()), "Gast\r");
    // A server that never shows the name prompt we know: after 10 s the login goes on.
    advance(9'750);
    EXPECT_EQ(transport.sent(client.currentSocket()), "Gast\r");
    advance(250);
    EXPECT_EQ(transport.sent(client.currentSocket()), "Gast\r/a ist da\r\n/s\r");

    // With the option off nobody counts the keep-alive's answer.
    client.options().reconnect = false;
    const int live = client.currentSocket();
    client.keepAliveTick();
    advance(200'000);
    EXPECT_FALSE(transport.closed(live));
}

TEST_F(ReconnectTest, ANameErrorOnReconnectOpensTheLoginDialogAndTheChannelFollowsTheNewNick) {
    client.socketEvent(socket, SocketEvent::Close, 0);
    advance(250);
    const int back = client.currentSocket();
    const std::size_t dialogs = desktop.dialogs.size();
    loginNick = "Gast2";
    receive(back,
            "Gib Deinen Namen ein (oder /Show, /Exit, /Help): Gast\r\n"
            ">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.\r\n");
    ASSERT_EQ(desktop.dialogs.size(), dialogs + 1);
    EXPECT_EQ(desktop.dialogs.back(), Dialog::Login);
    EXPECT_EQ(client.tabs().label(0), "Gast2@example");
    receive(back, "/s\r\n+-\r\n| Anna, Gast2      Lobby   \r\n+-\r\n+-\r\n");
    // Nothing reached the name prompt but the nicks.
    EXPECT_EQ(transport.sent(back), "Gast\rGast2\r/a ist da\r\n/s\r/c Garten geheim\r");
}

}  // namespace
}  // namespace tavik::test
