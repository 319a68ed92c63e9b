#include "action_log.h"
#include "action_tracker.h"
#include "as_unprivileged_user.h"
#include "fakes.h"
#include "qt_printing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace tidewick;
using Outcome = ActionLog::Outcome;

namespace {

class ActionLogTest : public testing::Test {
protected:
    QString path() const { return folder.filePath(u"actions.sqlite"_s); }

    QList<Outcome> outcomes() const
    {
        QList<Outcome> result;
        for (const ActionLog::Entry &entry : log.page(QString(), 100))
            result.append(entry.outcome);
        return result;
    }

    QTemporaryDir folder;
    ActionLog log{path()};
    fakes::FakeClock clock;
    ActionTracker tracker{log, clock};
    const MatchedTopic topicA{u"版务"_s, u"http://board.test/p/1"_s, u"低价 代-开 发票"_s, u"代开"_s};
    const MatchedTopic topicB{u"版务"_s, u"http://board.test/p/2"_s, u"兼职刷单"_s, u"刷单"_s};
};

TEST_F(ActionLogTest, KeepsEveryColumnAndTheNewestFirstAcrossAReopen)
{
    ASSERT_EQ(log.open(), QString());
    clock.wallOffset = 1'765'000'000'000;
    tracker.topicOpened(1, topicA, true);
    tracker.banLinkClicked(1);
    tracker.banButtonClicked(1);
    tracker.finished(1, Outcome::DeleteClicked);
    tracker.topicLogged(topicB);

    ActionLog reopened(path());
    ASSERT_EQ(reopened.open(), QString());
    const QList<ActionLog::Entry> rows = reopened.page(QString(), 10);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].outcome, Outcome::Logged);
    EXPECT_FALSE(rows[0].banOption);
    const ActionLog::Entry &a = rows[1];
    EXPECT_EQ(a.board, topicA.board);
    EXPECT_EQ(a.address, topicA.address);
    EXPECT_EQ(a.linkText, topicA.linkText);
    EXPECT_EQ(a.word, topicA.word);
    EXPECT_EQ(a.outcome, Outcome::DeleteClicked);
    EXPECT_TRUE(a.banOption && a.banLinkClicked && a.banButtonClicked);
    EXPECT_EQ(a.openedAt, isoLocalTime(clock.wallMs()));
    EXPECT_TRUE(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"_s)
                    .match(a.openedAt)
                    .hasMatch())
        << a.openedAt.toStdString();
    EXPECT_EQ(QFile(path()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup), 0);
}

TEST_F(ActionLogTest, OutcomesFollowTheSequenceAndTheBoardListings)
{
    ASSERT_EQ(log.open(), QString());
    struct Case {
        const char *name;
        std::function<void()> steps;
        Outcome expected;
    };
    const QString board = topicA.board;
    const QStringList listingA{topicA.address, u"http://board.test/p/9"_s};
    const QStringList withoutA{u"http://board.test/p/9"_s};
    const auto deleteClicked = [&] { tracker.finished(1, Outcome::DeleteClicked); };
    const Case cases[] = {
        {"page without a delete link", [&] { tracker.finished(1, Outcome::NoDeleteLink); }, Outcome::NoDeleteLink},
        {"unreadable page", [&] { tracker.finished(1, Outcome::Unreadable); }, Outcome::Unreadable},
        {"superseded", [&] { tracker.finished(1, Outcome::Superseded); }, Outcome::Superseded},
        {"gone from two listings in a row",
            [&] {
                deleteClicked();
                tracker.boardListRead(board, listingA);
                tracker.boardListRead(board, withoutA);
                tracker.boardListRead(board, withoutA);
            },
            Outcome::Deleted},
        {"gone from one listing only",
            [&] {
                deleteClicked();
                tracker.boardListRead(board, withoutA);
                tracker.boardListRead(board, listingA);
                tracker.boardListRead(board, withoutA);
            },
            Outcome::DeleteClicked},
        {"an empty page of a busy service between two that lack it",
            [&] {
                deleteClicked();
                tracker.boardListRead(board, withoutA);
                tracker.boardListRead(board, {});
                tracker.boardListRead(board, withoutA);
            },
            Outcome::DeleteClicked},
        {"another board's listings",
            [&] {
                deleteClicked();
                tracker.boardListRead(u"摄影"_s, withoutA);
                tracker.boardListRead(u"摄影"_s, withoutA);
            },
            Outcome::DeleteClicked},
        {"still listed a minute after the click, a refused delete",
            [&] {
                deleteClicked();
                clock.now += ActionTracker::kConfirmWithinMs - 1;
                tracker.boardListRead(board, listingA);
                clock.now += 1;
                tracker.boardListRead(board, listingA);
                tracker.boardListRead(board, withoutA);
                tracker.boardListRead(board, withoutA);
            },
            Outcome::StillListed},
        {"a wall clock set back an hour does not stretch the minute",
            [&] {
                deleteClicked();
                clock.wallOffset -= 3'600'000;
                clock.now += ActionTracker::kConfirmWithinMs;
                tracker.boardListRead(board, listingA);
            },
            Outcome::StillListed},
        {"program ended", [&] { tracker.programEnded(); }, Outcome::Ended},
        {"another run's steps go elsewhere",
            [&] {
                tracker.finished(2, Outcome::NoDeleteLink);
                tracker.banLinkClicked(2);
                deleteClicked();
                tracker.finished(1, Outcome::NoDeleteLink);
            },
            Outcome::DeleteClicked},
    };
    for (const Case &c : cases) {
        tracker.topicOpened(1, topicA, false);
        c.steps();
        tracker.programEnded(); // closes whatever is left open before the next case
        const QList<ActionLog::Entry> rows = log.page(QString(), 3);
        const auto row = std::find_if(
            rows.cbegin(), rows.cend(), [&](const ActionLog::Entry &e) { return e.address == topicA.address; });
        ASSERT_NE(row, rows.cend()) << c.name;
        EXPECT_EQ(ActionLog::outcomeName(row->outcome), ActionLog::outcomeName(c.expected)) << c.name;
        EXPECT_FALSE(row->banLinkClicked) << c.name;
        clock.now += ActionTracker::kConfirmWithinMs;
        tracker.boardListRead(board, listingA); // settles what is left before the next case
    }
}

