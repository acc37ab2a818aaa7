#pragma once

// "Let pending window messages run": the long loops of the program (transfers, page waits,
// analysis) call pump() between their steps so timers, clicks and network events go on.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs the events that are pending now and returns; never blocks.
    virtual void pump() = 0;
    // Runs events for up to the given milliseconds, returning early when one arrives. Loops
    // that only wait for something to happen use it instead of spinning on pump().
    virtual void wait(int maxMilliseconds) = 0;
};
