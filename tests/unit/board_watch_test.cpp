#include "board_watch.h"
#include "broad_word.h"
#include "fakes.h"
#include "qt_printing.h"

#include <gtest/gtest.h>

using namespace tidewick;
using namespace tidewick::fakes;

namespace {

const QString kTopicA = QStringLiteral("http://board.test/p/1");
const QString kTopicB = QStringLiteral("http://board.test/p/2");

class BoardWatchTest : public testing::Test, protected FakeWindow {
protected:
    BoardWatchTest()
    {
        watch.setWords({QStringLiteral("代开"), QStringLiteral("刷单")});
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
        QUrl(QStringLiteral("http://board.test"))};
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
        {"no anchors", AnchorList{}, {QStringLiteral("代开")}, QStringLiteral("board refresh")},
        {"empty word list", AnchorList{link(QStringLiteral("代开发票"), kTopicA)}, {}, QStringLiteral("board refresh")},
        {"innocent topics", AnchorList{link(QStringLiteral("晚霞"), kTopicA)}, {QStringLiteral("代开")},
            QStringLiteral("board refresh")},
        {"a matching topic", AnchorList{link(QStringLiteral("代开发票"), kTopicA)}, {QStringLiteral("代开")},
            QStringLiteral("topic navigate ") + kTopicA},
    };
    for (const auto &c : cases) {
        for (const bool running : {false, true}) {
            watch.setWords(c.words);
            board.anchors = c.page;
            running ? watch.Start(QString()) : watch.Pause();
            journal.clear();
            scan();
            watch.TimerTick();
            EXPECT_EQ(journal, running ? (Journal{c.running, QStringLiteral("board refresh")}) : Journal{})
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
            {link(QStringLiteral("晚霞"), QStringLiteral("http://board.test/p/9")),
                link(QStringLiteral("兼职刷 单"), kTopicA), link(QStringLiteral("代开"), kTopicB)},
            kTopicA},
        {"other scheme", {link(QStringLiteral("代开"), QStringLiteral("https://board.test/p/5"))}, QString()},
        {"other port", {link(QStringLiteral("代开"), QStringLiteral("http://board.test:8080/p/5"))}, QString()},
        {"other host", {link(QStringLiteral("代开"), QStringLiteral("http://evil.test/p/5"))}, QString()},
        {"host suffix", {link(QStringLiteral("代开"), QStringLiteral("http://board.test.evil.test/p/5"))}, QString()},
        {"user part", {link(QStringLiteral("代开"), QStringLiteral("http://user@evil.test/board.test/p/5"))},
            QString()},
        {"same origin spelled otherwise", {link(QStringLiteral("代开"), QStringLiteral("http://BOARD.test:80/p/7"))},
            QStringLiteral("http://BOARD.test:80/p/7")},
        {"anchors without an address or a text",
            {link(QStringLiteral("代开"), QString()), link(QStringLiteral("代开"), QStringLiteral("javascript:;")),
                Anchor{std::nullopt, QStringLiteral("http://board.test/p/8")}, link(QStringLiteral("代开"), kTopicB)},
            kTopicB},
    };
    startWatching();
    for (const auto &c : cases) {
        showPage(c.page);
        journal.clear();
        scan();
        EXPECT_EQ(journal,
            Journal{
                c.opened.isEmpty() ? QStringLiteral("board refresh") : QStringLiteral("topic navigate ") + c.opened})
            << c.name;
    }
    EXPECT_EQ(watch.DeletedCount(), 3);
    EXPECT_EQ(titles.last(), QStringLiteral("已删帖：3次"));
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
    testing::Values(OriginCase{QStringLiteral("board.test"), QStringLiteral("http://board.test")},
        OriginCase{QStringLiteral("board.test:8080"), QStringLiteral("http://board.test:8080")},
        OriginCase{QStringLiteral("127.0.0.1:1"), QStringLiteral("http://127.0.0.1:1")},
        OriginCase{QStringLiteral("http://Board.Test"), QStringLiteral("http://board.test")},
        OriginCase{QStringLiteral("HTTPS://board.test:65535"), QStringLiteral("https://board.test:65535")},
        OriginCase{QStringLiteral("https://[::1]:8443"), QStringLiteral("https://[::1]:8443")},
        OriginCase{QStringLiteral("https://board.test/"), QString()},
        OriginCase{QStringLiteral("board.test/f"), QString()}, OriginCase{QStringLiteral("board.test?kw=x"), QString()},
        OriginCase{QStringLiteral("board.test#top"), QString()},
        OriginCase{QStringLiteral("user:pw@board.test"), QString()},
        OriginCase{QStringLiteral("ftp://board.test"), QString()}, OriginCase{QStringLiteral("https://"), QString()},
        OriginCase{QString(), QString()}, OriginCase{QStringLiteral(":8080"), QString()},
        OriginCase{QStringLiteral("board.test:0"), QString()},
        OriginCase{QStringLiteral("board.test:65536"), QString()},
        OriginCase{QStringLiteral("board.test:-1"), QString()},
        OriginCase{QStringLiteral("board.test:http"), QString()},
        OriginCase{QStringLiteral("https://https://board.test"), QString()}));

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
        {"upgraded to https on another port", QStringLiteral("http://board.test"),
            QStringLiteral("https://board.test:8443/f?kw=x"), QStringLiteral("https://board.test:8443/p/1"), true,
            QString()},
        {"plain page of the old origin after the upgrade", QStringLiteral("http://board.test"),
            QStringLiteral("https://board.test/f?kw=x"), QStringLiteral("http://board.test/p/1"), false, QString()},
        {"another host", QStringLiteral("http://board.test"), QStringLiteral("https://elsewhere.test/f?kw=x"),
            QStringLiteral("http://board.test/p/1"), false, QStringLiteral("被转到 elsewhere.test")},
        {"down to http", QStringLiteral("https://board.test"), QStringLiteral("http://board.test/f?kw=x"),
            QStringLiteral("https://board.test/p/1"), false, QStringLiteral("http")},
    };
    for (const auto &c : cases) {
        BoardWatch moved{
            {board, clock, retryTimer, [](const QString &) {}, [this](const QString &s) { statuses.append(s); }},
            QUrl(c.origin)};
        moved.setWords({QStringLiteral("代开")});
        moved.setReports({openFirst(moved), nullptr, nullptr});
        moved.Start(QStringLiteral("x"));
        clock.runDue();
        board.url_ = c.shown;
        showPage({link(QStringLiteral("代开"), c.topic)});
        journal.clear();
        statuses.clear();
        moved.BoardScanCycle();
        clock.runDue();
        EXPECT_EQ(journal.contains(QStringLiteral("topic navigate ") + c.topic), c.opened) << c.name;
        if (c.status.isEmpty())
            continue;
        ASSERT_FALSE(statuses.isEmpty()) << c.name;
        EXPECT_TRUE(statuses.last().contains(c.status)) << c.name << ": " << statuses.last().toStdString();
        EXPECT_FALSE(journal.contains(QStringLiteral("board refresh"))) << c.name << ": backs off";
        journal.clear();
        fire();
        EXPECT_EQ(journal, Journal{QStringLiteral("board navigate ") + c.origin + QStringLiteral("/f?kw=x")}) << c.name;
    }
}

