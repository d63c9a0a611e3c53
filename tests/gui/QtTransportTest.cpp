#include <gtest/gtest.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "QtTransport.h"

namespace {

using tavik::SocketEvent;
using tavik::gui::QtTransport;

constexpr int Wait = 5000;

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 26);
    return bytes;
}

// A local server and a transport whose event handler reads the way the
// engine's read loop does at its stingiest: one 254-byte receive per event.
class QtTransportTest : public ::testing::Test {
protected:
    struct Event {
        int socket;
        SocketEvent event;
        std::size_t receivedSoFar;
    };

    template <typename F>
    auto call(F f) {
        ++insideCall;
        auto result = f();
        --insideCall;
        return result;
    }

    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        transport.setEventHandler([this](int socket, SocketEvent event, int) {
            // Events come from the event loop, never from inside a call of ours.
            EXPECT_EQ(insideCall, 0);
            events.push_back({socket, event, received.size()});
            if (event == SocketEvent::Read && readOnEvent) {
                std::array<char, 254> buffer{};
                const long n = call([&] { return transport.receive(socket, buffer); });
                if (n > 0) received.append(buffer.data(), static_cast<std::size_t>(n));
            }
            if (onEvent) onEvent(socket, event);
        });
    }

    // A connected transport socket and the server's end of it.
    int connectOne() {
        const int socket = transport.open();
        EXPECT_EQ(transport.connect(socket, "127.0.0.1", server.serverPort()), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, Wait));
        peer = server.nextPendingConnection();
        return socket;
    }

    int count(SocketEvent event) const {
        int n = 0;
        for (const Event& e : events)
            n += e.event == event ? 1 : 0;
        return n;
    }

    QTcpServer server;
    QtTransport transport;
    QPointer<QTcpSocket> peer;
    std::vector<Event> events;
    std::string received;
    bool readOnEvent = true;
    std::function<void(int, SocketEvent)> onEvent;
    int insideCall = 0;
};

TEST_F(QtTransportTest, ConnectsSendsAndReportsRefusal) {
    const int first = connectOne();
    const int second = transport.open();
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    ASSERT_NE(peer, nullptr);

    EXPECT_EQ(call([&] { return transport.send(first, "/s\r"); }), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 3; }, Wait));
    EXPECT_EQ(peer->readAll(), QByteArray("/s\r"));

    // Not connected: sending fails quietly.
    EXPECT_EQ(transport.send(second, "x"), -1);

    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = gone.serverPort();
    gone.close();
    EXPECT_EQ(transport.connect(second, "127.0.0.1", closedPort), 10061);

    EXPECT_EQ(transport.connect(999, "127.0.0.1", server.serverPort()), 10038);
    EXPECT_EQ(transport.send(999, "x"), -1);
}

TEST_F(QtTransportTest, BurstIsAnnouncedAgainUntilAllIsRead) {
    const int socket = connectOne();
    ASSERT_NE(peer, nullptr);
    const std::string burst = pattern(3000);
    peer->write(burst.data(), static_cast<qint64>(burst.size()));

    // No new bytes come after the burst; only the re-announcement keeps it going.
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == burst.size(); }, Wait)) << received.size();
    EXPECT_EQ(received, burst);
    EXPECT_GE(count(SocketEvent::Read), 12);
    EXPECT_EQ(count(SocketEvent::Close), 0);

    peer->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return count(SocketEvent::Close) > 0; }, Wait));
    QTest::qWait(100);
    EXPECT_EQ(count(SocketEvent::Close), 1);
    EXPECT_EQ(events.back().socket, socket);
    EXPECT_EQ(events.back().event, SocketEvent::Close);
}

// A flood far larger than what the socket keeps arrives whole and in order,
// in batches that the window hears begin and end, and an empty buffer at the
// end of one is no lost connection.
TEST_F(QtTransportTest, AFloodArrivesWholeInAnnouncedBatches) {
    QSignalSpy started(&transport, &QtTransport::readBatchStarted);
    QSignalSpy finished(&transport, &QtTransport::readBatchFinished);
    bool inBatch = true;
    onEvent = [&](int, SocketEvent) { inBatch = inBatch && started.count() == finished.count() + 1; };
    const int socket = connectOne();
    ASSERT_NE(peer, nullptr);
    const std::string flood = pattern(20 * QtTransport::ReadBufferBytes + 7);
    peer->write(flood.data(), static_cast<qint64>(flood.size()));

    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == flood.size(); }, 4 * Wait))
        << received.size();
    EXPECT_EQ(received, flood);
    EXPECT_TRUE(inBatch);
    EXPECT_EQ(started.count(), finished.count());
    EXPECT_LT(started.count(), count(SocketEvent::Read));
    QTest::qWait(50);
    EXPECT_EQ(count(SocketEvent::Close), 0);

    // The connection still carries bytes both ways.
    EXPECT_EQ(call([&] { return transport.send(socket, "/s\r"); }), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 3; }, Wait));
    peer->write("mehr");
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == flood.size() + 4; }, Wait));
    EXPECT_EQ(count(SocketEvent::Close), 0);
}

