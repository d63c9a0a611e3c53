#include "QtTransport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>
#include <chrono>
#include <string>

// The service database (getservbyname) is the one thing Qt does not offer.
#if defined(_WIN32)
#include <winsock2.h>
#else
#include <netdb.h>
#endif

#include "Codec.h"

namespace tavik::gui {

namespace {

// A server that neither answers nor refuses gets this long before we give up.
constexpr std::chrono::seconds ConnectTimeout{20};

// The engine shows the socket layer's error numbers to the user, so Qt's
// errors are translated into the numbers the engine has texts for. A host that
// cannot be found at connect time (the address is already resolved, so this
// means the network is gone) reads as "network unreachable".
int connectError(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return 10061;
        case QAbstractSocket::SocketTimeoutError:
            return 10060;
        case QAbstractSocket::NetworkError:
        case QAbstractSocket::HostNotFoundError:
            return 10051;
        case QAbstractSocket::SocketAccessError:
            return 10013;
        case QAbstractSocket::SocketResourceError:
            return 10055;
        case QAbstractSocket::AddressInUseError:
            return 10048;
        case QAbstractSocket::UnsupportedSocketOperationError:
            return 10047;
        default:
            return 10050;
    }
}

// Has the socket take in what the system received since the event loop last
// told it, without waiting; false when nothing came.
bool fetchWaitingBytes(QTcpSocket& tcp) {
#if defined(_WIN32)
    // Qt warns that waiting for a socket may fail at random on Windows: there
    // a batch ends with the buffer, as a window message would.
    (void)tcp;
    return false;
#else
    return tcp.waitForReadyRead(0);
#endif
}

constexpr int NotASocket = 10038;
constexpr int AlreadyConnected = 10056;
constexpr int BadAddress = 10049;
constexpr int HostNotFound = 11001;

}  // namespace

QtTransport::QtTransport(QObject* parent) : QObject(parent) {}

QtTransport::~QtTransport() {
    // The sockets are our children; silence them before they go so that none
    // of their last signals reaches a half-destroyed transport.
    for (auto& [handle, entry] : m_sockets) {
        if (entry.socket) entry.socket->disconnect(this);
        if (entry.connectLoop) entry.connectLoop->quit();
    }
}

QtTransport::Entry* QtTransport::find(int socket) {
    const auto it = m_sockets.find(socket);
    return it == m_sockets.end() ? nullptr : &it->second;
}

int QtTransport::open() {
    const int handle = m_nextHandle++;
    auto* tcp = new QTcpSocket(this);
    // What the engine has not taken yet stays with the system, not in our
    // memory: a flood then costs no more than one read loop's worth of bytes.
    tcp->setReadBufferSize(ReadBufferBytes);
    m_sockets[handle].socket = tcp;
    QObject::connect(tcp, &QTcpSocket::connected, this, [this, handle] {
        if (Entry* entry = find(handle)) entry->connected = true;
    });
    QObject::connect(tcp, &QTcpSocket::readyRead, this, [this, handle] { postRead(handle); });
    QObject::connect(tcp, &QTcpSocket::disconnected, this, [this, handle] { peerGone(handle); });
    // Errors while connecting belong to connect(); afterwards they mean the
    // connection is lost (a reset arrives as RemoteHostClosedError), except a
    // timeout: that is only deliverRead's look for more bytes finding none.
    QObject::connect(
        tcp, &QTcpSocket::errorOccurred, this, [this, handle](QAbstractSocket::SocketError error) {
            const Entry* entry = find(handle);
            if (entry != nullptr && entry->connected && error != QAbstractSocket::SocketTimeoutError)
                peerGone(handle);
        });
    return handle;
}

ResolveResult QtTransport::resolve(std::string_view host) {
    const QString name = toQt(host);
    QHostAddress literal;
    if (literal.setAddress(name) && literal.protocol() == QAbstractSocket::IPv4Protocol) {
        return {0, literal.toString().toStdString()};
    }
    // Blocking, like the lookup the engine expects; it takes moments, and a
    // connect follows at once anyway.
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) return {0, address.toString().toStdString()};
    }
    return {HostNotFound, {}};
}

int QtTransport::connect(int socket, std::string_view address, std::uint16_t port) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->socket.isNull()) return NotASocket;
    QTcpSocket* tcp = entry->socket;
    if (tcp->state() != QAbstractSocket::UnconnectedState) return AlreadyConnected;
    const QHostAddress host(toQt(address));
    if (host.isNull()) return BadAddress;

    // `result` outlives the loop; the connections below end with the loop.
    int result = -1;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    const auto finish = [&result, &loop](int error) {
        if (result < 0) result = error;
        loop.quit();
    };
    QObject::connect(tcp, &QTcpSocket::connected, &loop, [finish] { finish(0); });
    QObject::connect(tcp, &QTcpSocket::errorOccurred, &loop,
                     [finish](QAbstractSocket::SocketError error) { finish(connectError(error)); });
    QObject::connect(&timer, &QTimer::timeout, &loop, [finish] { finish(10060); });

    entry->connectLoop = &loop;
    tcp->connectToHost(host, port);
    if (result < 0) {
        timer.start(ConnectTimeout);
        loop.exec();
    }

    // Whatever ran in the loop may have closed this socket, or all of them.
    entry = find(socket);
    if (entry == nullptr || entry->socket.isNull()) return NotASocket;
    entry->connectLoop = nullptr;
    if (result != 0) {
        entry->socket->abort();
        return result < 0 ? NotASocket : result;
    }
    return 0;
}

