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
    if (m_ended)
        return false;
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(std::clamp(ms, 0LL, static_cast<long long>(INT_MAX))),
        Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return !m_ended;
}

void QtEventLoop::endProgram()
{
    m_ended = true;
    QCoreApplication::exit(0);
}

} // namespace tidewick
