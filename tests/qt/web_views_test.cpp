// The browser contract on the real web engine, against the local board service.
#include "board_service_process.h"
#include "qt_browser_view.h"
#include "test_run_folder.h"
#include "unattended_page.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
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

    // The answer of an asynchronous read or click, once it has come.
    template <typename T, typename Call> static T answerOf(Call call)
    {
        std::optional<T> answer;
        call([&](DocumentId, T value) { answer = std::move(value); });
        (void)QTest::qWaitFor([&] { return answer.has_value(); }, 15000);
        return answer.value_or(T{});
    }
    static std::optional<AnchorList> anchorsOf(QtBrowserView &view)
    {
        return answerOf<std::optional<AnchorList>>([&](auto answer) {
            view.readAnchors([answer](DocumentId document, std::optional<AnchorList> anchors, qsizetype) {
                answer(document, std::move(anchors));
            });
        });
    }
    static bool click(QtBrowserView &view, int index, const Anchor &anchor)
    {
        return answerOf<bool>([&](auto answer) { view.clickAnchor(index, anchor, answer); });
    }
    static std::optional<bool> hasNamed(QtBrowserView &view, const QString &name)
    {
        return answerOf<std::optional<bool>>([&](auto answer) { view.readNamed(name, answer); });
    }
    static bool clickNamed(QtBrowserView &view, const QString &name)
    {
        return answerOf<bool>([&](auto answer) { view.clickNamed(name, answer); });
    }
    QVariant runInPage(const QString &script, QWebEngineView *view = nullptr)
    {
        std::optional<QVariant> result;
        (view ? view : m_topicView)->page()->runJavaScript(script, [&](const QVariant &value) { result = value; });
        (void)QTest::qWaitFor([&] { return result.has_value(); }, 15000);
        return result.value_or(QVariant());
    }

    QVariant runInBoard(const QString &script) { return runInPage(script, m_boardView); }

    // The moderator's sign-in, shared by both views through the profile.
    bool signIn() { return load(*m_board, m_service.url(u"/login?user=mod&remember=1"_s)); }

    // A new topic's page in the topic view, with its anchors as read.
    AnchorList openTopic(int id)
    {
        return load(*m_topic, m_service.url(u"/p/%1"_s.arg(id))) ? anchorsOf(*m_topic).value_or(AnchorList{})
                                                                 : AnchorList{};
    }

    int indexOf(const AnchorList &anchors, const QString &text)
    {
        for (qsizetype i = 0; i < anchors.size(); ++i) {
            if (anchors[i].text == text)
                return static_cast<int>(i);
        }
        return -1;
    }

    QTemporaryDir m_storage{testRunFolder().filePath(u"profile-XXXXXX"_s)};
    BoardServiceProcess m_service;
    std::unique_ptr<QWebEngineProfile> m_profile;
    QWebEngineView *m_boardView = nullptr;
    QWebEngineView *m_topicView = nullptr;
    std::unique_ptr<QtBrowserView> m_board;
    std::unique_ptr<QtBrowserView> m_topic;
    bool m_boardUnattended = true;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        m_profile = std::make_unique<QWebEngineProfile>(u"webviews-test"_s);
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
        m_board = std::make_unique<QtBrowserView>(m_boardView);
        m_topic = std::make_unique<QtBrowserView>(m_topicView, QtBrowserView::Role::Topic, 2000);
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
        const int id = m_service.post(u"测试"_s, u"低价代开发票"_s, u"广告号"_s);
        QVERIFY(load(*m_board, m_service.url(u"/f?kw=%E6%B5%8B%E8%AF%95"_s)));
        const auto anchors = anchorsOf(*m_board);
        QVERIFY(anchors.has_value());
        const int title = indexOf(*anchors, u"低价代开发票"_s);
        QVERIFY(title > 0);
        QCOMPARE((*anchors)[title].href, m_service.url(u"/p/%1"_s.arg(id)));
        QCOMPARE((*anchors)[1].text, std::optional<QString>(u"测试吧"_s));
        QCOMPARE((*anchors)[1].href, QString()); // an anchor without an address
        QCOMPARE(answerOf<std::optional<int>>([&](auto answer) { m_board->readReadyState(answer); }),
            std::optional<int>(kReadyStateComplete));
    }

    void deletingNeedsTheSignInSharedByBothViewsPassesTheConfirmationAndClicksOnlyWhatWasRead()
    {
        const int id = m_service.post(u"测试"_s, u"删我"_s, u"p1"_s);
        QCOMPARE(indexOf(openTopic(id), u"删除主题"_s), -1);

        QVERIFY(signIn());
        AnchorList anchors = openTopic(id);
        int deleteLink = indexOf(anchors, u"删除主题"_s);
        QVERIFY(deleteLink >= 0);
        // The page's own script puts a decoy first between the read and the click: nothing is clicked.
        runInPage(u"var d=document.createElement('a');d.href='/decoy';d.textContent='删除主题';"
                  "document.body.insertBefore(d,document.body.firstChild);true"_s);
        QVERIFY(!click(*m_topic, deleteLink, anchors[deleteLink]));
        QCOMPARE(m_topic->isLoading(), false); // a refused click starts nothing
        QVERIFY(!m_service.topic(id)[u"deleted"_s].toBool());

        anchors = openTopic(id);
        deleteLink = indexOf(anchors, u"删除主题"_s);
        QSignalSpy finished(m_topic.get(), &QtBrowserView::loadFinished);
        QVERIFY(click(*m_topic, deleteLink, anchors[deleteLink]));
        QVERIFY(finished.wait(10000));
        QVERIFY(m_service.topic(id)[u"deleted"_s].toBool());
        QCOMPARE(m_service.state()[u"decoyClicks"_s].toInt(), 0);
    }

    void banButtonInTheInPageFormBansThePoster()
    {
        const int id = m_service.post(u"测试"_s, u"封我"_s, u"坏人"_s);
        QVERIFY(signIn());
        const AnchorList anchors = openTopic(id);
        const int banLink = indexOf(anchors, u"封"_s);
        QVERIFY(banLink >= 0);
        QVERIFY(click(*m_topic, banLink, anchors[banLink]));
        QCOMPARE(hasNamed(*m_topic, u"ban_ip_button"_s), std::optional<bool>(true));
        QCOMPARE(hasNamed(*m_topic, u"no_such_button"_s), std::optional<bool>(false));
        QVERIFY(clickNamed(*m_topic, u"ban_ip_button"_s));
        QVERIFY(!clickNamed(*m_topic, u"no_such_button"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.state()[u"bans"_s].toArray().size(), 1, 5000);
        QCOMPARE(m_service.state()[u"bans"_s][0][u"poster"_s].toString(), u"坏人"_s);
    }

    void unattendedBoardViewAnswersEveryDialogItself()
    {
        m_boardView->resize(400, 300);
        m_boardView->show();
        for (const QString &dialog : {u"alert"_s, u"confirm"_s, u"prompt"_s})
            QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^tidewick: page %1 "_s.arg(dialog)));
        QVERIFY(load(*m_board, m_service.url(u"/dialogs"_s)));
        QCOMPARE(m_boardView->title(), u"confirm:false prompt:null"_s);
        // Leaving a page that asks first: the question needs a user gesture on the page.
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^tidewick: page beforeunload .*: left$"_s));
        const auto clickedOnThePage = [this] {
            QTest::mouseClick(m_boardView->focusProxy(), Qt::LeftButton, {}, QPoint(200, 200));
            return runInBoard(u"navigator.userActivation.hasBeenActive"_s).toBool();
        };
        QTRY_VERIFY(clickedOnThePage());
        QVERIFY(load(*m_board, m_service.url(u"/"_s)));
        QVERIFY(m_boardView->url().path() == u"/");
        m_boardView->hide();
    }

    // The back-off after failed board loads rests on this.
    void anHttpErrorStatusIsAFailedLoad()
    {
        m_service.setFaults(u"boardErrorEvery=1"_s);
        QSignalSpy finished(m_board.get(), &QtBrowserView::loadFinished);
        m_board->navigate(m_service.url(u"/f?kw=x"_s));
        QVERIFY(finished.wait(15000));
        m_service.setFaults(QString());
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(load(*m_board, m_service.url(u"/f?kw=x"_s)));
        QCOMPARE(finished.last().first().toBool(), true);
    }

    void aDeadRendererIsReplacedAtOnce()
    {
        QVERIFY(load(*m_board, m_service.url(u"/f?kw=%E6%B5%8B%E8%AF%95"_s)));
        const qint64 pid = m_boardView->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QSignalSpy finished(m_board.get(), &QtBrowserView::loadFinished);
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QVERIFY(finished.wait(5000));
        QVERIFY(anchorsOf(*m_board).has_value());
        QVERIFY(m_boardView->page()->renderProcessPid() != pid);
    }

    // The click script of a page busy for longer than the first try waits is sent twice; the link
    // is clicked once.
    void aBusyPageGetsOneClick()
    {
        QVERIFY(load(*m_topic, m_service.url(u"/"_s)));
        runInPage(u"var a=document.createElement('a');a.href='javascript:;';a.textContent='点我';"
                  "a.onclick=function(){document.body.dataset.clicks=(+(document.body.dataset.clicks"
                  "||0))+1;};document.body.appendChild(a);true"_s);
        const AnchorList anchors = anchorsOf(*m_topic).value();
        const int target = indexOf(anchors, u"点我"_s);
        QVERIFY(target >= 0);
        runInPage(u"setTimeout(function(){var t=Date.now();while(Date.now()-t<400){}},0);true"_s);
        QVERIFY(click(*m_topic, target, anchors[target]));
        QTRY_COMPARE(runInPage(u"document.body.dataset.clicks"_s).toString(), u"1"_s);
        runInPage(u"true"_s); // every script sent before has run
        QCOMPARE(runInPage(u"document.body.dataset.clicks"_s).toString(), u"1"_s);
    }
    // The read of a hung page in a view nobody attends answers empty, and the next page, asked for
    // at once while the hung renderer is still being ended, loads in a new renderer instead of
    // dying with it or waiting behind it.
    void aHungPageHoldsUpNothing()
    {
        for (QtBrowserView *view : {m_topic.get(), m_board.get()}) {
            QVERIFY(load(*view, m_service.url(u"/hang"_s)));
            QSignalSpy finished(view, &QtBrowserView::loadFinished);
            const auto hungRead = answerOf<std::optional<AnchorList>>([&](auto answer) {
                view->readAnchors([&, answer](DocumentId document, std::optional<AnchorList> anchors, qsizetype) {
                    view->navigate(m_service.url(u"/"_s));
                    answer(document, std::move(anchors));
                });
            });
            QCOMPARE(hungRead, std::nullopt);
            QVERIFY(finished.wait(15000));
            QCOMPARE(finished.first().first().toBool(), true);
            QVERIFY(anchorsOf(*view).has_value());
        }
    }
};

QTEST_MAIN(WebViewsTest)
#include "web_views_test.moc"
