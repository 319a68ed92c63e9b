// The real executable on a virtual display, driven with real mouse and keyboard input the way a
// moderator uses it, against the local board service.
#include "board_service_process.h"
#include "word_list_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class ModeratorEndToEndTest : public QObject {
    Q_OBJECT

private:
    QString xdotool(const QStringList &arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(m_env);
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    // A click at a point of the window's client area, where the designed layout puts a control.
    void clickAt(int x, int y)
    {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QString::number(x),
            QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
        QTest::qWait(300);
    }

    void type(const QString &text)
    {
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    }

    void key(const QString &name)
    {
        xdotool({QStringLiteral("key"), name});
        QTest::qWait(200);
    }

    QString title() { return xdotool({QStringLiteral("getwindowname"), m_window}); }

    // Asks once per round and returns what it was told: a window search that found the window can
    // answer nothing when asked again.
    bool waitFor(const std::function<bool()> &done, int ms)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done()) {
            if (elapsed.elapsed() >= ms)
                return false;
            QTest::qWait(250);
        }
        return true;
    }

    QTemporaryDir m_home;
    QProcess m_display;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QString m_window;

private Q_SLOTS:
    // Needs a virtual display and a way to send real input. A machine without them skips the test;
    // CI installs both, so there a missing one is a failure.
    void initTestCase()
    {
        for (const QString &tool : {QStringLiteral("Xvfb"), QStringLiteral("xdotool")}) {
            if (!QStandardPaths::findExecutable(tool).isEmpty())
                continue;
            const QByteArray reason = tool.toUtf8() + " is not installed";
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(reason.constData());
            QSKIP(reason.constData());
        }
        m_display.start(QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(m_display.waitForReadyRead(10000));
        const QString display = QString::fromLatin1(m_display.readLine()).trimmed();
        QVERIFY(!display.isEmpty());
        m_env.insert(QStringLiteral("DISPLAY"), u':' + display);
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("run")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        QDir(m_home.path()).mkdir(QStringLiteral("run"));
        chmod(QFile::encodeName(m_home.filePath(QStringLiteral("run"))).constData(), 0700);
        QVERIFY(QFile::copy(QStringLiteral(TIDEWICK_PATH), m_home.filePath(QStringLiteral("tidewick"))));
        QFile::setPermissions(m_home.filePath(QStringLiteral("tidewick")), QFile::ExeOwner | QFile::ReadOwner);
    }

    void cleanupTestCase()
    {
        m_display.kill();
        m_display.waitForFinished(5000);
    }

    void moderatorSignsInStartsTheWatchPausesAndExits()
    {
        BoardServiceProcess service;
        QVERIFY(service.start());
        // A plain word, and a loose one that sees through disguises; beside each forbidden title an
        // innocent one that comes close.
        const QStringList forbiddenTitles{
            QStringLiteral("兼职刷 单0日结"), QStringLiteral("代\u3000开\u200B发票1"), QStringLiteral("代開發票🔥2")};
        const QStringList innocentTitles{
            QStringLiteral("今天的晚霞0"), QStringLiteral("刷\u3000单的后果1"), QStringLiteral("代理开发工具2")};
        QList<int> forbidden, innocent;
        for (int i = 0; i < 3; ++i) {
            innocent << service.post(QStringLiteral("demo"), innocentTitles[i], QStringLiteral("n%1").arg(i));
            forbidden << service.post(QStringLiteral("demo"), forbiddenTitles[i], QStringLiteral("s%1").arg(i));
        }
        QFile list(m_home.filePath(QStringLiteral("data.dat")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(tidewick::encodeWordList({QStringLiteral("刷单"), QStringLiteral("~代开")}));
        list.close();

        QProcess program;
        program.setProcessEnvironment(m_env);
        program.start(m_home.filePath(QStringLiteral("tidewick")),
            {QStringLiteral("--board-host"), service.host(), QStringLiteral("--portal-url"),
                service.url(QStringLiteral("/"))});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(waitFor(
            [&] {
                return !(m_window
                    = xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Tidewick 1.1$")}))
                            .isEmpty();
            },
            20000));
        m_window = m_window.split(u'\n').first();
        QVERIFY(waitFor([&] { return service.pageLoads(QStringLiteral("portal")) > 0; }, 20000));
        QTest::qWait(2000);

        // Sign in: the portal's name field has the focus inside the board view.
        clickAt(700, 400); // the board view, below the form
        key(QStringLiteral("Tab"));
        type(QStringLiteral("moderator"));
        key(QStringLiteral("Tab"));
        type(QStringLiteral("secret"));
        key(QStringLiteral("Return"));
        QVERIFY(waitFor([&] { return service.pageLoads(QStringLiteral("portal")) > 1; }, 10000));

        clickAt(56 + 80, 12 + 12); // Text1
        type(QStringLiteral("demo"));
        clickAt(216 + 7, 80 + 8); // Check1: ban the posters too
        clickAt(224 + 48, 12 + 12); // Command1: start

        const auto allGone = [&] {
            for (const int id : forbidden) {
                if (!service.topic(id)[QStringLiteral("deleted")].toBool())
                    return false;
            }
            return true;
        };
        QVERIFY(waitFor(allGone, 90000));
        for (const int id : innocent)
            QVERIFY(!service.topic(id)[QStringLiteral("deleted")].toBool());
        QCOMPARE(service.state()[QStringLiteral("bans")].toArray().size(), forbidden.size());
        QCOMPARE(title(), QStringLiteral("已删帖：3次"));

        clickAt(328 + 48, 12 + 12); // Command2: pause
        QTest::qWait(1500);
        const int loads = service.pageLoads(QStringLiteral("board"));
        QTest::qWait(9000);
        QCOMPARE(service.pageLoads(QStringLiteral("board")), loads);

        clickAt(472 + 40, 8 + 16); // Command4: exit
        QVERIFY(waitFor([&] { return program.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_MAIN(ModeratorEndToEndTest)
#include "moderator_e2e_test.moc"
