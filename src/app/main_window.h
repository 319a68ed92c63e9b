#pragma once

#include "action_log.h"
#include "app_options.h"
#include "moderation_session.h"
#include "qt_browser_view.h"
#include "qt_clock.h"
#include "qt_one_shot_timer.h"
#include "qt_timer.h"
#include "word_list.h"
#include "word_list_store.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace tidewick {

class MessageBox;

// The tool's only window: owns every control and forwards their events and the views' to the
// moderation session and the word list.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // exitProgram leaves the application's event loop; the window calls it once, at the end.
    MainWindow(QWebEngineProfile &profile, MessageBox &messages, const AppOptions &options, const AppPaths &paths,
        std::function<void()> exitProgram);
    ~MainWindow() override;

    // Start-up after the single-instance check: word list, action log, portal page, title, shown centred.
    void startUp();

    // The record window, opened by its button; null before.
    QWidget *actionLogWindow() const { return m_actionLogWindow; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls(QWebEngineProfile &profile);
    void setTabOrder();
    void wireEvents();
    void mirrorWordList();

    void openActionLogFile();
    // On stderr and in a warning box; the tool goes on.
    void warnAtStart(const QString &text, const QString &cause = {});
    void openActionLog();
    void addWord();
    void askAboutABroadWord(const QString &word, const std::optional<AnchorList> &shown);
    void storeWord(const QString &word);
    void nameEntriesThatCanNeverMatch();
    void showStatus(const QString &text, const QString &details = QString());
    void removeTickedWords();
    void reportSaveFailure();
    void wordsChanged();
    void endProgram();

    MessageBox &m_messages;
    AppOptions m_options;
    std::function<void()> m_exitProgram;
    QtClock m_clock;
    QTimer m_reloadTimer;
    QtTimer m_reloadTimerPort{m_reloadTimer};
    QTimer m_watchdogTimer;
    QtOneShotTimer m_retryTimer;
    QtOneShotTimer m_runTimer;
    WordList m_words;
    ActionLog m_actionLog;
    bool m_ended = false;

    QWebEngineView *m_boardView = nullptr;
    QWebEngineView *m_topicView = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_pauseButton = nullptr;
    QPushButton *m_removeTickedButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_actionLogButton = nullptr;
    QLineEdit *m_boardNameEdit = nullptr;
    QLineEdit *m_newWordEdit = nullptr;
    QListWidget *m_wordListView = nullptr;
    QCheckBox *m_banPosterCheck = nullptr;
    QCheckBox *m_keepOnTopCheck = nullptr;
    QCheckBox *m_logOnlyCheck = nullptr;
    QLabel *m_statusLabel = nullptr;
    QWidget *m_actionLogWindow = nullptr;

    QtBrowserView *m_boardBrowser = nullptr;
    QtBrowserView *m_topicBrowser = nullptr;
    std::unique_ptr<WordListStore> m_store;
    std::unique_ptr<ModerationSession> m_session;
};

} // namespace tidewick