// A list that a script builds after the load is waited for, and scanned once it stands; a board
// whose list is there at load pays no wait but on a rare probe.
TEST_F(BoardWatchTest, WaitsForAListBuiltLateButReloadsAServerRenderedOneAtOnce)
{
    QList<int> listedCounts;
    watch.setReports({openFirst(watch), nullptr,
        [&](const QString &, const QStringList &listed) { listedCounts.append(listed.size()); }});
    startWatching(QStringLiteral("版务"));
    showPage({link(QStringLiteral("首页"), QStringLiteral("http://board.test/"))});
    const AnchorList built{link(QStringLiteral("首页"), QStringLiteral("http://board.test/")),
        link(QStringLiteral("晚霞"), QStringLiteral("http://board.test/p/9")), link(QStringLiteral("代开"), kTopicA)};
    clock.after(1800, [&] { showPage(built); }); // the script runs 1.8 s after the load
    journal.clear();
    scan();
    letTheListSettle();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA});
    EXPECT_EQ(listedCounts, QList<int>{2}) << "the topics are reported once, as built";

    // The next load of this board waits again, for as long as its list takes and no longer.
    showPage({link(QStringLiteral("首页"), QStringLiteral("http://board.test/"))});
    journal.clear();
    scan();
    EXPECT_TRUE(journal.isEmpty()) << "not reloaded before its list exists";
    showPage({link(QStringLiteral("首页"), QStringLiteral("http://board.test/")), link(QStringLiteral("晚霞"))});
    letTheListSettle();
    EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});

    // An empty board proves nothing: its next load is looked at again.
    startWatching(QStringLiteral("空"));
    showPage({link(QStringLiteral("首页"), QStringLiteral("http://board.test/"))});
    for (int i = 0; i < 2; ++i) {
        journal.clear();
        scan();
        EXPECT_TRUE(journal.isEmpty()) << i;
        letTheListSettle();
    }

    // A server-rendered board: one probe after Start, then every load is reloaded at once.
    watch.Start(QStringLiteral("摄影"));
    showPage({link(QStringLiteral("晚霞"), QStringLiteral("http://board.test/p/9"))});
    scan();
    letTheListSettle();
    int probes = 0;
    for (int i = 0; i < 2 * BoardWatch::kProbeEveryLoads; ++i) {
        journal.clear();
        scan();
        probes += retryTimer.armed();
        letTheListSettle();
        EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});
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
        EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")}) << i;
    }
}

