#pragma once

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tidewick {

// Answers "does any word of the list occur in this text", case-insensitively, in one pass
// over the text (an Aho-Corasick automaton over upper-cased UTF-16 code units). Built once
// per change of the word list; empty words match nothing.
class WordMatcher {
public:
    WordMatcher() = default;
    explicit WordMatcher(const QStringList &words);

    // The two-pass link test: true when any word occurs, as WordMatches finds it, in the normalised
    // text or, failing that, in its digit-free form.
    bool linkMatches(QStringView rawLinkText) const;

    bool isEmpty() const { return m_nodes.size() <= 1; }

private:
    struct Node {
        std::uint32_t fail = 0;
        bool endsWord = false; // a word ends here or at a node of its fail chain
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

    void addWord(QStringView upperWord, Children &children);
    void linkFailures(const Children &children);
    std::uint32_t step(std::uint32_t state, char16_t c) const;
    bool passMatches(QStringView rawLinkText, bool skipDigits, bool *sawDigit) const;

    std::vector<Node> m_nodes;
    std::vector<std::uint32_t> m_rootNext; // indexed by code unit; 0 keeps the root
    std::vector<std::uint8_t> m_inSomeWord; // indexed by code unit
    TransitionTable m_next;
};

} // namespace tidewick
