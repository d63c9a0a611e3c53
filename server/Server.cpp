#include "Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "Faults.h"

namespace tavik::server {

namespace {

int g_signalWriteFd = -1;

extern "C" void onSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] auto ignored = ::write(g_signalWriteFd, &byte, 1);
    errno = saved;
}

bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::string describe(const sockaddr_in& addr) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(addr.sin_port));
}

int millisUntil(Clock::time_point when, Clock::time_point now) {
    if (when <= now) return 0;
    auto ms = std::chrono::ceil<Millis>(when - now).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

}  // namespace

Server::Server(Options options) : m_options(std::move(options)) {
    m_seed = m_options.seed ? *m_options.seed : std::random_device{}();
}

Server::~Server() {
    m_scripts.clear();
    m_connections.clear();
    if (m_listenFd >= 0) ::close(m_listenFd);
    for (int fd : m_signalPipe) {
        if (fd >= 0) ::close(fd);
    }
    g_signalWriteFd = -1;
}

int Server::run() {
    if (!setUp()) return 1;
    loop();
    shutDown();
    return 0;
}

bool Server::setUp() {
    if (!m_options.recordFile.empty() && !m_transcript.open(m_options.recordFile)) {
        std::fprintf(stderr, "tavikserver: cannot write %s: %s\n", m_options.recordFile.c_str(),
                     std::strerror(errno));
        return false;
    }
    if (!m_options.scriptFile.empty()) {
        std::string error;
        m_script = loadScript(m_options.scriptFile, error);
        if (!m_script) {
            std::fprintf(stderr, "tavikserver: %s\n", error.c_str());
            return false;
        }
    }

    if (::pipe(m_signalPipe) != 0 || !setNonBlocking(m_signalPipe[0]) || !setNonBlocking(m_signalPipe[1])) {
        std::perror("tavikserver: pipe");
        return false;
    }
    g_signalWriteFd = m_signalPipe[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(m_options.host.c_str(), nullptr, &hints, &found) != 0 || !found) {
        std::fprintf(stderr, "tavikserver: unknown address %s\n", m_options.host.c_str());
        return false;
    }
    sockaddr_in addr{};
    std::memcpy(&addr, found->ai_addr, sizeof addr);
    ::freeaddrinfo(found);
    addr.sin_port = htons(static_cast<std::uint16_t>(m_options.port));

    m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    if (m_listenFd < 0 || ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 64) != 0 || !setNonBlocking(m_listenFd)) {
        std::fprintf(stderr, "tavikserver: cannot listen on %s: %s\n", describe(addr).c_str(),
                     std::strerror(errno));
        return false;
    }
    socklen_t length = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &length);
    // Tests start us with --port 0 and read the bound port from this first line.
    std::printf("listening %s\n", describe(addr).c_str());
    std::fflush(stdout);

    ChatRoom::Hooks hooks;
    hooks.loggedIn = [this](int id) { loggedIn(id); };
    if (m_options.bots > 0) {
        m_bots = std::make_unique<Bots>(m_room, m_timers, m_options.bots, Millis(m_options.botIntervalMillis),
                                        m_seed);
        hooks.botWhispered = [this](int bot, const std::string& from, const std::string& text) {
            m_bots->whispered(bot, from, text);
        };
        hooks.arrived = [this](int id, const std::string& nick) { m_bots->arrived(id, nick); };
    }
    m_room.setHooks(std::move(hooks));
    if (m_bots) m_bots->start();
    if (m_options.control) {
        m_control.emplace(m_room);
        Control::ConnectionFaults faults;
        faults.drop = [this](int chatterId) {
            Connection* c = byChatter(chatterId);
            if (c == nullptr || c->stalled()) return false;
            m_transcript.event(c->id(), "dropped");
            // The chatter goes at once, not when the close is done: its nick is free again.
            m_room.leave(chatterId);
            c->setChatterId(0);
            c->endAfterFlush(Connection::Ending::Graceful);
            return true;
        };
        faults.stall = [this](int chatterId) {
            Connection* c = byChatter(chatterId);
            if (c == nullptr) return false;
            m_transcript.event(c->id(), "stalled");
            c->stall();
            return true;
        };
        faults.refuse = [this](int count) { m_refuse = count; };
        m_control->setConnectionFaults(std::move(faults));
    }
    return true;
}

