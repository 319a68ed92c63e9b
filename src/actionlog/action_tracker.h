#pragma once

#include "action_log.h"

#include <QString>
#include <QStringList>

#include <deque>

namespace tidewick {

class Clock;

// Turns what the watch and the topic sequence report into rows of the action log and their
// outcomes: a topic opened, the steps of its sequence, and whether later board pages still list it.
class ActionTracker {
public:
    // After its delete click a topic counts as still listed when the board shows it this long.
    static constexpr long long kConfirmWithinMs = 60'000;

    struct Topic {
        QString board;
        QString address;
        QString linkText;
        QString word;
    };

    ActionTracker(ActionLog &log, const Clock &clock);

    void topicOpened(const Topic &topic, bool banOption);
    void topicLogged(const Topic &topic);

    // The steps of the sequence on the page the topic view shows, that is the topic last opened.
    void banLinkClicked();
    void banButtonClicked();
    void finished(ActionLog::Outcome outcome); // no-delete-link, unreadable or delete-clicked

    // A successfully read page of the watched board and the topic addresses it lists.
    void boardListRead(const QStringList &addresses);
    void programEnded();

private:
    struct Awaiting {
        qint64 row;
        QString address;
        long long clickedAtMs;
    };

    qint64 insert(const Topic &topic, ActionLog::Outcome outcome, bool banOption);

    ActionLog &m_log;
    const Clock &m_clock;
    qint64 m_current = -1; // the row of the topic whose sequence has not finished
    QString m_currentAddress;
    std::deque<Awaiting> m_awaiting; // delete clicked, not yet confirmed
};

} // namespace tidewick
