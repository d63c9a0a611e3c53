// The window on a real X server with a window manager (run-display.sh starts
// Xvfb and openbox): keys typed by xdotool reach whatever has the focus, the
// frame is the manager's, and the clipboard and the selection are owned by
// xclip, as on a user's desktop.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <memory>

#include "DisplayHelpers.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "Translations.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

// The number after `label` in xwininfo's report, or `fallback`.
int reported(const QString& report, const QString& label, int fallback = -100000) {
    const int at = report.indexOf(label);
    if (at < 0) return fallback;
    bool ok = false;
    const int value = report.mid(at + label.size()).section(QLatin1Char('\n'), 0, 0).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

// The frame's rectangle as the X server has it: xwininfo's absolute position
// of the client window minus its position in the manager's frame, and the
// frame extents the manager announced.
QRect frameOnTheServer(const QWidget& window) {
    const QString info = output(QStringLiteral("xwininfo"),
                                {QStringLiteral("-id"), QString::number(window.windowHandle()->winId())});
    const int x = reported(info, QStringLiteral("Absolute upper-left X:"));
    const int y = reported(info, QStringLiteral("Absolute upper-left Y:"));
    const int relX = reported(info, QStringLiteral("Relative upper-left X:"));
    const int relY = reported(info, QStringLiteral("Relative upper-left Y:"));
    const int width = reported(info, QStringLiteral("Width:"));
    const int height = reported(info, QStringLiteral("Height:"));
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QString extents =
        windowProperty(window, QStringLiteral("_NET_FRAME_EXTENTS")).section(QLatin1Char('='), 1).trimmed();
    const QStringList e = extents.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (e.size() != 4) return {};
    const int right = e[1].trimmed().toInt();
    const int bottom = e[3].trimmed().toInt();
    return {x - relX, y - relY, relX + width + right, relY + height + bottom};
}

// Set up before a modal dialog opens: once the dialog titled `title` is shown
// and the window manager has given it the keyboard, xdotool types `keys` (each
// an xdotool key name) as the X server's keyboard would.
class KeysInto {
public:
    KeysInto(const QString& title, const QStringList& keys) {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, [this, title, keys] {
            const QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal->windowTitle() != title || !modal->isActiveWindow()) return;
            m_poll.stop();
            m_typing.start(
                QStringLiteral("xdotool"),
                QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} + keys);
        });
        m_poll.start();
    }
    ~KeysInto() { m_typing.waitForFinished(Wait); }

private:
    QTimer m_poll;
    QProcess m_typing;
};

std::unique_ptr<KeysInto> keysInto(const QString& title, const QStringList& keys) {
    return std::make_unique<KeysInto>(title, keys);
}

// Closes any dialog still open after a while, so a failing key test fails
// instead of hanging.
class DialogGuard {
public:
    DialogGuard() {
        m_timer.setInterval(15000);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                fired = true;
                modal->close();
            }
        });
        m_timer.start();
    }
    bool fired = false;

private:
    QTimer m_timer;
};

// The real window and its real dialogs over a fake transport, in a temporary
// working directory.
class DisplayTest : public ::testing::Test {
protected:
    DisplayTest() : client(transport, desktop, clock, dir.path()), window(client, &desktop) {
        client.settings().sound = false;
    }
    void start() {
        ASSERT_NO_FATAL_FAILURE(startActive(client, window));
        window.inputLine()->setFocus();
    }
    QPoint onScreen(const QWidget* w) const { return w->mapToGlobal(w->rect().center()); }
    bool click(const QWidget* w, int button) { return clickAt(onScreen(w), button); }

    TempDir dir;
    FakeTransport transport;
    gui::QtDesktop desktop;
    FakeClock clock;
    Client client;
    gui::MainWindow window;
};

