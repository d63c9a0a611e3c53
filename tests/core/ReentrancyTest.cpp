// Message boxes and modal dialogs run nested event loops in which the server may
// close a session. Whatever was working on that session when the box opened
// must find out afterwards instead of touching the freed session.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class ReentrancyTest : public ClientTest {
protected:
    // The log cannot be written: the first logged row opens a box.
    void failingLog() {
        client.settings().logfile = true;
        std::ofstream(dir.path() / "LogFiles") << "a file where the directory should be";
    }
    // ChatWatch.cfg cannot be written: a save opens a box.
    void failingChatWatchSave() { std::filesystem::create_directory(dir.path() / "ChatWatch.cfg"); }
    void watch(const std::string& name, const std::string& greeting = "") {
        NameList& list = client.chatWatch().list();
        if (list.empty()) {
            list.add(name);
        } else {
            list.addOrRefresh(name);
        }
        NameEntry* e = list.find(name, "", false);
        e->text = greeting;
        e->optionA = 1;  // greet once: the greeting is cleared and the list saved
    }
    // The first box closes `socket` from inside its loop.
    void closeInFirstBox(int socket) {
        desktop.onMessageBox = [this, socket, done = false](const FakeDesktop::Box&) mutable {
            if (done) return;
            done = true;
            client.socketEvent(socket, SocketEvent::Close, 0);
        };
    }
    int rowsWith(const std::string& text) {
        int n = 0;
        for (int i = 0; i < rows().count(); ++i)
            n += rows().cell(i, 1) == text ? 1 : 0;
        return n;
    }
};

TEST_F(ReentrancyTest, ASessionClosedInsideABoxIsNotTouchedAfterwards) {
    // Each case: what opens the box while a chatter list or a long row is being read.
    struct Case {
        const char* what;
        bool log;
        bool chatWatchSave;
        std::string bytes;
        std::string expectedBox;
    };
    const std::string longPlain = "Hallo " + std::string(90, 'x') + " und noch mehr Text am Ende\r\n";
    const Case cases[] = {
        {"the announcement row's log write", true, false, listOf("eins", "Anna, Bert, Clara"),
         "Log-File-Error, Logging wird abgestellt."},
        {"the greeting's ChatWatch save", false, true, listOf("eins", "Anna, Bert, Clara"),
         "Fehler beim Speichern von ChatWatch Daten"},
        {"the first piece of a wrapped row", true, false, longPlain,
         "Log-File-Error, Logging wird abgestellt."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.path() / "LogFiles");
        std::filesystem::remove_all(dir.path() / "ChatWatch.cfg");
        client.chatWatch().list().clear();
        desktop.boxes.clear();
        client.settings().logfile = false;
        if (c.log) failingLog();
        if (c.chatWatchSave) failingChatWatchSave();
        watch("Anna", "Willkommen");

        const int socket = 7 + static_cast<int>(&c - cases) * 10;
        connect(socket, "eins", "Gastfreundschaftlicher" + std::to_string(socket));
        closeInFirstBox(socket);
        receive(socket, c.bytes);

        ASSERT_FALSE(desktop.boxes.empty());
        EXPECT_EQ(desktop.boxes[0].text, c.expectedBox);
        EXPECT_EQ(client.sessions().findBySocket(socket), nullptr);
        EXPECT_TRUE(transport.closed(socket));
        EXPECT_GE(rowsWith("Die Verbindung wurde abgebrochen"), 1);
        // No item of the closed session is left in the tree.
        for (const std::string& line : treeLines())
            EXPECT_EQ(line.rfind("eins", 0), std::string::npos) << line;
        desktop.onMessageBox = nullptr;
    }
}

// A keep-alive list is read over the items of the last one. A box that
// opens while it is read (Anna arrives, and her row's log write fails) may
// close the session, or let the next list in whole: no item of the session
// outlives it, no item is left stale, and the tree's counts hold.
TEST_F(ReentrancyTest, ABoxInsideAKeepAliveListLeavesNoStaleItems) {
    for (const bool close : {true, false}) {
        SCOPED_TRACE(close ? "the session closes" : "the next list comes whole");
        const int socket = close ? 7 : 8;
        const std::string chat = close ? "eins" : "zwei";
        client.settings().logfile = false;
        connect(socket, chat, "Gast");
        receive(socket, listOf(chat, "Bert, Clara"));
        std::filesystem::remove_all(dir.path() / "LogFiles");
        failingLog();
        watch("Anna");
        desktop.onMessageBox = [&, done = false](const FakeDesktop::Box&) mutable {
            if (done) return;
            done = true;
            if (close) {
                client.socketEvent(socket, SocketEvent::Close, 0);
            } else {
                receive(socket, listOf(chat, "Emil"));
            }
        };
        receive(socket, listOf(chat, "Anna, Bert, Dora"));
        desktop.onMessageBox = nullptr;
        ASSERT_FALSE(desktop.boxes.empty());

        const ChatterTreeModel& m = client.chatterTree().model();
        EXPECT_EQ(m.brokenInvariant(), nullptr);
        const auto walk = [&](const auto& self, TreeItemId parent) -> void {
            for (const TreeItemId id : m.children(parent)) {
                EXPECT_FALSE(m.isStale(id)) << m.item(id)->text;
                self(self, id);
            }
        };
        walk(walk, NoItem);
        const std::vector<std::string> lines = treeLines();
        if (close) {
            EXPECT_EQ(client.sessions().findBySocket(socket), nullptr);
            for (const std::string& line : lines)
                EXPECT_NE(line.rfind(chat, 0), 0U) << line;
        } else {
            ASSERT_NE(client.sessions().findBySocket(socket), nullptr);
            // As a rebuild has it: the inner list replaced the outer one's
            // items, Anna's parent went with them, and the outer list's other
            // names came under a new channel.
            EXPECT_EQ(lines, (std::vector<std::string>{"zwei", "zwei/Lobby (2)", "zwei/Lobby (2)/Bert",
                                                       "zwei/Lobby (2)/Dora", "zwei/Lobby (1)",
                                                       "zwei/Lobby (1)/Emil"}));
        }
    }
}

