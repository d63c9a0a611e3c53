#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "fakes/ClientFixture.h"
#include "net/LineClassifier.h"

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

class LineClassifierTest : public ClientTest {
protected:
    LineClassifierTest() : session(connect(7, "brenn-chat", "Gast")) {}

    Classified classify(const std::string& line) {
        LineClassifier classifier(client);
        const ServerLine r = classifier.classify(session, 7, line);
        return {r.kind, std::string(r.name), std::string(r.text)};
    }
    void feedLines(const std::string& lines) { receive(7, lines); }

    Session& session;
};

TEST_F(LineClassifierTest, LineForms) {
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

TEST_F(LineClassifierTest, ThePromptWithTheKeepAliveEchoHidesTheComingList) {
    session.list.listShown = true;
    EXPECT_EQ(classify("Gib Deinen Namen ein (oder /Show, /Exit, /Help): /s").kind, LineKind::Plain);
    EXPECT_FALSE(session.list.listShown);
    classify("Gib Deinen Namen ein (oder /Show, /Exit, /Help): /S");
    EXPECT_TRUE(session.list.listShown);
    classify("/s");
    classify("<<< Anna geht.");  // ends in the last rule and shows the next list
    EXPECT_TRUE(session.list.listShown);
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
