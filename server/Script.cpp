#include "Script.h"

#include <charconv>
#include <fstream>

#include "Connection.h"
#include "Text.h"

namespace tavik::server {

std::optional<std::vector<ScriptStep>> loadScript(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read script " + path;
        return std::nullopt;
    }
    std::vector<ScriptStep> steps;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() != '%') {
            steps.push_back({ScriptStep::Kind::Send, unescapeBytes(line) + std::string(kLineEnd), 0});
            continue;
        }
        std::string_view directive(line);
        directive.remove_prefix(1);
        auto blank = directive.find(' ');
        std::string_view word = directive.substr(0, blank);
        std::string_view arg =
            blank == std::string_view::npos ? std::string_view{} : directive.substr(blank + 1);
        if (word.starts_with("#")) continue;
        if (word == "prompt") {
            steps.push_back({ScriptStep::Kind::Prompt, unescapeBytes(arg), 0});
        } else if (word == "expect") {
            steps.push_back({ScriptStep::Kind::Expect, unescapeBytes(arg), 0});
        } else if (word == "close") {
            steps.push_back({ScriptStep::Kind::Close, {}, 0});
        } else if (word == "reset") {
            steps.push_back({ScriptStep::Kind::Reset, {}, 0});
        } else if (word == "wait") {
            long millis = 0;
            auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), millis);
            if (ec != std::errc() || end != arg.data() + arg.size() || millis < 0) {
                error = path + ":" + std::to_string(number) + ": %wait needs milliseconds";
                return std::nullopt;
            }
            steps.push_back({ScriptStep::Kind::Wait, {}, millis});
        } else {
            error = path + ":" + std::to_string(number) + ": unknown directive %" + std::string(word);
            return std::nullopt;
        }
    }
    return steps;
}

ScriptRun::ScriptRun(const std::vector<ScriptStep>& steps, Connection& connection, Timers& timers)
    : m_steps(steps), m_connection(connection), m_timers(timers) {}

ScriptRun::~ScriptRun() {
    if (m_timer) m_timers.cancel(*m_timer);
}

void ScriptRun::input(const std::string& line) {
    if (!m_waiting || m_next >= m_steps.size()) return;
    const ScriptStep& step = m_steps[m_next];
    if (step.kind != ScriptStep::Kind::Expect || line != step.text) return;
    m_waiting = false;
    ++m_next;
    advance();
}

void ScriptRun::advance() {
    while (!m_waiting && m_next < m_steps.size()) {
        const ScriptStep& step = m_steps[m_next];
        switch (step.kind) {
            case ScriptStep::Kind::Send:
            case ScriptStep::Kind::Prompt:
                m_connection.send(step.text);
                break;
            case ScriptStep::Kind::Expect:
                m_waiting = true;
                return;
            case ScriptStep::Kind::Wait:
                m_waiting = true;
                m_timer = m_timers.after(Millis(step.millis), [this] {
                    m_timer.reset();
                    m_waiting = false;
                    ++m_next;
                    advance();
                });
                return;
            case ScriptStep::Kind::Close:
                m_connection.endAfterFlush(Connection::Ending::Graceful);
                break;
            case ScriptStep::Kind::Reset:
                m_connection.endAfterFlush(Connection::Ending::Reset);
                break;
        }
        ++m_next;
    }
}

}  // namespace tavik::server
