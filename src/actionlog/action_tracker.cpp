#include "action_tracker.h"

#include "clock.h"

#include <algorithm>

namespace tidewick {

ActionTracker::ActionTracker(ActionLog &log, const Clock &clock)
    : m_log(log)
    , m_clock(clock)
{
}

qint64 ActionTracker::insert(const MatchedTopic &topic, ActionLog::Outcome outcome, bool banOption)
{
    ActionLog::Entry entry;
    entry.openedAt = isoLocalTime(m_clock.wallMs());
    entry.board = topic.board;
    entry.address = topic.address;
    entry.linkText = topic.linkText;
    entry.word = topic.word;
    entry.outcome = outcome;
    entry.banOption = banOption;
    return m_log.insert(entry);
}

void ActionTracker::topicOpened(RunId run, const MatchedTopic &topic, bool banOption)
{
    m_running[run] = Awaiting{insert(topic, ActionLog::Outcome::Opened, banOption), topic.board, topic.address, 0};
}

void ActionTracker::topicLogged(const MatchedTopic &topic)
{
    insert(topic, ActionLog::Outcome::Logged, false);
}

void ActionTracker::banLinkClicked(RunId run)
{
    if (const auto it = m_running.find(run); it != m_running.end())
        m_log.setBanLinkClicked(it->second.row);
}

void ActionTracker::banButtonClicked(RunId run)
{
    if (const auto it = m_running.find(run); it != m_running.end())
        m_log.setBanButtonClicked(it->second.row);
}

void ActionTracker::finished(RunId run, ActionLog::Outcome outcome)
{
    const auto it = m_running.find(run);
    if (it == m_running.end())
        return;
    Awaiting ended = it->second;
    m_running.erase(it);
    m_log.setOutcome(ended.row, outcome);
    if (outcome == ActionLog::Outcome::DeleteClicked) {
        ended.clickedAtMs = m_clock.steadyMs();
        m_awaiting.push_back(ended);
    }
}

// A read that lists no topic (a busy service's empty page) proves nothing, and breaks the run
// of reads that lack the topic; so does a read that lists it. A read of another board only lets
// the minute pass.
bool ActionTracker::settle(Awaiting &a, const QString &board, const QStringList &topics, long long now)
{
    if (board == a.board) {
        a.readsLackingIt = topics.isEmpty() || topics.contains(a.address) ? 0 : a.readsLackingIt + 1;
        if (a.readsLackingIt >= kReadsLackingIt) {
            m_log.setOutcome(a.row, ActionLog::Outcome::Deleted);
            return true;
        }
    }
    if (now - a.clickedAtMs >= kConfirmWithinMs) {
        m_log.setOutcome(a.row, ActionLog::Outcome::StillListed);
        return true;
    }
    return false;
}

void ActionTracker::boardListRead(const QString &board, const QStringList &topics)
{
    const long long now = m_clock.steadyMs();
    std::erase_if(m_awaiting, [&](Awaiting &a) { return settle(a, board, topics, now); });
}

void ActionTracker::programEnded()
{
    for (const auto &[run, running] : m_running)
        m_log.setOutcome(running.row, ActionLog::Outcome::Ended);
    m_running.clear();
}

} // namespace tidewick
