// Takes the README's screenshot: the real window connected to the local chat
// server with its simulated chatters, after a little conversation.
//
//   tools/screenshot.sh            (runs this under a virtual X display)

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "LocalChatWindow.h"
#include "MainWindow.h"
#include "app/Client.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: tavik_screenshot SERVER WORKDIR OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString serverBinary = QString::fromLocal8Bit(argv[1]);
    const std::filesystem::path work = argv[2];
    const QString out = QString::fromLocal8Bit(argv[3]);

    tavik::tools::LocalChatWindow chat(
        serverBinary,
        {QStringLiteral("--bots"), QStringLiteral("6"), QStringLiteral("--bot-interval"),
         QStringLiteral("400"), QStringLiteral("--seed"), QStringLiteral("7")},
        work);
    if (!chat.connect()) return 1;
    tavik::Client& client = chat.client();
    tavik::gui::MainWindow& window = chat.window();
    // The list asked for right after the login fills tree and title.
    if (!QTest::qWaitFor([&client] { return client.chatterCount() > 1; }, 5000)) {
        std::fprintf(stderr, "tavik_screenshot: the chatter list did not arrive\n");
        return 1;
    }
    QTest::qWait(2000);
    QTest::keyClicks(window.inputLine(), QStringLiteral("Hallo zusammen, wie geht es euch?"));
    QTest::keyClick(window.inputLine(), Qt::Key_Return);
    QTest::qWait(5000);
    QTest::keyClicks(window.inputLine(), QStringLiteral("Ich hole mir erst mal einen Kaffee /kaffee/"));
    QTest::qWait(300);
    // The window as the screen shows it, with the window manager's frame and title.
    const QRect frame = window.frameGeometry();
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(out) ? 0 : 1;
}
