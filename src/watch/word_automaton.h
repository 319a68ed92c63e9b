#pragma once

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tidewick {

// Which of its words a text holds, case-insensitively, in one pass over the text: an
// Aho-Corasick automaton over upper-cased UTF-16 code units. An exception's occurrence takes back
// every word occurrence that lies wholly inside it; exceptions never match by themselves.
class WordAutomaton {
public:
    static constexpr int kNoMatch = -1;
    static constexpr int kException = -2;

    struct Entry {
        QString text;
        int word = kException; // the entry's index in the word list
    };

    // The first word of each pass over one text; the second pass reads the text without ASCII
    // digits. kNoMatch where a pass holds none, and in the second also where the first found a
    // word, since the second is then never asked.
    struct Found {
        int first = kNoMatch;
        int second = kNoMatch;
    };

    static bool isAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
    // What plain matching removes from every text: everything up to U+00FF but ASCII letters and digits.
    static bool isLatin1Separator(char16_t c) { return c <= 0xFF && !isAsciiDigit(c) && !isAsciiLetter(c); }

    WordAutomaton() = default;
    explicit WordAutomaton(const QList<Entry> &entries);

    // Both passes in one read of the text: this automaton reads the first, secondPass (this one,
    // or one of the same words whose exceptions lost their digits) the second. Each pass takes
    // the lowest word index among its occurrences that count. latin1Separators drops each
    // isLatin1Separator code unit, as plain entries are matched.
    Found firstWords(QStringView text, bool latin1Separators, const WordAutomaton &secondPass) const;

    bool isEmpty() const { return !m_hasWords; }

private:
    // What every code unit of a text needs, kept small: the scan of a page without a match
    // touches nothing else.
    struct Link {
        std::uint32_t fail = 0;
        bool hasOutput = false; // an entry ends here or down the fail chain
    };
    // What a node that ends entries adds, read only where one does.
    struct Output {
        std::uint32_t nextOutput = 0; // nearest node down the fail chain that ends an entry; 0: none
        std::int32_t word = kNoMatch; // lowest index of a word ending exactly here
        std::uint16_t depth = 0; // length of the text that leads here, capped
        bool endsException = false;
    };

    // A code unit as the automaton reads it: the number of its upper-case form; 0 for a form that
    // no entry holds.
    using Symbol = std::uint16_t;

    // Goto transitions of non-root nodes, open addressing keyed by (node, symbol).
    class TransitionTable {
    public:
        void reserve(std::size_t count);
        void insert(std::uint32_t node, Symbol symbol, std::uint32_t target);
        std::uint32_t find(std::uint32_t node, Symbol symbol) const; // 0 when absent
    private:
        std::size_t slotOf(std::uint64_t key) const;
        std::vector<std::uint64_t> m_keys;
        std::vector<std::uint32_t> m_targets;
        unsigned m_shift = 64;
    };

    // Each node's outgoing (symbol, target) pairs, kept only while building.
    using Children = std::vector<std::vector<std::pair<Symbol, std::uint32_t>>>;

    struct Pass;

    std::uint32_t addText(QStringView text, Children &children);
    void moveTo(Pass &pass, std::uint32_t next) const;
    void collectOutputs(Pass &pass) const;
    void linkFailures(const Children &children);
    std::uint32_t step(std::uint32_t state, Symbol c) const;

    std::vector<Link> m_links; // by node
    std::vector<Output> m_outputs; // by node
    std::vector<Symbol> m_symbolOf; // by code unit
    std::vector<std::uint32_t> m_rootNext; // by symbol; 0 keeps the root
    TransitionTable m_next;
    qsizetype m_longestException = 0;
    bool m_hasWords = false;
};

} // namespace tidewick
