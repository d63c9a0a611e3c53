// The window for a screen reader and the keyboard alone, offscreen: the message
// list as one item per row that says something, menu entries without their key
// text, the notification that tells new whispers, F6 through the controls and
// the keyboard's roads for what the mouse does.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "Announcer.h"
#include "FocusMark.h"
#include "MainWindow.h"
#include "ShownWindowFixture.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class AccessibilityTest : public ShownWindowTest {
protected:
    AccessibilityTest() : ShownWindowTest(QSize(800, 600)) {
        // As when a screen reader listens (offscreen has no accessibility bridge).
        window.findChild<gui::Announcer*>()->setAlwaysTell(true);
        receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n");
        window.inputLine()->setFocus();
        QApplication::processEvents();
    }

    QStringList rowTexts() {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.messageList());
        QStringList texts;
        for (int i = 0; i < list->childCount(); ++i)
            texts << list->child(i)->text(QAccessible::Name);
        return texts;
    }
    QString announced() {
        QApplication::processEvents();
        return window.findChild<gui::Announcer*>()->announcement();
    }
    QWidget* focus() { return QApplication::focusWidget(); }
};

TEST_F(AccessibilityTest, TheListReadsOneSentencePerRowAndNoFiller) {
    receive(7, "<*Anna*> Hallo Gast\r\n<Bert> Guten Tag\r\n");
    QApplication::processEvents();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.messageList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Nachrichten"));
    const QStringList texts = rowTexts();
    // 500 rows, nearly all of them blank filler: only the rows that say something.
    EXPECT_GE(texts.size(), 2);
    EXPECT_LT(texts.size(), 10) << texts.join(QLatin1Char('\n')).toStdString();
    for (const QString& t : texts)
        EXPECT_FALSE(t.trimmed().isEmpty());
    const QRegularExpression whisper(QStringLiteral("^Flüstern von Anna, \\d\\d:\\d\\d: Hallo Gast$"));
    const QRegularExpression open(QStringLiteral("^Bert, öffentlich, \\d\\d:\\d\\d: Guten Tag$"));
    EXPECT_EQ(texts.filter(whisper).size(), 1) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(texts.filter(open).size(), 1) << texts.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* item = list->child(i);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(list->indexOfChild(item), i);
        EXPECT_EQ(item->parent(), list);
        EXPECT_EQ(list->child(i), item) << "the same item, asked twice";
    }
    // A row that arrives later is one more item; clearing leaves none.
    const int before = list->childCount();
    receive(7, "<Anna> Noch was\r\n");
    QApplication::processEvents();
    EXPECT_EQ(list->childCount(), before + 1);
    window.dispatch(Command::ClearMessages);
    QApplication::processEvents();
    EXPECT_EQ(list->childCount(), 0) << rowTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(AccessibilityTest, MenuEntriesReadWithoutTheirKeyText) {
    const struct {
        Command command;
        const char* name;
        const char* key;
    } cases[] = {
        {Command::ChatWatch, "ChatWatch", "Ctrl+W"},
        {Command::Copy, "Kopieren", "Ctrl+C"},
        {Command::ExtendWord, "Wort erweitern (vom Text)", "§ oder F4"},
        {Command::Autoscroll, "Autoscroll", ""},
        {Command::AnnounceAll, "alle Zeilen", ""},
    };
    for (const auto& c : cases) {
        // As a screen reader comes to it: through the menu that holds it.
        QAction* action = window.action(c.command);
        QMenu* menu = nullptr;
        for (QObject* owner : action->associatedObjects()) {
            if (auto* m = qobject_cast<QMenu*>(owner)) menu = m;
        }
        ASSERT_NE(menu, nullptr) << c.name;
        QAccessibleInterface* entry = QAccessible::queryAccessibleInterface(menu)->child(
            static_cast<int>(menu->actions().indexOf(action)));
        ASSERT_NE(entry, nullptr) << c.name;
        EXPECT_EQ(entry->text(QAccessible::Name), QString::fromUtf8(c.name));
        if (*c.key != '\0') {
            EXPECT_EQ(entry->text(QAccessible::Accelerator), QString::fromUtf8(c.key));
        }
        EXPECT_EQ(entry->role(), QAccessible::MenuItem);
    }
    QAccessibleInterface* copy = QAccessible::queryAccessibleInterface(window.action(Command::Copy));
    ASSERT_NE(copy->actionInterface(), nullptr);
    EXPECT_EQ(copy->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{QStringLiteral("Ctrl+C")});
}

