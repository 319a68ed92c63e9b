#include "fakes.h"
#include "qt_printing.h"
#include "word_list.h"
#include "word_list_file.h"
#include "word_list_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tidewick;
using namespace tidewick::fakes;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class WordListStoreTest : public testing::Test {
protected:
    QString path() const { return wordListPath(folder.path()); }

    QTemporaryDir folder;
    WordList list{QLocale(QLocale::English, QLocale::UnitedStates)};
    FakeMessageBox messages;
    WordListStore store{list, path(), messages};
};

TEST_F(WordListStoreTest, NothingToLoadLeavesTheListEmptyAndCreatesNoFile)
{
    store.LoadWordList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(QFile::exists(path()));

    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("data.dat")));
    store.LoadWordList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(WordListStoreTest, LoadsSortedCaseInsensitivelyKeepingTheOrderOfEquals)
{
    writeFile(path(), QByteArray("5\r\nb\r\nA\r\na\r\nB\r\nc\r\n"));
    store.LoadWordList();
    EXPECT_EQ(list.texts(),
        (QStringList{
            QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("c")}));
    list.insert(QStringLiteral("C"));
    EXPECT_EQ(list.text(5), QStringLiteral("C")) << "an added equal goes after the ones there";
}

TEST_F(WordListStoreTest, AddWordSavesOrRefuses)
{
    writeFile(path(), QByteArray("2\r\nb\r\na\r\n"));
    store.LoadWordList();

    EXPECT_EQ(store.AddWord(QStringLiteral("A")), WordListStore::AddOutcome::Added);
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nA\r\nb\r\n"));

    EXPECT_EQ(store.AddWord(QStringLiteral("a")), WordListStore::AddOutcome::Duplicate);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0], std::make_pair(QStringLiteral("您输入的词汇已经存在！"), QStringLiteral("发生错误")));

    EXPECT_EQ(store.AddWord(QString()), WordListStore::AddOutcome::Ignored);
    EXPECT_EQ(store.AddWord(QStringLiteral(" a")), WordListStore::AddOutcome::Added);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(store.removeEnabled()) << "adding leaves the remove button as it was";
}

TEST_F(WordListStoreTest, FullListTakesNoMoreWords)
{
    QStringList many;
    for (int i = 0; i < WordList::kMaxEntries; ++i)
        many.append(QString::number(i));
    list.insertAll(many);
    EXPECT_EQ(store.AddWord(QStringLiteral("new")), WordListStore::AddOutcome::Ignored);
    EXPECT_EQ(list.count(), WordList::kMaxEntries);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(WordListStoreTest, RemovesExactlyTheTickedEntries)
{
    writeFile(path(), QByteArray("5\r\na\r\nb\r\nc\r\nd\r\ne\r\n"));
    store.LoadWordList();
    list.setTicked(1, true);
    list.setTicked(3, true);
    store.RemoveTickedWords();
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nc\r\ne\r\n"));
    EXPECT_FALSE(store.removeEnabled());

    store.RemoveTickedWords();
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nc\r\ne\r\n")) << "removing nothing rewrites the same list";
    store.listClicked();
    EXPECT_TRUE(store.removeEnabled());

    for (int i = 0; i < list.count(); ++i)
        list.setTicked(i, true);
    store.RemoveTickedWords();
    EXPECT_EQ(readFile(path()), QByteArray("0\r\n\r\n"));
}

TEST_F(WordListStoreTest, FailedSaveIsReportedAndLeavesTheOldFileWhole)
{
    writeFile(path(), QByteArray("1\r\nold\r\n"));
    store.LoadWordList();
    // Root writes into read-only folders, so the attempt runs as an unprivileged user then.
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                std::_Exit(3);
            const bool saved = store.AddWord(QStringLiteral("new")) == WordListStore::AddOutcome::Added
                && messages.shown.size() == 1 && messages.shown[0].first.contains(path()) && list.count() == 2;
            std::_Exit(saved ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
    EXPECT_EQ(readFile(path()), QByteArray("1\r\nold\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("data.dat")});
}

} // namespace
