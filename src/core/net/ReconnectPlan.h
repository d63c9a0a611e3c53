#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// Which sessions wait for a new connection, and when each tries next: the
// first try at once, then after 5 s, 10 s, 20 s … doubling up to 10 minutes.
// Also keeps what a session needs to come back on its own (the address it was
// connected to, the channel line to send once it is in again) and watches the
// keep-alive: one that gets no byte back within 90 s means a dead line (a
// suspended machine, a network that changed under the connection).
//
// Sessions are named by their ids, times are steady milliseconds: the plan
// holds no reference into a session and decides nothing by the wall clock.
class ReconnectPlan {
public:
    static constexpr long long FirstWaitMs = 5'000;
    static constexpr long long LongestWaitMs = 600'000;
    static constexpr long long KeepAliveAnswerMs = 90'000;
    // A connection that came back and was lost again within this time goes
    // on with the waits it had: a server that takes a connection and drops it
    // at once is not tried again and again without a pause.
    static constexpr long long SteadyMs = 60'000;

    struct Address {
        std::string host;
        std::uint16_t port = 0;
    };

    // The wait before try number `attempt` (0 is the first: no wait).
    static long long waitBefore(int attempt);

    // A session got connected to `address` by the user.
    void remember(int sessionId, Address address);
    const Address* address(int sessionId) const;
    void forget(int sessionId);

    // The session lost its connection at `now`; `channelLine` goes out once
    // it is logged in again. Returns the wait before the first try.
    long long lost(int sessionId, long long now, std::string channelLine);
    // A try failed: the wait before the next one.
    long long failed(int sessionId, long long now);
    // A try got the connection.
    void connected(int sessionId, long long now);
    // "Neu verbinden": the next try is due now.
    void tryNow(int sessionId, long long now);

    bool waiting(int sessionId) const;
    bool anyWaiting() const;
    // The waiting session whose try is due first at `now`, or 0 (no session has id 0).
    int due(long long now) const;
    // Milliseconds until the session's next try (0 when due; -1 when not waiting).
    long long waitLeft(int sessionId, long long now) const;

    // After a try got the connection only the nick goes out; the server's
    // answer to it decides the rest. A line after the name prompt that is no
    // name error means the login went through: then the Login-Auto-Text and
    // the list request follow. Anything sent before would reach the name
    // prompt if the nick were refused (taken, say, by the dead connection's
    // chatter, whom the server has not let go yet).
    static constexpr long long LoginAnswerMs = 10'000;  // a server that answers otherwise
    enum class Login { Done, AwaitPrompt, AwaitAnswer };
    Login login(int sessionId) const;
    bool anyLoginOpen() const { return m_loginsOpen > 0; }
    // A row of the session arrived while its login is open: true when it
    // shows that the login went through.
    bool loginRow(int sessionId, std::string_view text);
    // Logins open longer than LoginAnswerMs at `now`, given up waiting for.
    std::vector<int> loginsOverdue(long long now) const;
    void finishLogin(int sessionId);

    // The channel line is sent once the login went through: when the
    // session's first chatter list after it has ended, unless the server
    // refused the nick meanwhile (the line would reach the name prompt).
    // A refused nick also ends the wait for the login's answer: the Login
    // dialog takes over, as at a first login.
    void nameRefused(int sessionId, bool refused);
    // The channel line, once: empty when none is due (or the nick is refused).
    std::string takeChannelLine(int sessionId);

    // A keep-alive went out on the session at `now` (the oldest unanswered one counts).
    void keepAliveSent(int sessionId, long long now);
    // Whether the session's line is dead at `now`, given when bytes last came in.
    bool keepAliveUnanswered(int sessionId, long long lastReceived, long long now);

    // Sessions the plan knows of, for a walk over them.
    template <typename F>
    void forEachSession(F&& f) const {
        for (const auto& [id, record] : m_records)
            f(id);
    }

private:
    struct Record {
        Address address;
        bool waiting = false;
        int attempt = 0;        // tries made since the connection was lost
        long long dueAt = 0;    // when the next try is due
        long long backAt = -1;  // when the last try got the connection
        long long keepAliveAt = -1;
        std::string channelLine;
        bool nickRefused = false;
        Login login = Login::Done;
        long long loginSince = 0;
    };
    void setLogin(Record& r, Login login);
    Record* find(int sessionId);
    const Record* find(int sessionId) const;

    std::map<int, Record> m_records;
    int m_loginsOpen = 0;  // records whose login is not Done: rows are looked at only then
};

}  // namespace tavik
