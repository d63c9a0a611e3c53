#include "LocalChatWindow.h"

#include <string>

namespace tavik::tools {

LocalChatWindow::Server::Server(const QString& binary, const QStringList& options) {
    process.start(binary, QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
    if (!process.waitForReadyRead(5000)) return;
    up = true;
    port = QString::fromUtf8(process.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();
}

void LocalChatWindow::Server::stop() {
    process.kill();
    process.waitForFinished(3000);
}

LocalChatWindow::LocalChatWindow(const QString& serverBinary, const QStringList& serverOptions,
                                 const std::filesystem::path& work)
    : m_server(serverBinary, serverOptions),
      m_client(m_transport, m_desktop, m_clock, work),
      m_window(m_client, &m_desktop) {}

LocalChatWindow::~LocalChatWindow() {
    m_server.stop();
}

bool LocalChatWindow::connect() {
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

}  // namespace tavik::tools
