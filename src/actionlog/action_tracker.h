#pragma once

#include "action_log.h"
#include "matched_topic.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <map>

namespace tidewick {

class Clock;

// Turns what the watch and the topic runs report into rows of the action log and their outcomes:
// a topic opened, the steps of its run, and whether later board pages still list it. Each run has
// its own row, so a step is credited to the topic it was taken on.
class ActionTracker {
public:
    using RunId = quint64;

    // After its delete click a topic counts as still listed when the board shows it this long.
    static constexpr long long kConfirmWithinMs = 60'000;
    // A topic counts as deleted once this many list reads in a row lack it.
    static constexpr int kReadsLackingIt = 2;

    ActionTracker(ActionLog &log, const Clock &clock);

    void topicOpened(RunId run, const MatchedTopic &topic, bool banOption);
    void topicLogged(const MatchedTopic &topic);

    void banLinkClicked(RunId run);
    void banButtonClicked(RunId run);
    // Every outcome but opened, deleted, still-listed and logged ends the run's part.
    void finished(RunId run, ActionLog::Outcome outcome);

    // A readable load of the first list page of a board and the topic addresses it lists.
    void boardListRead(const QString &board, const QStringList &topics);
    void programEnded();

private:
    struct Awaiting {
        qint64 row;
        QString board;
        QString address;
        long long clickedAtMs;
        int readsLackingIt = 0;
    };

    qint64 insert(const MatchedTopic &topic, ActionLog::Outcome outcome, bool banOption);
    bool settle(Awaiting &awaiting, const QString &board, const QStringList &topics, long long now);

    ActionLog &m_log;
    const Clock &m_clock;
    std::map<RunId, Awaiting> m_running; // opened, run not over
    std::deque<Awaiting> m_awaiting; // delete clicked, not yet confirmed
};

} // namespace tidewick
