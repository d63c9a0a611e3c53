// The window on a real X server with a window manager (run-display.sh starts
// Xvfb and openbox): keys typed by xdotool reach whatever has the focus, the
// frame is the manager's, and the clipboard and the selection are owned by
// xclip, as on a user's desktop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

#include "MainWindow.h"
#include "QtDesktop.h"
#include "Translations.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

constexpr int Wait = 10000;  // ms for anything the X server or the manager does

// Runs xdotool or xclip and waits (spinning the event loop) until it is done.
bool run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(Wait)) return false;
    if (!input.isNull()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, Wait)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
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
        // A settings file exists: no first-start hint.
        ASSERT_TRUE(client.saveSettings());
        window.start();
        client.settings().sound = false;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, Wait));
        ASSERT_TRUE(run(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("^TavikClient"),
                         QStringLiteral("windowactivate"), QStringLiteral("--sync")}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, Wait));
        window.inputLine()->setFocus();
    }
    QPoint onScreen(const QWidget* w) const { return w->mapToGlobal(w->rect().center()); }
    bool click(const QWidget* w, int button) {
        const QPoint at = onScreen(w);
        // (mousemove --sync would wait forever when the pointer is there already)
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QString::number(button)});
    }
    bool key(const QString& keys) { return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}); }

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

// The clipboard and the selection reach the input line only through the
// client's paste: whole lines go out, the rest stays in the line.
TEST_F(DisplayTest, ClipboardRoadsOfTheInputLine) {
    client.attachSession(7, "h", "Gast");
    client.recipientBox().setText("kater");
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
    expectPasted("Shift+Insert", "geheim\r", QStringLiteral("/e"));

    ASSERT_TRUE(key(QStringLiteral("ctrl+v")));
    expectPasted("Ctrl+V", "geheim\r", QStringLiteral("/e"));

    // The line's context menu: "&Einfügen" by its letter.
    ASSERT_TRUE(click(window.inputLine(), 3));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, Wait));
    ASSERT_TRUE(key(QStringLiteral("e")));
    expectPasted("context menu", "geheim\r", QStringLiteral("/e"));

    // The middle button pastes the X11 selection.
    clipboard("primary", "zwei\r\n/x");
    ASSERT_TRUE(click(window.inputLine(), 2));
    expectPasted("middle click", "zwei\r", QStringLiteral("/x"));

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
