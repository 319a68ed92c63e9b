#pragma once

namespace tidewick {

class Clock {
public:
    virtual ~Clock() = default;
    // The local wall clock, in milliseconds since the epoch: for time stamps and the whole-second
    // rule of the waits, never for how long something took.
    virtual long long wallMs() const = 0;
    // A steady clock in milliseconds from an arbitrary start: for durations and deadlines, which
    // a change of the system clock must not stretch or cut short.
    virtual long long steadyMs() const = 0;
};

} // namespace tidewick
