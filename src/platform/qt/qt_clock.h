#pragma once

#include "clock.h"

#include <QDateTime>

namespace tidewick {

class QtClock final : public Clock {
public:
    long long nowMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

} // namespace tidewick
