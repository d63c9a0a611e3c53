#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

using Lines = std::vector<std::string>;

class ChatterListTest : public ClientTest {
protected:
    ChatterListTest() { connect(7, "brenn-chat", "Gast"); }
    Session& session() { return *client.sessions().findBySocket(7); }
};

TEST_F(ChatterListTest, ListLineWithRemarkAndProtectedChannel) {
    receive(7, framedList("/s", {"| Gast, Anderer (weg),   Dritter      Lobby *   "}));
    EXPECT_EQ(treeLines(), (Lines{"brenn-chat", "brenn-chat/Lobby (3)", "brenn-chat/Lobby (3)/Anderer (weg)",
                                  "brenn-chat/Lobby (3)/Dritter", "brenn-chat/Lobby (3)/Gast"}));
    const ChatterTreeModel& m = client.chatterTree().model();
    const TreeItemId top = m.topLevel()[0];
    const TreeItemId channel = m.children(top)[0];
    EXPECT_EQ(m.item(channel)->image, 7);
    EXPECT_EQ(m.item(channel)->selectedImage, 17);
    EXPECT_TRUE(m.item(channel)->expanded);
    EXPECT_TRUE(m.item(top)->expanded);
    EXPECT_EQ(m.item(top)->image, 9);
    EXPECT_EQ(m.item(m.children(channel)[0])->image, 1);
    // The names list has the name without its remark.
    const auto names = client.namesList().entries();
    EXPECT_EQ(Lines(names.begin(), names.end()),
              (Lines{"Anderer@brenn-chat", "Dritter@brenn-chat", "Gast@brenn-chat"}));
    EXPECT_EQ(client.chatterCount(), 3);
    EXPECT_EQ(desktop.title,
              "TavikClient(vom Jan 19 2002) f\xFCr Brenn-Chat - \"Gast\" - 3 Chatters im Chat");
}

TEST_F(ChatterListTest, ChannelLabelRules) {
    receive(7, framedList("/s", {"| Anna,   Bert      Lobby  *   ", "| Carla, Dora,",
                                 "| Emil      Kneipe     ", "| Fritz"}));
    const ChatterTreeModel& m = client.chatterTree().model();
    const auto& channels = m.children(m.topLevel()[0]);
    ASSERT_EQ(channels.size(), 3U);
    // A new channel item starts without text and so sorts first: the last channel opened is on top.
    EXPECT_EQ(m.item(channels[0])->text, "");  // Fritz's channel never got its label
    EXPECT_EQ(m.item(channels[1])->text, "Kneipe (3)");
    EXPECT_EQ(m.item(channels[1])->image, 5);
    EXPECT_EQ(m.item(channels[2])->text, "Lobby (2)");
    EXPECT_EQ(m.item(channels[2])->image, 5);  // two blanks before "*": not protected
    // A name that ends with the line is no name.
    EXPECT_TRUE(m.children(channels[0]).empty());
    EXPECT_EQ(client.chatterCount(), 5);
}

TEST_F(ChatterListTest, HiddenAfterKeepAliveShownAfterUserRequest) {
    receive(7, "<Anna> vorher\r\n");
    receive(7, framedList("/s", {"| Anna      Lobby    "}));
    EXPECT_EQ(lastRow().cells[1], "vorher");

    receive(7, framedList("/S", {"| Anna      Lobby    "}) + "+ nach der Liste\r\n| auch nicht\r\n");
    // Every "+" and "|" line of the list is a notice; rows stop after the closing "+" line.
    EXPECT_EQ(lastRow(0).cells[1], "+------------------------------+");
    EXPECT_EQ(lastRow(1).cells[1], "| Anna      Lobby    ");
    EXPECT_EQ(lastRow(2).cells[1], "+------------------------------+");
    EXPECT_EQ(lastRow(3).cells[1], "| Chatter und Chatterinnen im Brenn-Chat:        ");
    EXPECT_EQ(lastRow(4).cells[1], "+------------------------------+");
    EXPECT_EQ(lastRow(5).cells[1], "vorher");
    EXPECT_EQ(lastRow(0).kind, LineKind::Notice);
}

TEST_F(ChatterListTest, HelpTextIsShownNotParsed) {
    receive(7, "/h\r\n+---- Hilfe ----+\r\n| /w Name Text   fluestern  \r\n+---------------+\r\n");
    EXPECT_EQ(lastRow(1).cells[1], "| /w Name Text   fluestern  ");
    EXPECT_EQ(lastRow(1).kind, LineKind::Notice);
    EXPECT_TRUE(treeLines().empty());
    receive(7, framedList("/s", {"| Anna      Lobby    "}));
    EXPECT_EQ(treeLines().size(), 3U);
}

TEST_F(ChatterListTest, RebuildKeepsCollapsedChannelsAndSweepsVanishedOnes) {
    receive(7, framedList("/s", {"| Anna      Lobby    ", "| Bert      Kneipe    "}));
    ChatterTreeModel& m = client.chatterTree().model();
    TreeItemId kneipe = NoItem;
    for (const TreeItemId c : m.children(m.topLevel()[0])) {
        if (m.item(c)->text == "Kneipe (1)") kneipe = c;
    }
    ASSERT_NE(kneipe, NoItem);
    EXPECT_EQ(client.chatterTree().channelToggled(kneipe, 0), &session());

    receive(7, framedList("/s", {"| Anna      Lobby    ", "| Bert, Carla      Kneipe    "}));
    for (const TreeItemId c : m.children(m.topLevel()[0])) {
        EXPECT_EQ(m.item(c)->expanded, m.item(c)->text != "Kneipe (2)") << m.item(c)->text;
    }
    // A collapsed channel survives lists that no longer show it; an expanded one is swept.
    receive(7, framedList("/s", {"| Carla      Garten    "}));
    std::vector<std::string> channels;
    for (const NameEntry& e : session().channels)
        channels.push_back(e.name);
    EXPECT_EQ(channels, (Lines{"Lobby", "Garten", "Kneipe"}));  // the first entry is never swept
}

