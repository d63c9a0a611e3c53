// Two or more chatters on one server: what each of them sees.
#include <gtest/gtest.h>

#include "ServerHarness.h"

namespace tavik::servertest {
namespace {

class Chat : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server.port(), 0);
        ASSERT_TRUE(anna.login("Anna"));
        ASSERT_TRUE(bert.login("Bert"));
        ASSERT_TRUE(anna.expectLine("--> Bert kommt in den Chat."));
    }

    // Sends "/S" and reads the list that follows its echo.
    static std::vector<ListedChannel> list(ChatClient& c) {
        c.send("/S\r");
        if (!c.expectLine("/S")) return {};
        auto frame = c.nextFrame();
        if (!frame) return {};
        for (const auto& line : *frame)
            EXPECT_LT(line.size(), 250u);
        auto channels = readChatterList(*frame);
        EXPECT_TRUE(channels) << "the list does not read as a list";
        return channels.value_or(std::vector<ListedChannel>{});
    }

    ServerProcess server{{"--no-bots"}};
    ChatClient anna{server.port()};
    ChatClient bert{server.port()};
};

TEST_F(Chat, PublicLinesReachTheWholeChannelWithTheirBytesIntact) {
    anna.send(
        "Gr\xFC\xDF"
        "e an alle\r");
    for (ChatClient* c : {&anna, &bert})
        EXPECT_TRUE(
            c->expectLine("<Anna> Gr\xFC\xDF"
                          "e an alle"));
    // Names are wrapped in bold and reset sequences like a real server does it.
    EXPECT_NE(bert.raw().find("\x1b[1m<Anna>\x1b[0m"), std::string::npos);
}

TEST_F(Chat, WhispersReachOnlyTheAddresseeAndAreEchoed) {
    ChatClient carla(server.port());
    ASSERT_TRUE(carla.login("Carla"));
    anna.send("/w bert Psst, geheim\r");
    EXPECT_TRUE(anna.expectLine("/w Bert Psst, geheim")) << "the echo names the chatter as he is called";
    EXPECT_TRUE(bert.expectLine("<*Anna*> Psst, geheim"));
    carla.send("/s\r");
    auto seen = carla.linesThrough("/s");
    ASSERT_TRUE(seen);
    for (const auto& line : *seen)
        EXPECT_EQ(line.find("Psst"), std::string::npos) << line;

    anna.send("/w Niemand Hallo?\r");
    EXPECT_TRUE(anna.expectLine(">>> Niemand namens Niemand ist im Chat."));
}

TEST_F(Chat, RenameIsAnnouncedToEveryoneAndFreesTheOldName) {
    bert.send("/n Berti\r");
    for (ChatClient* c : {&anna, &bert})
        EXPECT_TRUE(c->expectLine(">-> Bert wird zu Berti."));
    anna.send("/n BERTI\r");
    EXPECT_TRUE(anna.expectLine(">>> Der Name BERTI ist schon vergeben."));
    anna.send("/n G\xE4st\r");
    EXPECT_TRUE(anna.expectLine(">>> Der Name G\xE4st ist nicht erlaubt."));
    anna.send("/w Berti Hallo\r");
    EXPECT_TRUE(bert.expectLine("<*Anna*> Hallo"));
    ChatClient newcomer(server.port());
    EXPECT_TRUE(newcomer.login("Bert"));
}

TEST_F(Chat, ChannelsSeparateTalkAndProtectedOnesNeedThePassword) {
    bert.send("/c Kneipe\r");
    EXPECT_TRUE(anna.expectLine("--> Bert geht in den Channel Kneipe."));
    EXPECT_TRUE(bert.expectLine(">>> Du bist jetzt im Channel Kneipe."));
    anna.send("Nur fuer die Lobby\r");
    ASSERT_TRUE(anna.expectLine("<Anna> Nur fuer die Lobby"));
    bert.send("Prost\r");
    ASSERT_TRUE(bert.expectLine("<Bert> Prost"));
    anna.send("/c kneipe\r");
    EXPECT_TRUE(bert.expectLine("--> Anna kommt aus dem Channel Lobby."));
    // Each saw the other's line confirmed before the own one went out, so a leak
    // would already be in what was read.
    EXPECT_EQ(bert.plain().find("Nur fuer die Lobby"), std::string::npos);
    auto annaSaw = anna.linesThrough("/c kneipe");
    ASSERT_TRUE(annaSaw);
    for (const auto& line : *annaSaw)
        EXPECT_EQ(line.find("Prost"), std::string::npos);

    const std::pair<std::string, std::string> refusals[] = {
        {"/c Hinterzimmer\r", ">>> Der Channel Hinterzimmer ist geschuetzt, bitte mit Passwort."},
        {"/c Hinterzimmer falsch\r", ">>> Falsches Passwort fuer den Channel Hinterzimmer."},
        {"/c Kneipe\r", ">>> Du bist schon im Channel Kneipe."},
    };
    for (const auto& [command, notice] : refusals) {
        bert.send(command);
        EXPECT_TRUE(bert.expectLine(notice)) << command;
    }
    bert.send("/c Hinterzimmer geheim\r");
    EXPECT_TRUE(anna.expectLine("--> Bert geht in den Channel Hinterzimmer."));
    EXPECT_EQ(bert.plain().find("geheim"), std::string::npos) << "the password is never echoed";
    EXPECT_EQ(list(anna),
              (std::vector<ListedChannel>{{"Kneipe", false, {"Anna"}}, {"Hinterzimmer", true, {"Bert"}}}));
}

