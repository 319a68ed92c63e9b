#include "word_list_store.h"

#include "word_list.h"
#include "word_list_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tidewick {

WordListStore::WordListStore(WordList &list, QString path)
    : m_list(list)
    , m_path(std::move(path))
{
}

void WordListStore::LoadWordList()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_fileUnreadable = QFileInfo::exists(m_path);
        return;
    }
    m_list.insertAll(decodeWordList(file));
}

WordListStore::AddOutcome WordListStore::AddWord(const QString &typed)
{
    if (typed.isEmpty())
        return AddOutcome::Ignored;
    if (m_list.containsExactly(typed))
        return AddOutcome::Duplicate;
    if (m_list.insert(typed) < 0)
        return AddOutcome::Ignored;
    return SaveWordList() ? AddOutcome::Added : AddOutcome::AddedNotSaved;
}

bool WordListStore::RemoveTickedWords()
{
    for (int i = m_list.count() - 1; i >= 0; --i) {
        if (m_list.isTicked(i))
            m_list.removeAt(i);
    }
    return SaveWordList();
}

bool WordListStore::SaveWordList()
{
    if (m_fileUnreadable)
        return false;
    QSaveFile file(m_path);
    return file.open(QIODevice::WriteOnly) && file.write(encodeWordList(m_list.texts())) >= 0 && file.commit();
}

} // namespace tidewick
