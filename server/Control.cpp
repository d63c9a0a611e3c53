#include "Control.h"

#include <charconv>
#include <utility>

namespace tavik::server {

namespace {

// Splits "word rest" at the first blank; rest keeps its own blanks.
std::pair<std::string_view, std::string_view> firstWord(std::string_view s) {
    auto blank = s.find(' ');
    if (blank == std::string_view::npos) return {s, {}};
    return {s.substr(0, blank), s.substr(blank + 1)};
}

}  // namespace

std::vector<std::string> Control::receive(std::string_view bytes) {
    m_pending.append(bytes);
    std::vector<std::string> complaints;
    for (auto end = m_pending.find('\n'); end != std::string::npos; end = m_pending.find('\n')) {
        std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (std::string complaint = perform(line); !complaint.empty())
            complaints.push_back(std::move(complaint));
    }
    return complaints;
}

std::string Control::perform(std::string_view line) {
    if (line.empty()) return {};
    auto [command, args] = firstWord(line);
    auto [nick, rest] = firstWord(args);
    if (command == "drop" || command == "stall" || command == "refuse") return connectionFault(command, nick);
    if (command != "enter" && command != "as" && command != "leave")
        return "control: unknown command " + std::string(command);
    if (nick.empty()) return "control: " + std::string(command) + " needs a nick";
    if (command == "enter") {
        // An unknown or missing channel means the default one.
        if (m_room.enterBot(nick, rest) == 0) return "control: " + std::string(nick) + " cannot enter";
        return {};
    }
    int id = puppet(nick);
    if (id == 0) return "control: no " + std::string(nick) + " without a connection in the chat";
    if (command == "as") {
        m_room.input(id, rest);
    } else {
        m_room.leave(id);
    }
    return {};
}

std::string Control::connectionFault(std::string_view command, std::string_view arg) {
    if (command == "refuse") {
        int count = 0;
        const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), count);
        if (error != std::errc() || end != arg.data() + arg.size() || count < 0)
            return "control: refuse needs a count";
        if (m_faults.refuse) m_faults.refuse(count);
        return {};
    }
    const int id = connected(arg);
    const auto& fault = command == "drop" ? m_faults.drop : m_faults.stall;
    if (id == 0 || !fault || !fault(id))
        return "control: no " + std::string(arg) + " with a connection in the chat";
    return {};
}

int Control::connected(std::string_view nick) const {
    const Chatter* c = m_room.findByNick(nick);
    return c && c->outlet ? c->id : 0;
}

int Control::puppet(std::string_view nick) const {
    const Chatter* c = m_room.findByNick(nick);
    return c && !c->outlet ? c->id : 0;
}

}  // namespace tavik::server
