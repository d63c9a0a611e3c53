#include "Connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tavik::server {

namespace {
constexpr std::size_t kMaxLineLength = 4096;  // longer input is cut, not buffered
constexpr std::size_t kFeedBelow = 16 * 1024;
constexpr Millis kDrainTime{2000};
constexpr std::size_t kMaxPending = 8 * 1024 * 1024;  // a client that stops reading is dropped

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
}  // namespace

Connection::Connection(int fd, int id, std::string peer) : m_fd(fd), m_id(id), m_peer(std::move(peer)) {}

Connection::~Connection() {
    if (m_fd >= 0) ::close(m_fd);
}

void Connection::send(std::string_view bytes) {
    if (m_endRequested) return;  // said goodbye: nothing more goes out
    if (m_outPos > 0 && m_outPos == m_out.size()) {
        m_out.clear();
        m_outPos = 0;
    }
    m_out.append(bytes);
    if (pending() > kMaxPending) m_done = true;
}

void Connection::endAfterFlush(Ending how) {
    if (m_endRequested) return;
    m_endRequested = true;
    m_ending = how;
    m_feeder = nullptr;
}

bool Connection::receive(std::vector<ReceivedLine>& lines) {
    char buffer[4096];
    ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (n == 0) return false;
    if (m_draining) return true;  // the client's last words are of no interest now
    auto size = static_cast<std::size_t>(n);
    // Clients end lines with "\r", "\n", "\r\n" or "\n\r"; a pair counts as one end
    // when both bytes arrive together.
    for (std::size_t i = 0; i < size; ++i) {
        char c = buffer[i];
        if (!isLineEnd(c)) {
            if (m_in.size() < kMaxLineLength) m_in.push_back(c);
            continue;
        }
        ReceivedLine line{std::move(m_in), std::string(1, c)};
        m_in.clear();
        if (i + 1 < size && isLineEnd(buffer[i + 1]) && buffer[i + 1] != c)
            line.ending.push_back(buffer[++i]);
        lines.push_back(std::move(line));
    }
    return true;
}

bool Connection::wantsWrite(Clock::time_point now) const {
    if (m_done || m_draining || pending() == 0) return false;
    return m_drip.count() == 0 || now >= m_nextDrip;
}

std::optional<Clock::time_point> Connection::nextWake() const {
    if (m_drip.count() == 0 || pending() == 0 || m_draining || m_done) return std::nullopt;
    return m_nextDrip;
}

void Connection::feed() {
    while (m_feeder && pending() < kFeedBelow) {
        auto feeder = std::move(m_feeder);
        m_feeder = nullptr;
        bool more = feeder(*this);
        if (more && !m_feeder && !m_endRequested) m_feeder = std::move(feeder);
    }
}

bool Connection::flush(Clock::time_point now) {
    while (wantsWrite(now)) {
        std::size_t chunk = m_drip.count() > 0 ? 1 : pending();
        ssize_t n = ::send(m_fd, m_out.data() + m_outPos, chunk, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
            return false;
        }
        m_outPos += static_cast<std::size_t>(n);
        if (m_drip.count() > 0) m_nextDrip = now + m_drip;
        if (m_outPos == m_out.size()) {
            m_out.clear();
            m_outPos = 0;
            feed();
        }
    }
    if (pending() == 0 && m_endRequested && !m_draining && !m_done) endNow();
    return true;
}

void Connection::endNow() {
    if (m_ending == Ending::Reset) {
        // A zero linger time makes close() send a reset instead of a fin.
        linger lin{};
        lin.l_onoff = 1;
        lin.l_linger = 0;
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &lin, sizeof lin);
        m_done = true;
        return;
    }
    ::shutdown(m_fd, SHUT_WR);
    m_draining = true;
    m_drainDeadline = Clock::now() + kDrainTime;
}

}  // namespace tavik::server
