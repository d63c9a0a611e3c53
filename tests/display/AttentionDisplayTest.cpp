// Notifications, the urgency hint, the tab marks, Alt+A and the tray on a real
// X server with a window manager. run-display.sh gives the run a session bus
// of its own; this file puts a notification service of its own on it, which
// records what it is asked to show, and starts a system tray (trayer) beside
// openbox, which has none.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTest>
#include <memory>

#include "AttentionUi.h"
#include "DisplayHelpers.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "TrayIcon.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {

// What the desktop's notification service is asked; a second connection to the
// bus, as a service of the desktop would be.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString app;
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Call> calls;

    NotificationService()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notifications"))) {
    }
    ~NotificationService() override {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notifications"));
    }
    bool start() {
        return m_bus.isConnected() &&
               m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    // The user clicks notification `id`.
    void click(uint id) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        m_bus.send(signal);
    }

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        calls.append({app, summary, body, actions});
        return static_cast<uint>(calls.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    void CloseNotification(uint) {}

private:
    QDBusConnection m_bus;
};

namespace {

// A program of the test's own (another window, the tray), ended with the test.
class Helper {
public:
    Helper(const QString& program, const QStringList& args) {
        m_process.start(program, args);
        m_started = m_process.waitForStarted(Wait);
    }
    ~Helper() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) m_process.kill();
        m_process.waitForFinished(1000);
    }
    bool started() const { return m_started; }

private:
    QProcess m_process;
    bool m_started = false;
};

bool demandsAttention(const QWidget& window) {
    return windowProperty(window, QStringLiteral("_NET_WM_STATE"))
        .contains(QStringLiteral("_NET_WM_STATE_DEMANDS_ATTENTION"));
}

class AttentionDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus (dbus-run-session)";
        ASSERT_TRUE(service.start());
        // A tray beside openbox, before the window's icon looks for one.
        tray = std::make_unique<Helper>(
            QStringLiteral("trayer"),
            QStringList{QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                        QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                        QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                        QStringLiteral("28"), QStringLiteral("--transparent"), QStringLiteral("false")});
        hasTray =
            tray->started() && QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, Wait);
        client = std::make_unique<Client>(transport, desktop, clock, dir.path());
        client->settings().sound = false;
        client->settings().windowRect = WindowRect{40, 40, 840, 560};
        window = std::make_unique<gui::MainWindow>(*client, &desktop);
        ASSERT_NO_FATAL_FAILURE(startActive(*client, *window));
    }
    void TearDown() override {
        window.reset();
        client.reset();
    }
    void receive(int socket, const std::string& bytes) {
        transport.feed(socket, bytes);
        client->socketEvent(socket, SocketEvent::Read, 0);
    }
    int tabOf(int socket) { return client->tabs().findSession(client->sessions().findBySocket(socket)->id); }
    QString tabText(int socket) { return window->tabStrip()->tabText(tabOf(socket)); }

    NotificationService service;
    std::unique_ptr<Helper> tray;
    bool hasTray = false;
    TempDir dir;
    FakeTransport transport;
    gui::QtDesktop desktop;
    FakeClock clock;
    std::unique_ptr<Client> client;
    std::unique_ptr<gui::MainWindow> window;
};

