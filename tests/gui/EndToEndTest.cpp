#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "Codec.h"
#include "MainWindow.h"
#include "QtTransport.h"
#include "ServerWindowFixture.h"
#include "app/Client.h"
#include "chat/LogFile.h"
#include "fakes/ClientFixture.h"

#ifdef TAVIK_SERVER_BINARY

namespace tavik::test {
namespace {

class EndToEndTest : public ServerWindowTest {
protected:
    EndToEndTest() {
        client.setServicePortLookup(&gui::QtTransport::servicePort);
        window.clientArea()->resize(792, 540);
        window.show();
    }

    // The prompt arrives while the user is choosing a name.
    void beforeLoginDialog() override {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] {
                const Session* s = client.sessions().findBySocket(client.currentSocket());
                return s != nullptr && s->partialLine.find("Gib Deinen Namen ein") != std::string::npos;
            },
            5000));
    }

    bool rowShown(LineKind kind, const std::string& name, const std::string& text) {
        const MessageRows& rows = client.messageView().rows();
        for (int i = 0; i < rows.count(); ++i) {
            if (rows.kind(i) == kind && rows.cell(i, 0) == name && rows.cell(i, 1) == text) return true;
        }
        return false;
    }

    // The lines the server got from the client, as its record keeps them: escaped,
    // with the line end they came with (/w Robo Hallo\r, the \r as two characters).
    std::vector<std::string> serverGot() const {
        std::vector<std::string> lines;
        for (const std::string& entry : recordEntries()) {
            if (entry.starts_with("< ")) lines.push_back(entry.substr(2));
        }
        return lines;
    }
    // How often the server got `text`, whatever line end came with it.
    long serverGotCount(std::string_view text) const {
        return std::ranges::count_if(serverGot(),
                                     [text](std::string_view line) { return withoutLineEnd(line) == text; });
    }
    // The rows of `kind` showing `text`, from `name` (or from anyone).
    long rowCount(LineKind kind, std::string_view text, std::string_view name = {}) {
        const MessageRows& rows = client.messageView().rows();
        long n = 0;
        for (int i = 0; i < rows.count(); ++i) {
            n += rows.kind(i) == kind && rows.cell(i, 1) == text && (name.empty() || rows.cell(i, 0) == name);
        }
        return n;
    }
    // Connects through the dialogs and waits until the own nick is in a chatter list.
    void logIn() {
        ASSERT_NO_FATAL_FAILURE(connectThroughTheDialogs());
        client.keepAliveTick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return client.chatterCount() == 1; }, 5000));
    }
    // Everything the client sent before has reached the server, and everything the
    // server sent before this line's echo has been read: a public line went both ways.
    // The robot Robo comes in and says «Zeile 1» … «Zeile count»; true once the last is shown.
    bool floodFromRobo(int count) {
        server.control("enter Robo");
        std::string lines;
        for (int i = 1; i <= count; ++i)
            lines += "as Robo Zeile " + std::to_string(i) + (i < count ? "\n" : "");
        server.control(lines);
        const std::string last = "Zeile " + std::to_string(count);
        return QTest::qWaitFor([&] { return rowShown(LineKind::Public, "Robo", last); }, 10000);
    }

    void roundTrip() {
        const QString line = QStringLiteral("Runde %1").arg(++m_rounds);
        type(line);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return rowCount(LineKind::Public, line.toStdString(), "Gast") == 1; }, 5000));
    }

private:
    int m_rounds = 0;
};

TEST_F(EndToEndTest, ConnectChatWhisperListAndLoseTheConnection) {
    ASSERT_GT(server.port(), 0);
    window.dispatch(Command::Connect);
    const int socket = client.currentSocket();
    ASSERT_NE(client.sessions().findBySocket(socket), nullptr) << "connect failed";
    EXPECT_EQ(window.tabStrip()->tabText(0), QStringLiteral("Gast@localhost"));
    const MessageRows& rows = client.messageView().rows();
    EXPECT_EQ(rows.kind(rows.count() - 1), LineKind::InProgress);
    EXPECT_NE(rows.cell(rows.count() - 1, 1).find("Gib Deinen Namen ein"), std::string::npos);

    type(QStringLiteral("Hallo Welt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::Public, "Gast", "Hallo Welt"); }, 5000));
    type(QStringLiteral("/w Gast psst"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::WhisperOut, "Gast", "psst"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::WhisperIn, "Gast", "psst"); }, 5000));

    client.keepAliveTick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.chatterCount() == 1; }, 5000));
    EXPECT_EQ(desktop.title,
              "TavikClient(vom Jan 19 2002) f\xFCr Brenn-Chat - \"Gast\" - 1 Chatters im Chat");
    EXPECT_EQ(client.chatterTree().model().size(), 3U);  // the chat, its channel, the own nick

    client.options().reconnect = false;  // the end as it is without the reconnect
    server.kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.sessions().findBySocket(socket) == nullptr; }, 5000));
    EXPECT_TRUE(rowShown(LineKind::Alert, " ", "Die Verbindung wurde abgebrochen"));
    EXPECT_EQ(window.tabStrip()->count(), 1);
    EXPECT_EQ(rows.count(), 500);
    EXPECT_EQ(client.chatterTree().model().size(), 0U);
}

