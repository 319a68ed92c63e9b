#pragma once

#include "restartable_timer.h"

#include <QTimer>

namespace tidewick {

// Adapts a running QTimer; start() on a running QTimer begins a fresh interval.
class QtTimer final : public RestartableTimer {
public:
    explicit QtTimer(QTimer &timer)
        : m_timer(timer)
    {
    }
    void restart() override { m_timer.start(); }

private:
    QTimer &m_timer;
};

} // namespace tidewick