TEST_F(ActionLogTest, ACorruptFileIsKeptAsideAndANewOneStarted)
{
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    ASSERT_EQ(log.open(), QString());
    tracker.topicOpened(1, topicA, false);
    EXPECT_EQ(log.page(QString(), 10).size(), 1);
    const QStringList aside = QDir(folder.path()).entryList({u"actions.sqlite.corrupt-*"_s});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(4096, 'x'));
}

TEST_F(ActionLogTest, AFolderThatCannotBeWrittenLeavesTheLogClosedAndTheTrackerHarmless)
{
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    expectAsUnprivilegedUser([&] {
        const bool reported = !log.open().isEmpty() && !log.isOpen();
        tracker.topicOpened(1, topicA, true);
        tracker.finished(1, Outcome::DeleteClicked);
        tracker.boardListRead(topicA.board, {});
        return reported && log.page(QString(), 10).isEmpty();
    });
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
}

// A second connection to the same file, as another program would hold it.
class OtherConnection {
public:
    explicit OtherConnection(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, kName);
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherConnection()
    {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    bool exec(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        return query.exec(statement);
    }
    QVariant value(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        return query.exec(statement) && query.next() ? query.value(0) : QVariant();
    }

private:
    const QString kName = u"other"_s;
};

const QString kFirstReleaseTable = QStringLiteral(
    "CREATE TABLE actions (id INTEGER PRIMARY KEY, opened_at TEXT NOT NULL, board TEXT NOT NULL, address TEXT NOT "
    "NULL, link_text TEXT NOT NULL, word TEXT NOT NULL, outcome TEXT NOT NULL, ban_option INTEGER NOT NULL, "
    "ban_link_clicked INTEGER NOT NULL DEFAULT 0, ban_button_clicked INTEGER NOT NULL DEFAULT 0)");

QString insertRow(const QString &openedAt, const QString &title)
{
    return u"INSERT INTO actions (opened_at, board, address, link_text, word, outcome, ban_option) "
           "VALUES ('%1', 'b', 'http://board.test/p/1', '%2', 'w', 'deleted', 0)"_s.arg(openedAt, title);
}

ActionLog::Entry row(qint64 openedAtMs, const QString &board, const QString &title = QString())
{
    ActionLog::Entry entry;
    entry.openedAt = isoLocalTime(openedAtMs);
    entry.board = board;
    entry.linkText = title;
    entry.word = u"w"_s;
    return entry;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(ActionLogTest, AFileOfTheFirstReleaseIsMigratedWithItsRows)
{
    {
        OtherConnection first(path());
        ASSERT_TRUE(first.exec(kFirstReleaseTable));
        ASSERT_TRUE(first.exec(insertRow(u"2026-12-01T10:00:00+08:00"_s, u"代开"_s)));
    }
    ASSERT_EQ(log.open(), QString());
    ASSERT_EQ(log.page(QString(), 10).size(), 1);
    log.insert(row(0, u"b"_s));
    OtherConnection check(path());
    EXPECT_EQ(check.value(u"PRAGMA user_version"_s).toInt(), ActionLog::kSchemaVersion);
    EXPECT_EQ(check.value(u"SELECT count(*) FROM sqlite_master WHERE name = 'actions_by_time'"_s).toInt(), 1);
    EXPECT_EQ(check.value(u"SELECT count(*) FROM actions"_s).toInt(), 2);
}

// Only a file that is not a database is renamed aside; a newer one and a locked one are left
// exactly as they are.
TEST_F(ActionLogTest, ANewerOrLockedFileIsNeverRenamedOrRewritten)
{
    {
        OtherConnection newer(path());
        ASSERT_TRUE(newer.exec(kFirstReleaseTable));
        ASSERT_TRUE(newer.exec(u"PRAGMA user_version = %1"_s.arg(ActionLog::kSchemaVersion + 1)));
    }
    const QByteArray before = contents(path());
    EXPECT_NE(log.open(), QString());
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(log.insert({}), -1);
    EXPECT_EQ(contents(path()), before);

    ASSERT_TRUE(QFile::remove(path()));
    OtherConnection other(path());
    ASSERT_TRUE(other.exec(kFirstReleaseTable));
    ASSERT_TRUE(other.exec(u"BEGIN EXCLUSIVE"_s));
    EXPECT_NE(log.open(), QString());
    EXPECT_FALSE(log.isOpen());
    ASSERT_TRUE(other.exec(u"COMMIT"_s));
    EXPECT_EQ(log.open(), QString());
    EXPECT_TRUE(QDir(folder.path()).entryList({u"*.corrupt-*"_s}).isEmpty());
}

TEST_F(ActionLogTest, RetentionRemovesOnlyOlderRowsInBatches)
{
    ASSERT_EQ(log.open(), QString());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    constexpr qint64 kDay = 24 * 3600 * 1000;
    for (int i = 0; i < ActionLog::kRemovedPerBatch + 3; ++i)
        log.insert(row(now - 400 * kDay + i, u"old"_s));
    log.insert(row(now - 300 * kDay, u"recent"_s));
    log.insert(row(now, u"today"_s));

    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), ActionLog::kRemovedPerBatch);
    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), 3);
    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), 0);
    QStringList boards;
    for (const ActionLog::Entry &entry : log.page(QString(), 10))
        boards.append(entry.board);
    EXPECT_EQ(boards, (QStringList{u"today"_s, u"recent"_s}));
}

