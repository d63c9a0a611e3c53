#include "ServerHarness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tavik::servertest {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMillis(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& args) {
    std::vector<std::string> all = {TAVIK_SERVER_BINARY, "--port", "0"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    int in[2];
    if (::pipe(out) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    if (::pipe2(in, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        ADD_FAILURE() << "pipe failed";
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(in[0], STDIN_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    m_stdin = in[1];
    if (m_pid < 0) {
        ::close(out[0]);
        ADD_FAILURE() << "fork failed";
        return;
    }
    // The first line on stdout names the bound address: "listening 127.0.0.1:PORT".
    std::string first;
    auto deadline = Clock::now() + kWait;
    while (first.find('\n') == std::string::npos) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, remainingMillis(deadline)) <= 0) break;
        char buffer[256];
        ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        first.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    auto colon = first.rfind(':');
    if (first.rfind("listening 127.0.0.1:", 0) != 0 || colon == std::string::npos) {
        ADD_FAILURE() << "server did not start, said: " << first;
        return;
    }
    m_port = std::stoi(first.substr(colon + 1));
}

ServerProcess::~ServerProcess() {
    // A server that does not exit cleanly (a sanitizer report, a hang) fails the test.
    if (m_pid > 0) {
        EXPECT_EQ(stop(2000ms), 0) << "the server did not exit cleanly";
    } else if (m_stdin >= 0) {
        ::close(m_stdin);
    }
}

void ServerProcess::control(std::string_view line) {
    std::string bytes(line);
    bytes += '\n';
    ASSERT_EQ(::write(m_stdin, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

int ServerProcess::stop(Millis timeout) {
    if (m_stdin >= 0) ::close(m_stdin);
    m_stdin = -1;
    if (m_pid <= 0) return -1;
    ::kill(m_pid, SIGTERM);
    auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string stripEscapes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\x1b') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '[') {
                i += 2;
                while (i < bytes.size() && !isLetter(bytes[i]))
                    ++i;
            }
            continue;
        }
        auto u = static_cast<unsigned char>(c);
        if (u < 32 && c != '\n') continue;
        out.push_back(c);
    }
    return out;
}

ChatClient::ChatClient(int port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ADD_FAILURE() << "cannot connect to port " << port;
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL, 0) | O_NONBLOCK);
}

ChatClient::~ChatClient() {
    if (m_fd >= 0) ::close(m_fd);
}

void ChatClient::send(std::string_view bytes) {
    if (m_fd < 0) return;
    auto deadline = Clock::now() + kWait;
    while (!bytes.empty() && Clock::now() < deadline) {
        ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return;
        } else {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, remainingMillis(deadline));
        }
    }
}

bool ChatClient::readSome(Millis timeout) {
    if (m_fd < 0 || m_closed) return false;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char buffer[8192];
    ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n > 0) {
        m_raw.append(buffer, static_cast<std::size_t>(n));
        ++m_reads;
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        m_error = n == 0 ? 0 : errno;
        m_closed = true;
    }
    return false;
}

bool ChatClient::readUntil(const std::function<bool(const std::string&)>& pred, Millis timeout) {
    auto deadline = Clock::now() + timeout;
    while (!pred(m_raw)) {
        if (m_closed || Clock::now() >= deadline) return false;
        readSome(Millis(remainingMillis(deadline)));
    }
    return true;
}

std::vector<std::string> ChatClient::completeLines() const {
    std::vector<std::string> lines;
    std::string text = plain();
    std::size_t start = 0;
    for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

std::optional<std::string> ChatClient::nextLine(const std::function<bool(const std::string&)>& pred,
                                                Millis timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        auto lines = completeLines();
        for (std::size_t i = m_taken; i < lines.size(); ++i) {
            if (pred(lines[i])) {
                m_taken = i + 1;
                return lines[i];
            }
        }
        if (m_closed || Clock::now() >= deadline) return std::nullopt;
        readSome(Millis(remainingMillis(deadline)));
    }
}

std::optional<std::string> ChatClient::nextLineStartingWith(std::string_view prefix, Millis timeout) {
    return nextLine([prefix](const std::string& l) { return l.starts_with(prefix); }, timeout);
}

bool ChatClient::expectLine(std::string_view exact, Millis timeout) {
    return nextLine([exact](const std::string& l) { return l == exact; }, timeout).has_value();
}

