// What asks for the user's eye: desktop notifications while the window is in
// the background (whispers, ChatWatch, word sounds; one per chatter in ten
// seconds), the marks on the tabs, the unread whispers and Alt+A.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class AttentionTest : public ClientTest {
protected:
    AttentionTest() { desktop.foreground = false; }

    Attention& attention() { return client.attention(); }
    std::vector<std::string> told() {
        std::vector<std::string> out;
        for (const FakeDesktop::Notification& n : desktop.notifications)
            out.push_back(n.title + " | " + n.body);
        return out;
    }
    void later(int seconds) {
        const int total = clock.time.minute * 60 + clock.time.second + seconds;
        clock.time.minute = total / 60;
        clock.time.second = total % 60;
    }
    void ignore(Session& session, const std::string& name) {
        session.chatterNames.add(name);
        session.setIgnoreMark(*session.chatterNames.find(name, "", false), true);
    }
    using Lines = std::vector<std::string>;
};

TEST_F(AttentionTest, AWhisperInTheBackgroundIsToldOnce) {
    Session& session = connect(7);
    ignore(session, "Rudi");
    receive(7, "<*Anna*> hallo du, bist du noch da?\r\n");
    ASSERT_EQ(told(), (Lines{"Anna | hallo du, bist du noch da?"}));
    EXPECT_EQ(desktop.notifications[0].sessionId, session.id);

    // None of these asks for a notification.
    receive(7, "<Bert> nur so\r\n");       // public, no word sound
    receive(7, "<*Rudi*> ignoriert\r\n");  // ignored
    client.interaction().demoFill();       // demonstration rows
    client.options().notifyWhispers = false;
    receive(7, "<*Carla*> Option aus\r\n");
    client.options().notifyWhispers = true;
    desktop.foreground = true;
    receive(7, "<*Dora*> das Fenster ist vorn\r\n");
    desktop.foreground = false;
    // A dialog of the program is open: its loop holds the rows' side effects.
    desktop.onDialog = [&](Dialog) {
        receive(7, "<*Emil*> im Dialog\r\n");
        return 2;
    };
    client.runModal(Dialog::About);
    EXPECT_EQ(told(), (Lines{"Anna | hallo du, bist du noch da?"}));

    // Choosing it: the session's tab, the window in front.
    connect(8, "zwei");
    ASSERT_NE(client.tabs().focused(), client.tabs().findSession(session.id));
    attention().showSession(session.id);
    EXPECT_EQ(client.tabs().focused(), client.tabs().findSession(session.id));
    EXPECT_EQ(client.currentSocket(), 7);
    EXPECT_EQ(desktop.toFront, 1);
}

TEST_F(AttentionTest, AFloodIsOneNotificationWithACount) {
    connect(7);
    receive(7, "<*Anna*> eins\r\n");
    later(1);
    receive(7, "<*Anna*> zwei\r\n<*anna*> drei\r\n");
    receive(7, "<*Bert*> ich auch\r\n");  // another chatter: a time of its own
    EXPECT_EQ(told(), (Lines{"Anna | eins", "Bert | ich auch"}));
    later(5);
    attention().tick();
    EXPECT_EQ(told().size(), 2U);
    later(4);  // ten seconds after Anna's first
    attention().tick();
    EXPECT_EQ(told(), (Lines{"Anna | eins", "Bert | ich auch",
                             "anna | 2 weitere Zeilen: drei"}));  // as the newest row spells her
    // Bert's time ran out with nothing held: nothing more to tell.
    later(10);
    attention().tick();
    EXPECT_EQ(told().size(), 3U);
    receive(7, "<*Anna*> vier\r\n");  // her time is up: at once
    EXPECT_EQ(told().back(), "Anna | vier");

    // What was held is dropped when the user comes back.
    receive(7, "<*Anna*> fuenf\r\n");
    attention().windowActivated();
    later(10);
    attention().tick();
    EXPECT_EQ(told().back(), "Anna | vier");

    // Rows held for a chat the user closed since are not told; choosing its
    // old notification only brings the window to the front.
    const int first = client.sessions().findBySocket(7)->id;
    later(10);
    receive(7, "<*Anna*> sieben\r\n<*Anna*> acht\r\n");
    ASSERT_EQ(told().back(), "Anna | sieben");
    client.options().reconnect = false;
    client.socketEvent(7, SocketEvent::Close, 0);
    ASSERT_EQ(client.sessions().findById(first), nullptr);
    later(10);
    attention().tick();
    EXPECT_EQ(told().back(), "Anna | sieben");
    const int tab = client.tabs().focused();
    attention().showSession(first);
    EXPECT_EQ(client.tabs().focused(), tab);
    connect(7);

    // A clock set back (summer time ends) does not hold her for an hour.
    clock.time.hour -= 1;
    receive(7, "<*Anna*> sechs\r\n");
    EXPECT_EQ(told().back(), "Anna | sechs");
}

