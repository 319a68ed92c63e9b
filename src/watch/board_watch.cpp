#include "board_watch.h"

#include "browser_view.h"
#include "clock.h"
#include "one_shot_timer.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>

namespace tidewick {

namespace {

Q_LOGGING_CATEGORY(lcWatch, "tidewick.watch", QtInfoMsg)

} // namespace

QString boardListAddress(const QString &boardHost, const QString &boardName)
{
    return QStringLiteral("http://") + boardHost + QStringLiteral("/f?kw=")
        + QString::fromLatin1(QUrl::toPercentEncoding(boardName));
}

QString deletedTitle(qint32 deletedCount)
{
    return QStringLiteral("已删帖：") + QString::number(deletedCount) + QStringLiteral("次");
}

BoardWatch::BoardWatch(Ports ports, QString boardHost)
    : m_ports(std::move(ports))
    , m_boardHost(std::move(boardHost))
    , m_boardOrigin(QStringLiteral("http://") + m_boardHost)
{
}

void BoardWatch::setWords(const QStringList &words)
{
    m_matcher = std::make_shared<const WordMatcher>(words);
}

void BoardWatch::Start(const QString &boardName)
{
    m_isRunning = true;
    m_lastLoadAtMs = m_ports.clock.nowMs();
    m_ports.board.navigate(boardListAddress(m_boardHost, boardName));
}

void BoardWatch::Pause()
{
    m_isRunning = false;
}

void BoardWatch::TimerTick()
{
    if (m_isRunning)
        m_ports.board.refresh();
}

void BoardWatch::WatchdogTick()
{
    const long long now = m_ports.clock.nowMs();
    if (!m_isRunning || now - m_lastLoadAtMs < kWatchdogMs)
        return;
    qCInfo(lcWatch) << "no board load for" << (now - m_lastLoadAtMs) << "ms: reloading";
    m_lastLoadAtMs = now; // one reload per watchdog period, however slow the page
    m_ports.board.refresh();
}

// Reading a page waits inside the event loop, where the next load can finish. Such a load is
// not scanned in a nested run: the scan under way starts over on the newer page instead.
void BoardWatch::BoardScanCycle(bool loadSucceeded)
{
    ++m_loadsFinished;
    m_lastLoadSucceeded = loadSucceeded;
    m_lastLoadAtMs = m_ports.clock.nowMs();
    if (loadSucceeded)
        m_failedLoadsInARow = 0;
    if (m_scanning)
        return;
    m_scanning = true;
    quint64 scanned = 0;
    do {
        scanned = m_loadsFinished;
        scanPage(scanned);
    } while (scanned != m_loadsFinished);
    m_scanning = false;
}

void BoardWatch::scanPage(quint64 load)
{
    const std::shared_ptr<const WordMatcher> matcher = m_matcher;
    const std::optional<AnchorList> read = m_ports.board.readAnchors();
    if (load != m_loadsFinished)
        return;
    const AnchorList anchors = read.value_or(AnchorList{});
    qCDebug(lcWatch) << "scan: read" << (read ? anchors.size() : -1) << "links";
    for (const Anchor &anchor : anchors) {
        if (!anchor.text || !isOnBoardHost(anchor.href) || matcher->matchingWord(*anchor.text) == WordMatcher::kNoMatch)
            continue;
        if (openedRecently(anchor.href)) {
            qCDebug(lcWatch) << "scan: passed over, opened recently:" << anchor.href;
            continue;
        }
        openTopic(anchor.href);
        return;
    }
    if (m_isRunning)
        reloadAfterPageWithoutMatch();
}

// Only the board's own service is trusted with the moderator's sign-in.
bool BoardWatch::isOnBoardHost(const QString &href) const
{
    const QUrl url(href);
    return url.scheme() == m_boardOrigin.scheme() && url.host() == m_boardOrigin.host()
        && url.port(80) == m_boardOrigin.port(80);
}

bool BoardWatch::openedRecently(const QString &url)
{
    const long long now = m_ports.clock.nowMs();
    while (!m_recentlyOpened.empty() && now - m_recentlyOpened.front().atMs >= kReopenAfterMs)
        m_recentlyOpened.pop_front();
    return std::any_of(
        m_recentlyOpened.cbegin(), m_recentlyOpened.cend(), [&](const Opened &opened) { return opened.url == url; });
}

void BoardWatch::openTopic(const QString &url)
{
    qCDebug(lcWatch) << "scan: opening" << url;
    m_lastOpenedUrl = url;
    m_recentlyOpened.push_back({url, m_ports.clock.nowMs()});
    if (m_recentlyOpened.size() > kMaxRecentlyOpened)
        m_recentlyOpened.pop_front();
    m_ports.topic.navigate(url);
    if (m_deletedCount < std::numeric_limits<qint32>::max())
        ++m_deletedCount;
    m_ports.setTitle(deletedTitle(m_deletedCount));
}

// Successful loads are reloaded at once; failed ones back off, so an outage does not turn into a
// flood of requests on the moderator's account.
void BoardWatch::reloadAfterPageWithoutMatch()
{
    if (m_lastLoadSucceeded) {
        m_ports.board.refresh();
        return;
    }
    const int doublings = std::min(m_failedLoadsInARow, 5);
    ++m_failedLoadsInARow;
    const long long delay = std::min<long long>(kFirstRetryMs << doublings, kReloadIntervalMs);
    qCDebug(lcWatch) << "scan: failed load, reloading in" << delay << "ms";
    m_ports.retryTimer.start(delay, [this] {
        if (m_isRunning)
            m_ports.board.refresh();
    });
}

} // namespace tidewick
