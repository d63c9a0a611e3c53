#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// Every item of the tree, depth first: what the window can show of it.
Lines treeDump(const ChatterTreeModel& m) {
    Lines out;
    const auto walk = [&](const auto& self, TreeItemId parent, const std::string& path) -> void {
        for (const TreeItemId id : m.children(parent)) {
            const TreeItem& it = *m.item(id);
            const std::string here = path + "/" + it.text;
            out.push_back(here + " " + std::to_string(it.image) + "," + std::to_string(it.selectedImage) +
                          (it.expanded ? " open" : "") + (it.hasChildrenIndicator ? " +" : ""));
            self(self, id, here);
        }
    };
    walk(walk, NoItem, "");
    return out;
}

// A second client beside the fixture's, fed the same bytes.
struct Twin {
    explicit Twin(const std::filesystem::path& dir) : client(transport, desktop, clock, dir) {
        client.settings().sound = false;
        client.settings().logfile = false;
    }
    void receive(int socket, const std::string& bytes) {
        transport.feed(socket, bytes);
        while (transport.pendingChunks(socket) != 0)
            client.socketEvent(socket, SocketEvent::Read, 0);
    }
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client;
};

// A keep-alive list takes back the items of the last list that it lists
// again. Whatever the lists hold, the tree must end as if the session's items
// had been removed at the header and inserted anew: the twin has them removed
// before each list. Names that compare equal in any case, duplicates, remarks,
// ignored names, unnamed and collapsed channels, lists cut off by a chat line
// and lists without the echo all come up.
TEST_F(ChatterListTest, AListOverTheLastOneEndsAsIfBuiltAnew) {
    const std::filesystem::path twinDir = dir.path() / "twin";
    std::filesystem::create_directories(twinDir);
    Twin fresh(twinDir);
    fresh.client.attachSession(7, "brenn-chat", "Gast");
    connect(8, "Brenn-Chat2", "Gast");
    fresh.client.attachSession(8, "Brenn-Chat2", "Gast");
    const Lines names = {"Anna",      "anna",       "ANNA",       "Anna (weg)", "anna (weg)", "Bert",
                         "Bert (da)", "Bert (weg)", "Carla",      "Dora",       "\xC9mile",   "\xE9mile",
                         "Zora",      "Abcdefghij", "abcdefghiJ", "Abcdefghik", "N1",         "N2",
                         "N3",        "N4",         "N5",         "N6",         "N7"};
    const Lines labels = {"Lobby", "Keller", "Bar", "Dach", "Garten"};
    std::uint32_t seed = 2024;
    const auto below = [&](std::uint32_t n) {
        seed = seed * 1664525U + 1013904223U;
        return (seed >> 8) % n;
    };
    // Read events until each client took all bytes: a long list takes more than one.
    const auto both = [&](int socket, const std::string& bytes) {
        transport.feed(socket, bytes);
        while (transport.pendingChunks(socket) != 0)
            client.socketEvent(socket, SocketEvent::Read, 0);
        fresh.receive(socket, bytes);
    };
    both(8, framedList({"| Xaver      Keller    "}));
    for (int round = 0; round < 1000; ++round) {
        Lines lines;
        const std::uint32_t channels = 1 + below(5);
        for (std::uint32_t c = 0; c < channels; ++c) {
            std::string line = "|";
            const std::uint32_t count = 1 + below(8);
            for (std::uint32_t i = 0; i < count; ++i) {
                if (i > 0) line += ',';
                if (i > 0 && below(4) == 0) {
                    lines.push_back(line);
                    line = "|";
                }
                line += " " + names[below(static_cast<std::uint32_t>(names.size()))];
            }
            if (below(20) == 0) {
                line += ",  ";  // no label: the next channel's names join this one
            } else {
                line += "      " + labels[below(static_cast<std::uint32_t>(labels.size()))] + " " +
                        (below(3) == 0 ? "*" : "") + "  ";
            }
            lines.push_back(line);
        }
        const bool echo = below(5) != 0;
        std::string bytes = framedList(echo ? "/s" : "", lines);
        if (!echo) bytes.erase(0, 2);
        if (below(8) == 0) {
            // Cut off by a chat line after the header and part of the names.
            const std::size_t header = bytes.find("+\r\n", bytes.find("Brenn-Chat:")) + 3;
            const std::size_t cut =
                bytes.find('\n', header + below(static_cast<std::uint32_t>(bytes.size() - header)));
            bytes = bytes.substr(0, cut == std::string::npos ? bytes.size() : cut + 1) + "Hallo\r\n";
        }
        // Without the echo the header counts as one only where the "+" lines
        // since the last echo come in threes.
        if (echo || fresh.client.sessions().findBySocket(7)->list.plusLines % 3 == 0) {
            fresh.client.chatterTree().removeConnection(7);
        }
        both(7, bytes);
        ASSERT_EQ(client.chatterTree().model().brokenInvariant(), nullptr) << "round " << round;
        ASSERT_EQ(treeDump(client.chatterTree().model()), treeDump(fresh.client.chatterTree().model()))
            << "round " << round << "\n"
            << bytes;

        // Between lists the user ignores a name or closes and opens a channel, on both.
        if (below(4) == 0) {
            const std::string name = names[below(static_cast<std::uint32_t>(names.size()))];
            for (Client* c : {&client, &fresh.client}) {
                Session& s = *c->sessions().findBySocket(7);
                if (NameEntry* e = s.chatterNames.find(name, "", false)) s.setIgnoreMark(*e, e->active == 0);
            }
        }
        const auto pick = [&](Client& c, std::uint32_t r) {
            const ChatterTreeModel& m = c.chatterTree().model();
            for (const TreeItemId top : m.topLevel()) {
                if (m.item(top)->text == "brenn-chat" && r < m.children(top).size())
                    return m.children(top)[r];
            }
            return NoItem;
        };
        if (below(3) == 0) {
            const std::uint32_t r = below(5);
            const bool open = below(2) == 0;
            for (Client* c : {&client, &fresh.client}) {
                if (const TreeItemId channel = pick(*c, r); channel != NoItem) {
                    c->interaction().treeItemExpanded(channel, open);
                }
            }
        }
    }
    // The other session's items were never touched.
    const Lines dump = treeDump(client.chatterTree().model());
    EXPECT_NE(std::find(dump.begin(), dump.end(), "/Brenn-Chat2/Keller (1)/Xaver 1,11"), dump.end());

    // A list the same as the last keeps every item, and the window its handles.
    const std::string same = framedList({"| Anna, Bert      Lobby    ", "| Carla      Bar *   "});
    both(7, same);
    const auto handles = [&] {
        std::vector<TreeItemId> out;
        const ChatterTreeModel& m = client.chatterTree().model();
        const auto walk = [&](const auto& self, TreeItemId parent) -> void {
            for (const TreeItemId id : m.children(parent)) {
                out.push_back(id);
                self(self, id);
            }
        };
        walk(walk, NoItem);
        return out;
    };
    const std::vector<TreeItemId> before = handles();
    both(7, same);
    EXPECT_EQ(handles(), before);
}