TEST_F(ActionLogTest, PagesFindTheSearchTextInWordOrTitleLiterallyWithinTheirIds)
{
    ASSERT_EQ(log.open(), QString());
    const QStringList titles{u"代开发票"_s, u"100% 真"_s, u"a_b"_s, u"aXb"_s, u"无关"_s};
    for (const QString &title : titles)
        log.insert(row(0, u"b"_s, title));
    const auto titlesOf = [](const QList<ActionLog::Entry> &entries) {
        QStringList found;
        for (const ActionLog::Entry &entry : entries)
            found.append(entry.linkText);
        return found;
    };
    EXPECT_EQ(titlesOf(log.page(u"A_b"_s, 10)), QStringList{u"a_b"_s}); // case-blind, yet no wildcard
    EXPECT_EQ(titlesOf(log.page(u"%"_s, 10)), QStringList{u"100% 真"_s});
    EXPECT_EQ(titlesOf(log.page(u"开发"_s, 10)), QStringList{u"代开发票"_s});
    EXPECT_EQ(log.page(u"W"_s, 10).size(), 5); // the word, case-blind
    const QList<ActionLog::Entry> first = log.page(QString(), 2);
    ASSERT_EQ(titlesOf(first), (QStringList{u"无关"_s, u"aXb"_s}));
    EXPECT_EQ(titlesOf(log.page(QString(), 2, first.last().id)), (QStringList{u"a_b"_s, u"100% 真"_s}));
    EXPECT_EQ(
        titlesOf(log.page(u"a"_s, ActionLog::kNoLimit, ActionLog::kNoId, first.last().id)), (QStringList{u"aXb"_s}));
}

struct CsvCase {
    const char *name;
    QString cell;
    QByteArray written;
};

class CsvCells : public testing::TestWithParam<CsvCase> { };

// Cells that a spreadsheet program would run as a formula are disarmed; everything else is
// written as it is shown.
TEST_P(CsvCells, AreQuotedAndDisarmedAsSpreadsheetsNeed)
{
    const QByteArray csv = toCsv({u"h"_s}, {{GetParam().cell}});
    EXPECT_EQ(csv, QByteArray("\xEF\xBB\xBFh\r\n") + GetParam().written + "\r\n") << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvCells,
    testing::Values(CsvCase{"plain", u"代开"_s, u"代开"_s.toUtf8()},
        CsvCase{"comma and quotes", u"代开,\"发票\"\n第二行"_s, u"\"代开,\"\"发票\"\"\n第二行\""_s.toUtf8()},
        CsvCase{"formula", u"=HYPERLINK(\"http://x\")"_s, QByteArray("\"'=HYPERLINK(\"\"http://x\"\")\"")},
        CsvCase{"plus", u"+1+1"_s, QByteArray("'+1+1")},
        CsvCase{"minus", u"-2+3+cmd|' /C calc'!A0"_s, QByteArray("'-2+3+cmd|' /C calc'!A0")},
        CsvCase{"at", u"@SUM(A1)"_s, QByteArray("'@SUM(A1)")}, CsvCase{"tab", u"\t=1"_s, QByteArray("'\t=1")},
        CsvCase{"carriage return", u"\r=1"_s, QByteArray("\"'\r=1\"")},
        CsvCase{"inner equals", u"a=1"_s, QByteArray("a=1")}, CsvCase{"space first", u" =1"_s, QByteArray(" =1")},
        CsvCase{"empty", QString(), QByteArray()}));

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the SQL driver plug-ins need an application
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
