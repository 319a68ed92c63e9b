#include "word_automaton.h"

#include <algorithm>
#include <array>
#include <queue>

namespace tidewick {

namespace {

constexpr std::uint64_t kEmptyKey = ~std::uint64_t{0};

// The simple upper-case form of every code unit, computed once.
const std::array<char16_t, 0x10000> &upperCaseTable()
{
    static const std::array<char16_t, 0x10000> table = [] {
        std::array<char16_t, 0x10000> upper{};
        for (char32_t c = 0; c < 0x10000; ++c)
            upper[c] = static_cast<char16_t>(QChar::toUpper(c));
        return upper;
    }();
    return table;
}

// Each code unit's symbol: the number of its upper-case form among the forms that the entries
// hold, counted from 1 in order of appearance; 0 where no entry holds the unit's form. Fewer than
// 65,536 forms exist, since some units share theirs.
std::vector<std::uint16_t> symbolsOf(const QList<WordAutomaton::Entry> &entries)
{
    const std::array<char16_t, 0x10000> &upper = upperCaseTable();
    std::vector<std::uint16_t> ofForm(0x10000, 0);
    std::uint16_t count = 0;
    for (const WordAutomaton::Entry &entry : entries) {
        for (const QChar ch : entry.text) {
            std::uint16_t &symbol = ofForm[upper[ch.unicode()]];
            if (symbol == 0)
                symbol = ++count;
        }
    }
    std::vector<std::uint16_t> ofUnit(0x10000);
    for (std::size_t c = 0; c < ofUnit.size(); ++c)
        ofUnit[c] = ofForm[upper[c]];
    return ofUnit;
}

std::uint64_t keyOf(std::uint32_t node, std::uint16_t symbol)
{
    return (std::uint64_t{node} << 16) | symbol;
}

} // namespace

void WordAutomaton::TransitionTable::reserve(std::size_t count)
{
    std::size_t capacity = 16;
    unsigned bits = 4;
    while (capacity < count * 2) {
        capacity *= 2;
        ++bits;
    }
    m_keys.assign(capacity, kEmptyKey);
    m_targets.assign(capacity, 0);
    m_shift = 64 - bits;
}

inline std::size_t WordAutomaton::TransitionTable::slotOf(std::uint64_t key) const
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> m_shift);
}

void WordAutomaton::TransitionTable::insert(std::uint32_t node, Symbol symbol, std::uint32_t target)
{
    const std::uint64_t key = keyOf(node, symbol);
    const std::size_t mask = m_keys.size() - 1;
    std::size_t slot = slotOf(key);
    while (m_keys[slot] != kEmptyKey)
        slot = (slot + 1) & mask;
    m_keys[slot] = key;
    m_targets[slot] = target;
}

inline std::uint32_t WordAutomaton::TransitionTable::find(std::uint32_t node, Symbol symbol) const
{
    if (m_keys.empty())
        return 0;
    const std::uint64_t key = keyOf(node, symbol);
    const std::size_t mask = m_keys.size() - 1;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask) {
        if (m_keys[slot] == key)
            return m_targets[slot];
        if (m_keys[slot] == kEmptyKey)
            return 0;
    }
}

WordAutomaton::WordAutomaton(const QList<Entry> &entries)
{
    if (std::none_of(entries.cbegin(), entries.cend(),
            [](const Entry &entry) { return entry.word != kException && !entry.text.isEmpty(); }))
        return; // matches nothing: spare the tables
    m_links.resize(1);
    m_outputs.resize(1);
    m_symbolOf = symbolsOf(entries);
    m_rootNext.assign(std::size_t{*std::max_element(m_symbolOf.cbegin(), m_symbolOf.cend())} + 1, 0);
    qsizetype codeUnits = 0;
    for (const Entry &entry : entries)
        codeUnits += entry.text.size();
    m_next.reserve(static_cast<std::size_t>(codeUnits));
    Children children(1);
    for (const Entry &entry : entries) {
        if (entry.text.isEmpty())
            continue;
        Output &end = m_outputs[addText(entry.text, children)];
        if (entry.word == kException) {
            end.endsException = true;
            m_longestException = std::max(m_longestException, entry.text.size());
        } else if (end.word == kNoMatch || entry.word < end.word) {
            end.word = static_cast<std::int32_t>(entry.word);
            m_hasWords = true;
        }
    }
    linkFailures(children);
}

std::uint32_t WordAutomaton::addText(QStringView text, Children &children)
{
    std::uint32_t node = 0;
    for (const QChar ch : text) {
        const Symbol c = m_symbolOf[ch.unicode()];
        std::uint32_t next = node == 0 ? m_rootNext[c] : m_next.find(node, c);
        if (next == 0) {
            next = static_cast<std::uint32_t>(m_links.size());
            m_links.emplace_back();
            m_outputs.emplace_back();
            m_outputs.back().depth
                = static_cast<std::uint16_t>(std::min<std::uint32_t>(m_outputs[node].depth + 1u, 0xFFFF));
            children.emplace_back();
            children[node].emplace_back(c, next);
            if (node == 0)
                m_rootNext[c] = next;
            else
                m_next.insert(node, c, next);
        }
        node = next;
    }
    return node;
}

