// The board scan's matching cost: one page of 1,000 link texts (20 to 60 code units, CJK mixed
// with ASCII) that holds no forbidden word, against 100, 1,000 and 10,000 words, and against
// 10,000 entries of which 1,000 are exceptions.
#include "literal_matching.h"
#include "word_matcher.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace tidewick;

namespace {

QChar pick(std::mt19937 &random, const QString &pool)
{
    return pool[static_cast<qsizetype>(random() % pool.size())];
}

const QString kLinkPool
    = QStringLiteral("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动"
                     "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.!?-【】");

QStringList pageTexts()
{
    std::mt19937 random(7);
    QStringList texts;
    for (int i = 0; i < 1000; ++i) {
        QString text;
        const int length = 20 + static_cast<int>(random() % 41);
        for (int j = 0; j < length; ++j)
            text.append(pick(random, kLinkPool));
        texts.append(text);
    }
    return texts;
}

// Words share characters with the page but each ends in a character the page never holds.
QStringList words(int count)
{
    std::mt19937 random(11);
    const QString ending = QStringLiteral("禁违贩赌毒枪");
    QStringList list;
    for (int i = 0; i < count; ++i) {
        QString word;
        const int length = 1 + static_cast<int>(random() % 3);
        for (int j = 0; j < length; ++j)
            word.append(pick(random, kLinkPool.left(40)));
        word.append(pick(random, ending));
        list.append(word);
    }
    return list;
}

void BM_ScanPageWithMatcher(benchmark::State &state)
{
    const QStringList texts = pageTexts();
    const WordMatcher matcher(words(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        bool any = false;
        for (const QString &text : texts)
            any = any || matcher.matchingWord(text) >= 0;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_ScanPageWithMatcher)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same page against 10,000 entries of which 1,000 are exceptions, each a word of the list
// with a character more.
void BM_ScanPageWithExceptions(benchmark::State &state)
{
    const QStringList texts = pageTexts();
    QStringList list = words(10000);
    std::mt19937 random(13);
    for (int i = 0; i < 1000; ++i)
        list[i * 10 + 1] = QStringLiteral("!") + list[i * 10] + pick(random, kLinkPool);
    const WordMatcher matcher(list);
    for (auto _ : state) {
        bool any = false;
        for (const QString &text : texts)
            any = any || matcher.matchingWord(text) >= 0;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_ScanPageWithExceptions)->Unit(benchmark::kMicrosecond);

// The same page the literal way: every word against every text, in two passes.
void BM_ScanPageLiterally(benchmark::State &state)
{
    const QStringList texts = pageTexts();
    const QStringList list = words(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bool any = false;
        for (const QString &raw : texts)
            any = any || literalMatchingWord(list, raw) >= 0;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_ScanPageLiterally)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_BuildMatcher(benchmark::State &state)
{
    const QStringList list = words(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WordMatcher(list));
}
BENCHMARK(BM_BuildMatcher)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
