#pragma once

#include "browser_view.h"

#include <functional>

namespace tidewick {

class Clock;
class OneShotTimer;
class RestartableTimer;

// Acts on a topic that the watch opened, through the page's own controls: restarts the board
// refresh timer, bans the poster when the ban option is on, clicks the delete link and reloads
// the board view. Each opened topic is one run with its own id; the run advances on page loads,
// page answers and its timer, never waiting inside a handler, and an answer that reaches a run
// that is over is dropped. Pages that the topic view reaches in any other way start no run, and
// one reached during a run ends it.
class TopicActionSequence {
public:
    using RunId = quint64;

    // A topic page that has not finished loading by then is left alone.
    static constexpr long long kLoadWithinMs = 30'000;
    // A finished load is acted on once its document reads complete, within this bound.
    static constexpr long long kCompleteWithinMs = 5000;
    static constexpr long long kReadyPollMs = 50;
    // Pages built by script may add their moderation links this long after they complete.
    static constexpr long long kLateLinksWithinMs = 5000;
    static constexpr long long kLateLinksPollMs = 100;
    // A click that has started no load within this time leads to none.
    static constexpr long long kClickLoadStartsWithinMs = 1000;
    // The page a delete click leads to is let load before the view takes another topic, so that
    // the delete is not cut off.
    static constexpr long long kAfterDeleteWithinMs = 10'000;

    // What a run did, for the record of actions. Every step but the two ban clicks ends the run.
    enum class Step {
        BanLinkClicked,
        BanButtonClicked,
        Unreadable, // the page could not be read, or showed an error
        NoDeleteLink,
        DeleteClicked,
        Superseded, // the view was sent to another topic or page first
        Ended, // the program ended first
    };

    struct Ports {
        BrowserView &topic;
        BrowserView &board;
        RestartableTimer &boardTimer;
        OneShotTimer &timer;
        const Clock &clock;
        std::function<bool()> banOptionTicked;
        std::function<void(RunId, Step)> report = [](RunId, Step) {};
        // The topic view can take the next topic.
        std::function<void()> viewFree = [] {};
    };

    explicit TopicActionSequence(Ports ports);

    // Sends the topic view to the address and starts its run; a run under way is superseded.
    RunId open(const QString &address);
    // Every finished load of the topic view; ok is false for an error page or a failed load.
    void pageLoaded(bool ok);
    // The run under way, if any, ends at once and clicks nothing more.
    void programEnded();

    // A run works on a topic, or the page its delete click leads to is still on its way.
    bool isBusy() const { return m_phase != Phase::Idle; }

    // How long the wait of N seconds lasts when entered at this wall time: until the first whole
    // second at or past the entry's whole second plus N.
    static long long WaitSeconds(long long wallNowMs, int seconds);

private:
    enum class Phase { Idle, Loading, Working, AfterDelete };
    using LinksFound = std::function<void(std::optional<AnchorList>)>;

    void awaitComplete(long long deadline);
    void act();
    void findLink(const QString &text, LinksFound found);
    void awaitNamed(const QString &name, std::function<void()> next);
    bool looksAgain(bool read, bool found, const std::function<void()> &again);
    void banPoster(const AnchorList &links);
    void clickBanButton();
    void banClicked(DocumentId document);
    void waitAfterBanClick(int seconds, std::function<void()> next);
    void deleteTopic();
    void deleteClicked(DocumentId document);
    void whenNotLoading(std::function<void()> next);
    void awaitLoad(std::function<void()> next);
    void wait(long long ms, std::function<void()> next);
    void end(Step step);
    void freeTheView();
    // Whether an answer or a timer of this run still has a run to serve.
    bool isCurrent(RunId run) const { return run == m_run && m_phase != Phase::Idle; }

    Ports m_ports;
    RunId m_run = 0;
    Phase m_phase = Phase::Idle;
    QString m_pageShown; // the address of the page the run is on
    long long m_completedAtMs = 0; // of the page opened, or of the first after a ban click
    bool m_clickedSinceLoad = false;
    DocumentId m_clickedOn = 0; // the document of the last ban click
    int m_failedReads = 0;
    std::function<void()> m_afterLoad; // what the run does once the load on its way has finished
};

} // namespace tidewick