// Breadth-first, so every node's failure target is final before its children need it.
void WordAutomaton::linkFailures(const Children &children)
{
    const auto endsEntry
        = [this](std::uint32_t n) { return m_outputs[n].word != kNoMatch || m_outputs[n].endsException; };
    std::queue<std::uint32_t> pending;
    for (const auto &[c, child] : children[0]) {
        m_links[child].hasOutput = endsEntry(child);
        pending.push(child);
    }
    while (!pending.empty()) {
        const std::uint32_t node = pending.front();
        pending.pop();
        for (const auto &[c, child] : children[node]) {
            const std::uint32_t fail = step(m_links[node].fail, c);
            m_links[child].fail = fail;
            m_outputs[child].nextOutput = endsEntry(fail) ? fail : m_outputs[fail].nextOutput;
            m_links[child].hasOutput = endsEntry(child) || m_outputs[child].nextOutput != 0;
            pending.push(child);
        }
    }
}

// The helpers of the scan loop are inline, so that the compiler can fold them into it: a page of
// titles spends its time there.
inline std::uint32_t WordAutomaton::step(std::uint32_t state, Symbol c) const
{
    if (c == 0)
        return 0; // no entry holds it: every partial match ends here
    while (state != 0) {
        if (const std::uint32_t next = m_next.find(state, c))
            return next;
        state = m_links[state].fail;
    }
    return m_rootNext[c];
}

// Where one pass stands in the text as it reads it, the word occurrences found so far, and the
// first word among those that count.
struct WordAutomaton::Pass {
    struct Occurrence {
        qsizetype start;
        std::int32_t word;
    };

    void count(std::int32_t word)
    {
        if (best == kNoMatch || word < best)
            best = word;
    }

    std::uint32_t state = 0;
    qsizetype position = -1; // in the text as this pass reads it
    std::vector<Occurrence> uncovered; // words that an exception may still cover
    std::int32_t best = kNoMatch;
};

// Code units that end no entry, while no occurrence waits to be settled, cost only the step.
inline void WordAutomaton::moveTo(Pass &pass, std::uint32_t next) const
{
    ++pass.position;
    pass.state = next;
    if (m_links[next].hasOutput || !pass.uncovered.empty())
        collectOutputs(pass);
}

// A word occurrence counts once no exception can still cover it: right away without exceptions,
// else once the text has moved past the reach of the longest exception that could start at or
// before it. Exceptions ending here take back the occurrences they cover.
void WordAutomaton::collectOutputs(Pass &pass) const
{
    const qsizetype position = pass.position;
    if (m_links[pass.state].hasOutput) {
        qsizetype exceptionStart = position + 1;
        for (std::uint32_t n = pass.state; n != 0; n = m_outputs[n].nextOutput) {
            const Output &node = m_outputs[n];
            const qsizetype start = position - node.depth + 1;
            if (node.endsException)
                exceptionStart = std::min(exceptionStart, start);
            if (node.word == kNoMatch)
                continue;
            if (m_longestException == 0)
                pass.count(node.word);
            else
                pass.uncovered.push_back({start, node.word});
        }
        std::erase_if(pass.uncovered, [&](const Pass::Occurrence &o) { return o.start >= exceptionStart; });
    }
    std::erase_if(pass.uncovered, [&](const Pass::Occurrence &o) {
        const bool settled = position - o.start + 1 >= m_longestException;
        if (settled)
            pass.count(o.word);
        return settled;
    });
}

// Reads the text in both forms at once, without building either. The second pass stands in the
// first one's state up to the first digit, and again soon after each, when it reads with the same
// automaton: one step then serves both.
WordAutomaton::Found WordAutomaton::firstWords(
    QStringView text, bool latin1Separators, const WordAutomaton &secondPass) const
{
    if (isEmpty())
        return {};
    const bool sameAutomaton = &secondPass == this;
    Pass first;
    Pass second;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (latin1Separators && isLatin1Separator(c))
            continue;
        const bool digit = isAsciiDigit(c);
        const std::uint32_t from = first.state;
        moveTo(first, step(from, m_symbolOf[c]));
        if (first.best == 0)
            return {0, kNoMatch};
        if (digit || first.best != kNoMatch)
            continue; // the second pass skips digits, and is never asked once the first has a word
        secondPass.moveTo(second,
            sameAutomaton && second.state == from ? first.state
                                                  : secondPass.step(second.state, secondPass.m_symbolOf[c]));
    }
    for (Pass *pass : {&first, &second}) {
        for (const Pass::Occurrence &o : pass->uncovered)
            pass->count(o.word);
    }
    return {first.best, first.best == kNoMatch ? second.best : kNoMatch};
}

} // namespace tidewick
