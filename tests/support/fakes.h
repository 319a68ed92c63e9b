#pragma once

// Fakes of the browser and toolkit contracts for headless domain tests. Every action is written
// to one shared journal, so a test can check the order of clicks, loads and reloads. Time is the
// fake clock's: page answers, loads and timers fall due on it, and a test moves it on.

#include "browser_view.h"
#include "clock.h"
#include "message_box.h"
#include "one_shot_timer.h"
#include "restartable_timer.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

namespace tidewick::fakes {

using Journal = QStringList;

inline Anchor link(const QString &text, const QString &href = QStringLiteral("http://board.test/p/1"))
{
    return Anchor{text, href};
}

// A steady clock, a wall clock that a test may set apart from it, and what falls due on them.
class FakeClock final : public Clock {
public:
    long long wallMs() const override { return now + wallOffset; }
    long long steadyMs() const override { return now; }

    void after(long long ms, std::function<void()> action)
    {
        m_due.emplace(now + std::max(0LL, ms), std::move(action));
    }
    // Moves the clock ms on, running what falls due on the way, each at its time, in order.
    void advance(long long ms)
    {
        const long long end = now + ms;
        while (!m_due.empty() && m_due.begin()->first <= end) {
            auto next = m_due.extract(m_due.begin());
            now = std::max(now, next.key());
            next.mapped()();
        }
        now = std::max(now, end);
    }
    void runDue() { advance(0); }
    // Runs everything that falls due within the bound, moving the clock only as far as needed.
    void settle(long long withinMs = 600'000)
    {
        const long long end = now + withinMs;
        while (!m_due.empty() && m_due.begin()->first <= end)
            advance(m_due.begin()->first - now);
    }

    long long now = 0;
    long long wallOffset = 1'000'000'000'000; // 2001-09-09T01:46:40Z, a whole second

private:
    std::multimap<long long, std::function<void()>> m_due;
};

// A one-shot timer on the fake clock.
class ClockTimer final : public OneShotTimer {
public:
    explicit ClockTimer(FakeClock &clock)
        : m_clock(clock)
    {
    }
    void start(long long ms, std::function<void()> action) override
    {
        delays.append(ms);
        const int armed = ++m_starts;
        m_pending = true;
        m_clock.after(ms, [this, armed, action = std::move(action)] {
            if (armed == m_starts && m_pending) {
                m_pending = false;
                action();
            }
        });
    }
    void stop() override { m_pending = false; }
    bool armed() const { return m_pending; }
    QList<long long> delays;

private:
    FakeClock &m_clock;
    int m_starts = 0;
    bool m_pending = false;
};

// A view whose page answers after answerMs and loads in loadMs, on the fake clock. The page is
// what anchors hold when the answer falls due; a load brings the next document.
class FakeBrowserView final : public BrowserView {
public:
    FakeBrowserView(Journal &journal, QString name, FakeClock &clock)
        : m_journal(journal)
        , m_name(std::move(name))
        , m_clock(clock)
    {
    }

    void navigate(const QString &to) override
    {
        url_ = to;
        note(QStringLiteral("navigate ") + to);
        startLoad();
    }
    QString url() const override { return url_; }
    bool isLoading() const override { return loading; }
    DocumentId document() const override { return m_document; }
    void refresh() override
    {
        note(QStringLiteral("refresh"));
        if (!loading)
            startLoad();
    }
    void readReadyState(ReadyStateAnswer answer) override
    {
        later([this, answer = std::move(answer)] { answer(m_document, loading ? std::nullopt : ready); });
    }
    void readAnchors(AnchorsAnswer answer) override
    {
        later([this, answer = std::move(answer)] {
            if (onRead)
                onRead();
            answer(m_document, loading ? std::nullopt : anchors, anchorsAtLoad);
        });
    }
    // Clicks only when the anchor at the index is still the one that was read, as the real view does.
    void clickAnchor(int index, const Anchor &expected, ClickAnswer answer) override
    {
        later([this, index, expected, answer = std::move(answer)] {
            const bool same = !loading && anchors && index < anchors->size() && (*anchors)[index].text == expected.text
                && (*anchors)[index].href == expected.href;
            note((same ? QStringLiteral("click ") : QStringLiteral("click refused ")) + QString::number(index));
            answer(m_document, same);
            if (same && onClick)
                onClick((*anchors)[index]);
        });
    }
    void readNamed(const QString &name, PresenceAnswer answer) override
    {
        later([this, name, answer = std::move(answer)] {
            answer(m_document, loading ? std::nullopt : std::optional<bool>(namedElements.contains(name)));
        });
    }
    void clickNamed(const QString &name, ClickAnswer answer) override
    {
        later([this, name, answer = std::move(answer)] {
            const bool found = !loading && namedElements.contains(name);
            note((found ? QStringLiteral("click ") : QStringLiteral("click missing ")) + name);
            answer(m_document, found);
            if (found && onClick)
                onClick(Anchor{name, QString()});
        });
    }

    // A load that the page itself starts, as a click on a link does.
    void startLoad()
    {
        loading = true;
        const DocumentId loadingDocument = ++m_document;
        if (loadMs < 0)
            return; // hangs
        m_clock.after(loadMs, [this, loadingDocument] {
            if (loadingDocument != m_document)
                return; // replaced by a newer load
            loading = false;
            if (onLoaded)
                onLoaded(loadSucceeds);
        });
    }

    std::optional<int> ready = kReadyStateComplete;
    std::optional<AnchorList> anchors = AnchorList{};
    qsizetype anchorsAtLoad = -1;
    QStringList namedElements{QStringLiteral("ban_ip_button")};
    QString url_; // the page shown: the last address navigated to
    bool loading = false;
    long long answerMs = 0;
    long long loadMs = 0; // negative: loads never finish
    bool loadSucceeds = true;
    std::function<void()> onRead; // before the read: what it sees can change
    // After a click: the page may load another. A named element comes as its name for a text.
    std::function<void(const Anchor &)> onClick;
    std::function<void(bool)> onLoaded; // the view's finished loads, as the window forwards them

private:
    void note(const QString &what) { m_journal.append(m_name + u' ' + what); }
    void later(std::function<void()> f) { m_clock.after(answerMs, std::move(f)); }

    Journal &m_journal;
    QString m_name;
    FakeClock &m_clock;
    DocumentId m_document = 0;
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

// The window as the domain sees it: the two views, the board's refresh timer and the ban option,
// on one fake clock, writing to one journal.
struct FakeWindow {
    Journal journal;
    FakeClock clock;
    FakeBrowserView board{journal, QStringLiteral("board"), clock};
    FakeBrowserView topic{journal, QStringLiteral("topic"), clock};
    FakeTimer boardTimer{journal};
    bool banOption = false;
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
