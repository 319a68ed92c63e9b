#include "topic_action_sequence.h"

#include "browser_view.h"
#include "clock.h"
#include "one_shot_timer.h"
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
constexpr int kBanButtonWaitSeconds = 3;
// A link count beyond the 16-bit range cannot be taken: such a page counts as having no links.
constexpr qsizetype kMaxLinks = 32767;

// The first link with exactly the text; a link whose text could not be read is never taken.
qsizetype indexOfText(const AnchorList &links, const QString &text)
{
    const auto found
        = std::find_if(links.cbegin(), links.cend(), [&](const Anchor &a) { return a.text && *a.text == text; });
    return found == links.cend() ? -1 : found - links.cbegin();
}

} // namespace

TopicActionSequence::TopicActionSequence(Ports ports)
    : m_ports(std::move(ports))
{
}

long long TopicActionSequence::WaitSeconds(long long wallNowMs, int seconds)
{
    return seconds * 1000LL - wallNowMs % 1000;
}

TopicActionSequence::RunId TopicActionSequence::open(const QString &address)
{
    if (m_phase == Phase::Loading || m_phase == Phase::Working)
        end(Step::Superseded);
    const RunId run = ++m_run;
    m_phase = Phase::Loading;
    m_failedReads = 0;
    m_clickedSinceLoad = false;
    awaitLoad([this] { awaitComplete(m_ports.clock.steadyMs() + kCompleteWithinMs); });
    m_ports.topic.navigate(address);
    return run;
}

void TopicActionSequence::pageLoaded(bool ok)
{
    if (m_phase == Phase::Idle)
        return; // nobody matched this page: nothing on it is clicked
    if (m_phase == Phase::AfterDelete)
        return freeTheView();
    // An error page, the topic's or one that a ban click led to, holds no control to click.
    if (!ok)
        return end(Step::Unreadable);
    // The run follows the pages its own clicks lead to (a ban form, the topic shown again after
    // it), and gives the first page after each click its own time to add links; a page that
    // reloads itself gets none, so the run stays bounded. A page that ends loading during one of
    // the run's waits leaves the wait running.
    const QString shown = m_ports.topic.url();
    const bool ledToByAClick = std::exchange(m_clickedSinceLoad, false);
    if (m_phase == Phase::Working && !ledToByAClick && shown != m_pageShown) {
        // Sent elsewhere by the moderator or by the page: that page was matched by nobody.
        end(Step::Superseded);
        return m_ports.viewFree();
    }
    if (ledToByAClick)
        m_completedAtMs = m_ports.clock.steadyMs();
    m_phase = Phase::Working;
    m_pageShown = shown; // as the service's redirects left it
    if (auto next = std::exchange(m_afterLoad, nullptr)) {
        m_ports.timer.stop();
        next();
    }
}

void TopicActionSequence::programEnded()
{
    if (m_phase == Phase::Loading || m_phase == Phase::Working)
        end(Step::Ended);
    m_phase = Phase::Idle;
    m_ports.timer.stop();
}

// A finished load can be reported before the document reads complete, and a read can fail
// while a new renderer starts: read again until it is complete, giving up on a second failure.
void TopicActionSequence::awaitComplete(long long deadline)
{
    m_ports.topic.readReadyState([this, run = m_run, deadline](DocumentId, std::optional<int> state) {
        if (!isCurrent(run))
            return;
        if (state == kReadyStateComplete)
            return act();
        const auto again = [this, deadline] { awaitComplete(deadline); };
        if (!state && m_ports.topic.isLoading())
            return whenNotLoading(again);
        if ((!state && ++m_failedReads > 1) || m_ports.clock.steadyMs() >= deadline) {
            qCDebug(lcSequence) << "the topic page never read complete: left alone";
            return end(Step::Unreadable);
        }
        wait(kReadyPollMs, again);
    });
}

void TopicActionSequence::act()
{
    m_completedAtMs = m_ports.clock.steadyMs();
    m_ports.timer.stop();
    m_ports.boardTimer.restart();
    if (!m_ports.banOptionTicked())
        return deleteTopic();
    findLink(kBanLinkText, [this](std::optional<AnchorList> links) {
        if (!links)
            return end(Step::Unreadable);
        banPoster(*links);
    });
}

// The links of the page as soon as one of them has the text, or as they stand once the page has
// had its time to add it; a page that has it at once is read once.
void TopicActionSequence::findLink(const QString &text, LinksFound found)
{
    whenNotLoading([this, run = m_run, text, found] {
        m_ports.topic.readAnchors([this, run, text, found](DocumentId, std::optional<AnchorList> links, qsizetype) {
            if (!isCurrent(run))
                return;
            if (links && links->size() > kMaxLinks)
                links->clear();
            const auto again = [this, text, found] { findLink(text, found); };
            if (!looksAgain(links.has_value(), links && indexOfText(*links, text) >= 0, again))
                found(links);
        });
    });
}

