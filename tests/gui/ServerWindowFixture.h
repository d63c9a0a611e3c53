// The real window, the real transport and the project's chat server as a child
// process; the dialogs are the real widgets, answered as a user would.
#pragma once

#ifdef TAVIK_SERVER_BINARY

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "ConnectDialogWidget.h"
#include "LoginDialogWidget.h"
#include "MainWindow.h"
#include "QtTransport.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {

// The project's chat server on a free port, stopped at the end.
class LocalServer {
public:
    explicit LocalServer(const QStringList& options) {
        m_process.start(QString::fromUtf8(TAVIK_SERVER_BINARY),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
        if (!m_process.waitForReadyRead(5000)) return;
        const QString first = QString::fromUtf8(m_process.readLine()).trimmed();
        m_port = first.section(QLatin1Char(':'), -1).toInt();
    }
    ~LocalServer() { kill(); }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    int port() const { return m_port; }
    // A control line (the server runs with --control): "enter Robo", "as Robo /w Gast Hallo".
    void control(const std::string& line) {
        m_process.write(QByteArray::fromStdString(line + "\n"));
        m_process.waitForBytesWritten(3000);
    }
    void kill() {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

private:
    QProcess m_process;
    int m_port = 0;
};

// The window over the real transport, talking to a server without robots that
// takes control lines and records what it gets. A test's own fixture sets up
// what else it needs and shows the window.
class ServerWindowTest : public ::testing::Test {
protected:
    ServerWindowTest() : client(transport, desktop, clock, dir.path()), window(client, nullptr) {
        client.settings().sound = false;
        window.listenTo(transport);
        desktop.onDialog = [this](Dialog d) { return answer(d); };
    }

    // Called while the Login dialog is about to open.
    virtual void beforeLoginDialog() {}

    int answer(Dialog d) {
        if (d == Dialog::Connect) {
            gui::ConnectDialogWidget dialog(client, &window);
            QTimer::singleShot(0, &dialog, [&] {
                dialog.addressBox()->setEditText(QStringLiteral("localhost:%1").arg(server.port()));
                dialog.connectButton()->click();
            });
            return dialog.exec();
        }
        if (d == Dialog::Login) {
            beforeLoginDialog();
            gui::LoginDialogWidget dialog(client, &window);
            QTimer::singleShot(0, &dialog, [&] {
                dialog.nickBox()->setEditText(nick);
                dialog.okButton()->click();
            });
            return dialog.exec();
        }
        return 2;
    }

    // "Verbinden" through the dialogs, up to the new session.
    void connectThroughTheDialogs() {
        ASSERT_GT(server.port(), 0);
        window.dispatch(Command::Connect);
        ASSERT_NE(client.sessions().findBySocket(client.currentSocket()), nullptr) << "connect failed";
    }
    void type(const QString& text) {
        QTest::keyClicks(window.inputLine(), text);
        QTest::keyClick(window.inputLine(), Qt::Key_Return);
    }

    // The server's record, an entry a line, without the connection number: "< " and
    // the line the client sent, escaped, with the line end it came with (the \r as
    // two characters); "# " and an event ("logged in as Gast").
    std::vector<std::string> recordEntries() const {
        std::ifstream in(record);
        std::vector<std::string> entries;
        for (std::string entry; std::getline(in, entry);) {
            if (const auto at = entry.find(' '); at != std::string::npos)
                entries.push_back(entry.substr(at + 1));
        }
        return entries;
    }
    static std::string_view withoutLineEnd(std::string_view line) {
        while (line.ends_with("\\r") || line.ends_with("\\n"))
            line.remove_suffix(2);
        return line;
    }

    TempDir dir;
    const std::string record = (dir.path() / "server-record.txt").string();
    LocalServer server{{QStringLiteral("--no-bots"), QStringLiteral("--control"), QStringLiteral("--record"),
                        QString::fromStdString(record)}};
    gui::QtTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client;
    gui::MainWindow window;
    // What the user types into the Login dialog.
    QString nick = QStringLiteral("Gast");
};

}  // namespace tavik::test

#endif
