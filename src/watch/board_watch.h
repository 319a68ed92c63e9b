#pragma once

#include "word_matcher.h"

#include <QString>

#include <functional>
#include <memory>

namespace tidewick {

class BrowserView;

// The board list address for a typed board name; the name is one query value whatever it holds.
QString boardListAddress(const QString &boardHost, const QString &boardName);

// The window title after a topic has been opened for deletion.
QString deletedTitle(qint32 deletedCount);

// The watch loop: reloads the board view, scans each loaded page against the word list and
// opens the first matching topic in the topic view.
class BoardWatch {
public:
    using TitleSetter = std::function<void(const QString &)>;

    BoardWatch(BrowserView &board, BrowserView &topic, QString boardHost, TitleSetter setTitle);

    // The word list as the next scan will see it.
    void setWords(const QStringList &words);

    void Start(const QString &boardName);
    void Pause();
    void TimerTick();
    // Runs on every finished load of the board view, whether the watch runs or not.
    void BoardScanCycle();

    bool IsRunning() const { return m_isRunning; }
    qint32 DeletedCount() const { return m_deletedCount; }
    const QString &LastOpenedUrl() const { return m_lastOpenedUrl; }

private:
    void scanPage(quint64 load);
    void openTopic(const QString &url);

    BrowserView &m_board;
    BrowserView &m_topic;
    QString m_boardHost;
    TitleSetter m_setTitle;
    std::shared_ptr<const WordMatcher> m_matcher = std::make_shared<WordMatcher>();

    bool m_isRunning = false;
    qint32 m_deletedCount = 0;
    QString m_lastOpenedUrl;

    quint64 m_loadsFinished = 0;
    bool m_scanning = false;
};

} // namespace tidewick
