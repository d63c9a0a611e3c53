#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <string>

#include "ConnectDialogWidget.h"
#include "LoginDialogWidget.h"
#include "MainWindow.h"
#include "QtTransport.h"
#include "app/Client.h"
#include "fakes/ClientFixture.h"

#ifdef TAVIK_SERVER_BINARY

namespace tavik::test {
namespace {

// The project's chat server on a free port, stopped at the end.
class Server {
public:
    explicit Server(const QStringList& options) {
        m_process.start(QString::fromUtf8(TAVIK_SERVER_BINARY),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
        if (!m_process.waitForReadyRead(5000)) return;
        const QString first = QString::fromUtf8(m_process.readLine()).trimmed();
        m_port = first.section(QLatin1Char(':'), -1).toInt();
    }
    ~Server() {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    int port() const { return m_port; }
    void kill() {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

private:
    QProcess m_process;
    int m_port = 0;
};

// The real window, the real transport and the real server; the dialogs are
// the real widgets, answered as a user would.
class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() : client(transport, desktop, clock, dir.path()), window(client, nullptr) {
        client.settings().sound = false;
        client.setServicePortLookup(&gui::QtTransport::servicePort);
        transport.setEventHandler(
            [this](int socket, SocketEvent event, int error) { client.socketEvent(socket, event, error); });
        desktop.onDialog = [this](Dialog d) { return answer(d); };
        window.clientArea()->resize(792, 540);
        window.show();
    }

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
            // The prompt arrives while the user is choosing a name.
            EXPECT_TRUE(QTest::qWaitFor(
                [this] {
                    const Session* s = client.sessions().findBySocket(client.currentSocket());
                    return s != nullptr && s->partialLine.find("Gib Deinen Namen ein") != std::string::npos;
                },
                5000));
            gui::LoginDialogWidget dialog(client, &window);
            QTimer::singleShot(0, &dialog, [&] {
                dialog.nickBox()->setEditText(QStringLiteral("Gast"));
                dialog.okButton()->click();
            });
            return dialog.exec();
        }
        return 2;
    }

    bool rowShown(LineKind kind, const std::string& name, const std::string& text) {
        const MessageRows& rows = client.messageView().rows();
        for (int i = 0; i < rows.count(); ++i) {
            if (rows.kind(i) == kind && rows.cell(i, 0) == name && rows.cell(i, 1) == text) return true;
        }
        return false;
    }
    void type(const QString& text) {
        QTest::keyClicks(window.inputLine(), text);
        QTest::keyClick(window.inputLine(), Qt::Key_Return);
    }

    Server server{{QStringLiteral("--no-bots")}};
    TempDir dir;
    gui::QtTransport transport;
    FakeDesktop desktop;
    FakeClock clock;
    Client client;
    gui::MainWindow window;
};

TEST_F(EndToEndTest, ConnectChatWhisperListAndLoseTheConnection) {
    ASSERT_GT(server.port(), 0);
    window.dispatch(Command::Connect);
    const int socket = client.currentSocket();
    ASSERT_NE(client.sessions().findBySocket(socket), nullptr) << "connect failed";
    EXPECT_EQ(window.tabStrip()->tabText(0), QStringLiteral("Gast@localhost"));
    const MessageRows& rows = client.messageView().rows();
    EXPECT_EQ(rows.kind(rows.count() - 1), LineKind::InProgress);
    EXPECT_NE(rows.cell(rows.count() - 1, 1).find("Gib Deinen Namen ein"), std::string::npos);

    type(QStringLiteral("Hallo Welt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::Public, "Gast", "Hallo Welt"); }, 5000));
    type(QStringLiteral("/w Gast psst"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::WhisperOut, "Gast", "psst"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowShown(LineKind::WhisperIn, "Gast", "psst"); }, 5000));

    client.keepAliveTick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.chatterCount() == 1; }, 5000));
    EXPECT_EQ(desktop.title,
              "TavikClient(vom Jan 19 2002) f\xFCr Brenn-Chat - \"Gast\" - 1 Chatters im Chat");
    EXPECT_EQ(client.chatterTree().model().size(), 3U);  // the chat, its channel, the own nick

    server.kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.sessions().findBySocket(socket) == nullptr; }, 5000));
    EXPECT_TRUE(rowShown(LineKind::Alert, " ", "Die Verbindung wurde abgebrochen"));
    EXPECT_EQ(window.tabStrip()->count(), 1);
    EXPECT_EQ(rows.count(), 500);
    EXPECT_EQ(client.chatterTree().model().size(), 0U);
}

}  // namespace
}  // namespace tavik::test

#endif
