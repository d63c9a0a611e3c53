// The event loop: one listening socket, any number of connections, timers, and a
// self-pipe that turns SIGINT/SIGTERM into a clean shutdown. Single-threaded, poll().
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Bots.h"
#include "ChatRoom.h"
#include "Connection.h"
#include "Control.h"
#include "Options.h"
#include "Script.h"
#include "Timers.h"
#include "Transcript.h"

namespace tavik::server {

class Server {
public:
    explicit Server(Options options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Sets everything up, prints "listening ADDR:PORT", and runs until a signal
    // arrives. Returns the process exit code.
    int run();

private:
    bool setUp();
    void loop();
    void acceptOne();
    void readControl();
    void serve(Connection& c, std::vector<ReceivedLine>& lines);
    void loggedIn(int chatterId);
    void forget(int connectionId);
    void shutDown();
    Connection* byChatter(int chatterId);

    Options m_options;
    std::uint32_t m_seed = 0;
    int m_listenFd = -1;
    int m_signalPipe[2] = {-1, -1};
    Timers m_timers;
    ChatRoom m_room;
    std::unique_ptr<Bots> m_bots;
    Transcript m_transcript;
    std::optional<std::vector<ScriptStep>> m_script;
    std::optional<Control> m_control;  // while standard input is open
    std::map<int, std::unique_ptr<Connection>> m_connections;
    std::map<int, std::unique_ptr<ScriptRun>> m_scripts;
    int m_nextConnectionId = 1;
    std::optional<Clock::time_point> m_acceptAt;
    int m_refuse = 0;  // connections still to be closed at once (control "refuse")
};

}  // namespace tavik::server
