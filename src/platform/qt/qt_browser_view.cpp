#include "qt_browser_view.h"

#include "qt_event_loop.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <memory>

namespace tidewick {

namespace {

const QString kReadAnchorsScript
    = QStringLiteral("(function(){var r=[];var a=document.getElementsByTagName('a');"
                     "for(var i=0;i<a.length;i++){var t=null;try{t=a[i].innerText;}catch(e){}"
                     "r.push([t,a[i].href||'']);}return r;})()");

const QString kReadyStateScript = QStringLiteral("document.readyState");

std::optional<int> readyStateFromText(const QString &state)
{
    if (state == u"complete")
        return kReadyStateComplete;
    if (state == u"interactive")
        return 3;
    if (state == u"loading")
        return 1;
    return std::nullopt;
}

std::optional<AnchorList> anchorsFromVariant(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList rows = value.toList();
    AnchorList anchors;
    anchors.reserve(rows.size());
    for (const QVariant &row : rows) {
        const QVariantList fields = row.toList();
        Anchor anchor;
        if (fields.size() == 2) {
            if (fields[0].typeId() == QMetaType::QString)
                anchor.text = fields[0].toString();
            anchor.href = fields[1].toString();
        }
        anchors.append(anchor);
    }
    return anchors;
}

Q_LOGGING_CATEGORY(lcBrowser, "tidewick.browser", QtInfoMsg)

constexpr int kFirstTryMs = 250;
constexpr int kAbortedErrorCode = -3; // the engine's code for a load given up for another

bool isReplaced(const QWebEngineLoadingInfo &info)
{
    return info.status() == QWebEngineLoadingInfo::LoadStoppedStatus
        || (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
            && info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain
            && info.errorCode() == kAbortedErrorCode);
}

// A script literal for a text, safe for any content.
QString scriptString(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

} // namespace

QtBrowserView::QtBrowserView(QWebEngineView *view, QtEventLoop &loop, History history, int readTimeoutMs)
    : QObject(view)
    , m_view(view)
    , m_loop(loop)
    , m_history(history)
    , m_readTimeoutMs(readTimeoutMs)
{
    // A load stopped or aborted for a newer one is not reported: the newer one's end will be.
    // Reporting it would let a scan reload at once, or back off, and so stop that newer load.
    connect(view->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        qCDebug(lcBrowser) << m_view->objectName() << info.url() << "status" << info.status() << "error"
                           << info.errorDomain() << info.errorCode();
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            ++m_loadsUnderWay;
            // A script sent to the old document may never answer once the new one is on its way.
            failPendingReads();
            return;
        }
        m_loadsUnderWay = std::max(0, m_loadsUnderWay - 1);
        if (isReplaced(info))
            return;
        // A view that never goes back keeps no entry per page it showed.
        if (m_history == History::Dropped && m_view)
            m_view->history()->clear();
        Q_EMIT loadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    connect(view, &QWebEngineView::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status) {
            if (status != QWebEnginePage::NormalTerminationStatus)
                replaceDeadRenderer();
        });
}

void QtBrowserView::failPendingReads()
{
    for (const QPointer<QEventLoop> &wait : std::as_const(m_waits)) {
        if (wait)
            wait->quit();
    }
}

// Reads waiting on the dead page fail now instead of at their time-out, and the reload brings a
// new renderer and a finished load for the watch or the sequence to go on with.
void QtBrowserView::replaceDeadRenderer()
{
    failPendingReads();
    QTimer::singleShot(0, this, [this] {
        if (usable())
            m_view->reload();
    });
}

bool QtBrowserView::usable() const
{
    return m_view && !m_loop.programEnded();
}

void QtBrowserView::navigate(const QString &url)
{
    if (usable())
        m_view->load(QUrl::fromUserInput(url));
}

QString QtBrowserView::url() const
{
    return m_view ? m_view->url().toString(QUrl::FullyEncoded) : QString();
}

// A reload asked for while a load is on its way would not start a load of its own, yet it keeps
// the engine from answering scripts on the page that the running load brings.
void QtBrowserView::refresh()
{
    if (usable() && !isLoading())
        m_view->reload();
}

std::optional<int> QtBrowserView::readyState()
{
    const auto value = runScript(kReadyStateScript);
    return value ? readyStateFromText(value->toString()) : std::nullopt;
}

std::optional<AnchorList> QtBrowserView::readAnchors()
{
    const auto value = runScript(kReadAnchorsScript);
    return value ? anchorsFromVariant(*value) : std::nullopt;
}

// Finds and clicks in one script, so a page that changes its links after they were read cannot
// redirect the click to another link. The click itself comes right after the answer: a click
// that starts a load would otherwise cut the answer off.
bool QtBrowserView::clickAnchor(int index, const Anchor &expected)
{
    if (!expected.text)
        return false;
    const auto clicked
        = runScript(QStringLiteral("(function(){var e=document.getElementsByTagName('a')[%1];if(!e)return false;"
                                   "var t=null;try{t=e.innerText;}catch(x){}"
                                   "if(t!==%2||(e.href||'')!==%3)return false;"
                                   "setTimeout(function(){e.click();},0);return true;})()")
                        .arg(index)
                        .arg(scriptString(*expected.text), scriptString(expected.href)));
    return clicked && clicked->toBool();
}

void QtBrowserView::clickNamed(const QString &name)
{
    runScript(QStringLiteral("(function(){var e=document.all[%1];"
                             "if(e&&!e.tagName&&e.length)e=e[0];"
                             "if(e&&e.click){setTimeout(function(){e.click();},0);return true;}return false;})()")
                  .arg(scriptString(name)));
}

// Waits for the script's answer in a local event loop, so the window stays live; a page that
// does not answer in time (hung, crashed, gone) makes the read fail. Now and then the engine drops
// a script sent right after a load has finished, and the same script sent again answers at once:
// so the first try waits only briefly, and a page that is not loading anew gets a second one.
std::optional<QVariant> QtBrowserView::runScript(const QString &script)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (const int ms : {kFirstTryMs, m_readTimeoutMs}) {
        if (!usable())
            return std::nullopt;
        auto answer = std::make_shared<std::optional<QVariant>>();
        QEventLoop wait;
        QPointer<QEventLoop> waiting(&wait);
        m_view->page()->runJavaScript(
            script, QWebEngineScript::ApplicationWorld, [answer, waiting](const QVariant &value) {
                *answer = value;
                if (waiting)
                    waiting->quit();
            });
        QTimer::singleShot(ms, &wait, &QEventLoop::quit);
        if (!answer->has_value()) {
            m_waits.append(&wait);
            const bool live = m_loop.run(wait);
            m_waits.removeAll(&wait);
            if (!live)
                return std::nullopt;
        }
        if (answer->has_value())
            return *answer;
        qCDebug(lcBrowser) << m_view->objectName() << "no answer to a script after" << elapsed.elapsed() << "ms";
        if (isLoading())
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace tidewick
