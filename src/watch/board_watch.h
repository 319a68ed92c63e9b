#pragma once

#include "word_matcher.h"

#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

namespace tidewick {

class BrowserView;
class Clock;
class OneShotTimer;

// The board list address for a typed board name; the name is one query value whatever it holds.
QString boardListAddress(const QString &boardHost, const QString &boardName);

// The window title after a topic has been opened for deletion.
QString deletedTitle(qint32 deletedCount);

// The watch loop: reloads the board view, scans each loaded page against the word list and
// opens the first matching topic in the topic view.
class BoardWatch {
public:
    static constexpr int kReloadIntervalMs = 8000;
    // A topic opened this recently is passed over, so one that cannot be deleted stalls nothing.
    static constexpr long long kReopenAfterMs = 60'000;
    static constexpr int kMaxRecentlyOpened = 256;
    // Without a finished board load for this long while running, the board view is reloaded.
    static constexpr long long kWatchdogMs = 3 * kReloadIntervalMs;
    static constexpr long long kFirstRetryMs = 500;

    struct Ports {
        BrowserView &board;
        BrowserView &topic;
        const Clock &clock;
        OneShotTimer &retryTimer;
        std::function<void(const QString &)> setTitle;
    };

    BoardWatch(Ports ports, QString boardHost);

    // The word list as the next scan will see it.
    void setWords(const QStringList &words);

    void Start(const QString &boardName);
    void Pause();
    void TimerTick();
    // Reloads a board view that has not finished a load for too long while the watch runs.
    void WatchdogTick();
    // Runs on every finished load of the board view, whether the watch runs or not. A failed
    // load (no answer, an HTTP error status) is scanned too, but reloaded only after a back-off.
    void BoardScanCycle(bool loadSucceeded = true);

    bool IsRunning() const { return m_isRunning; }
    qint32 DeletedCount() const { return m_deletedCount; }
    const QString &LastOpenedUrl() const { return m_lastOpenedUrl; }

private:
    struct Opened {
        QString url;
        long long atMs;
    };

    void scanPage(quint64 load);
    bool isOnBoardHost(const QString &href) const;
    bool openedRecently(const QString &url);
    void openTopic(const QString &url);
    void reloadAfterPageWithoutMatch();

    Ports m_ports;
    QString m_boardHost;
    QUrl m_boardOrigin;
    std::shared_ptr<const WordMatcher> m_matcher = std::make_shared<WordMatcher>();

    bool m_isRunning = false;
    qint32 m_deletedCount = 0;
    QString m_lastOpenedUrl;
    std::deque<Opened> m_recentlyOpened; // oldest first

    quint64 m_loadsFinished = 0;
    bool m_lastLoadSucceeded = true;
    int m_failedLoadsInARow = 0;
    long long m_lastLoadAtMs = 0;
    bool m_scanning = false;
};

} // namespace tidewick
