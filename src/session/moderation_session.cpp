#include "moderation_session.h"

namespace tidewick {

ModerationSession::ModerationSession(Ports ports, const QUrl &boardOrigin, ActionLog &log)
    : m_ports(std::move(ports))
    , m_watch({m_ports.board, m_ports.clock, m_ports.retryTimer, m_ports.setTitle, m_ports.setStatus}, boardOrigin)
    , m_sequence({m_ports.topic, m_ports.board, m_ports.boardTimer, m_ports.runTimer, m_ports.clock,
          m_ports.banOptionTicked, [this](RunId run, TopicActionSequence::Step step) { stepTaken(run, step); },
          [this] {
              if (m_watch.IsRunning())
                  openNext();
          }})
    , m_tracker(log, m_ports.clock)
{
    m_watch.setReports({[this](const QList<MatchedTopic> &matches) { return matched(matches); },
        [this](const MatchedTopic &topic) { m_tracker.topicLogged(topic); },
        [this](const QString &board, const QStringList &topics) { m_tracker.boardListRead(board, topics); }});
}

void ModerationSession::setWords(const QStringList &words)
{
    m_waiting.clear();
    m_watch.setWords(words);
}

void ModerationSession::setLogOnly(bool on)
{
    m_waiting.clear();
    m_watch.setLogOnly(on);
}

void ModerationSession::start(const QString &boardName)
{
    m_waiting.clear();
    m_watch.Start(boardName);
}

void ModerationSession::pause()
{
    m_waiting.clear();
    m_watch.Pause();
}

void ModerationSession::programEnded()
{
    m_waiting.clear();
    m_sequence.programEnded();
    m_tracker.programEnded();
}

// Each scan brings the board as it stands now: what it no longer lists no longer waits.
bool ModerationSession::matched(const QList<MatchedTopic> &matches)
{
    m_waiting = matches;
    return !m_sequence.isBusy() && openNext();
}

bool ModerationSession::openNext()
{
    while (!m_waiting.isEmpty()) {
        const MatchedTopic topic = m_waiting.takeFirst();
        if (m_watch.openedRecently(topic.address))
            continue;
        m_run = m_sequence.open(topic.address);
        m_watch.topicOpened(topic);
        // Recorded only now, so the record costs the reaction nothing.
        m_tracker.topicOpened(m_run, topic, m_ports.banOptionTicked());
        return true;
    }
    return false;
}

void ModerationSession::stepTaken(RunId run, TopicActionSequence::Step step)
{
    using Step = TopicActionSequence::Step;
    using Outcome = ActionLog::Outcome;
    switch (step) {
    case Step::BanLinkClicked:
        return m_tracker.banLinkClicked(run);
    case Step::BanButtonClicked:
        return m_tracker.banButtonClicked(run);
    case Step::DeleteClicked:
        return m_tracker.finished(run, Outcome::DeleteClicked);
    case Step::Superseded:
        return m_tracker.finished(run, Outcome::Superseded);
    case Step::Ended:
        return m_tracker.finished(run, Outcome::Ended);
    case Step::Unreadable:
    case Step::NoDeleteLink:
        m_tracker.finished(run, step == Step::Unreadable ? Outcome::Unreadable : Outcome::NoDeleteLink);
        if (run == m_run)
            m_watch.topicLeftStanding(m_watch.LastOpenedUrl());
        return;
    }
}

} // namespace tidewick