TEST_F(ChatterListTest, IgnoredChatterShowsTheIgnoredImages) {
    receive(7, framedList("/s", {"| Anna, Bert      Lobby    "}));
    session().setIgnoreMark(*session().chatterNames.find("Bert", "", false), true);
    receive(7, framedList("/s", {"| Anna, Bert      Lobby    "}));
    const ChatterTreeModel& m = client.chatterTree().model();
    const auto& chatters = m.children(m.children(m.topLevel()[0])[0]);
    ASSERT_EQ(chatters.size(), 2U);
    EXPECT_EQ(m.item(chatters[0])->image, 1);
    EXPECT_EQ(m.item(chatters[1])->image, 0);
    EXPECT_EQ(m.item(chatters[1])->selectedImage, 10);
}

TEST_F(ChatterListTest, InterleavedListsOfTwoSessionsStayApart) {
    connect(8, "anderer-chat", "Gast");
    const std::string a = framedList("/s", {"| Anna, Bert      Lobby    "});
    const std::string b = framedList("/s", {"| Xaver      Keller    ", "| Yvonne, Zora      Dach *  "});
    // Line by line, alternating: the keep-alive asks both servers at once.
    auto split = [](const std::string& s) {
        Lines out;
        std::size_t at = 0;
        while (at < s.size()) {
            const auto lf = s.find('\n', at);
            out.push_back(s.substr(at, lf - at + 1));
            at = lf + 1;
        }
        return out;
    };
    const Lines la = split(a);
    const Lines lb = split(b);
    for (std::size_t i = 0; i < std::max(la.size(), lb.size()); ++i) {
        if (i < lb.size()) receive(8, lb[i]);
        if (i < la.size()) receive(7, la[i]);
    }
    EXPECT_EQ(treeLines(), (Lines{"anderer-chat", "anderer-chat/Dach (2)", "anderer-chat/Dach (2)/Yvonne",
                                  "anderer-chat/Dach (2)/Zora", "anderer-chat/Keller (1)",
                                  "anderer-chat/Keller (1)/Xaver", "brenn-chat", "brenn-chat/Lobby (2)",
                                  "brenn-chat/Lobby (2)/Anna", "brenn-chat/Lobby (2)/Bert"}));
    const auto names = client.namesList().entries();
    EXPECT_EQ(names.size(), 5U);
    EXPECT_EQ(client.chatterCount(), 3);  // the list that ended last
    EXPECT_EQ(lastRow().cells[1], " ");   // nothing shown
}

TEST_F(ChatterListTest, DisconnectRemovesOnlyThatSessionsItems) {
    connect(8, "anderer-chat", "Gast");
    receive(7, framedList("/s", {"| Anna      Lobby    "}));
    receive(8, framedList("/s", {"| Xaver      Keller    "}));
    client.socketEvent(8, SocketEvent::Close, 0);
    EXPECT_EQ(treeLines(), (Lines{"brenn-chat", "brenn-chat/Lobby (1)", "brenn-chat/Lobby (1)/Anna"}));
    const auto names = client.namesList().entries();
    EXPECT_EQ(Lines(names.begin(), names.end()), (Lines{"Anna@brenn-chat"}));
    EXPECT_EQ(lastRow().cells[1], "Die Verbindung wurde abgebrochen");
    EXPECT_EQ(lastRow().kind, LineKind::Alert);
    EXPECT_EQ(rows().count(), 500);
    EXPECT_EQ(client.messageView().inProgressRows(), 1);
    EXPECT_EQ(client.tabs().count(), 2);
    EXPECT_EQ(client.currentSocket(), 7);  // tab 0 became current
}

TEST_F(ChatterListTest, EndlessListLinesStayBounded) {
    std::string chunk;
    for (int i = 0; i < 30000; ++i) {
        chunk += "| N" + std::to_string(i) + ", M" + std::to_string(i) + ",\r\n";
        if (chunk.size() > 20000) {
            receive(7, chunk);
            chunk.clear();
        }
    }
    receive(7, chunk);
    EXPECT_LE(client.chatterTree().model().size(), ChatterTree::MaxItemsPerSession + 2);
    EXPECT_LE(session().chatterNames.size(), Session::MaxNames);
    EXPECT_LE(client.namesList().size(), ChatterTree::MaxItemsPerSession);
}

// Header lines start the tree anew, also in lists that follow without an echo;
// the names list must not keep growing behind it.
TEST_F(ChatterListTest, RepeatedHeadersKeepTheNamesBounded) {
    for (int round = 0; round < 40; ++round) {
        std::string chunk = "+---+\r\n| Chatter und Chatterinnen im Brenn-Chat:      \r\n+---+\r\n";
        for (int i = 0; i < 30; ++i)
            chunk += "| R" + std::to_string(round) + "N" + std::to_string(i) + ", X,\r\n";
        receive(7, chunk + "+---+\r\n");
    }
    EXPECT_LE(client.namesList().size(), 60U);
}

}  // namespace
}  // namespace tavik::test