// Only readable loads of the first list page of the watched board can confirm a deletion: page
// two, another board, the portal, an error page and a paused watch report nothing; the topics
// reported are the board's own links that are not its navigation.
TEST_F(BoardWatchTest, ReportsTheTopicsOfTheWatchedBoardsFirstListPageOnly)
{
    QList<QStringList> reported;
    watch.setReports({nullptr, nullptr, [&](const QString &, const QStringList &topics) { reported.append(topics); }});
    showPage({link(QStringLiteral("首页"), QStringLiteral("http://board.test/")),
        link(QStringLiteral("刷新"), QStringLiteral("http://board.test/f?kw=demo")),
        link(QStringLiteral("晚霞"), kTopicA),
        link(QStringLiteral("外站"), QStringLiteral("http://elsewhere.test/p/1"))});
    const struct {
        QString shown;
        bool ok;
        bool running;
        bool reported;
    } cases[] = {
        {QStringLiteral("http://board.test/f?kw=demo"), true, true, true},
        {QStringLiteral("http://board.test/f?kw=demo&pn=50"), true, true, false},
        {QStringLiteral("http://board.test/f?kw=other"), true, true, false},
        {QStringLiteral("http://board.test/"), true, true, false},
        {QStringLiteral("http://board.test/f?kw=demo"), false, true, false},
        {QStringLiteral("http://board.test/f?kw=demo"), true, false, false},
    };
    for (const auto &c : cases) {
        startWatching(QStringLiteral("demo"));
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
    const QString kTopicC = QStringLiteral("http://board.test/p/3");
    showPage({link(QStringLiteral("代开"), kTopicA), link(QStringLiteral("刷单"), kTopicB),
        link(QStringLiteral("代开"), kTopicC)});
    scan();
    clock.now += 1000;
    scan(); // A is still listed right after its delete click
    clock.now += 1000;
    scan();
    EXPECT_EQ(journal,
        (Journal{QStringLiteral("topic navigate ") + kTopicA, QStringLiteral("topic navigate ") + kTopicB,
            QStringLiteral("topic navigate ") + kTopicC}));

    journal.clear();
    clock.now += 1000;
    scan();
    EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")}) << "only recent ones left: reloaded at once";
    EXPECT_EQ(watch.LastOpenedUrl(), kTopicC);
    EXPECT_EQ(watch.DeletedCount(), 3);

    // Two undeletable topics: each opened at most once a minute, never taking turns.
    journal.clear();
    for (int second = 0; second < 56; ++second) {
        clock.now += 1000;
        scan();
    }
    EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 56);
    clock.now += 1000; // a minute after A was opened: a failure may have been transient
    journal.clear();
    scan();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA});
}

