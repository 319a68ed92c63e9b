#include "word_matcher.h"

#include "text_folding.h"

#include <algorithm>

namespace tidewick {

namespace {

using Entry = WordAutomaton::Entry;

bool isAsciiDigit(QChar c)
{
    return WordAutomaton::isAsciiDigit(c.unicode());
}

QString withoutAsciiDigits(QString text)
{
    text.removeIf(isAsciiDigit);
    return text;
}

// The first of two word indexes in list order; kNoMatch only when both are.
int earlier(int a, int b)
{
    if (a == WordMatcher::kNoMatch || b == WordMatcher::kNoMatch)
        return std::max(a, b);
    return std::min(a, b);
}

// A character that normalisation removes from every link text, named as the moderator sees it.
QString removedCharacter(QStringView text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (!WordAutomaton::isLatin1Separator(c))
            continue;
        return c == u' ' ? QStringLiteral("空格") : QStringLiteral("“%1”").arg(ch);
    }
    return {};
}

} // namespace

QString whyNeverMatches(const QString &entry)
{
    QStringView text(entry);
    if (WordMatcher::isException(text))
        text = text.sliced(1);
    if (WordMatcher::isLoose(text)) {
        return foldText(text.sliced(1)).isEmpty()
            ? QStringLiteral("“%1”永远不会命中：宽松词条去掉符号、空白和标点后什么也不剩。").arg(entry)
            : QString();
    }
    if (text.isEmpty())
        return QStringLiteral("“%1”永远不会命中：词条是空的。").arg(entry);
    const QString removed = removedCharacter(text);
    return removed.isEmpty()
        ? QString()
        : QStringLiteral("“%1”永远不会命中：帖子标题里的%2在比对前会被去掉。可改用以 ~ 开头的宽松词条。")
              .arg(entry, removed);
}

WordMatcher::Form::Form(const QList<Entry> &entries)
    : first(entries)
{
    const bool digitInException = std::any_of(entries.cbegin(), entries.cend(), [](const Entry &entry) {
        return entry.word == WordAutomaton::kException
            && std::any_of(entry.text.cbegin(), entry.text.cend(), isAsciiDigit);
    });
    if (!digitInException || first.isEmpty())
        return;
    QList<Entry> digitFree = entries;
    for (Entry &entry : digitFree) {
        if (entry.word == WordAutomaton::kException)
            entry.text = withoutAsciiDigits(entry.text);
    }
    second.emplace(digitFree);
}

WordMatcher::WordMatcher(const QStringList &entries)
{
    QList<Entry> plain;
    QList<Entry> loose;
    const bool anyLoose = std::any_of(entries.cbegin(), entries.cend(), isLoose);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        const auto index = static_cast<int>(i);
        if (isException(entry)) {
            plain.append({entry.mid(1), WordAutomaton::kException});
            if (anyLoose)
                loose.append({foldText(QStringView(entry).sliced(1)), WordAutomaton::kException});
        } else if (isLoose(entry)) {
            loose.append({foldText(QStringView(entry).sliced(1)), index});
        } else {
            plain.append({entry, index});
        }
    }
    m_plain = Form(plain);
    m_loose = Form(loose);
}

WordAutomaton::Found WordMatcher::looseMatch(const QString &rawLinkText) const
{
    return m_loose.first.firstWords(foldText(rawLinkText), false, m_loose.secondPass());
}

int WordMatcher::matchingWord(const QString &rawLinkText) const
{
    if (isEmpty())
        return kNoMatch;
    WordAutomaton::Found loose;
    if (!m_loose.first.isEmpty())
        loose = m_looseMatches.get(rawLinkText, [this](const QString &text) { return looseMatch(text); });
    const WordAutomaton::Found plain = m_plain.first.firstWords(rawLinkText, true, m_plain.secondPass());
    const int found = earlier(plain.first, loose.first);
    return found != kNoMatch ? found : earlier(plain.second, loose.second);
}

} // namespace tidewick
