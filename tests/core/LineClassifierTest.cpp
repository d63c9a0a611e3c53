#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "fakes/ClientFixture.h"
#include "net/LineClassifier.h"
#include "net/Session.h"

namespace tavik {

// Printed on failure, so a table row shows what came out.
std::ostream& operator<<(std::ostream& os, LineKind kind) {
    return os << static_cast<int>(kind);
}

namespace test {
namespace {

struct Classified {
    LineKind kind;
    std::string name;
    std::string text;
    bool operator==(const Classified&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Classified& c) {
    return os << "{" << c.kind << ", \"" << c.name << "\", \"" << c.text << "\"}";
}

// The classifier on its own: one session and a sink that records what the
// classifier hands up, with a tree of its own.
class ClassifierSeamTest : public ::testing::Test {
protected:
    struct RecordingSink : ChatterListSink {
        std::vector<std::string> calls;
        std::set<TreeItemId> items;
        TreeItemId nextItem = 1;
        std::function<void()> onAddChatter;

        void chatterListStarts(const Session& s) override { calls.push_back("starts " + s.chatName); }
        void chatterListEnds(const Session& s, int listed) override {
            calls.push_back("ends " + s.chatName + " " + std::to_string(listed));
        }
        void chatterListHeader(Session& s) override {
            calls.push_back("header " + std::to_string(s.socket));
            items.clear();
        }
        void chatterListRead(const Session& s) override {
            calls.push_back("read " + std::to_string(s.socket));
        }
        bool hasTreeItem(TreeItemId item) const override { return items.count(item) > 0; }
        TreeItemId addTreeItem(Session&, std::string_view text, TreeItemId parent,
                               TreeItemType type) override {
            calls.push_back("add " + std::to_string(static_cast<int>(type)) + " " + std::string(text) +
                            " under " + std::to_string(parent));
            if (type == TreeItemType::Chatter && onAddChatter) onAddChatter();
            items.insert(nextItem);
            return nextItem++;
        }
        TreeItemId addChatter(Session& s, std::string_view text, std::size_t nameLength,
                              TreeItemId parent) override {
            EXPECT_EQ(text.substr(0, nameLength), cutAtBlank(text));
            return addTreeItem(s, text, parent, TreeItemType::Chatter);
        }
        void nameChannel(Session&, TreeItemId channel, std::string_view label,
                         bool protectedChannel) override {
            calls.push_back("label " + std::to_string(channel) + " " + std::string(label) +
                            (protectedChannel ? " *" : ""));
        }
        void expandTreeItem(const Session&, TreeItemId item) override {
            calls.push_back("expand " + std::to_string(item));
        }
        void nameRejected(int socket, std::string_view) override {
            calls.push_back("rejected " + std::to_string(socket));
        }
        void ownNickRenamed(Session&, std::string_view nick) override {
            calls.push_back("renamed " + std::string(nick));
        }
    };

    ClassifierSeamTest() : session(*sessions.makeFirst("brenn-chat", "Gast")) { session.setSocket(7); }

    Classified classify(const std::string& line) {
        const ServerLine r = classifier.classify(session, 7, line);
        return {r.kind, std::string(r.name), std::string(r.text)};
    }

    SessionList sessions;
    RecordingSink sink;
    LineClassifier classifier{sessions, sink};
    Session& session;
};

// Through the whole engine: the classifier's findings reach the tabs and dialogs.
class LineClassifierTest : public ClientTest {
protected:
    LineClassifierTest() : session(connect(7, "brenn-chat", "Gast")) {}

    Classified classify(const std::string& line) {
        const ServerLine r = client.receiver().classifier().classify(session, 7, line);
        return {r.kind, std::string(r.name), std::string(r.text)};
    }
    void feedLines(const std::string& lines) { receive(7, lines); }

