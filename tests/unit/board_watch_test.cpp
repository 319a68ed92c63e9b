#include "board_watch.h"
#include "broad_word.h"
#include "fakes.h"
#include "qt_printing.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tidewick;
using namespace tidewick::fakes;

namespace {

const QString kTopicA = u"http://board.test/p/1"_s;
const QString kTopicB = u"http://board.test/p/2"_s;

class BoardWatchTest : public testing::Test, protected FakeWindow {
protected:
    BoardWatchTest()
    {
        watch.setWords({u"代开"_s, u"刷单"_s});
        watch.setReports({openFirst(watch), nullptr, nullptr});
    }

    void showPage(AnchorList anchors) { board.anchors = std::move(anchors); }

    // A finished load of the board view, scanned once the page has answered.
    void scan(bool ok = true)
    {
        watch.BoardScanCycle(ok);
        clock.runDue();
    }
    // The retry or the next look for a late list, when it falls due.
    void fire()
    {
        if (retryTimer.armed())
            clock.advance(retryTimer.delays.last());
    }
    void startWatching(const QString &boardName = QString())
    {
        watch.Start(boardName);
        clock.runDue();
        journal.clear();
    }

    // Lets the looks for a list built late run their course, as time passes.
    void letTheListSettle()
    {
        while (retryTimer.armed())
            fire();
    }

    // Opens the first match, as the session does when the topic view is free.
    std::function<bool(const QList<MatchedTopic> &)> openFirst(BoardWatch &w)
    {
        return [this, &w](const QList<MatchedTopic> &matches) {
            if (matches.isEmpty())
                return false;
            w.topicOpened(matches.first());
            topic.navigate(matches.first().address);
            return true;
        };
    }

