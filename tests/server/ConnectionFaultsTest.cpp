// The control lines that end a connection from the server's side, leave one
// dead without closing it, or refuse new ones: what a client's reconnect meets.
#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace tavik::servertest {
namespace {

TEST(ConnectionFaults, DropClosesAConnectionAndTheChatterLeaves) {
    ServerProcess server({"--no-bots", "--control"});
    ChatClient gast(server.port());
    ASSERT_TRUE(gast.login("Gast"));
    ChatClient anna(server.port());
    ASSERT_TRUE(anna.login("Anna"));
    server.control("drop Gast");
    int error = -1;
    ASSERT_TRUE(gast.waitClosed(error));
    EXPECT_EQ(error, 0) << "an orderly close";
    EXPECT_TRUE(anna.expectLine("--> Gast hat den Chat verlassen."));
    // The nick is free again at once.
    ChatClient again(server.port());
    EXPECT_TRUE(again.login("Gast"));
}

TEST(ConnectionFaults, StallLeavesTheConnectionOpenAndUnanswered) {
    ServerProcess server({"--no-bots", "--control"});
    ChatClient gast(server.port());
    ASSERT_TRUE(gast.login("Gast"));
    server.control("stall Gast");
    // The control line and what follows are not ordered: give the server a moment.
    ChatClient anna(server.port());
    ASSERT_TRUE(anna.login("Anna"));
    gast.send("/s\r");
    const std::size_t before = gast.raw().size();
    EXPECT_FALSE(gast.readUntil([&](const std::string& raw) { return raw.size() > before; }, 700ms))
        << "no answer";
    int error = -1;
    EXPECT_FALSE(gast.waitClosed(error, 300ms)) << "and no close";
    // The chatter stays: its nick is taken for a newcomer.
    anna.send("/s\r");
    auto frame = anna.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(readChatterList(*frame), (std::vector<ListedChannel>{{"Lobby", false, {"Gast", "Anna"}}}));
}

TEST(ConnectionFaults, RefuseClosesTheNextConnectionsAtOnce) {
    ServerProcess server({"--no-bots", "--control"});
    server.control("refuse 2");
    ChatClient watcher(server.port());  // a control line is carried out before the next accept
    int error = -1;
    ASSERT_TRUE(watcher.waitClosed(error));
    ChatClient second(server.port());
    EXPECT_TRUE(second.waitClosed(error));
    EXPECT_EQ(second.plain(), "") << "closed before the banner";
    ChatClient third(server.port());
    EXPECT_TRUE(third.login("Gast"));
}

}  // namespace
}  // namespace tavik::servertest
