#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace tavik {

long long Clock::steadyMilliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

LocalTime SystemClock::now() const {
    const std::time_t t = std::time(nullptr);
    if (t == m_second) return m_time;
    // One thread only, so the shared buffer of std::localtime is safe here.
    const std::tm* tm = std::localtime(&t);
    if (tm == nullptr) return LocalTime{};
    m_second = t;
    m_time = LocalTime{tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
    return m_time;
}

}  // namespace tavik
