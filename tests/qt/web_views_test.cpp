// The browser contract on the real web engine, against the local board service.
#include "board_service_process.h"
#include "qt_browser_view.h"
#include "qt_clock.h"
#include "qt_event_loop.h"
#include "qt_timer.h"
#include "topic_action_sequence.h"
#include "unattended_page.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <ctime>

using namespace tidewick;

class WebViewsTest : public QObject {
    Q_OBJECT

private:
    bool load(QtBrowserView &view, const QString &url)
    {
        QSignalSpy finished(&view, &QtBrowserView::loadFinished);
        view.navigate(url);
        return finished.wait(15000);
    }

    int indexOf(const AnchorList &anchors, const QString &text)
    {
        for (qsizetype i = 0; i < anchors.size(); ++i) {
            if (anchors[i].text == text)
                return static_cast<int>(i);
        }
        return -1;
    }

    // The waiting thread's own CPU time: the web engine's threads do not count.
    static double threadCpuSeconds()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    }

    QTemporaryDir m_storage;
    BoardServiceProcess m_service;
    std::unique_ptr<QWebEngineProfile> m_profile;
    QWebEngineView *m_boardView = nullptr;
    QWebEngineView *m_topicView = nullptr;
    QtEventLoop m_loop;
    QTimer m_timerObject;
    QtTimer m_timer{m_timerObject};
    std::unique_ptr<QtBrowserView> m_board;
    std::unique_ptr<QtBrowserView> m_topic;
    bool m_boardUnattended = true;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        m_profile = std::make_unique<QWebEngineProfile>(QStringLiteral("webviews-test"));
        m_profile->setPersistentStoragePath(m_storage.path());
        m_boardView = new QWebEngineView;
        auto *boardPage = new UnattendedPage(
            m_profile.get(), UnattendedPage::ConfirmAnswer::Cancel, [this] { return m_boardUnattended; });
        boardPage->setParent(m_boardView);
        m_boardView->setPage(boardPage);
        m_topicView = new QWebEngineView;
        auto *topicPage = new UnattendedPage(m_profile.get(), UnattendedPage::ConfirmAnswer::Accept);
        topicPage->setParent(m_topicView);
        m_topicView->setPage(topicPage);
        m_board = std::make_unique<QtBrowserView>(m_boardView, m_loop);
        m_topic = std::make_unique<QtBrowserView>(m_topicView, m_loop, QtBrowserView::History::Dropped, 2000);
    }

    void cleanupTestCase()
    {
        m_board.reset();
        m_topic.reset();
        delete m_boardView;
        delete m_topicView;
        m_profile.reset();
    }

    void readsTheBoardsAnchorsInDocumentOrder()
    {
        const int id = m_service.post(QStringLiteral("测试"), QStringLiteral("低价代开发票"), QStringLiteral("广告号"));
        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/f?kw=%E6%B5%8B%E8%AF%95"))));
        const auto anchors = m_board->readAnchors();
        QVERIFY(anchors.has_value());
        const int title = indexOf(*anchors, QStringLiteral("低价代开发票"));
        QVERIFY(title > 0);
        QCOMPARE((*anchors)[title].href, m_service.url(QStringLiteral("/p/%1").arg(id)));
        QCOMPARE((*anchors)[1].text, std::optional<QString>(QStringLiteral("测试吧")));
        QCOMPARE((*anchors)[1].href, QString()); // an anchor without an address
        QCOMPARE(m_board->readyState(), std::optional<int>(kReadyStateComplete));
    }

    void deletingNeedsTheSignInSharedByBothViewsAndPassesTheConfirmation()
    {
        const int id = m_service.post(QStringLiteral("测试"), QStringLiteral("删我"), QStringLiteral("p1"));
        const QString topicUrl = m_service.url(QStringLiteral("/p/%1").arg(id));
        QVERIFY(load(*m_topic, topicUrl));
        QCOMPARE(indexOf(m_topic->readAnchors().value(), QStringLiteral("删除主题")), -1);

        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/login?user=mod&remember=1"))));
        QVERIFY(load(*m_topic, topicUrl));
        const int deleteLink = indexOf(m_topic->readAnchors().value(), QStringLiteral("删除主题"));
        QVERIFY(deleteLink >= 0);

        QSignalSpy finished(m_topic.get(), &QtBrowserView::loadFinished);
        QVERIFY(m_topic->clickAnchor(deleteLink, m_topic->readAnchors().value()[deleteLink]));
        QVERIFY(finished.wait(10000));
        QVERIFY(m_service.topic(id)[QStringLiteral("deleted")].toBool());
        QCOMPARE(m_service.state()[QStringLiteral("decoyClicks")].toInt(), 0);
    }

    void banButtonInTheInPageFormBansThePoster()
    {
        const int id = m_service.post(QStringLiteral("测试"), QStringLiteral("封我"), QStringLiteral("坏人"));
        QVERIFY(load(*m_topic, m_service.url(QStringLiteral("/p/%1").arg(id))));
        const AnchorList anchors = m_topic->readAnchors().value();
        const int banLink = indexOf(anchors, QStringLiteral("封"));
        QVERIFY(m_topic->clickAnchor(banLink, anchors[banLink]));
        m_topic->clickNamed(QStringLiteral("ban_ip_button"));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.state()[QStringLiteral("bans")].toArray().size(), 1, 5000);
        QCOMPARE(
            m_service.state()[QStringLiteral("bans")][0][QStringLiteral("poster")].toString(), QStringLiteral("坏人"));
    }

    // The page's own script puts a decoy first between the read and the click.
    void aClickLandsOnlyOnTheLinkThatWasRead()
    {
        const int id = m_service.post(QStringLiteral("测试"), QStringLiteral("别删错"), QStringLiteral("p2"));
        QVERIFY(load(*m_topic, m_service.url(QStringLiteral("/p/%1").arg(id))));
        const AnchorList anchors = m_topic->readAnchors().value();
        const int deleteLink = indexOf(anchors, QStringLiteral("删除主题"));
        QVERIFY(deleteLink >= 0);
        bool inserted = false;
        m_topicView->page()->runJavaScript(
            QStringLiteral("var d=document.createElement('a');d.href='/decoy';d.textContent='删除主题';"
                           "document.body.insertBefore(d,document.body.firstChild);true"),
            [&](const QVariant &) { inserted = true; });
        QTRY_VERIFY(inserted);
        QVERIFY(!m_topic->clickAnchor(deleteLink, anchors[deleteLink]));
        QTest::qWait(500);
        QCOMPARE(m_service.state()[QStringLiteral("decoyClicks")].toInt(), 0);
        QVERIFY(!m_service.topic(id)[QStringLiteral("deleted")].toBool());
    }

    void unattendedBoardViewAnswersEveryDialogItself()
    {
        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/dialogs"))));
        QCOMPARE(m_boardView->title(), QStringLiteral("confirm:false prompt:null"));
        // Leaving a page that asks first: the question needs a user gesture on the page.
        QTest::mouseClick(m_boardView->focusProxy(), Qt::LeftButton, {}, QPoint(200, 200));
        QTest::qWait(200);
        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/"))));
        QVERIFY(m_boardView->url().path() == u"/");
    }

    // The back-off after failed board loads rests on this.
    void anHttpErrorStatusIsAFailedLoad()
    {
        m_service.setFaults(QStringLiteral("boardErrorEvery=1"));
        QSignalSpy finished(m_board.get(), &QtBrowserView::loadFinished);
        m_board->navigate(m_service.url(QStringLiteral("/f?kw=x")));
        QVERIFY(finished.wait(15000));
        m_service.setFaults(QString());
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/f?kw=x"))));
        QCOMPARE(finished.last().first().toBool(), true);
    }

    void aDeadRendererIsReplacedAtOnce()
    {
        QVERIFY(load(*m_board, m_service.url(QStringLiteral("/f?kw=%E6%B5%8B%E8%AF%95"))));
        const qint64 pid = m_boardView->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QSignalSpy finished(m_board.get(), &QtBrowserView::loadFinished);
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QVERIFY(finished.wait(5000));
        QVERIFY(m_board->readAnchors().has_value());
        QVERIFY(m_boardView->page()->renderProcessPid() != pid);
    }

    void readOfAHungPageFailsWithinItsBound()
    {
        QVERIFY(load(*m_topic, m_service.url(QStringLiteral("/hang"))));
        QTest::qWait(500);
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(!m_topic->readAnchors().has_value());
        QVERIFY(elapsed.elapsed() < 6000);
        QVERIFY(!m_topic->readyState().has_value());
    }

    void timedWaitOnTheRealClockEndsAtTheNextWholeSecondPlusOne()
    {
        QtClock clock;
        TopicActionSequence sequence({*m_topic, *m_board, m_timer, m_loop, clock, [] { return false; }});
        while (clock.nowMs() % 1000 < 900 || clock.nowMs() % 1000 > 950)
            QTest::qWait(5);
        const long long entered = clock.nowMs();
        QVERIFY(sequence.WaitSeconds(2));
        const long long expectedEnd = (entered / 1000 + 2) * 1000;
        QVERIFY2(clock.nowMs() >= expectedEnd && clock.nowMs() < expectedEnd + 400,
            qPrintable(QStringLiteral("entered %1 ended %2").arg(entered).arg(clock.nowMs())));
    }

    void timedWaitHandlesEventsWithoutSpinning()
    {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(100);
        const double cpuBefore = threadCpuSeconds();
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(m_loop.waitFor(2000));
        const double cpuSeconds = threadCpuSeconds() - cpuBefore;
        QVERIFY(elapsed.elapsed() >= 1990);
        QVERIFY(ticks >= 15); // events were handled during the wait
        QVERIFY2(cpuSeconds < 0.5, qPrintable(QString::number(cpuSeconds)));
    }
};

QTEST_MAIN(WebViewsTest)
#include "web_views_test.moc"