    ClockTimer retryTimer{clock};
    QStringList titles;
    QStringList statuses;
    BoardWatch watch{{board, clock, retryTimer, [this](const QString &t) { titles.append(t); },
                         [this](const QString &s) { statuses.append(s); }},
        QUrl(u"http://board.test"_s)};
};

// A load opens a topic or reloads the board, and the timer's tick reloads, only while running: the
// portal at start, or the moderator's own browsing while paused, opens nothing.
TEST_F(BoardWatchTest, ALoadOpensOrReloadsOnlyWhileRunning)
{
    const struct {
        const char *name;
        std::optional<AnchorList> page;
        QStringList words;
        QString running; // what the load does while running
    } cases[] = {
        {"no anchors", AnchorList{}, {u"代开"_s}, u"board refresh"_s},
        {"empty word list", AnchorList{link(u"代开发票"_s, kTopicA)}, {}, u"board refresh"_s},
        {"innocent topics", AnchorList{link(u"晚霞"_s, kTopicA)}, {u"代开"_s}, u"board refresh"_s},
        {"a matching topic", AnchorList{link(u"代开发票"_s, kTopicA)}, {u"代开"_s}, u"topic navigate "_s + kTopicA},
    };
    for (const auto &c : cases) {
        for (const bool running : {false, true}) {
            watch.setWords(c.words);
            board.anchors = c.page;
            running ? watch.Start(QString()) : watch.Pause();
            journal.clear();
            scan();
            watch.TimerTick();
            EXPECT_EQ(journal, running ? (Journal{c.running, u"board refresh"_s}) : Journal{})
                << c.name << (running ? " running" : " paused");
        }
    }
    EXPECT_EQ(watch.DeletedCount(), 1);
}

// The first matching anchor in page order, by its own address, and only on the board's origin:
// the moderator's sign-in never acts on a foreign page.
TEST_F(BoardWatchTest, OpensTheFirstMatchingTopicOnTheBoardsOwnOrigin)
{
    const struct {
        const char *name;
        AnchorList page;
        QString opened; // empty: none, and the page is reloaded
    } cases[] = {
        {"page order",
            {link(u"晚霞"_s, u"http://board.test/p/9"_s), link(u"兼职刷 单"_s, kTopicA), link(u"代开"_s, kTopicB)},
            kTopicA},
        {"other scheme", {link(u"代开"_s, u"https://board.test/p/5"_s)}, QString()},
        {"other port", {link(u"代开"_s, u"http://board.test:8080/p/5"_s)}, QString()},
        {"other host", {link(u"代开"_s, u"http://evil.test/p/5"_s)}, QString()},
        {"host suffix", {link(u"代开"_s, u"http://board.test.evil.test/p/5"_s)}, QString()},
        {"user part", {link(u"代开"_s, u"http://user@evil.test/board.test/p/5"_s)}, QString()},
        {"same origin spelled otherwise", {link(u"代开"_s, u"http://BOARD.test:80/p/7"_s)},
            u"http://BOARD.test:80/p/7"_s},
        {"anchors without an address or a text",
            {link(u"代开"_s, QString()), link(u"代开"_s, u"javascript:;"_s),
                Anchor{std::nullopt, u"http://board.test/p/8"_s}, link(u"代开"_s, kTopicB)},
            kTopicB},
    };
    startWatching();
    for (const auto &c : cases) {
        showPage(c.page);
        journal.clear();
        scan();
        EXPECT_EQ(journal, Journal{c.opened.isEmpty() ? u"board refresh"_s : u"topic navigate "_s + c.opened})
            << c.name;
    }
    EXPECT_EQ(watch.DeletedCount(), 3);
    EXPECT_EQ(titles.last(), u"已删帖：3次"_s);
}

struct OriginCase {
    QString text;
    QString origin; // empty: refused
};

class BoardOriginTable : public testing::TestWithParam<OriginCase> { };

TEST_P(BoardOriginTable, AcceptsOnlyASchemeHostAndPort)
{
    const BoardOrigin parsed = parseBoardOrigin(GetParam().text);
    EXPECT_EQ(parsed.error.isEmpty(), !GetParam().origin.isEmpty()) << parsed.error.toStdString();
    EXPECT_EQ(parsed.origin.toString(), GetParam().origin);
}

INSTANTIATE_TEST_SUITE_P(Cases, BoardOriginTable,
    testing::Values(OriginCase{u"board.test"_s, u"http://board.test"_s},
        OriginCase{u"board.test:8080"_s, u"http://board.test:8080"_s},
        OriginCase{u"127.0.0.1:1"_s, u"http://127.0.0.1:1"_s},
        OriginCase{u"http://Board.Test"_s, u"http://board.test"_s},
        OriginCase{u"HTTPS://board.test:65535"_s, u"https://board.test:65535"_s},
        OriginCase{u"https://[::1]:8443"_s, u"https://[::1]:8443"_s}, OriginCase{u"https://board.test/"_s, QString()},
        OriginCase{u"board.test/f"_s, QString()}, OriginCase{u"board.test?kw=x"_s, QString()},
        OriginCase{u"board.test#top"_s, QString()}, OriginCase{u"user:pw@board.test"_s, QString()},
        OriginCase{u"ftp://board.test"_s, QString()}, OriginCase{u"https://"_s, QString()},
        OriginCase{QString(), QString()}, OriginCase{u":8080"_s, QString()}, OriginCase{u"board.test:0"_s, QString()},
        OriginCase{u"board.test:65536"_s, QString()}, OriginCase{u"board.test:-1"_s, QString()},
        OriginCase{u"board.test:http"_s, QString()}, OriginCase{u"https://https://board.test"_s, QString()}));

// The service may move the board to https on the same host; a page elsewhere is never the board's.
TEST_F(BoardWatchTest, FollowsTheUpgradeToHttpsAndOpensNothingElsewhere)
{
    const struct {
        const char *name;
        QString origin;
        QString shown;
        QString topic;
        bool opened;
        QString status;
    } cases[] = {
        {"upgraded to https on another port", u"http://board.test"_s, u"https://board.test:8443/f?kw=x"_s,
            u"https://board.test:8443/p/1"_s, true, QString()},
        {"plain page of the old origin after the upgrade", u"http://board.test"_s, u"https://board.test/f?kw=x"_s,
            u"http://board.test/p/1"_s, false, QString()},
        {"another host", u"http://board.test"_s, u"https://elsewhere.test/f?kw=x"_s, u"http://board.test/p/1"_s, false,
            u"被转到 elsewhere.test"_s},
        {"down to http", u"https://board.test"_s, u"http://board.test/f?kw=x"_s, u"https://board.test/p/1"_s, false,
            u"http"_s},
    };
    for (const auto &c : cases) {
        BoardWatch moved{
            {board, clock, retryTimer, [](const QString &) {}, [this](const QString &s) { statuses.append(s); }},
            QUrl(c.origin)};
        moved.setWords({u"代开"_s});
        moved.setReports({openFirst(moved), nullptr, nullptr});
        moved.Start(u"x"_s);
        clock.runDue();
        board.url_ = c.shown;
        showPage({link(u"代开"_s, c.topic)});
        journal.clear();
        statuses.clear();
        moved.BoardScanCycle();
        clock.runDue();
        EXPECT_EQ(journal.contains(u"topic navigate "_s + c.topic), c.opened) << c.name;
        if (c.status.isEmpty())
            continue;
        ASSERT_FALSE(statuses.isEmpty()) << c.name;
        EXPECT_TRUE(statuses.last().contains(c.status)) << c.name << ": " << statuses.last().toStdString();
        EXPECT_FALSE(journal.contains(u"board refresh"_s)) << c.name << ": backs off";
        journal.clear();
        fire();
        EXPECT_EQ(journal, Journal{u"board navigate "_s + c.origin + u"/f?kw=x"_s}) << c.name;
    }
}

// A list that a script builds after the load is waited for, and scanned once it stands; a board
// whose list is there at load pays no wait but on a rare probe.
TEST_F(BoardWatchTest, WaitsForAListBuiltLateButReloadsAServerRenderedOneAtOnce)
{
    QList<int> listedCounts;
    watch.setReports({openFirst(watch), nullptr,
        [&](const QString &, const QStringList &listed) { listedCounts.append(listed.size()); }});
    startWatching(u"版务"_s);
    showPage({link(u"首页"_s, u"http://board.test/"_s)});
    const AnchorList built{link(u"首页"_s, u"http://board.test/"_s), link(u"晚霞"_s, u"http://board.test/p/9"_s),
        link(u"代开"_s, kTopicA)};
    clock.after(1800, [&] { showPage(built); }); // the script runs 1.8 s after the load
    journal.clear();
    scan();
    letTheListSettle();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + kTopicA});
    EXPECT_EQ(listedCounts, QList<int>{2}) << "the topics are reported once, as built";

    // The next load of this board waits again, for as long as its list takes and no longer.
    showPage({link(u"首页"_s, u"http://board.test/"_s)});
    journal.clear();
    scan();
    EXPECT_TRUE(journal.isEmpty()) << "not reloaded before its list exists";
    showPage({link(u"首页"_s, u"http://board.test/"_s), link(u"晚霞"_s)});
    letTheListSettle();
    EXPECT_EQ(journal, Journal{u"board refresh"_s});

    // An empty board proves nothing: its next load is looked at again.
    startWatching(u"空"_s);
    showPage({link(u"首页"_s, u"http://board.test/"_s)});
    for (int i = 0; i < 2; ++i) {
        journal.clear();
        scan();
        EXPECT_TRUE(journal.isEmpty()) << i;
        letTheListSettle();
    }

    // A server-rendered board: one probe after Start, then every load is reloaded at once.
    watch.Start(u"摄影"_s);
    showPage({link(u"晚霞"_s, u"http://board.test/p/9"_s)});
    scan();
    letTheListSettle();
    int probes = 0;
    for (int i = 0; i < 2 * BoardWatch::kProbeEveryLoads; ++i) {
        journal.clear();
        scan();
        probes += retryTimer.armed();
        letTheListSettle();
        EXPECT_EQ(journal, Journal{u"board refresh"_s});
    }
    EXPECT_EQ(probes, 2);

    // The list built before the first read, on this board taken for server-rendered: more links
    // than at the load event tell; the list is scanned once it stands, and so are later loads.
    board.anchorsAtLoad = 0;
    for (int i = 0; i < 2; ++i) {
        journal.clear();
        scan();
        EXPECT_TRUE(journal.isEmpty()) << i;
        letTheListSettle();
        EXPECT_EQ(journal, Journal{u"board refresh"_s}) << i;
    }
}

