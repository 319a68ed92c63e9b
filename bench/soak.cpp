// Soak run of the whole loop against the local board service: topics posted continuously (one in
// ten forbidden, some of those without a delete link), an error status on every 20th board load,
// slow topic pages, a board page of the newest 50 topics. Reports deletions, the longest gap between board loads and
// the resident memory of the tool with all its web engine processes. Usage: soak [minutes] (default 15).
#include "board_service_process.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

using namespace tidewick;

namespace {

long residentKb(int pid)
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

int parentOf(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toInt();
}

// The tool's own process and every process below it.
long treeResidentKb(int root)
{
    QList<int> tree{root};
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (bool grew = true; grew;) {
        grew = false;
        for (const QString &entry : all) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (isPid && !tree.contains(pid) && tree.contains(parentOf(pid))) {
                tree.append(pid);
                grew = true;
            }
        }
    }
    long total = 0;
    for (const int pid : tree)
        total += residentKb(pid);
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 15;
    BoardServiceProcess service;
    if (!service.start())
        return 1;
    service.setFaults(QStringLiteral("boardErrorEvery=20&topicDelayMs=800&boardPageSize=50"));

    AppOptions options;
    options.boardHost = service.host();
    options.portalUrl = service.url(QStringLiteral("/login?user=soak&remember=1"));
    WindowFixture window(options, {QStringLiteral("代开"), QStringLiteral("刷单")});
    window.window->startUp();

    QList<int> forbidden, forbiddenWithoutDelete, innocent;
    int posted = 0;
    QTimer poster;
    QObject::connect(&poster, &QTimer::timeout, &app, [&] {
        ++posted;
        if (posted % 10 == 0) {
            const bool noDelete = posted % 50 == 0;
            const int id = service.post(QStringLiteral("soak"), QStringLiteral("兼职刷 单 %1").arg(posted),
                QStringLiteral("s%1").arg(posted), noDelete);
            (noDelete ? forbiddenWithoutDelete : forbidden).append(id);
        } else {
            innocent.append(service.post(
                QStringLiteral("soak"), QStringLiteral("日常分享 %1").arg(posted), QStringLiteral("n%1").arg(posted)));
        }
    });
    QTimer::singleShot(2000, &app, [&] {
        window.control<QLineEdit>("Text1")->setText(QStringLiteral("soak"));
        window.control<QPushButton>("Command1")->click();
        poster.start(1000);
    });

    QElapsedTimer elapsed;
    elapsed.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        std::printf("minute %3lld: resident %6ld MB (tool and web engine processes), %d topics posted\n",
            static_cast<long long>(elapsed.elapsed() / 60000),
            treeResidentKb(QCoreApplication::applicationPid()) / 1024, posted);
        std::fflush(stdout);
    });
    sampler.start(60000);
    QTimer::singleShot(minutes * 60000, &app, [&] { poster.stop(); });
    QTimer::singleShot(minutes * 60000 + 30000, &app, [&] { QCoreApplication::exit(0); });
    QApplication::exec();

    int deleted = 0, innocentDeleted = 0;
    for (const int id : forbidden)
        deleted += service.topic(id)[QStringLiteral("deleted")].toBool();
    for (const int id : innocent)
        innocentDeleted += service.topic(id)[QStringLiteral("deleted")].toBool();
    const QJsonObject state = service.state();
    std::printf(
        "forbidden deleted: %d of %lld; without a delete link (left standing): %lld; innocent deleted: %d of %lld\n",
        deleted, static_cast<long long>(forbidden.size()), static_cast<long long>(forbiddenWithoutDelete.size()),
        innocentDeleted, static_cast<long long>(innocent.size()));
    std::printf("board loads: %d, longest gap between board loads: %.1f s\n",
        state[QStringLiteral("pageLoads")][QStringLiteral("board")].toInt(),
        state[QStringLiteral("maxBoardGapMs")].toDouble() / 1000);
    return deleted == forbidden.size() && innocentDeleted == 0 ? 0 : 1;
}