    Session& session;
};

TEST_F(ClassifierSeamTest, LineForms) {
    struct Case {
        std::string line;
        Classified expected;
    };
    const Case cases[] = {
        {"+----+", {LineKind::Hidden, "", ""}},  // a list outside "/S" is not shown
        {"<Anna> Hallo", {LineKind::Public, "Anna", "Hallo"}},
        {"<*Anna*> Hallo", {LineKind::WhisperIn, "Anna", "Hallo"}},
        {"<Anna>", {LineKind::Public, "Anna", ""}},
        {"<Anna> ", {LineKind::Public, "Anna", ""}},
        {"/w Anna Hallo du", {LineKind::WhisperOut, "Anna", "Hallo du"}},
        {"/W Anna x", {LineKind::WhisperOut, "Anna", "x"}},
        {"/e", {LineKind::Hidden, "", ""}},
        {"/a", {LineKind::Hidden, "", ""}},
        {"/c Lobby", {LineKind::Hidden, "", ""}},
        {"/T", {LineKind::Hidden, "", ""}},
        {"/wAnna", {LineKind::Plain, "", "/wAnna"}},  // a whisper echo without blanks falls through
        {"/x", {LineKind::Plain, "", "/x"}},
        {"-", {LineKind::Public, "", "-"}},
        {"-- Trenner --", {LineKind::Public, "", "-- Trenner --"}},
        {"--> Anna schlaeft ein.", {LineKind::Event, "Anna", "schlaeft ein."}},
        {"--> Anna", {LineKind::Public, "-", "Anna"}},  // no second blank: on through ">" and "<"
        {">>> Anna ist weg.", {LineKind::Notice, "Anna", "ist weg."}},
        {">>> Anna, Bert und Carla", {LineKind::Notice, " ", "Anna, Bert und Carla"}},
        {">>> Willkommen", {LineKind::Public, ">> Willkommen", "> Willkommen"}},
        {"<<< Anna hat den Chat verlassen.", {LineKind::Plain, "", "<<< Anna hat den Chat verlassen."}},
        {"Gib Deinen Namen ein (oder /Show, /Exit, /Help): ",
         {LineKind::Plain, "", "Gib Deinen Namen ein (oder /Show, /Exit, /Help): "}},
        {"irgendwas", {LineKind::Plain, "", "irgendwas"}},
        {"", {LineKind::Plain, "", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classify(c.line), c.expected) << "line: " << c.line;
}

TEST_F(ClassifierSeamTest, ThePromptWithTheKeepAliveEchoHidesTheComingList) {
    session.list.listShown = true;
    EXPECT_EQ(classify("Gib Deinen Namen ein (oder /Show, /Exit, /Help): /s").kind, LineKind::Plain);
    EXPECT_FALSE(session.list.listShown);
    classify("Gib Deinen Namen ein (oder /Show, /Exit, /Help): /S");
    EXPECT_TRUE(session.list.listShown);
    classify("/s");
    classify("<<< Anna geht.");  // ends in the last rule and shows the next list
    EXPECT_TRUE(session.list.listShown);
}

// What a framed list hands up, in order: the list starts, the header rebuilds
// the session's items, the connection and channel items come before the first
// chatter, the label counts the chatters of its line, the list ends with all.
TEST_F(ClassifierSeamTest, AChatterListHandsUpItsItemsInOrder) {
    for (const char* line : {"+-----+", "| Chatter und Chatterinnen im Brenn-Chat:", "+-----+",
                             "| Anna, Bert (weg)   Lobby *  ", "| Carla      Keller ", "+-----+"}) {
        EXPECT_EQ(classify(line).kind, LineKind::Hidden) << line;
    }
    const std::vector<std::string> expected = {
        "starts brenn-chat",
        "add 3 brenn-chat under 0",
        "add 2  under 1",
        "header 7",
        "add 3 brenn-chat under 0",
        "add 2  under 3",
        "add 1 Anna under 4",
        "add 1 Bert (weg) under 4",
        "label 4 Lobby (2) *",
        "expand 3",
        "add 2  under 3",
        "add 1 Carla under 7",
        "label 7 Keller (1)",
        "expand 3",
        "read 7",
        "ends brenn-chat 3",
    };
    EXPECT_EQ(sink.calls, expected);
}

// The sink may open a box whose loop ends the session; the classifier then
// stops the line instead of writing into the gone session.
TEST_F(ClassifierSeamTest, ASessionEndedWhileAChatterIsAddedStopsTheLine) {
    classify("+-----+");
    sink.onAddChatter = [&] { sessions.remove(&session); };
    EXPECT_EQ(classify("| Anna, Bert, Carla   Lobby ").kind, LineKind::Hidden);
    EXPECT_EQ(std::count_if(sink.calls.begin(), sink.calls.end(),
                            [](const std::string& c) { return c.rfind("add 1 ", 0) == 0; }),
              1);
    EXPECT_TRUE(sessions.empty());
}

TEST_F(ClassifierSeamTest, NickAnswersGoUpForTheirOwnSession) {
    classify(">>> Den Chatter gibts schon!");
    classify(">-> Gast wird zu Neu.");
    classify(">-> Gastgeber wird zu Anders.");  // a name that merely starts with the nick
    const std::vector<std::string> expected = {"rejected 7", "renamed Neu"};
    EXPECT_EQ(sink.calls, expected);
}

TEST_F(LineClassifierTest, RenameOfTheOwnNickRelabelsItsTab) {
    ASSERT_EQ(client.tabs().label(0), "Gast@brenn-chat");
    EXPECT_EQ(classify(">-> Gast wird zu Neu."), (Classified{LineKind::Notice, "Gast", "wird zu Neu"}));
    EXPECT_EQ(session.nick, "Neu");
    EXPECT_EQ(client.tabs().label(0), "Neu@brenn-chat");
    EXPECT_EQ(client.tabs().label(1), "@Neue Verbindung");

    // Another chatter whose name merely contains the own nick is not us.
    classify(">-> Neugier wird zu Anders.");
    EXPECT_EQ(session.nick, "Neu");
    EXPECT_EQ(client.tabs().label(0), "Neu@brenn-chat");
}

TEST_F(LineClassifierTest, NameErrorsOpenTheLoginDialogOnce) {
    feedLines(">>> Ungueltige Zeichen im Namen.\r\n");
    ASSERT_EQ(desktop.dialogs.size(), 1U);
    EXPECT_EQ(desktop.dialogs[0], Dialog::Login);
    EXPECT_EQ(lastRow().cells[1], ">>> Ungueltige Zeichen im Namen.");
    EXPECT_EQ(lastRow().kind, LineKind::Notice);
    for (const char* line :
         {">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.",
          ">>> ### ERROR: ungueltige Zeichen im Namen ###", ">>> Den Chatter gibts schon!"}) {
        feedLines(std::string(line) + "\r\n");
    }
    EXPECT_EQ(desktop.dialogs.size(), 4U);
    // An error counts wherever it stands in a ">" line, also right after more ">".
    feedLines(">> Gast sagt: >>> Den Chatter gibts schon! (Zitat)\r\n");
    feedLines(">>>> Ungueltige Zeichen im Namen.\r\n");
    EXPECT_EQ(desktop.dialogs.size(), 6U);
    feedLines(">>> Den Chatter gibts\r\n>>> >>> Ungueltige Zeichen\r\n");
    EXPECT_EQ(desktop.dialogs.size(), 6U);
}

// The Login dialog runs a nested event loop: more bytes arrive and are read
// while the outer line is still being handled. The outer line must come out whole.
TEST_F(LineClassifierTest, ReadLoopEnteredAgainFromTheLoginDialog) {
    int nested = 0;
    desktop.onDialog = [&](Dialog) {
        ++nested;
        EXPECT_TRUE(client.modalDialogOpen());
        receive(7, "<Anna> waehrend des Dialogs\r\n>>> Ungueltige Zeichen im Namen.\r\n<Bert> danach\r\n");
        return 1;
    };
    receive(7, ">>> Ungueltige Zeichen im Namen.\r\n<Carla> zuletzt\r\n");
    EXPECT_EQ(nested, 1);  // the second rejection came while the dialog was open
    EXPECT_FALSE(client.modalDialogOpen());
    // The nested loop first takes what was already received, then the new bytes;
    // the outer line's row follows when the dialog has closed.
    EXPECT_EQ(lastRow(4).cells[1], "zuletzt");
    EXPECT_EQ(lastRow(3).cells[1], "waehrend des Dialogs");
    EXPECT_EQ(lastRow(2).cells[1], ">>> Ungueltige Zeichen im Namen.");
    EXPECT_EQ(lastRow(1).cells[1], "danach");
    EXPECT_EQ(lastRow(0).cells[1], ">>> Ungueltige Zeichen im Namen.");
}

TEST_F(LineClassifierTest, SessionClosedDuringTheLoginDialog) {
    desktop.onDialog = [&](Dialog) {
        client.socketEvent(7, SocketEvent::Close, 0);
        return 1;
    };
    receive(7, ">>> Ungueltige Zeichen im Namen.\r\n<Anna> beim Trennen gelesen\r\n");
    EXPECT_EQ(client.sessions().findBySocket(7), nullptr);
    EXPECT_TRUE(transport.closed(7));
    EXPECT_EQ(client.tabs().count(), 1);
    EXPECT_EQ(rows().count(), 500);
}

}  // namespace
}  // namespace test
}  // namespace tavik
