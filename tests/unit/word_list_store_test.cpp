#include "as_unprivileged_user.h"
#include "qt_printing.h"
#include "word_list.h"
#include "word_list_file.h"
#include "word_list_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
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

    ASSERT_TRUE(QDir(folder.path()).mkdir(u"data.dat"_s));
    store.LoadWordList();
    EXPECT_EQ(list.count(), 0);
}

TEST_F(WordListStoreTest, LoadsSortedCaseInsensitivelyKeepingTheOrderOfEquals)
{
    writeFile(path(), QByteArray("5\r\nb\r\nA\r\na\r\nB\r\nc\r\n"));
    store.LoadWordList();
    EXPECT_EQ(list.texts(), (QStringList{u"A"_s, u"a"_s, u"b"_s, u"B"_s, u"c"_s}));
    list.insert(u"C"_s);
    EXPECT_EQ(list.text(5), u"C"_s) << "an added equal goes after the ones there";
}

// Desktops and containers often run with LANG=C.UTF-8, whose own collation orders by code unit.
TEST(WordListOrder, IgnoresLetterCaseInEveryLocale)
{
    for (const QLocale &locale :
        {QLocale::c(), QLocale(QLocale::Chinese, QLocale::China), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        WordList list(locale);
        list.insertAll({u"spam"_s, u"eggs"_s, u"ham"_s});
        list.insert(u"Spam"_s);
        list.insert(u"Eggs"_s);
        EXPECT_EQ(list.texts(), (QStringList{u"eggs"_s, u"Eggs"_s, u"ham"_s, u"spam"_s, u"Spam"_s}))
            << locale.name().toStdString();
    }
}

TEST_F(WordListStoreTest, AddWordSavesOrRefuses)
{
    writeFile(path(), QByteArray("2\r\nb\r\na\r\n"));
    store.LoadWordList();

    EXPECT_EQ(store.AddWord(u"A"_s), WordListStore::AddOutcome::Added);
    EXPECT_EQ(readFile(path()), QByteArray("3\r\na\r\nA\r\nb\r\n"));

    EXPECT_EQ(store.AddWord(u"a"_s), WordListStore::AddOutcome::Duplicate);

    EXPECT_EQ(store.AddWord(QString()), WordListStore::AddOutcome::Ignored);
    EXPECT_EQ(store.AddWord(u" a"_s), WordListStore::AddOutcome::Added);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(readFile(path()), QByteArray("4\r\n a\r\na\r\nA\r\nb\r\n"));
}

TEST_F(WordListStoreTest, FullListTakesNoMoreWords)
{
    QStringList many;
    for (int i = 0; i < WordList::kMaxEntries; ++i)
        many.append(QString::number(i));
    list.insertAll(many);
    EXPECT_EQ(store.AddWord(u"new"_s), WordListStore::AddOutcome::Ignored);
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
    expectAsUnprivilegedUser([&] {
        store.LoadWordList();
        return store.fileUnreadable() && store.AddWord(u"new"_s) == WordListStore::AddOutcome::AddedNotSaved
            && list.texts() == QStringList{u"new"_s} && !store.RemoveTickedWords();
    });
    chmod(QFile::encodeName(path()).constData(), 0644);
    EXPECT_EQ(readFile(path()), QByteArray("2\r\na\r\nb\r\n"));
}

TEST_F(WordListStoreTest, FailedSaveKeepsTheEditAndLeavesTheOldFileWhole)
{
    writeFile(path(), QByteArray("1\r\nold\r\n"));
    store.LoadWordList();
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    expectAsUnprivilegedUser(
        [&] { return store.AddWord(u"new"_s) == WordListStore::AddOutcome::AddedNotSaved && list.count() == 2; });
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
    EXPECT_EQ(readFile(path()), QByteArray("1\r\nold\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"data.dat"_s});
}

} // namespace
