#pragma once

#include "action_tracker.h"
#include "board_watch.h"
#include "topic_action_sequence.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace tidewick {

class ActionLog;

// One moderator's watch over one board at a time: the board watch, the topic runs and the record,
// wired together. The window forwards its events here and shows what comes back. While a run
// works on a topic, the board goes on reloading; the matches found meanwhile wait, in page order,
// and the next one is opened as soon as the topic view is free.
class ModerationSession {
public:
    using RunId = TopicActionSequence::RunId;

    struct Ports {
        BrowserView &board;
        BrowserView &topic;
        RestartableTimer &boardTimer;
        OneShotTimer &retryTimer; // the watch's
        OneShotTimer &runTimer; // the topic runs'
        const Clock &clock;
        std::function<bool()> banOptionTicked;
        std::function<void(const QString &)> setTitle;
        std::function<void(const QString &)> setStatus;
    };

    ModerationSession(Ports ports, const QUrl &boardOrigin, ActionLog &log);

    BoardWatch &watch() { return m_watch; }
    const BoardWatch &watch() const { return m_watch; }
    // The topics waiting for the topic view, first to open first.
    const QList<MatchedTopic> &waiting() const { return m_waiting; }

    // What waits was matched under the words and the mode it was found with: a change drops it,
    // and the next scan finds what still matches.
    void setWords(const QStringList &words);
    void setLogOnly(bool on);

    void start(const QString &boardName);
    // Opens nothing more; a run under way finishes its topic, so that a ban is not left half done.
    void pause();
    void boardLoaded(bool ok) { m_watch.BoardScanCycle(ok); }
    void topicLoaded(bool ok) { m_sequence.pageLoaded(ok); }
    void programEnded();

private:
    bool matched(const QList<MatchedTopic> &matches);
    bool openNext();
    void stepTaken(RunId run, TopicActionSequence::Step step);

    Ports m_ports;
    BoardWatch m_watch;
    TopicActionSequence m_sequence;
    ActionTracker m_tracker;
    QList<MatchedTopic> m_waiting;
    RunId m_run = 0; // the run last started, on the watch's last opened topic
};

} // namespace tidewick
