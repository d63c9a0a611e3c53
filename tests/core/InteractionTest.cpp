#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

using Lines = std::vector<std::string>;

// A session with a listed chat: "Lobby (3)" is protected, "Kneipe (1)" is not.
class InteractionTest : public ClientTest {
protected:
    InteractionTest() {
        client.settings().announceIgnore = true;
        connect(7, "brenn-chat", "Gast");
        receive(7,
                framedList({"| Gast, Anderer (weg),   Dritter      Lobby *   ", "| Vierte      Kneipe   "}));
        transport.clearSent();
    }

    TreeItemId find(const std::string& text) {
        const ChatterTreeModel& m = client.chatterTree().model();
        for (const TreeItemId top : m.topLevel()) {
            if (m.item(top)->text == text) return top;
            for (const TreeItemId channel : m.children(top)) {
                if (m.item(channel)->text == text) return channel;
                for (const TreeItemId chatter : m.children(channel))
                    if (m.item(chatter)->text == text) return chatter;
            }
        }
        ADD_FAILURE() << "no item " << text;
        return NoItem;
    }
    Lines menuLabels() {
        Lines out;
        for (const ContextMenu::Entry& e : client.contextMenu().entries())
            out.push_back(std::to_string(e.command) + " " + e.label);
        return out;
    }
    Interaction& ui() { return client.interaction(); }
};

TEST_F(InteractionTest, OnlyAClickedSelectionFillsTheRecipientBox) {
    // The tree rebuilt under the selection: no click, no fill.
    ui().treeSelectionChanged(find("Dritter"));
    EXPECT_EQ(client.recipientBox().text(), "");

    ui().treeClicked();
    ui().treeSelectionChanged(find("Anderer (weg)"));
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");
    EXPECT_EQ(ui().treeClickCount(), 0);

    // The click is spent: the next change without a click fills nothing.
    ui().treeSelectionChanged(find("Dritter"));
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");

    // A channel takes the click but fills nothing.
    ui().treeClicked();
    ui().treeSelectionChanged(find("Lobby (3)"));
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");
    EXPECT_EQ(ui().treeClickCount(), 0);
}

TEST_F(InteractionTest, ContextMenuLabelsAndNoMenuForTheOwnNick) {
    EXPECT_FALSE(ui().treeRightClicked(find("Gast")));
    EXPECT_TRUE(menuLabels().empty());  // the resource's two entries are gone

    ASSERT_TRUE(ui().treeRightClicked(find("Anderer (weg)")));
    EXPECT_EQ(menuLabels(), (Lines{"32816 Anderer (weg)@brenn-chat ignorieren.",
                                   "32817 Anderer (weg) zum ChatWatch hinzuf\xFCgen."}));
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    EXPECT_EQ(menuLabels(),
              (Lines{"32816 Dritter@brenn-chat ignorieren.", "32817 Dritter zum ChatWatch hinzuf\xFCgen."}));
}

TEST_F(InteractionTest, IgnoreFromTheMenuHidesTheChatterAndAnnouncesIt) {
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    ui().ignoreChosen();
    EXPECT_EQ(transport.sent(7), "/a ignoriert Dritter.\r/s\r");
    const int before = rows().count();
    const std::string newest = lastRow().cells[1];
    receive(7, "<Dritter> hallo\r\n");
    EXPECT_EQ(lastRow().cells[1], newest);
    EXPECT_EQ(rows().count(), before);

    // The label says so, and choosing again lifts it.
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    EXPECT_EQ(menuLabels()[0], "32816 Dritter@brenn-chat nicht mehr ignorieren.");
    transport.clearSent();
    ui().ignoreChosen();
    EXPECT_EQ(transport.sent(7), "/a ignoriert Dritter nicht mehr.\r/s\r");
}

TEST_F(InteractionTest, ItemTextWithRemarkTogglesTheNameAlone) {
    ASSERT_TRUE(ui().treeRightClicked(find("Anderer (weg)")));
    ui().ignoreChosen();
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anderer.\r/s\r");
    ui().chatWatchChosen();
    EXPECT_TRUE(client.chatWatch().isWatched("Anderer"));
}

TEST_F(InteractionTest, ChatWatchEntryAddsAndRemoves) {
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    ui().chatWatchChosen();
    EXPECT_TRUE(client.chatWatch().isWatched("Dritter", "brenn-chat"));
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    EXPECT_EQ(menuLabels()[1], "32817 Dritter vom ChatWatch entfernen.");
    ui().chatWatchChosen();
    EXPECT_FALSE(client.chatWatch().isWatched("Dritter", "brenn-chat"));
    EXPECT_TRUE(transport.sent(7).empty());  // the watch list is the client's own business
}

