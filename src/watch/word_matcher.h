#pragma once

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tidewick {

// Says which entry of the word list a link text holds, case-insensitively, in one pass over the
// text (an Aho-Corasick automaton over upper-cased UTF-16 code units). Built once per change of
// the word list; empty entries match nothing.
//
// An entry that begins with "!" is an exception: an occurrence of a word that lies wholly inside
// an occurrence of the exception's text does not count. Exceptions never match by themselves.
class WordMatcher {
public:
    static constexpr int kNoMatch = -1;
    static constexpr QChar kExceptionMark = u'!';

    WordMatcher() = default;
    explicit WordMatcher(const QStringList &entries);

    static bool isException(QStringView entry) { return entry.startsWith(kExceptionMark); }

    // The index of the first entry, in list order, that occurs in the normalised link text (ASCII
    // letters and digits and everything above U+00FF kept) or, failing every entry there, in its
    // digit-free form; kNoMatch when none does.
    int matchingWord(QStringView rawLinkText) const;

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
    int passMatch(QStringView rawLinkText, bool skipDigits, bool *sawDigit) const;

    std::vector<Link> m_links; // by node
    std::vector<Output> m_outputs; // by node
    std::vector<std::uint32_t> m_rootNext; // indexed by code unit; 0 keeps the root
    std::vector<std::uint8_t> m_inSomeEntry; // indexed by code unit
    TransitionTable m_next;
    qsizetype m_longestException = 0;
    bool m_hasWords = false;
};

} // namespace tidewick