TEST_F(AccessibilityTest, TheTabStripReadsItsNameAndItsTabs) {
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(window.tabStrip());
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->role(), QAccessible::PageTabList);
    EXPECT_EQ(strip->text(QAccessible::Name), QStringLiteral("Verbindungen"));
    ASSERT_EQ(strip->childCount(), window.tabStrip()->count());
    for (int i = 0; i < strip->childCount(); ++i) {
        EXPECT_EQ(strip->child(i)->text(QAccessible::Name), window.tabStrip()->tabText(i));
        EXPECT_EQ(strip->child(i)->state().selected, i == window.tabStrip()->currentIndex());
        EXPECT_EQ(strip->indexOfChild(strip->child(i)), i);
    }
}

TEST_F(AccessibilityTest, NewRowsAreToldAsTheOptionSays) {
    gui::Announcer* announcer = window.findChild<gui::Announcer*>();
    ASSERT_NE(announcer, nullptr);
    QAccessibleInterface* note = QAccessible::queryAccessibleInterface(announcer);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->role(), QAccessible::Notification);

    // The default: whispers and ChatWatch, not public lines.
    receive(7, "<*Anna*> Hallo Gast\r\n");
    EXPECT_TRUE(announced().startsWith(QStringLiteral("Flüstern von Anna, "))) << announced().toStdString();
    EXPECT_EQ(note->text(QAccessible::Name), announced());
    receive(7, "<Bert> Guten Tag\r\n");
    EXPECT_FALSE(announced().contains(QStringLiteral("Guten Tag")));
    // The same whisper again is told again.
    receive(7, "<*Anna*> Hallo Gast\r\n");
    EXPECT_TRUE(announced().endsWith(QStringLiteral(": Hallo Gast")));

    const Options& o = client.options();
    window.action(Command::AnnounceAll)->trigger();
    EXPECT_TRUE(o.announce.all);
    EXPECT_TRUE(window.action(Command::AnnounceAll)->isChecked());
    receive(7, "<Bert> Jetzt schon\r\n");
    EXPECT_TRUE(announced().endsWith(QStringLiteral(": Jetzt schon"))) << announced().toStdString();
    // Of a flood, the newest few of a read are told.
    std::string flood;
    for (int i = 0; i < 500; ++i)
        flood += "<Bert> Welle " + std::to_string(i) + "\r\n";
    receive(7, flood);
    EXPECT_EQ(announced().count(QStringLiteral("Welle")), gui::Announcer::MaxSpokenTogether);
    EXPECT_FALSE(announced().contains(QStringLiteral(": Welle 0 "))) << announced().toStdString();
    // Without a screen reader nothing is told.
    announcer->setAlwaysTell(false);
    receive(7, "<*Anna*> Niemand hört\r\n");
    EXPECT_FALSE(announced().contains(QStringLiteral("Niemand")));
    announcer->setAlwaysTell(true);

    window.action(Command::AnnounceOff)->trigger();
    EXPECT_TRUE(o.announce.off());
    EXPECT_TRUE(window.action(Command::AnnounceOff)->isChecked());
    EXPECT_FALSE(window.action(Command::AnnounceWhispers)->isChecked());
    receive(7, "<*Anna*> Nicht mehr\r\n");
    EXPECT_FALSE(announced().contains(QStringLiteral("Nicht mehr")));

    window.action(Command::AnnounceWhispers)->trigger();
    EXPECT_EQ(o.announce, (AnnounceRows{true, false, false}));
    EXPECT_FALSE(window.action(Command::AnnounceOff)->isChecked());
}

