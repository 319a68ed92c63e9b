#include "action_tracker.h"

#include "clock.h"

#include <algorithm>

namespace tidewick {

ActionTracker::ActionTracker(ActionLog &log, const Clock &clock)
    : m_log(log)
    , m_clock(clock)
{
}

qint64 ActionTracker::insert(const Topic &topic, ActionLog::Outcome outcome, bool banOption)
{
    ActionLog::Entry entry;
    entry.openedAt = isoLocalTime(m_clock.nowMs());
    entry.board = topic.board;
    entry.address = topic.address;
    entry.linkText = topic.linkText;
    entry.word = topic.word;
    entry.outcome = outcome;
    entry.banOption = banOption;
    return m_log.insert(entry);
}

void ActionTracker::topicOpened(const Topic &topic, bool banOption)
{
    if (m_current >= 0)
        m_log.setOutcome(m_current, ActionLog::Outcome::Superseded);
    m_current = insert(topic, ActionLog::Outcome::Opened, banOption);
    m_currentAddress = topic.address;
}

void ActionTracker::topicLogged(const Topic &topic)
{
    insert(topic, ActionLog::Outcome::Logged, false);
}

void ActionTracker::banLinkClicked()
{
    m_log.setBanLinkClicked(m_current);
}

void ActionTracker::banButtonClicked()
{
    m_log.setBanButtonClicked(m_current);
}

void ActionTracker::finished(ActionLog::Outcome outcome)
{
    if (m_current < 0)
        return; // a page the watch did not open, such as the one a delete click leads to
    m_log.setOutcome(m_current, outcome);
    if (outcome == ActionLog::Outcome::DeleteClicked)
        m_awaiting.push_back({m_current, m_currentAddress, m_clock.nowMs()});
    m_current = -1;
}

void ActionTracker::boardListRead(const QStringList &addresses)
{
    const long long now = m_clock.nowMs();
    std::erase_if(m_awaiting, [&](const Awaiting &a) {
        if (!addresses.contains(a.address)) {
            m_log.setOutcome(a.row, ActionLog::Outcome::Deleted);
            return true;
        }
        if (now - a.clickedAtMs >= kConfirmWithinMs) {
            m_log.setOutcome(a.row, ActionLog::Outcome::StillListed);
            return true;
        }
        return false;
    });
}

void ActionTracker::programEnded()
{
    if (m_current >= 0)
        m_log.setOutcome(m_current, ActionLog::Outcome::Ended);
    m_current = -1;
}

} // namespace tidewick
