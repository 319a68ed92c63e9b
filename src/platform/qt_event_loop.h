#pragma once

#include "event_loop.h"

namespace tidewick {

// The Qt event loop, with the program's end as a one-way switch that every waiting handler sees.
class QtEventLoop final : public EventLoop {
public:
    bool processPendingEvents() override;
    bool waitFor(long long ms) override;
    bool programEnded() const override { return m_ended; }

    // Leaves every running event loop; handlers waiting in one return and must stop.
    void endProgram();

private:
    bool m_ended = false;
};

} // namespace tidewick