TEST_F(Chat, NewChannelsComeWithTheirFirstVisitorAndGoWithTheLast) {
    bert.send("/c Garage pw\r");
    ASSERT_TRUE(bert.expectLine(">>> Du bist jetzt im Channel Garage."));
    EXPECT_EQ(list(anna),
              (std::vector<ListedChannel>{{"Lobby", false, {"Anna"}}, {"Garage", true, {"Bert"}}}));
    anna.send("/c Garage\r");
    EXPECT_TRUE(anna.expectLine(">>> Der Channel Garage ist geschuetzt, bitte mit Passwort."));
    bert.send("/c Lobby\r");
    ASSERT_TRUE(bert.expectLine(">>> Du bist jetzt im Channel Lobby."));
    anna.send("/c Garage\r");
    EXPECT_TRUE(anna.expectLine(">>> Du bist jetzt im Channel Garage.")) << "a fresh channel, unprotected";
}

TEST_F(Chat, ActionsAwayAndBackAreEvents) {
    anna.send("/a schlaeft ein.\r");
    for (ChatClient* c : {&anna, &bert})
        EXPECT_TRUE(c->expectLine("--> Anna schlaeft ein."));
    anna.send("/weg\r");
    EXPECT_TRUE(bert.expectLine("--> Anna ist weg (weg)."));
    bert.send("/weg Essen (lecker), gleich\r");
    EXPECT_TRUE(anna.expectLine("--> Bert ist weg (Essen lecker gleich)."));
    EXPECT_EQ(list(anna),
              (std::vector<ListedChannel>{{"Lobby", false, {"Anna (weg)", "Bert (Essen lecker gleich)"}}}));
    anna.send("/da\r");
    EXPECT_TRUE(bert.expectLine("--> Anna ist wieder da."));
    EXPECT_EQ(list(bert),
              (std::vector<ListedChannel>{{"Lobby", false, {"Anna", "Bert (Essen lecker gleich)"}}}));
}

TEST_F(Chat, LeavingByExitOrByHangingUpIsAnnounced) {
    bert.send("/e\r");
    EXPECT_TRUE(bert.expectLine("/e"));
    int error = -1;
    EXPECT_TRUE(bert.waitClosed(error));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(anna.expectLine("--> Bert hat den Chat verlassen."));
    {
        ChatClient carla(server.port());
        ASSERT_TRUE(carla.login("Carla"));
        ASSERT_TRUE(anna.expectLine("--> Carla kommt in den Chat."));
    }
    EXPECT_TRUE(anna.expectLine("--> Carla hat den Chat verlassen."));
    EXPECT_EQ(list(anna), (std::vector<ListedChannel>{{"Lobby", false, {"Anna"}}}));
}

TEST_F(Chat, HelpComesAsFramedLinesAfterItsEcho) {
    anna.send("/h\r");
    ASSERT_TRUE(anna.expectLine("/h"));
    auto frame = anna.nextFrame();
    ASSERT_TRUE(frame);
    ASSERT_GE(frame->size(), 5u);
    for (const auto& line : *frame)
        EXPECT_TRUE(line.starts_with("+") || line.starts_with("|")) << line;
}

TEST(ChatList, ManyChattersSpreadOverSeveralRowsOfOneChannel) {
    ServerProcess server({"--no-bots"});
    std::vector<std::unique_ptr<ChatClient>> clients;
    std::vector<std::string> nicks;
    for (int i = 0; i < 12; ++i) {
        nicks.push_back("Chatterin_Nummer_" + std::to_string(10 + i));
        clients.push_back(std::make_unique<ChatClient>(server.port()));
        ASSERT_TRUE(clients.back()->login(nicks.back()));
    }
    ChatClient& last = *clients.back();
    last.send("/S\r");
    ASSERT_TRUE(last.expectLine("/S"));
    auto frame = last.nextFrame();
    ASSERT_TRUE(frame);
    EXPECT_GT(frame->size(), 6u) << "twelve long names need more than one row";
    for (std::size_t i = 3; i + 2 < frame->size(); ++i) {
        EXPECT_TRUE((*frame)[i].ends_with(",")) << "rows that go on end with a comma: " << (*frame)[i];
    }
    auto channels = readChatterList(*frame);
    ASSERT_TRUE(channels);
    EXPECT_EQ(*channels, (std::vector<ListedChannel>{{"Lobby", false, nicks}}));
}

}  // namespace
}  // namespace tavik::servertest
