#pragma once

// Fakes of the browser and toolkit contracts for headless domain tests. Every action is written
// to one shared journal, so a test can check the order of clicks, yields, waits and reloads.

#include "browser_view.h"
#include "clock.h"
#include "event_loop.h"
#include "message_box.h"
#include "restartable_timer.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <map>

namespace tidewick::fakes {

using Journal = QStringList;

inline Anchor link(const QString &text, const QString &href = QStringLiteral("http://board.test/p/1"))
{
    return Anchor{text, href};
}

class FakeBrowserView final : public BrowserView {
public:
    FakeBrowserView(Journal &journal, QString name)
        : m_journal(journal)
        , m_name(std::move(name))
    {
    }

    void navigate(const QString &url) override { note(QStringLiteral("navigate ") + url); }
    void refresh() override { note(QStringLiteral("refresh")); }
    std::optional<int> readyState() override { return ready; }
    std::optional<AnchorList> readAnchors() override
    {
        if (onRead)
            onRead();
        return anchors;
    }
    void clickAnchor(int index) override { note(QStringLiteral("click ") + QString::number(index)); }
    void clickNamed(const QString &name) override { note(QStringLiteral("click ") + name); }

    std::optional<int> ready = kReadyStateComplete;
    std::optional<AnchorList> anchors = AnchorList{};
    std::function<void()> onRead;

private:
    void note(const QString &what) { m_journal.append(m_name + u' ' + what); }

    Journal &m_journal;
    QString m_name;
};

class FakeClock final : public Clock {
public:
    long long nowMs() const override { return now; }
    long long now = 0;
};

// Yields run what is queued for the next yield; waits move the fake clock and run what is
// scheduled up to their end, nested handlers included.
class FakeEventLoop final : public EventLoop {
public:
    FakeEventLoop(Journal &journal, FakeClock &clock)
        : m_journal(journal)
        , m_clock(clock)
    {
    }

    bool processPendingEvents() override
    {
        m_journal.append(QStringLiteral("yield"));
        std::deque<std::function<void()>> due;
        due.swap(atNextYield);
        for (auto &handler : due)
            handler();
        return !ended;
    }

    bool waitFor(long long ms) override
    {
        m_journal.append(QStringLiteral("wait %1").arg(ms));
        const long long end = m_clock.now + ms;
        while (!ended && !scheduled.empty() && scheduled.begin()->first <= end) {
            auto next = scheduled.extract(scheduled.begin());
            m_clock.now = std::max(m_clock.now, next.key());
            next.mapped()();
        }
        m_clock.now = std::max(m_clock.now, end);
        return !ended;
    }

    bool programEnded() const override { return ended; }

    bool ended = false;
    std::deque<std::function<void()>> atNextYield;
    std::multimap<long long, std::function<void()>> scheduled;

private:
    Journal &m_journal;
    FakeClock &m_clock;
};

class FakeTimer final : public RestartableTimer {
public:
    explicit FakeTimer(Journal &journal)
        : m_journal(journal)
    {
    }
    void restart() override { m_journal.append(QStringLiteral("timer restart")); }

private:
    Journal &m_journal;
};

class FakeMessageBox final : public MessageBox {
public:
    void showCritical(const QString &text, const QString &title) override { shown.append({text, title}); }
    QList<std::pair<QString, QString>> shown;
};

} // namespace tidewick::fakes
