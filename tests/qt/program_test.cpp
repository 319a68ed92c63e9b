// The real executable's start-up rules, and the window's close request.
#include "board_service_process.h"
#include "window_fixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace tidewick;

namespace {

const QByteArray kRefusal = QStringLiteral("该程序已经运行，禁止重复运行！").toLocal8Bit();

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private:
    // A copy of the program in its own folder, with its own per-user runtime and data folders.
    void startProgram(QProcess &process, const QString &portalUrl = QStringLiteral("about:blank"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        process.setProcessEnvironment(env);
        process.start(m_home.filePath(QStringLiteral("tidewick")), {QStringLiteral("--portal-url"), portalUrl});
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

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QFile::copy(QStringLiteral(TIDEWICK_PATH), m_home.filePath(QStringLiteral("tidewick"))));
        QFile::setPermissions(m_home.filePath(QStringLiteral("tidewick")), QFile::ExeOwner | QFile::ReadOwner);
        QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("run")));
        chmod(QFile::encodeName(m_home.filePath(QStringLiteral("run"))).constData(), 0700);
    }

    // A refused start opens no page, and it reads no word list: the list here is a pipe without a
    // writer, on which a read would block before the refusal.
    void secondStartIsRefusedAndLeavesTheFirstRunning()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        QProcess first;
        QProcess second;
        startProgram(first, service.url(QStringLiteral("/")));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(QStringLiteral("portal")), 1, 20000);
        const QByteArray wordList = QFile::encodeName(m_home.filePath(QStringLiteral("data.dat")));
        QCOMPARE(mkfifo(wordList.constData(), 0600), 0);
        startProgram(second, service.url(QStringLiteral("/")));
        const bool refused = printsRefusal(second, 10000);
        QTest::qWait(2000);
        QFile::remove(QString::fromLocal8Bit(wordList));
        QVERIFY(refused);
        QCOMPARE(service.pageLoads(QStringLiteral("portal")), 1);
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
        startProgram(crashed, service.url(QStringLiteral("/")));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(QStringLiteral("portal")), 1, 20000);
        crashed.kill();
        crashed.waitForFinished(5000);
        QProcess next;
        startProgram(next, service.url(QStringLiteral("/")));
        QTRY_COMPARE_WITH_TIMEOUT(service.pageLoads(QStringLiteral("portal")), 2, 20000);
        QCOMPARE(next.state(), QProcess::Running);
        next.kill();
        next.waitForFinished(5000);
    }

    void closeRequestEndsTheProgramAtOnce()
    {
        AppOptions options;
        options.portalUrl = QStringLiteral("about:blank");
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
