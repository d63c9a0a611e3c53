#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "ChannelPasswordDialogWidget.h"
#include "MainWindow.h"
#include "PopupAnswer.h"
#include "QtTransport.h"
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
    // The buttons are as wide as their labels need, never below 60.
    const int b = window.buttonWidth();
    EXPECT_GE(b, 60);
    EXPECT_EQ(window.chatterTree()->geometry(), rect(3, 25, 110, 487));
    EXPECT_EQ(window.messageList()->geometry(), rect(116, 25, 673, 487));
    EXPECT_EQ(window.recipientBox()->geometry(), rect(3, 515, 110, 22));
    EXPECT_EQ(window.inputLine()->geometry(),
              rect(116, 515, 792 - 2 * b - 119, 22));  // no art fonts: the box is hidden
    EXPECT_EQ(window.sendButton()->geometry(), rect(792 - 2 * b - 3, 515, b, 22));
    EXPECT_EQ(window.connectButton()->geometry(), rect(792 - b - 3, 515, b, 22));
    EXPECT_EQ(window.messageList()->model()->rowCount(), 500);
}

// "Verbinden", "Trennen" and "Senden" fit their buttons in the current font.
TEST_F(MainWindowTest, ButtonLabelsAreNotCut) {
    QPushButton* connectButton = window.connectButton();
    const int margin =
        2 * connectButton->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, connectButton);
    for (const QString& text : {QStringLiteral("Verbinden"), QStringLiteral("Trennen")}) {
        connectButton->setText(text);
        EXPECT_GE(connectButton->width(), connectButton->fontMetrics().horizontalAdvance(text) + margin)
            << text.toStdString();
    }
    EXPECT_GE(window.sendButton()->width(),
              window.sendButton()->fontMetrics().horizontalAdvance(window.sendButton()->text()) + margin);
}

