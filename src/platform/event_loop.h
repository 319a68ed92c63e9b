#pragma once

namespace tidewick {

// The user-interface event loop as seen from a handler that yields or waits.
// Both calls return false once the program has ended: the caller must then stop at once.
class EventLoop {
public:
    virtual ~EventLoop() = default;

    virtual bool processPendingEvents() = 0;
    // Handles events as they come, without spinning, for about `ms` milliseconds.
    virtual bool waitFor(long long ms) = 0;
    virtual bool programEnded() const = 0;
};

} // namespace tidewick
