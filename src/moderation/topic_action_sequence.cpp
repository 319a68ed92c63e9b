#include "topic_action_sequence.h"

#include "browser_view.h"
#include "clock.h"
#include "event_loop.h"
#include "restartable_timer.h"

#include <QLoggingCategory>
#include <QString>

namespace tidewick {

namespace {

Q_LOGGING_CATEGORY(lcSequence, "tidewick.sequence", QtInfoMsg)

const QString kBanLinkText = QStringLiteral("封");
const QString kBanButtonName = QStringLiteral("ban_ip_button");
const QString kDeleteLinkText = QStringLiteral("删除主题");

constexpr int kBanLinkWaitSeconds = 2;
// A link count beyond the 16-bit range cannot be taken: such a page counts as having no links.
constexpr qsizetype kMaxLinks = 32767;
constexpr int kBanButtonWaitSeconds = 3;

// A link whose text could not be read is never taken for the one we look for.
bool hasText(const Anchor &anchor, const QString &text)
{
    return anchor.text && *anchor.text == text;
}

} // namespace

AnchorList TopicActionSequence::readLinks()
{
    AnchorList links = m_ports.topic.readAnchors().value_or(AnchorList{});
    if (links.size() > kMaxLinks)
        links.clear();
    return links;
}

TopicActionSequence::TopicActionSequence(Ports ports)
    : m_ports(std::move(ports))
{
}

void TopicActionSequence::run()
{
    if (m_ports.loop.programEnded())
        return;
    if (m_runsUnderWay >= kMaxNestedRuns) {
        qWarning("tidewick: a topic page loaded while %d sequences were under way; ignored", m_runsUnderWay);
        return;
    }
    ++m_runsUnderWay;
    const quint64 thisRun = ++m_runsStarted;
    if (documentBecomesComplete(thisRun)) {
        m_awaitingBan = true;
        m_ports.boardTimer.restart();
        if (!m_ports.banOptionTicked() || banPoster())
            deleteTopic();
    }
    --m_runsUnderWay;
}

// A finished load can be reported before the document reads complete, and the first read can
// time out while a new renderer starts: wait for the complete state, retrying a failed read once.
// A newer load during the wait has its own run, which takes the page over.
bool TopicActionSequence::documentBecomesComplete(quint64 thisRun)
{
    const long long deadline = m_ports.clock.nowMs() + kCompleteWithinMs;
    int failedReads = 0;
    for (;;) {
        const std::optional<int> state = m_ports.topic.readyState();
        if (m_ports.loop.programEnded() || m_runsStarted != thisRun)
            return false;
        if (state == kReadyStateComplete)
            return true;
        if (!state && ++failedReads > 1) {
            qCDebug(lcSequence) << "ready state unreadable twice: left alone";
            return false;
        }
        qCDebug(lcSequence) << "ready state" << state.value_or(-1) << "- waiting";
        if (m_ports.clock.nowMs() >= deadline) {
            qCDebug(lcSequence) << "not complete within" << kCompleteWithinMs << "ms: left alone";
            return false;
        }
        if (!m_ports.loop.waitFor(kReadyPollMs) || m_runsStarted != thisRun)
            return false;
    }
}

bool TopicActionSequence::banPoster()
{
    const AnchorList links = readLinks();
    if (m_ports.loop.programEnded())
        return false;
    for (qsizetype j = 0; j < links.size(); ++j) {
        if (hasText(links[j], kBanLinkText)) {
            if (!m_ports.topic.clickAnchor(static_cast<int>(j), links[j])) {
                qCDebug(lcSequence) << "ban link" << j << "changed before its click: no ban";
                return true;
            }
            qCDebug(lcSequence) << "ban link" << j << "clicked";
            m_awaitingBan = false;
        }
        if (!m_awaitingBan) {
            if (!WaitSeconds(kBanLinkWaitSeconds))
                return false;
            m_ports.topic.clickNamed(kBanButtonName);
            return WaitSeconds(kBanButtonWaitSeconds);
        }
        if (!m_ports.loop.processPendingEvents())
            return false;
    }
    return true;
}

void TopicActionSequence::deleteTopic()
{
    const AnchorList links = readLinks();
    if (m_ports.loop.programEnded())
        return;
    qCDebug(lcSequence) << "delete step: read" << links.size() << "links";
    for (qsizetype j = 0; j < links.size(); ++j) {
        if (!hasText(links[j], kDeleteLinkText))
            continue;
        if (m_ports.topic.clickAnchor(static_cast<int>(j), links[j]))
            qCDebug(lcSequence) << "delete link" << j << "clicked";
        else
            qCDebug(lcSequence) << "delete link" << j << "changed before its click: nothing clicked";
        m_ports.board.refresh();
        return;
    }
    // The watch passes this topic over for a while, so the board can go on at once instead of
    // waiting a whole timer interval.
    qCDebug(lcSequence) << "no delete link";
    m_ports.board.refresh();
}

// The deadline is the whole second reached N seconds after the current whole second; the
// remaining time is then waited for in the event loop, which never spins.
bool TopicActionSequence::WaitSeconds(int seconds)
{
    const long long now = m_ports.clock.nowMs();
    const long long deadline = (now - now % 1000) + seconds * 1000LL;
    if (now >= deadline)
        return !m_ports.loop.programEnded();
    return m_ports.loop.waitFor(deadline - now);
}

} // namespace tidewick
