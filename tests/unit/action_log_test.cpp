#include "action_log.h"
#include "action_tracker.h"
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
#include <unistd.h>

using namespace tidewick;
using Outcome = ActionLog::Outcome;

namespace {

class ActionLogTest : public testing::Test {
protected:
    QString path() const { return folder.filePath(QStringLiteral("actions.sqlite")); }

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
    const MatchedTopic topicA{QStringLiteral("版务"), QStringLiteral("http://board.test/p/1"),
        QStringLiteral("低价 代-开 发票"), QStringLiteral("代开")};
    const MatchedTopic topicB{QStringLiteral("版务"), QStringLiteral("http://board.test/p/2"),
        QStringLiteral("兼职刷单"), QStringLiteral("刷单")};
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
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"))
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
    const QStringList listingA{topicA.address, QStringLiteral("http://board.test/p/9")};
    const QStringList withoutA{QStringLiteral("http://board.test/p/9")};
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
                tracker.boardListRead(QStringLiteral("摄影"), withoutA);
                tracker.boardListRead(QStringLiteral("摄影"), withoutA);
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
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("actions.sqlite.corrupt-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(4096, 'x'));
}

TEST_F(ActionLogTest, AFolderThatCannotBeWrittenLeavesTheLogClosedAndTheTrackerHarmless)
{
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    // Root writes into read-only folders, so the attempt runs as an unprivileged user then.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                std::_Exit(3);
            const bool reported = !log.open().isEmpty() && !log.isOpen();
            tracker.topicOpened(1, topicA, true);
            tracker.finished(1, Outcome::DeleteClicked);
            tracker.boardListRead(topicA.board, {});
            std::_Exit(reported && log.page(QString(), 10).isEmpty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
}

// A second connection to the same file, as another program would hold it.
class OtherConnection {
public:
    explicit OtherConnection(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
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
    const QString kName = QStringLiteral("other");
};

const QString kFirstReleaseTable = QStringLiteral(
    "CREATE TABLE actions (id INTEGER PRIMARY KEY, opened_at TEXT NOT NULL, board TEXT NOT NULL, address TEXT NOT "
    "NULL, link_text TEXT NOT NULL, word TEXT NOT NULL, outcome TEXT NOT NULL, ban_option INTEGER NOT NULL, "
    "ban_link_clicked INTEGER NOT NULL DEFAULT 0, ban_button_clicked INTEGER NOT NULL DEFAULT 0)");

QString insertRow(const QString &openedAt, const QString &title)
{
    return QStringLiteral("INSERT INTO actions (opened_at, board, address, link_text, word, outcome, ban_option) "
                          "VALUES ('%1', 'b', 'http://board.test/p/1', '%2', 'w', 'deleted', 0)")
        .arg(openedAt, title);
}

ActionLog::Entry row(qint64 openedAtMs, const QString &board, const QString &title = QString())
{
    ActionLog::Entry entry;
    entry.openedAt = isoLocalTime(openedAtMs);
    entry.board = board;
    entry.linkText = title;
    entry.word = QStringLiteral("w");
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
        ASSERT_TRUE(first.exec(insertRow(QStringLiteral("2026-12-01T10:00:00+08:00"), QStringLiteral("代开"))));
    }
    ASSERT_EQ(log.open(), QString());
    ASSERT_EQ(log.page(QString(), 10).size(), 1);
    log.insert(row(0, QStringLiteral("b")));
    OtherConnection check(path());
    EXPECT_EQ(check.value(QStringLiteral("PRAGMA user_version")).toInt(), ActionLog::kSchemaVersion);
    EXPECT_EQ(
        check.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'actions_by_time'")).toInt(), 1);
    EXPECT_EQ(check.value(QStringLiteral("SELECT count(*) FROM actions")).toInt(), 2);
}

// Only a file that is not a database is renamed aside; a newer one and a locked one are left
// exactly as they are.
TEST_F(ActionLogTest, ANewerOrLockedFileIsNeverRenamedOrRewritten)
{
    {
        OtherConnection newer(path());
        ASSERT_TRUE(newer.exec(kFirstReleaseTable));
        ASSERT_TRUE(newer.exec(QStringLiteral("PRAGMA user_version = %1").arg(ActionLog::kSchemaVersion + 1)));
    }
    const QByteArray before = contents(path());
    EXPECT_NE(log.open(), QString());
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(log.insert({}), -1);
    EXPECT_EQ(contents(path()), before);

    ASSERT_TRUE(QFile::remove(path()));
    OtherConnection other(path());
    ASSERT_TRUE(other.exec(kFirstReleaseTable));
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    EXPECT_NE(log.open(), QString());
    EXPECT_FALSE(log.isOpen());
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));
    EXPECT_EQ(log.open(), QString());
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.corrupt-*")}).isEmpty());
}

TEST_F(ActionLogTest, RetentionRemovesOnlyOlderRowsInBatches)
{
    ASSERT_EQ(log.open(), QString());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    constexpr qint64 kDay = 24 * 3600 * 1000;
    for (int i = 0; i < ActionLog::kRemovedPerBatch + 3; ++i)
        log.insert(row(now - 400 * kDay + i, QStringLiteral("old")));
    log.insert(row(now - 300 * kDay, QStringLiteral("recent")));
    log.insert(row(now, QStringLiteral("today")));

    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), ActionLog::kRemovedPerBatch);
    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), 3);
    EXPECT_EQ(log.removeOneBatchBefore(now - 365 * kDay), 0);
    QStringList boards;
    for (const ActionLog::Entry &entry : log.page(QString(), 10))
        boards.append(entry.board);
    EXPECT_EQ(boards, (QStringList{QStringLiteral("today"), QStringLiteral("recent")}));
}

