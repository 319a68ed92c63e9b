#include "board_watch.h"
#include "fakes.h"
#include "qt_printing.h"

#include <gtest/gtest.h>

using namespace tidewick;
using namespace tidewick::fakes;

namespace {

const QString kTopicA = QStringLiteral("http://board.test/p/1");
const QString kTopicB = QStringLiteral("http://board.test/p/2");

class BoardWatchTest : public testing::Test {
protected:
    BoardWatchTest() { watch.setWords({QStringLiteral("代开"), QStringLiteral("刷单")}); }

    void showPage(AnchorList anchors) { board.anchors = std::move(anchors); }

    Journal journal;
    FakeBrowserView board{journal, QStringLiteral("board")};
    FakeBrowserView topic{journal, QStringLiteral("topic")};
    QStringList titles;
    BoardWatch watch{board, topic, QStringLiteral("board.test"), [this](const QString &t) { titles.append(t); }};
};

TEST_F(BoardWatchTest, PageWithoutMatchIsReloadedOnlyWhileRunning)
{
    struct Case {
        const char *name;
        std::optional<AnchorList> page;
        QStringList words;
    };
    const Case cases[] = {
        {"no anchors", AnchorList{}, {QStringLiteral("代开")}},
        {"empty word list", AnchorList{link(QStringLiteral("代开发票"), kTopicA)}, {}},
        {"unreadable page", std::nullopt, {QStringLiteral("代开")}},
        {"innocent topics", AnchorList{link(QStringLiteral("晚霞"), kTopicA)}, {QStringLiteral("代开")}},
    };
    for (const Case &c : cases) {
        for (const bool running : {true, false}) {
            journal.clear();
            watch.setWords(c.words);
            board.anchors = c.page;
            running ? watch.Start(QString()) : watch.Pause();
            journal.clear();
            watch.BoardScanCycle();
            EXPECT_EQ(journal, running ? Journal{QStringLiteral("board refresh")} : Journal{})
                << c.name << (running ? " running" : " paused");
        }
    }
}

TEST_F(BoardWatchTest, FirstMatchingAnchorIsOpenedAndCounted)
{
    showPage({link(QStringLiteral("晚霞"), QStringLiteral("http://board.test/p/9")),
        link(QStringLiteral("兼职刷 单"), kTopicA), link(QStringLiteral("代开"), kTopicB)});
    watch.Start(QString());
    journal.clear();
    watch.BoardScanCycle();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA});
    EXPECT_EQ(watch.DeletedCount(), 1);
    EXPECT_EQ(titles, QStringList{QStringLiteral("已删帖：1次")});
}

TEST_F(BoardWatchTest, PausedScanStillOpensATopic)
{
    showPage({link(QStringLiteral("代开"), kTopicA)});
    watch.BoardScanCycle();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA});
    EXPECT_FALSE(watch.IsRunning());
}

TEST_F(BoardWatchTest, SameTopicTwiceInARowEndsTheScanWithoutOpeningOrReloading)
{
    showPage({link(QStringLiteral("代开"), kTopicA), link(QStringLiteral("刷单"), kTopicB)});
    watch.Start(QString());
    watch.BoardScanCycle();
    journal.clear();
    watch.BoardScanCycle();
    EXPECT_EQ(journal, Journal{});
    EXPECT_EQ(watch.DeletedCount(), 1);

    showPage({link(QStringLiteral("刷单"), kTopicB)});
    watch.BoardScanCycle();
    showPage({link(QStringLiteral("代开"), kTopicA)});
    watch.BoardScanCycle();
    EXPECT_EQ(watch.DeletedCount(), 3) << "a topic is opened again once another came in between";
}

TEST_F(BoardWatchTest, OpensTheMatchingAnchorsOwnAddressAndSkipsAnchorsWithoutOne)
{
    showPage({link(QStringLiteral("代开"), QString()), link(QStringLiteral("代开"), QStringLiteral("javascript:;")),
        Anchor{std::nullopt, kTopicA}, link(QStringLiteral("代开"), kTopicB)});
    watch.BoardScanCycle();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicB});
}

TEST_F(BoardWatchTest, ALoadDuringTheReadIsScannedInsteadOfTheOlderPage)
{
    showPage({link(QStringLiteral("代开"), kTopicA)});
    bool reloaded = false;
    board.onRead = [&] {
        if (reloaded)
            return;
        reloaded = true;
        showPage({link(QStringLiteral("刷单"), kTopicB)});
        watch.BoardScanCycle();
    };
    watch.BoardScanCycle();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicB});
}

TEST_F(BoardWatchTest, StartNavigatesToTheEncodedBoardAddress)
{
    struct Case {
        QString name;
        QString address;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("http://board.test/f?kw=")},
        {QStringLiteral("demo"), QStringLiteral("http://board.test/f?kw=demo")},
        {QStringLiteral("a&b #+%?c"), QStringLiteral("http://board.test/f?kw=a%26b%20%23%2B%25%3Fc")},
        {QStringLiteral("吧"), QStringLiteral("http://board.test/f?kw=%E5%90%A7")},
    };
    for (const Case &c : cases) {
        journal.clear();
        watch.Start(c.name);
        EXPECT_EQ(journal, Journal{QStringLiteral("board navigate ") + c.address});
        EXPECT_TRUE(watch.IsRunning());
    }
}

TEST_F(BoardWatchTest, TimerReloadsOnlyWhileRunningAndPauseChangesNothingElse)
{
    watch.TimerTick();
    EXPECT_EQ(journal, Journal{});
    watch.Start(QStringLiteral("demo"));
    journal.clear();
    watch.TimerTick();
    EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});
    journal.clear();
    watch.Pause();
    watch.TimerTick();
    EXPECT_EQ(journal, Journal{});
    EXPECT_FALSE(watch.IsRunning());
}

} // namespace
