#pragma once

#include "clock.h"

#include <QDateTime>

#include <chrono>

namespace tidewick {

class QtClock final : public Clock {
public:
    long long wallMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
    long long steadyMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

} // namespace tidewick
