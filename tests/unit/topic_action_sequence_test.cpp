#include "fakes.h"
#include "qt_printing.h"
#include "topic_action_sequence.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace tidewick;
using namespace tidewick::fakes;

namespace {

using Step = TopicActionSequence::Step;

const QString kBan = u"封"_s;
const QString kDelete = u"删除主题"_s;
const QString kTopicA = u"http://board.test/p/1"_s;
const QString kTopicB = u"http://board.test/p/2"_s;

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

// The first topic opened and the board timer restarted, then the rest.
Journal opened(std::initializer_list<const char *> rest)
{
    return entries({"topic navigate http://board.test/p/1", "timer restart"}) + entries(rest);
}

// In the order of TopicActionSequence::Step.
QString stepName(Step step)
{
    static const QStringList names{u"ban link"_s, u"ban button"_s, u"unreadable"_s, u"no delete link"_s, u"deleted"_s,
        u"superseded"_s, u"ended"_s};
    return names.value(static_cast<int>(step));
}

// The journal holds the views' actions and each step as "run N step at T", T in ms since the
// first open.
class TopicActionSequenceTest : public testing::Test, protected FakeWindow {
protected:
    TopicActionSequenceTest()
    {
        topic.onLoaded = [this](bool ok) { sequence.pageLoaded(ok); };
    }

    // Runs and times are counted from the first open after openedAt was reset.
    void open(const QString &address = kTopicA)
    {
        if (openedAt < 0) {
            openedAt = clock.now;
            runBase = lastRun;
        }
        lastRun = sequence.open(address);
    }
    QString at() const { return u" at %1"_s.arg(clock.now - openedAt); }

