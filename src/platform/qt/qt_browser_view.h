#pragma once

#include "browser_view.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariant>

#include <map>
#include <optional>

class QWebEngineView;

namespace tidewick {

// The browser contract on a QWebEngineView. Reads and clicks run a script in the page; its
// answer, or its failure once the read timeout has passed or a new document has started, comes
// back from the event loop. A renderer that dies is replaced at once by reloading its page.
class QtBrowserView final : public QObject, public BrowserView {
    Q_OBJECT
public:
    // The topic view never goes back, so it keeps no history; the board view keeps it, as the
    // moderator may browse it.
    enum class Role { Board, Topic };

    QtBrowserView(QWebEngineView *view, Role role = Role::Board, int readTimeoutMs = 3000);

    void navigate(const QString &url) override;
    QString url() const override;
    void refresh() override;
    bool isLoading() const override { return m_loadsUnderWay > 0; }
    DocumentId document() const override { return m_document; }
    void readReadyState(ReadyStateAnswer answer) override;
    void readAnchors(AnchorsAnswer answer) override;
    void clickAnchor(int index, const Anchor &expected, ClickAnswer answer) override;
    void readNamed(const QString &name, PresenceAnswer answer) override;
    void clickNamed(const QString &name, ClickAnswer answer) override;

    // The program is ending: nothing more is loaded, and no answer is delivered any more.
    void stop();

Q_SIGNALS:
    // Every finished load; ok is false for a load that failed or answered an HTTP error status.
    void loadFinished(bool ok);

private:
    using ScriptAnswer = std::function<void(DocumentId, std::optional<QVariant>)>;
    struct Pending {
        DocumentId document;
        QString script;
        ScriptAnswer answer;
        bool retried = false;
    };

    bool usable() const;
    void runScript(const QString &script, ScriptAnswer answer);
    void sendScript(quint64 id, int answerWithinMs);
    void noAnswerYet(quint64 id);
    void answer(quint64 id, std::optional<QVariant> value);
    void failPendingScripts();
    void replaceDeadRenderer();
    bool nobodyAttends() const;
    void endHungRenderer();
    void clickOnce(const QString &clickScript, ClickAnswer answer);

    QPointer<QWebEngineView> m_view;
    Role m_role;
    int m_readTimeoutMs;
    bool m_stopped = false;
    std::optional<DocumentId> m_hungDocument; // the page whose renderer was ended for hanging
    bool m_loadDiedWithRenderer = false;
    QUrl m_loadingUrl; // of the latest load started
    int m_loadsUnderWay = 0; // started and not yet ended, one way or another
    DocumentId m_document = 0;
    quint64 m_scriptsSent = 0;
    std::map<quint64, Pending> m_pending; // scripts whose answer is awaited
};

} // namespace tidewick
