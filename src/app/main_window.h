#pragma once

#include "app_options.h"
#include "board_watch.h"
#include "qt_browser_view.h"
#include "qt_clock.h"
#include "qt_timer.h"
#include "topic_action_sequence.h"
#include "word_list.h"
#include "word_list_store.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace tidewick {

class MessageBox;
class QtEventLoop;

// The tool's only window: owns every control and routes their events to the watch, the
// topic moderation and the word list.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    MainWindow(QWebEngineProfile &profile, QtEventLoop &loop, MessageBox &messages, const AppOptions &options,
        const QString &wordListPath);

    // Start-up after the single-instance check: word list, portal page, title, shown centred.
    void startUp();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls(QWebEngineProfile &profile);
    void setTabOrder();
    void wireEvents();
    void mirrorWordList();

    void addWord();
    void removeTickedWords();
    void enableRemoveButton();
    void wordsChanged();
    void endProgram();

    QtEventLoop &m_loop;
    AppOptions m_options;
    QtClock m_clock;
    QTimer m_Timer1;
    QtTimer m_timer1Port{m_Timer1};
    WordList m_words;

    QWebEngineView *m_WebBrowser1 = nullptr;
    QWebEngineView *m_WebBrowser2 = nullptr;
    QPushButton *m_Command1 = nullptr;
    QPushButton *m_Command2 = nullptr;
    QPushButton *m_Command3 = nullptr;
    QPushButton *m_Command4 = nullptr;
    QLabel *m_Label1 = nullptr;
    QLabel *m_Label2 = nullptr;
    QLabel *m_Label3 = nullptr;
    QLineEdit *m_Text1 = nullptr;
    QLineEdit *m_Text2 = nullptr;
    QGroupBox *m_Frame1 = nullptr;
    QListWidget *m_List1 = nullptr;
    QCheckBox *m_Check1 = nullptr;
    QCheckBox *m_Check2 = nullptr;

    QtBrowserView *m_board = nullptr;
    QtBrowserView *m_topic = nullptr;
    std::unique_ptr<WordListStore> m_store;
    std::unique_ptr<BoardWatch> m_watch;
    std::unique_ptr<TopicActionSequence> m_sequence;
};

} // namespace tidewick
