// The real executable's start-up rules (its options, one instance at a time) and the window's close request.
#include "app_options.h"
#include "board_service_process.h"
#include "program_home.h"
#include "window_fixture.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace tidewick;

namespace {

const QByteArray kRefusal = u"该程序已经运行，禁止重复运行！"_s.toLocal8Bit();

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private:
    void startProgram(QProcess &process, const QString &portalUrl)
    {
        m_home.start(process, {u"--portal-url"_s, portalUrl});
        QVERIFY(process.waitForStarted(5000));
    }

    bool printsRefusal(QProcess &process, int ms)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        QByteArray err;
        while (elapsed.elapsed() < ms) {
            process.waitForReadyRead(200);
            err += process.readAllStandardError();
            if (err.contains(kRefusal))
                return true;
        }
        return false;
    }

    ProgramHome m_home;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.make()); }

    // A refused start opens no page, and it reads no word list: the list here is a pipe without a
    // writer, on which a read would block before the refusal.
    void secondStartIsRefusedAndLeavesTheFirstRunning()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        QProcess first;
        QProcess second;
        startProgram(first, service.url(u"/"_s));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(u"portal"_s), 1, 20000);
        const QByteArray wordList = QFile::encodeName(m_home.filePath(u"data.dat"_s));
        QCOMPARE(mkfifo(wordList.constData(), 0600), 0);
        startProgram(second, service.url(u"/"_s));
        const bool refused = printsRefusal(second, 10000);
        QTest::qWait(2000);
        QFile::remove(QString::fromLocal8Bit(wordList));
        QVERIFY(refused);
        QCOMPARE(service.pageLoads(u"portal"_s), 1);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(!first.readAllStandardError().contains(kRefusal));
        second.kill();
        second.waitForFinished(5000);
        first.kill();
        first.waitForFinished(5000);
    }

    // The first instance has taken the lock once it opens the portal; the next one gets as far.
    void crashedInstanceLeavesNoLockBehind()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        QProcess crashed;
        startProgram(crashed, service.url(u"/"_s));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(u"portal"_s), 1, 20000);
        crashed.kill();
        crashed.waitForFinished(5000);
        QProcess next;
        startProgram(next, service.url(u"/"_s));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(u"portal"_s), 2, 20000);
        QCOMPARE(next.state(), QProcess::Running);
        next.kill();
        next.waitForFinished(5000);
    }

    // Read before any window; what is refused is named.
    void optionsAreReadOrRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("read"); // the origin and the days read, or a part of the refusal
        const auto row = [](const char *name, const QStringList &arguments, const QString &read) {
            QTest::newRow(name) << arguments << read;
        };
        row("defaults", {}, u"http://board.invalid 365"_s);
        row("https origin, every row kept", {u"--board-host"_s, u"https://b.test:8443"_s, u"--record-days"_s, u"0"_s},
            u"https://b.test:8443 0"_s);
        row("origin with a path", {u"--board-host"_s, u"b.test/f"_s}, u"path"_s);
        row("days below 0", {u"--record-days"_s, u"-1"_s}, u"--record-days"_s);
        row("days not a number", {u"--record-days"_s, u"7d"_s}, u"--record-days"_s);
        row("unknown option", {u"--bord-host"_s, u"b.test"_s}, u"bord-host"_s);
    }
    void optionsAreReadOrRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, read);
        const ReadOptions options = parseAppOptions(QStringList{u"tidewick"_s} + arguments);
        if (options.error.isEmpty())
            QCOMPARE(u"%1 %2"_s.arg(options.options.boardOrigin.toString()).arg(options.options.recordDays), read);
        else
            QVERIFY2(options.error.contains(read), qPrintable(options.error));
    }

    void closeRequestEndsTheProgramAtOnce()
    {
        AppOptions options;
        options.portalUrl = u"about:blank"_s;
        WindowFixture f(options);
        f.window->startUp();
        QVERIFY(f.window->close());
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.exitRequests, 1);
        QVERIFY(!QFile::exists(f.wordListPath())); // nothing is saved at the end
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