// A tree width stored on a wider screen (or damaged) leaves list and input line on the window.
TEST_F(MainWindowTest, AStoredTreeWidthWiderThanTheWindow) {
    for (const int stored : {5001, 780, 2000000}) {
        client.settings().treeWidth = stored;
        window.arrange();
        const QRect area = window.clientArea()->rect();
        for (QWidget* w : std::initializer_list<QWidget*>{window.messageList(), window.inputLine(),
                                                          window.sendButton(), window.connectButton()}) {
            EXPECT_TRUE(area.contains(w->geometry())) << stored << " " << w->metaObject()->className();
            EXPECT_GT(w->width(), 0);
        }
        EXPECT_GE(window.inputLine()->width(), MainLayout::MinInputWidth);
        EXPECT_EQ(client.settings().treeWidth, stored);  // the setting itself is kept
    }
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

namespace tavik::test {
namespace {

// The window over a listed chat "h" in which the user is "Gast".
class WindowInteractionTest : public ClientTest {
protected:
    WindowInteractionTest() : window(client, nullptr) {
        client.settings().announceIgnore = true;
        window.resize(800, 600);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.arrange();
        connect(7, "h", "Gast");
        receive(7, "/s\r\n+-\r\n| Anna, Anton, Gast      Lobby *  \r\n| Bert      Keller   \r\n+-\r\n+-\r\n");
        transport.clearSent();
        window.chatterTree()->expandAll();
    }

    QModelIndex item(const QString& text) {
        const QAbstractItemModel* m = window.chatterTree()->model();
        const QModelIndexList found =
            m->match(m->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_FALSE(found.isEmpty()) << text.toStdString();
        return found.value(0);
    }
    QPoint centerOf(const QModelIndex& index) { return window.chatterTree()->visualRect(index).center(); }
    void leftClick(const QModelIndex& index) {
        QTest::mouseClick(window.chatterTree()->viewport(), Qt::LeftButton, {}, centerOf(index));
    }
    // A right click on a tree item; `onMenu` runs while a popup menu is open,
    // which is closed afterwards. True when a menu was shown.
    bool rightClick(const QModelIndex& index, const std::function<void(QMenu&)>& onMenu = {}) {
        return answerContextMenu(window.chatterTree()->viewport(), centerOf(index), onMenu);
    }

    gui::MainWindow window;
};

TEST_F(WindowInteractionTest, AClickOnAChatterFillsTheRecipientBox) {
    // A selection the program makes (as when the tree is rebuilt) fills nothing.
    window.chatterTree()->setCurrentIndex(item(QStringLiteral("Bert")));
    EXPECT_EQ(window.recipientBox()->text(), QString());
    leftClick(item(QStringLiteral("Anna")));
    EXPECT_EQ(window.recipientBox()->text(), QStringLiteral("Anna@h"));
    // Clicking the selected chatter again fills it again, after the box was emptied.
    client.recipientBox().setText("");
    leftClick(item(QStringLiteral("Anna")));
    EXPECT_EQ(window.recipientBox()->text(), QStringLiteral("Anna@h"));
    window.chatterTree()->setCurrentIndex(item(QStringLiteral("Anton")));
    EXPECT_EQ(window.recipientBox()->text(), QStringLiteral("Anna@h"));
}

TEST_F(WindowInteractionTest, ContextMenuOfChattersButNotOfTheOwnNick) {
    EXPECT_FALSE(rightClick(item(QStringLiteral("Gast"))));
    QStringList labels;
    EXPECT_TRUE(rightClick(item(QStringLiteral("Anna")), [&](QMenu& menu) {
        for (QAction* a : menu.actions())
            labels << a->text();
    }));
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Anna@h ignorieren."),
                                   QString::fromUtf8("Anna zum ChatWatch hinzuf\u00fcgen.")}));
}

TEST_F(WindowInteractionTest, IgnoringFromTheMenuHidesTheChattersRows) {
    ASSERT_TRUE(
        rightClick(item(QStringLiteral("Anna")), [](QMenu& menu) { menu.actions().value(0)->trigger(); }));
    EXPECT_EQ(transport.sent(7), "/a ignoriert Anna.\r/s\r");
    receive(7, "<Anna> hallo\r\n<Bert> servus\r\n");
    const MessageRows& rows = client.messageView().rows();
    for (int i = 0; i < rows.count(); ++i)
        EXPECT_NE(rows.cell(i, 0), "Anna");
    EXPECT_EQ(lastRow().cells[0], "Bert");

    // The watch entry of the same menu puts her on the watch list.
    ASSERT_TRUE(
        rightClick(item(QStringLiteral("Anna")), [](QMenu& menu) { menu.actions().value(1)->trigger(); }));
    EXPECT_TRUE(client.chatWatch().isWatched("Anna", "h"));
}

TEST_F(WindowInteractionTest, AProtectedChannelAsksForThePassword) {
    desktop.onDialog = [this](Dialog d) {
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<gui::ChannelPasswordDialogWidget*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->passwordEdit()->setText(QStringLiteral("geheim"));
            dialog->okButton()->click();
        });
        return window.runDialog(d);
    };
    EXPECT_FALSE(rightClick(item(QStringLiteral("Lobby (3)"))));
    EXPECT_EQ(transport.sent(7), "/c Lobby geheim\r");
    ASSERT_EQ(desktop.dialogs.size(), 1U);

    transport.clearSent();
    EXPECT_FALSE(rightClick(item(QStringLiteral("Keller (1)"))));
    EXPECT_EQ(transport.sent(7), "/c Keller\r");
    EXPECT_EQ(desktop.dialogs.size(), 1U);
}

