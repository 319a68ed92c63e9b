// The real executable's start-up rules, and the window's close request.
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
    void startProgram(QProcess &process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        process.setProcessEnvironment(env);
        process.start(m_home.filePath(QStringLiteral("tidewick")),
            {QStringLiteral("--portal-url"), QStringLiteral("about:blank")});
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

    void secondStartIsRefusedAndLeavesTheFirstRunning()
    {
        QProcess first;
        QProcess second;
        startProgram(first);
        QTest::qWait(2000);
        startProgram(second);
        QVERIFY(printsRefusal(second, 10000));
        QVERIFY(!QFile::exists(m_home.filePath(QStringLiteral("data.dat"))));
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(!first.readAllStandardError().contains(kRefusal));
        second.kill();
        second.waitForFinished(5000);
        first.kill(); // a crash: the next test starts after it
        first.waitForFinished(5000);
    }

    void crashedInstanceLeavesNoLockBehind()
    {
        QProcess next;
        startProgram(next);
        QVERIFY(!printsRefusal(next, 4000));
        QCOMPARE(next.state(), QProcess::Running);
        next.kill();
        next.waitForFinished(5000);
    }

    // Ends the event loops for good, so it comes last.
    void closeRequestEndsTheProgramAtOnce()
    {
        AppOptions options;
        options.portalUrl = QStringLiteral("about:blank");
        WindowFixture f(options);
        f.window->startUp();
        QVERIFY(f.window->close());
        QVERIFY(f.loop.programEnded());
        QVERIFY(!f.window->isVisible());
        QVERIFY(!QFile::exists(f.wordListPath())); // nothing is saved at the end
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
