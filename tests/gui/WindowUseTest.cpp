// The window as a user meets it, offscreen: the input line's roads for outside
// text, completion keys, the menu's inverted send, the display font, the marker
// on filler rows, German texts and controls whose texts are not cut.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <string>

#include "ChannelPasswordDialogWidget.h"
#include "ConnectDialogWidget.h"
#include "FontMapping.h"
#include "InputLineEdit.h"
#include "MainWindow.h"
#include "ModalRunner.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

// The window over a listed chat "h" in which the user is "Gast".
class WindowUseTest : public ClientTest {
protected:
    WindowUseTest() : window(client, nullptr) {
        window.resize(800, 600);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.arrange();
        connect(7, "h", "Gast");
        receive(7, "/s\r\n+-\r\n| Anna, Anton, Bert      Lobby   \r\n+-\r\n+-\r\n");
        transport.clearSent();
        window.inputLine()->setFocus();
    }
    gui::InputLineEdit* line() { return static_cast<gui::InputLineEdit*>(window.inputLine()); }

    gui::MainWindow window;
};

// Our own options: each menu entry turns its own flag round, and no other, its mark in step.
TEST_F(WindowUseTest, OurOptionsMenuEntriesToggleTheirOwnFlags) {
    const struct {
        Command command;
        bool Options::*flag;
    } cases[] = {
        {Command::ConfirmMultilinePaste, &Options::confirmMultilinePaste},
        {Command::AwayAnswersWhispersOnly, &Options::awayAnswersWhispersOnly},
        {Command::SendUmlautsUnchanged, &Options::sendUmlautsUnchanged},
        {Command::SaveInputHistory, &Options::saveInputHistory},
        {Command::ColouredNames, &Options::colouredNames},
        {Command::Reconnect, &Options::reconnect},
        {Command::NotifyWhispers, &Options::notifyWhispers},
        {Command::NotifyChatWatch, &Options::notifyChatWatch},
        {Command::NotifyWordSounds, &Options::notifyWordSounds},
        {Command::TrayIcon, &Options::trayIcon},
        {Command::CloseToTray, &Options::closeToTray},
    };
    Options& o = client.options();
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        const Options before = o;
        QAction* entry = window.action(c.command);
        ASSERT_NE(entry, nullptr);
        entry->trigger();
        Options expected = before;
        expected.*c.flag = !(before.*c.flag);
        EXPECT_EQ(o, expected);
        EXPECT_EQ(entry->isChecked(), o.*c.flag);
        entry->trigger();
        EXPECT_EQ(o, before);
    }
}

// A screen reader finds every control by a German name.
TEST_F(WindowUseTest, EveryControlHasAGermanAccessibleName) {
    QStringList names;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty()) names << w->accessibleName();
    }
    for (const char* name :
         {"Eingabezeile", "Empfänger", "Art-Font", "Chatter", "Nachrichten", "Senden", "Trennen"})
        EXPECT_TRUE(names.contains(QString::fromUtf8(name))) << name;
    EXPECT_FALSE(window.inputLine()->accessibleDescription().isEmpty());
}

// Near its limit the line says how much is left, and a refused key is noticed.
TEST_F(WindowUseTest, TheInputLineSaysItsLimit) {
    EXPECT_EQ(line()->charactersLeftShown(), QString());
    QTest::keyClicks(line(), QString(140, QLatin1Char('a')));
    EXPECT_EQ(line()->charactersLeftShown(), QString());  // 20 left: not yet
    QTest::keyClicks(line(), QStringLiteral("a"));
    EXPECT_EQ(line()->charactersLeftShown(), QStringLiteral("19"));
    QTest::keyClicks(line(), QString(30, QLatin1Char('b')));
    EXPECT_EQ(line()->text().size(), 160);
    EXPECT_EQ(line()->charactersLeftShown(), QStringLiteral("0"));
    EXPECT_EQ(line()->keysRefused(), 11);         // 30 typed, 19 taken
    EXPECT_EQ(client.inputLine().length(), 160);  // the cap stays
    line()->selectAll();
    QTest::keyClick(line(), Qt::Key_X);  // replacing a selection is no refusal
    EXPECT_EQ(line()->keysRefused(), 11);
    EXPECT_EQ(line()->charactersLeftShown(), QString());
}

