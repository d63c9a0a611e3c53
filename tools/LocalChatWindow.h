// The real window connected to the local chat server, for the tools that take
// pictures of it: the server runs as a child process on a free port, the
// dialogs are answered with its address and the nick "Gast".
#pragma once

#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <string>

#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "app/Client.h"

namespace tavik::tools {

class LocalChatWindow {
public:
    // Starts the server with `serverOptions` (besides the port), then makes
    // the client, working in `work`, and its window.
    LocalChatWindow(const QString& serverBinary, const QStringList& serverOptions,
                    const std::filesystem::path& work)
        : m_server(serverBinary, serverOptions),
          m_client(m_transport, m_desktop, m_clock, work),
          m_window(m_client, &m_desktop) {}
    // The server is stopped first.
    ~LocalChatWindow() {
        m_server.process.kill();
        m_server.process.waitForFinished(3000);
    }

    // Shows the window and logs in through the dialogs; false when the server
    // did not start.
    bool connect() {
        if (!m_server.up) return false;
        m_window.listenTo(m_transport);
        m_window.start();
        m_client.settings().sound = false;
        m_desktop.setDialogRunner([this](Dialog d) {
            if (d == Dialog::Connect) {
                m_client.connectDialog().setText("localhost:" + std::to_string(m_server.port));
                return m_client.connectDialog().accept(false) ? 1 : 2;
            }
            if (d == Dialog::Login) {
                m_client.loginDialog().setNick("Gast");
                return m_client.loginDialog().ok() ? 1 : 2;
            }
            return 2;
        });
        m_window.dispatch(Command::Connect);
        return true;
    }

    Client& client() { return m_client; }
    gui::MainWindow& window() { return m_window; }

private:
    // Started before the window is made.
    struct Server {
        Server(const QString& binary, const QStringList& options) {
            process.start(binary, QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
            if (!process.waitForReadyRead(5000)) return;
            up = true;
            port = QString::fromUtf8(process.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();
        }
        QProcess process;
        bool up = false;
        int port = 0;
    };

    Server m_server;
    gui::QtTransport m_transport;
    gui::QtDesktop m_desktop;
    SystemClock m_clock;
    Client m_client;
    gui::MainWindow m_window;
};

}  // namespace tavik::tools
