#include "qt_browser_view.h"
#include "unattended_page.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <algorithm>
#include <vector>

#include <csignal>

namespace tidewick {

namespace {

const QString kReadAnchorsScript
    = QStringLiteral("(function(){var r=[];var a=document.getElementsByTagName('a');"
                     "for(var i=0;i<a.length;i++){var t=null;try{t=a[i].innerText;}catch(e){}"
                     "r.push([t,a[i].href||'']);}"
                     "var n=window.__tidewickAnchorsAtLoad;return [r,typeof n==='number'?n:-1];})()");

// Notes, in the tool's own script world, how many anchors each document had at its load event.
const QString kCountAnchorsAtLoadScript
    = QStringLiteral("addEventListener('load',function(){"
                     "window.__tidewickAnchorsAtLoad=document.getElementsByTagName('a').length;});");

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
    const QVariantList rows = value.toList().value(0).toList();
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

// Sets e to the clickable element that the `all` collection returns for the name, or to null.
QString findNamedScript(const QString &name)
{
    return QStringLiteral("var e=document.all[%1];if(e&&!e.tagName&&e.length)e=e[0];if(e&&!e.click)e=null;")
        .arg(scriptString(name));
}

} // namespace

QtBrowserView::QtBrowserView(QWebEngineView *view, Role role, int readTimeoutMs)
    : QObject(view)
    , m_view(view)
    , m_role(role)
    , m_readTimeoutMs(readTimeoutMs)
{
    // A load stopped or aborted for a newer one is not reported: the newer one's end will be.
    // Reporting it would let a scan reload at once, or back off, and so stop that newer load.
    connect(view->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        qCDebug(lcBrowser) << m_view->objectName() << info.url() << "status" << info.status() << "error"
                           << info.errorDomain() << info.errorCode();
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            ++m_loadsUnderWay;
            ++m_document;
            m_loadingUrl = info.url();
            // A script sent to the old document may never answer once the new one is on its way.
            failPendingScripts();
            return;
        }
        m_loadsUnderWay = std::max(0, m_loadsUnderWay - 1);
        // The first load to end after its renderer died is the one that died with it, however it ends.
        const bool diedWithRenderer = std::exchange(m_loadDiedWithRenderer, false);
        if (isReplaced(info) || (diedWithRenderer && info.status() == QWebEngineLoadingInfo::LoadFailedStatus))
            return;
        // A view that never goes back keeps no entry per page it showed.
        if (m_role == Role::Topic && m_view)
            m_view->history()->clear();
        if (!m_stopped)
            Q_EMIT loadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    QWebEngineScript countAtLoad;
    countAtLoad.setName(QStringLiteral("tidewick-anchors-at-load"));
    countAtLoad.setSourceCode(kCountAnchorsAtLoadScript);
    countAtLoad.setInjectionPoint(QWebEngineScript::DocumentCreation);
    countAtLoad.setWorldId(QWebEngineScript::ApplicationWorld);
    countAtLoad.setRunsOnSubFrames(false);
    view->page()->scripts().insert(countAtLoad);
    connect(view, &QWebEngineView::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status) {
            if (status != QWebEnginePage::NormalTerminationStatus)
                replaceDeadRenderer();
        });
}

void QtBrowserView::failPendingScripts()
{
    std::vector<quint64> ids;
    for (const auto &[id, pending] : m_pending)
        ids.push_back(id);
    for (const quint64 id : ids)
        answer(id, std::nullopt);
}

// Scripts waiting on the dead page fail now instead of at their time-out, and the reload brings a
// new renderer and a finished load for the watch or the run to go on with. A hung page that was
// ended is not loaded again: it would hang again. A load asked for after it was ended can still
// start in the dying renderer: that load is made again, and its failure left unreported, since
// the load made again is the one its caller waits for.
void QtBrowserView::replaceDeadRenderer()
{
    failPendingScripts();
    const std::optional<DocumentId> hung = std::exchange(m_hungDocument, std::nullopt);
    if (hung == m_document)
        return;
    m_loadDiedWithRenderer = hung && isLoading();
    QTimer::singleShot(0, this, [this, again = hung ? m_loadingUrl : QUrl()] {
        if (!usable())
            return;
        if (again.isEmpty())
            m_view->reload();
        else
            m_view->load(again);
    });
}

// A page may stop answering because the moderator is reading one of its dialogs; otherwise it has
// hung, as a broken or hostile page does.
bool QtBrowserView::nobodyAttends() const
{
    const auto *page = m_view ? qobject_cast<const UnattendedPage *>(m_view->page()) : nullptr;
    return page && page->isUnattended();
}

// A page that answers no script for the whole read timeout would hold every later page of its
// renderer too, the next list or topic included: the renderer is ended, and the engine starts a
// new one.
void QtBrowserView::endHungRenderer()
{
    if (!m_view)
        return;
    const qint64 pid = m_view->page()->renderProcessPid();
    qCInfo(lcBrowser) << m_view->objectName() << "a page stopped answering: its renderer" << pid << "is ended";
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0)
        m_hungDocument = m_document;
}