// Only readable loads of the first list page of the watched board can confirm a deletion: page
// two, another board, the portal, an error page and a paused watch report nothing; the topics
// reported are the board's own links that are not its navigation.
TEST_F(BoardWatchTest, ReportsTheTopicsOfTheWatchedBoardsFirstListPageOnly)
{
    QList<QStringList> reported;
    watch.setReports({nullptr, nullptr, [&](const QString &, const QStringList &topics) { reported.append(topics); }});
    showPage({link(u"首页"_s, u"http://board.test/"_s), link(u"刷新"_s, u"http://board.test/f?kw=demo"_s),
        link(u"晚霞"_s, kTopicA), link(u"外站"_s, u"http://elsewhere.test/p/1"_s)});
    const struct {
        QString shown;
        bool ok;
        bool running;
        bool reported;
    } cases[] = {
        {u"http://board.test/f?kw=demo"_s, true, true, true},
        {u"http://board.test/f?kw=demo&pn=50"_s, true, true, false},
        {u"http://board.test/f?kw=other"_s, true, true, false},
        {u"http://board.test/"_s, true, true, false},
        {u"http://board.test/f?kw=demo"_s, false, true, false},
        {u"http://board.test/f?kw=demo"_s, true, false, false},
    };
    for (const auto &c : cases) {
        startWatching(u"demo"_s);
        board.anchorsAtLoad = 4; // served complete: reported at once
        if (!c.running)
            watch.Pause();
        board.url_ = c.shown;
        reported.clear();
        scan(c.ok);
        letTheListSettle();
        EXPECT_EQ(reported, c.reported ? QList<QStringList>{{kTopicA}} : QList<QStringList>{})
            << c.shown.toStdString() << c.ok << c.running;
    }
}