// One Enter in the connect dialog connects (the preselected address too), one
// Enter in the Login dialog logs in; Escape cancels.
TEST_F(DisplayTest, OneEnterConnectsAndLogsIn) {
    client.settings().servers[0] = "localhost:3001";
    client.settings().nicknames[0] = "Gast";
    start();
    DialogGuard guard;
    const auto connectKeys = keysInto(QStringLiteral("Verbindungs-Dialog"), {QStringLiteral("Return")});
    const auto loginKeys = keysInto(QStringLiteral("Login"), {QStringLiteral("Return")});
    window.dispatch(Command::Connect);
    EXPECT_FALSE(guard.fired);
    ASSERT_EQ(transport.connects.size(), 1U);
    EXPECT_EQ(transport.connects[0].second, 3001);
    const int socket = client.currentSocket();
    EXPECT_EQ(transport.sent(socket).rfind("Gast\r", 0), 0U) << transport.sent(socket);
    EXPECT_EQ(client.tabs().label(0), "Gast@localhost");

    // Escape in the connect dialog: nothing happens.
    const auto cancelKeys = keysInto(QStringLiteral("Verbindungs-Dialog"), {QStringLiteral("Escape")});
    client.connectNew();
    EXPECT_FALSE(guard.fired);
    EXPECT_EQ(transport.connects.size(), 1U);
}

// OK in the font dialog without touching anything keeps the font exactly.
TEST_F(DisplayTest, FontDialogOkKeepsTheFont) {
    start();
    const LogFont before = client.settings().displayFont;
    DialogGuard guard;
    const auto keys = keysInto(QStringLiteral("Schriftart"), {QStringLiteral("Return")});
    window.dispatch(Command::Font);
    EXPECT_FALSE(guard.fired);
    EXPECT_EQ(client.settings().displayFont, before);
    EXPECT_FALSE(window.messageList()->font().italic());
}

// The frame, title bar included, lies where the settings say and on the screen.
TEST(DisplayFrame, TheFrameGoesOnTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        std::optional<WindowRect> stored;  // none: a first start without settings.cfg
        std::optional<QRect> frame;        // where the frame must be, when it is exact
    };
    const Case cases[] = {
        {"first start", std::nullopt, QRect(0, 0, 800, 500)},
        {"at the top left", WindowRect{0, 0, 900, 600}, QRect(0, 0, 900, 600)},
        {"inside", WindowRect{100, 80, 700, 480}, QRect(100, 80, 600, 400)},
        {"off every screen", WindowRect{5000, 4000, 5600, 4400}, std::nullopt},
        {"left of the screen", WindowRect{-3000, 100, -2400, 500}, std::nullopt},
        {"larger than the screen", WindowRect{0, 0, 3000, 2000}, area},
        {"title bar above the screen", WindowRect{50, -200, 650, 300}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        FakeTransport transport;
        gui::QtDesktop desktop;
        FakeClock clock;
        if (c.stored) {
            Client writer(transport, desktop, clock, dir.path());
            writer.settings().windowRect = *c.stored;
            ASSERT_TRUE(writer.saveSettings());
        }
        Client client(transport, desktop, clock, dir.path());
        gui::MainWindow window(client, &desktop);
        // A first start shows its hint about the font menu first.
        std::unique_ptr<KeysInto> hint;
        if (!c.stored) hint = keysInto(QStringLiteral("TavikTelnet"), {QStringLiteral("Return")});
        DialogGuard guard;
        window.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, Wait));
        // The manager's frame is known and the window fitted into the stored rectangle.
        const bool placed = QTest::qWaitFor(
            [&] {
                return window.frameGeometry() != window.geometry() &&
                       (!c.frame || window.frameGeometry() == *c.frame);
            },
            Wait);
        EXPECT_TRUE(placed) << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
                            << window.frameGeometry().width() << "x" << window.frameGeometry().height();
        EXPECT_TRUE(area.contains(window.frameGeometry()))
            << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
            << window.frameGeometry().width() << "x" << window.frameGeometry().height();
        window.close();
        // What is stored at the end is the frame's rectangle: the next start puts it back.
        const QRect frame = window.frameGeometry();
        EXPECT_EQ(client.settings().windowRect,
                  (WindowRect{frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()}));
    }
}

