#include "board_watch.h"

#include "browser_view.h"
#include "clock.h"
#include "one_shot_timer.h"

#include <QLoggingCategory>
#include <QSet>
#include <QTime>
#include <QUrlQuery>

#include <algorithm>
#include <limits>

namespace tidewick {

namespace {

Q_LOGGING_CATEGORY(lcWatch, "tidewick.watch", QtInfoMsg)

} // namespace

QString boardListAddress(const QUrl &origin, const QString &boardName)
{
    return origin.toString(QUrl::FullyEncoded) + QStringLiteral("/f?kw=")
        + QString::fromLatin1(QUrl::toPercentEncoding(boardName));
}

QString deletedTitle(qint32 deletedCount)
{
    return QStringLiteral("已删帖：") + QString::number(deletedCount) + QStringLiteral("次");
}

QString loggedTitle(qint32 loggedCount)
{
    return QStringLiteral("已记录：") + QString::number(loggedCount) + QStringLiteral("条（只记录）");
}

BoardWatch::BoardWatch(Ports ports, QUrl boardOrigin)
    : m_ports(std::move(ports))
    , m_boardOrigin(std::move(boardOrigin))
{
}

QString BoardWatch::originText() const
{
    return m_boardOrigin.toString(QUrl::FullyEncoded);
}

void BoardWatch::setWords(const QStringList &words)
{
    m_matcher = std::make_shared<const WordMatcher>(words);
    m_words = std::make_shared<const QStringList>(words);
}

void BoardWatch::setLogOnly(bool on)
{
    if (on == m_logOnly)
        return;
    m_logOnly = on;
    m_loggedCount = 0;
    m_ports.setTitle(on ? loggedTitle(0) : deletedTitle(m_deletedCount));
}

void BoardWatch::Start(const QString &boardName)
{
    m_isRunning = true;
    m_boardName = boardName;
    m_lateList = LateList{}; // another board may build its list otherwise
    m_lastLoadAtMs = m_ports.clock.steadyMs();
    m_ports.setStatus(QStringLiteral("打开 %1吧 %2").arg(boardName, originText()));
    m_ports.board.navigate(boardListAddress(m_boardOrigin, boardName));
}

void BoardWatch::Pause()
{
    m_isRunning = false;
    m_ports.retryTimer.stop();
    m_ports.setStatus(QStringLiteral("已暂停"));
}

void BoardWatch::TimerTick()
{
    if (m_isRunning)
        m_ports.board.refresh();
}

void BoardWatch::WatchdogTick()
{
    const long long now = m_ports.clock.steadyMs();
    if (!m_isRunning)
        return;
    if (now - m_lastLoadAtMs < kWatchdogMs) {
        if (m_ports.board.isLoading() && now - m_lastLoadAtMs >= kSlowPageMs)
            m_ports.setStatus(QStringLiteral("等待较慢的页面，已 %1 秒").arg((now - m_lastLoadAtMs) / 1000));
        return;
    }
    qCInfo(lcWatch) << "no board load for" << (now - m_lastLoadAtMs) << "ms: reloading";
    m_lastLoadAtMs = now; // one reload per watchdog period, however slow the page
    m_ports.board.navigate(boardListAddress(m_boardOrigin, m_boardName)); // also replaces a load that hangs
}

void BoardWatch::certificateRefused(const QUrl &url)
{
    m_loadProblem = QStringLiteral("%1 的证书无效，已拒绝").arg(url.authority());
    m_ports.setStatus(m_loadProblem + QStringLiteral("，未打开任何帖子"));
}

void BoardWatch::topicLeftStanding(const QString &url)
{
    if (m_isRunning && url == m_lastOpenedUrl)
        m_ports.board.refresh();
}

void BoardWatch::BoardScanCycle(bool loadSucceeded)
{
    ++m_loadsFinished;
    m_lastLoadSucceeded = loadSucceeded;
    m_lastLoadAtMs = m_ports.clock.steadyMs();
    if (loadSucceeded) {
        m_failedLoadsInARow = 0;
        m_loadProblem.clear();
    }
    followUpgrade();
    scanLatest();
}

void BoardWatch::scanLatest()
{
    const quint64 load = m_loadsFinished;
    m_ports.board.readAnchors([this, load](DocumentId, std::optional<AnchorList> read, qsizetype atLoad) {
        // A read cut short by the next load leaves the page to that load's scan.
        if (load == m_loadsFinished && (read || !m_ports.board.isLoading()))
            scanPage(load, read, atLoad);
    });
}

// A service that answers its plain-http address by sending the view to the same host name over
// https has moved there: topics are opened, and lists recognised, on that origin from then on.
void BoardWatch::followUpgrade()
{
    const QUrl shown(m_ports.board.url());
    if (m_boardOrigin.scheme() != u"http" || shown.scheme() != u"https" || shown.host() != m_boardOrigin.host())
        return;
    m_boardOrigin.setScheme(QStringLiteral("https"));
    m_boardOrigin.setPort(shown.port());
    qCInfo(lcWatch) << "the board moved to" << originText();
}

// A page that the view reached elsewhere (a redirect to another host, or down from https) is the
// service's no more: nothing on it is opened.
QString BoardWatch::whyNotOnTheBoard() const
{
    const QUrl shown(m_ports.board.url());
    if (shown.isEmpty() || shown.scheme() == u"about" || isOnBoardHost(shown.toString()))
        return {};
    if (shown.host() == m_boardOrigin.host() && shown.scheme() == u"http")
        return QStringLiteral("被从 https 转回 http，未打开任何帖子");
    return QStringLiteral("被转到 %1，未打开任何帖子").arg(shown.host());
}

void BoardWatch::scanPage(quint64 load, const std::optional<AnchorList> &read, qsizetype atLoad)
{
    const AnchorList anchors = read.value_or(AnchorList{});
    qCDebug(lcWatch) << "scan: read" << (read ? anchors.size() : -1) << "links";
    if (const QString why = whyNotOnTheBoard(); !why.isEmpty()) {
        m_ports.setStatus(why);
        m_loadProblem = why;
        m_lastLoadSucceeded = false; // reloaded only after a back-off, like an error page
        if (m_isRunning)
            reloadAfterPageWithoutMatch();
        return;
    }
    if (!read) {
        m_loadProblem = QStringLiteral("页面没有响应");
        m_lastLoadSucceeded = false; // reloaded only after a back-off, like an error page
    }
    bool opened = false;
    if (m_logOnly)
        logMatches(*m_matcher, *m_words, anchors);
    else if (m_isRunning && m_reports.matched)
        opened = m_reports.matched(matchesToOpen(*m_matcher, *m_words, anchors));
    if (!opened && read && m_lastLoadSucceeded && awaitsALateList(load, anchors, atLoad))
        return; // looked at again shortly, and reported once it stands
    if (read && m_lastLoadSucceeded)
        reportListedTopics(anchors);
    if (!opened && m_isRunning)
        reloadAfterPageWithoutMatch();
}

// Some boards build their topic list with a script after the load event, up to
// kScriptListWithinMs later. Reloading such a page at once would never let its list exist.
// Whether this board does is learnt: a page with more links than it had at its load event was
// built since; and the first list load after Start, and one load in kProbeEveryLoads, is looked
// at again until its links have grown and then stood still, or until a late list would have come.
// A board that built no list late is reloaded at once, so a server-rendered board pays the wait
// only on those probes. A list without topics proves nothing either way: an empty board is looked
// at again at its next load.
bool BoardWatch::awaitsALateList(quint64 load, const AnchorList &anchors, qsizetype atLoad)
{
    const qsizetype linkCount = anchors.size();
    if (!m_isRunning || !showsTheBoardList())
        return false;
    const long long now = m_ports.clock.steadyMs();
    LateList &late = m_lateList;
    const bool builtSinceLoad = atLoad >= 0 && linkCount > atLoad;
    if (builtSinceLoad)
        late.building = ListBuilding::Script;
    if (late.load != load) {
        const bool probe = late.building == ListBuilding::Unknown || ++late.loadsSinceProbe >= kProbeEveryLoads;
        if (!probe && late.building == ListBuilding::Server)
            return false;
        late = LateList{
            load, now, linkCount, builtSinceLoad ? now : -1, probe ? 0 : late.loadsSinceProbe, late.building};
    } else if (linkCount > late.links) {
        late.links = linkCount;
        late.grewAtMs = now;
        late.building = ListBuilding::Script;
    }
    const bool grown = late.grewAtMs >= 0;
    if (grown ? now - late.grewAtMs >= kListStandsAfterMs : now - late.loadedAtMs >= kScriptListWithinMs) {
        if (!grown)
            late.building = listsTopics(anchors) ? ListBuilding::Server : ListBuilding::Unknown;
        return false;
    }
    m_ports.retryTimer.start(kLateListPollMs, [this, load] {
        if (m_isRunning && load == m_loadsFinished && !m_ports.board.isLoading())
            scanLatest();
    });
    return true;
}

QList<MatchedTopic> BoardWatch::matchesToOpen(
    const WordMatcher &matcher, const QStringList &words, const AnchorList &anchors)
{
    QList<MatchedTopic> matches;
    QSet<QString> seen;
    for (const Anchor &anchor : anchors) {
        if (!anchor.text || !isOnBoardHost(anchor.href) || seen.contains(anchor.href))
            continue;
        const int word = matcher.matchingWord(*anchor.text);
        if (word == WordMatcher::kNoMatch)
            continue;
        seen.insert(anchor.href);
        if (openedRecently(anchor.href)) {
            qCDebug(lcWatch) << "scan: passed over, opened recently:" << anchor.href;
            continue;
        }
        matches.append(matchedTopic(anchor, words, word));
    }
    return matches;
}

void BoardWatch::logMatches(const WordMatcher &matcher, const QStringList &words, const AnchorList &anchors)
{
    const long long now = m_ports.clock.steadyMs();
    const qint32 loggedBefore = m_loggedCount;
    for (const Anchor &anchor : anchors) {
        if (!anchor.text || !isOnBoardHost(anchor.href) || m_recentlyLogged.contains(anchor.href, now))
            continue;
        const int word = matcher.matchingWord(*anchor.text);
        if (word == WordMatcher::kNoMatch)
            continue;
        m_recentlyLogged.add(anchor.href, now);
        if (m_loggedCount < std::numeric_limits<qint32>::max())
            ++m_loggedCount;
        if (m_reports.logged)
            m_reports.logged(matchedTopic(anchor, words, word));
    }
    if (m_loggedCount != loggedBefore)
        m_ports.setTitle(loggedTitle(m_loggedCount));
}

MatchedTopic BoardWatch::matchedTopic(const Anchor &anchor, const QStringList &words, int word) const
{
    return MatchedTopic{m_boardName, anchor.href, anchor.text.value_or(QString()), words.value(word)};
}

// Only the board's own service is trusted with the moderator's sign-in.
bool BoardWatch::isOnBoardHost(const QString &href) const
{
    return isSameOrigin(QUrl(href), m_boardOrigin);
}

bool BoardWatch::showsTheBoardList() const
{
    const QUrl url(m_ports.board.url());
    const QUrlQuery query(url);
    return !m_boardName.isNull() && isOnBoardHost(url.toString()) && url.path() == u"/f"
        && query.queryItems().size() == 1
        && query.queryItemValue(QStringLiteral("kw"), QUrl::FullyDecoded) == m_boardName;
}

std::optional<QStringList> BoardWatch::scannedTexts(const AnchorList &anchors) const
{
    if (!showsTheBoardList())
        return std::nullopt;
    QStringList texts;
    for (const Anchor &anchor : anchors) {
        if (anchor.text && !anchor.text->isEmpty() && isOnBoardHost(anchor.href))
            texts.append(*anchor.text);
    }
    return texts;
}

// Links to the portal and to list pages are the page's navigation, not topics.
bool BoardWatch::isTopicLink(const Anchor &anchor) const
{
    const QUrl url(anchor.href);
    return anchor.text && isSameOrigin(url, m_boardOrigin) && url.path() != u"/" && url.path() != u"/f"
        && !url.path().isEmpty();
}

bool BoardWatch::listsTopics(const AnchorList &anchors) const
{
    return std::any_of(anchors.cbegin(), anchors.cend(), [this](const Anchor &a) { return isTopicLink(a); });
}

void BoardWatch::reportListedTopics(const AnchorList &anchors)
{
    if (!m_isRunning || !showsTheBoardList())
        return;
    QStringList topics;
    for (const Anchor &anchor : anchors) {
        if (isTopicLink(anchor))
            topics.append(anchor.href);
    }
    // The time and the count first: the line is narrow, the tooltip has the rest.
    m_ports.setStatus(QStringLiteral("%1 列出 %2 个链接 · %3吧 %4")
                          .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                          .arg(topics.size())
                          .arg(m_boardName, originText()));
    if (m_reports.boardListRead)
        m_reports.boardListRead(m_boardName, topics);
}

bool BoardWatch::openedRecently(const QString &address) const
{
    return m_recentlyOpened.contains(address, m_ports.clock.steadyMs());
}

void BoardWatch::topicOpened(const MatchedTopic &topic)
{
    qCDebug(lcWatch) << "opened" << topic.address << "for" << topic.word;
    m_lastOpenedUrl = topic.address;
    m_recentlyOpened.add(topic.address, m_ports.clock.steadyMs());
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
    const QString problem
        = m_loadProblem.isEmpty() ? QStringLiteral("页面出错 %1 次").arg(m_failedLoadsInARow) : m_loadProblem;
    m_ports.setStatus(QStringLiteral("%1，%2 秒后重试").arg(problem).arg(delay / 1000.0));
    m_ports.retryTimer.start(delay, [this] {
        if (!m_isRunning)
            return;
        if (whyNotOnTheBoard().isEmpty())
            m_ports.board.refresh();
        else
            m_ports.board.navigate(boardListAddress(m_boardOrigin, m_boardName)); // back from elsewhere
    });
}

} // namespace tidewick
