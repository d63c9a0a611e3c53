// The reconnect with the real window, the real transport and the local chat
// server, whose control lines drop a connection, refuse new ones or leave one
// dead without closing it. Time for the waits comes from a fake clock the test
// moves on; the sockets are real.

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTest>
#include <algorithm>
#include <string>
#include <string_view>

#include "MainWindow.h"
#include "ServerWindowFixture.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

// The window over fakes: the menu's "Neu verbinden" and the greyed tab follow the session's wait.
TEST(ReconnectWindow, NeuVerbindenIsOfferedWhileTheTabWaitsAndTriesAtOnce) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    client.settings().sound = false;
    client.settings().logfile = false;
    gui::MainWindow window(client, nullptr);
    desktop.onDialog = [&](Dialog d) {
        if (d == Dialog::Connect) {
            client.connectDialog().setText("chat.example.org:4000");
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        client.loginDialog().setNick("Gast");
        client.loginDialog().ok();
        return 1;
    };
    window.dispatch(Command::Connect);
    const int socket = client.currentSocket();
    QAction* again = window.action(Command::ReconnectNow);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text(), QStringLiteral("Neu verbinden"));
    EXPECT_FALSE(again->isEnabled()) << "a live session";
    const QColor normal = window.tabStrip()->tabTextColor(0);

    transport.connectResult = 10061;
    client.socketEvent(socket, SocketEvent::Close, 0);
    EXPECT_TRUE(again->isEnabled());
    EXPECT_EQ(window.tabStrip()->tabTextColor(0),
              window.palette().color(QPalette::Disabled, QPalette::WindowText));
    EXPECT_EQ(window.tabStrip()->tabText(0), QStringLiteral("Gast@example"));
    const std::size_t connects = transport.connects.size();
    again->trigger();
    EXPECT_EQ(transport.connects.size(), connects + 1);

    transport.connectResult = 0;
    again->trigger();
    EXPECT_FALSE(again->isEnabled()) << "back";
    EXPECT_EQ(window.tabStrip()->tabTextColor(0), normal);
}

}  // namespace
}  // namespace tavik::test

#ifdef TAVIK_SERVER_BINARY

namespace tavik::test {
namespace {

class ReconnectEndToEnd : public ServerWindowTest {
protected:
    ReconnectEndToEnd() {
        client.settings().nicknames[0] = "Gast";
        client.settings().loginTexts[0] = "/a ist da\r\n";
        window.show();
    }

    // The record's entries of one kind: "< " lines the client sent, "# " events.
    long recorded(std::string_view what) const {
        return std::ranges::count_if(
            recordEntries(), [what](std::string_view entry) { return withoutLineEnd(entry) == what; });
    }
    long logins(const std::string& name) const { return recorded("# logged in as " + name); }

    bool inChannel(const std::string& channel) {
        const ChatterTreeModel& m = client.chatterTree().model();
        for (const TreeItemId top : m.topLevel()) {
            for (const TreeItemId ch : m.children(top)) {
                if (m.item(ch)->text.rfind(channel + " (", 0) != 0) continue;
                for (const TreeItemId chatter : m.children(ch)) {
                    if (m.item(chatter)->text == nick.toStdString()) return true;
                }
            }
        }
        return false;
    }
    // The list shows the own nick in the channel (the keep-alive asks for it).
    bool inChannelAfterAList(const std::string& channel) {
        return QTest::qWaitFor(
            [&] {
                client.keepAliveTick();
                return inChannel(channel);
            },
            5000);
    }
    bool lastAlertIs(const std::string& text) {
        const MessageRows& rows = client.messageView().rows();
        for (int i = rows.count() - 1; i >= 0; --i) {
            if (rows.kind(i) == LineKind::Alert) return rows.cell(i, 1) == text;
        }
        return false;
    }
    // Logs in through the dialogs and goes into the Garten.
    void logInToTheGarden() {
        ASSERT_NO_FATAL_FAILURE(connectThroughTheDialogs());
        type(QStringLiteral("/c Garten"));
        ASSERT_TRUE(inChannelAfterAList("Garten"));
        dialogsAfterLogin = desktop.dialogs.size();
    }
    void advance(long long ms) {
        clock.steady += ms;
        QTest::qWait(300);  // the window's timer comes by
    }

