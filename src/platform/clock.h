#pragma once

namespace tidewick {

// The local wall clock, in milliseconds since the epoch.
class Clock {
public:
    virtual ~Clock() = default;
    virtual long long nowMs() const = 0;
};

} // namespace tidewick
