#include "word_list_store.h"

#include "message_box.h"
#include "word_list.h"
#include "word_list_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tidewick {

namespace {

const QString kErrorTitle = QStringLiteral("发生错误");
const QString kDuplicateText = QStringLiteral("您输入的词汇已经存在！");

QString saveFailedText(const QString &path)
{
    return QStringLiteral("违规词汇库无法保存到文件：\n%1\n刚才的修改在程序重新启动后将会丢失。")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

WordListStore::WordListStore(WordList &list, QString path, MessageBox &messages)
    : m_list(list)
    , m_path(std::move(path))
    , m_messages(messages)
{
}

void WordListStore::LoadWordList()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_list.insertAll(decodeWordList(file));
}

WordListStore::AddOutcome WordListStore::AddWord(const QString &typed)
{
    if (typed.isEmpty())
        return AddOutcome::Ignored;
    if (m_list.containsExactly(typed)) {
        m_messages.showCritical(kDuplicateText, kErrorTitle);
        return AddOutcome::Duplicate;
    }
    if (m_list.insert(typed) < 0)
        return AddOutcome::Ignored;
    SaveWordList();
    return AddOutcome::Added;
}

void WordListStore::RemoveTickedWords()
{
    for (int i = m_list.count() - 1; i >= 0; --i) {
        if (m_list.isTicked(i))
            m_list.removeAt(i);
    }
    m_removeEnabled = false;
    SaveWordList();
}

bool WordListStore::SaveWordList()
{
    QSaveFile file(m_path);
    const bool saved
        = file.open(QIODevice::WriteOnly) && file.write(encodeWordList(m_list.texts())) >= 0 && file.commit();
    if (!saved)
        m_messages.showCritical(saveFailedText(m_path), kErrorTitle);
    return saved;
}

} // namespace tidewick
