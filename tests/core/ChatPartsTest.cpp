// The chat parts built alone, each from the ports and parts it names in its
// constructor: no Client, only the fakes of the outside world.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chat/AwayMessage.h"
#include "chat/ChatWatch.h"
#include "chat/ChatWatchDialog.h"
#include "chat/ChatterTree.h"
#include "chat/IgnoreList.h"
#include "chat/LogFile.h"
#include "chat/LoginDialog.h"
#include "chat/MessageView.h"
#include "chat/NamesListBox.h"
#include "chat/Sound.h"
#include "chat/TextField.h"
#include "config/Options.h"
#include "config/Settings.h"
#include "fakes/ClientFixture.h"
#include "fakes/Fakes.h"
#include "net/Session.h"
#include "platform/Files.h"

namespace tavik::test {
namespace {

// The chat layer wired as the application wires it, over fakes.
class ChatPartsTest : public ::testing::Test {
protected:
    ChatPartsTest() {
        settings.sound = false;
        settings.logfile = false;
        sessions.makeFirst("Neue Verbindung", "");
    }

    // A session of `chat` on `socket` whose list has shown `chatters`.
    Session& session(int socket, const std::string& chat, const std::string& nick = "Gast",
                     const std::vector<std::string>& chatters = {}) {
        sessions.add(chat, nick);
        Session* s = sessions.findByChatAndNick(chat, nick);
        EXPECT_NE(s, nullptr);
        s->setSocket(socket);
        for (const std::string& name : chatters)
            s->addChatterName(name);
        return *s;
    }
    const MessageRow& lastRow() { return view.rows().row(view.rows().count() - 1); }
    std::filesystem::path log(const std::string& day) { return dir.path() / "LogFiles" / day; }

    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Settings settings;
    SessionList sessions;
    NamesListBox names;
    TextField recipientBox{99};
    Sound sound{desktop, dir.path()};
    LogFile logFile{desktop, clock, settings, dir.path()};
    MessageView view{sessions, clock, settings, desktop, sound, logFile, recipientBox};
    ChatWatch watch{transport, desktop, sessions, view, logFile, dir.path()};
    ChatterTree tree{sessions, names, watch};
};

TEST_F(ChatPartsTest, LogFileFollowsTheClockIntoTheNextDay) {
    clock.time = LocalTime{2026, 12, 31, 23, 59, 59};
    logFile.write("Anna", "noch im alten Jahr", LineKind::Public);
    clock.time = LocalTime{2027, 1, 1, 0, 0, 1};
    logFile.write("Anna", "frohes neues", LineKind::WhisperIn);
    logFile.write("", "zweite Zeile", LineKind::Plain);
    EXPECT_EQ(readFile(log("12.31.26.log")), "[23:59:59] <Anna> noch im alten Jahr\r\n");
    EXPECT_EQ(readFile(log("01.01.27.log")),
              "[00:00:01] <From Anna> frohes neues\r\n[00:00:01] zweite Zeile\r\n");
}

TEST_F(ChatPartsTest, AFailedLogWriteSwitchesTheViewsLoggingOff) {
    // The view and the log share the one settings record: after the first
    // failure the view writes no more, so the user sees a single box.
    settings.logfile = true;
    std::ofstream(dir.path() / "LogFiles") << "a file where the directory should be";
    view.insert(NoSocket, "", "eins", LineKind::Plain);
    view.insert(NoSocket, "", "zwei", LineKind::Plain);
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Log-File-Error, Logging wird abgestellt.");
    EXPECT_FALSE(settings.logfile);
    EXPECT_EQ(lastRow().cells[1], "zwei");
}

TEST_F(ChatPartsTest, HeldSideEffectsShowTheRowOnly) {
    settings.logfile = true;
    settings.autoTop = true;
    settings.sound = true;
    desktop.foreground = false;
    session(7, "brenn-chat");
    view.setSideEffectsHeld(true);
    view.insert(7, "Anna", "im Dialog", LineKind::Public);
    EXPECT_EQ(lastRow().cells[1], "im Dialog");
    EXPECT_EQ(lastRow().cells[2], "09:05");
    EXPECT_EQ(lastRow().cells[3], "brenn-chat");
    EXPECT_EQ(desktop.toFront, 0);
    EXPECT_TRUE(desktop.sounds.empty());
    EXPECT_FALSE(std::filesystem::exists(log("02.03.02.log")));

    view.setSideEffectsHeld(false);
    view.insert(7, "Anna", "danach", LineKind::Public);
    EXPECT_EQ(desktop.toFront, 1);
    EXPECT_EQ(desktop.sounds, (std::vector<std::string>{"CHORD.WAV"}));
    EXPECT_EQ(readFile(log("02.03.02.log")), "[09:05:07] <Anna> danach\r\n");
}

TEST_F(ChatPartsTest, IgnoreListSpeaksOnlyOnTheChattersOwnSocket) {
    IgnoreList ignore{transport, settings};
    Session& eins = session(7, "eins", "Gast", {"Anna", "Gast"});
    sessions.setCurrentSocket(8);
    ignore.toggle(&eins, "Anna", "eins");
    EXPECT_TRUE(ignore.isIgnored(eins, "ANNA"));
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anna.\r/s\r");
    EXPECT_EQ(transport.sent(8), "");

    // A session that has no socket (yet, or no more) sends nowhere, the mark still flips.
    Session& ohne = session(NoSocket, "ohne", "Gast", {"Bert"});
    ignore.toggle(&ohne, "Bert", "ohne");
    EXPECT_TRUE(ignore.isIgnored(ohne, "Bert"));
    EXPECT_EQ(transport.sent(NoSocket), "");
}

TEST_F(ChatPartsTest, AwayMessageLogsOutOnTheCurrentSessionOnly) {
    const Options options;
    AwayMessage away{transport, settings, options, sessions, view, clock};
    settings.logoutTexts[0] = "Tschuess\r\n";
    settings.logoutTexts[1] = "anderer Nick\r\n";
    session(7, "eins");
    session(8, "zwei");

    EXPECT_FALSE(away.handleCommand("/e"));  // nobody in front: nothing goes anywhere
    EXPECT_EQ(transport.sent(NoSocket), "");
    sessions.setCurrentSocket(8);
    EXPECT_FALSE(away.handleCommand("/E"));
    EXPECT_EQ(transport.sent(8), "Tschuess\r\n");
    EXPECT_EQ(transport.sent(7), "");

    EXPECT_TRUE(away.handleCommand("/aw bin weg"));
    EXPECT_EQ(lastRow().cells[1], "Away Message gesetzt.");
    EXPECT_EQ(lastRow().cells[3], "Neue Verbindung");
}

TEST_F(ChatPartsTest, ChatWatchGreetsOnTheChattersSessionAndStoresInItsDirectory) {
    watch.list().add("Anna");
    watch.list().find("Anna", "", false)->text = "Hallo!";
    session(7, "eins");
    sessions.setCurrentSocket(8);
    watch.chatterSeen(7, "Anna", "eins");
    EXPECT_EQ(lastRow().cells[0], "Anna");
    EXPECT_EQ(lastRow().cells[1], "hat den Chat betreten.");
    EXPECT_EQ(lastRow().cells[3], "eins");
    EXPECT_EQ(transport.sent(7), "/w Anna Hallo!\r");
    EXPECT_EQ(transport.sent(8), "");
    // "Send once" cleared the greeting and wrote the stored entry to the working directory.
    const std::optional<std::string> stored = readFile(dir.path() / "ChatWatch.cfg");
    ASSERT_TRUE(stored.has_value());
    const std::optional<NameList> parsed = ChatWatch::parse(*stored);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->size(), 1U);
    EXPECT_EQ(parsed->begin()->name, "Anna");
    EXPECT_EQ(parsed->begin()->text, "");
}

TEST_F(ChatPartsTest, AChatterWhoseSessionEndsInsideTheAnnouncementsBoxIsNotAdded) {
    // The announcement's log write fails; the box's loop sees the server close the session.
    settings.logfile = true;
    std::ofstream(dir.path() / "LogFiles") << "blocked";
    watch.list().add("Anna");
    watch.list().find("Anna", "", false)->text = "Hallo!";
    Session& eins = session(7, "eins");
    desktop.onMessageBox = [&](const FakeDesktop::Box&) { sessions.remove(sessions.findBySocket(7)); };
    const TreeItemId top = tree.addItem(eins, "eins", NoItem, TreeItemType::Connection);
    ASSERT_NE(top, NoItem);
    EXPECT_EQ(tree.addItem(eins, "Anna", top, TreeItemType::Chatter), NoItem);
    EXPECT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(names.size(), 0U);
    EXPECT_EQ(transport.sent(7), "");  // no greeting for a session that is gone
}

TEST_F(ChatPartsTest, ChatterTreeFeedsTheNamesListAndKnowsTheIgnored) {
    Session& eins = session(7, "eins", "Gast", {"Bert"});
    eins.setIgnoreMark(*eins.chatterNames.find("Bert", "", false), true);
    const TreeItemId top = tree.addItem(eins, "eins", NoItem, TreeItemType::Connection);
    const TreeItemId lobby = tree.addItem(eins, "Lobby", top, TreeItemType::Channel);
    const TreeItemId anna = tree.addItem(eins, "Anna", lobby, TreeItemType::Chatter);
    const TreeItemId bert = tree.addItem(eins, "Bert", lobby, TreeItemType::Chatter);
    ASSERT_NE(anna, NoItem);
    ASSERT_NE(bert, NoItem);
    EXPECT_EQ(tree.model().item(anna)->image, TreeImage::Chatter);
    EXPECT_EQ(tree.model().item(bert)->image, TreeImage::ChatterIgnored);
    const std::span<const std::string> entries = names.entries();
    EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.end()),
              (std::vector<std::string>{"Anna@eins", "Bert@eins"}));
    EXPECT_EQ(tree.sessionOfItem(anna), &eins);
    tree.removeConnection(7);
    EXPECT_TRUE(tree.model().topLevel().empty());
}

