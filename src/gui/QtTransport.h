#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string_view>

#include "app/Client.h"
#include "platform/Transport.h"

class QEventLoop;
class QTcpSocket;

namespace tavik::gui {

// The engine's sockets over QTcpSocket. Events reach the engine the way window
// messages would: posted, and handled by the event loop later, never from
// inside one of the calls below.
class QtTransport : public QObject, public tavik::Transport {
    Q_OBJECT

public:
    using EventHandler = std::function<void(int socket, tavik::SocketEvent event, int error)>;

    explicit QtTransport(QObject* parent = nullptr);
    ~QtTransport() override;

    void setEventHandler(EventHandler handler) { m_handler = std::move(handler); }

    int open() override;
    tavik::ResolveResult resolve(std::string_view host) override;
    // Returns once connected (0) or failed (a socket-layer error number); the
    // event loop keeps running meanwhile, for the window and other sockets.
    int connect(int socket, std::string_view address, std::uint16_t port) override;
    long send(int socket, std::string_view bytes) override;
    long receive(int socket, std::span<char> buffer) override;
    void close(int socket) override;

signals:
    // Around the read events one pass of the event loop hands over: the window
    // shows what they brought when the batch is finished.
    void readBatchStarted();
    void readBatchFinished();

public:
    // The port of a service in the system's service database, 0 when unknown.
    static std::uint16_t servicePort(std::string_view name);
    // How long one read event may go on handing over waiting bytes.
    static constexpr int ReadBatchMs = 8;
    // The most a socket keeps of what the system received (a read loop takes 256 × 254 bytes).
    static constexpr qint64 ReadBufferBytes = 64 * 1024;

private:
    struct Entry {
        QPointer<QTcpSocket> socket;
        QPointer<QEventLoop> connectLoop;  // set while connect() waits
        bool connected = false;
        bool peerGone = false;
        bool readPending = false;
        bool closePending = false;
    };

    Entry* find(int socket);
    void postRead(int socket);
    void postClose(int socket);
    void deliverRead(int socket);
    void deliverClose(int socket);
    void peerGone(int socket);

    EventHandler m_handler;
    std::map<int, Entry> m_sockets;
    int m_nextHandle = 1;
};

}  // namespace tavik::gui
