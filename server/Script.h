// Replays a scripted conversation to one connection instead of the chat.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Timers.h"

namespace tavik::server {

class Connection;

struct ScriptStep {
    enum class Kind { Send, Prompt, Wait, Expect, Close, Reset };
    Kind kind = Kind::Send;
    std::string text;  // bytes to send, or the line to expect
    long millis = 0;
};

// Reads a script file (format in `tavikserver --help`). Returns nothing and sets
// error when the file cannot be read or has a bad directive.
std::optional<std::vector<ScriptStep>> loadScript(const std::string& path, std::string& error);

class ScriptRun {
public:
    ScriptRun(const std::vector<ScriptStep>& steps, Connection& connection, Timers& timers);
    ~ScriptRun();
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    void start() { advance(); }
    // A line the client sent (line end removed).
    void input(const std::string& line);

private:
    void advance();

    const std::vector<ScriptStep>& m_steps;
    Connection& m_connection;
    Timers& m_timers;
    std::size_t m_next = 0;
    bool m_waiting = false;
    std::optional<Timers::Id> m_timer;
};

}  // namespace tavik::server