// A chat's entries go with it, and only its: not those of a chat whose name
// ends in '@' and its name, nor those of a name that only differs in case.
TEST_F(ChatPartsTest, TheNamesListDropsExactlyTheEntriesOfOneChat) {
    names.add("Anna (weg)", "b");
    names.add("Xaver", "a@b");
    names.add("Bert", "B");
    names.add("Carla", "b");
    names.removeChat("b");
    const std::span<const std::string> entries = names.entries();
    EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.end()),
              (std::vector<std::string>{"Bert@B", "Xaver@a@b"}));
    names.add("Dora", "b");
    names.removeChat("a@b");
    const std::span<const std::string> left = names.entries();
    EXPECT_EQ(std::vector<std::string>(left.begin(), left.end()),
              (std::vector<std::string>{"Bert@B", "Dora@b"}));
}

TEST_F(ChatPartsTest, ChatWatchDialogAsksTheCurrentSessionOnClose) {
    ChatWatchDialog dialog{transport, sessions, watch};
    dialog.close();
    EXPECT_EQ(transport.sent(NoSocket), "");
    sessions.setCurrentSocket(9);
    dialog.name().setText("Carla");
    dialog.addOrChange();
    ASSERT_EQ(dialog.rows().size(), 1U);
    EXPECT_TRUE(watch.isWatched("carla"));
    dialog.close();
    EXPECT_EQ(transport.sent(9), "/s\r");
}