// Ctrl+Up and Ctrl+Down walk the lines sent; Up and Down still move the marker.
TEST_F(WindowUseTest, CtrlUpAndDownWalkTheLinesSent) {
    for (const char* sent : {"erste", "zweite"}) {
        QTest::keyClicks(line(), QString::fromLatin1(sent));
        QTest::keyClick(line(), Qt::Key_Return);
        client.inputLine().setText("");
    }
    QTest::keyClicks(line(), QStringLiteral("neu"));
    QTest::keyClick(line(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(line()->text(), QStringLiteral("zweite"));
    QTest::keyClick(line(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(line()->text(), QStringLiteral("erste"));
    QTest::keyClick(line(), Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(line(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(line()->text(), QStringLiteral("neu"));
    const int marker = client.messageView().rows().marker();
    QTest::keyClick(line(), Qt::Key_Up);
    EXPECT_NE(client.messageView().rows().marker(), marker);
    EXPECT_EQ(line()->text(), QStringLiteral("neu"));
}

// Each road by which text enters the input line takes the paste rule: it asks
// first, and a line meant as a whisper goes out as one, never public.
TEST_F(WindowUseTest, EveryRoadIntoTheInputLineTakesThePasteRule) {
    const std::string clip = "geheim\r\n/e";
    const auto check = [&](const char* road, const std::function<void()>& enter) {
        SCOPED_TRACE(road);
        transport.clearSent();
        client.inputLine().setText("");
        client.recipientBox().setText("kater");
        const std::size_t asked = desktop.boxes.size();
        enter();
        EXPECT_EQ(desktop.boxes.size(), asked + 1);
        EXPECT_EQ(transport.sent(7), "/w kater geheim\r");
        EXPECT_EQ(window.inputLine()->text(), QStringLiteral("/e"));
        EXPECT_EQ(client.inputLine().text(), "/e");
    };
    desktop.clipboard = clip;
    check("Ctrl+V", [&] { QTest::keyClick(window.inputLine(), Qt::Key_V, Qt::ControlModifier); });
    check("Shift+Insert", [&] { QTest::keyClick(window.inputLine(), Qt::Key_Insert, Qt::ShiftModifier); });
    check("the line's own Shift+Insert", [&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier);
        QApplication::sendEvent(line(), &key);  // even without the window's key handling
    });
    check("context menu", [&] {
        std::unique_ptr<QMenu> menu(line()->createInputMenu());
        QAction* paste = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->text() == QStringLiteral("&Einfügen")) paste = a;
        }
        ASSERT_NE(paste, nullptr);
        paste->trigger();
    });
    check("drag and drop", [&] {
        QMimeData data;
        data.setText(QStringLiteral("geheim\r\n/e"));
        // The window system announces the drag before it drops.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(line(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(line(), &drop);
        EXPECT_TRUE(drop.isAccepted());
    });
    check("input method", [&] {
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("geheim\r\n/e"));
        QApplication::sendEvent(line(), &commit);
    });
    // Text without a break lands at the caret, by every road alike.
    transport.clearSent();
    client.inputLine().setText("");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("Gr\u00fc\u00dfe"));
    QApplication::sendEvent(line(), &commit);
    EXPECT_EQ(window.inputLine()->text(), QString::fromUtf8("Grüße"));
    EXPECT_EQ(transport.sent(7), "");
}

// The line's own context menu: German texts, and copy is the client's copy.
TEST_F(WindowUseTest, TheInputLinesContextMenuIsTheClients) {
    QTest::keyClicks(window.inputLine(), QStringLiteral("hallo welt"));
    window.inputLine()->setSelection(6, 4);
    std::unique_ptr<QMenu> menu(line()->createInputMenu());
    QStringList texts;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator()) texts << a->text();
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Rückgängig"), QStringLiteral("&Wiederherstellen"),
                                  QStringLiteral("&Ausschneiden"), QStringLiteral("&Kopieren"),
                                  QStringLiteral("&Einfügen"), QStringLiteral("&Löschen"),
                                  QStringLiteral("Alles &markieren")}));
    const auto choose = [&menu](const QString& text) {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) a->trigger();
        }
    };
    choose(QStringLiteral("&Kopieren"));
    EXPECT_EQ(desktop.clipboard, "welt");
    desktop.clipboard.clear();
    choose(QStringLiteral("&Ausschneiden"));
    EXPECT_EQ(desktop.clipboard, "welt");
    EXPECT_EQ(client.inputLine().text(), "hallo ");
}

