#pragma once

#include "browser_view.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>

class QEventLoop;
class QWebEngineView;

namespace tidewick {

class QtEventLoop;

// The browser contract on a QWebEngineView. Reads run a script in the page and wait for
// its answer inside the event loop, for at most the read timeout. A renderer that dies is
// replaced at once by reloading its page.
class QtBrowserView final : public QObject, public BrowserView {
    Q_OBJECT
public:
    enum class History { Kept, Dropped };

    QtBrowserView(QWebEngineView *view, QtEventLoop &loop, History history = History::Kept, int readTimeoutMs = 3000);

    void navigate(const QString &url) override;
    QString url() const override;
    void refresh() override;
    bool isLoading() const override { return m_loadsUnderWay > 0; }
    std::optional<int> readyState() override;
    std::optional<AnchorList> readAnchors() override;
    bool clickAnchor(int index, const Anchor &expected) override;
    void clickNamed(const QString &name) override;

Q_SIGNALS:
    // Every finished load; ok is false for a load that failed or answered an HTTP error status.
    void loadFinished(bool ok);

private:
    bool usable() const;
    std::optional<QVariant> runScript(const QString &script);
    void failPendingReads();
    void replaceDeadRenderer();

    QPointer<QWebEngineView> m_view;
    QtEventLoop &m_loop;
    History m_history;
    int m_readTimeoutMs;
    int m_loadsUnderWay = 0; // started and not yet ended, one way or another
    QList<QPointer<QEventLoop>> m_waits; // script answers being waited for
};

} // namespace tidewick
