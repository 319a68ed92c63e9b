#include "topic_action_sequence.h"

#include "browser_view.h"
#include "clock.h"
#include "event_loop.h"
#include "restartable_timer.h"

#include <QString>

namespace tidewick {

namespace {

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
    if (m_ports.topic.readyState() != kReadyStateComplete || m_ports.loop.programEnded())
        return;
    m_awaitingBan = true;
    m_ports.boardTimer.restart();
    if (m_ports.banOptionTicked() && !banPoster())
        return;
    deleteTopic();
}

bool TopicActionSequence::banPoster()
{
    const AnchorList links = readLinks();
    if (m_ports.loop.programEnded())
        return false;
    for (qsizetype j = 0; j < links.size(); ++j) {
        if (hasText(links[j], kBanLinkText)) {
            m_ports.topic.clickAnchor(static_cast<int>(j));
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
    for (qsizetype j = 0; j < links.size(); ++j) {
        if (hasText(links[j], kDeleteLinkText)) {
            m_ports.topic.clickAnchor(static_cast<int>(j));
            m_ports.board.refresh();
            return;
        }
    }
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