// A topic that cannot be deleted stays listed; it must not hold up the topics below it.
TEST_F(BoardWatchTest, ATopicOpenedWithinTheLastMinuteIsPassedOver)
{
    startWatching();
    const QString kTopicC = u"http://board.test/p/3"_s;
    showPage({link(u"代开"_s, kTopicA), link(u"刷单"_s, kTopicB), link(u"代开"_s, kTopicC)});
    scan();
    clock.now += 1000;
    scan(); // A is still listed right after its delete click
    clock.now += 1000;
    scan();
    EXPECT_EQ(journal,
        (Journal{u"topic navigate "_s + kTopicA, u"topic navigate "_s + kTopicB, u"topic navigate "_s + kTopicC}));

    journal.clear();
    clock.now += 1000;
    scan();
    EXPECT_EQ(journal, Journal{u"board refresh"_s}) << "only recent ones left: reloaded at once";
    EXPECT_EQ(watch.LastOpenedUrl(), kTopicC);
    EXPECT_EQ(watch.DeletedCount(), 3);

    // Two undeletable topics: each opened at most once a minute, never taking turns.
    journal.clear();
    for (int second = 0; second < 56; ++second) {
        clock.now += 1000;
        scan();
    }
    EXPECT_EQ(journal.count(u"board refresh"_s), 56);
    clock.now += 1000; // a minute after A was opened: a failure may have been transient
    journal.clear();
    scan();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + kTopicA});
}

TEST_F(BoardWatchTest, ATopicLeftStandingReloadsTheBoardAtOnceOnlyIfItIsTheOneOpened)
{
    showPage({link(u"代开"_s, kTopicA)});
    watch.topicLeftStanding(kTopicA);
    EXPECT_EQ(journal, Journal{}) << "paused";
    startWatching();
    scan();
    journal.clear();
    watch.topicLeftStanding(u"http://board.test/delete?tid=1"_s);
    EXPECT_EQ(journal, Journal{}) << "a page the watch did not open, such as a delete result";
    watch.topicLeftStanding(kTopicA);
    EXPECT_EQ(journal, Journal{u"board refresh"_s});
}