TEST_F(AccessibilityTest, F6WalksTheControlsAndMarksTheFocusedOne) {
    gui::FocusMark* mark = window.findChild<gui::FocusMark*>();
    ASSERT_NE(mark, nullptr);
    ASSERT_EQ(focus(), window.inputLine());
    std::vector<QWidget*> round{window.messageList(), window.chatterTree(), window.recipientBox()};
    if (window.artFontBox()->isVisible()) round.push_back(window.artFontBox());
    round.push_back(window.tabStrip());
    round.push_back(window.inputLine());
    for (QWidget* expected : round) {
        QTest::keyClick(focus(), Qt::Key_F6);
        QApplication::processEvents();
        EXPECT_EQ(focus(), expected) << expected->accessibleName().toStdString();
        EXPECT_TRUE(mark->isVisible());
        EXPECT_EQ(mark->geometry(), expected->geometry()) << expected->accessibleName().toStdString();
    }
    QTest::keyClick(focus(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(focus(), window.tabStrip());
    QTest::keyClick(focus(), Qt::Key_Escape);
    EXPECT_EQ(focus(), window.inputLine());
}

TEST_F(AccessibilityTest, TheKeyboardDoesWhatTheMouseDoes) {
    // Enter on a chatter of the tree chooses it as a click does.
    QTreeView* tree = window.chatterTree();
    tree->expandAll();
    QModelIndex anna;
    for (QModelIndex i = tree->model()->index(0, 0); i.isValid(); i = tree->indexBelow(i)) {
        if (i.data().toString() == QStringLiteral("Anna")) anna = i;
    }
    ASSERT_TRUE(anna.isValid());
    window.dispatch(Command::FocusNext);
    window.dispatch(Command::FocusNext);
    ASSERT_EQ(focus(), tree);
    tree->setCurrentIndex(anna);
    EXPECT_EQ(client.recipientBox().text(), "");  // moving alone chooses nothing
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(client.recipientBox().text(), "Anna@h");
    // The arrows walk the tree, not the message list's marker.
    const int marker = rows().marker();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_NE(tree->currentIndex(), anna);
    EXPECT_EQ(rows().marker(), marker);

    // Delete in the recipient box empties it, as a click into it does.
    window.dispatch(Command::FocusNext);
    ASSERT_EQ(focus(), window.recipientBox());
    QTest::keyClick(focus(), Qt::Key_Delete);
    EXPECT_EQ(client.recipientBox().text(), "");
    EXPECT_EQ(focus(), window.recipientBox());

    // Enter on a row of the list is a double click: its sender becomes the recipient.
    receive(7, "<Bert> Guten Tag\r\n");
    window.dispatch(Command::FocusPrevious);
    window.dispatch(Command::FocusPrevious);
    ASSERT_EQ(focus(), window.messageList());
    QTest::keyClick(focus(), Qt::Key_End);
    QTest::keyClick(focus(), Qt::Key_Up);  // the in-progress row is last
    QTest::keyClick(focus(), Qt::Key_Return);
    EXPECT_EQ(client.recipientBox().text(), "Bert@h");
    // The Menu key is the right click on the marked row: its sender is ignored.
    QTest::keyClick(focus(), Qt::Key_Menu);
    receive(7, "<Bert> Noch einmal\r\n");
    EXPECT_NE(lastRow().cells[1], "Noch einmal");
    QTest::keyClick(focus(), Qt::Key_F10, Qt::ShiftModifier);
    receive(7, "<Bert> Wieder da\r\n");
    EXPECT_EQ(lastRow().cells[1], "Wieder da");
}

}  // namespace
}  // namespace tavik::test
