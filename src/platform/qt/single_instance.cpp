#include "single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tidewick {

SingleInstance::SingleInstance()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/tidewick.lock"));
    // Age alone never makes a lock stale; only a holder that is no longer running does.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    return m_lock->tryLock(0);
}

} // namespace tidewick