TEST_F(BoardWatchTest, ATopicLeftStandingReloadsTheBoardAtOnceOnlyIfItIsTheOneOpened)
{
    showPage({link(QStringLiteral("代开"), kTopicA)});
    watch.topicLeftStanding(kTopicA);
    EXPECT_EQ(journal, Journal{}) << "paused";
    startWatching();
    scan();
    journal.clear();
    watch.topicLeftStanding(QStringLiteral("http://board.test/delete?tid=1"));
    EXPECT_EQ(journal, Journal{}) << "a page the watch did not open, such as a delete result";
    watch.topicLeftStanding(kTopicA);
    EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});
}

TEST_F(BoardWatchTest, RemembersAtMostTheLatestOpenedTopics)
{
    startWatching();
    const auto topicUrl = [](int i) { return QStringLiteral("http://board.test/p/%1").arg(i); };
    for (int i = 0; i <= BoardWatch::kMaxRecentlyOpened; ++i) {
        showPage({link(QStringLiteral("代开"), topicUrl(i))});
        scan();
    }
    journal.clear();
    showPage({link(QStringLiteral("代开"), topicUrl(1)), link(QStringLiteral("代开"), topicUrl(0))});
    scan();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + topicUrl(0)}) << "the oldest was dropped";
}

TEST_F(BoardWatchTest, FailedLoadsBackOffUpToTheTimerIntervalAndASuccessResets)
{
    showPage({link(QStringLiteral("晚霞"), kTopicA)});
    watch.Start(QString());
    journal.clear();
    for (int failure = 0; failure < 7; ++failure) {
        journal.clear();
        scan(false);
        EXPECT_EQ(journal, Journal{}) << "no reload at once after a failure";
        fire();
        EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});
    }
    EXPECT_EQ(retryTimer.delays, (QList<long long>{500, 1000, 2000, 4000, 8000, 8000, 8000}));

    journal.clear();
    scan(true);
    EXPECT_EQ(journal, Journal{QStringLiteral("board refresh")});
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
    EXPECT_EQ(statuses.last(), QStringLiteral("页面没有响应，0.5 秒后重试"));
}

TEST_F(BoardWatchTest, WatchdogReloadsABoardWithoutLoadsForThreeIntervals)
{
    watch.WatchdogTick();
    watch.Start(QStringLiteral("demo"));
    journal.clear();
    clock.now += BoardWatch::kWatchdogMs - 1;
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{});
    EXPECT_EQ(statuses.last(), QStringLiteral("等待较慢的页面，已 23 秒")) << "the first load is still under way";
    clock.now += 1;
    watch.WatchdogTick();
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{QStringLiteral("board navigate http://board.test/f?kw=demo")})
        << "once per watchdog period, even over a load that hangs";

    journal.clear();
    showPage({link(QStringLiteral("代开"), kTopicA)}); // a load that opens a topic and so does not reload
    clock.now += 1000;
    scan();
    clock.now += BoardWatch::kWatchdogMs - 1;
    watch.WatchdogTick();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA});
    watch.Pause();
    clock.now += BoardWatch::kWatchdogMs;
    watch.WatchdogTick();
    EXPECT_EQ(journal.size(), 1);
}

TEST_F(BoardWatchTest, ALoadDuringTheReadIsScannedInsteadOfTheOlderPage)
{
    startWatching();
    showPage({link(QStringLiteral("代开"), kTopicA)});
    bool reloaded = false;
    board.onRead = [&] {
        if (reloaded)
            return;
        reloaded = true;
        showPage({link(QStringLiteral("刷单"), kTopicB)});
        scan();
    };
    scan();
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

} // namespace

