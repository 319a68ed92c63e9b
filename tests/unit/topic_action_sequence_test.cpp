#include "fakes.h"
#include "qt_printing.h"
#include "topic_action_sequence.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

using namespace tidewick;
using namespace tidewick::fakes;

namespace {

const QString kBan = QStringLiteral("封");
const QString kDelete = QStringLiteral("删除主题");

AnchorList links(const QStringList &texts)
{
    AnchorList result;
    for (const QString &text : texts)
        result.append(link(text));
    return result;
}

Journal entries(std::initializer_list<const char *> items)
{
    Journal journal;
    for (const char *item : items)
        journal.append(QString::fromUtf8(item));
    return journal;
}

// The polls for links that a script adds late, as one entry with the time they took.
Journal withLatePollsJoined(const Journal &journal)
{
    const QString poll = QStringLiteral("wait %1").arg(TopicActionSequence::kLateLinksPollMs);
    Journal joined;
    long long polled = 0;
    for (qsizetype i = 0; i <= journal.size(); ++i) {
        if (i < journal.size() && journal[i] == poll) {
            polled += TopicActionSequence::kLateLinksPollMs;
            continue;
        }
        if (polled > 0)
            joined.append(QStringLiteral("late links %1 ms").arg(std::exchange(polled, 0)));
        if (i < journal.size())
            joined.append(journal[i]);
    }
    return joined;
}

class TopicActionSequenceTest : public testing::Test {
protected:
    TopicActionSequenceTest() { clock.now = 1'000'000'000'000; }

    Journal journal;
    FakeBrowserView topic{journal, QStringLiteral("topic")};
    FakeBrowserView board{journal, QStringLiteral("board")};
    FakeTimer timer{journal};
    FakeClock clock;
    FakeEventLoop loop{journal, clock};
    bool banOption = false;
    TopicActionSequence sequence{{topic, board, timer, loop, clock, [this] { return banOption; }}};
};

TEST_F(TopicActionSequenceTest, ActsOnlyOnceTheDocumentReadsCompleteWithinItsBound)
{
    struct Case {
        const char *name;
        std::function<void()> setUp;
        bool acts;
    };
    const Case cases[] = {
        {"never complete", [&] { topic.ready = 3; }, false},
        {"unreadable twice", [&] { topic.ready = std::nullopt; }, false},
        {"complete after 1 s",
            [&] {
                topic.ready = 3;
                loop.scheduled.emplace(clock.now + 1000, [&] { topic.ready = kReadyStateComplete; });
            },
            true},
        {"complete just before the bound",
            [&] {
                topic.ready = 1;
                loop.scheduled.emplace(clock.now + 4990, [&] { topic.ready = kReadyStateComplete; });
            },
            true},
        {"unreadable once, then complete",
            [&] {
                topic.ready = std::nullopt;
                loop.scheduled.emplace(clock.now + 10, [&] { topic.ready = kReadyStateComplete; });
            },
            true},
    };
    for (const Case &c : cases) {
        journal.clear();
        loop.scheduled.clear();
        topic.anchors = links({kDelete});
        c.setUp();
        sequence.run();
        EXPECT_EQ(journal.contains(QStringLiteral("timer restart")), c.acts) << c.name;
        EXPECT_EQ(journal.contains(QStringLiteral("board refresh")), c.acts) << c.name;
    }
}

TEST_F(TopicActionSequenceTest, ANewerLoadDuringTheReadyWaitTakesThePageOver)
{
    topic.ready = 3;
    topic.anchors = links({kDelete});
    loop.scheduled.emplace(clock.now + 200, [&] {
        topic.ready = kReadyStateComplete;
        sequence.run();
    });
    sequence.run();
    EXPECT_EQ(journal.count(QStringLiteral("topic click 0")), 1);
    EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 1);
}

TEST_F(TopicActionSequenceTest, AtMostFourRunsNest)
{
    banOption = true;
    topic.anchors = links({kBan, kDelete});
    int loads = 1;
    // The page reloads itself every 0.1 s, five times, all within the first run's ban wait.
    std::function<void()> reload = [&] {
        if (++loads < 6)
            loop.scheduled.emplace(clock.now + 100, reload);
        sequence.run();
    };
    loop.scheduled.emplace(clock.now + 100, reload);
    sequence.run();
    EXPECT_EQ(loads, 6);
    EXPECT_EQ(journal.count(QStringLiteral("timer restart")), 4) << "the fifth and sixth nested loads are ignored";
}