// Twenty first starts in a row, with no settings file and with the default
// rectangle stored: wherever the manager's frame is known only after the
// window was first placed, the frame still ends up on the screen, its title
// bar included, and the window can be moved by it.
TEST(DisplayFrame, EveryFirstStartPutsTheFrameOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (int start = 0; start < 20; ++start) {
        SCOPED_TRACE(start);
        TempDir dir;
        FakeTransport transport;
        gui::QtDesktop desktop;
        FakeClock clock;
        const bool defaultStored = start % 2 == 1;
        if (defaultStored) {
            Client writer(transport, desktop, clock, dir.path());
            ASSERT_TRUE(writer.saveSettings());
        }
        Client client(transport, desktop, clock, dir.path());
        gui::MainWindow window(client, &desktop);
        std::unique_ptr<KeysInto> hint;
        if (!defaultStored) hint = keysInto(QStringLiteral("TavikTelnet"), {QStringLiteral("Return")});
        DialogGuard guard;
        window.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, Wait));
        // Settled: framed, and the frame has not moved for a while.
        QRect last;
        QElapsedTimer still;
        still.start();
        const bool settled = QTest::qWaitFor(
            [&] {
                const QRect now = window.frameGeometry();
                if (now != last || now == window.geometry()) {
                    last = now;
                    still.restart();
                }
                return still.elapsed() > 400;
            },
            Wait);
        EXPECT_TRUE(settled);
        const QRect frame = frameOnTheServer(window);
        EXPECT_GE(frame.top(), 0) << "the title bar is above the screen";
        EXPECT_TRUE(screen.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        EXPECT_EQ(frame.topLeft(), QPoint(0, 0));
        if (start == 0) screenshot("first-start");
        window.close();
    }
}

// The art font box: a font chosen from the open list with the mouse is kept,
// the keys go to the input line after it, and while the list is open its keys
// move in the list, not the message list's marker.
TEST_F(DisplayTest, AnArtFontChosenWithTheMouseIsKept) {
    std::filesystem::create_directories(dir.path() / "fonts");
    for (const char* font : {"block5.fnt", "farbe.fnt", "schraeg.fnt"})
        std::filesystem::copy_file(std::filesystem::path(TAVIK_SOURCE_DIR) / "demo" / "fonts" / font,
                                   dir.path() / "fonts" / font);
    client.attachSession(7, "h", "Gast");
    for (int i = 0; i < 5; ++i)
        client.messageView().insert(7, "Anna", "Zeile " + std::to_string(i), LineKind::Public);
    start();
    QComboBox* box = window.artFontBox();
    ASSERT_TRUE(box->isVisible());
    ASSERT_EQ(box->count(), 3);
    const int marker = client.messageView().rows().marker();

    // The arrow at the box's right end opens the list.
    const QPoint arrow = box->mapToGlobal(QPoint(box->width() - 6, box->height() / 2));
    ASSERT_TRUE(clickAt(arrow, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->view()->isVisible(); }, Wait));
    const QModelIndex first = box->view()->currentIndex();
    ASSERT_TRUE(key(QStringLiteral("Down")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->view()->currentIndex() != first; }, Wait));
    EXPECT_EQ(client.messageView().rows().marker(), marker) << "Down moved the marker";
    ASSERT_TRUE(key(QStringLiteral("Up")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->view()->currentIndex() == first; }, Wait));
    EXPECT_EQ(client.messageView().rows().marker(), marker) << "Up moved the marker";
    screenshot("art-font-list-open");

    // A click on «block5.fnt» in the list.
    const int row = box->findText(QStringLiteral("block5.fnt"));
    ASSERT_GE(row, 0);
    const QRect item = box->view()->visualRect(box->model()->index(row, 0));
    const QPoint at = box->view()->viewport()->mapToGlobal(item.center());
    ASSERT_TRUE(clickAt(at, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->view()->isVisible(); }, Wait));
    // Whatever the manager and the closing list still deliver comes first.
    QTest::qWait(500);
    EXPECT_EQ(box->currentText(), QStringLiteral("block5.fnt"));
    EXPECT_EQ(client.artFontBox().editText(), "block5.fnt");
    EXPECT_EQ(QApplication::focusWidget(), window.inputLine());

    // The next typing goes into the input line; the font stays chosen.
    ASSERT_TRUE(key(QStringLiteral("h")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.inputLine()->text() == QStringLiteral("h"); }, Wait))
        << window.inputLine()->text().toStdString();
    EXPECT_EQ(box->currentText(), QStringLiteral("block5.fnt"));
    EXPECT_EQ(client.artFontBox().editText(), "block5.fnt");
    screenshot("art-font-chosen");
}

