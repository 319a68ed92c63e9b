#include "action_log.h"
#include "fakes.h"
#include "moderation_session.h"
#include "qt_printing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tidewick;
using namespace tidewick::fakes;

namespace {

const QString kOrigin = u"https://board.test"_s;
const QString kDelete = u"删除主题"_s;
constexpr long long kDeletePageMs = 100; // the service's answer to a delete is small and quick

// A board service on the fake clock: its list page lists the topics not deleted, and each topic
// page carries the moderation links; a delete click loads the page the service answers with.
class ModerationSessionTest : public testing::Test, protected FakeWindow {
protected:
    struct Topic {
        QString address;
        QString title;
        bool deleted = false;
        int deleteClicks = 0;
    };

    ModerationSessionTest()
    {
        board.loadMs = 1000;
        topic.loadMs = 500;
        board.onRead = [this] { board.anchors = listing(); };
        topic.onRead = [this] { topic.anchors = topicPage(); };
        board.onLoaded = [this](bool ok) { session.boardLoaded(ok); };
        topic.onLoaded = [this](bool ok) { session.topicLoaded(ok); };
        topic.onClick = [this](const Anchor &clicked) {
            if (clicked.text != kDelete)
                return;
            Topic &shown = topicAt(clicked.href.section(u'=', 1));
            ++shown.deleteClicks;
            shown.deleted = !refuseDeletes;
            topic.url_ = clicked.href;
            const long long topicLoad = std::exchange(topic.loadMs, kDeletePageMs);
            topic.startLoad();
            topic.loadMs = topicLoad;
        };
        EXPECT_EQ(log.open(), QString());
        session.setWords({u"代开"_s});
    }

    void post(int count, const std::function<bool(int)> &forbidden)
    {
        for (int i = 0; i < count; ++i) {
            const QString address = kOrigin + u"/p/%1"_s.arg(topics.size());
            topics.append({address, forbidden(i) ? u"低价代开发票 %1"_s.arg(i) : u"日常 %1"_s.arg(i)});
        }
    }

    AnchorList listing() const
    {
        AnchorList anchors{link(u"首页"_s, kOrigin + u'/')};
        for (const Topic &t : topics) {
            if (!t.deleted)
                anchors.append(link(t.title, t.address));
        }
        return anchors;
    }

    AnchorList topicPage() const
    {
        const QString shown = topic.url();
        return {link(u"楼主"_s, kOrigin + u"/home"_s), link(u"封"_s, u"javascript:;"_s),
            link(kDelete, kOrigin + u"/delete?tid="_s + shown)};
    }

    Topic &topicAt(const QString &address)
    {
        return *std::find_if(topics.begin(), topics.end(), [&](const Topic &t) { return t.address == address; });
    }

    QStringList opened() const
    {
        QStringList addresses;
        for (const QString &entry : journal) {
            if (entry.startsWith(u"topic navigate "_s))
                addresses.append(entry.section(u' ', 2));
        }
        return addresses;
    }

    QList<ActionLog::Outcome> outcomes() const
    {
        QList<ActionLog::Outcome> result;
        for (const ActionLog::Entry &entry : log.page(QString(), 1000))
            result.prepend(entry.outcome);
        return result;
    }

    QTemporaryDir folder;
    ActionLog log{folder.filePath(u"actions.sqlite"_s)};
    ClockTimer retryTimer{clock};
    ClockTimer runTimer{clock};
    bool refuseDeletes = false;
    QList<Topic> topics;
    ModerationSession session{{board, topic, boardTimer, retryTimer, runTimer, clock, [this] { return banOption; },
                                  [](const QString &) {}, [](const QString &) {}},
        QUrl(kOrigin), log};
};

// Twenty forbidden topics among two hundred, all there at once: each is opened as soon as the one
// before it is done, in page order, and clicked once; nothing innocent is opened.
TEST_F(ModerationSessionTest, ClearsASpamWaveAtThePaceOfThePagesTouchingNothingInnocent)
{
    post(200, [](int i) { return i % 10 == 3; });
    session.start(u"版务"_s);
    QStringList forbidden;
    for (const Topic &t : topics) {
        if (t.title.contains(u"代开"_s))
            forbidden.append(t.address);
    }
    long long clearedAt = -1;
    while (clearedAt < 0 && clock.now < 60'000) {
        clock.advance(10);
        if (std::all_of(
                topics.cbegin(), topics.cend(), [](const Topic &t) { return t.deleted == t.title.contains(u"代开"); }))
            clearedAt = clock.now;
    }
    EXPECT_EQ(opened(), forbidden);
    for (const Topic &t : topics)
        EXPECT_EQ(t.deleteClicks, t.title.contains(u"代开"_s) ? 1 : 0) << t.title.toStdString();
    // One board load, then a topic load and the delete page per topic, back to back.
    EXPECT_LE(clearedAt, 1000 + 20 * (500 + kDeletePageMs));
    clock.advance(5000);
    EXPECT_EQ(outcomes(), QList<ActionLog::Outcome>(20, ActionLog::Outcome::Deleted));
}

TEST_F(ModerationSessionTest, PauseLetsTheRunUnderWayFinishItsTopicAndOpensNothingMore)
{
    post(3, [](int) { return true; });
    banOption = true;
    session.start(u"版务"_s);
    clock.advance(2000); // the first topic is open, its ban under way
    ASSERT_EQ(opened().size(), 1);
    session.pause();
    clock.settle(30'000);
    EXPECT_EQ(opened().size(), 1);
    EXPECT_TRUE(topics[0].deleted) << "a ban is never left half done";
    EXPECT_EQ(journal.count(u"topic click ban_ip_button"_s), 1);

    // The moderator's own browsing while paused opens nothing either.
    board.navigate(kOrigin + u"/f?kw=%E7%89%88%E5%8A%A1"_s);
    clock.settle(30'000);
    EXPECT_EQ(opened().size(), 1);
    EXPECT_FALSE(topics[1].deleted);
}

// A word removed, or log-only mode switched on, while topics wait: none of them is opened.
TEST_F(ModerationSessionTest, WhatWaitsIsDroppedWhenTheWordsOrTheModeChange)
{
    const std::function<void()> changes[] = {
        [this] { session.setWords({u"刷单"_s}); },
        [this] { session.setLogOnly(true); },
    };
    for (const auto &change : changes) {
        for (Topic &t : topics)
            t.deleted = true; // a clean board for each change
        journal.clear();
        session.setWords({u"代开"_s});
        session.setLogOnly(false);
        post(3, [](int) { return true; });
        session.start(u"版务"_s);
        clock.advance(1200); // the first topic is open, the other two wait
        ASSERT_EQ(session.waiting().size(), 2);
        change();
        clock.advance(20'000);
        EXPECT_EQ(opened().size(), 1);
        EXPECT_TRUE(session.waiting().isEmpty());
    }
}

TEST_F(ModerationSessionTest, ARefusedDeleteIsRecordedStillListedAfterTheMinute)
{
    post(1, [](int) { return true; });
    refuseDeletes = true;
    session.start(u"版务"_s);
    clock.advance(59'000);
    EXPECT_EQ(outcomes(), QList<ActionLog::Outcome>{ActionLog::Outcome::DeleteClicked});
    EXPECT_EQ(topics[0].deleteClicks, 1) << "not reopened within the minute";
    clock.advance(5000);
    EXPECT_EQ(outcomes().first(), ActionLog::Outcome::StillListed);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
