// The real window connected to the local chat server, for the tools that take
// pictures of it: the server runs as a child process on a free port, the
// dialogs are answered with its address and the nick "Gast".
#pragma once

#include <QProcess>
#include <QStringList>
#include <filesystem>

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
                    const std::filesystem::path& work);
    // The server is stopped first.
    ~LocalChatWindow();
    LocalChatWindow(const LocalChatWindow&) = delete;
    LocalChatWindow& operator=(const LocalChatWindow&) = delete;

    // Shows the window and logs in through the dialogs; false when the server
    // did not start.
    bool connect();

    Client& client() { return m_client; }
    gui::MainWindow& window() { return m_window; }

private:
    // Started before the window is made.
    struct Server {
        Server(const QString& binary, const QStringList& options);
        void stop();

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
