// The board scan's matching cost: one page of 1,000 link texts (20 to 60 code units, CJK mixed
// with ASCII) that holds no forbidden word, against 100, 1,000 and 10,000 words, against 10,000
// entries of which 1,000 are exceptions, and against 10,000 of which half are loose. Also the
// folding cost per link and the memory of the folded-word automaton.
#include "literal_matching.h"
#include "text_folding.h"
#include "word_matcher.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <random>
#include <vector>

using namespace tidewick;

namespace {

QChar pick(std::mt19937 &random, const QString &pool)
{
    return pool[static_cast<qsizetype>(random() % pool.size())];
}

const QString kLinkPool
    = QStringLiteral("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动"
                     "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.!?-【】");

QStringList pageTexts(unsigned seed = 7)
{
    std::mt19937 random(seed);
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

// Every second entry loose. The page is scanned again and again, as the board is reloaded, so
// what the loose entries make of each title comes from the cache after the first scan.
QStringList halfLoose(QStringList list)
{
    for (qsizetype i = 0; i < list.size(); i += 2)
        list[i].prepend(u'~');
    return list;
}

void BM_ScanPageWithLooseEntries(benchmark::State &state)
{
    const QStringList texts = pageTexts();
    const WordMatcher matcher(halfLoose(words(10000)));
    for (auto _ : state) {
        bool any = false;
        for (const QString &text : texts)
            any = any || matcher.matchingWord(text) >= 0;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_ScanPageWithLooseEntries)->Unit(benchmark::kMicrosecond);

// The same, on pages whose every title is new: each is folded and scanned twice. One page a round,
// none seen before, so the rounds are as many as the pages.
constexpr int kNewPages = 50;

void BM_ScanNewPageWithLooseEntries(benchmark::State &state)
{
    std::vector<QStringList> pages;
    for (int i = 0; i < kNewPages; ++i)
        pages.push_back(pageTexts(100 + i));
    const WordMatcher matcher(halfLoose(words(10000)));
    std::size_t page = 0;
    for (auto _ : state) {
        bool any = false;
        for (const QString &text : pages[page++])
            any = any || matcher.matchingWord(text) >= 0;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_ScanNewPageWithLooseEntries)->Unit(benchmark::kMicrosecond)->Iterations(kNewPages);

// Folding one link text that no cache has seen: the cost of a new title.
void BM_FoldLink(benchmark::State &state)
{
    const QStringList texts = pageTexts();
    foldText(texts[0]); // the tables are built once per process
    qsizetype i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(foldText(texts[i++ % texts.size()]));
}
BENCHMARK(BM_FoldLink)->Unit(benchmark::kNanosecond);

// Heap taken by a matcher of 5,000 loose entries alone: the folded-word automaton.
void BM_FoldedAutomatonMemory(benchmark::State &state)
{
    const QStringList list = halfLoose(words(10000));
    QStringList loose;
    for (const QString &entry : list) {
        if (entry.startsWith(u'~'))
            loose.append(entry);
    }
    foldText(loose[0]);
    double bytes = 0;
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        const WordMatcher matcher(loose);
        bytes = static_cast<double>(mallinfo2().uordblks - before);
        benchmark::DoNotOptimize(matcher);
    }
    state.counters["bytes"] = bytes;
}
BENCHMARK(BM_FoldedAutomatonMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

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
