#include "Timers.h"

#include <vector>

namespace tavik::server {

Timers::Id Timers::after(Millis delay, std::function<void()> action) {
    Id id = m_nextId++;
    m_entries.emplace(Clock::now() + delay, Entry{id, std::move(action)});
    return id;
}

void Timers::cancel(Id id) {
    std::erase_if(m_entries, [id](const auto& entry) { return entry.second.id == id; });
}

void Timers::runDue(Clock::time_point now) {
    std::vector<std::function<void()>> due;
    while (!m_entries.empty() && m_entries.begin()->first <= now) {
        due.push_back(std::move(m_entries.begin()->second.action));
        m_entries.erase(m_entries.begin());
    }
    for (auto& action : due)
        action();
}

std::optional<Clock::time_point> Timers::next() const {
    if (m_entries.empty()) return std::nullopt;
    return m_entries.begin()->first;
}

}  // namespace tavik::server
