#pragma once

#include "board_origin.h"
#include "browser_view.h"
#include "matched_topic.h"
#include "recent_addresses.h"
#include "word_matcher.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace tidewick {

class Clock;
class OneShotTimer;

// The board list address for a typed board name on the service's origin; the name is one query
// value whatever it holds.
QString boardListAddress(const QUrl &origin, const QString &boardName);

// The window title after a topic has been opened for deletion.
QString deletedTitle(qint32 deletedCount);

// The window title in log-only mode.
QString loggedTitle(qint32 loggedCount);

// The watch loop: reloads the board view, scans each loaded page against the word list and hands
// the matching topics, in page order, to whoever opens them. Reads answer later, from the event
// loop; an answer about a page that a newer load has replaced is dropped, the newer load has its
// own scan.
class BoardWatch {
public:
    static constexpr int kReloadIntervalMs = 8000;
    // A topic opened this recently is passed over, so one that cannot be deleted stalls nothing.
    static constexpr long long kReopenAfterMs = 60'000;
    static constexpr int kMaxRecentlyOpened = 256;
    // Without a finished board load for this long while running, the board view is reloaded.
    static constexpr long long kWatchdogMs = 3 * kReloadIntervalMs;
    // A board load under way this long is named in the status line.
    static constexpr long long kSlowPageMs = 3000;
    static constexpr long long kFirstRetryMs = 500;
    // In log-only mode an address is logged at most once in this time.
    static constexpr long long kLogAgainAfterMs = 10 * 60'000;
    static constexpr int kMaxRecentlyLogged = 4096;
    // A topic list built by script may appear this long after the load event.
    static constexpr long long kScriptListWithinMs = 2500;
    static constexpr long long kLateListPollMs = 200;
    // A list that grew counts as built once its links stood still this long.
    static constexpr long long kListStandsAfterMs = 300;
    static constexpr int kProbeEveryLoads = 100;

    // What the watch tells the record of actions; each may be left empty.
    struct Reports {
        // The matching topics of a page in page order, none opened recently, each once; true when
        // one of them was opened now.
        std::function<bool(const QList<MatchedTopic> &)> matched;
        std::function<void(const MatchedTopic &)> logged; // log-only mode: matched, not opened
        // A readable load of the first list page of the watched board, and the topics it lists.
        std::function<void(const QString &board, const QStringList &topics)> boardListRead;
    };

    struct Ports {
        BrowserView &board;
        const Clock &clock;
        OneShotTimer &retryTimer;
        std::function<void(const QString &)> setTitle;
        std::function<void(const QString &)> setStatus; // one line: what the watch is doing now
    };

    BoardWatch(Ports ports, QUrl boardOrigin);

    // The origin topics are opened on: as given, or upgraded to https by the service.
    const QUrl &boardOrigin() const { return m_boardOrigin; }

    void setReports(Reports reports) { m_reports = std::move(reports); }

    // The word list as the next scan will see it.
    void setWords(const QStringList &words);

    // The topic was sent to the topic view: it is counted, and passed over for a while.
    void topicOpened(const MatchedTopic &topic);
    bool openedRecently(const QString &address) const;

    // While on, a scan opens nothing: every matching topic is reported as logged, and the page
    // counts as one without a match. The title then counts the logged topics since it came on.
    void setLogOnly(bool on);

    void Start(const QString &boardName);
    // While paused, a page that loads opens nothing.
    void Pause();
    void TimerTick();
    // Reloads a board view that has not finished a load for too long while the watch runs, and
    // says so while a slow one is under way.
    void WatchdogTick();
    // The board view refused a page for its certificate, as any browser does: the board is
    // unreachable until a load succeeds again.
    void certificateRefused(const QUrl &url);
    // The topic at this address was left standing (no delete link, an unreadable page). It is
    // passed over for a while, so the board goes on at once instead of after a timer interval.
    void topicLeftStanding(const QString &url);
    // Runs on every finished load of the board view, whether the watch runs or not. A failed
    // load (no answer, an HTTP error status) is scanned too, but reloaded only after a back-off.
    // In log-only mode a paused watch still logs what it sees.
    void BoardScanCycle(bool loadSucceeded = true);

    // The board view shows the first list page of the board last started, not the portal,
    // another board or page two.
    bool showsTheBoardList() const;
    // The texts of the links a scan tries on the page the board view shows (on the board's origin,
    // with a text); nullopt when that page is not the first list page of the board last started.
    std::optional<QStringList> scannedTexts(const AnchorList &anchors) const;

    bool IsRunning() const { return m_isRunning; }
    qint32 DeletedCount() const { return m_deletedCount; }
    const QString &LastOpenedUrl() const { return m_lastOpenedUrl; }

private:
    void scanLatest();
    void scanPage(quint64 load, const std::optional<AnchorList> &read, qsizetype atLoad);
    void followUpgrade();
    QString whyNotOnTheBoard() const;
    bool isOnBoardHost(const QString &href) const;
    bool isTopicLink(const Anchor &anchor) const;
    bool listsTopics(const AnchorList &anchors) const;
    void reportListedTopics(const AnchorList &anchors);
    QList<MatchedTopic> matchesToOpen(const WordMatcher &matcher, const QStringList &words, const AnchorList &anchors);
    void logMatches(const WordMatcher &matcher, const QStringList &words, const AnchorList &anchors);
    MatchedTopic matchedTopic(const Anchor &anchor, const QStringList &words, int word) const;
    void reloadAfterPageWithoutMatch();
    bool awaitsALateList(quint64 load, const AnchorList &anchors, qsizetype atLoad);
    QString originText() const;

    enum class ListBuilding { Unknown, Server, Script };
    // What is known of the board's list: how it is built, and the load being looked at.
    struct LateList {
        quint64 load = 0;
        long long loadedAtMs = 0;
        qsizetype links = 0;
        long long grewAtMs = -1;
        int loadsSinceProbe = 0;
        ListBuilding building = ListBuilding::Unknown;
    };

    Ports m_ports;
    QUrl m_boardOrigin;
    Reports m_reports;
    std::shared_ptr<const WordMatcher> m_matcher = std::make_shared<WordMatcher>();
    std::shared_ptr<const QStringList> m_words = std::make_shared<QStringList>();

    bool m_isRunning = false;
    bool m_logOnly = false;
    QString m_boardName;
    qint32 m_deletedCount = 0;
    qint32 m_loggedCount = 0;
    QString m_lastOpenedUrl;
    mutable RecentAddresses m_recentlyOpened{kReopenAfterMs, kMaxRecentlyOpened};
    RecentAddresses m_recentlyLogged{kLogAgainAfterMs, kMaxRecentlyLogged};

    quint64 m_loadsFinished = 0;
    bool m_lastLoadSucceeded = true;
    int m_failedLoadsInARow = 0;
    QString m_loadProblem; // why the loads fail, when known; cleared by a load that succeeds
    LateList m_lateList;
    long long m_lastLoadAtMs = 0;
};

} // namespace tidewick
