#include "net/WireWatch.h"

namespace tavik {

int WireWatch::connect(int socket, std::string_view address, std::uint16_t port) {
    // A socket handle may come back after a close: what we knew of it is gone.
    m_watches.erase(socket);
    return m_inner.connect(socket, address, port);
}

long WireWatch::send(int socket, std::string_view bytes) {
    if (parked(socket)) return -1;
    Watch& watch = m_watches[socket];
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            lineSent(watch);
            watch.line.clear();
        } else if (watch.line.size() < MaxLine) {
            watch.line.push_back(c);
        }
    }
    return m_inner.send(socket, bytes);
}

void WireWatch::lineSent(Watch& watch) {
    const std::string_view line = watch.line;
    if (line.size() < 2 || line[0] != '/') return;
    // The server ends the session on any line that starts "/e", as the
    // away message's logout text does.
    if (line[1] == 'e' || line[1] == 'E') watch.ended = true;
    if ((line[1] == 'c' || line[1] == 'C') && line.size() > 3 && line[2] == ' ') {
        watch.channelLine = watch.line + '\r';
        watch.channelLineSinceList = true;
    }
}

long WireWatch::receive(int socket, std::span<char> buffer) {
    if (parked(socket)) return 0;
    const long received = m_inner.receive(socket, buffer);
    if (received > 0) m_watches[socket].received = m_clock.steadyMilliseconds();
    return received;
}

void WireWatch::close(int socket) {
    if (parked(socket)) return;
    m_watches.erase(socket);
    m_inner.close(socket);
}

bool WireWatch::endedByUser(int socket) const {
    const auto it = m_watches.find(socket);
    return it != m_watches.end() && it->second.ended;
}

std::string WireWatch::lastChannelLine(int socket) const {
    const auto it = m_watches.find(socket);
    return it == m_watches.end() ? std::string() : it->second.channelLine;
}

bool WireWatch::channelLineSinceList(int socket) const {
    const auto it = m_watches.find(socket);
    return it != m_watches.end() && it->second.channelLineSinceList;
}

void WireWatch::listEnded(int socket) {
    if (const auto it = m_watches.find(socket); it != m_watches.end())
        it->second.channelLineSinceList = false;
}

long long WireWatch::lastReceived(int socket) const {
    const auto it = m_watches.find(socket);
    return it == m_watches.end() ? -1 : it->second.received;
}

}  // namespace tavik
