#pragma once

// Resident memory and CPU time of this process and every process below it (the web engine's
// processes), for the benchmarks that run the whole loop.

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

namespace tidewick {

// The fields of /proc/PID/stat after the command name: state is field 0, the parent field 1.
inline QList<QByteArray> statFields(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

inline long residentKb(int pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// User and system time, own and of waited-for children, in seconds.
inline double cpuSeconds(int pid)
{
    const QList<QByteArray> f = statFields(pid);
    if (f.size() < 15)
        return 0;
    return (f[11].toDouble() + f[12].toDouble() + f[13].toDouble() + f[14].toDouble()) / sysconf(_SC_CLK_TCK);
}

// The tool's own process and every process below it.
inline QList<int> processTree(int root)
{
    QList<int> tree{root};
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (bool grew = true; grew;) {
        grew = false;
        for (const QString &entry : all) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (isPid && !tree.contains(pid) && tree.contains(statFields(pid).value(1).toInt())) {
                tree.append(pid);
                grew = true;
            }
        }
    }
    return tree;
}

struct Usage {
    long residentMb = 0;
    double cpuSeconds = 0;
};

// The board service is a child too, but it is the stand-in for the remote service: left out.
inline Usage toolUsage(int servicePid)
{
    Usage usage;
    long kb = 0;
    for (const int pid : processTree(QCoreApplication::applicationPid())) {
        if (pid == servicePid)
            continue;
        kb += residentKb(pid);
        usage.cpuSeconds += cpuSeconds(pid);
    }
    usage.residentMb = kb / 1024;
    return usage;
}

} // namespace tidewick