TEST_F(TopicActionSequenceTest, ALinkThatChangedSinceItWasReadIsNotClicked)
{
    for (const bool banOn : {false, true}) {
        journal.clear();
        banOption = banOn;
        topic.anchors = links({kBan, kDelete});
        // A script of the page puts another anchor first right after each read.
        int inserted = 0;
        topic.afterRead = [&] {
            topic.anchors->prepend(
                link(QStringLiteral("删除主题"), QStringLiteral("http://board.test/decoy/%1").arg(++inserted)));
        };
        sequence.run();
        EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 0) << banOn;
        EXPECT_FALSE(journal.filter(QStringLiteral("click refused")).isEmpty()) << banOn;
        EXPECT_EQ(journal.filter(QRegularExpression(QStringLiteral("^topic click \\d"))).size(), 0) << banOn;
        topic.afterRead = nullptr;
    }
}

TEST_F(TopicActionSequenceTest, WithoutBanOptionDeletesThroughTheFirstDeleteLink)
{
    struct Case {
        const char *name;
        QStringList page;
        Journal expected;
    };
    const Case cases[] = {
        {"two delete links", {QStringLiteral("楼主"), kDelete, kDelete},
            entries({"timer restart", "topic click 1", "board refresh"})},
        // A delete link may come late: only 5 s without one leave the page standing.
        {"no delete link", {QStringLiteral("楼主")}, entries({"timer restart", "late links 5000 ms"})},
        {"no links", {}, entries({"timer restart", "late links 5000 ms"})},
        {"decoys only",
            {QStringLiteral("删除主题 "), QStringLiteral(" 删除主题"), QStringLiteral("删除"),
                QStringLiteral("删除主题帖")},
            entries({"timer restart", "late links 5000 ms"})},
    };
    for (const Case &c : cases) {
        journal.clear();
        topic.anchors = links(c.page);
        sequence.run();
        EXPECT_EQ(withLatePollsJoined(journal), c.expected) << c.name;
    }
}

// Moderation links that a script adds after the page completed are found and clicked in order,
// each once, as soon as they are there.
TEST_F(TopicActionSequenceTest, LinksAddedLateAreClickedOnceTheyAppear)
{
    banOption = true;
    topic.anchors = links({QStringLiteral("楼主")});
    loop.scheduled.emplace(clock.now + 1200, [this] { topic.anchors = links({QStringLiteral("楼主"), kBan}); });
    loop.scheduled.emplace(clock.now + 3500, [this] {
        topic.anchors = links({QStringLiteral("楼主"), kBan, kDelete});
    });
    sequence.run();
    EXPECT_EQ(withLatePollsJoined(journal),
        entries({"timer restart", "late links 1200 ms", "yield", "topic click 1", "wait 1800",
            "topic click ban_ip_button", "wait 3000", "topic click 2", "board refresh"}));
}

TEST_F(TopicActionSequenceTest, UnreadableLinkTextIsNeverClicked)
{
    banOption = true;
    topic.anchors = AnchorList{Anchor{std::nullopt, {}}, link(kDelete)};
    sequence.run();
    EXPECT_EQ(withLatePollsJoined(journal),
        entries({"timer restart", "late links 5000 ms", "yield", "yield", "topic click 1", "board refresh"}));
}

TEST_F(TopicActionSequenceTest, BansThroughTheFirstBanLinkWithBothWaits)
{
    banOption = true;
    clock.now += 400; // 0.4 s past a whole second: the first wait lasts 1.6 s
    topic.anchors = links({QStringLiteral("a"), QStringLiteral("封禁"), QStringLiteral("c"), kBan, QStringLiteral("e"),
        QStringLiteral("f"), QStringLiteral("g"), kBan, kDelete});
    sequence.run();
    EXPECT_EQ(journal,
        entries({"timer restart", "yield", "yield", "yield", "topic click 3", "wait 1600", "topic click ban_ip_button",
            "wait 3000", "topic click 8", "board refresh"}));
}

TEST_F(TopicActionSequenceTest, WithoutBanLinkDeletesOnceNoneCameLateAfterYieldingPerLink)
{
    banOption = true;
    topic.anchors = links({QStringLiteral("a"), kDelete});
    sequence.run();
    EXPECT_EQ(withLatePollsJoined(journal),
        entries({"timer restart", "late links 5000 ms", "yield", "yield", "topic click 1", "board refresh"}));
}

