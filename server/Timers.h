// One-shot timers for the single-threaded event loop.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>

namespace tavik::server {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

class Timers {
public:
    using Id = unsigned long;

    Id after(Millis delay, std::function<void()> action);
    void cancel(Id id);
    // Runs every timer that is due; timers added meanwhile wait for the next call.
    void runDue(Clock::time_point now);
    std::optional<Clock::time_point> next() const;

private:
    struct Entry {
        Id id;
        std::function<void()> action;
    };
    std::multimap<Clock::time_point, Entry> m_entries;
    Id m_nextId = 1;
};

}  // namespace tavik::server