TEST_F(AttentionTest, ChatWatchAndWordSoundsNameTheChatWhenThereAreTwo) {
    std::filesystem::create_directories(dir.path() / "Sounds");
    std::ofstream(dir.path() / "Sounds" / "kuchen.wav") << "RIFF";
    Session& eins = connect(7, "eins");
    receive(7, "<Bert> wer will Kuchen?\r\n");  // sounds off: the match notifies all the same
    EXPECT_EQ(told(), (Lines{"Bert | wer will Kuchen?"}));
    connect(8, "zwei");
    later(10);
    receive(7, "--> Bert bringt Kuchen mit.\r\n");
    receive(8, "<Gast> mein Kuchen\r\n<Carla> kein Wort\r\n");  // the own line and one without the word
    EXPECT_EQ(told().back(), "Bert (eins) | bringt Kuchen mit.");
    EXPECT_EQ(told().size(), 2U);

    client.chatWatch().list().add("Anna");
    client.chatWatch().list().addOrRefresh("Rudi");
    ignore(eins, "Rudi");
    receive(7, listOf("eins", "Anna, Bert, Rudi"));
    EXPECT_EQ(told().back(), "ChatWatch (eins) | Anna hat den Chat betreten.");
    EXPECT_EQ(told().size(), 3U);  // Rudi is ignored
    EXPECT_EQ(desktop.notifications.back().sessionId, eins.id);

    client.options().notifyChatWatch = false;
    client.options().notifyWordSounds = false;
    later(10);
    receive(7, listOf("eins", "Bert"));
    receive(7, listOf("eins", "Anna, Bert"));
    receive(7, "<Bert> noch Kuchen\r\n");
    EXPECT_EQ(told().size(), 3U);
}

TEST_F(AttentionTest, TabsShowWhatArrivedAndAltAGoesToTheWhispers) {
    desktop.foreground = true;
    connect(7, "eins");
    connect(8, "zwei");
    connect(9, "drei");  // tabs: drei, zwei, eins, Neue Verbindung; drei has the focus
    const TabStrip& tabs = client.tabs();
    const int eins = tabs.findSession(client.sessions().findBySocket(7)->id);
    const int zwei = tabs.findSession(client.sessions().findBySocket(8)->id);
    int unreadChanges = 0;
    attention().setOnUnreadChanged([&] { ++unreadChanges; });

    receive(9, "<Anna> im Blick\r\n<*Anna*> auch im Blick\r\n");
    receive(7, "<Anna> hallo\r\n<Bert> Gastfreundschaft\r\n<Bert> gast, bist du da?\r\n");
    receive(8, "<*Carla*> psst\r\n<*Carla*> psst\r\n");
    EXPECT_EQ(tabs.activity(tabs.focused()), TabActivity());
    EXPECT_EQ(tabs.activity(eins), (TabActivity{true, 0, 1}));
    EXPECT_EQ(tabs.activity(zwei), (TabActivity{true, 2, 0}));
    EXPECT_EQ(attention().unreadWhispers(), 2);
    EXPECT_EQ(unreadChanges, 2);

    // Alt+A: the next tab with a whisper; its marks go as it gets the focus.
    EXPECT_EQ(attention().nextTabWithWhisper(), zwei);
    attention().showNextWhisper();
    EXPECT_EQ(tabs.focused(), zwei);
    EXPECT_EQ(client.currentSocket(), 8);
    EXPECT_EQ(tabs.activity(zwei), TabActivity());
    EXPECT_EQ(attention().unreadWhispers(), 0);
    EXPECT_EQ(unreadChanges, 3);
    attention().showNextWhisper();  // none left: stays
    EXPECT_EQ(tabs.focused(), zwei);
    client.selectSessionNumber(3);
    EXPECT_EQ(tabs.activity(eins), TabActivity());

    // In the background, the focused tab's whispers are unread until the window is active.
    desktop.foreground = false;
    receive(7, "<*Carla*> noch da?\r\n");
    EXPECT_EQ(attention().unreadWhispers(), 1);
    EXPECT_EQ(tabs.activity(eins), TabActivity());
    attention().windowActivated();
    EXPECT_EQ(attention().unreadWhispers(), 0);
}

TEST(AttentionText, FirstWordsAndNames) {
    const std::string longText =
        "Dies ist eine ziemlich lange Zeile, die nicht ganz in die Benachrichtigung passt";
    EXPECT_EQ(Attention::firstWords("  kurz"), "kurz");
    EXPECT_EQ(Attention::firstWords(longText),
              "Dies ist eine ziemlich lange Zeile, die nicht ganz in die\x85");
    EXPECT_EQ(Attention::firstWords(std::string(70, 'x')), std::string(60, 'x') + "\x85");
    struct Case {
        const char* text;
        bool named;
    };
    const Case cases[] = {{"Gast: hallo", true}, {"hallo GAST", true}, {"Gastgeber", false},
                          {"M\xFCGast", false},  {"(gast)", true},     {"", false},
                          {"ein Gas t", false}};
    for (const Case& c : cases)
        EXPECT_EQ(Attention::names(c.text, "Gast"), c.named) << c.text;
}

}  // namespace
}  // namespace tavik::test