TEST_F(InteractionTest, ChatWatchEntryWithoutIgnoreEntryUsesTheClickedChatter) {
    client.sessions().findBySocket(7)->chatterNames.clear();
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    EXPECT_EQ(menuLabels(), (Lines{"32817 Dritter zum ChatWatch hinzuf\xFCgen."}));
    ui().chatWatchChosen();
    EXPECT_TRUE(client.chatWatch().isWatched("Dritter", "brenn-chat"));
    // Ignoring needs the chatter names: without them the entry is not offered and does nothing.
    ui().ignoreChosen();
    EXPECT_TRUE(transport.sent(7).empty());

    // A menu whose chatter has no name toggles nothing.
    const ChatterTreeModel& m = client.chatterTree().model();
    client.chatterTree().model().setText(find("Vierte"), " ohne Namen");
    const TreeItemId nameless = m.children(find("Kneipe (1)"))[0];
    ASSERT_TRUE(ui().treeRightClicked(nameless));
    const std::size_t watched = client.chatWatch().list().size();
    ui().chatWatchChosen();
    EXPECT_EQ(client.chatWatch().list().size(), watched);
}

TEST_F(InteractionTest, RightClickOnChannelsChangesIntoThem) {
    EXPECT_FALSE(ui().treeRightClicked(find("Kneipe (1)")));
    EXPECT_EQ(transport.sent(7), "/c Kneipe\r");
    EXPECT_TRUE(desktop.dialogs.empty());

    transport.clearSent();
    desktop.onDialog = [this](Dialog d) {
        EXPECT_EQ(d, Dialog::ChannelPassword);
        EXPECT_TRUE(client.modalDialogOpen());
        client.channelPassword().setText("geheim");
        return 1;
    };
    EXPECT_FALSE(ui().treeRightClicked(find("Lobby (3)")));
    EXPECT_EQ(transport.sent(7), "/c Lobby geheim\r");

    transport.clearSent();
    desktop.onDialog = [](Dialog) { return 2; };
    ui().treeRightClicked(find("Lobby (3)"));
    EXPECT_EQ(transport.sent(7), "");

    // The session ends while the password is asked for: nothing is sent anywhere.
    desktop.onDialog = [this](Dialog) {
        client.socketEvent(7, SocketEvent::Close, 0);
        client.channelPassword().setText("geheim");
        return 1;
    };
    transport.clearSent();
    ui().treeRightClicked(find("Lobby (3)"));
    EXPECT_EQ(transport.sent(7), "");
}

TEST_F(InteractionTest, OpeningAndClosingAChannelIsRemembered) {
    const TreeItemId lobby = find("Lobby (3)");
    ui().treeItemExpanded(lobby, false);
    const ChatterTreeModel& m = client.chatterTree().model();
    EXPECT_EQ(m.item(lobby)->image, 6);
    EXPECT_EQ(m.item(lobby)->selectedImage, 16);
    // The next list keeps it closed; opening it again shows the open picture.
    receive(7, framedList({"| Gast, Anderer (weg),   Dritter      Lobby *   ", "| Vierte      Kneipe   "}));
    EXPECT_FALSE(m.item(find("Lobby (3)"))->expanded);
    EXPECT_TRUE(m.item(find("Kneipe (1)"))->expanded);
    ui().treeItemExpanded(find("Lobby (3)"), true);
    EXPECT_EQ(m.item(find("Lobby (3)"))->image, 7);
    receive(7, framedList({"| Gast, Anderer (weg),   Dritter      Lobby *   ", "| Vierte      Kneipe   "}));
    EXPECT_TRUE(m.item(find("Lobby (3)"))->expanded);
}

