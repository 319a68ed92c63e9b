// End-to-end figures of the watch loop with the real web engine against the local board service:
// scan latency (board load finished to topic navigation started), time from a forbidden topic
// being posted to its deletion, and a burst of forbidden topics among innocent ones, with the
// ban option off and on. Prints a table; run it by hand: build/default/bench/loop_bench.
// "loop_bench quick" measures with the ban option off only; "loop_bench stress [N]" opens N (300) forbidden topics one
// after another with both cores busy; "loop_bench real" measures at a real board's pace over https;
// "loop_bench wave" clears a spam wave of 20 forbidden topics on a board of 200 at that pace.
#include "board_service_process.h"
#include "tool_usage.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

using namespace tidewick;

namespace {

const QString kBoard = QStringLiteral("bench");

// Sleeps in the event loop between looks: processing events with a time bound returns at once
// when none is pending, and so would spin and count a core's worth of CPU against the tool.
void waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < timeoutMs) {
        QEventLoop pause;
        QTimer::singleShot(20, &pause, &QEventLoop::quit);
        pause.exec();
    }
}

QStringList wordList(int count)
{
    QStringList words{QStringLiteral("代开")};
    for (int i = 1; i < count; ++i)
        words.append(QStringLiteral("禁词%1号").arg(i));
    return words;
}

void report(const char *what, QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    if (samples.isEmpty()) {
        std::printf("%-58s no samples\n", what);
        return;
    }
    std::printf("%-58s n=%-3lld median %7.1f ms   worst %7.1f ms\n", what, static_cast<long long>(samples.size()),
        samples[samples.size() / 2], samples.last());
}

struct Bench {
    BoardServiceProcess service;
    std::unique_ptr<WindowFixture> window;

    bool deleted(int id) { return service.topic(id)[QStringLiteral("deleted")].toBool(); }

    // The service at the host given, or at its own origin.
    void open(bool ban, const QString &plainHost = QString())
    {
        AppOptions options;
        options.boardOrigin = QUrl(plainHost.isEmpty() ? service.origin() : QStringLiteral("http://") + plainHost);
        options.portalUrl = options.boardOrigin.toString() + QStringLiteral("/login?user=bench&remember=1");
        window = std::make_unique<WindowFixture>(options, wordList(1000));
        window->window->startUp();
        waitUntil([] { return false; }, 1500);
        window->control<QCheckBox>("Check1")->setChecked(ban);
        window->control<QLineEdit>("Text1")->setText(kBoard);
        window->control<QPushButton>("Command1")->click();
        waitUntil([] { return false; }, 1000);
    }

    // Posting to deletion, one topic at a time while the watch runs.
    QList<double> deletionLatency(int samples)
    {
        QList<double> ms;
        for (int i = 0; i < samples; ++i) {
            const int id = service.post(kBoard, QStringLiteral("低价代开发票%1").arg(i), QStringLiteral("p%1").arg(i));
            waitUntil([&] { return deleted(id); }, 30000);
            const QJsonObject t = service.topic(id);
            if (t[QStringLiteral("deleted")].toBool())
                ms.append(t[QStringLiteral("deletedMs")].toDouble() - t[QStringLiteral("createdMs")].toDouble());
        }
        return ms;
    }

    void burst(int forbidden, int innocent)
    {
        window->control<QPushButton>("Command2")->click();
        QList<int> bad;
        QList<int> good;
        for (int i = 0; i < innocent + forbidden; ++i) {
            if (i % ((innocent + forbidden) / forbidden) == 0 && bad.size() < forbidden)
                bad << service.post(kBoard, QStringLiteral("代 开%1").arg(i), QStringLiteral("b%1").arg(i));
            else
                good << service.post(kBoard, QStringLiteral("晚霞%1").arg(i), QStringLiteral("g%1").arg(i));
        }
        QElapsedTimer elapsed;
        elapsed.start();
        window->control<QPushButton>("Command1")->click();
        waitUntil([&] { return std::all_of(bad.begin(), bad.end(), [&](int id) { return deleted(id); }); }, 600000);
        const double seconds = elapsed.elapsed() / 1000.0;
        const int done = static_cast<int>(std::count_if(bad.begin(), bad.end(), [&](int id) { return deleted(id); }));
        const int wrong
            = static_cast<int>(std::count_if(good.begin(), good.end(), [&](int id) { return deleted(id); }));
        std::printf(
            "burst of %d forbidden among %d innocent: %d deleted in %.1f s (%.2f topics/s), innocent deleted: %d\n",
            forbidden, innocent, done, seconds, done / seconds, wrong);
    }
};