TEST_F(ReentrancyTest, PiecesAfterTheBoxThatClosedTheSessionNoLongerNameItsChat) {
    failingLog();
    connect(7, "eins", "Anna");
    closeInFirstBox(7);
    receive(7, "Hallo " + std::string(90, 'x') + " und noch mehr Text am Ende\r\n");
    ASSERT_EQ(client.sessions().findBySocket(7), nullptr);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Hallo", "eins"},
        {" " + std::string(79, 'x'), "Login"},
        {std::string(11, 'x') + " und noch mehr Text am Ende", "Login"}};
    for (const auto& [text, chat] : expected) {
        int found = 0;
        for (int i = 0; i < rows().count(); ++i) {
            if (rows().cell(i, 1) != text) continue;
            ++found;
            EXPECT_EQ(rows().cell(i, 3), chat) << text;
        }
        EXPECT_EQ(found, 1) << text;
    }
}

TEST_F(ReentrancyTest, AWrappedRowKeepsItsNameOnEveryPiece) {
    failingLog();
    connect(7, "eins", "Gastfreundschaftlicher");
    closeInFirstBox(7);
    receive(7, "Hallo " + std::string(90, 'x') + " und noch mehr Text\r\n");
    // Both pieces carry the nick the session had when the line arrived.
    int pieces = 0;
    for (int i = 0; i < rows().count(); ++i) {
        if (rows().cell(i, 1).find("xxxx") != std::string::npos ||
            rows().cell(i, 1) == " und noch mehr Text") {
            EXPECT_EQ(rows().cell(i, 0), "Gastfreundschaftlicher");
            ++pieces;
        }
    }
    EXPECT_EQ(pieces, 2);
}

TEST_F(ReentrancyTest, AGreetingIsNotSentToASessionThatClosedInsideTheBox) {
    failingLog();
    watch("Anna", "Willkommen");
    connect(7, "eins", "Gast");
    closeInFirstBox(7);
    receive(7, listOf("eins", "Anna"));
    EXPECT_EQ(transport.sent(7).find("/w Anna"), std::string::npos);
    // The watch entry stays for the next time.
    EXPECT_NE(client.chatWatch().list().find("Anna", "", false), nullptr);
    EXPECT_EQ(client.chatWatch().list().find("Anna", "", false)->text, "Willkommen");
}

TEST_F(ReentrancyTest, OtherSessionsCarryOnAfterTheBox) {
    // The box closes another session; the one being read goes on with its list.
    failingLog();
    watch("Anna");
    connect(7, "eins", "Gast");
    connect(8, "zwei", "Gast");
    closeInFirstBox(8);
    receive(7, listOf("eins", "Anna, Bert, Clara"));
    EXPECT_EQ(client.sessions().findBySocket(8), nullptr);
    ASSERT_NE(client.sessions().findBySocket(7), nullptr);
    const std::vector<std::string> tree = treeLines();
    for (const char* name : {"Anna", "Bert", "Clara"}) {
        bool found = false;
        for (const std::string& line : tree)
            found = found || (line.rfind("eins/", 0) == 0 && line.size() > 5 &&
                              line.substr(line.rfind('/') + 1) == name);
        EXPECT_TRUE(found) << name;
    }
}

TEST_F(ReentrancyTest, ASessionClosedWhileItsOwnDisconnectDrainsItIsTornDownOnce) {
    // "Trennen" drains what is waiting; logging that row fails, and inside the
    // box the server's close arrives for the same session.
    failingLog();
    connect(7, "eins", "Gast");
    transport.feed(7, "Hallo\r\n");
    closeInFirstBox(7);
    client.disconnect();
    EXPECT_EQ(client.sessions().findBySocket(7), nullptr);
    EXPECT_EQ(rowsWith("Die Verbindung wurde abgebrochen"), 1);
    EXPECT_EQ(client.currentSocket(), NoSocket);
}

}  // namespace
}  // namespace tavik::test
