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

using namespace tidewick;

namespace {

AppOptions blankPortal()
{
    AppOptions options;
    options.portalUrl = QStringLiteral("about:blank");
    return options;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    static AppOptions signedIn(BoardServiceProcess &service)
    {
        AppOptions options;
        options.boardOrigin = QUrl(QStringLiteral("http://") + service.host());
        options.portalUrl = service.url(QStringLiteral("/login?user=mod"));
        return options;
    }

    static void startWatching(WindowFixture &f, BoardServiceProcess &service, const QString &board)
    {
        f.window->startUp();
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(QStringLiteral("portal")), 1, 15000);
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
    QTemporaryDir m_home{testRunFolder().filePath(QStringLiteral("home-XXXXXX"))};
    QString trustedCa() const { return m_home.filePath(QStringLiteral("trusted-ca")); }
    QString untrustedCa() const { return m_home.filePath(QStringLiteral("untrusted-ca")); }

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
        const QString board = QStringLiteral("版务");
        const int spam = service.post(board, QStringLiteral("低价 代-开 发票"), QStringLiteral("a"));
        const int innocent = service.post(board, QStringLiteral("晚霞"), QStringLiteral("c"));
        AppOptions options;
        options.boardOrigin = QUrl(QStringLiteral("http://") + service.plainHost());
        options.portalUrl = QStringLiteral("http://") + service.plainHost() + QStringLiteral("/login?user=mod");
        WindowFixture f(options, {QStringLiteral("代开")});
        startWatching(f, service, board);
        QTRY_VERIFY_WITH_TIMEOUT(service.topic(spam)[QStringLiteral("deleted")].toBool(), 30000);
        QVERIFY(!service.topic(innocent)[QStringLiteral("deleted")].toBool());
        // Confirmed deleted by the lists read on the upgraded origin; the innocent topic is not recorded.
        QTRY_COMPARE_WITH_TIMEOUT(
            ActionLog::outcomeName(recorded(f).value(0).outcome), QStringLiteral("deleted"), 10000);
        const QList<ActionLog::Entry> rows = recorded(f);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].address, service.url(QStringLiteral("/p/%1").arg(spam)));
        QCOMPARE(rows[0].word, QStringLiteral("代开"));
        QCOMPARE(rows[0].linkText, QStringLiteral("低价 代-开 发票"));
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
        const QString board = QStringLiteral("版务");
        const int innocent = service.post(board, QStringLiteral("晚霞"), QStringLiteral("c"));
        const int spam = service.post(board, QStringLiteral("低价 代-开 发票"), QStringLiteral("a"));
        service.setFaults(QStringLiteral("boardDelayMs=3000&boardPadKiB=1024&topicDelayMs=2000&scriptListMs=1500"
                                         "&lateLinksMs=1500&banFormPage=1"));
        AppOptions options;
        options.boardOrigin = QUrl(service.origin());
        options.portalUrl = service.url(QStringLiteral("/login?user=mod"));
        WindowFixture f(options, {QStringLiteral("代开")});
        f.control<QCheckBox>("Check1")->setChecked(true);
        startWatching(f, service, board);
        QTRY_VERIFY_WITH_TIMEOUT(service.topic(spam)[QStringLiteral("deleted")].toBool(), 45000);
        // Settled by two more reads of the slow list, long after any second click would have come.
        QTRY_COMPARE_WITH_TIMEOUT(
            ActionLog::outcomeName(recorded(f).value(0).outcome), QStringLiteral("deleted"), 30000);
        QCOMPARE(service.topic(spam)[QStringLiteral("deleteRequests")].toInt(), 1);
        const QJsonArray bans = service.state()[QStringLiteral("bans")].toArray();
        QCOMPARE(bans.size(), 1);
        QCOMPARE(bans[0][QStringLiteral("poster")].toString(), QStringLiteral("a"));
        QVERIFY(!service.topic(innocent)[QStringLiteral("deleted")].toBool());
        QCOMPARE(service.state()[QStringLiteral("maxBoardAnswers")].toInt(), 1);
    }

    // The plain address sent on to another host name: nothing there is the board's, nothing is
    // opened, and the status line names where the board went.
    void opensNothingWhereARedirectLeadsToAnotherHost()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(trustedCa(), true, QStringLiteral("localhost")));
        const QString board = QStringLiteral("版务");
        const int spam = service.post(board, QStringLiteral("低价 代-开 发票"), QStringLiteral("a"));
        AppOptions options;
        options.boardOrigin = QUrl(QStringLiteral("http://") + service.plainHost());
        options.portalUrl = QStringLiteral("about:blank");
        WindowFixture f(options, {QStringLiteral("代开")});
        f.window->startUp();
        f.control<QLineEdit>("Text1")->setText(board);
        QTest::mouseClick(f.control<QPushButton>("Command1"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.control<QLabel>("Label4")->toolTip().contains(QStringLiteral("被转到 localhost")), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            service.pageLoads(QStringLiteral("board")) >= 2, 15000); // read there, and backed off from
        QCOMPARE(service.topic(spam)[QStringLiteral("pageLoads")].toInt(), 0);
        QVERIFY(recorded(f).isEmpty());
    }

    // A certificate that no authority of the moderator's vouches for is refused as a browser
    // refuses it: the board is never read, nothing is opened, and the status line says why.
    void refusesABoardWithAnUntrustedCertificate()
    {
        BoardServiceProcess service;
        QVERIFY(service.startHttps(untrustedCa()));
        const QString board = QStringLiteral("版务");
        const int spam = service.post(board, QStringLiteral("低价 代-开 发票"), QStringLiteral("a"));
        AppOptions options;
        options.boardOrigin = QUrl(service.origin());
        options.portalUrl = QStringLiteral("about:blank");
        WindowFixture f(options, {QStringLiteral("代开")});
        f.window->startUp();
        f.control<QLineEdit>("Text1")->setText(board);
        QTest::mouseClick(f.control<QPushButton>("Command1"), Qt::LeftButton);
        auto *status = f.control<QLabel>("Label4");
        QTRY_VERIFY_WITH_TIMEOUT(status->toolTip().contains(QStringLiteral("证书无效")), 15000);
        QVERIFY(status->toolTip().contains(service.host()));
        QTest::qWait(2000);
        QCOMPARE(service.pageLoads(QStringLiteral("board")), 0);
        QCOMPARE(service.topic(spam)[QStringLiteral("pageLoads")].toInt(), 0);
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
            {"Command1", {224, 12, 97, 25}, QStringLiteral("开启删帖机")},
            {"Text1", {56, 12, 169, 25}, {}},
            {"Frame1", {0, 40, 201, 577}, QStringLiteral("违规词汇库")},
            {"List1", {8, 24, 185, 479}, {}},
            {"Text2", {88, 544, 105, 25}, {}},
            {"Command3", {8, 512, 185, 25}, QStringLiteral("删除所有打钩词汇")},
            {"WebBrowser2", {208, 288, 321, 321}, {}},
            {"Label3", {208, 48, 579, 33}, {}},
            {"Command2", {328, 12, 97, 25}, QStringLiteral("暂停删帖机")},
            {"Command4", {472, 8, 81, 33}, QStringLiteral("退出")},
            {"Check1", {216, 80, 249, 17}, QStringLiteral("违者封IP/ID(慎用，会造成删帖速度减慢)")},
            {"Check2", {464, 80, 89, 17}, QStringLiteral("本窗口置顶")},
            {"Command5", {560, 8, 97, 33}, QStringLiteral("删帖记录")},
            {"Check3", {560, 80, 161, 17}, QStringLiteral("只记录，不删帖")},
        };
        for (const Expected &e : expected) {
            auto *widget = f.control<QWidget>(e.name);
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->geometry(), e.geometry);
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                QCOMPARE(button->text(), e.text);
        }
        QCOMPARE(f.control<QGroupBox>("Frame1")->title(), QStringLiteral("违规词汇库"));
        QCOMPARE(f.control<QLabel>("Label1")->text(), QStringLiteral("贴吧名："));
        QCOMPARE(f.control<QLabel>("Label1")->pos(), QPoint(8, 16));
        QCOMPARE(f.control<QLabel>("Label2")->text(), QStringLiteral("增加违规词汇："));
        QVERIFY(f.control<QLabel>("Label3")->wordWrap());
        QCOMPARE(f.control<QLineEdit>("Text2")->toolTip(), QStringLiteral("输入后按Enter键存入"));
        QCOMPARE(f.window->size(), QSize(790, 620));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Tidewick 1.1"));
        QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.window->font().pointSize(), 9);
        QCOMPARE(f.window->windowIcon().availableSizes().size(), 4);
    }

    void startsIdleWithFocusOnTheBoardViewAndTabsInDesignOrder()
    {
        WindowFixture f(blankPortal(), QStringList({QStringLiteral("代开")}));
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

        // Each focusable widget stands for the named control it belongs to (a web view's focus
        // goes to an inner widget).
        const QStringList order{QStringLiteral("WebBrowser1"), QStringLiteral("Command1"), QStringLiteral("Text1"),
            QStringLiteral("List1"), QStringLiteral("Text2"), QStringLiteral("Command3"), QStringLiteral("WebBrowser2"),
            QStringLiteral("Command2"), QStringLiteral("Command4"), QStringLiteral("Check1"), QStringLiteral("Check2"),
            QStringLiteral("Command5"), QStringLiteral("Check3")};
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
        WindowFixture f(blankPortal(), QStringList({QStringLiteral("b"), QStringLiteral("d")}));
        f.window->startUp();
        auto *text2 = f.control<QLineEdit>("Text2");
        auto *list = f.control<QListWidget>("List1");
        auto *remove = f.control<QPushButton>("Command3");

        QTest::keyClicks(text2, QStringLiteral("c"));
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(list->item(1)->text(), QStringLiteral("c"));
        QVERIFY(text2->text().isEmpty());
        QCOMPARE(QFile(f.wordListPath()).size(), qint64(QByteArray("3\r\nb\r\nc\r\nd\r\n").size()));

        QTest::keyClicks(text2, QStringLiteral("d"));
        QTest::keyClick(text2, Qt::Key_Enter);
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].second, QStringLiteral("发生错误"));
        QVERIFY(text2->text().isEmpty());
        QCOMPARE(list->count(), 3);

        list->item(0)->setCheckState(Qt::Checked);
        list->item(2)->setCheckState(Qt::Checked);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("c"));
        QVERIFY(!remove->isEnabled());

        QTest::keyClicks(text2, QStringLiteral("e"));
        QTest::keyClick(text2, Qt::Key_Return);
        QVERIFY2(!remove->isEnabled(), "adding a word leaves the remove button alone");
        const QRect firstRow = list->visualItemRect(list->item(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, firstRow.center() + QPoint(20, 0));
        QVERIFY(remove->isEnabled());

        QTest::mouseClick(remove, Qt::LeftButton); // nothing ticked: rewrites the list, disables itself
        QVERIFY(!remove->isEnabled());
        QTest::keyClicks(text2, QStringLiteral("a")); // lands before the current entry
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(list->item(0)->text(), QStringLiteral("a"));
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

    void logOnlyDeletesNothingAndLogsEveryMatchOnce()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        const QString board = QStringLiteral("试词");
        QList<int> matching;
        for (int i = 0; i < 3; ++i) {
            matching << service.post(board, QStringLiteral("兼职刷单%1").arg(i), QStringLiteral("s%1").arg(i));
            service.post(board, QStringLiteral("日常%1").arg(i), QStringLiteral("n%1").arg(i));
        }
        WindowFixture f(signedIn(service), QStringList({QStringLiteral("刷单")}));
        f.control<QCheckBox>("Check3")->click();
        QCOMPARE(f.window->windowTitle(), QStringLiteral("已记录：0条（只记录）"));
        startWatching(f, service, board);
        QTRY_VERIFY_WITH_TIMEOUT(service.pageLoads(QStringLiteral("board")) > 20, 20000);
        QCOMPARE(recorded(f).size(), matching.size());
        for (const ActionLog::Entry &e : recorded(f))
            QCOMPARE(ActionLog::outcomeName(e.outcome), QStringLiteral("logged"));
        for (const int id : matching)
            QCOMPARE(service.topic(id)[QStringLiteral("pageLoads")].toInt(), 0);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("已记录：3条（只记录）"));

        f.control<QCheckBox>("Check3")->click();
        QTRY_VERIFY_WITH_TIMEOUT(service.topic(matching.last())[QStringLiteral("deleted")].toBool(), 20000);
    }

    // The question is asked only on the watched board's list, of the links the watch would try,
    // and waits without holding anything up; a word that can never match is named.
    void aBroadWordIsQuestionedFirstAndAWordThatCanNeverMatchIsNamed()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        const QString board = QStringLiteral("摄影");
        for (int i = 0; i < 12; ++i)
            service.post(
                board, (i < 10 ? QStringLiteral("晚霞%1") : QStringLiteral("日出%1")).arg(i), QStringLiteral("p"));
        AppOptions options = signedIn(service);
        options.portalUrl = service.url(QStringLiteral("/f?kw=%E6%91%84%E5%BD%B1"));
        WindowFixture f(options);
        f.window->startUp();
        auto *boardView = f.control<QWebEngineView>("WebBrowser1");
        QTRY_COMPARE_WITH_TIMEOUT(boardView->title(), QStringLiteral("摄影吧"), 15000);
        auto *newWord = f.control<QLineEdit>("Text2");
        auto *list = f.control<QListWidget>("List1");
        const auto type = [&](const QString &word) {
            newWord->setText(word);
            QTest::keyClick(newWord, Qt::Key_Return);
        };

        type(QStringLiteral("晚霞")); // not yet the watched board: added at once
        QCOMPARE(list->count(), 1);
        f.control<QPushButton>("Command3")->setEnabled(true);
        list->item(0)->setCheckState(Qt::Checked);
        f.control<QPushButton>("Command3")->click();

        const int loadsBefore = service.pageLoads(QStringLiteral("board"));
        f.control<QLineEdit>("Text1")->setText(board);
        f.control<QPushButton>("Command1")->click();
        f.control<QPushButton>("Command2")->click();
        QTRY_VERIFY_WITH_TIMEOUT(service.pageLoads(QStringLiteral("board")) > loadsBefore, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!boardView->page()->isLoading(), 15000);
        type(QStringLiteral("晚霞"));
        QTRY_COMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0].second, QStringLiteral("请确认"));
        QCOMPARE(f.messages.shown[0].first,
            QStringLiteral("“晚霞”会匹配当前页面 27 个链接中的 10 个。确定加入违规词汇库吗？"));
        QCOMPARE(list->count(), 0); // not before the answer
        f.messages.answer(false);
        QCOMPARE(list->count(), 0);
        QCOMPARE(newWord->text(), QStringLiteral("晚霞")); // 否 keeps the text

        type(QStringLiteral("晚霞"));
        QTRY_COMPARE(f.messages.shown.size(), 2);
        f.messages.answer(true);
        QCOMPARE(list->count(), 1);
        QVERIFY(newWord->text().isEmpty());

        type(QStringLiteral("!晚霞"));
        type(QStringLiteral("日出"));
        QTRY_COMPARE(list->count(), 3);
        QCOMPARE(f.messages.shown.size(), 2); // exceptions and narrow words are not questioned

        type(QStringLiteral("日 出"));
        QTRY_COMPARE(list->count(), 4);
        QVERIFY(f.control<QLabel>("Label4")->toolTip().contains(QStringLiteral("“日 出”永远不会命中")));
    }

    // The table reads a page at a time, filters in SQL over every row, refreshes only while shown
    // and exports every row the filter finds, with formulas disarmed.
    void recordWindowPagesFiltersAndExportsTheRows()
    {
        QTemporaryDir folder;
        ActionLog log(folder.filePath(QStringLiteral("actions.sqlite")));
        QCOMPARE(log.open(), QString());
        const auto insert = [&log](const QString &text, const QString &word) {
            ActionLog::Entry e;
            e.openedAt = QStringLiteral("2026-12-08T23:10:00+08:00");
            e.board = QStringLiteral("版务");
            e.address = QStringLiteral("http://board.test/p/") + word;
            e.linkText = text;
            e.word = word;
            e.outcome = ActionLog::Outcome::Deleted;
            log.insert(e);
        };
        insert(QStringLiteral("低价代开发票"), QStringLiteral("代开"));
        for (int i = 0; i < ActionLogModel::kPageRows * 2; ++i)
            insert(QStringLiteral("帖子%1").arg(i), QStringLiteral("词"));
        insert(QStringLiteral("=HYPERLINK(\"http://x\",\"刷单\")"), QStringLiteral("刷单"));
        ActionLogWindow window(log);
        window.show();
        auto *table = window.findChild<QTableView *>(QStringLiteral("actionTable"));
        QAbstractItemModel *model = table->model();
        QCOMPARE(model->rowCount(), ActionLogModel::kPageRows);
        QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("刷单")); // newest first
        QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("已删除"));
        while (model->canFetchMore({}))
            model->fetchMore({});
        QCOMPARE(model->rowCount(), ActionLogModel::kPageRows * 2 + 2);
        QCOMPARE(model->index(model->rowCount() - 1, 2).data().toString(), QStringLiteral("低价代开发票"));

        auto *search = window.findChild<QLineEdit *>(QStringLiteral("searchEdit"));
        search->setText(QStringLiteral("发票"));
        QTRY_COMPARE(model->rowCount(), 1);
        search->setText(QStringLiteral("刷单"));
        QTRY_COMPARE(model->index(0, 3).data().toString(), QStringLiteral("刷单"));
        QCOMPARE(model->rowCount(), 1);

        const QString csvPath = folder.filePath(QStringLiteral("out.csv"));
        QVERIFY(window.exportCsv(csvPath));
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(bytes.mid(3)),
            QStringLiteral("时间,贴吧,帖子标题,命中词,结果,地址\r\n"
                           "2026-12-08 23:10:00,版务,\"'=HYPERLINK(\"\"http://x\"\",\"\"刷单\"\")\",刷单,已删除,"
                           "http://board.test/p/刷单\r\n"));

        window.hide();
        insert(QStringLiteral("新的刷单帖"), QStringLiteral("刷单"));
        QTest::qWait(2 * ActionLogWindow::kRefreshMs);
        QCOMPARE(model->rowCount(), 1); // hidden: not read again
        window.show();
        QCOMPARE(model->rowCount(), 2);
        insert(QStringLiteral("又一个刷单帖"), QStringLiteral("刷单"));
        QTRY_COMPARE(model->rowCount(), 3); // shown: updated as the watch runs
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
