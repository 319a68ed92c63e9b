#include "board_watch.h"

#include "browser_view.h"

#include <QUrl>

#include <limits>

namespace tidewick {

namespace {

// Only a web address names a topic; script pseudo-links and fragments do not.
bool isTopicAddress(const QString &href)
{
    return href.startsWith(u"http://", Qt::CaseInsensitive) || href.startsWith(u"https://", Qt::CaseInsensitive);
}

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

BoardWatch::BoardWatch(BrowserView &board, BrowserView &topic, QString boardHost, TitleSetter setTitle)
    : m_board(board)
    , m_topic(topic)
    , m_boardHost(std::move(boardHost))
    , m_setTitle(std::move(setTitle))
{
}

void BoardWatch::setWords(const QStringList &words)
{
    m_matcher = std::make_shared<const WordMatcher>(words);
}

void BoardWatch::Start(const QString &boardName)
{
    m_isRunning = true;
    m_board.navigate(boardListAddress(m_boardHost, boardName));
}

void BoardWatch::Pause()
{
    m_isRunning = false;
}

void BoardWatch::TimerTick()
{
    if (m_isRunning)
        m_board.refresh();
}

// Reading a page waits inside the event loop, where the next load can finish. Such a load is
// not scanned in a nested run: the scan under way starts over on the newer page instead.
void BoardWatch::BoardScanCycle()
{
    ++m_loadsFinished;
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
    const AnchorList anchors = m_board.readAnchors().value_or(AnchorList{});
    if (load != m_loadsFinished)
        return;
    for (const Anchor &anchor : anchors) {
        if (anchor.text && isTopicAddress(anchor.href) && matcher->linkMatches(*anchor.text)) {
            openTopic(anchor.href);
            return;
        }
    }
    if (m_isRunning)
        m_board.refresh();
}

void BoardWatch::openTopic(const QString &url)
{
    if (url == m_lastOpenedUrl)
        return;
    m_lastOpenedUrl = url;
    m_topic.navigate(url);
    if (m_deletedCount < std::numeric_limits<qint32>::max())
        ++m_deletedCount;
    m_setTitle(deletedTitle(m_deletedCount));
}

} // namespace tidewick
