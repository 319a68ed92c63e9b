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
    WordListStore store{list, path()};
};

TEST_F(WordListStoreTest, NothingToLoadLeavesTheListEmptyAndCreatesNoFile)
{
    store.LoadWordList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(QFile::exists(path()));

    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("data.dat")));
    store.LoadWordList();
    EXPECT_EQ(list.count(), 0);
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

// Desktops and containers often run with LANG=C.UTF-8, whose own collation orders by code unit.
TEST(WordListOrder, IgnoresLetterCaseInEveryLocale)
{
    for (const QLocale &locale :
        {QLocale::c(), QLocale(QLocale::Chinese, QLocale::China), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        WordList list(locale);
        list.insertAll({QStringLiteral("spam"), QStringLiteral("eggs"), QStringLiteral("ham")});
        list.insert(QStringLiteral("Spam"));
        list.insert(QStringLiteral("Eggs"));
        EXPECT_EQ(list.texts(),
            (QStringList{QStringLiteral("eggs"), QStringLiteral("Eggs"), QStringLiteral("ham"), QStringLiteral("spam"),
                QStringLiteral("Spam")}))
            << locale.name().toStdString();
    }
}

TEST_F(WordListStoreTest, AddWordSavesOrRefuses)
{
    writeFile(path(), QByteArray("2\r\nb\r\na\r\n"));
    store.LoadWordList();

    EXPECT_EQ(store.AddWord(QStringLiteral("A")), WordListStore::AddOutcome::Added);
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nA\r\nb\r\n"));

    EXPECT_EQ(store.AddWord(QStringLiteral("a")), WordListStore::AddOutcome::Duplicate);

    EXPECT_EQ(store.AddWord(QString()), WordListStore::AddOutcome::Ignored);
    EXPECT_EQ(store.AddWord(QStringLiteral(" a")), WordListStore::AddOutcome::Added);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(readFile(path()), QByteArray("4\r\n a\r\na\r\nA\r\nb\r\n"));
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
    EXPECT_TRUE(store.RemoveTickedWords());
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nc\r\ne\r\n"));

    QFile::remove(path());
    EXPECT_TRUE(store.RemoveTickedWords());
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nc\r\ne\r\n")) << "removing nothing rewrites the same list";

    for (int i = 0; i < list.count(); ++i)
        list.setTicked(i, true);
    store.RemoveTickedWords();
    EXPECT_EQ(readFile(path()), QByteArray("0\r\n\r\n"));
}

// A list that could not be read at start (here: a file the moderator's user may write but not
// read) is not replaced by the first edit, which would leave only the new word in it.
TEST_F(WordListStoreTest, AFileThatCouldNotBeReadIsNeverReplaced)
{
    writeFile(path(), QByteArray("2\r\na\r\nb\r\n"));
    ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0622), 0);
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                std::_Exit(3);
            store.LoadWordList();
            const bool refused = store.fileUnreadable()
                && store.AddWord(QStringLiteral("new")) == WordListStore::AddOutcome::AddedNotSaved
                && list.texts() == QStringList{QStringLiteral("new")} && !store.RemoveTickedWords();
            std::_Exit(refused ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    chmod(QFile::encodeName(path()).constData(), 0644);
    EXPECT_EQ(readFile(path()), QByteArray("2\r\na\r\nb\r\n"));
}

TEST_F(WordListStoreTest, FailedSaveKeepsTheEditAndLeavesTheOldFileWhole)
{
    writeFile(path(), QByteArray("1\r\nold\r\n"));
    store.LoadWordList();
    // Root writes into read-only folders, so the attempt runs as an unprivileged user then.
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                std::_Exit(3);
            const bool reported
                = store.AddWord(QStringLiteral("new")) == WordListStore::AddOutcome::AddedNotSaved && list.count() == 2;
            std::_Exit(reported ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
    EXPECT_EQ(readFile(path()), QByteArray("1\r\nold\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("data.dat")});
}

} // namespace
