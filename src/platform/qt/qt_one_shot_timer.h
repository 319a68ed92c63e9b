#pragma once

#include "one_shot_timer.h"

#include <QTimer>

namespace tidewick {

// Precise, so that a wait ends at its whole second rather than within 5 % of it.
class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer()
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (auto action = std::exchange(m_action, nullptr))
                action();
        });
    }
    void start(long long ms, std::function<void()> action) override
    {
        m_action = std::move(action);
        m_timer.start(static_cast<int>(ms));
    }
    void stop() override
    {
        m_timer.stop();
        m_action = nullptr;
    }

private:
    QTimer m_timer;
    std::function<void()> m_action;
};

} // namespace tidewick
