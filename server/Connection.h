// One client socket: reads bytes into lines, queues output and writes it as the
// socket takes it, and ends the connection gracefully or with a reset.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ChatRoom.h"
#include "Timers.h"

namespace tavik::server {

// A line the client sent: its text and the line-end bytes that ended it.
struct ReceivedLine {
    std::string text;
    std::string ending;
};

class Connection : public Outlet {
public:
    enum class Ending { Graceful, Reset };

    Connection(int fd, int id, std::string peer);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int fd() const { return m_fd; }
    int id() const { return m_id; }
    const std::string& peer() const { return m_peer; }

    // Outlet
    void send(std::string_view bytes) override;
    void close() override { endAfterFlush(Ending::Graceful); }

    void endAfterFlush(Ending how);
    // Sends one byte per write, with a pause in between, to exercise a reader's
    // handling of lines that arrive in pieces.
    void setDrip(Millis pause) { m_drip = pause; }
    // Called whenever the output queue runs low; returns false once it has nothing
    // more to add. Used for floods that must not sit in memory whole.
    void setFeeder(std::function<bool(Connection&)> feeder) { m_feeder = std::move(feeder); }

    // Reads what is there. Complete lines are appended; false when the peer has
    // closed or the socket failed.
    bool receive(std::vector<ReceivedLine>& lines);
    // Writes as much as allowed now; false when the socket failed.
    bool flush(Clock::time_point now);
    void feed();

    bool wantsRead() const { return !m_done; }
    // No longer served: the server neither reads nor writes the socket, nor closes it.
    void stall() { m_stalled = true; }
    bool stalled() const { return m_stalled; }
    bool wantsWrite(Clock::time_point now) const;
    // When the next drip byte may go, if one is waiting.
    std::optional<Clock::time_point> nextWake() const;
    std::size_t pending() const { return m_out.size() - m_outPos; }
    // Finished: the server closes the socket and forgets the connection.
    bool done() const { return m_done; }
    // Closing gracefully: the write side is shut and we drain what the client still
    // sends so that the kernel does not answer it with a reset.
    bool draining() const { return m_draining; }
    Clock::time_point drainDeadline() const { return m_drainDeadline; }
    void finishDrain() { m_done = true; }

    int chatterId() const { return m_chatterId; }
    void setChatterId(int id) { m_chatterId = id; }

private:
    void endNow();

    int m_fd;
    int m_id;
    std::string m_peer;
    int m_chatterId = 0;
    std::string m_in;
    std::string m_out;
    std::size_t m_outPos = 0;
    Millis m_drip{0};
    Clock::time_point m_nextDrip{};
    std::function<bool(Connection&)> m_feeder;
    bool m_endRequested = false;
    Ending m_ending = Ending::Graceful;
    bool m_draining = false;
    Clock::time_point m_drainDeadline{};
    bool m_done = false;
    bool m_stalled = false;
};

}  // namespace tavik::server