TEST_F(WindowInteractionTest, CompletionListStandsInPlaceOfTheTree) {
    window.inputLine()->setFocus();
    QTest::keyClicks(window.inputLine(), QStringLiteral("hallo a"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    QListWidget* names = window.namesListBox();
    EXPECT_TRUE(names->isVisible());
    EXPECT_FALSE(window.chatterTree()->isVisible());
    // In the tree's place, below the tab row: the session tabs stay visible.
    EXPECT_EQ(names->geometry(), window.chatterTree()->geometry());
    EXPECT_GE(names->y(), window.tabStrip()->y() + window.tabStrip()->height());
    EXPECT_EQ(names->currentItem()->text(), QStringLiteral("Anna@h"));
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("hallo Anna"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    EXPECT_EQ(names->currentItem()->text(), QStringLiteral("Anton@h"));
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("hallo Anton"));
    QTest::keyClick(window.inputLine(), Qt::Key_Backtab);
    EXPECT_EQ(names->currentItem()->text(), QStringLiteral("Anna@h"));
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("hallo Anna"));
    // Down moves in the list, not the message marker.
    const int marker = client.messageView().rows().marker();
    QTest::keyClick(window.inputLine(), Qt::Key_Down);
    EXPECT_EQ(client.messageView().rows().marker(), marker);
    EXPECT_EQ(names->currentItem()->text(), QStringLiteral("Anton@h"));
    // A double click takes the entry and puts the tree back.
    // The window system sends a press, a release and then the double click
    // (QTest's double click alone is only the last of these).
    const QPoint first = names->visualItemRect(names->item(0)).center();
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(names->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("hallo Anna"));
    EXPECT_FALSE(client.completionOpen());
    EXPECT_TRUE(window.chatterTree()->isVisible());
    EXPECT_FALSE(names->isVisible());
}

// Rows taken in during a read batch reach the list in one go. While a dialog
// is open the marker stays on its row as rows come and go; the list's current
// row and selection stay on that row too, as they did when the list heard of
// every row one by one.
TEST_F(WindowInteractionTest, AHeldFloodKeepsTheMarkedRowMarked) {
    gui::QtTransport batches;  // only its batch signals are used here
    window.listenTo(batches);
    QTableView* list = window.messageList();
    std::string lines;
    for (int i = 0; i < 20; ++i)
        lines += "<Anna> Zeile " + std::to_string(i) + "\r\n";
    receive(7, lines);
    QTest::qWait(20);
    const MessageRows& engine = client.messageView().rows();
    int marked = engine.count() - 1;
    while (marked > 0 && engine.cell(marked, 1) != "Zeile 14")
        --marked;
    ASSERT_EQ(engine.cell(marked, 1), "Zeile 14");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(marked, 1)).center());
    ASSERT_EQ(engine.marker(), marked);
    QTest::qWait(20);  // the view has followed the click

    QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(list->model(), &QAbstractItemModel::rowsRemoved);
    desktop.onDialog = [&](Dialog) {
        std::string flood;
        for (int i = 20; i < 120; ++i)
            flood += "<Bert> Zeile " + std::to_string(i) + "\r\n";
        emit batches.readBatchStarted();
        receive(7, flood);
        emit batches.readBatchFinished();
        return 1;
    };
    window.dispatch(Command::About);
    QTest::qWait(20);

    EXPECT_EQ(inserted.count() + removed.count(), 0);  // a full list: only its rows' data changed
    ASSERT_EQ(engine.cell(engine.marker(), 1), "Zeile 14");
    EXPECT_LT(engine.marker(), marked);
    EXPECT_EQ(list->currentIndex().row(), engine.marker());
    ASSERT_EQ(list->model()->rowCount(), engine.count());
    for (int r = 0; r < engine.count(); ++r) {
        ASSERT_EQ(list->selectionModel()->isRowSelected(r, QModelIndex()), engine.row(r).selected) << r;
        ASSERT_EQ(list->model()->index(r, 1).data().toString(), QString::fromLatin1(engine.cell(r, 1))) << r;
    }
}

TEST_F(WindowInteractionTest, CopyAndPaste) {
    receive(7, "<Anna> eins\r\n<Bert> zwei\r\n");
    const int last = client.messageView().rows().count() - 1 - client.messageView().inProgressRows();
    QItemSelectionModel* sel = window.messageList()->selectionModel();
    sel->select(window.messageList()->model()->index(last - 1, 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    sel->select(window.messageList()->model()->index(last, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window.inputLine()->setFocus();
    QTest::keyClick(window.inputLine(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(desktop.clipboard, "<Anna> eins\n<Bert> zwei\n");

    desktop.clipboard = "erste\r\nzweite\r\ndritte";
    QTest::keyClick(window.inputLine(), Qt::Key_V, Qt::ControlModifier);
    // Whole lines go out as they are, each ended like a typed line; the unfinished one stays.
    EXPECT_EQ(transport.sent(7), "erste\rzweite\r");
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("dritte"));
}

TEST_F(WindowInteractionTest, DraggingTheSplitterFarLeftHidesTheTree) {
    QWidget* area = window.clientArea();
    const int edge = window.chatterTree()->geometry().right() + 2;
    const int y = 200;
    QTest::mouseMove(area, QPoint(edge, y));
    EXPECT_EQ(area->cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(area, QPoint(0, y));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(0, y));
    EXPECT_EQ(client.settings().treeWidth, 0);
    EXPECT_EQ(window.chatterTree()->width(), 0);
    EXPECT_EQ(window.messageList()->x(), 6);
}

}  // namespace
}  // namespace tavik::test