// Goes on once the page has the named element, or once it has had its time to add it.
void TopicActionSequence::awaitNamed(const QString &name, std::function<void()> next)
{
    whenNotLoading([this, run = m_run, name, next] {
        m_ports.topic.readNamed(name, [this, run, name, next](DocumentId, std::optional<bool> present) {
            const auto again = [this, name, next] { awaitNamed(name, next); };
            if (isCurrent(run) && !looksAgain(present.has_value(), present.value_or(false), again))
                next();
        });
    });
}

// Whether the run looks at the page again for what it did not find: after the load that cut a
// read short, or shortly, while the page still has time to add late controls.
bool TopicActionSequence::looksAgain(bool read, bool found, const std::function<void()> &again)
{
    if (!read && m_ports.topic.isLoading()) {
        whenNotLoading(again);
        return true;
    }
    if (!read || found || m_ports.clock.steadyMs() - m_completedAtMs >= kLateLinksWithinMs)
        return false;
    wait(kLateLinksPollMs, again);
    return true;
}

void TopicActionSequence::banPoster(const AnchorList &links)
{
    const qsizetype j = indexOfText(links, kBanLinkText);
    if (j < 0)
        return deleteTopic();
    const RunId run = m_run;
    m_ports.topic.clickAnchor(static_cast<int>(j), links[j], [this, run, j](DocumentId document, bool clicked) {
        if (!isCurrent(run))
            return;
        if (!clicked) {
            qCDebug(lcSequence) << "ban link" << j << "not clicked: no ban";
            return deleteTopic();
        }
        m_ports.report(run, Step::BanLinkClicked);
        banClicked(document);
        waitAfterBanClick(kBanLinkWaitSeconds, [this] { clickBanButton(); });
    });
}

void TopicActionSequence::clickBanButton()
{
    awaitNamed(kBanButtonName, [this, run = m_run] {
        m_ports.topic.clickNamed(kBanButtonName, [this, run](DocumentId document, bool clicked) {
            if (!isCurrent(run))
                return;
            if (clicked) {
                m_ports.report(run, Step::BanButtonClicked);
                banClicked(document);
            }
            waitAfterBanClick(kBanButtonWaitSeconds, [this] { deleteTopic(); });
        });
    });
}

void TopicActionSequence::banClicked(DocumentId document)
{
    m_clickedSinceLoad = true;
    m_clickedOn = document;
}

// The wait after a ban click; a load that the moderator or the page starts once the click has
// shown that it leads to none is not followed.
void TopicActionSequence::waitAfterBanClick(int seconds, std::function<void()> next)
{
    const long long until = m_ports.clock.steadyMs() + WaitSeconds(m_ports.clock.wallMs(), seconds);
    wait(kClickLoadStartsWithinMs, [this, until, next = std::move(next)] {
        if (m_ports.topic.document() == m_clickedOn)
            m_clickedSinceLoad = false;
        wait(until - m_ports.clock.steadyMs(), next);
    });
}

void TopicActionSequence::deleteTopic()
{
    findLink(kDeleteLinkText, [this, run = m_run](std::optional<AnchorList> links) {
        if (!links)
            return end(Step::Unreadable);
        const qsizetype j = indexOfText(*links, kDeleteLinkText);
        if (j < 0) {
            qCDebug(lcSequence) << "no delete link";
            return end(Step::NoDeleteLink);
        }
        m_ports.topic.clickAnchor(static_cast<int>(j), (*links)[j], [this, run](DocumentId document, bool clicked) {
            if (!isCurrent(run))
                return;
            if (!clicked)
                return end(Step::NoDeleteLink);
            deleteClicked(document);
        });
    });
}

void TopicActionSequence::deleteClicked(DocumentId document)
{
    m_ports.report(m_run, Step::DeleteClicked);
    m_ports.board.refresh();
    m_phase = Phase::AfterDelete;
    m_afterLoad = nullptr;
    m_ports.timer.start(kClickLoadStartsWithinMs, [this, document] {
        if (m_ports.topic.document() == document && !m_ports.topic.isLoading())
            return freeTheView();
        m_ports.timer.start(kAfterDeleteWithinMs - kClickLoadStartsWithinMs, [this] { freeTheView(); });
    });
}

void TopicActionSequence::whenNotLoading(std::function<void()> next)
{
    if (!m_ports.topic.isLoading())
        return next();
    awaitLoad(std::move(next));
}

// A load that does not finish within its bound leaves the page alone.
void TopicActionSequence::awaitLoad(std::function<void()> next)
{
    m_afterLoad = std::move(next);
    wait(kLoadWithinMs, [this] { end(Step::Unreadable); });
}

void TopicActionSequence::wait(long long ms, std::function<void()> next)
{
    m_ports.timer.start(std::max(0LL, ms), [this, run = m_run, next = std::move(next)] {
        if (isCurrent(run))
            next();
    });
}

void TopicActionSequence::end(Step step)
{
    const RunId run = m_run;
    m_phase = Phase::Idle;
    m_afterLoad = nullptr;
    m_ports.timer.stop();
    m_ports.report(run, step);
    if (step != Step::Superseded && step != Step::Ended)
        m_ports.viewFree();
}

void TopicActionSequence::freeTheView()
{
    m_phase = Phase::Idle;
    m_ports.timer.stop();
    m_ports.viewFree();
}

} // namespace tidewick