void Server::loop() {
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (;;) {
        auto now = Clock::now();
        fds.clear();
        ids.clear();
        fds.push_back({m_signalPipe[0], POLLIN, 0});
        bool listening = !m_acceptAt;
        fds.push_back({listening ? m_listenFd : -1, POLLIN, 0});
        fds.push_back({m_control ? STDIN_FILENO : -1, POLLIN, 0});
        std::optional<Clock::time_point> wake = m_timers.next();
        auto earliest = [&](std::optional<Clock::time_point> t) {
            if (t && (!wake || *t < *wake)) wake = t;
        };
        earliest(m_acceptAt);
        for (auto& [id, c] : m_connections) {
            short events = POLLIN;
            if (c->wantsWrite(now)) events |= POLLOUT;
            // poll passes over a negative descriptor: a stalled connection is never looked at.
            fds.push_back({c->stalled() ? -1 : c->fd(), events, 0});
            ids.push_back(id);
            earliest(c->nextWake());
            if (c->draining()) earliest(c->drainDeadline());
        }
        int timeout = wake ? millisUntil(*wake, now) : -1;
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::perror("tavikserver: poll");
            return;
        }
        if (fds[0].revents & POLLIN) return;  // SIGINT or SIGTERM
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) readControl();

        now = Clock::now();
        if (listening && (fds[1].revents & POLLIN)) {
            if (m_options.delayAcceptMillis > 0) {
                m_acceptAt = now + Millis(m_options.delayAcceptMillis);
            } else {
                acceptOne();
            }
        } else if (m_acceptAt && now >= *m_acceptAt) {
            m_acceptAt.reset();
            acceptOne();
        }

        std::vector<int> finished;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            auto it = m_connections.find(ids[i]);
            if (it == m_connections.end()) continue;
            Connection& c = *it->second;
            if (c.stalled()) continue;
            bool alive = true;
            if (fds[i + 3].revents & (POLLIN | POLLHUP | POLLERR)) {
                std::vector<ReceivedLine> lines;
                alive = c.receive(lines);
                serve(c, lines);
            }
            if (alive) alive = c.flush(now);
            if (c.draining() && (!alive || now >= c.drainDeadline())) c.finishDrain();
            if (!alive || c.done()) finished.push_back(ids[i]);
        }
        for (int id : finished)
            forget(id);
        m_timers.runDue(Clock::now());
    }
}

void Server::acceptOne() {
    sockaddr_in addr{};
    socklen_t length = sizeof addr;
    int fd = ::accept(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &length);
    if (fd < 0) return;  // the client gave up meanwhile, or we ran out of descriptors
    if (!setNonBlocking(fd)) {
        ::close(fd);
        return;
    }
    if (m_refuse > 0) {
        --m_refuse;
        ::close(fd);
        if (m_options.verbose) std::fprintf(stderr, "tavikserver: refused %s\n", describe(addr).c_str());
        return;
    }
    int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);

    int id = m_nextConnectionId++;
    auto connection = std::make_unique<Connection>(fd, id, describe(addr));
    Connection& c = *connection;
    m_connections.emplace(id, std::move(connection));
    if (m_options.faults.drip) c.setDrip(Millis(m_options.faults.dripMillis));
    m_transcript.event(id, "connected from " + c.peer());
    if (m_options.verbose) std::fprintf(stderr, "tavikserver: %d connected from %s\n", id, c.peer().c_str());

    if (m_script) {
        auto run = std::make_unique<ScriptRun>(*m_script, c, m_timers);
        run->start();
        m_scripts.emplace(id, std::move(run));
    } else {
        c.setChatterId(m_room.connect(c));
    }
    c.flush(Clock::now());
}

void Server::readControl() {
    // One read per wake-up never blocks, so standard input stays as we got it
    // (making it non-blocking would change it for whoever shares it).
    char buffer[4096];
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && errno == EINTR) return;
        m_control.reset();  // closed: the chat goes on without control
        return;
    }
    for (const std::string& complaint :
         m_control->receive(std::string_view(buffer, static_cast<std::size_t>(n))))
        std::fprintf(stderr, "tavikserver: %s\n", complaint.c_str());
}

void Server::serve(Connection& c, std::vector<ReceivedLine>& lines) {
    for (const ReceivedLine& line : lines) {
        m_transcript.line(c.id(), line.text, line.ending);
        if (auto run = m_scripts.find(c.id()); run != m_scripts.end()) {
            run->second->input(line.text);
        } else {
            m_room.input(c.chatterId(), line.text);
        }
    }
}

void Server::loggedIn(int chatterId) {
    Connection* c = byChatter(chatterId);
    const Chatter* chatter = m_room.find(chatterId);
    if (!c || !chatter) return;
    m_transcript.event(c->id(), "logged in as " + chatter->nick);
    if (m_options.faults.afterLogin()) {
        c->setFeeder(makeFaultFeeder(m_options.faults, m_seed + static_cast<std::uint32_t>(c->id())));
        c->feed();
    }
}

void Server::forget(int connectionId) {
    auto it = m_connections.find(connectionId);
    if (it == m_connections.end()) return;
    m_scripts.erase(connectionId);
    if (it->second->chatterId() != 0) m_room.leave(it->second->chatterId());
    m_transcript.event(connectionId, "closed");
    if (m_options.verbose) std::fprintf(stderr, "tavikserver: %d closed\n", connectionId);
    m_connections.erase(it);
}

Connection* Server::byChatter(int chatterId) {
    for (auto& [id, c] : m_connections) {
        if (c->chatterId() == chatterId) return c.get();
    }
    return nullptr;
}

void Server::shutDown() {
    // Best effort: a last notice for everybody whose socket takes it right now.
    m_room.shutdownNotice();
    auto now = Clock::now();
    for (auto& [id, c] : m_connections) {
        c->setDrip(Millis(0));
        c->flush(now);
        m_transcript.event(id, "closed");
    }
    m_scripts.clear();
    m_connections.clear();
}

}  // namespace tavik::server
