#pragma once

#include <QCollator>
#include <QList>
#include <QObject>
#include <QStringList>

namespace tidewick {

// The forbidden words in ascending, case-insensitive collation order, each with a tick flag
// that is never stored. Entries that collate equal keep the order in which they came.
class WordList : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 32767;

    explicit WordList(const QLocale &locale = QLocale(), QObject *parent = nullptr);

    int count() const { return static_cast<int>(m_entries.size()); }
    bool isFull() const { return count() >= kMaxEntries; }
    const QString &text(int index) const { return m_entries[index].text; }
    bool isTicked(int index) const { return m_entries[index].ticked; }
    void setTicked(int index, bool ticked);
    QStringList texts() const;
    bool containsExactly(const QString &text) const;

    // Inserts unticked at its sorted place and returns its index; -1 when the list is full.
    int insert(const QString &text);
    // Inserts many at once, as inserting each in turn would, up to the list's limit.
    void insertAll(const QStringList &texts);
    void removeAt(int index);

Q_SIGNALS:
    void entryInserted(int index);
    void entryRemoved(int index);
    void entriesReset();

private:
    struct Entry {
        QString text;
        QCollatorSortKey key;
        bool ticked = false;
    };

    Entry makeEntry(const QString &text) const;

    QCollator m_collator;
    QList<Entry> m_entries;
};

} // namespace tidewick
