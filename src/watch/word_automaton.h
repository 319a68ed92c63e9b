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

    // What a pass drops from the text as it reads it.
    struct Reading {
        bool latin1Separators = false; // everything up to U+00FF but ASCII letters and digits
        bool asciiDigits = false;
    };

    static bool isAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

    WordAutomaton() = default;
    explicit WordAutomaton(const QList<Entry> &entries);

    // The lowest word index among the occurrences that count; kNoMatch when none does. sawDigit,
    // when given, is set once the text holds an ASCII digit that the reading kept.
    int firstWord(QStringView text, Reading reading, bool *sawDigit) const;

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

    // Goto transitions of non-root nodes, open addressing keyed by (node, code unit).
    class TransitionTable {
    public:
        void reserve(std::size_t count);
        void insert(std::uint32_t node, char16_t c, std::uint32_t target);
        std::uint32_t find(std::uint32_t node, char16_t c) const; // 0 when absent
    private:
        std::size_t slotOf(std::uint64_t key) const;
        std::vector<std::uint64_t> m_keys;
        std::vector<std::uint32_t> m_targets;
        unsigned m_shift = 64;
    };

    // Each node's outgoing (code unit, target) pairs, kept only while building.
    using Children = std::vector<std::vector<std::pair<char16_t, std::uint32_t>>>;

    struct PassState;

    std::uint32_t addText(QStringView upperText, Children &children);
    void collectOutputs(std::uint32_t state, qsizetype position, PassState &pass) const;
    void linkFailures(const Children &children);
    std::uint32_t step(std::uint32_t state, char16_t c) const;

    std::vector<Link> m_links; // by node
    std::vector<Output> m_outputs; // by node
    std::vector<std::uint32_t> m_rootNext; // indexed by code unit; 0 keeps the root
    std::vector<std::uint8_t> m_inSomeEntry; // indexed by code unit
    TransitionTable m_next;
    qsizetype m_longestException = 0;
    bool m_hasWords = false;
};

} // namespace tidewick
