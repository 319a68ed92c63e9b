#include "word_list.h"

#include <algorithm>

namespace tidewick {

namespace {

bool ordersIgnoringCase(const QCollator &collator)
{
    const auto key = [&](const char16_t *text) { return collator.sortKey(QString::fromUtf16(text)); };
    return key(u"Spam").compare(key(u"spam")) == 0 && key(u"a").compare(key(u"B")) < 0
        && key(u"B").compare(key(u"c")) < 0;
}

// The locale's own collation where it ignores letter case; the C and POSIX locales order by code
// unit, so they fall back to a collation that does.
QCollator caseBlindCollator(const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    if (ordersIgnoringCase(collator))
        return collator;
    collator.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    return collator;
}

template <typename Entry> bool keyLess(const Entry &a, const Entry &b)
{
    return a.key.compare(b.key) < 0;
}

} // namespace

WordList::WordList(const QLocale &locale, QObject *parent)
    : QObject(parent)
    , m_collator(caseBlindCollator(locale))
{
}

WordList::Entry WordList::makeEntry(const QString &text) const
{
    return Entry{text, m_collator.sortKey(text), false};
}

void WordList::setTicked(int index, bool ticked)
{
    m_entries[index].ticked = ticked;
}

QStringList WordList::texts() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        result.append(entry.text);
    return result;
}

bool WordList::containsExactly(const QString &text) const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const Entry &e) { return e.text == text; });
}

int WordList::insert(const QString &text)
{
    if (isFull())
        return -1;
    Entry entry = makeEntry(text);
    const auto place = std::upper_bound(m_entries.begin(), m_entries.end(), entry, keyLess<Entry>);
    const int index = static_cast<int>(place - m_entries.begin());
    m_entries.insert(index, std::move(entry));
    Q_EMIT entryInserted(index);
    return index;
}

void WordList::insertAll(const QStringList &texts)
{
    const qsizetype room = kMaxEntries - m_entries.size();
    for (qsizetype i = 0; i < std::min(room, texts.size()); ++i)
        m_entries.append(makeEntry(texts[i]));
    // Stable: the sorted entries already here stay ahead of equal newcomers, which keep their order.
    std::stable_sort(m_entries.begin(), m_entries.end(), keyLess<Entry>);
    Q_EMIT entriesReset();
}

void WordList::removeAt(int index)
{
    m_entries.removeAt(index);
    Q_EMIT entryRemoved(index);
}

} // namespace tidewick
