#pragma once

namespace tidewick {

// A running periodic timer whose countdown can start over.
class RestartableTimer {
public:
    virtual ~RestartableTimer() = default;
    virtual void restart() = 0;
};

} // namespace tidewick
