#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Transport.h"

namespace tavik {

// The transport as the engine sees it: every byte passes through unchanged,
// and on its way we note what the reconnect needs to know of a socket: whether
// the user sent "/e" on it (the server then closes it at our request), the
// last "/c" line sent (which may carry a channel's password), and when bytes
// last came in (a keep-alive without an answer means a dead line).
//
// Sockets below NoSocket are parked: the places of sessions that wait for a
// new connection. No transport hands them out; a send to one goes nowhere, a
// receive finds nothing and a close is nothing to do.
class WireWatch final : public Transport {
public:
    static constexpr std::size_t MaxLine = 256;  // of a "/c" line kept

    WireWatch(Transport& inner, const Clock& clock) : m_inner(inner), m_clock(clock) {}

    static bool parked(int socket) { return socket < NoSocket; }

    int open() override { return m_inner.open(); }
    ResolveResult resolve(std::string_view host) override { return m_inner.resolve(host); }
    int connect(int socket, std::string_view address, std::uint16_t port) override;
    long send(int socket, std::string_view bytes) override;
    long receive(int socket, std::span<char> buffer) override;
    void close(int socket) override;

    // The user's side asked the server to end this connection.
    bool endedByUser(int socket) const;
    // The last "/c" line sent on the socket, with its line end; empty if none.
    std::string lastChannelLine(int socket) const;
    // Whether that line went out after the last chatter list of the socket
    // ended (see listEnded): then the list does not know of it yet.
    bool channelLineSinceList(int socket) const;
    void listEnded(int socket);
    // When bytes last arrived (steady milliseconds); -1 when none did.
    long long lastReceived(int socket) const;

private:
    struct Watch {
        bool ended = false;
        std::string line;         // the line being sent, up to MaxLine bytes
        std::string channelLine;  // the last complete "/c" line
        bool channelLineSinceList = false;
        long long received = -1;
    };
    static void lineSent(Watch& watch);

    Transport& m_inner;
    const Clock& m_clock;
    std::map<int, Watch> m_watches;
};

}  // namespace tavik
