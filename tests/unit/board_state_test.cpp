// The local board service's rules that the end-to-end tests and figures rely on.
#include "board_state.h"

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

} // namespace
