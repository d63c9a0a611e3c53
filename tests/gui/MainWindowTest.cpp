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
