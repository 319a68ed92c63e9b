#pragma once

// Fakes of the browser and toolkit contracts for headless domain tests. Every action is written
// to one shared journal, so a test can check the order of clicks, yields, waits and reloads.

#include "browser_view.h"
#include "clock.h"
#include "event_loop.h"
#include "message_box.h"
#include "one_shot_timer.h"
#include "restartable_timer.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <utility>

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

    void navigate(const QString &to) override
    {
        url_ = to;
        note(QStringLiteral("navigate ") + to);
    }
    QString url() const override { return url_; }
    bool isLoading() const override { return loading; }
    void refresh() override { note(QStringLiteral("refresh")); }
    std::optional<int> readyState() override { return ready; }
    std::optional<AnchorList> readAnchors() override
    {
        if (onRead)
            onRead();
        const std::optional<AnchorList> read = anchors;
        if (afterRead)
            afterRead();
        return read;
    }
    // Clicks only when the anchor at the index is still the one that was read, as the real view does.
    bool clickAnchor(int index, const Anchor &expected) override
    {
        const bool same = anchors && index < anchors->size() && (*anchors)[index].text == expected.text
            && (*anchors)[index].href == expected.href;
        note((same ? QStringLiteral("click ") : QStringLiteral("click refused ")) + QString::number(index));
        return same;
    }
    void clickNamed(const QString &name) override { note(QStringLiteral("click ") + name); }

    std::optional<int> ready = kReadyStateComplete;
    std::optional<AnchorList> anchors = AnchorList{};
    QString url_; // the page shown: the last address navigated to
    bool loading = false;
    std::function<void()> onRead; // before the read: what it sees can change
    std::function<void()> afterRead; // after it: the page changes behind the reader

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

// Holds the pending action until the test fires it.
class FakeOneShotTimer final : public OneShotTimer {
public:
    void start(long long ms, std::function<void()> action) override
    {
        delays.append(ms);
        pending = std::move(action);
    }
    void fire()
    {
        auto action = std::exchange(pending, nullptr);
        if (action)
            action();
    }
    QList<long long> delays;
    std::function<void()> pending;
};

// Records every message; a question waits until the test answers it.
class FakeMessageBox final : public MessageBox {
public:
    void showCritical(const QString &text, const QString &title) override { shown.append({text, title}); }
    void showWarning(const QString &text, const QString &title) override { shown.append({text, title}); }
    void ask(const QString &text, const QString &title, std::function<void(bool)> answered) override
    {
        shown.append({text, title});
        pendingAnswer = std::move(answered);
    }
    void answer(bool yes) { std::exchange(pendingAnswer, nullptr)(yes); }

    QList<std::pair<QString, QString>> shown;
    std::function<void(bool)> pendingAnswer;
};

} // namespace tidewick::fakes
