#pragma once

#include "recent_texts.h"
#include "word_automaton.h"

#include <QStringList>
#include <QStringView>

#include <optional>

namespace tidewick {

// Says which entry of the word list a link text holds. Built once per change of the word list;
// entries with an empty text match nothing.
//
// A plain entry occurs in the normalised link text (ASCII letters and digits and everything
// above U+00FF kept), case-insensitively. An entry that begins with "~" is loose: the folded form
// of the text after the "~" occurs in the folded link text (see foldText), so one entry also
// catches the word's disguises. Either kind is tried in a first pass and, failing every entry
// there, in a second without ASCII digits; in each pass the first entry in list order wins.
//
// An entry that begins with "!" is an exception: an occurrence of a word that lies wholly inside
// an occurrence of the exception's text, in the same pass and the same form, does not count. In
// the second pass the exception's own digits are left out too. Exceptions never match by
// themselves.
class WordMatcher {
public:
    static constexpr int kNoMatch = WordAutomaton::kNoMatch;
    static constexpr QChar kExceptionMark = u'!';
    static constexpr QChar kLooseMark = u'~';

    WordMatcher() = default;
    explicit WordMatcher(const QStringList &entries);

    static bool isException(QStringView entry) { return entry.startsWith(kExceptionMark); }
    static bool isLoose(QStringView entry) { return entry.startsWith(kLooseMark); }

    // The index of the first entry, in list order, that the raw link text holds in the first
    // pass or, failing every entry there, in the second; kNoMatch when none does.
    int matchingWord(const QString &rawLinkText) const;

    bool isEmpty() const { return m_plain.first.isEmpty() && m_loose.first.isEmpty(); }

private:
    // The automata of one form: the second pass has its own only when an exception holds a digit.
    struct Form {
        Form() = default;
        explicit Form(const QList<WordAutomaton::Entry> &entries);
        const WordAutomaton &secondPass() const { return second ? *second : first; }

        WordAutomaton first;
        std::optional<WordAutomaton> second;
    };

    // What the loose entries make of one link text in each pass.
    WordAutomaton::Found looseMatch(const QString &rawLinkText) const;

    Form m_plain;
    Form m_loose;
    // Matching runs on one thread, the window's; the cache only saves folding and scanning again.
    mutable RecentTexts<WordAutomaton::Found> m_looseMatches;
};

// Why an entry can never match, in the window's language; empty when it can. A plain entry (or an
// exception's text) cannot when it holds a character that normalisation takes out of every link
// text: a space, punctuation, a Latin-1 letter such as é. A loose entry (or "!~" exception)
// cannot when nothing of its word is left once folded.
QString whyNeverMatches(const QString &entry);

} // namespace tidewick