TEST_F(BoardWatchTest, RemembersAtMostTheLatestOpenedTopics)
{
    startWatching();
    const auto topicUrl = [](int i) { return u"http://board.test/p/%1"_s.arg(i); };
    for (int i = 0; i <= BoardWatch::kMaxRecentlyOpened; ++i) {
        showPage({link(u"代开"_s, topicUrl(i))});
        scan();
    }
    journal.clear();
    showPage({link(u"代开"_s, topicUrl(1)), link(u"代开"_s, topicUrl(0))});
    scan();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + topicUrl(0)}) << "the oldest was dropped";
}

TEST_F(BoardWatchTest, FailedLoadsBackOffUpToTheTimerIntervalAndASuccessResets)
{
    showPage({link(u"晚霞"_s, kTopicA)});
    watch.Start(QString());
    journal.clear();
    for (int failure = 0; failure < 7; ++failure) {
        journal.clear();
        scan(false);
        EXPECT_EQ(journal, Journal{}) << "no reload at once after a failure";
        fire();
        EXPECT_EQ(journal, Journal{u"board refresh"_s});
    }
    EXPECT_EQ(retryTimer.delays, (QList<long long>{500, 1000, 2000, 4000, 8000, 8000, 8000}));

    journal.clear();
    scan(true);
    EXPECT_EQ(journal, Journal{u"board refresh"_s});
    scan(false);
    EXPECT_EQ(retryTimer.delays.last(), 500);
    watch.Pause();
    journal.clear();
    fire();
    EXPECT_EQ(journal, Journal{}) << "a retry due after Pause reloads nothing";

    // A page that loaded but answers no read, as a hung one, is backed off from the same way.
    startWatching();
    board.anchors = std::nullopt;
    scan();
    EXPECT_EQ(journal, Journal{});
    EXPECT_EQ(retryTimer.delays.last(), 500);
    EXPECT_EQ(statuses.last(), u"页面没有响应，0.5 秒后重试"_s);
}

TEST_F(BoardWatchTest, WatchdogReloadsABoardWithoutLoadsForThreeIntervals)
{
    watch.WatchdogTick();
    watch.Start(u"demo"_s);
    journal.clear();
    clock.now += BoardWatch::kWatchdogMs - 1;
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{});
    EXPECT_EQ(statuses.last(), u"等待较慢的页面，已 23 秒"_s) << "the first load is still under way";
    clock.now += 1;
    watch.WatchdogTick();
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{u"board navigate http://board.test/f?kw=demo"_s})
        << "once per watchdog period, even over a load that hangs";

    journal.clear();
    showPage({link(u"代开"_s, kTopicA)}); // a load that opens a topic and so does not reload
    clock.now += 1000;
    scan();
    clock.now += BoardWatch::kWatchdogMs - 1;
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + kTopicA});
    watch.Pause();
    clock.now += BoardWatch::kWatchdogMs;
    watch.WatchdogTick();
    EXPECT_EQ(journal.size(), 1);
}

TEST_F(BoardWatchTest, ALoadDuringTheReadIsScannedInsteadOfTheOlderPage)
{
    startWatching();
    showPage({link(u"代开"_s, kTopicA)});
    bool reloaded = false;
    board.onRead = [&] {
        if (reloaded)
            return;
        reloaded = true;
        showPage({link(u"刷单"_s, kTopicB)});
        scan();
    };
    scan();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + kTopicB});
}

TEST_F(BoardWatchTest, StartNavigatesToTheEncodedBoardAddress)
{
    struct Case {
        QString name;
        QString address;
    };
    const Case cases[] = {
        {QString(), u"http://board.test/f?kw="_s},
        {u"demo"_s, u"http://board.test/f?kw=demo"_s},
        {u"a&b #+%?c"_s, u"http://board.test/f?kw=a%26b%20%23%2B%25%3Fc"_s},
        {u"吧"_s, u"http://board.test/f?kw=%E5%90%A7"_s},
    };
    for (const Case &c : cases) {
        journal.clear();
        watch.Start(c.name);
        EXPECT_EQ(journal, Journal{u"board navigate "_s + c.address});
        EXPECT_TRUE(watch.IsRunning());
    }
}

