#pragma once

#include "browser_view.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

class QWebEngineView;

namespace tidewick {

class QtEventLoop;

// The browser contract on a QWebEngineView. Reads run a script in the page and wait for
// its answer inside the event loop, for at most the read timeout.
class QtBrowserView final : public QObject, public BrowserView {
    Q_OBJECT
public:
    QtBrowserView(QWebEngineView *view, QtEventLoop &loop, int readTimeoutMs = 3000);

    void navigate(const QString &url) override;
    void refresh() override;
    std::optional<int> readyState() override;
    std::optional<AnchorList> readAnchors() override;
    void clickAnchor(int index) override;
    void clickNamed(const QString &name) override;

Q_SIGNALS:
    // Every finished load, successful or not.
    void loadFinished();

private:
    bool usable() const;
    std::optional<QVariant> runScript(const QString &script);

    QPointer<QWebEngineView> m_view;
    QtEventLoop &m_loop;
    int m_readTimeoutMs;
};

} // namespace tidewick