TEST_F(QtTransportTest, CloseFollowsTheLastBufferedBytes) {
    connectOne();
    ASSERT_NE(peer, nullptr);
    const std::string burst = pattern(3000);
    peer->write(burst.data(), static_cast<qint64>(burst.size()));
    peer->disconnectFromHost();

    ASSERT_TRUE(QTest::qWaitFor([&] { return count(SocketEvent::Close) > 0; }, Wait)) << received.size();
    QTest::qWait(100);
    EXPECT_EQ(received, burst);
    EXPECT_EQ(count(SocketEvent::Close), 1);
    EXPECT_EQ(events.back().event, SocketEvent::Close);
    EXPECT_EQ(events.back().receivedSoFar, burst.size());
}

TEST_F(QtTransportTest, PeerGoneWithBytesNobodyWantsStillCloses) {
    // While the engine has no session for a socket it does not read at all.
    readOnEvent = false;
    connectOne();
    ASSERT_NE(peer, nullptr);
    peer->write("Hallo\n");
    peer->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return count(SocketEvent::Close) > 0; }, Wait));
    QTest::qWait(100);
    EXPECT_EQ(count(SocketEvent::Close), 1);
}

TEST_F(QtTransportTest, ClosedSocketGetsNoMoreEvents) {
    const int socket = connectOne();
    ASSERT_NE(peer, nullptr);
    readOnEvent = false;
    // Read a little, which leaves bytes and so queues another Read, then close.
    onEvent = [&](int s, SocketEvent event) {
        if (event != SocketEvent::Read) return;
        std::array<char, 10> buffer{};
        EXPECT_EQ(call([&] { return transport.receive(s, buffer); }), 10);
        call([&] {
            transport.close(s);
            return 0;
        });
    };
    peer->write(pattern(500).data(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.empty(); }, Wait));
    peer->write("mehr\n");
    peer->disconnectFromHost();
    QTest::qWait(200);
    EXPECT_EQ(events.size(), 1u);

    std::array<char, 10> buffer{};
    EXPECT_EQ(transport.receive(socket, buffer), -1);
    EXPECT_EQ(transport.send(socket, "x"), -1);
    transport.close(socket);  // twice is harmless
}

// A listening socket that never accepts, with its queue already full: a
// connect to it neither succeeds nor fails, it just waits.
class StuckListener {
#ifdef _WIN32
    // Qt has started Winsock already.
    using Socket = SOCKET;
    using Length = int;
    static constexpr Socket NoSocket = INVALID_SOCKET;
    static void closeSocket(Socket s) {
        ::closesocket(s);
    }
#else
    using Socket = int;
    using Length = socklen_t;
    static constexpr Socket NoSocket = -1;
    static void closeSocket(Socket s) {
        ::close(s);
    }
#endif

public:
    StuckListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Length length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (::bind(m_fd, raw, length) != 0 || ::listen(m_fd, 0) != 0 ||
            ::getsockname(m_fd, raw, &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        for (int i = 0; i < 8; ++i) {
            auto* filler = new QTcpSocket(&m_fillers);
            filler->connectToHost(QHostAddress::LocalHost, m_port);
            if (!filler->waitForConnected(300)) return;
        }
        m_port = 0;  // never filled up
    }
    ~StuckListener() {
        if (m_fd != NoSocket) closeSocket(m_fd);
    }
    quint16 port() const {
        return m_port;
    }

private:
    Socket m_fd = NoSocket;
    quint16 m_port = 0;
    QObject m_fillers;
};

TEST_F(QtTransportTest, OtherSocketsAreServedWhileConnectWaitsAndMayCloseIt) {
    StuckListener stuck;
    if (stuck.port() == 0) GTEST_SKIP() << "this system accepts every connection at once";

    const int talking = connectOne();
    ASSERT_NE(peer, nullptr);
    const int waiting = transport.open();
    onEvent = [&](int socket, SocketEvent event) {
        if (socket == talking && event == SocketEvent::Read) transport.close(waiting);
    };
    QTimer::singleShot(50, peer.data(), [this] { peer->write("Hallo\n"); });
    EXPECT_EQ(transport.connect(waiting, "127.0.0.1", stuck.port()), 10038);
    EXPECT_EQ(received, "Hallo\n");
    EXPECT_EQ(events.front().socket, talking);
}

TEST(QtTransportLookup, ResolvesAddressesAndServices) {
    QtTransport transport;
    const tavik::ResolveResult literal = transport.resolve("127.0.0.1");
    EXPECT_EQ(literal.error, 0);
    EXPECT_EQ(literal.address, "127.0.0.1");
    // The one address the connect dialog starts with; nothing to look up.
    EXPECT_EQ(transport.resolve("255.255.255.255").address, "255.255.255.255");
    EXPECT_EQ(transport.resolve("localhost").address, "127.0.0.1");

    const tavik::ResolveResult nowhere = transport.resolve("nirgends.invalid");
    EXPECT_EQ(nowhere.error, 11001);
    EXPECT_TRUE(nowhere.address.empty());
    EXPECT_NE(transport.resolve("").error, 0);

    EXPECT_EQ(QtTransport::servicePort("telnet"), 23);
    EXPECT_EQ(QtTransport::servicePort("gibt-es-nicht"), 0);
}

}  // namespace