// Right after the login the client asks for the list itself: tree, names and
// title fill without waiting for the keep-alive, and no list row is shown.
TEST_F(EndToEndTest, TheListFillsRightAfterTheLogin) {
    ASSERT_GT(server.port(), 0);
    server.control("enter Robo");
    window.dispatch(Command::Connect);
    ASSERT_NE(client.sessions().findBySocket(client.currentSocket()), nullptr) << "connect failed";
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.chatterCount() == 2; }, 1000));
    EXPECT_EQ(desktop.title,
              "TavikClient(vom Jan 19 2002) f\xFCr Brenn-Chat - \"Gast\" - 2 Chatters im Chat");
    EXPECT_EQ(client.namesList().size(), 2U);
    EXPECT_EQ(client.chatterTree().model().size(), 4U);  // the chat, its channel, Robo and Gast
    const MessageRows& rows = client.messageView().rows();
    for (int i = 0; i < rows.count(); ++i)
        EXPECT_EQ(rows.cell(i, 1).rfind("+-", 0), std::string::npos)
            << "a list line is shown: " << rows.cell(i, 1);

    window.dispatch(Command::Connect);  // "Trennen"
    EXPECT_EQ(desktop.title, "TavikClient(vom Jan 19 2002) f\xFCr Brenn-Chat - \"\" - 0 Chatters im Chat");
}

// Lines pouring in over the real socket reach the list in batches; at the end
// the list shows the engine's rows, its marker and selection, row by row.
TEST_F(EndToEndTest, AFloodEndsWithTheListShowingTheEnginesRows) {
    QAbstractItemModelTester tester(window.messageList()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    logIn();
    constexpr int Count = 1500;
    ASSERT_TRUE(floodFromRobo(Count));
    QTest::qWait(50);

    const MessageRows& rows = client.messageView().rows();
    const QTableView* list = window.messageList();
    ASSERT_EQ(list->model()->rowCount(), rows.count());
    for (int r = 0; r < rows.count(); ++r) {
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(list->model()->index(r, c).data().toString(), gui::toQt(rows.cell(r, c)))
                << r << "/" << c;
        ASSERT_EQ(list->selectionModel()->isRowSelected(r, QModelIndex()), rows.row(r).selected) << r;
    }
    EXPECT_EQ(list->currentIndex().row(), rows.marker());
    // The robot's lines in order, the newest last above the in-progress row.
    const int newest = rows.count() - 1 - client.messageView().inProgressRows();
    for (int back = 0; back < 100; ++back)
        ASSERT_EQ(rows.cell(newest - back, 1), "Zeile " + std::to_string(Count - back));
}

// The window hands the engine whole batches of reads as one read event, whose
// rows share one open of the log file: the log still holds every row, in order.
TEST_F(EndToEndTest, AFloodIsLoggedWholeAndInOrder) {
    client.settings().logfile = true;
    logIn();
    constexpr int Count = 1500;
    ASSERT_TRUE(floodFromRobo(Count));

    std::ifstream log(dir.path() / "LogFiles" / LogFile::fileName(clock.now()), std::ios::binary);
    ASSERT_TRUE(log.is_open());
    std::vector<std::string> robo;
    for (std::string line; std::getline(log, line);) {
        if (const auto at = line.find("<Robo> "); at != std::string::npos) robo.push_back(line.substr(at));
    }
    ASSERT_EQ(robo.size(), static_cast<std::size_t>(Count));
    for (int i = 1; i <= Count; ++i)
        ASSERT_EQ(robo[static_cast<std::size_t>(i - 1)], "<Robo> Zeile " + std::to_string(i) + "\r") << i;
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(EndToEndTest, WatchedChatterIsAnnouncedAndGreetedOncePerVisit) {
    NameEntry* watched = client.chatWatch().list().addWithContext("Robo", "");
    ASSERT_NE(watched, nullptr);
    watched->setText("Hallo Robo!");
    watched->optionA = 0;  // greet every time, not only once: a second greeting would show
    ASSERT_NO_FATAL_FAILURE(logIn());
    const std::string greeting = "/w Robo Hallo Robo!\\r";
    const auto announced = [&] { return rowCount(LineKind::Alert, "hat den Chat betreten.", "Robo"); };
    const auto greeted = [&] { return std::ranges::count(serverGot(), greeting); };
    // The control line and the client's "/s" reach the server on different ways: the
    // list is asked for once the server has told the client about the move.
    const auto moved = [&](const char* how, long times) {
        return QTest::qWaitFor([&] { return rowCount(LineKind::Event, how, "Robo") == times; }, 5000);
    };

    server.control("enter Robo");
    ASSERT_TRUE(moved("kommt in den Chat.", 1));
    client.keepAliveTick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return announced() == 1 && greeted() == 1; }, 5000));

    // The next list shows Robo again: still there, no news.
    client.keepAliveTick();
    roundTrip();
    EXPECT_EQ(client.chatterCount(), 2);
    EXPECT_EQ(announced(), 1);
    EXPECT_EQ(greeted(), 1);

    // Gone from a list and back in the next: a new visit.
    server.control("leave Robo");
    ASSERT_TRUE(moved("hat den Chat verlassen.", 1));
    client.keepAliveTick();
    roundTrip();
    EXPECT_EQ(client.chatterCount(), 1);
    EXPECT_EQ(announced(), 1);
    server.control("enter Robo");
    ASSERT_TRUE(moved("kommt in den Chat.", 2));
    client.keepAliveTick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return announced() == 2 && greeted() == 2; }, 5000));
}

