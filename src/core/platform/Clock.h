#pragma once

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
};

// The local time of the operating system.
class SystemClock final : public Clock {
public:
    LocalTime now() const override;
};

}  // namespace tavik
