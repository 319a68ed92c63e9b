// The local board service's rules that the end-to-end tests and figures rely on.
#include "board_state.h"
#include "query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
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
    EXPECT_EQ(s[u"unauthorized"_s].toInt(), 3);
    EXPECT_EQ(s[u"bans"_s][0][u"poster"_s].toString(), u"poster"_s);
    EXPECT_TRUE(s[u"topics"_s][0][u"deleted"_s].toBool());
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

// Each fault is read into its own field; a name or value the service does not know is refused,
// so a misspelt fault cannot leave a test running without it.
TEST(FaultsFromQuery, ReadsEachFaultByItsNameAndRefusesAnythingElse)
{
    const FaultsRead all = faultsFromQuery({{"boardErrorEvery", "1"}, {"topicDelayMs", "2"}, {"boardExtraLinks", "3"},
        {"boardPageSize", "4"}, {"boardDelayMs", "5"}, {"boardPadKiB", "6"}, {"scriptListMs", "7"},
        {"lateLinksMs", "8"}, {"refuseDelete", "9"}, {"banFormPage", "10"}});
    ASSERT_EQ(all.error, "");
    const Faults &f = all.faults;
    EXPECT_EQ((std::vector<int>{f.boardErrorEvery, f.topicDelayMs, f.boardExtraLinks, f.boardPageSize, f.boardDelayMs,
                  f.boardPadKiB, f.scriptListMs, f.lateLinksMs, f.refuseDelete, f.banFormPage}),
        (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(faultsFromQuery({}).faults.scriptListMs, -1) << "absent: the list is served, not built by script";
    for (const QueryParams &refused : {QueryParams{{"topicDelay", "800"}}, QueryParams{{"topicDelayMs", "x"}},
             QueryParams{{"topicDelayMs", ""}}, QueryParams{{"topicDelayMs", "8s"}}}) {
        EXPECT_NE(faultsFromQuery(refused).error, "") << refused.begin()->first << "=" << refused.begin()->second;
    }
}

} // namespace