long QtTransport::send(int socket, std::string_view bytes) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->socket.isNull()) return -1;
    if (entry->socket->state() != QAbstractSocket::ConnectedState) return -1;
    const qint64 written = entry->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    return written < 0 ? -1 : static_cast<long>(written);
}

long QtTransport::receive(int socket, std::span<char> buffer) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->socket.isNull()) return -1;
    QTcpSocket* tcp = entry->socket;
    if (buffer.empty() || !tcp->isOpen() || tcp->bytesAvailable() == 0) return 0;
    const qint64 received = tcp->read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (received < 0) return -1;
    // readyRead only announces new bytes. The engine's read loop stops now and
    // then with bytes still here and counts on hearing about them again.
    if (tcp->bytesAvailable() > 0) postRead(socket);
    return static_cast<long>(received);
}

void QtTransport::close(int socket) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end()) return;
    const QPointer<QTcpSocket> tcp = it->second.socket;
    const QPointer<QEventLoop> loop = it->second.connectLoop;
    // Forgetting the handle is what drops any event still queued for it.
    m_sockets.erase(it);
    if (tcp) {
        tcp->disconnect(this);
        // Hand what was sent last (a goodbye, say) to the system before closing.
        tcp->flush();
        tcp->abort();
        tcp->deleteLater();
    }
    if (loop) loop->quit();
}

void QtTransport::postRead(int socket) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->readPending || entry->closePending) return;
    entry->readPending = true;
    QMetaObject::invokeMethod(
        this, [this, socket] { deliverRead(socket); }, Qt::QueuedConnection);
}

void QtTransport::postClose(int socket) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->closePending) return;
    entry->closePending = true;
    QMetaObject::invokeMethod(
        this, [this, socket] { deliverClose(socket); }, Qt::QueuedConnection);
}

void QtTransport::deliverRead(int socket) {
    Entry* entry = find(socket);
    if (entry == nullptr) return;
    entry->readPending = false;
    if (m_handler) {
        const EventHandler handler = m_handler;
        emit readBatchStarted();
        handler(socket, SocketEvent::Read, 0);
        // While more is waiting, hand it over in the same pass of the event loop,
        // for a few milliseconds at most: a flood then costs one repaint per batch
        // instead of one per receive, and the window still paints and takes input
        // in between (as the socket messages of a busy window come before painting).
        // Bytes the system has received meanwhile are taken in here too: the
        // socket only fetches them when the event loop tells it they are there,
        // which would end the batch after the few kilobytes that came first.
        QElapsedTimer batch;
        batch.start();
        while (batch.elapsed() < ReadBatchMs) {
            entry = find(socket);
            if (entry == nullptr || entry->socket == nullptr) break;
            if (entry->socket->bytesAvailable() == 0) {
                if (entry->peerGone || !fetchWaitingBytes(*entry->socket)) break;
                entry = find(socket);
                if (entry == nullptr || entry->socket == nullptr || entry->socket->bytesAvailable() == 0)
                    break;
            }
            handler(socket, SocketEvent::Read, 0);
        }
        emit readBatchFinished();
    }
    // Once the peer is gone, Close follows as soon as a Read went by without
    // leaving bytes behind (or the handler did not want them).
    entry = find(socket);
    if (entry != nullptr && entry->peerGone && !entry->readPending) postClose(socket);
}

void QtTransport::deliverClose(int socket) {
    if (find(socket) == nullptr || !m_handler) return;
    const EventHandler handler = m_handler;
    handler(socket, SocketEvent::Close, 0);
}

void QtTransport::peerGone(int socket) {
    Entry* entry = find(socket);
    if (entry == nullptr || entry->peerGone) return;
    entry->peerGone = true;
    // The last bytes are offered first; deliverRead posts Close after them.
    const bool bytesLeft = entry->socket && entry->socket->isOpen() && entry->socket->bytesAvailable() > 0;
    if (bytesLeft || entry->readPending) {
        postRead(socket);
    } else {
        postClose(socket);
    }
}

std::uint16_t QtTransport::servicePort(std::string_view name) {
    const std::string service(name);
#if defined(_WIN32)
    // Winsock answers only while it is started; Qt may not have started it yet.
    WSADATA data;
    const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
    const servent* entry = getservbyname(service.c_str(), nullptr);
    // The port is stored in network byte order.
    const std::uint16_t port =
        entry == nullptr ? 0 : qFromBigEndian(static_cast<std::uint16_t>(entry->s_port));
#if defined(_WIN32)
    if (started) WSACleanup();
#endif
    return port;
}

}  // namespace tavik::gui
