#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace tavik {

LocalTime SystemClock::now() const {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    // One thread only, so the shared buffer of std::localtime is safe here.
    const std::tm* tm = std::localtime(&t);
    if (tm == nullptr) return LocalTime{};
    return LocalTime{tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
}

}  // namespace tavik
