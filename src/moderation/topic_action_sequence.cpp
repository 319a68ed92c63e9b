#include "topic_action_sequence.h"

#include "browser_view.h"
#include "clock.h"
#include "event_loop.h"
#include "restartable_timer.h"

#include <QLoggingCategory>
#include <QString>

#include <algorithm>

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

std::optional<AnchorList> TopicActionSequence::readLinks()
{
    std::optional<AnchorList> links = m_ports.topic.readAnchors();
    if (links && links->size() > kMaxLinks)
        links->clear();
    return links;
}

// The links of the page as soon as one of them has the text, or as they stand once the page has
// had its time to add it; a page that has it at once is read once. Empty when unreadable or when
// the run was given up meanwhile.
std::optional<AnchorList> TopicActionSequence::linksOnceOneHas(const QString &text, const Run &run)
{
    for (;;) {
        std::optional<AnchorList> links = readLinks();
        const bool found
            = links && std::any_of(links->cbegin(), links->cend(), [&](const Anchor &a) { return hasText(a, text); });
        if (found || !links || m_ports.clock.nowMs() - run.completedAtMs >= kLateLinksWithinMs)
            return links;
        if (!m_ports.loop.waitFor(kLateLinksPollMs) || m_runsStarted != run.id)
            return std::nullopt;
    }
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
    switch (documentBecomesComplete(thisRun)) {
    case Readiness::Complete: {
        const Run run{thisRun, m_ports.clock.nowMs()};
        m_awaitingBan = true;
        m_ports.boardTimer.restart();
        if (!m_ports.banOptionTicked() || banPoster(run))
            deleteTopic(run);
        break;
    }
    case Readiness::Unreadable:
        m_ports.report(Step::Unreadable);
        break;
    case Readiness::Abandoned:
        break;
    }
    --m_runsUnderWay;
}

// A finished load can be reported before the document reads complete, and the first read can
// time out while a new renderer starts: wait for the complete state, retrying a failed read once.
// A newer load during the wait has its own run, which takes the page over.
TopicActionSequence::Readiness TopicActionSequence::documentBecomesComplete(quint64 thisRun)
{
    const long long deadline = m_ports.clock.nowMs() + kCompleteWithinMs;
    int failedReads = 0;
    for (;;) {
        const std::optional<int> state = m_ports.topic.readyState();
        // A page on its way out is left to the run of the page that replaces it.
        if (m_ports.loop.programEnded() || m_runsStarted != thisRun || (!state && m_ports.topic.isLoading()))
            return Readiness::Abandoned;
        if (state == kReadyStateComplete)
            return Readiness::Complete;
        if (!state && ++failedReads > 1) {
            qCDebug(lcSequence) << "ready state unreadable twice: left alone";
            return Readiness::Unreadable;
        }
        qCDebug(lcSequence) << "ready state" << state.value_or(-1) << "- waiting";
        if (m_ports.clock.nowMs() >= deadline) {
            qCDebug(lcSequence) << "not complete within" << kCompleteWithinMs << "ms: left alone";
            return Readiness::Unreadable;
        }
        if (!m_ports.loop.waitFor(kReadyPollMs) || m_runsStarted != thisRun)
            return Readiness::Abandoned;
    }
}

bool TopicActionSequence::banPoster(const Run &run)
{
    const AnchorList links = linksOnceOneHas(kBanLinkText, run).value_or(AnchorList{});
    if (m_ports.loop.programEnded())
        return false;
    for (qsizetype j = 0; j < links.size(); ++j) {
        if (hasText(links[j], kBanLinkText)) {
            if (!m_ports.topic.clickAnchor(static_cast<int>(j), links[j])) {
                qCDebug(lcSequence) << "ban link" << j << "changed before its click: no ban";
                return true;
            }
            qCDebug(lcSequence) << "ban link" << j << "clicked";
            m_ports.report(Step::BanLinkClicked);
            m_awaitingBan = false;
        }
        if (!m_awaitingBan) {
            if (!WaitSeconds(kBanLinkWaitSeconds))
                return false;
            m_ports.topic.clickNamed(kBanButtonName);
            m_ports.report(Step::BanButtonClicked);
            return WaitSeconds(kBanButtonWaitSeconds);
        }
        if (!m_ports.loop.processPendingEvents())
            return false;
    }
    return true;
}

void TopicActionSequence::deleteTopic(const Run &run)
{
    const std::optional<AnchorList> links = linksOnceOneHas(kDeleteLinkText, run);
    if (m_ports.loop.programEnded() || (!links && m_ports.topic.isLoading()))
        return;
    if (!links) {
        m_ports.report(Step::Unreadable);
        return;
    }
    qCDebug(lcSequence) << "delete step: read" << links->size() << "links";
    for (qsizetype j = 0; j < links->size(); ++j) {
        if (!hasText((*links)[j], kDeleteLinkText))
            continue;
        if (m_ports.topic.clickAnchor(static_cast<int>(j), (*links)[j])) {
            qCDebug(lcSequence) << "delete link" << j << "clicked";
            m_ports.report(Step::DeleteClicked);
            m_ports.board.refresh();
        } else {
            qCDebug(lcSequence) << "delete link" << j << "changed before its click: nothing clicked";
            m_ports.report(Step::NoDeleteLink);
        }
        return;
    }
    qCDebug(lcSequence) << "no delete link";
    m_ports.report(Step::NoDeleteLink);
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
