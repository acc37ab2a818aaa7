#pragma once

// Time as the program reads it. Every interval (scheduler interval, stall watchdog, page
// waits) is the difference of two readings of seconds(), a monotonic clock, so a transfer
// that runs over midnight or a change of the system time never shortens or stretches a wait.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic seconds since an arbitrary start.
    virtual double seconds() const = 0;
    // Seconds since local midnight, for what the user sees as a time of day.
    virtual double timeOfDay() const = 0;
};
