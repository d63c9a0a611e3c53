#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "MainWindow.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

QRect rect(int x, int y, int w, int h) {
    return QRect(x, y, w, h);
}

class MainWindowTest : public ClientTest {
protected:
    MainWindowTest() : window(client, nullptr) {
        window.clientArea()->resize(792, 540);
        window.arrange();
    }
    gui::MainWindow window;
};

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutSays) {
    EXPECT_EQ(window.chatterTree()->geometry(), rect(3, 25, 110, 487));
    EXPECT_EQ(window.messageList()->geometry(), rect(116, 25, 673, 487));
    EXPECT_EQ(window.recipientBox()->geometry(), rect(3, 515, 110, 22));
    EXPECT_EQ(window.inputLine()->geometry(), rect(116, 515, 553, 22));  // no art fonts: the box is hidden
    EXPECT_EQ(window.sendButton()->geometry(), rect(669, 515, 60, 22));
    EXPECT_EQ(window.connectButton()->geometry(), rect(729, 515, 60, 22));
    EXPECT_EQ(window.messageList()->model()->rowCount(), 500);
}

TEST_F(MainWindowTest, KeysInTheInputLineReachTheirCommands) {
    connect(7, "h", "Gast");
    receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n<Anna> eins\r\n<Bert> zwei\r\n");
    transport.clearSent();
    window.inputLine()->setFocus();
    QTest::keyClicks(window.inputLine(), QStringLiteral("an"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("Anna"));
    EXPECT_TRUE(client.completionOpen());
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("Anton"));
    QTest::keyClick(window.inputLine(), Qt::Key_Return);  // closes the list
    EXPECT_EQ(transport.sent(7), "");
    QTest::keyClicks(window.inputLine(), QStringLiteral(" hallo"));
    QTest::keyClick(window.inputLine(), Qt::Key_Return);
    EXPECT_EQ(transport.sent(7), "Anton hallo\r");
    EXPECT_EQ(window.inputLine()->text(), QString());

    const int marker = client.messageView().rows().marker();
    QTest::keyClick(window.inputLine(), Qt::Key_Up);
    EXPECT_EQ(client.messageView().rows().marker(), marker - 1);
    QTest::keyClick(window.inputLine(), Qt::Key_Down);
    EXPECT_EQ(client.messageView().rows().marker(), marker);
    EXPECT_TRUE(window.inputLine()->hasFocus() || !window.isVisible());
}

TEST_F(MainWindowTest, TypedUmlautsBecomeTwoLettersInTheWidget) {
    QTest::keyClicks(window.inputLine(), QStringLiteral("Gr"));
    QTest::sendKeyEvent(QTest::Click, window.inputLine(), Qt::Key_Adiaeresis, QString(QChar(0xE4)),
                        Qt::NoModifier);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("Grae"));
    EXPECT_EQ(window.inputLine()->cursorPosition(), 4);
}

TEST_F(MainWindowTest, TheCloseQuestionOnlyWithSessionTabs) {
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(desktop.boxes.empty());

    gui::MainWindow second(client, nullptr);
    connect(7, "h", "Gast");
    second.show();
    desktop.answer = MessageBoxAnswer::No;
    EXPECT_FALSE(second.close());
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Wollen Sie wirklich beenden?");
    EXPECT_TRUE(second.isVisible());
    desktop.answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(second.close());
}

}  // namespace
}  // namespace tavik::test

namespace tavik::test {
namespace {

// Closing a channel keeps it closed through the next keep-alive list; opening it keeps it open.
TEST(MainWindowTree, AChannelStaysAsTheUserLeftIt) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    gui::MainWindow window(client, nullptr);
    client.attachSession(7, "h", "Gast");
    const std::string list = "/s\r\n+-\r\n| Anna      Lobby   \r\n+-\r\n+-\r\n";
    transport.feed(7, list);
    client.socketEvent(7, SocketEvent::Read, 0);
    QTreeView* tree = window.chatterTree();
    const QModelIndex top = tree->model()->index(0, 0);
    const QModelIndex channel = tree->model()->index(0, 0, top);
    ASSERT_TRUE(channel.isValid());
    EXPECT_TRUE(tree->isExpanded(channel));
    tree->collapse(channel);
    transport.feed(7, list);
    client.socketEvent(7, SocketEvent::Read, 0);
    const QModelIndex rebuilt = tree->model()->index(0, 0, tree->model()->index(0, 0));
    EXPECT_FALSE(tree->isExpanded(rebuilt));
    const ChatterTreeModel& m = client.chatterTree().model();
    EXPECT_EQ(m.item(m.children(m.topLevel()[0])[0])->image, 5);  // a rebuilt channel shows the open picture
    tree->expand(rebuilt);
    EXPECT_EQ(m.item(m.children(m.topLevel()[0])[0])->image, 5);
    transport.feed(7, list);
    client.socketEvent(7, SocketEvent::Read, 0);
    EXPECT_TRUE(tree->isExpanded(tree->model()->index(0, 0, tree->model()->index(0, 0))));
}

}  // namespace
}  // namespace tavik::test
