#include "as_unprivileged_user.h"
#include "qt_printing.h"
#include "word_list_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace tidewick;

namespace {

QStringList decode(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeWordList(buffer);
}

struct EncodeCase {
    const char *name;
    QStringList entries;
    QByteArray bytes;
};

class EncodeTable : public testing::TestWithParam<EncodeCase> { };

TEST_P(EncodeTable, WritesTheExactBytes)
{
    EXPECT_EQ(encodeWordList(GetParam().entries).toHex(' '), GetParam().bytes.toHex(' ')) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, EncodeTable,
    testing::Values(EncodeCase{"empty list", {}, QByteArray("0\r\n\r\n")},
        EncodeCase{"only entry empty", {QString()}, QByteArray("1\r\n\r\n")},
        EncodeCase{"two entries", {u"ab"_s, u"c"_s}, QByteArray("2\r\nab\r\nc\r\n")},
        EncodeCase{"CJK in GBK", {u"删除"_s}, QByteArray("1\r\n\xC9\xBE\xB3\xFD\r\n")},
        EncodeCase{"outside GBK", {u"a\u0E01b"_s}, QByteArray("1\r\na?b\r\n")},
        EncodeCase{"euro sign", {u"\u20AC"_s}, QByteArray("1\r\n\x80\r\n")},
        EncodeCase{"loose entry and exception beside it", {u"~代開"_s, u"!代开发"_s},
            QByteArray("2\r\n~\xB4\xFA\xE9\x5F\r\n!\xB4\xFA\xBF\xAA\xB7\xA2\r\n")}));

struct CountCase {
    const char *line;
    qint32 count;
};

class CountTable : public testing::TestWithParam<CountCase> { };

TEST_P(CountTable, ReadsTheCountLeniently)
{
    EXPECT_EQ(readCount(GetParam().line), GetParam().count) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Cases, CountTable,
    testing::Values(CountCase{"3", 3}, CountCase{"3abc", 3}, CountCase{"abc", 0}, CountCase{"", 0}, CountCase{"0", 0},
        CountCase{"-2", -2}, CountCase{" 1 2\t", 12}, CountCase{"2.5", 2}, CountCase{"3.5", 4}, CountCase{"2.51", 3},
        CountCase{"1e2", 100}, CountCase{"1E+1x", 10}, CountCase{"&H10", 16}, CountCase{"&h1F", 31},
        CountCase{"&O17", 15}, CountCase{"&Hz", 0}, CountCase{"+7", 7}, CountCase{".", 0}, CountCase{"4294967296", 0},
        CountCase{"2147483647", 2147483647}, CountCase{"1e999", 0}));

struct DecodeCase {
    const char *name;
    QByteArray bytes;
    QStringList entries;
};

class DecodeTable : public testing::TestWithParam<DecodeCase> { };

TEST_P(DecodeTable, LoadsWhatTheCountCovers)
{
    EXPECT_EQ(decode(GetParam().bytes), GetParam().entries) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeTable,
    testing::Values(DecodeCase{"empty file", QByteArray(), {}}, DecodeCase{"count 0", QByteArray("0\r\na\r\n"), {}},
        DecodeCase{"negative count", QByteArray("-1\r\na\r\n"), {}},
        DecodeCase{"3abc", QByteArray("3abc\r\na\r\nb\r\nc\r\nd\r\n"), {u"a"_s, u"b"_s, u"c"_s}},
        DecodeCase{"empty line counts but adds nothing", QByteArray("3\r\na\r\n\r\nb\r\nc\r\n"), {u"a"_s, u"b"_s}},
        DecodeCase{"truncated", QByteArray("5\r\na\r\nb"), {u"a"_s, u"b"_s}},
        DecodeCase{"huge count stops at the end", QByteArray("2147483647\r\na\r\n"), {u"a"_s}},
        DecodeCase{"lone LF inside a line", QByteArray("2\r\na\nb\r\nc\r\n"), {u"a\nb"_s, u"c"_s}},
        DecodeCase{"CR without LF", QByteArray("2\ra\rb"), {u"a"_s, u"b"_s}},
        DecodeCase{"duplicates stay", QByteArray("2\r\na\r\na\r\n"), {u"a"_s, u"a"_s}},
        DecodeCase{"GBK", QByteArray("1\r\n\xC9\xBE\xB3\xFD\r\n"), {u"删除"_s}},
        DecodeCase{"invalid GBK harms nothing around it", QByteArray("3\r\na\x81\r\n\x81 b\r\nc\r\n"),
            {u"a\uFFFD"_s, u"\uFFFD b"_s, u"c"_s}}));

TEST(WordListFile, ALargeCountLoadsNoMoreThanTheListHolds)
{
    QByteArray bytes("40000\r\n");
    for (int i = 0; i < 40000; ++i)
        bytes += "w\r\n";
    EXPECT_EQ(decode(bytes).size(), 32767);
}

TEST(WordListFile, RoundTripsAnyEncodableList)
{
    const QStringList entries{u"代开"_s, u"a b"_s, u"Ab\nc"_s, u"€"_s, u"~ｓｐａｍ"_s, u"!~代開發"_s, u"~~"_s, u"!"_s};
    EXPECT_EQ(decode(encodeWordList(entries)), entries);
}

TEST(WordListFile, LivesBesideAWritableExecutableElseInTheDataFolderUnlessGiven)
{
    QTemporaryDir root;
    const QString portable = root.filePath(u"portable"_s);
    const QString installed = root.filePath(u"usr-bin"_s);
    const QString data = root.filePath(u"data"_s);
    ASSERT_TRUE(QDir().mkpath(portable) && QDir().mkpath(installed));
    const QString given = u"/srv/lists/board.dat"_s;
    EXPECT_EQ(chooseWordListPath({}, portable, installed, data), portable + u"/data.dat"_s);
    EXPECT_EQ(chooseWordListPath({}, installed, installed, data), data + u"/data.dat"_s)
        << "the install folder, even where root could write to it";
    EXPECT_EQ(chooseWordListPath(given, portable, installed, data), given);
    EXPECT_EQ(chooseWordListPath(given, installed, installed, data), given);
    EXPECT_EQ(wordListPath(u"/"_s), u"/data.dat"_s) << "one separator";
}

TEST(WordListFile, AnUnwritableExecutableFolderSendsTheListToTheDataFolder)
{
    QTemporaryDir root;
    const QString locked = root.filePath(u"locked"_s);
    ASSERT_TRUE(QDir().mkpath(locked));
    ASSERT_EQ(chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0555), 0);
    const QString data = root.filePath(u"data"_s);
    expectAsUnprivilegedUser(
        [&] { return chooseWordListPath({}, locked, u"/usr/bin"_s, data) == data + u"/data.dat"_s; });
    chmod(QFile::encodeName(locked).constData(), 0755);
}

} // namespace