// The share counts the links the watch would try: on the board's origin, with a text, on the
// list page of the board last started; navigation to other hosts does not dilute it.
TEST_F(BoardWatchTest, ABroadWordIsWeighedAgainstTheLinksTheWatchWouldTry)
{
    struct Case {
        int links;
        int matching;
        bool tooBroad;
    };
    const Case cases[] = {{9, 9, false}, {10, 3, false}, {10, 4, true}, {12, 4, false}, {12, 5, true}, {30, 10, false},
        {30, 11, true}, {0, 0, false}};
    watch.Start(u"摄影"_s);
    watch.Pause();
    for (const Case &c : cases) {
        AnchorList page;
        for (int i = 0; i < c.links; ++i) {
            page.append(
                link(i < c.matching ? u"晚霞%1"_s.arg(i) : u"日常%1"_s.arg(i), u"http://board.test/p/%1"_s.arg(i)));
        }
        for (int i = 0; i < 20; ++i)
            page.append(link(u"日常"_s, u"http://elsewhere.test/%1"_s.arg(i)));
        page.append(link(u"晚霞"_s, u"https://board.test/p/z"_s));
        page.append(link(u"晚霞"_s, u"javascript:;"_s));
        page.append(link(u"晚霞"_s, QString()));
        page.append(link(QString(), u"http://board.test/p/x"_s));
        page.append(Anchor{std::nullopt, u"http://board.test/p/y"_s});
        const std::optional<QStringList> texts = watch.scannedTexts(page);
        ASSERT_TRUE(texts);
        const WordReach reach = reachOf(u"晚霞"_s, *texts);
        EXPECT_EQ(reach.links, c.links);
        EXPECT_EQ(reach.matched, c.matching);
        EXPECT_EQ(reach.isTooBroad(), c.tooBroad) << c.links << " links, " << c.matching << " matching";
    }
    EXPECT_EQ(reachOf(u"~晚霞"_s, {u"晚　霞"_s, u"晚霞"_s}).matched, 2);
    for (const QString &elsewhere : {u"http://board.test/f?kw=%E6%91%84%E5%BD%B1&pn=50"_s,
             u"http://board.test/f?kw=other"_s, u"http://board.test/"_s}) {
        board.url_ = elsewhere;
        EXPECT_FALSE(watch.scannedTexts({link(u"晚霞"_s)})) << elsewhere.toStdString();
    }
}

TEST_F(BoardWatchTest, LogOnlyOpensNothingLogsEachMatchOnceInTenMinutesAndReloads)
{
    QList<MatchedTopic> logged;
    watch.setReports({openFirst(watch), [&](const MatchedTopic &t) { logged.append(t); }, nullptr});
    watch.setWords({u"刷单"_s, u"代开"_s});
    showPage(
        {link(u"晚霞"_s, u"http://board.test/p/9"_s), link(u"代 开发票"_s, kTopicA), link(u"兼职刷单"_s, kTopicB)});
    startWatching(u"版务"_s);
    watch.setLogOnly(true);
    scan();
    letTheListSettle();
    journal.clear();
    for (int i = 0; i < 3; ++i) {
        clock.now += 60'000;
        scan();
    }
    EXPECT_EQ(journal.count(u"board refresh"_s), 3);
    EXPECT_TRUE(journal.filter(u"topic"_s).isEmpty());
    ASSERT_EQ(logged.size(), 2);
    EXPECT_EQ(logged[0].address, kTopicA);
    EXPECT_EQ(logged[0].word, u"代开"_s);
    EXPECT_EQ(logged[0].linkText, u"代 开发票"_s);
    EXPECT_EQ(logged[0].board, u"版务"_s);
    EXPECT_EQ(logged[1].word, u"刷单"_s);
    EXPECT_EQ(titles.last(), u"已记录：2条（只记录）"_s);

    clock.now += BoardWatch::kLogAgainAfterMs;
    scan();
    EXPECT_EQ(logged.size(), 4) << "logged again after ten minutes";

    watch.setLogOnly(false);
    EXPECT_EQ(titles.last(), u"已删帖：0次"_s);
    journal.clear();
    scan();
    EXPECT_EQ(journal, Journal{u"topic navigate "_s + kTopicA}) << "logged topics are handled as usual";
}

} // namespace