// Forbidden topics opened one after another while two busy processes load both cores: every
// opened topic must be acted on. A topic opened without its sequence acting stays undeleted
// although its page loaded.
void stress(Bench &bench, int topics)
{
    QList<QProcess *> burners;
    for (int i = 0; i < 2; ++i) {
        burners.append(new QProcess);
        burners.last()->start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
    }
    int neverActedOn = 0;
    QList<double> ms;
    for (int i = 0; i < topics; ++i) {
        const int id = bench.service.post(kBoard, QStringLiteral("代开发票%1").arg(i), QStringLiteral("s%1").arg(i));
        waitUntil([&] { return bench.deleted(id); }, 15000);
        const QJsonObject t = bench.service.topic(id);
        if (t[QStringLiteral("deleted")].toBool())
            ms.append(t[QStringLiteral("deletedMs")].toDouble() - t[QStringLiteral("createdMs")].toDouble());
        else if (t[QStringLiteral("pageLoads")].toInt() > 0)
            ++neverActedOn;
    }
    for (QProcess *burner : burners) {
        burner->kill();
        burner->waitForFinished();
        delete burner;
    }
    report("under load: posted -> deleted", ms);
    std::printf("under load: %d topics, %lld deleted, %d opened without the sequence acting\n", topics,
        static_cast<long long>(ms.size()), neverActedOn);
}

// Board load finished to topic navigation started, on a page of 200 links against 1,000 words.
void scanLatency(Bench &bench, int samples)
{
    bench.service.setFaults(QStringLiteral("boardExtraLinks=190"));
    auto *board = bench.window->control<QWebEngineView>("WebBrowser1");
    auto *topic = bench.window->control<QWebEngineView>("WebBrowser2");
    QElapsedTimer clock;
    clock.start();
    qint64 lastBoardLoad = 0;
    QList<double> ms;
    QObject scope; // the connections end with this function
    QObject::connect(board, &QWebEngineView::loadFinished, &scope, [&] { lastBoardLoad = clock.nsecsElapsed(); });
    QObject::connect(topic, &QWebEngineView::loadStarted, &scope, [&] {
        if (topic->url().path().startsWith(u"/p/"))
            ms.append((clock.nsecsElapsed() - lastBoardLoad) / 1e6);
    });
    bench.deletionLatency(samples);
    report("scan: board load finished -> topic navigation (200 links)", ms);
    bench.service.setFaults(QString());
}

// A real board's pace over https, the plain address upgraded: 50 innocent topics, board pages of
// 300 KiB after 1 s, topic pages after 0.5 s. Posted -> deleted, and the tool's CPU time (with its web engine
// processes) per board cycle, with the list in the page as served and built by script.
int realBoard(const QString &certFolder)
{
    Bench bench;
    if (!bench.service.startHttps(certFolder, true))
        return 1;
    for (int i = 0; i < 50; ++i) // a board is never empty
        bench.service.post(kBoard, QStringLiteral("晚霞%1").arg(i), QStringLiteral("g%1").arg(i));
    bench.open(false, bench.service.plainHost());
    for (const bool byScript : {false, true}) {
        bench.service.setFaults(QStringLiteral("boardDelayMs=1000&boardPadKiB=300&topicDelayMs=500")
            + (byScript ? QStringLiteral("&scriptListMs=800") : QString()));
        const char *list = byScript ? "list built by script" : "list served";
        bench.window->control<QPushButton>("Command1")->click(); // a board served otherwise: started anew
        waitUntil([] { return false; }, 5000); // the probe for a late list
        const double cpuBefore = toolUsage(bench.service.pid()).cpuSeconds;
        const int loadsBefore = bench.service.pageLoads(QStringLiteral("board"));
        waitUntil([] { return false; }, 30000);
        const int loads = bench.service.pageLoads(QStringLiteral("board")) - loadsBefore;
        std::printf("https, %s: %d board cycles in 30 s, CPU per board cycle %.1f ms\n", list, loads,
            loads ? (toolUsage(bench.service.pid()).cpuSeconds - cpuBefore) * 1000 / loads : 0.0);
        report(byScript ? "https, list built by script: posted -> deleted" : "https, list served: posted -> deleted",
            bench.deletionLatency(20));
    }
    return 0;
}

