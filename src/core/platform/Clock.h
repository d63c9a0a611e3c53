#pragma once

#include <ctime>

namespace tavik {

struct LocalTime {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
    // Milliseconds from some fixed moment; never goes back, whatever the
    // local time does (a change of zone, the user setting the clock).
    virtual long long steadyMilliseconds() const;
};

// The local time of the operating system.
class SystemClock final : public Clock {
public:
    LocalTime now() const override;

private:
    // Looking up the local time reads the zone settings anew (a file check on
    // every call), and a flood asks for the time with every row: the answer is
    // kept for the rest of its second.
    mutable std::time_t m_second = -1;
    mutable LocalTime m_time;
};

}  // namespace tavik
