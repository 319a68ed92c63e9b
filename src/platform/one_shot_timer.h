#pragma once

#include <functional>

namespace tidewick {

// Runs an action once after a delay; starting it again replaces what was pending.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    virtual void start(long long ms, std::function<void()> action) = 0;
};

} // namespace tidewick
