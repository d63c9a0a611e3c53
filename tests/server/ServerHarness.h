// Test harness: starts the real tavikserver on a free port and talks to it through
// plain sockets. Every wait has a deadline, so a broken server fails a test instead
// of hanging it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::servertest {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

inline constexpr Millis kWait = 5000ms;
inline constexpr std::string_view kPrompt = "Gib Deinen Namen ein (oder /Show, /Exit, /Help): ";

class ServerProcess {
public:
    // Starts the server with "--port 0" plus args and reads the port it bound.
    // Fails the current test (and leaves port() at 0) when it does not start.
    explicit ServerProcess(const std::vector<std::string>& args);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return m_port; }
    // Writes a line (a line end is added) to the server's standard input, for --control.
    void control(std::string_view line);
    // Sends SIGTERM and waits for the exit; returns the exit status, or -1 when the
    // server had to be killed.
    int stop(Millis timeout = kWait);

private:
    pid_t m_pid = -1;
    int m_port = 0;
    int m_stdin = -1;  // the write end of the server's standard input
};

// The client's view of server output: escape sequences ("\e[" up to a letter) and
// control bytes other than the line feed removed.
std::string stripEscapes(std::string_view bytes);

class ChatClient {
public:
    explicit ChatClient(int port);
    ~ChatClient();
    ChatClient(const ChatClient&) = delete;
    ChatClient& operator=(const ChatClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    void send(std::string_view bytes);

    // Reads until pred(raw bytes so far) holds, the peer closes, or time runs out.
    bool readUntil(const std::function<bool(const std::string&)>& pred, Millis timeout = kWait);
    // Waits for the next complete plain line (after the ones already taken) that
    // satisfies pred, and takes it and every line before it.
    std::optional<std::string> nextLine(const std::function<bool(const std::string&)>& pred,
                                        Millis timeout = kWait);
    std::optional<std::string> nextLineStartingWith(std::string_view prefix, Millis timeout = kWait);
    bool expectLine(std::string_view exact, Millis timeout = kWait);
    // The untaken plain lines up to and including the first one equal to `last`.
    std::optional<std::vector<std::string>> linesThrough(std::string_view last, Millis timeout = kWait);
    // Takes the next framed block: from the next "+" line through the third.
    std::optional<std::vector<std::string>> nextFrame(Millis timeout = kWait);
    // Waits for the prompt (which has no line end) at the end of the plain text.
    bool waitPrompt(Millis timeout = kWait);
    // Waits for the prompt, sends the nick and waits for the greeting.
    bool login(std::string_view nick);
    // Reads until the server closes; false on timeout. errorCode gets errno of a
    // failed read (ECONNRESET for a reset), 0 for an orderly close.
    bool waitClosed(int& errorCode, Millis timeout = kWait);

    const std::string& raw() const { return m_raw; }
    std::string plain() const { return stripEscapes(m_raw); }
    std::size_t reads() const { return m_reads; }
    bool closed() const { return m_closed; }

private:
    bool readSome(Millis timeout);
    std::vector<std::string> completeLines() const;

    int m_fd = -1;
    std::string m_raw;
    std::size_t m_taken = 0;  // complete plain lines already taken
    std::size_t m_reads = 0;
    bool m_closed = false;
    int m_error = 0;
};

// A chatter list as the client reads it.
struct ListedChannel {
    std::string label;
    bool isProtected = false;
    std::vector<std::string> names;
    bool operator==(const ListedChannel&) const = default;
};

// Reads the framed list from plain lines (first "+" line to the third), following
// the client's rules: names end at "," or a blank, a remark in parentheses belongs
// to its name, and a channel's last line carries its label after two or more
// blanks, with " *" when protected. Returns nothing when the frame is wrong.
std::optional<std::vector<ListedChannel>> readChatterList(const std::vector<std::string>& lines);

std::string tempPath(std::string_view name);
std::string readFile(const std::string& path);

}  // namespace tavik::servertest