namespace {

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
    watch.Start(QStringLiteral("摄影"));
    watch.Pause();
    for (const Case &c : cases) {
        AnchorList page;
        for (int i = 0; i < c.links; ++i) {
            page.append(link(i < c.matching ? QStringLiteral("晚霞%1").arg(i) : QStringLiteral("日常%1").arg(i),
                QStringLiteral("http://board.test/p/%1").arg(i)));
        }
        for (int i = 0; i < 20; ++i)
            page.append(link(QStringLiteral("日常"), QStringLiteral("http://elsewhere.test/%1").arg(i)));
        page.append(link(QStringLiteral("晚霞"), QStringLiteral("https://board.test/p/z")));
        page.append(link(QStringLiteral("晚霞"), QStringLiteral("javascript:;")));
        page.append(link(QStringLiteral("晚霞"), QString()));
        page.append(link(QString(), QStringLiteral("http://board.test/p/x")));
        page.append(Anchor{std::nullopt, QStringLiteral("http://board.test/p/y")});
        const std::optional<QStringList> texts = watch.scannedTexts(page);
        ASSERT_TRUE(texts);
        const WordReach reach = reachOf(QStringLiteral("晚霞"), *texts);
        EXPECT_EQ(reach.links, c.links);
        EXPECT_EQ(reach.matched, c.matching);
        EXPECT_EQ(reach.isTooBroad(), c.tooBroad) << c.links << " links, " << c.matching << " matching";
    }
    EXPECT_EQ(reachOf(QStringLiteral("~晚霞"), {QStringLiteral("晚　霞"), QStringLiteral("晚霞")}).matched, 2);
    for (const QString &elsewhere : {QStringLiteral("http://board.test/f?kw=%E6%91%84%E5%BD%B1&pn=50"),
             QStringLiteral("http://board.test/f?kw=other"), QStringLiteral("http://board.test/")}) {
        board.url_ = elsewhere;
        EXPECT_FALSE(watch.scannedTexts({link(QStringLiteral("晚霞"))})) << elsewhere.toStdString();
    }
}

TEST_F(BoardWatchTest, LogOnlyOpensNothingLogsEachMatchOnceInTenMinutesAndReloads)
{
    QList<MatchedTopic> logged;
    watch.setReports({openFirst(watch), [&](const MatchedTopic &t) { logged.append(t); }, nullptr});
    watch.setWords({QStringLiteral("刷单"), QStringLiteral("代开")});
    showPage({link(QStringLiteral("晚霞"), QStringLiteral("http://board.test/p/9")),
        link(QStringLiteral("代 开发票"), kTopicA), link(QStringLiteral("兼职刷单"), kTopicB)});
    startWatching(QStringLiteral("版务"));
    watch.setLogOnly(true);
    scan();
    letTheListSettle();
    journal.clear();
    for (int i = 0; i < 3; ++i) {
        clock.now += 60'000;
        scan();
    }
    EXPECT_EQ(journal.count(QStringLiteral("board refresh")), 3);
    EXPECT_TRUE(journal.filter(QStringLiteral("topic")).isEmpty());
    ASSERT_EQ(logged.size(), 2);
    EXPECT_EQ(logged[0].address, kTopicA);
    EXPECT_EQ(logged[0].word, QStringLiteral("代开"));
    EXPECT_EQ(logged[0].linkText, QStringLiteral("代 开发票"));
    EXPECT_EQ(logged[0].board, QStringLiteral("版务"));
    EXPECT_EQ(logged[1].word, QStringLiteral("刷单"));
    EXPECT_EQ(titles.last(), QStringLiteral("已记录：2条（只记录）"));

    clock.now += BoardWatch::kLogAgainAfterMs;
    scan();
    EXPECT_EQ(logged.size(), 4) << "logged again after ten minutes";

    watch.setLogOnly(false);
    EXPECT_EQ(titles.last(), QStringLiteral("已删帖：0次"));
    journal.clear();
    scan();
    EXPECT_EQ(journal, Journal{QStringLiteral("topic navigate ") + kTopicA}) << "logged topics are handled as usual";
}

} // namespace