TEST_F(WindowUseTest, UmlautRightAfterTabAndEscape) {
    QTest::keyClicks(window.inputLine(), QStringLiteral("an"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    ASSERT_TRUE(window.namesListBox()->isVisible());
    QTest::sendKeyEvent(QTest::Click, window.inputLine(), Qt::Key_Adiaeresis, QString(QChar(0xE4)),
                        Qt::NoModifier);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("Annaae"));
    EXPECT_EQ(window.inputLine()->cursorPosition(), 6);
    EXPECT_FALSE(window.namesListBox()->isVisible());

    // Escape closes an open list; the tree is back and the line unchanged.
    window.inputLine()->clear();
    client.inputLine().setText("");
    QTest::keyClicks(window.inputLine(), QStringLiteral("hi a"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    ASSERT_TRUE(window.namesListBox()->isVisible());
    const QString shown = window.inputLine()->text();
    QTest::keyClick(window.inputLine(), Qt::Key_Escape);
    EXPECT_FALSE(window.namesListBox()->isVisible());
    EXPECT_TRUE(window.chatterTree()->isVisible());
    EXPECT_EQ(window.inputLine()->text(), shown);
    EXPECT_FALSE(client.completionOpen());

    // Tab without a candidate shows nothing and changes nothing.
    QTest::keyClicks(window.inputLine(), QStringLiteral(" xq"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    EXPECT_FALSE(window.namesListBox()->isVisible());
    EXPECT_EQ(window.inputLine()->text(), shown + QStringLiteral(" xq"));
}

TEST(WindowNoSession, TabWithNothingConnectedShowsNoList) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    gui::MainWindow window(client, nullptr);
    window.show();
    window.inputLine()->setFocus();
    QTest::keyClicks(window.inputLine(), QStringLiteral("an"));
    QTest::keyClick(window.inputLine(), Qt::Key_Tab);
    EXPECT_FALSE(window.namesListBox()->isVisible());
    EXPECT_TRUE(window.chatterTree()->isVisible());
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("an"));
}

// "&Invertiert Senden" from the menu does what Ctrl+Enter does.
TEST_F(WindowUseTest, TheMenusInvertedSend) {
    client.settings().autowhisper = false;
    client.recipientBox().setText("Anna");
    QTest::keyClicks(window.inputLine(), QStringLiteral("hallo"));
    window.action(Command::SendInvertedMenu)->trigger();
    const std::string menu = transport.sent(7);
    transport.clearSent();
    client.inputLine().setText("");
    QTest::keyClicks(window.inputLine(), QStringLiteral("hallo"));
    QTest::keyClick(window.inputLine(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(menu.empty());
    EXPECT_EQ(menu, transport.sent(7));
}

// A new font or size reaches rows, columns and the input line at once.
TEST_F(WindowUseTest, ANewFontSizeAppliesToRowsAndInputLine) {
    LogFont& font = client.settings().displayFont;
    font.faceName = "DejaVu Sans Mono";
    font.height = -30;
    window.applyDisplayFont();
    const QTableView* list = window.messageList();
    EXPECT_EQ(QFontInfo(list->font()).pixelSize(), 30);
    EXPECT_EQ(QFontInfo(window.inputLine()->font()).pixelSize(), 30);
    const int needed = QFontMetrics(list->font()).height();
    for (const int row : {0, 250, 499})
        EXPECT_GE(list->rowHeight(row), needed) << row;
}

// OK in the font dialog without touching anything keeps the font exactly: no
// "Oblique", no other size.
TEST(FontDialog, OkWithoutAChangeKeepsTheFont) {
    gui::QtFontCatalog catalog;
    const struct {
        std::string face;
        std::int32_t height;
    } cases[] = {
        {"DejaVu Sans Mono", -13}, {"DejaVu Sans Mono", -17}, {"DejaVu Sans", -12}, {"DejaVu Serif", 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face + " " + std::to_string(c.height));
        LogFont current;
        current.faceName = c.face;
        current.height = c.height;
        current.weight = 400;
        current.pitchAndFamily = 49;
        QFont shownStyle;
        QTimer::singleShot(0, qApp, [&shownStyle] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            shownStyle = dialog->currentFont();
            dialog->accept();
        });
        const auto chosen = catalog.chooseFont(current);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, current);
        EXPECT_FALSE(shownStyle.italic());
        EXPECT_FALSE(shownStyle.styleName().contains(QStringLiteral("Oblique")));
    }
}

// The marker on a blank filler row is a frame, not a full-width selection bar.
TEST(MarkerPainting, AFillerRowCarriesNoSelectionFill) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    gui::MainWindow window(client, nullptr);
    window.resize(800, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTableView* list = window.messageList();
    window.dispatch(Command::ClearMessages);  // F8: the marker goes to the last filler row
    const int marker = client.messageView().rows().marker();
    ASSERT_EQ(client.messageView().rows().kind(marker), LineKind::Filler);
    QTest::qWait(20);  // the view follows the marker once per pass of the event loop
    ASSERT_TRUE(list->selectionModel()->isRowSelected(marker, QModelIndex()));
    const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
    const auto fillAt = [&](int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 1));
        const QImage image = list->viewport()->grab().toImage();
        return image.pixelColor(cell.center());
    };
    EXPECT_NE(fillAt(marker), highlight);

    // A real row under the marker keeps the selection fill.
    client.attachSession(7, "h", "Gast");
    transport.feed(7, "<Anna> hallo\r\n");
    client.socketEvent(7, SocketEvent::Read, 0);
    QTest::qWait(20);
    const MessageRows& rows = client.messageView().rows();
    const int row = rows.count() - 2;  // above the in-progress row
    ASSERT_EQ(rows.kind(row), LineKind::Public);
    client.messageView().moveMarker(row - rows.marker(), false);
    QTest::qWait(20);
    EXPECT_EQ(fillAt(row), highlight);
}

// The list's header sits above the rows, never over the first one, and spans
// the list's whole width.
TEST(ListHeader, AboveTheRowsAndAcrossTheList) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    gui::MainWindow window(client, nullptr);
    window.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(20);
    const QTableView* list = window.messageList();
    const QHeaderView* header = list->horizontalHeader();
    EXPECT_GE(header->height(), header->sizeHint().height());
    EXPECT_GE(list->viewport()->y(), header->y() + header->height());
    EXPECT_EQ(header->width(), list->viewport()->width());
    // Beyond the last column the header is still drawn as header, not as the list's background.
    const QImage image = header->viewport()->grab().toImage();
    const QColor base = list->palette().color(QPalette::Base);
    EXPECT_NE(image.pixelColor(image.width() - 3, image.height() / 2), base);
}

