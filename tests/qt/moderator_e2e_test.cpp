// The real executable on a virtual display, driven with real mouse and keyboard input the way a
// moderator uses it, against the local board service.
#include "board_service_process.h"
#include "program_home.h"
#include "word_list_file.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;

class ModeratorEndToEndTest : public QObject {
    Q_OBJECT

private:
    QString xdotool(const QStringList &arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(m_home.env);
        tool.start(u"xdotool"_s, arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    // A click at a point of the window's client area, where the designed layout puts a control.
    void clickAt(int x, int y)
    {
        xdotool({u"mousemove"_s, u"--window"_s, m_window, QString::number(x), QString::number(y), u"click"_s, u"1"_s});
        QTest::qWait(300);
    }

    void type(const QString &text) { xdotool({u"type"_s, u"--delay"_s, u"30"_s, text}); }

    void key(const QString &name)
    {
        xdotool({u"key"_s, name});
        QTest::qWait(200);
    }

    QString title() { return xdotool({u"getwindowname"_s, m_window}); }

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

    ProgramHome m_home;
    QProcess m_display;
    QString m_window;

private Q_SLOTS:
    // Needs a virtual display and a way to send real input. A machine without them skips the test;
    // CI installs both, so there a missing one is a failure.
    void initTestCase()
    {
        for (const QString &tool : {u"Xvfb"_s, u"xdotool"_s}) {
            if (!QStandardPaths::findExecutable(tool).isEmpty())
                continue;
            const QByteArray reason = tool.toUtf8() + " is not installed";
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(reason.constData());
            QSKIP(reason.constData());
        }
        m_display.start(
            u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x800x24"_s, u"-nolisten"_s, u"tcp"_s});
        QVERIFY(m_display.waitForReadyRead(10000));
        const QString display = QString::fromLatin1(m_display.readLine()).trimmed();
        QVERIFY(!display.isEmpty());
        m_home.env.insert(u"DISPLAY"_s, u':' + display);
        m_home.env.remove(u"QT_QPA_PLATFORM"_s);
        QVERIFY(m_home.make());
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
        const QStringList forbiddenTitles{u"兼职刷 单0日结"_s, u"代\u3000开\u200B发票1"_s, u"代開發票🔥2"_s};
        const QStringList innocentTitles{u"今天的晚霞0"_s, u"刷\u3000单的后果1"_s, u"代理开发工具2"_s};
        QList<int> forbidden, innocent;
        for (int i = 0; i < 3; ++i) {
            innocent << service.post(u"demo"_s, innocentTitles[i], u"n%1"_s.arg(i));
            forbidden << service.post(u"demo"_s, forbiddenTitles[i], u"s%1"_s.arg(i));
        }
        QFile list(m_home.filePath(u"data.dat"_s));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(tidewick::encodeWordList({u"刷单"_s, u"~代开"_s}));
        list.close();

        QProcess program;
        m_home.start(program, {u"--board-host"_s, service.host(), u"--portal-url"_s, service.url(u"/"_s)});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(waitFor(
            [&] {
                return !(m_window = xdotool({u"search"_s, u"--name"_s, u"^Tidewick 1.1$"_s})).isEmpty();
            },
            20000));
        m_window = m_window.split(u'\n').first();
        QVERIFY(waitFor([&] { return service.pageLoads(u"portal"_s) > 0; }, 20000));
        QTest::qWait(2000);

        // Sign in: the portal's name field has the focus inside the board view.
        clickAt(700, 400); // the board view, below the form
        key(u"Tab"_s);
        type(u"moderator"_s);
        key(u"Tab"_s);
        type(u"secret"_s);
        key(u"Return"_s);
        QVERIFY(waitFor([&] { return service.pageLoads(u"portal"_s) > 1; }, 10000));

        clickAt(56 + 80, 12 + 12); // Text1
        type(u"demo"_s);
        clickAt(216 + 7, 80 + 8); // Check1: ban the posters too
        clickAt(224 + 48, 12 + 12); // Command1: start

        const auto allGone = [&] {
            for (const int id : forbidden) {
                if (!service.topic(id)[u"deleted"_s].toBool())
                    return false;
            }
            return true;
        };
        QVERIFY(waitFor(allGone, 90000));
        for (const int id : innocent)
            QVERIFY(!service.topic(id)[u"deleted"_s].toBool());
        QCOMPARE(service.state()[u"bans"_s].toArray().size(), forbidden.size());
        QCOMPARE(title(), u"已删帖：3次"_s);

        clickAt(328 + 48, 12 + 12); // Command2: pause
        QTest::qWait(1500);
        const int loads = service.pageLoads(u"board"_s);
        QTest::qWait(9000);
        QCOMPARE(service.pageLoads(u"board"_s), loads);

        clickAt(472 + 40, 8 + 16); // Command4: exit
        QVERIFY(waitFor([&] { return program.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_MAIN(ModeratorEndToEndTest)
#include "moderator_e2e_test.moc"