bool QtBrowserView::usable() const
{
    return m_view && !m_stopped;
}

void QtBrowserView::stop()
{
    m_stopped = true;
    m_pending.clear();
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

void QtBrowserView::readReadyState(ReadyStateAnswer answer)
{
    runScript(kReadyStateScript, [answer = std::move(answer)](DocumentId document, std::optional<QVariant> value) {
        answer(document, value ? readyStateFromText(value->toString()) : std::nullopt);
    });
}

void QtBrowserView::readAnchors(AnchorsAnswer answer)
{
    runScript(kReadAnchorsScript, [answer = std::move(answer)](DocumentId document, std::optional<QVariant> value) {
        const qsizetype atLoad = value ? value->toList().value(1, -1).toLongLong() : -1;
        answer(document, value ? anchorsFromVariant(*value) : std::nullopt, atLoad);
    });
}

// Finds and clicks in one script, so a page that changes its links after they were read cannot
// redirect the click to another link. The click itself comes right after the answer: a click
// that starts a load would otherwise cut the answer off.
void QtBrowserView::clickAnchor(int index, const Anchor &expected, ClickAnswer answer)
{
    if (!expected.text) {
        QTimer::singleShot(0, this, [this, answer = std::move(answer)] { answer(m_document, false); });
        return;
    }
    clickOnce(QStringLiteral("var e=document.getElementsByTagName('a')[%1];if(!e)return false;"
                             "var t=null;try{t=e.innerText;}catch(x){}"
                             "if(t!==%2||(e.href||'')!==%3)return false;")
                  .arg(index)
                  .arg(scriptString(*expected.text), scriptString(expected.href)),
        std::move(answer));
}

void QtBrowserView::readNamed(const QString &name, PresenceAnswer answer)
{
    runScript(QStringLiteral("(function(){%1return !!e;})()").arg(findNamedScript(name)),
        [answer = std::move(answer)](DocumentId document, std::optional<QVariant> value) {
            answer(document, value ? std::optional<bool>(value->toBool()) : std::nullopt);
        });
}

void QtBrowserView::clickNamed(const QString &name, ClickAnswer answer)
{
    clickOnce(findNamedScript(name) + QStringLiteral("if(!e)return false;"), std::move(answer));
}

// A script that is sent again when its first answer is late may run twice: the page remembers
// each click by its number, so that the second run only reports what the first did.
void QtBrowserView::clickOnce(const QString &findElement, ClickAnswer answer)
{
    const QString token = QString::number(m_scriptsSent + 1);
    runScript(QStringLiteral("(function(){var d=window.__tidewickClicks=window.__tidewickClicks||{};"
                             "if(%1 in d)return d[%1];d[%1]=false;%2"
                             "d[%1]=true;setTimeout(function(){e.click();},0);return true;})()")
                  .arg(token, findElement),
        [answer = std::move(answer)](
            DocumentId document, std::optional<QVariant> value) { answer(document, value && value->toBool()); });
}

// Now and then the engine drops a script sent right after a load has finished, and the same script
// sent again answers at once: so the first try waits only briefly, and a page that is not loading
// anew gets a second one. A page that does not answer in time (hung, crashed, gone) fails the script.
void QtBrowserView::runScript(const QString &script, ScriptAnswer answer)
{
    if (!usable())
        return;
    const quint64 id = ++m_scriptsSent;
    m_pending.emplace(id, Pending{m_document, script, std::move(answer)});
    sendScript(id, kFirstTryMs);
}

void QtBrowserView::sendScript(quint64 id, int answerWithinMs)
{
    QPointer<QtBrowserView> self(this);
    m_view->page()->runJavaScript(
        m_pending.at(id).script, QWebEngineScript::ApplicationWorld, [self, id](const QVariant &value) {
            if (self)
                self->answer(id, value);
        });
    QTimer::singleShot(answerWithinMs, this, [this, id] { noAnswerYet(id); });
}

void QtBrowserView::noAnswerYet(quint64 id)
{
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    qCDebug(lcBrowser) << m_view->objectName() << "no answer to a script yet";
    if (it->second.retried && !isLoading() && nobodyAttends())
        endHungRenderer();
    if (it->second.retried || isLoading() || !usable())
        return answer(id, std::nullopt);
    it->second.retried = true;
    sendScript(id, std::max(0, m_readTimeoutMs - kFirstTryMs));
}

// Delivered from the event loop, so that no caller is answered inside its own call; an answer
// from a document that a newer one replaced counts as none.
void QtBrowserView::answer(quint64 id, std::optional<QVariant> value)
{
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    if (pending.document != m_document)
        value.reset();
    QTimer::singleShot(0, this, [this, pending = std::move(pending), value = std::move(value)] {
        if (!m_stopped)
            pending.answer(pending.document, value);
    });
}

} // namespace tidewick