// The question before pasted lines go out, as a user meets it: the box has
// the keys, Enter and Escape cancel, only "Senden" sends.
TEST_F(DisplayTest, APasteWithLineBreaksAsksAndEnterCancels) {
    client.attachSession(7, "h", "Gast");
    client.recipientBox().setText("kater");
    start();
    ASSERT_TRUE(run(QStringLiteral("xclip"),
                    {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")},
                    QByteArray("eins\r\nzwei\r\nrest")));
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QApplication::clipboard()->text() == QStringLiteral("eins\r\nzwei\r\nrest"); }, Wait));
    DialogGuard guard;
    QString asked;
    QTimer shot;  // what the user sees, once, while the box is up
    shot.setInterval(5);
    QObject::connect(&shot, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            shot.stop();
        }
    });
    shot.start();
    // The question runs its own loop from inside the paste: the answer is
    // typed from there, once the manager has given the box the keyboard.
    for (const char* answer : {"Return", "Escape"}) {
        SCOPED_TRACE(answer);
        {
            // A shift first: the box is seen before the answer closes it.
            const auto typing = keysInto(QStringLiteral("TavikClient"),
                                         {QStringLiteral("shift"), QString::fromLatin1(answer)});
            ASSERT_TRUE(key(QStringLiteral("ctrl+v")));
            QTest::qWait(600);
            shot.start();
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(transport.sent(7), "");
        EXPECT_EQ(window.inputLine()->text(), QString());
    }
    EXPECT_TRUE(asked.contains(QStringLiteral("2 Zeilen"))) << asked.toStdString();
    {
        // Time to look at the question before it is answered.
        QStringList keys(8, QStringLiteral("shift"));
        keys << QStringLiteral("alt+s");
        const auto typing = keysInto(QStringLiteral("TavikClient"), keys);
        QTimer look;
        look.setInterval(20);
        QObject::connect(&look, &QTimer::timeout, [&] {
            const QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr || !box->isActiveWindow()) return;
            look.stop();
            QTimer::singleShot(250, [] { screenshot("paste-question"); });
        });
        look.start();
        ASSERT_TRUE(key(QStringLiteral("ctrl+v")));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return transport.sent(7) == "/w kater eins\r/w kater zwei\r"; }, Wait))
            << transport.sent(7);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.inputLine()->text() == QStringLiteral("rest"); }, Wait));
    EXPECT_FALSE(guard.fired);
}

// The clipboard and the selection reach the input line only through the
// client's paste: whole lines go out as typed ones (whispered to the
// recipient), the rest stays in the line.
TEST_F(DisplayTest, ClipboardRoadsOfTheInputLine) {
    client.attachSession(7, "h", "Gast");
    client.recipientBox().setText("kater");
    // The roads are what is tested here, not the question before lines go out.
    client.options().confirmMultilinePaste = false;
    start();
    const auto expectPasted = [&](const char* road, const std::string& sent, const QString& kept) {
        SCOPED_TRACE(road);
        EXPECT_TRUE(QTest::qWaitFor([&] { return transport.sent(7) == sent; }, Wait)) << transport.sent(7);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.inputLine()->text() == kept; }, Wait))
            << window.inputLine()->text().toStdString();
        transport.clearSent();
        client.inputLine().setText("");
    };
    const auto clipboard = [](const char* selection, const QByteArray& text) {
        ASSERT_TRUE(run(QStringLiteral("xclip"),
                        {QStringLiteral("-selection"), QString::fromLatin1(selection), QStringLiteral("-i")},
                        text));
        const QClipboard::Mode mode =
            QByteArray(selection) == "primary" ? QClipboard::Selection : QClipboard::Clipboard;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QApplication::clipboard()->text(mode) == QString::fromUtf8(text); }, Wait));
    };

    clipboard("clipboard", "geheim\r\n/e");
    ASSERT_TRUE(key(QStringLiteral("shift+Insert")));
    expectPasted("Shift+Insert", "/w kater geheim\r", QStringLiteral("/e"));

    ASSERT_TRUE(key(QStringLiteral("ctrl+v")));
    expectPasted("Ctrl+V", "/w kater geheim\r", QStringLiteral("/e"));

    // The line's context menu: "&Einfügen" by its letter.
    ASSERT_TRUE(click(window.inputLine(), 3));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, Wait));
    ASSERT_TRUE(key(QStringLiteral("e")));
    expectPasted("context menu", "/w kater geheim\r", QStringLiteral("/e"));

    // The middle button pastes the X11 selection.
    clipboard("primary", "zwei\r\n/x");
    ASSERT_TRUE(click(window.inputLine(), 2));
    expectPasted("middle click", "/w kater zwei\r", QStringLiteral("/x"));

    // A line without a break lands at the caret, and is not sent.
    clipboard("clipboard",
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    ASSERT_TRUE(key(QStringLiteral("ctrl+v")));
    expectPasted("plain text", "", QString::fromUtf8("Grüße"));
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tavik::gui::installGermanTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