// A spam wave: 20 forbidden topics posted at once among 180 innocent ones, the board answered
// after 1 s and topic pages after 0.5 s. From the posting to the last deletion, per topic.
void wave(bool ban)
{
    Bench bench;
    if (!bench.service.start())
        return;
    bench.service.setFaults(QStringLiteral("boardDelayMs=1000&topicDelayMs=500"));
    QList<int> innocent;
    for (int i = 0; i < 180; ++i)
        innocent << bench.service.post(kBoard, QStringLiteral("晚霞%1").arg(i), QStringLiteral("g%1").arg(i));
    bench.open(ban);
    waitUntil([] { return false; }, 5000); // the first list loads and the probe for a late list
    QElapsedTimer elapsed;
    elapsed.start();
    QList<int> forbidden;
    for (int i = 0; i < 20; ++i)
        forbidden << bench.service.post(kBoard, QStringLiteral("代 开%1").arg(i), QStringLiteral("b%1").arg(i));
    const auto allDeleted
        = [&] { return std::all_of(forbidden.begin(), forbidden.end(), [&](int id) { return bench.deleted(id); }); };
    waitUntil(allDeleted, 300000);
    const double seconds = elapsed.elapsed() / 1000.0;
    const auto count = [&](const QList<int> &ids) {
        return static_cast<int>(std::count_if(ids.begin(), ids.end(), [&](int id) { return bench.deleted(id); }));
    };
    std::printf("wave of 20 among 200, ban option %s: %d deleted in %.1f s (%.2f s a topic), innocent deleted: %d\n",
        ban ? "on" : "off", count(forbidden), seconds, seconds / 20, count(innocent));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "real") == 0) {
        // The test authority is trusted in a home of this run's, before the web engine starts.
        QTemporaryDir home;
        const QString certFolder = home.filePath(QStringLiteral("ca"));
        if (!BoardServiceProcess::makeTestCa(certFolder, home.path()))
            return 1;
        qputenv("HOME", QFile::encodeName(home.path()));
        QApplication app(argc, argv);
        return realBoard(certFolder);
    }
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "wave") == 0) {
        wave(false);
        wave(true);
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "stress") == 0) {
        Bench bench;
        if (!bench.service.start())
            return 1;
        bench.open(false);
        stress(bench, argc > 2 ? std::atoi(argv[2]) : 300);
        return 0;
    }
    // "quick": the ban option off only.
    const bool quick = argc > 1 && qstrcmp(argv[1], "quick") == 0;
    for (const bool ban : {false, true}) {
        if (ban && quick)
            break;
        Bench bench;
        if (!bench.service.start())
            return 1;
        bench.open(ban);
        if (!ban)
            scanLatency(bench, 20);
        report(ban ? "posted -> deleted, ban option on" : "posted -> deleted, ban option off",
            bench.deletionLatency(ban ? 10 : 20));
        if (ban)
            bench.burst(10, 100);
        else
            bench.burst(50, 500);
        bench.window->control<QPushButton>("Command2")->click();
        bench.window.reset();
    }
    return 0;
}
