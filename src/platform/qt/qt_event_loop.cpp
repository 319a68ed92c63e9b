#include "qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tidewick {

bool QtEventLoop::processPendingEvents()
{
    if (m_ended)
        return false;
    QCoreApplication::processEvents();
    return !m_ended;
}

bool QtEventLoop::waitFor(long long ms)
{
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(std::clamp(ms, 0LL, static_cast<long long>(INT_MAX))),
        Qt::PreciseTimer, &loop, &QEventLoop::quit);
    return run(loop);
}

bool QtEventLoop::run(QEventLoop &loop)
{
    if (m_ended)
        return false;
    m_running.append(&loop);
    loop.exec();
    m_running.removeAll(&loop);
    return !m_ended;
}

void QtEventLoop::endProgram()
{
    m_ended = true;
    for (const QPointer<QEventLoop> &loop : std::as_const(m_running)) {
        if (loop)
            loop->quit();
    }
}

} // namespace tidewick