TEST_F(InteractionTest, MessageListClicks) {
    client.settings().autoChatChange = true;
    client.settings().autowhisper = true;
    receive(7, "<*Anderer*> hallo\r\n");
    const int row = rows().count() - 1 - client.messageView().inProgressRows();
    ASSERT_EQ(rows().cell(row, 0), "Anderer");

    ui().listClicked(row);
    EXPECT_EQ(rows().marker(), row);
    EXPECT_TRUE(rows().row(row).selected);
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");

    client.recipientBox().setText("");
    ui().listPressed(row);
    ui().listPressed(row);
    ui().listDoubleClicked(row);
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");
    client.recipientBox().setText("x");
    ui().listPressed(0);
    ui().listPressed(0);
    ui().listDoubleClicked(0);
    ui().listPressed(-1);
    ui().listPressed(-1);
    ui().listDoubleClicked(rows().count());
    EXPECT_EQ(client.recipientBox().text(), "x");

    // A right click toggles ignoring the row's sender, on its own session.
    ui().listPressed(row);
    ui().listRightClicked(row);
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anderer.\r/s\r");
    transport.clearSent();
    ui().listPressed(0);
    ui().listRightClicked(0);  // a filler row belongs to no session
    EXPECT_EQ(transport.sent(7), "");
    // Without a press (the menu key) the row given is meant.
    ui().listRightClicked(row);
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anderer nicht mehr.\r/s\r");
}

// The list keeps 500 rows: a new row goes in above the in-progress row and the
// oldest goes, so every row above moves up by one under a still pointer.
TEST_F(InteractionTest, ADoubleClickActsOnlyOnTheRowItsPressesFellOn) {
    receive(7, "<*Anderer*> eins\r\n");
    receive(7, "<*Dritter*> zwei\r\n");
    const int row = rows().count() - 1 - client.messageView().inProgressRows();
    ASSERT_EQ(rows().cell(row, 0), "Dritter");
    ASSERT_EQ(rows().cell(row - 1, 0), "Anderer");

    // A row arrives between the two presses: the row under the pointer is
    // another chatter's now, and nothing is set.
    client.recipientBox().setText("");
    ui().listPressed(row - 1);
    receive(7, "<*Vierte*> drei\r\n");
    ASSERT_EQ(rows().cell(row - 1, 0), "Dritter");
    ui().listPressed(row - 1);
    ui().listDoubleClicked(row - 1);
    EXPECT_EQ(client.recipientBox().text(), "");

    // A row arrives after both presses, before the double click is handled.
    ui().listPressed(row);
    ui().listPressed(row);
    receive(7, "<*Anderer*> vier\r\n");
    ui().listDoubleClicked(row);
    EXPECT_EQ(client.recipientBox().text(), "");

    // Presses on two rows that did not move.
    ui().listPressed(row - 1);
    ui().listPressed(row);
    ui().listDoubleClicked(row);
    EXPECT_EQ(client.recipientBox().text(), "");

    // Both presses on the row that stays: it is set.
    ui().listPressed(row);
    ui().listPressed(row);
    ui().listDoubleClicked(row);
    EXPECT_EQ(client.recipientBox().text(), "Anderer@brenn-chat");
}

TEST_F(InteractionTest, ARightClickOnAListActsOnThePressedRowWhereverItMoved) {
    receive(7, "<*Anderer*> eins\r\n");
    const int row = rows().count() - 1 - client.messageView().inProgressRows();
    ASSERT_EQ(rows().cell(row, 0), "Anderer");
    ui().listPressed(row);
    receive(7, "<*Dritter*> zwei\r\n");
    transport.clearSent();
    ui().listRightClicked(row);  // Dritter's row is there now
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anderer.\r/s\r");

    // The pressed row scrolled out of the list: nothing is toggled.
    transport.clearSent();
    ui().listPressed(0);
    for (int i = 0; i < 3; ++i)
        receive(7, "<Vierte> weiter\r\n");
    ui().listRightClicked(0);
    EXPECT_EQ(transport.sent(7), "");

    // A left click spends its press: the menu key then acts on the row it names.
    const int last = rows().count() - 1 - client.messageView().inProgressRows();
    ui().listPressed(last);
    ui().listClicked(last);
    transport.clearSent();
    ui().listRightClicked(0);
    EXPECT_EQ(transport.sent(7), "");
}

// A keep-alive list may rebuild the tree between the press and the menu: the
// menu is for the chatter that was under the pointer at the press.
TEST_F(InteractionTest, TheTreesMenuIsForTheItemPressedOn) {
    const TreeItemId anderer = find("Anderer (weg)");
    ui().treePressed(anderer);
    receive(7,
            framedList({"| Gast, Anderer (weg), Dritter, Neu      Lobby *   ", "| Vierte      Kneipe   "}));
    ASSERT_TRUE(ui().treeRightClicked(find("Dritter")));
    EXPECT_EQ(menuLabels(), (Lines{"32816 Anderer (weg)@brenn-chat ignorieren.",
                                   "32817 Anderer (weg) zum ChatWatch hinzuf\xFCgen."}));

    // The pressed chatter left with the rebuild: no menu for another one.
    const TreeItemId dritter = find("Dritter");
    ui().treePressed(dritter);
    receive(7, framedList({"| Gast, Anderer (weg), Neu      Lobby *   ", "| Vierte      Kneipe   "}));
    EXPECT_FALSE(ui().treeRightClicked(find("Neu")));

    // The press is spent: the menu key later acts on the item it is given.
    EXPECT_TRUE(ui().treeRightClicked(find("Neu")));
}

