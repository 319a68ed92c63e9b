// The window as a moderator meets it, with the real web engine against the local board service.
#include "action_log_window.h"
#include "board_service_process.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace tidewick;

namespace {

AppOptions blankPortal()
{
    AppOptions options;
    options.portalUrl = u"about:blank"_s;
    return options;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    // The board at the origin; the portal signs the moderator in there, or is left blank.
    static AppOptions boardAt(const QString &origin, bool signIn = true)
    {
        AppOptions options;
        options.boardOrigin = QUrl(origin);
        options.portalUrl = signIn ? origin + u"/login?user=mod"_s : u"about:blank"_s;
        return options;
    }

    static void startWatching(WindowFixture &f, BoardServiceProcess &service, const QString &board, bool signIn = true)
    {
        f.window->startUp();
        if (signIn) {
            QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(u"portal"_s), 1, 15000);
        }
        f.control<QLineEdit>("Text1")->setText(board);
        QTest::mouseClick(f.control<QPushButton>("Command1"), Qt::LeftButton);
    }

    // What the window's record holds, read as a second reader would.
    static QList<ActionLog::Entry> recorded(WindowFixture &f)
    {
        ActionLog log(f.actionLogPath());
        log.open();
        return log.page(QString(), 100);
    }

    // The moderator's own certificate store, in a home of the test's: the engine trusts the
    // authority of one test service there, and knows nothing of the other's.
    QTemporaryDir m_home{testRunFolder().filePath(u"home-XXXXXX"_s)};
    QString trustedCa() const { return m_home.filePath(u"trusted-ca"_s); }
    QString untrustedCa() const { return m_home.filePath(u"untrusted-ca"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(BoardServiceProcess::makeTestCa(trustedCa(), m_home.path()));
        QVERIFY(BoardServiceProcess::makeTestCa(untrustedCa()));
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }

    // As real services answer: over https only, the plain address sent on by a redirect. The
    // watch follows it, cleans the board and records the topics on the https origin.
    void cleansABoardThatTheServiceUpgradesToHttps()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(trustedCa(), true));
        const QString board = u"版务"_s;
        const int spam = service.post(board, u"低价 代-开 发票"_s, u"a"_s);
        const int innocent = service.post(board, u"晚霞"_s, u"c"_s);
        WindowFixture f(boardAt(u"http://"_s + service.plainHost()), {u"代开"_s});
        startWatching(f, service, board);
        QTRY_VERIFY_WITH_TIMEOUT(service.topic(spam)[u"deleted"_s].toBool(), 30000);
        QVERIFY(!service.topic(innocent)[u"deleted"_s].toBool());
        // Confirmed deleted by the lists read on the upgraded origin; the innocent topic is not recorded.
        QTRY_COMPARE_WITH_TIMEOUT(ActionLog::outcomeName(recorded(f).value(0).outcome), u"deleted"_s, 10000);
        const QList<ActionLog::Entry> rows = recorded(f);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].address, service.url(u"/p/%1"_s.arg(spam)));
        QCOMPARE(rows[0].word, u"代开"_s);
        QCOMPARE(rows[0].linkText, u"低价 代-开 发票"_s);
        QCOMPARE(rows[0].board, board);
        QTRY_VERIFY_WITH_TIMEOUT(f.control<QLabel>("Label4")->toolTip().contains(service.origin()), 10000);
    }

    // A real board's pace: a 1 MB list answered after 3 s and built by script, topic pages after
    // 2 s whose moderation links come by script, and a ban sent from a form page of its own, built
    // by script too, that shows the topic again. The poster is banned once, the topic is cleaned
    // with one delete request, the innocent one is left, and the board is never asked twice at once.
    void cleansASlowHeavyBoardBuiltByScript()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(trustedCa()));
        const QString board = u"版务"_s;
        const int innocent = service.post(board, u"晚霞"_s, u"c"_s);
        const int spam = service.post(board, u"低价 代-开 发票"_s, u"a"_s);
        service.setFaults(u"boardDelayMs=3000&boardPadKiB=1024&topicDelayMs=2000&scriptListMs=1500"
                          "&lateLinksMs=1500&banFormPage=1"_s);
        WindowFixture f(boardAt(service.origin()), {u"代开"_s});
        f.control<QCheckBox>("Check1")->setChecked(true);
        startWatching(f, service, board);
        QTRY_VERIFY_WITH_TIMEOUT(service.topic(spam)[u"deleted"_s].toBool(), 45000);
        // Settled by two more reads of the slow list, long after any second click would have come.
        QTRY_COMPARE_WITH_TIMEOUT(ActionLog::outcomeName(recorded(f).value(0).outcome), u"deleted"_s, 30000);
        QCOMPARE(service.topic(spam)[u"deleteRequests"_s].toInt(), 1);
        const QJsonArray bans = service.state()[u"bans"_s].toArray();
        QCOMPARE(bans.size(), 1);
        QCOMPARE(bans[0][u"poster"_s].toString(), u"a"_s);
        QVERIFY(!service.topic(innocent)[u"deleted"_s].toBool());
        QCOMPARE(service.state()[u"maxBoardAnswers"_s].toInt(), 1);
    }

    // The plain address sent on to another host name: nothing there is the board's, nothing is
    // opened, and the status line names where the board went.
    void opensNothingWhereARedirectLeadsToAnotherHost()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(trustedCa(), true, u"localhost"_s));
        const QString board = u"版务"_s;
        const int spam = service.post(board, u"低价 代-开 发票"_s, u"a"_s);
        WindowFixture f(boardAt(u"http://"_s + service.plainHost(), false), {u"代开"_s});
        startWatching(f, service, board, false);
        QTRY_VERIFY_WITH_TIMEOUT(f.control<QLabel>("Label4")->toolTip().contains(u"被转到 localhost"_s), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(service.pageLoads(u"board"_s) >= 2, 15000); // read there, and backed off from
        QCOMPARE(service.topic(spam)[u"pageLoads"_s].toInt(), 0);
        QVERIFY(recorded(f).isEmpty());
    }

    // A certificate that no authority of the moderator's vouches for is refused as a browser
    // refuses it: the board is never read, nothing is opened, and the status line says why.
    void refusesABoardWithAnUntrustedCertificate()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(untrustedCa()));
        const QString board = u"版务"_s;
        const int spam = service.post(board, u"低价 代-开 发票"_s, u"a"_s);
        WindowFixture f(boardAt(service.origin(), false), {u"代开"_s});
        startWatching(f, service, board, false);
        auto *status = f.control<QLabel>("Label4");
        QTRY_VERIFY_WITH_TIMEOUT(status->toolTip().contains(u"证书无效"_s), 15000);
        QVERIFY(status->toolTip().contains(service.host()));
        QTest::qWait(2000);
        QCOMPARE(service.pageLoads(u"board"_s), 0);
        QCOMPARE(service.topic(spam)[u"pageLoads"_s].toInt(), 0);
        QVERIFY(recorded(f).isEmpty());
    }

    void controlsStandWhereDesignedWithTheirTexts()
    {
        WindowFixture f(blankPortal());
        f.window->startUp();
        struct Expected {
            const char *name;
            QRect geometry;
            QString text;
        };
        const Expected expected[] = {
            {"WebBrowser1", {208, 104, 577, 505}, {}},
            {"Command1", {224, 12, 97, 25}, u"开启删帖机"_s},
            {"Text1", {56, 12, 169, 25}, {}},
            {"Frame1", {0, 40, 201, 577}, u"违规词汇库"_s},
            {"List1", {8, 24, 185, 479}, {}},
            {"Text2", {88, 544, 105, 25}, {}},
            {"Command3", {8, 512, 185, 25}, u"删除所有打钩词汇"_s},
            {"WebBrowser2", {208, 288, 321, 321}, {}},
            {"Label3", {208, 48, 579, 33}, {}},
            {"Command2", {328, 12, 97, 25}, u"暂停删帖机"_s},
            {"Command4", {472, 8, 81, 33}, u"退出"_s},
            {"Check1", {216, 80, 249, 17}, u"违者封IP/ID(慎用，会造成删帖速度减慢)"_s},
            {"Check2", {464, 80, 89, 17}, u"本窗口置顶"_s},
            {"Command5", {560, 8, 97, 33}, u"删帖记录"_s},
            {"Check3", {560, 80, 161, 17}, u"只记录，不删帖"_s},
        };
        for (const Expected &e : expected) {
            auto *widget = f.control<QWidget>(e.name);
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->geometry(), e.geometry);
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                QCOMPARE(button->text(), e.text);
        }
        QCOMPARE(f.control<QGroupBox>("Frame1")->title(), u"违规词汇库"_s);
        QCOMPARE(f.control<QLabel>("Label1")->text(), u"贴吧名："_s);
        QCOMPARE(f.control<QLabel>("Label1")->pos(), QPoint(8, 16));
        QCOMPARE(f.control<QLabel>("Label2")->text(), u"增加违规词汇："_s);
        QVERIFY(f.control<QLabel>("Label3")->wordWrap());
        QCOMPARE(f.control<QLineEdit>("Text2")->toolTip(), u"输入后按Enter键存入"_s);
        QCOMPARE(f.window->size(), QSize(790, 620));
        QCOMPARE(f.window->windowTitle(), u"Tidewick 1.1"_s);
        QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.window->font().pointSize(), 9);
        QCOMPARE(f.window->windowIcon().availableSizes().size(), 4);
    }

    void startsIdleWithFocusOnTheBoardViewAndTabsInDesignOrder()
    {
        WindowFixture f(blankPortal(), QStringList({u"代开"_s}));
        f.window->startUp();
        QVERIFY(!f.control<QCheckBox>("Check1")->isChecked());
        QVERIFY(!f.control<QCheckBox>("Check2")->isChecked());
        QVERIFY(!f.control<QCheckBox>("Check3")->isChecked());
        QVERIFY(f.control<QPushButton>("Command3")->isEnabled());
        QVERIFY(f.control<QLineEdit>("Text1")->text().isEmpty());
        QCOMPARE(f.control<QListWidget>("List1")->count(), 1);
        QCOMPARE(f.control<QListWidget>("List1")->item(0)->checkState(), Qt::Unchecked);
        QVERIFY(f.control<QWebEngineView>("WebBrowser2")->url().isEmpty());
        QVERIFY(!f.control<QPushButton>("Command1")->autoDefault());
        f.control<QCheckBox>("Check3")->click(); // log-only mode reaches the watch, which names it
        QCOMPARE(f.window->windowTitle(), u"已记录：0条（只记录）"_s);
        f.control<QCheckBox>("Check3")->click();
        QCOMPARE(f.window->windowTitle(), u"已删帖：0次"_s);

        // Each focusable widget stands for the named control it belongs to (a web view's focus
        // goes to an inner widget).
        const QStringList order{u"WebBrowser1"_s, u"Command1"_s, u"Text1"_s, u"List1"_s, u"Text2"_s, u"Command3"_s,
            u"WebBrowser2"_s, u"Command2"_s, u"Command4"_s, u"Check1"_s, u"Check2"_s, u"Command5"_s, u"Check3"_s};
        const auto controlOf = [&](QWidget *widget) {
            for (; widget; widget = widget->parentWidget()) {
                if (order.contains(widget->objectName()))
                    return widget->objectName();
            }
            return QString();
        };
        QStringList visited;
        QWidget *widget = f.control<QWidget>("WebBrowser1");
        for (int step = 0; step < 200 && visited.size() < order.size(); ++step, widget = widget->nextInFocusChain()) {
            const QString control = controlOf(widget);
            if ((widget->focusPolicy() & Qt::TabFocus) && !control.isEmpty() && !visited.contains(control))
                visited.append(control);
        }
        QCOMPARE(visited.join(u' '), order.join(u' '));
    }

    void editsTheWordListThroughItsControls()
    {
        WindowFixture f(blankPortal(), QStringList({u"b"_s, u"d"_s}));
        f.window->startUp();
        auto *text2 = f.control<QLineEdit>("Text2");
        auto *list = f.control<QListWidget>("List1");
        auto *remove = f.control<QPushButton>("Command3");

        QTest::keyClicks(text2, u"c"_s);
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(list->item(1)->text(), u"c"_s);
        QVERIFY(text2->text().isEmpty());
        QCOMPARE(QFile(f.wordListPath()).size(), qint64(QByteArray("3\r\nb\r\nc\r\nd\r\n").size()));

        QTest::keyClicks(text2, u"d"_s);
        QTest::keyClick(text2, Qt::Key_Enter);
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].second, u"发生错误"_s);
        QVERIFY(text2->text().isEmpty());
        QCOMPARE(list->count(), 3);

        list->item(0)->setCheckState(Qt::Checked);
        list->item(2)->setCheckState(Qt::Checked);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), u"c"_s);
        QVERIFY(!remove->isEnabled());

        QTest::keyClicks(text2, u"e"_s);
        QTest::keyClick(text2, Qt::Key_Return);
        QVERIFY2(!remove->isEnabled(), "adding a word leaves the remove button alone");
        const QRect firstRow = list->visualItemRect(list->item(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, firstRow.center() + QPoint(20, 0));
        QVERIFY(remove->isEnabled());

        QTest::mouseClick(remove, Qt::LeftButton); // nothing ticked: rewrites the list, disables itself
        QVERIFY(!remove->isEnabled());
        QTest::keyClicks(text2, u"a"_s); // lands before the current entry
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(list->item(0)->text(), u"a"_s);
        QVERIFY(!remove->isEnabled());
    }

    void keepOnTopChangesOnlyTheStacking()
    {
        WindowFixture f(blankPortal());
        f.window->startUp();
        const QRect before = f.window->geometry();
        auto *check2 = f.control<QCheckBox>("Check2");
        QTest::mouseClick(check2, Qt::LeftButton, {}, QPoint(5, check2->height() / 2));
        QVERIFY(f.window->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        QTest::mouseClick(check2, Qt::LeftButton, {}, QPoint(5, check2->height() / 2));
        QVERIFY(!(f.window->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(f.window->geometry(), before);
        QVERIFY(f.window->isVisible());
    }

    // The question is asked only on the watched board's list, of the links the watch would try,
    // and waits without holding anything up; a word that can never match is named.
    void aBroadWordIsQuestionedFirstAndAWordThatCanNeverMatchIsNamed()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        const QString board = u"摄影"_s;
        for (int i = 0; i < 12; ++i)
            service.post(board, (i < 10 ? u"晚霞%1"_s : u"日出%1"_s).arg(i), u"p"_s);
        AppOptions options = boardAt(service.origin());
        options.portalUrl = service.url(u"/f?kw=%E6%91%84%E5%BD%B1"_s);
        WindowFixture f(options);
        f.window->startUp();
        auto *boardView = f.control<QWebEngineView>("WebBrowser1");
        QTRY_COMPARE_WITH_TIMEOUT(boardView->title(), u"摄影吧"_s, 15000);
        auto *newWord = f.control<QLineEdit>("Text2");
        auto *list = f.control<QListWidget>("List1");
        const auto type = [&](const QString &word) {
            newWord->setText(word);
            QTest::keyClick(newWord, Qt::Key_Return);
        };

        type(u"晚霞"_s); // not yet the watched board: added at once
        QCOMPARE(list->count(), 1);
        f.control<QPushButton>("Command3")->setEnabled(true);
        list->item(0)->setCheckState(Qt::Checked);
        f.control<QPushButton>("Command3")->click();

        const int loadsBefore = service.pageLoads(u"board"_s);
        f.control<QLineEdit>("Text1")->setText(board);
        f.control<QPushButton>("Command1")->click();
        f.control<QPushButton>("Command2")->click();
        QTRY_VERIFY_WITH_TIMEOUT(service.pageLoads(u"board"_s) > loadsBefore, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!boardView->page()->isLoading(), 15000);
        type(u"晚霞"_s);
        QTRY_COMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].second, u"请确认"_s);
        QCOMPARE(f.messages.shown[0].first, u"“晚霞”会匹配当前页面 27 个链接中的 10 个。确定加入违规词汇库吗？"_s);
        QCOMPARE(list->count(), 0); // not before the answer
        f.messages.answer(false);
        QCOMPARE(list->count(), 0);
        QCOMPARE(newWord->text(), u"晚霞"_s); // 否 keeps the text

        type(u"晚霞"_s);
        QTRY_COMPARE(f.messages.shown.size(), 2);
        f.messages.answer(true);
        QCOMPARE(list->count(), 1);
        QVERIFY(newWord->text().isEmpty());

        type(u"!晚霞"_s);
        type(u"日出"_s);
        QTRY_COMPARE(list->count(), 3);
        QCOMPARE(f.messages.shown.size(), 2); // exceptions and narrow words are not questioned

        type(u"日 出"_s);
        QTRY_COMPARE(list->count(), 4);
        QVERIFY(f.control<QLabel>("Label4")->toolTip().contains(u"“日 出”永远不会命中"_s));
    }

    // The table reads a page at a time, filters in SQL over every row, refreshes only while shown
    // and exports every row the filter finds, with formulas disarmed.
    void recordWindowPagesFiltersAndExportsTheRows()
    {
        QTemporaryDir folder;
        ActionLog log(folder.filePath(u"actions.sqlite"_s));
        QCOMPARE(log.open(), QString());
        const auto insert = [&log](const QString &text, const QString &word) {
            ActionLog::Entry e;
            e.openedAt = u"2026-12-08T23:10:00+08:00"_s;
            e.board = u"版务"_s;
            e.address = u"http://board.test/p/"_s + word;
            e.linkText = text;
            e.word = word;
            e.outcome = ActionLog::Outcome::Deleted;
            return log.insert(e);
        };
        const qint64 oldest = insert(u"低价代开发票"_s, u"代开"_s);
        for (int i = 0; i < ActionLogModel::kPageRows * 2; ++i)
            insert(u"帖子%1"_s.arg(i), u"词"_s);
        insert(u"=HYPERLINK(\"http://x\",\"刷单\")"_s, u"刷单"_s);
        ActionLogWindow window(log);
        window.show();
        auto *table = window.findChild<QTableView *>(u"actionTable"_s);
        QAbstractItemModel *model = table->model();
        QCOMPARE(model->rowCount(), ActionLogModel::kPageRows);
        QCOMPARE(model->index(0, 3).data().toString(), u"刷单"_s); // newest first
        QCOMPARE(model->index(0, 4).data().toString(), u"已删除"_s);
        while (model->canFetchMore({}))
            model->fetchMore({});
        QCOMPARE(model->rowCount(), ActionLogModel::kPageRows * 2 + 2);
        QCOMPARE(model->index(model->rowCount() - 1, 2).data().toString(), u"低价代开发票"_s);

        auto *search = window.findChild<QLineEdit *>(u"searchEdit"_s);
        search->setText(u"发票"_s);
        QTRY_COMPARE(model->rowCount(), 1);
        search->setText(u"刷单"_s);
        QTRY_COMPARE(model->index(0, 3).data().toString(), u"刷单"_s);
        QCOMPARE(model->rowCount(), 1);

        const QString csvPath = folder.filePath(u"out.csv"_s);
        QVERIFY(window.exportCsv(csvPath));
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(bytes.mid(3)),
            u"时间,贴吧,帖子标题,命中词,结果,地址\r\n"
            "2026-12-08 23:10:00,版务,\"'=HYPERLINK(\"\"http://x\"\",\"\"刷单\"\")\",刷单,已删除,"
            "http://board.test/p/刷单\r\n"_s);

        window.hide();
        insert(u"新的刷单帖"_s, u"刷单"_s);
        QTest::qWait(2 * ActionLogWindow::kRefreshMs);
        QCOMPARE(model->rowCount(), 1); // hidden: not read again
        window.show();
        QCOMPARE(model->rowCount(), 2);
        insert(u"又一个刷单帖"_s, u"刷单"_s);
        QTRY_COMPARE(model->rowCount(), 3); // shown: updated as the watch runs

        // Scrolled to the end, a new row and a change far down both show, and no row is lost.
        search->clear();
        QTRY_COMPARE(model->rowCount(), ActionLogModel::kPageRows);
        while (model->canFetchMore({}))
            model->fetchMore({});
        const int all = model->rowCount();
        insert(u"第三个刷单帖"_s, u"刷单"_s);
        log.setOutcome(oldest, ActionLog::Outcome::StillListed);
        QTRY_COMPARE(model->rowCount(), all + 1);
        QCOMPARE(model->index(0, 2).data().toString(), u"第三个刷单帖"_s);
        QCOMPARE(model->index(all, 4).data().toString(), u"删除后仍在列表"_s);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
