#include "action_log.h"
#include "action_tracker.h"
#include "fakes.h"
#include "qt_printing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
        for (const ActionLog::Entry &entry : log.newest(100))
            result.append(entry.outcome);
        return result;
    }

    QTemporaryDir folder;
    ActionLog log{path()};
    fakes::FakeClock clock;
    ActionTracker tracker{log, clock};
    const ActionTracker::Topic topicA{QStringLiteral("版务"), QStringLiteral("http://board.test/p/1"),
        QStringLiteral("低价 代-开 发票"), QStringLiteral("代开")};
    const ActionTracker::Topic topicB{QStringLiteral("版务"), QStringLiteral("http://board.test/p/2"),
        QStringLiteral("兼职刷单"), QStringLiteral("刷单")};
};

TEST_F(ActionLogTest, KeepsEveryColumnAndTheNewestFirstAcrossAReopen)
{
    ASSERT_EQ(log.open(), QString());
    clock.now = 1'765'000'000'000;
    tracker.topicOpened(topicA, true);
    tracker.banLinkClicked();
    tracker.banButtonClicked();
    tracker.finished(Outcome::DeleteClicked);
    tracker.topicLogged(topicB);

    ActionLog reopened(path());
    ASSERT_EQ(reopened.open(), QString());
    const QList<ActionLog::Entry> rows = reopened.newest(10);
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
    EXPECT_EQ(a.openedAt, isoLocalTime(clock.now));
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
    const QStringList listingA{topicA.address, QStringLiteral("http://board.test/p/9")};
    const Case cases[] = {
        {"page without a delete link", [&] { tracker.finished(Outcome::NoDeleteLink); }, Outcome::NoDeleteLink},
        {"unreadable page", [&] { tracker.finished(Outcome::Unreadable); }, Outcome::Unreadable},
        {"gone from the next listing",
            [&] {
                tracker.finished(Outcome::DeleteClicked);
                tracker.boardListRead(listingA);
                clock.now += 1000;
                tracker.boardListRead({QStringLiteral("http://board.test/p/9")});
            },
            Outcome::Deleted},
        {"still listed a minute after the click",
            [&] {
                tracker.finished(Outcome::DeleteClicked);
                clock.now += ActionTracker::kConfirmWithinMs - 1;
                tracker.boardListRead(listingA);
                clock.now += 1;
                tracker.boardListRead(listingA);
                tracker.boardListRead({});
            },
            Outcome::StillListed},
        {"another topic opened first", [&] { tracker.topicOpened(topicB, false); }, Outcome::Superseded},
        {"program ended", [&] { tracker.programEnded(); }, Outcome::Ended},
        {"a later page's steps go nowhere",
            [&] {
                tracker.finished(Outcome::DeleteClicked);
                tracker.finished(Outcome::NoDeleteLink);
            },
            Outcome::DeleteClicked},
    };
    for (const Case &c : cases) {
        tracker.topicOpened(topicA, false);
        c.steps();
        tracker.programEnded(); // closes whatever is left open before the next case
        const QList<ActionLog::Entry> rows = log.newest(3);
        const auto row = std::find_if(
            rows.cbegin(), rows.cend(), [&](const ActionLog::Entry &e) { return e.address == topicA.address; });
        ASSERT_NE(row, rows.cend()) << c.name;
        EXPECT_EQ(ActionLog::outcomeName(row->outcome), ActionLog::outcomeName(c.expected)) << c.name;
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
    tracker.topicOpened(topicA, false);
    EXPECT_EQ(log.newest(10).size(), 1);
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
            tracker.topicOpened(topicA, true);
            tracker.finished(Outcome::DeleteClicked);
            tracker.boardListRead({});
            std::_Exit(reported && log.newest(10).isEmpty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
}

TEST(ActionCsv, QuotesAsSpreadsheetsExpectAndStartsWithAByteOrderMark)
{
    const QByteArray csv = toCsv({QStringLiteral("时间"), QStringLiteral("帖子标题")},
        {{QStringLiteral("2026-12-08 23:10:00"), QStringLiteral("代开,\"发票\"\n第二行")}});
    EXPECT_EQ(csv,
        QByteArray("\xEF\xBB\xBF")
            + QStringLiteral("时间,帖子标题\r\n2026-12-08 23:10:00,\"代开,\"\"发票\"\"\n第二行\"\r\n").toUtf8());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the SQL driver plug-ins need an application
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