TEST_F(InteractionTest, ChoosingTabs) {
    ASSERT_EQ(client.tabs().count(), 2);
    client.connectLabel().setText("Verbinden");
    int socketWhileAsking = 0;
    desktop.onDialog = [&](Dialog) {
        socketWhileAsking = client.currentSocket();
        return 2;
    };
    client.tabs().setFocus(1);  // "@Neue Verbindung"
    EXPECT_EQ(socketWhileAsking, NoSocket);
    ASSERT_FALSE(desktop.dialogs.empty());
    EXPECT_EQ(desktop.dialogs.back(), Dialog::Connect);

    // Cancelled: back on the session's tab, which is current again.
    EXPECT_EQ(client.tabs().focused(), 0);
    EXPECT_EQ(client.currentSocket(), 7);
    EXPECT_EQ(client.connectLabel().text(), "Trennen");
}

// Ctrl+Tab goes from chat to chat and passes over "Neue Verbindung" while a
// session exists; Alt+1 ... Alt+9 pick a session by its place.
TEST_F(InteractionTest, NextChatAndSessionNumbersPassOverTheNewConnectionTab) {
    connect(8, "zweiter-chat", "Gast");
    desktop.dialogs.clear();
    ASSERT_EQ(client.tabs().count(), 3);  // zweiter-chat, brenn-chat, Neue Verbindung
    client.tabs().setFocus(0);
    client.nextChat();
    EXPECT_EQ(client.currentSocket(), 7);
    client.nextChat();  // wraps to the first chat, not to the connect dialog
    EXPECT_EQ(client.currentSocket(), 8);
    EXPECT_TRUE(desktop.dialogs.empty());
    client.selectSessionNumber(2);
    EXPECT_EQ(client.currentSocket(), 7);
    client.selectSessionNumber(1);
    EXPECT_EQ(client.currentSocket(), 8);
    client.selectSessionNumber(3);  // there is no third session
    EXPECT_EQ(client.currentSocket(), 8);
    EXPECT_TRUE(desktop.dialogs.empty());
}

TEST_F(InteractionTest, ATabLabelIsCutLikeItsNickAndStillFindsItsSession) {
    connect(8, "zweiter-chat", "Gast Zwei");
    ASSERT_EQ(client.tabs().label(0), "Gast@zweiter-chat");
    client.tabs().setFocus(1);  // the first session
    EXPECT_EQ(client.currentSocket(), 7);
    client.tabs().setFocus(0);
    EXPECT_EQ(client.currentSocket(), 8);
}

TEST_F(InteractionTest, DemonstrationFill) {
    client.setCurrentSocket(NoSocket);
    client.settings().logfile = true;
    ui().demoFill();
    // The samples are no chat: nothing of them is in a log file.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "LogFiles" / "02.03.02.log"));
    EXPECT_TRUE(client.settings().logfile);
    client.settings().logfile = false;
    ui().demoFill();  // a second fill replaces the first
    const Lines lines = treeLines();
    const auto count = [&lines](const std::string& prefix) {
        int n = 0;
        for (const std::string& l : lines)
            n += l.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    };
    EXPECT_EQ(count("Neue Verbindung"), 1 + 3 + 8);
    EXPECT_EQ(count("brenn-chat"), 1 + 2 + 4);  // the real session's items stay
    const ChatterTreeModel& m = client.chatterTree().model();
    const TreeItemId named = find("NewT");
    EXPECT_EQ(m.item(named)->image, 7);
    EXPECT_EQ(m.children(named).size(), 1U);
    EXPECT_EQ(m.item(find("1"))->image, 7);
    EXPECT_EQ(m.children(find("1")).size(), 5U);
    EXPECT_EQ(client.namesList().size(), 8U);
    EXPECT_EQ(lastRow().cells[0], "Bernd");
    EXPECT_EQ(lastRow().cells[1], "schlaeft ein.");
    EXPECT_EQ(lastRow(3).cells[0], "Test");
    EXPECT_EQ(lastRow(3).cells[1], "Hallo");
}

}  // namespace
}  // namespace tavik::test
