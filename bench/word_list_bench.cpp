// Word-list load and save at the list's limit of 32,767 CJK words, and adding one word to a full
// file (sorted insert, atomic save and matcher rebuild).
#include "word_list.h"
#include "word_list_file.h"
#include "word_list_store.h"
#include "word_matcher.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

using namespace tidewick;

namespace {

QStringList cjkWords(int count)
{
    std::mt19937 random(3);
    QStringList list;
    for (int i = 0; i < count; ++i) {
        QString word;
        const int length = 2 + static_cast<int>(random() % 4);
        for (int j = 0; j < length; ++j)
            word.append(QChar(static_cast<char16_t>(0x4E00 + random() % 0x5000)));
        list.append(word);
    }
    return list;
}

struct StoreFixture {
    explicit StoreFixture(int words)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(encodeWordList(cjkWords(words)));
    }
    QTemporaryDir folder;
    QString path = wordListPath(folder.path());
};

void BM_LoadWordList(benchmark::State &state)
{
    StoreFixture f(WordList::kMaxEntries);
    for (auto _ : state) {
        WordList list(QLocale(QLocale::Chinese, QLocale::China));
        WordListStore store(list, f.path);
        store.LoadWordList();
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_LoadWordList)->Unit(benchmark::kMillisecond);

void BM_SaveWordList(benchmark::State &state)
{
    StoreFixture f(WordList::kMaxEntries);
    WordList list(QLocale(QLocale::Chinese, QLocale::China));
    WordListStore store(list, f.path);
    store.LoadWordList();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.SaveWordList());
}
BENCHMARK(BM_SaveWordList)->Unit(benchmark::kMillisecond);

void BM_AddWordToFullFile(benchmark::State &state)
{
    StoreFixture f(WordList::kMaxEntries - 1);
    WordList list(QLocale(QLocale::Chinese, QLocale::China));
    WordListStore store(list, f.path);
    store.LoadWordList();
    for (auto _ : state) {
        store.AddWord(QStringLiteral("新词"));
        benchmark::DoNotOptimize(WordMatcher(list.texts()));
        state.PauseTiming();
        list.removeAt(static_cast<int>(list.texts().indexOf(QStringLiteral("新词"))));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddWordToFullFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
