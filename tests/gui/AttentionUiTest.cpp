// The window's side of attention: the marks on the tabs, Alt+A, the tray's
// tooltip and menu, and texts that go to the notification service.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QTabBar>
#include <QTest>

#include "AttentionUi.h"
#include "MainWindow.h"
#include "Notifier.h"
#include "TrayIcon.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class AttentionUiTest : public ClientTest {
protected:
    AttentionUiTest() : window(client, nullptr) {}
    QString tabText(int socket) {
        return window.tabStrip()->tabText(
            client.tabs().findSession(client.sessions().findBySocket(socket)->id));
    }
    gui::MainWindow window;
};

TEST_F(AttentionUiTest, TabsAreMarkedAndAltAGoesToTheWhisper) {
    connect(7, "eins");
    connect(8, "zwei");
    connect(9, "drei");
    receive(7, "<Anna> hallo\r\n");
    receive(8, "<*Carla*> psst\r\n<Bert> Gast, hier!\r\n");
    EXPECT_EQ(tabText(7), QStringLiteral("• Gast@eins"));
    EXPECT_EQ(tabText(8), QStringLiteral("• Gast@zwei (2)"));
    EXPECT_EQ(tabText(9), QStringLiteral("Gast@drei"));
    const int zwei = client.tabs().findSession(client.sessions().findBySocket(8)->id);
    EXPECT_EQ(window.tabStrip()->tabTextColor(zwei),
              gui::AttentionUi::strongColour(window.tabStrip()->palette()));
    EXPECT_FALSE(window.tabStrip()->tabTextColor(0).isValid());

    // Alt+A; a plain "a" is typed.
    window.show();
    window.inputLine()->setFocus();
    QTest::keyClick(window.inputLine(), Qt::Key_A);
    EXPECT_EQ(window.inputLine()->text(), QStringLiteral("a"));
    EXPECT_EQ(client.tabs().focused(), 0);
    QTest::keyClick(window.inputLine(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(client.tabs().focused(), zwei);
    EXPECT_EQ(window.tabStrip()->currentIndex(), zwei);
    EXPECT_EQ(tabText(8), QStringLiteral("Gast@zwei"));
    EXPECT_EQ(client.currentSocket(), 8);
}

TEST_F(AttentionUiTest, TheTrayCountsWhispersAndItsMenuShowsAndQuits) {
    gui::TrayIcon& tray = window.attention().tray();
    desktop.foreground = false;
    connect(7, "eins");
    connect(8, "zwei");
    receive(7, "<*Carla*> eins\r\n<*Carla*> zwei\r\n");
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("TavikClient – 2 ungelesene Flüsternachrichten"));
    receive(8, "<*Carla*> drei\r\n");  // the focused tab, the window in the background
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("TavikClient – 3 ungelesene Flüsternachrichten"));
    client.attention().windowActivated();
    client.attention().showNextWhisper();
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("TavikClient"));
    EXPECT_EQ(gui::TrayIcon::toolTipFor(1), QStringLiteral("TavikClient – 1 ungelesene Flüsternachricht"));

    const QList<QAction*> items = tray.menu().actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Fenster zeigen"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("Beenden"));

    // Without a tray to come back from, the close box closes even with the option on.
    client.options().closeToTray = true;
    EXPECT_FALSE(window.attention().closesToTray());
    window.hide();
    tray.showAction()->trigger();
    EXPECT_TRUE(window.isVisible());
    desktop.answer = MessageBoxAnswer::No;  // "Wollen Sie wirklich beenden?"
    tray.quitAction()->trigger();
    EXPECT_TRUE(window.isVisible());
    desktop.answer = MessageBoxAnswer::Yes;
    tray.quitAction()->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "tavikclient.conf"));  // closed in order: saved
}

// The marked tab's colour is readable on light and dark desktops, whatever link colour they left.
TEST(AttentionUi, TheStrongColourStandsOutOnLightAndDark) {
    struct Case {
        const char* what;
        QColor window;
        QColor link;
        bool linkKept;
    };
    const Case cases[] = {
        {"light, blue links", QColor(0xef, 0xef, 0xef), QColor(0x00, 0x00, 0xff), true},
        {"dark, its own light links", QColor(0x31, 0x36, 0x3b), QColor(0x1d, 0x99, 0xf3), true},
        {"dark, the light palette's blue", QColor(0x35, 0x35, 0x35), QColor(0x00, 0x00, 0xff), false},
        {"light, a pale link", QColor(0xff, 0xff, 0xff), QColor(0xaa, 0xcc, 0xff), false},
    };
    for (const Case& c : cases) {
        QPalette palette;
        palette.setColor(QPalette::Window, c.window);
        palette.setColor(QPalette::Link, c.link);
        const QColor chosen = gui::AttentionUi::strongColour(palette);
        EXPECT_GE(gui::AttentionUi::contrast(chosen, c.window), 3.0) << c.what;
        EXPECT_EQ(chosen == c.link, c.linkKept) << c.what;
    }
}

TEST(Notifier, TextsStayText) {
    EXPECT_EQ(gui::Notifier::plainText(QStringLiteral("a\tb\x01"
                                                      "c")),
              QStringLiteral("a b c"));
#ifndef Q_OS_WIN
    EXPECT_EQ(gui::Notifier::escapedBody(QStringLiteral("<b>fett</b> & \"so\"")),
              QStringLiteral("&lt;b&gt;fett&lt;/b&gt; &amp; &quot;so&quot;"));
#endif
}

}  // namespace
}  // namespace tavik::test