// Scrolled to its end, the list shows whole rows from just below the header
// down, also when the list's height is not a whole number of rows: the last
// row is shown whole and the space left over lies below it.
TEST_F(WindowUseTest, AtTheEndTheFirstShownRowStartsBelowTheHeader) {
    QTableView* list = window.messageList();
    const int rowHeight = list->verticalHeader()->defaultSectionSize();
    ASSERT_GT(rowHeight, 2);
    const int last = list->model()->rowCount() - 1;
    for (int extra = 0; extra < rowHeight; ++extra) {
        window.resize(800, 600 + extra);
        QTest::qWait(10);
        QScrollBar* bar = list->verticalScrollBar();
        bar->setValue(0);
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        SCOPED_TRACE("list height " + std::to_string(list->viewport()->height()));
        const int first = list->rowAt(0);
        ASSERT_GE(first, 0);
        EXPECT_EQ(list->rowViewportPosition(first), 0);
        EXPECT_EQ(first, bar->maximum());
        EXPECT_LE(list->rowViewportPosition(last) + list->rowHeight(last), list->viewport()->height());

        // A resize while at the end keeps the rows whole too.
        window.resize(800, 600 + extra + rowHeight / 2);
        QTest::qWait(10);
        EXPECT_EQ(list->rowViewportPosition(list->rowAt(0)), 0);
    }
}

// Qt's own texts are German.
TEST(GermanTexts, QtsOwnTextsAreGerman) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    EXPECT_EQ(QCoreApplication::translate("QFontDialog", "&Size"), QStringLiteral("&Größe"));
    QFontDialog dialog;
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("&Schriftart")))
        << labels.join(QLatin1Char('|')).toStdString();
}

// Texts of dialogs and their controls are whole.
TEST(TextsNotCut, ChannelPasswordTitleAndConnectDialog) {
    gui::ChannelPasswordDialogWidget password;
    password.show();
    const QFontMetrics metrics(password.font());
    EXPECT_GE(password.width(), metrics.horizontalAdvance(password.windowTitle()) + 100);
}

// One Enter in the connect dialog connects, with the preselected address too.
TEST(ConnectDialogKeys, OneEnterConnects) {
    TempDir dir;
    FakeTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client(transport, desktop, clock, dir.path());
    client.settings().servers[0] = "localhost:3001";
    client.settings().servers[1] = "chat.example.org";
    for (const bool typed : {false, true}) {
        client.connectDialog().open();
        gui::ConnectDialogWidget dialog(client);
        const int result = runModal(dialog, [&] {
            QWidget* edit = dialog.addressBox()->lineEdit();
            if (typed) {
                dialog.addressBox()->setEditText(QString());
                QTest::keyClicks(edit, QStringLiteral("chat.example.org"));
            }
            QTest::keyClick(edit, Qt::Key_Return);
        });
        EXPECT_EQ(result, 1) << (typed ? "typed" : "preselected");
        EXPECT_EQ(client.connectDialog().host(), typed ? "chat.example.org" : "localhost");
    }
    // Escape cancels.
    client.connectDialog().open();
    gui::ConnectDialogWidget dialog(client);
    EXPECT_EQ(runModal(dialog, [&] { QTest::keyClick(dialog.addressBox()->lineEdit(), Qt::Key_Escape); }), 2);
}

}  // namespace
}  // namespace tavik::test