TEST_F(AttentionDisplay, AWhisperBehindAnotherWindowNotifiesAndTheTabsShowIt) {
    client->attachSession(7, "eins", "Gast");
    client->attachSession(8, "zwei", "Gast");
    client->attachSession(9, "drei", "Gast");  // the current one

    // Our window is the active one: no notification.
    receive(7, "<*Anna*> siehst du mich?\r\n");
    QTest::qWait(1000);
    EXPECT_TRUE(service.calls.isEmpty());
    EXPECT_FALSE(demandsAttention(*window));

    // Another program's window in front.
    Helper other(QStringLiteral("xmessage"),
                 {QStringLiteral("-geometry"), QStringLiteral("300x80+500+300"), QStringLiteral("-title"),
                  QStringLiteral("Anderes Fenster"), QStringLiteral("ein anderes Programm")});
    ASSERT_TRUE(other.started());
    ASSERT_TRUE(activate(QStringLiteral("^Anderes Fenster$")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isActiveWindow(); }, Wait));

    receive(7, "<*Anna*> hallo, bist du noch da?\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 1; }, Wait));
    EXPECT_EQ(service.calls[0].app, QStringLiteral("TavikClient"));
    EXPECT_EQ(service.calls[0].summary, QStringLiteral("Anna (eins)"));
    EXPECT_EQ(service.calls[0].body, QStringLiteral("hallo, bist du noch da?"));
    EXPECT_TRUE(service.calls[0].actions.contains(QStringLiteral("default")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return demandsAttention(*window); }, Wait));

    // More from her within ten seconds: no second notification now.
    receive(7, "<*Anna*> huhu?\r\n");
    receive(8, "<Bert> Gast, kommst du?\r\n<Carla> nur so\r\n");
    QTest::qWait(1000);
    EXPECT_EQ(service.calls.size(), 1);

    EXPECT_EQ(tabText(7), QStringLiteral("• Gast@eins (3)"));
    EXPECT_EQ(tabText(8), QStringLiteral("• Gast@zwei (1)"));
    EXPECT_EQ(tabText(9), QStringLiteral("Gast@drei"));
    EXPECT_TRUE(window->tabStrip()->tabTextColor(tabOf(7)).isValid());
    client->attachSession(10, "vier", "Gast");
    receive(9, "--> Dora kommt herein.\r\n");
    EXPECT_EQ(tabText(9), QStringLiteral("• Gast@drei"));
    QTest::qWait(300);
    screenshot("attention-tabs");

    // A click on the notification: the window in front, its session current.
    service.click(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->currentSocket() == 7; }, Wait));
    EXPECT_EQ(window->tabStrip()->currentIndex(), tabOf(7));
    EXPECT_EQ(tabText(7), QStringLiteral("Gast@eins"));
    if (!QTest::qWaitFor([&] { return window->isActiveWindow(); }, 3000)) {
        // The manager may keep the focus where the user is; the keys need our window.
        ASSERT_TRUE(activate(QStringLiteral("^TavikClient")));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, Wait));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !demandsAttention(*window); }, Wait));

    // Alt+A from the keyboard goes to the session with the whisper.
    receive(10, "<*Emil*> hier!\r\n");
    EXPECT_EQ(tabText(10), QStringLiteral("• Gast@vier (1)"));
    window->inputLine()->setFocus();
    ASSERT_TRUE(key(QStringLiteral("alt+a")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->currentSocket() == 10; }, Wait));
    EXPECT_EQ(tabText(10), QStringLiteral("Gast@vier"));
    // While our window is active, whispers notify nobody.
    receive(8, "<*Anna*> noch eine\r\n");
    QTest::qWait(500);
    EXPECT_EQ(service.calls.size(), 1);
}

TEST_F(AttentionDisplay, CloseToTheTrayAndBackFromItsMenu) {
    if (!hasTray) GTEST_SKIP() << "no system tray (trayer) on the display";
    gui::TrayIcon& icon = window->attention().tray();
    ASSERT_TRUE(QTest::qWaitFor([&] { return icon.icon().geometry().isValid(); }, Wait));
    client->attachSession(7, "eins", "Gast");
    client->attachSession(8, "zwei", "Gast");
    receive(7, "<*Anna*> eins\r\n<*Anna*> zwei\r\n");
    EXPECT_EQ(icon.icon().toolTip(), QStringLiteral("TavikClient – 2 ungelesene Flüsternachrichten"));

    // The close box with the option on: hidden, not ended.
    client->options().closeToTray = true;
    ASSERT_TRUE(window->attention().closesToTray());
    ASSERT_TRUE(key(QStringLiteral("alt+F4")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, Wait));
    EXPECT_EQ(client->tabs().count(), 3);  // the sessions stay

    // A right click on the icon opens its menu; "Fenster zeigen" brings the window back.
    const QPoint at = icon.icon().geometry().center();
    ASSERT_TRUE(clickAt(at, 3));
    const bool openedByClick = QTest::qWaitFor([&] { return icon.menu().isVisible(); }, 3000);
    RecordProperty("tray_menu_opened_by", openedByClick ? "right click" : "popup");
    if (!openedByClick) icon.menu().popup(at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return icon.menu().isVisible(); }, Wait));
    QTest::qWait(300);
    screenshot("attention-tray-menu");
    const QRect item = icon.menu().actionGeometry(icon.showAction());
    const QPoint target = icon.menu().mapToGlobal(item.center());
    ASSERT_TRUE(clickAt(target, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); }, Wait));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, Wait));
    client->options().closeToTray = false;
}

}  // namespace
}  // namespace tavik::test

#include "AttentionDisplayTest.moc"
