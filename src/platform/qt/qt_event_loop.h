#pragma once

#include "event_loop.h"

#include <QList>
#include <QPointer>

class QEventLoop;

namespace tidewick {

// The Qt event loop, with the program's end as a one-way switch that every waiting handler sees.
class QtEventLoop final : public EventLoop {
public:
    bool processPendingEvents() override;
    bool waitFor(long long ms) override;
    bool programEnded() const override { return m_ended; }

    // Runs a local event loop until it quits or the program ends; false once the program has ended.
    bool run(QEventLoop &loop);

    // Leaves every local loop under way; handlers waiting in one return and must stop. Leaving
    // the application's own loop is the caller's business.
    void endProgram();

private:
    bool m_ended = false;
    QList<QPointer<QEventLoop>> m_running;
};

} // namespace tidewick