TEST_F(EndToEndTest, AwayMessageAnswersAWhisperingChatterOnceAMinute) {
    ASSERT_NO_FATAL_FAILURE(logIn());
    server.control("enter Robo");
    server.control("enter Susi");
    type(QStringLiteral("/aw Bin gleich zurueck"));
    EXPECT_EQ(rowCount(LineKind::Plain, "Away Message gesetzt."), 1);
    const auto repliesTo = [&](std::string_view name) {
        return serverGotCount("/w " + std::string(name) + " Bin gleich zurueck");
    };

    server.control("as Robo /w Gast Bist Du da?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return repliesTo("Robo") == 1; }, 5000));
    server.control("as Robo /w Gast Hallo?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowCount(LineKind::WhisperIn, "Hallo?", "Robo") == 1; }, 5000));
    roundTrip();
    EXPECT_EQ(repliesTo("Robo"), 1) << "not twice in a row to the same chatter";

    // Someone else in between gets the answer; the first one not again within the minute.
    server.control("as Susi /w Gast Und ich?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return repliesTo("Susi") == 1; }, 5000));
    server.control("as Robo /w Gast Immer noch weg?");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return rowCount(LineKind::WhisperIn, "Immer noch weg?", "Robo") == 1; }, 5000));
    roundTrip();
    EXPECT_EQ(repliesTo("Robo"), 1);

    // Cleared: whispers go unanswered, and the command never reached the server.
    type(QStringLiteral("/aw"));
    EXPECT_EQ(rowCount(LineKind::Plain, "Away Message geloescht."), 1);
    server.control("as Susi /w Gast Wieder da?");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return rowCount(LineKind::WhisperIn, "Wieder da?", "Susi") == 1; }, 5000));
    roundTrip();
    EXPECT_EQ(repliesTo("Susi"), 1);
    EXPECT_EQ(repliesTo("Robo"), 1);
    for (const std::string& line : serverGot())
        EXPECT_FALSE(line.starts_with("/aw")) << line;
}

}  // namespace
}  // namespace tavik::test

#else

// The local server is POSIX only (server/), and these tests start it as a
// child process and talk to it through its standard input and output, which a
// Windows program cannot do with a Linux program, not even under Wine. On
// Windows the windows-display test (tests/windows) runs the installed program
// against the server instead.
TEST(EndToEndTest, NeedsTheLocalServer) {
    GTEST_SKIP() << "the local chat server is POSIX only and cannot be a child process of this program; "
                    "tests/windows/run-installed.sh runs the installed client against it";
}

#endif
