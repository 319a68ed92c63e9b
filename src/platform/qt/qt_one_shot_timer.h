#pragma once

#include "one_shot_timer.h"

#include <QTimer>

namespace tidewick {

class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (m_action)
                m_action();
        });
    }
    void start(long long ms, std::function<void()> action) override
    {
        m_action = std::move(action);
        m_timer.start(static_cast<int>(ms));
    }

private:
    QTimer m_timer;
    std::function<void()> m_action;
};

} // namespace tidewick