TEST_F(ChatPartsTest, LoginDialogReportsTheChosenNickAndAnswersOnItsOwnSocket) {
    LoginDialog dialog{transport, desktop, settings, sessions};
    // Without anybody listening "OK" still answers the server.
    ASSERT_TRUE(dialog.open(false, 7));
    dialog.setNick("Anna");
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(transport.sent(7), "Anna\r");
    EXPECT_EQ(settings.nicknames[0], "Anna");

    std::vector<std::string> chosen;
    dialog.setOnNickChosen([&](std::string_view nick) {
        chosen.emplace_back(nick);
        EXPECT_EQ(transport.sent(8), "");  // told before the nick goes out
    });
    sessions.setCurrentSocket(8);
    ASSERT_TRUE(dialog.open(false));
    EXPECT_EQ(dialog.nick(), "Anna");
    EXPECT_EQ(dialog.socket(), 8);
    dialog.setNick("Bert");
    sessions.setCurrentSocket(7);  // another tab came to the front meanwhile
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(chosen, (std::vector<std::string>{"Bert"}));
    EXPECT_EQ(transport.sent(8), "Bert\r");
    EXPECT_EQ(transport.sent(7), "Anna\r");

    // An empty nick is refused with a box: nobody is told, nothing is sent.
    dialog.open(false, 8);
    dialog.setNick("");
    EXPECT_FALSE(dialog.ok());
    EXPECT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(chosen.size(), 1U);
    EXPECT_EQ(transport.sent(8), "Bert\r");
}

// The application keeps side effects held while any of its dialogs is open,
// also when one dialog opened another and the inner one has closed.
class ChatWiringTest : public ClientTest {};

TEST_F(ChatWiringTest, NestedDialogsHoldRowSideEffectsUntilTheOuterOneCloses) {
    client.settings().autoTop = true;
    connect(7);
    desktop.onDialog = [&](Dialog dialog) {
        if (dialog == Dialog::Connect) {
            client.runModal(Dialog::Login);
            receive(7, "<Anna> nach dem inneren Dialog\r\n");
            EXPECT_TRUE(client.modalDialogOpen());
        }
        return 1;
    };
    client.runModal(Dialog::Connect);
    EXPECT_EQ(lastRow().cells[1], "nach dem inneren Dialog");
    EXPECT_EQ(desktop.toFront, 0);
    EXPECT_FALSE(client.messageView().sideEffectsHeld());
    receive(7, "<Anna> danach\r\n");
    EXPECT_EQ(desktop.toFront, 1);
}

}  // namespace
}  // namespace tavik::test