std::optional<std::vector<std::string>> ChatClient::linesThrough(std::string_view last, Millis timeout) {
    std::size_t from = m_taken;
    if (!expectLine(last, timeout)) return std::nullopt;
    auto lines = completeLines();
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(from),
                                    lines.begin() + static_cast<std::ptrdiff_t>(m_taken));
}

std::optional<std::vector<std::string>> ChatClient::nextFrame(Millis timeout) {
    auto first = nextLineStartingWith("+", timeout);
    if (!first) return std::nullopt;
    std::vector<std::string> lines{*first};
    for (int bars = 1; bars < 3;) {
        auto line = nextLine([](const std::string&) { return true; }, timeout);
        if (!line) return std::nullopt;
        if (line->starts_with("+")) ++bars;
        lines.push_back(*line);
    }
    return lines;
}

bool ChatClient::waitPrompt(Millis timeout) {
    return readUntil([](const std::string& raw) { return stripEscapes(raw).ends_with(kPrompt); }, timeout);
}

bool ChatClient::login(std::string_view nick) {
    if (!waitPrompt()) return false;
    send(std::string(nick) + "\r");
    return expectLine(">>> Willkommen im Brenn-Chat, " + std::string(nick) + "!");
}

bool ChatClient::waitClosed(int& errorCode, Millis timeout) {
    auto deadline = Clock::now() + timeout;
    while (!m_closed && Clock::now() < deadline)
        readSome(Millis(remainingMillis(deadline)));
    errorCode = m_error;
    return m_closed;
}

std::optional<std::vector<ListedChannel>> readChatterList(const std::vector<std::string>& lines) {
    auto isNameChar = [](char c) {
        auto u = static_cast<unsigned char>(c);
        if (u == 0xE7) return true;
        return u >= 33 && u <= 126 && std::string_view("#$(),@|~").find(c) == std::string_view::npos;
    };
    std::size_t i = 0;
    while (i < lines.size() && !lines[i].starts_with("+"))
        ++i;
    if (i + 3 >= lines.size() || !lines[i + 1].starts_with("|") || !lines[i + 2].starts_with("+")) return {};
    const std::string& header = lines[i + 1];
    if (header.find("Chatter und Chatterinnen") == std::string::npos &&
        header.find("Name:") == std::string::npos)
        return {};
    std::vector<ListedChannel> channels;
    ListedChannel current;
    for (i += 3; i < lines.size() && !lines[i].starts_with("+"); ++i) {
        const std::string& line = lines[i];
        if (!line.starts_with("|")) return {};
        std::size_t pos = 1;
        bool more = true;
        while (more) {
            while (pos < line.size() && !isNameChar(line[pos]))
                ++pos;
            std::size_t delim = line.find_first_of(", ", pos);
            if (pos >= line.size() || delim == std::string::npos)
                break;  // a name must be followed by "," or " "
            std::size_t end = delim;
            more = line[delim] == ',';
            if (delim + 1 < line.size() && line[delim + 1] == '(') {
                std::size_t close = line.find(')', delim + 1);
                if (close == std::string::npos) {
                    current.names.push_back(line.substr(pos));
                    pos = line.size();
                    break;
                }
                end = close + 1;
                more = end < line.size() && line[end] != ' ';
            }
            current.names.push_back(line.substr(pos, end - pos));
            pos = end + 1;
        }
        // The label: after the next run of blanks, up to the blank behind it.
        std::size_t blank = pos < line.size() ? line.find(' ', pos) : std::string::npos;
        if (blank == std::string::npos) continue;
        std::size_t word = line.find_first_not_of(' ', blank);
        std::size_t after = word == std::string::npos ? std::string::npos : line.find(' ', word);
        if (after == std::string::npos) continue;  // the channel goes on in the next line
        current.label = line.substr(word, after - word);
        current.isProtected = after + 1 < line.size() && line[after + 1] == '*';
        channels.push_back(std::move(current));
        current = {};
    }
    if (i >= lines.size() || !current.names.empty())
        return {};  // no closing frame, or a channel without label
    return channels;
}

std::string tempPath(std::string_view name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    return (std::filesystem::temp_directory_path() /
            ("tavikserver-" + std::to_string(::getpid()) + "-" + test + "-" + std::string(name)))
        .string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tavik::servertest