TEST_F(ActionLogTest, PagesFindTheSearchTextInWordOrTitleLiterally)
{
    ASSERT_EQ(log.open(), QString());
    const QStringList titles{QStringLiteral("代开发票"), QStringLiteral("100% 真"), QStringLiteral("a_b"),
        QStringLiteral("aXb"), QStringLiteral("无关")};
    for (const QString &title : titles)
        log.insert(row(0, QStringLiteral("b"), title));
    const auto titlesOf = [](const QList<ActionLog::Entry> &entries) {
        QStringList found;
        for (const ActionLog::Entry &entry : entries)
            found.append(entry.linkText);
        return found;
    };
    EXPECT_EQ(titlesOf(log.page(QStringLiteral("_"), 10)), QStringList{QStringLiteral("a_b")});
    EXPECT_EQ(titlesOf(log.page(QStringLiteral("%"), 10)), QStringList{QStringLiteral("100% 真")});
    EXPECT_EQ(titlesOf(log.page(QStringLiteral("开发"), 10)), QStringList{QStringLiteral("代开发票")});
    EXPECT_EQ(log.page(QStringLiteral("W"), 10).size(), 5); // the word, case-blind
    const QList<ActionLog::Entry> first = log.page(QString(), 2);
    ASSERT_EQ(titlesOf(first), (QStringList{QStringLiteral("无关"), QStringLiteral("aXb")}));
    EXPECT_EQ(titlesOf(log.page(QString(), 2, first.last().id)),
        (QStringList{QStringLiteral("a_b"), QStringLiteral("100% 真")}));
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
    const QByteArray csv = toCsv({QStringLiteral("h")}, {{GetParam().cell}});
    EXPECT_EQ(csv, QByteArray("\xEF\xBB\xBFh\r\n") + GetParam().written + "\r\n") << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvCells,
    testing::Values(CsvCase{"plain", QStringLiteral("代开"), QStringLiteral("代开").toUtf8()},
        CsvCase{"comma and quotes", QStringLiteral("代开,\"发票\"\n第二行"),
            QStringLiteral("\"代开,\"\"发票\"\"\n第二行\"").toUtf8()},
        CsvCase{"formula", QStringLiteral("=HYPERLINK(\"http://x\")"), QByteArray("\"'=HYPERLINK(\"\"http://x\"\")\"")},
        CsvCase{"plus", QStringLiteral("+1+1"), QByteArray("'+1+1")},
        CsvCase{"minus", QStringLiteral("-2+3+cmd|' /C calc'!A0"), QByteArray("'-2+3+cmd|' /C calc'!A0")},
        CsvCase{"at", QStringLiteral("@SUM(A1)"), QByteArray("'@SUM(A1)")},
        CsvCase{"tab", QStringLiteral("\t=1"), QByteArray("'\t=1")},
        CsvCase{"carriage return", QStringLiteral("\r=1"), QByteArray("\"'\r=1\"")},
        CsvCase{"inner equals", QStringLiteral("a=1"), QByteArray("a=1")},
        CsvCase{"space first", QStringLiteral(" =1"), QByteArray(" =1")}, CsvCase{"empty", QString(), QByteArray()}));

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the SQL driver plug-ins need an application
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
