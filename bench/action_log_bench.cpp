// The record at the size of years of use: 1,000,000 rows. How long the record window takes to
// open, to answer a search and to show a change, and the insert and update latencies on the
// window's thread (p50, p99, worst over 2,000 topics, each an insert and two updates).
#include "action_log.h"
#include "action_log_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace tidewick;

namespace {

constexpr int kRows = 1'000'000;

ActionLog *theRecord = nullptr;

ActionLog &record()
{
    return *theRecord;
}

// One file for every benchmark of the run, filled once through a connection of its own.
bool fill(ActionLog &log)
{
    if (!log.open().isEmpty())
        return false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filler"));
        db.setDatabaseName(log.path());
        db.open();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO actions (opened_at, board, address, link_text, word, outcome, "
                                      "ban_option) VALUES (?, '摄影', ?, ?, ?, 'deleted', 0)"));
        const qint64 start = QDateTime::currentMSecsSinceEpoch() - 300LL * 24 * 3600 * 1000;
        for (int i = 0; i < kRows; ++i) {
            insert.bindValue(0, isoLocalTime(start + i * 25'000LL));
            insert.bindValue(1, QStringLiteral("http://board.test/p/%1").arg(i));
            insert.bindValue(2, QStringLiteral("低价代开发票，加微信了解详情 %1 号").arg(i));
            insert.bindValue(3, i == 0 ? QStringLiteral("最早的词") : QStringLiteral("代开"));
            insert.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));
    return true;
}

void BM_OpenRecordWindow(benchmark::State &state)
{
    ActionLog &log = record();
    for (auto _ : state) {
        ActionLogWindow window(log);
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.findChild<QTableView *>()->model()->rowCount());
    }
}
BENCHMARK(BM_OpenRecordWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

// A word found only in the oldest row, one found nowhere, and one with Latin letters found
// nowhere (whose case is ignored): each reads every row.
void BM_SearchRecord(benchmark::State &state)
{
    ActionLog &log = record();
    ActionLogModel model(log);
    const QString search
        = QStringList{QStringLiteral("最早的词"), QStringLiteral("无此词"), QStringLiteral("NoSuchWord")}.at(
            static_cast<int>(state.range(0)));
    for (auto _ : state) {
        model.setSearch(search);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_SearchRecord)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

// A change shown in a table that holds many rows: the search finds only the oldest row (so the
// rows it holds span the whole record), or no search with 20,000 rows scrolled through.
void BM_RefreshAfterAChange(benchmark::State &state)
{
    ActionLog &log = record();
    ActionLogModel model(log);
    if (state.range(0) == 0)
        model.setSearch(QStringLiteral("最早的词"));
    while (state.range(0) == 1 && model.rowCount() < 20'000)
        model.fetchMore({});
    ActionLog::Entry entry;
    entry.board = QStringLiteral("摄影");
    entry.word = QStringLiteral("代开");
    for (auto _ : state) {
        state.PauseTiming();
        entry.openedAt = isoLocalTime(QDateTime::currentMSecsSinceEpoch());
        const qint64 id = log.insert(entry);
        log.setOutcome(id, ActionLog::Outcome::Deleted);
        state.ResumeTiming();
        model.refreshFrom(id);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_RefreshAfterAChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WriteLatency(benchmark::State &state)
{
    ActionLog &log = record();
    std::vector<double> microseconds;
    for (auto _ : state) {
        for (int i = 0; i < 2000; ++i) {
            QElapsedTimer timer;
            timer.start();
            ActionLog::Entry entry;
            entry.openedAt = isoLocalTime(QDateTime::currentMSecsSinceEpoch());
            entry.board = QStringLiteral("摄影");
            entry.address = QStringLiteral("http://board.test/p/new%1").arg(i);
            entry.linkText = QStringLiteral("新帖 %1").arg(i);
            entry.word = QStringLiteral("代开");
            const qint64 id = log.insert(entry);
            microseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000);
            for (const ActionLog::Outcome outcome : {ActionLog::Outcome::DeleteClicked, ActionLog::Outcome::Deleted}) {
                timer.restart();
                log.setOutcome(id, outcome);
                microseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000);
            }
        }
    }
    std::sort(microseconds.begin(), microseconds.end());
    const auto at
        = [&](double share) { return microseconds[static_cast<std::size_t>(share * (microseconds.size() - 1))]; };
    state.counters["p50_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = microseconds.back();
}
BENCHMARK(BM_WriteLatency)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir folder;
    ActionLog log(folder.filePath(QStringLiteral("actions.sqlite")));
    if (!fill(log))
        return 1;
    theRecord = &log;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
