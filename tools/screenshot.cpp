// Takes the README's screenshot: the real window connected to the local chat
// server with its simulated chatters, after a little conversation.
//
//   tools/screenshot.sh            (runs this under a virtual X display)

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtTransport.h"
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

    QProcess server;
    server.start(serverBinary, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bots"),
                                QStringLiteral("6"), QStringLiteral("--bot-interval"), QStringLiteral("400"),
                                QStringLiteral("--seed"), QStringLiteral("7")});
    if (!server.waitForReadyRead(5000)) return 1;
    const int port = QString::fromUtf8(server.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();

    tavik::gui::QtTransport transport;
    tavik::gui::QtDesktop desktop;
    tavik::SystemClock clock;
    tavik::Client client(transport, desktop, clock, work);
    transport.setEventHandler([&client](int socket, tavik::SocketEvent event, int error) {
        client.socketEvent(socket, event, error);
    });
    tavik::gui::MainWindow window(client, &desktop);
    window.start();
    client.settings().sound = false;
    desktop.setDialogRunner([&](tavik::Dialog d) {
        if (d == tavik::Dialog::Connect) {
            client.connectDialog().setText("localhost:" + std::to_string(port));
            return client.connectDialog().accept(false) ? 1 : 2;
        }
        if (d == tavik::Dialog::Login) {
            client.loginDialog().setNick("Gast");
            return client.loginDialog().ok() ? 1 : 2;
        }
        return 2;
    });
    window.dispatch(tavik::Command::Connect);
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
    const bool saved = shot.save(out);
    server.kill();
    server.waitForFinished(3000);
    return saved ? 0 : 1;
}