    std::size_t dialogsAfterLogin = 0;
};

TEST_F(ReconnectEndToEnd, ADroppedConnectionIsBackAtOnceThenAfterTheWaitsWithNickAndChannel) {
    ASSERT_NO_FATAL_FAILURE(logInToTheGarden());
    EXPECT_TRUE(client.options().reconnect) << "on by default";
    EXPECT_EQ(window.action(Command::Reconnect)->text(), QStringLiteral("Automatisch neu verbinden"));
    ASSERT_EQ(logins("Gast"), 1);

    QElapsedTimer sinceDrop;
    sinceDrop.start();
    server.control("drop Gast");
    ASSERT_TRUE(QTest::qWaitFor([&] { return logins("Gast") == 2; }, 5000));
    const qint64 backAfter = sinceDrop.elapsed();
    RecordProperty("back_after_drop_ms", static_cast<int>(backAfter));
    EXPECT_LT(backAfter, 1000) << "back after " << backAfter << " ms";
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded("< /c Garten") == 2; }, 5000));
    EXPECT_TRUE(inChannelAfterAList("Garten"));
    EXPECT_EQ(recorded("< /a ist da"), 2) << "the Login-Auto-Text once per login";
    EXPECT_EQ(desktop.dialogs.size(), dialogsAfterLogin) << "no dialog";
    EXPECT_EQ(window.tabStrip()->count(), 2);
    EXPECT_EQ(window.tabStrip()->tabText(0), QStringLiteral("Gast@localhost"));
    EXPECT_FALSE(client.tabs().disconnected(0));

    // A minute later: dropped again, and the next two connections are shut at
    // once. The first try comes at once, the next after 5 s, then after 10 s.
    advance(ReconnectPlan::SteadyMs);
    server.control("refuse 2");
    server.control("drop Gast");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return lastAlertIs("Verbindung verloren \x96 neuer Versuch in 5 s"); }, 5000));
    EXPECT_TRUE(client.tabs().disconnected(0));
    EXPECT_EQ(window.tabStrip()->tabTextColor(0),
              window.palette().color(QPalette::Disabled, QPalette::WindowText))
        << "greyed";
    advance(4'000);
    EXPECT_EQ(logins("Gast"), 2) << "not before the wait is over";
    advance(1'000);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return lastAlertIs("Verbindung verloren \x96 neuer Versuch in 10 s"); }, 5000));
    advance(10'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return logins("Gast") == 3; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorded("< /c Garten") == 3; }, 5000));
    EXPECT_FALSE(client.tabs().disconnected(0));
    EXPECT_EQ(desktop.dialogs.size(), dialogsAfterLogin) << "no dialog";
    EXPECT_EQ(recorded("< Gast"), 3) << "the nick once per connection";
}

TEST_F(ReconnectEndToEnd, TrennenOnTheWaitingTabStopsTheTries) {
    ASSERT_NO_FATAL_FAILURE(logInToTheGarden());
    server.control("refuse 100");
    server.control("drop Gast");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return lastAlertIs("Verbindung verloren \x96 neuer Versuch in 5 s"); }, 5000));
    EXPECT_EQ(client.connectLabel().text(), "Trennen");
    window.dispatch(Command::Connect);  // "Trennen"
    EXPECT_EQ(window.tabStrip()->count(), 1);
    EXPECT_EQ(client.connectLabel().text(), "Verbinden");
    server.control("refuse 0");
    advance(20'000);
    advance(600'000);
    EXPECT_EQ(logins("Gast"), 1);
    EXPECT_EQ(desktop.dialogs.size(), dialogsAfterLogin);
}

TEST_F(ReconnectEndToEnd, AHalfDeadConnectionIsLostAfterTheUnansweredKeepAlive) {
    ASSERT_NO_FATAL_FAILURE(logInToTheGarden());
    server.control("stall Gast");
    QTest::qWait(300);
    advance(1'000);  // what came so far came before the keep-alive below
    client.keepAliveTick();
    advance(ReconnectPlan::KeepAliveAnswerMs - 1'000);
    EXPECT_FALSE(client.tabs().disconnected(0)) << "still waiting for the answer";
    EXPECT_EQ(logins("Gast"), 1);
    // The server still holds the dead connection's chatter: the nick is taken,
    // and the Login dialog comes as at a first login.
    nick = QStringLiteral("Gast2");
    advance(1'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return logins("Gast2") == 1; }, 5000));
    EXPECT_EQ(desktop.dialogs.size(), dialogsAfterLogin + 1);
    EXPECT_EQ(desktop.dialogs.back(), Dialog::Login);
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorded("< /c Garten") == 2; }, 5000));
    EXPECT_TRUE(inChannelAfterAList("Garten"));
    EXPECT_EQ(window.tabStrip()->tabText(0), QStringLiteral("Gast2@localhost"));
}

}  // namespace
}  // namespace tavik::test

#endif
