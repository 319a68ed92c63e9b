// The local board service's rules that the end-to-end tests and figures rely on.
#include "board_state.h"
#include "query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace boardservice;

namespace {

QJsonObject state(const BoardState &board)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(board.stateJson())).object();
}

TEST(BoardState, DeleteAndBanActOnlyForASignedInSession)
{
    BoardState board;
    const Topic topic = board.post("b", "t", "poster", false);
    EXPECT_FALSE(board.deleteTopic(topic.id, ""));
    EXPECT_FALSE(board.ban(topic.id, "forged"));
    const std::string token = board.signIn();
    EXPECT_FALSE(board.deleteTopic(topic.id + 1, token));
    EXPECT_TRUE(board.ban(topic.id, token));
    EXPECT_TRUE(board.deleteTopic(topic.id, token));
    const QJsonObject s = state(board);
    EXPECT_EQ(s[QStringLiteral("unauthorized")].toInt(), 3);
    EXPECT_EQ(s[QStringLiteral("bans")][0][QStringLiteral("poster")].toString(), QStringLiteral("poster"));
    EXPECT_TRUE(s[QStringLiteral("topics")][0][QStringLiteral("deleted")].toBool());
    EXPECT_TRUE(board.liveTopics("b").empty());
}

TEST(BoardState, ListsLiveTopicsOfTheBoardNewestFirst)
{
    BoardState board;
    board.post("a", "1", "p", false);
    board.post("b", "2", "p", false);
    board.post("a", "3", "p", false);
    const auto live = board.liveTopics("a");
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].title, "3");
    EXPECT_EQ(live[1].title, "1");
}

TEST(BoardState, FailsEveryNthBoardLoad)
{
    BoardState board;
    board.setFaults(Faults{4, 0, 0});
    int failed = 0;
    for (int i = 0; i < 20; ++i)
        failed += board.nextBoardLoadFails();
    EXPECT_EQ(failed, 5);
}

TEST(FaultsFromQuery, ReadsEveryFaultAndDefaultsTheAbsentOnesToZero)
{
    struct Case {
        QueryParams query;
        int errorEvery, delayMs, extraLinks, pageSize;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, 0},
        {{{"boardErrorEvery", "20"}, {"topicDelayMs", "800"}, {"boardExtraLinks", "5"}, {"boardPageSize", "50"}}, 20,
            800, 5, 50},
        {{{"boardPageSize", "50"}}, 0, 0, 0, 50},
        {{{"topicDelayMs", "x"}, {"other", "9"}}, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        const Faults f = faultsFromQuery(c.query);
        EXPECT_EQ(f.boardErrorEvery, c.errorEvery);
        EXPECT_EQ(f.topicDelayMs, c.delayMs);
        EXPECT_EQ(f.boardExtraLinks, c.extraLinks);
        EXPECT_EQ(f.boardPageSize, c.pageSize);
    }
}

} // namespace