    ClockTimer timer{clock};
    long long openedAt = -1;
    TopicActionSequence::RunId runBase = 0;
    TopicActionSequence::RunId lastRun = 0;
    TopicActionSequence sequence{{topic, board, boardTimer, timer, clock, [this] { return banOption; },
        [this](TopicActionSequence::RunId run, Step step) {
            journal.append(u"run %1 "_s.arg(run - runBase) + stepName(step) + at());
        },
        [this] { journal.append(u"view free"_s + at()); }}};
};

TEST_F(TopicActionSequenceTest, ARunTakesItsStepsInOrderOnThePageItOpened)
{
    struct Case {
        const char *name;
        bool ban;
        QStringList page;
        Journal expected;
    };
    const Case cases[] = {
        {"two delete links", false, {u"楼主"_s, kDelete, kDelete},
            opened({"topic click 1", "run 1 deleted at 0", "board refresh", "view free at 1000"})},
        // A delete link may come late: only 5 s without one leave the page standing.
        {"decoys only", false, {u"删除主题 "_s, u" 删除主题"_s, u"删除"_s, u"删除主题帖"_s},
            opened({"run 1 no delete link at 5000", "view free at 5000"})},
        {"no links", false, {}, opened({"run 1 no delete link at 5000", "view free at 5000"})},
        {"ban: the first ban link, both waits, the button, the first delete link", true,
            {u"楼主"_s, kBan, kDelete, kBan},
            opened({"topic click 1", "run 1 ban link at 0", "topic click ban_ip_button", "run 1 ban button at 2000",
                "topic click 2", "run 1 deleted at 5000", "board refresh", "view free at 6000"})},
        {"ban without a ban link: a late one is waited for, then the delete step", true, {u"楼主"_s, kDelete},
            opened({"topic click 1", "run 1 deleted at 5000", "board refresh", "view free at 6000"})},
    };
    for (const Case &c : cases) {
        journal.clear();
        openedAt = -1;
        banOption = c.ban;
        topic.anchors = links(c.page);
        open();
        clock.settle();
        EXPECT_EQ(journal, c.expected) << c.name;
    }
}

TEST_F(TopicActionSequenceTest, ControlsAddedLateAreClickedOnceTheyAppearAndAMissingButtonIsNoStep)
{
    struct Case {
        const char *name;
        long long buttonAt; // negative: never
        Journal expected;
    };
    const Case cases[] = {
        {"the button 4 s late", 4000,
            opened({"topic click 1", "run 1 ban link at 1200", "topic click ban_ip_button", "run 1 ban button at 4000",
                "topic click 2", "run 1 deleted at 7000", "board refresh", "view free at 8000"})},
        {"no button within the 5 s", -1,
            opened({"topic click 1", "run 1 ban link at 1200", "topic click missing ban_ip_button", "topic click 2",
                "run 1 deleted at 8000", "board refresh", "view free at 9000"})},
    };
    for (const Case &c : cases) {
        journal.clear();
        openedAt = -1;
        banOption = true;
        topic.namedElements.clear();
        topic.anchors = links({u"楼主"_s});
        clock.after(1200, [this] { topic.anchors = links({u"楼主"_s, kBan}); });
        clock.after(4500, [this] { topic.anchors = links({u"楼主"_s, kBan, kDelete}); });
        if (c.buttonAt >= 0)
            clock.after(c.buttonAt, [this] { topic.namedElements = {u"ban_ip_button"_s}; });
        open();
        clock.settle();
        EXPECT_EQ(journal, c.expected) << c.name << ": " << journal.join(u'|').toStdString();
    }
}

// Boards whose ban link opens a form page, or whose ban button sends a form and shows the topic
// again: the run goes on, on the page its click led to, however long that page takes, and gives
// that page its own time to add its links.
TEST_F(TopicActionSequenceTest, ARunFollowsThePagesItsBanClicksLeadTo)
{
    struct Case {
        const char *name;
        long long banLinkLoadMs; // negative: the click loads nothing
        long long banButtonLoadMs;
        long long deleteLinkAfterMs; // after the ban button's page has loaded; negative: at once
        Journal expected;
        bool pagesFail = false; // the pages the clicks lead to are error pages
    };
    const auto steps = [](const char *button, const char *deleted, const char *free) {
        return opened({"topic click 0", "run 1 ban link at 0", "topic click ban_ip_button", button, "topic click 1",
            deleted, "board refresh", free});
    };
    const Case cases[] = {
        {"a form page within the wait", 300, -1, -1,
            steps("run 1 ban button at 2000", "run 1 deleted at 5000", "view free at 6000")},
        {"the topic again within the wait", -1, 300, -1,
            steps("run 1 ban button at 2000", "run 1 deleted at 5000", "view free at 6000")},
        {"both pages slower than their waits", 2500, 3500, -1,
            steps("run 1 ban button at 2500", "run 1 deleted at 6000", "view free at 7000")},
        {"the topic again, its delete link 4 s late", -1, 300, 4000,
            steps("run 1 ban button at 2000", "run 1 deleted at 6300", "view free at 7300")},
        {"an error page for the form", 300, -1, -1,
            opened({"topic click 0", "run 1 ban link at 0", "run 1 unreadable at 300", "view free at 300"}), true},
    };
    for (const Case &c : cases) {
        journal.clear();
        openedAt = -1;
        banOption = true;
        topic.anchors = links({kBan, kDelete});
        topic.onClick = [this, c](const Anchor &clicked) {
            const long long loadMs = clicked.text == kBan ? c.banLinkLoadMs
                : clicked.text == u"ban_ip_button"        ? c.banButtonLoadMs
                                                          : -1;
            if (loadMs < 0)
                return;
            topic.loadMs = loadMs;
            topic.loadSucceeds = !c.pagesFail;
            topic.startLoad();
            if (clicked.text == u"ban_ip_button" && c.deleteLinkAfterMs >= 0) {
                topic.anchors = links({kBan});
                clock.after(loadMs + c.deleteLinkAfterMs, [this] { topic.anchors = links({kBan, kDelete}); });
            }
        };
        open();
        clock.settle();
        EXPECT_EQ(journal, c.expected) << c.name << ": " << journal.join(u'|').toStdString();
        topic.loadMs = 0;
        topic.loadSucceeds = true;
    }
}

TEST_F(TopicActionSequenceTest, APageThatNeverReadsCompleteOrShowsAnErrorIsLeftAlone)
{
    struct Case {
        const char *name;
        std::function<void()> setUp;
        QString expected;
    };
    const Case cases[] = {
        {"never complete", [&] { topic.ready = 3; }, u"run 1 unreadable at 5000"_s},
        {"unreadable twice", [&] { topic.ready = std::nullopt; }, u"run 1 unreadable at 50"_s},
        {"an error page", [&] { topic.loadSucceeds = false; }, u"run 1 unreadable at 0"_s},
        {"a load that never ends", [&] { topic.loadMs = -1; }, u"run 1 unreadable at 30000"_s},
        {"complete after 1 s",
            [&] {
                topic.ready = 3;
                clock.after(1000, [&] { topic.ready = kReadyStateComplete; });
            },
            u"run 1 deleted at 1000"_s},
        {"more links than the count holds", [&] { topic.anchors = AnchorList(32768, link(kDelete)); },
            u"run 1 no delete link at 5000"_s},
    };
    for (const Case &c : cases) {
        journal.clear();
        openedAt = -1;
        topic.anchors = links({kDelete});
        c.setUp();
        open();
        clock.settle();
        EXPECT_TRUE(journal.contains(c.expected)) << c.name << ": " << journal.join(u'|').toStdString();
        EXPECT_EQ(
            journal.contains(u"timer restart"_s), c.expected.contains(u"deleted") || c.expected.contains(u"no delete"))
            << c.name;
        topic.ready = kReadyStateComplete;
        topic.loadSucceeds = true;
        topic.loadMs = 0;
        sequence.programEnded();
    }
}

// The view sent elsewhere during the ban wait: the first run clicks nothing more there. A page
// that reloads itself is still the topic opened.
TEST_F(TopicActionSequenceTest, ASupersededRunClicksNothingMore)
{
    const auto secondRun = entries({"topic navigate http://board.test/p/2", "timer restart", "topic click 0",
        "run 2 ban link at 1000", "topic click ban_ip_button", "run 2 ban button at 3000", "topic click 1",
        "run 2 deleted at 6000", "board refresh", "view free at 7000"});
    const struct {
        const char *name;
        std::function<void()> sendElsewhere;
        Journal expected;
    } cases[] = {
        {"the next topic", [this] { open(kTopicB); }, entries({"run 1 superseded at 1000"}) + secondRun},
        {"the moderator's own browsing", [this] { topic.navigate(kTopicB); },
            entries({"topic navigate http://board.test/p/2", "run 1 superseded at 1000", "view free at 1000"})},
        {"the page reloads itself", [this] { topic.startLoad(); },
            entries({"topic click ban_ip_button", "run 1 ban button at 2000", "topic click 1", "run 1 deleted at 5000",
                "board refresh", "view free at 6000"})},
    };
    for (const auto &c : cases) {
        journal.clear();
        openedAt = -1;
        banOption = true;
        topic.anchors = links({kBan, kDelete});
        open(kTopicA);
        clock.advance(1000);
        c.sendElsewhere();
        clock.settle();
        EXPECT_EQ(journal, opened({"topic click 0", "run 1 ban link at 0"}) + c.expected)
            << c.name << ": " << journal.join(u'|').toStdString();
    }
}

// Pages that nobody matched (the moderator's own browsing, a page a click led to after the run)
// get no click.
TEST_F(TopicActionSequenceTest, APageTheViewReachedOtherwiseStartsNoRun)
{
    topic.anchors = links({kDelete});
    topic.navigate(kTopicA);
    clock.settle();
    open();
    clock.settle();
    topic.onClick = [this](const Anchor &) { topic.startLoad(); };
    topic.startLoad();
    clock.settle();
    EXPECT_EQ(journal.count(u"topic click 0"_s), 1) << journal.join(u'|').toStdString();
}

// A busy page answers late; nothing is clicked twice, and the run waits for the page it follows.
TEST_F(TopicActionSequenceTest, ABusyPageGetsEachClickOnceAndTheViewIsFreedOnlyAfterTheDeletePage)
{
    banOption = true;
    topic.answerMs = 400;
    topic.anchors = links({kBan, kDelete});
    topic.onClick = [this](const Anchor &clicked) {
        if (clicked.text == kDelete) {
            topic.loadMs = 700;
            topic.startLoad();
        }
    };
    open();
    clock.settle();
    EXPECT_EQ(journal.count(u"topic click 0"_s), 1);
    EXPECT_EQ(journal.count(u"topic click ban_ip_button"_s), 1);
    EXPECT_EQ(journal.count(u"topic click 1"_s), 1);
    // Complete read at 400, the ban link read and clicked by 1200, the button at 3000 + 400, the
    // delete link read and clicked by 6800 and its page loaded 700 ms later.
    EXPECT_EQ(journal.last(), u"view free at 7500"_s);
}

TEST_F(TopicActionSequenceTest, WaitsEndAtTheWholeSecondOnTheSteadyClockWhateverTheWallClockDoes)
{
    struct Case {
        const char *name;
        long long wallFraction;
        long long wallJump; // during the first wait
        long long buttonAt;
    };
    const Case cases[] = {
        {"entered on the second", 0, 0, 2000},
        {"entered at .9 s: 1.1 s", 900, 0, 1100},
        {"the wall clock set back an hour", 0, -3'600'000, 2000},
        {"the wall clock set forward a day", 300, 86'400'000, 1700},
    };
    for (const Case &c : cases) {
        journal.clear();
        openedAt = -1;
        banOption = true;
        clock.wallOffset = 1'000'000'000'000 + c.wallFraction - clock.now % 1000;
        topic.anchors = links({kBan, kDelete});
        open();
        clock.advance(500);
        clock.wallOffset += c.wallJump;
        clock.settle();
        EXPECT_EQ(journal.filter(u"ban button at %1"_s.arg(c.buttonAt)).size(), 1)
            << c.name << ": " << journal.join(u'|').toStdString();
    }
}

TEST_F(TopicActionSequenceTest, ProgramEndDuringAWaitIsFinal)
{
    banOption = true;
    topic.anchors = links({kBan, kDelete});
    open();
    clock.advance(1000);
    sequence.programEnded();
    clock.settle();
    EXPECT_EQ(journal, opened({"topic click 0", "run 1 ban link at 0", "run 1 ended at 1000"}));
}

// A script of the page puts another anchor first right after each read.
TEST_F(TopicActionSequenceTest, ALinkThatChangedSinceItWasReadIsNotClicked)
{
    for (const bool banOn : {false, true}) {
        journal.clear();
        banOption = banOn;
        topic.anchors = links({kBan, kDelete});
        int inserted = 0;
        topic.onRead = [&] {
            clock.after(
                0, [&] { topic.anchors->prepend(link(kDelete, u"http://board.test/decoy/%1"_s.arg(++inserted))); });
        };
        open();
        clock.settle();
        EXPECT_EQ(journal.count(u"board refresh"_s), 0) << banOn;
        EXPECT_FALSE(journal.filter(u"click refused"_s).isEmpty()) << banOn;
        EXPECT_TRUE(journal.filter(u"topic click 0"_s).isEmpty()) << banOn;
        topic.onRead = nullptr;
    }
}

} // namespace