// The cap on a session's items counts the list being read, not what is left
// of the last one until it ends.
TEST_F(ChatterListTest, TheItemCapCountsOnlyTheNewList) {
    const auto bigList = [](char first) {
        Lines lines;
        for (std::size_t i = 0; i < ChatterTree::MaxItemsPerSession; i += 10) {
            std::string line = "|";
            for (std::size_t j = i; j < i + 10; ++j)
                line += std::string(j == i ? " " : ", ") + first + std::to_string(j);
            lines.push_back(line + (i + 10 >= ChatterTree::MaxItemsPerSession ? "      Lobby   " : ","));
        }
        return framedList(lines);
    };
    const auto drain = [&](const std::string& bytes) {
        transport.feed(7, bytes);
        while (transport.pendingChunks(7) != 0)
            client.socketEvent(7, SocketEvent::Read, 0);
    };
    drain(bigList('A'));
    const std::size_t first = client.chatterTree().model().size();
    drain(bigList('B'));
    EXPECT_EQ(client.chatterTree().model().size(), first);
    EXPECT_EQ(client.chatterTree().model().item(client.chatterTree().model().topLevel()[0])->text,
              "brenn-chat");
    const TreeItemId lobby = client.chatterTree().model().children(session().treeItem)[0];
    EXPECT_EQ(client.chatterTree().model().item(client.chatterTree().model().children(lobby)[0])->text, "B0");
}

}  // namespace
}  // namespace tavik::test
