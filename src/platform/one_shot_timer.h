#pragma once

#include <functional>

namespace tidewick {

// Runs an action once after a delay, measured on a steady clock; starting it again replaces
// what was pending, and stop drops it.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    virtual void start(long long ms, std::function<void()> action) = 0;
    virtual void stop() = 0;
};

} // namespace tidewick
