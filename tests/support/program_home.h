#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

// A copy of the program in a folder of its own, which also holds its per-user runtime, data and
// cache folders: its lock, word list and record are the test's. The copy's word list lies beside
// it, since its folder is writable.
struct ProgramHome {
    bool make()
    {
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), filePath(QStringLiteral("cache")));
        return QDir(folder.path()).mkdir(QStringLiteral("run"))
            && chmod(QFile::encodeName(filePath(QStringLiteral("run"))).constData(), 0700) == 0
            && QFile::copy(QStringLiteral(TIDEWICK_PATH), executable())
            && QFile::setPermissions(executable(), QFile::ExeOwner | QFile::ReadOwner);
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        process.setProcessEnvironment(env);
        process.start(executable(), arguments);
    }

    QString filePath(const QString &name) const { return folder.filePath(name); }
    QString executable() const { return filePath(QStringLiteral("tidewick")); }

    QTemporaryDir folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};
