// Soak run of the whole loop against the local board service: a topic posted every second (one in
// ten forbidden, one in five of those without a delete link), an error status on every 20th board
// load, topic pages delayed 0.8 s, a board page of the newest 50 topics. Reports every minute the
// resident memory and the CPU time of the tool with all its web engine processes, and at the end
// the deletions, the longest gap between board loads and the CPU time per board load.
// Usage: soak [minutes] (default 60).
#include "board_service_process.h"
#include "tool_usage.h"
#include "window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace tidewick;

namespace {

struct Posted {
    int count = 0;
    QList<int> forbidden;
    QList<int> forbiddenWithoutDelete;
    QList<int> innocent;
};

// Every tenth topic forbidden, every fifth of those without a delete link.
void postNext(BoardServiceProcess &service, Posted &posted)
{
    const int n = ++posted.count;
    if (n % 10 != 0) {
        posted.innocent.append(
            service.post(QStringLiteral("soak"), QStringLiteral("日常分享 %1").arg(n), QStringLiteral("n%1").arg(n)));
        return;
    }
    const bool noDelete = n % 50 == 0;
    const int id = service.post(
        QStringLiteral("soak"), QStringLiteral("兼职刷 单 %1").arg(n), QStringLiteral("s%1").arg(n), noDelete);
    (noDelete ? posted.forbiddenWithoutDelete : posted.forbidden).append(id);
}

// Prints the outcome; 0 when every forbidden topic went and no innocent one was touched.
int report(BoardServiceProcess &service, const Posted &posted)
{
    const Usage usage = toolUsage(service.pid());
    int deleted = 0, innocentTouched = 0;
    double worstMs = 0;
    for (const int id : posted.forbidden) {
        const QJsonObject t = service.topic(id);
        if (!t[QStringLiteral("deleted")].toBool())
            continue;
        ++deleted;
        worstMs
            = std::max(worstMs, t[QStringLiteral("deletedMs")].toDouble() - t[QStringLiteral("createdMs")].toDouble());
    }
    for (const int id : posted.innocent) {
        const QJsonObject t = service.topic(id);
        innocentTouched += t[QStringLiteral("deleted")].toBool() || t[QStringLiteral("pageLoads")].toInt() > 0;
    }
    const int loads = service.pageLoads(QStringLiteral("board"));
    std::printf("forbidden deleted: %d of %lld (worst posted -> deleted %.1f s); without a delete link (left "
                "standing): %lld; innocent opened or deleted: %d of %lld\n",
        deleted, static_cast<long long>(posted.forbidden.size()), worstMs / 1000,
        static_cast<long long>(posted.forbiddenWithoutDelete.size()), innocentTouched,
        static_cast<long long>(posted.innocent.size()));
    std::printf("board loads: %d, longest gap between board loads: %.1f s, CPU per board load: %.1f ms\n", loads,
        service.state()[QStringLiteral("maxBoardGapMs")].toDouble() / 1000,
        loads ? usage.cpuSeconds * 1000 / loads : 0.0);
    return deleted == posted.forbidden.size() && innocentTouched == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    BoardServiceProcess service;
    if (!service.start())
        return 1;
    service.setFaults(QStringLiteral("boardErrorEvery=20&topicDelayMs=800&boardPageSize=50"));

    AppOptions options;
    options.boardOrigin = QUrl(QStringLiteral("http://") + service.host());
    options.portalUrl = service.url(QStringLiteral("/login?user=soak&remember=1"));
    WindowFixture window(options, {QStringLiteral("代开"), QStringLiteral("刷单")});
    window.window->startUp();

    Posted posted;
    QTimer poster;
    QObject::connect(&poster, &QTimer::timeout, &app, [&] { postNext(service, posted); });
    QTimer::singleShot(2000, &app, [&] {
        window.control<QLineEdit>("Text1")->setText(QStringLiteral("soak"));
        window.control<QPushButton>("Command1")->click();
        poster.start(1000);
    });

    QElapsedTimer elapsed;
    elapsed.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        const Usage usage = toolUsage(service.pid());
        std::printf("minute %3lld: resident %5ld MB, CPU %7.1f s, board loads %6d, topics posted %5d\n",
            static_cast<long long>(qRound64(elapsed.elapsed() / 60000.0)), usage.residentMb, usage.cpuSeconds,
            service.pageLoads(QStringLiteral("board")), posted.count);
        std::fflush(stdout);
    });
    sampler.start(60000);
    QTimer::singleShot(minutes * 60000, &app, [&] { poster.stop(); });
    QTimer::singleShot(minutes * 60000 + 30000, &app, [&] { QCoreApplication::exit(0); });
    QApplication::exec();
    return report(service, posted);
}
