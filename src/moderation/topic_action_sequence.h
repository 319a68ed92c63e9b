#pragma once

#include "browser_view.h"

#include <functional>

namespace tidewick {

class Clock;
class EventLoop;
class RestartableTimer;

// Acts on a fully loaded topic page through the page's own controls: restarts the board
// refresh timer, bans the poster when the ban option is on, clicks the delete link and
// reloads the board view. Runs may nest while one yields; the ban flag is shared by all.
class TopicActionSequence {
public:
    // A finished load is acted on once its document reads complete, within this bound.
    static constexpr long long kCompleteWithinMs = 5000;
    static constexpr long long kReadyPollMs = 50;
    // A page that keeps reloading during the ban waits cannot nest runs without end.
    static constexpr int kMaxNestedRuns = 4;
    // Pages built by script may add their moderation links this long after they complete.
    static constexpr long long kLateLinksWithinMs = 5000;
    static constexpr long long kLateLinksPollMs = 100;

    // What a run did, for the record of actions.
    enum class Step {
        BanLinkClicked,
        BanButtonClicked,
        Unreadable, // the page could not be read
        NoDeleteLink,
        DeleteClicked,
    };

    struct Ports {
        BrowserView &topic;
        BrowserView &board;
        RestartableTimer &boardTimer;
        EventLoop &loop;
        const Clock &clock;
        std::function<bool()> banOptionTicked;
        std::function<void(Step)> report = [](Step) {};
    };

    explicit TopicActionSequence(Ports ports);

    // Runs on every finished load of the topic view.
    void run();

    // Waits until the first whole second at or past now + seconds, handling events meanwhile.
    // False when the program ended during the wait.
    bool WaitSeconds(int seconds);

    bool AwaitingBan() const { return m_awaitingBan; }

private:
    enum class Readiness { Complete, Unreadable, Abandoned };

    Readiness documentBecomesComplete(quint64 run);
    std::optional<AnchorList> readLinks();
    // One run: its number and when its document read complete.
    struct Run {
        quint64 id;
        long long completedAtMs;
    };

    std::optional<AnchorList> linksOnceOneHas(const QString &text, const Run &run);
    bool banPoster(const Run &run); // false when the program ended meanwhile
    void deleteTopic(const Run &run);

    Ports m_ports;
    bool m_awaitingBan = false;
    int m_runsUnderWay = 0;
    quint64 m_runsStarted = 0;
};

} // namespace tidewick