TEST_F(TopicActionSequenceTest, DeleteStepActsOnThePageShownAfterTheWaits)
{
    banOption = true;
    topic.anchors = links({kBan, kDelete});
    loop.scheduled.emplace(clock.now + 2500, [this] { topic.anchors = links({QStringLiteral("x"), kDelete}); });
    sequence.run();
    EXPECT_EQ(journal.mid(journal.size() - 2), entries({"topic click 1", "board refresh"}));
    EXPECT_EQ(journal.count(QStringLiteral("topic click 0")), 1) << "only the ban link at 0 was clicked";
}

TEST_F(TopicActionSequenceTest, NestedCompletionDuringAWaitRunsToItsEndFirst)
{
    banOption = true;
    topic.anchors = links({kBan, kDelete});
    // A second page completes 0.5 s into the first wait; it has no ban link, for which its run
    // waits the 5 s a late one may take, and it leaves the shared flag set.
    loop.scheduled.emplace(clock.now + 500, [this] {
        topic.anchors = links({QStringLiteral("x"), kDelete});
        sequence.run();
    });
    sequence.run();
    EXPECT_EQ(withLatePollsJoined(journal),
        entries({"timer restart", "topic click 0", "wait 2000", "timer restart", "late links 5000 ms", "yield", "yield",
            "topic click 1", "board refresh", "topic click ban_ip_button", "wait 2500", "topic click 1",
            "board refresh"}));
    EXPECT_TRUE(sequence.AwaitingBan());
}

TEST_F(TopicActionSequenceTest, OuterBanScanFollowsABanClickedByANestedRun)
{
    banOption = true;
    topic.anchors = links({QStringLiteral("a"), QStringLiteral("b"), kBan, kDelete});
    // At the outer run's first yield another page completes and its run bans through its own link.
    loop.atNextYield.push_back([this] {
        topic.anchors = links({kBan, kDelete});
        sequence.run();
    });
    sequence.run();
    // The outer run sees the shared flag cleared at its next link and carries on as if it had
    // clicked a ban link itself: it never clicks its own at index 2.
    EXPECT_EQ(journal.count(QStringLiteral("topic click 0")), 1);
    EXPECT_EQ(journal.count(QStringLiteral("topic click 2")), 0);
    EXPECT_EQ(journal.count(QStringLiteral("topic click ban_ip_button")), 2);
    EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 2);
}

TEST_F(TopicActionSequenceTest, WaitEndsAtTheFirstWholeSecondAtOrPastTheDeadline)
{
    struct Case {
        long long enteredMsPastSecond;
        const char *expected;
    };
    for (const Case c : {Case{900, "wait 1100"}, Case{0, "wait 2000"}, Case{1, "wait 1999"}}) {
        journal.clear();
        clock.now = 1'000'000'010'000 + c.enteredMsPastSecond;
        EXPECT_TRUE(sequence.WaitSeconds(2));
        EXPECT_EQ(journal, entries({c.expected}));
    }
}

TEST_F(TopicActionSequenceTest, ProgramEndDuringAWaitIsFinal)
{
    banOption = true;
    topic.anchors = links({kBan, kDelete});
    for (const long long endAfterMs : {500LL, 2500LL}) {
        journal.clear();
        loop.ended = false;
        loop.scheduled.emplace(clock.now + endAfterMs, [this] { loop.ended = true; });
        sequence.run();
        EXPECT_EQ(journal.count(QStringLiteral("topic click 1")), 0) << endAfterMs;
        EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 0) << endAfterMs;
        EXPECT_EQ(journal.count(QStringLiteral("topic click ban_ip_button")), endAfterMs > 2000 ? 1 : 0);
    }
}

TEST_F(TopicActionSequenceTest, FailedReadBeforeTheDeleteStepNeverReusesTheEarlierLinks)
{
    banOption = true;
    topic.anchors = links({QStringLiteral("a"), kDelete});
    int reads = 0;
    topic.onRead = [&] {
        if (++reads == 2)
            topic.anchors = std::nullopt; // the page stops answering after the ban scan's read
    };
    sequence.run();
    EXPECT_EQ(journal, entries({"timer restart", "wait 100"})) << "one poll for a late ban link, then nothing";
}

TEST_F(TopicActionSequenceTest, PageWithMoreLinksThanTheCountHoldsIsTreatedAsLinkless)
{
    AnchorList many = links({kDelete});
    many.resize(32768, link(QStringLiteral("x")));
    topic.anchors = many;
    sequence.run();
    EXPECT_EQ(withLatePollsJoined(journal), entries({"timer restart", "late links 5000 ms"}));
}

} // namespace
